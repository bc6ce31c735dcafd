#include "screens/sequences.h"
namespace murlo {
const std::uint32_t result_picture[32] = {};
const std::uint32_t game_over_picture[32] = {};
const std::uint32_t ending_strip[256] = {};
void show_result() {}  // STUB
void show_game_over() {}  // STUB
void show_ending() {}  // STUB
}  // namespace murlo
