// The digger: its position, placing it on a new board, walking, falling and
// digging.
#pragma once

#include <cstdint>

namespace murlo {

enum class Facing : std::uint8_t { Right = 0, Left = 1, Down = 2 };

extern std::int8_t player_x;   // centre in board pixels, player_x_min..player_x_max
extern std::int32_t player_y;  // centre in board pixels, even, player_y_start..scroll_at_y
extern Facing facing;

// The walls of the well stop the player's centre here: columns 0 and 7.
constexpr std::int8_t player_x_min = 4;
constexpr std::int8_t player_x_max = 60;
// A fresh board puts the player centred on cell (3, 2).
constexpr std::int8_t player_x_start = 28;
constexpr std::int32_t player_y_start = 20;
// Reaching the middle of row 25 scrolls the board 15 rows, and the player
// with it.
constexpr std::int32_t scroll_at_y = 204;
constexpr std::int32_t scroll_to_y = 84;

// The cell of a board pixel: integer division, rounding toward zero, so -1
// lands in cell 0 (only ever asked for at the left wall, where the wall
// refuses the move first).
constexpr std::int8_t cell_of(int pixel) { return static_cast<std::int8_t>(pixel / 8); }

void new_board();     // place the player at the top of a freshly filled board
void scroll_board();  // at scroll_at_y, move the board and the player up 15 rows
void move_player();   // walk, fall and count depth from cur_input
void player_dig();    // at most one dig per frame from the held arrows

}  // namespace murlo
