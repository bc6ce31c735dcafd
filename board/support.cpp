#include "board/support.h"
namespace murlo {
std::uint8_t support_mask[30] = {};
void mark_hanging(std::int8_t, std::int8_t) {}  // STUB
void clear_hanging(std::int8_t, std::int8_t) {}  // STUB
bool is_hanging(std::int8_t, std::int8_t) { return false; }  // STUB
void analyse_support() {}  // STUB
}  // namespace murlo
