#include "board/group.h"
namespace murlo {
GroupList group_list = {};
std::int8_t group_count = 0;
void find_group(std::int8_t, std::int8_t, std::uint8_t) {}  // STUB
}  // namespace murlo
