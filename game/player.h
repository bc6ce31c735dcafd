// The digger: its position, walking and falling, and digging.
#pragma once

#include <cstdint>

namespace murlo {

enum class Facing : std::uint8_t { Right = 0, Left = 1, Down = 2 };

extern std::int8_t player_x;   // centre in board pixels, 4..60
extern std::int32_t player_y;  // centre in board pixels, even, 20..204
extern Facing facing;

void move_player();  // walk, fall and count depth from cur_input
void player_dig();   // at most one dig per frame from the held arrows

}  // namespace murlo
