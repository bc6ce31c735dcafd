#include "screens/title.h"
namespace murlo {
const std::uint32_t title_picture[32] = {};  // STUB: art to come
}  // namespace murlo
