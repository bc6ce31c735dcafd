// The digger: placing it on a new board, scrolling with the board, walking,
// falling and digging, and the few facts about its place that the rules and
// the tools that play the game share.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/calls.h"

namespace murlo {

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

// The player's centre is in the middle of a column: the only place it
// digs down from, and where a walk ends.
constexpr bool is_centred(int player_x) { return (player_x + 4) % 8 == 0; }

struct CellPlace {
    std::int8_t column;
    std::int8_t row;
};

// The ways the player digs, in the order they are tried.
enum class Dig : std::uint8_t { Right, Left, Down, Up, None };

// The cell a dig that way reaches from the player's centre (x, y): the
// cell ahead when walking right or left, the one underfoot, the one above.
constexpr CellPlace dig_target(Dig dig, int x, std::int32_t y) {
    switch (dig) {
        case Dig::Right: return {cell_of(x + 4), cell_of(y)};
        case Dig::Left: return {cell_of(x - 5), cell_of(y)};
        case Dig::Down: return {cell_of(x), cell_of(y + 5)};
        default: return {cell_of(x), cell_of(y - 5)};
    }
}

// The cell the player stands on (a block there is footing).
constexpr CellPlace cell_underfoot(int x, std::int32_t y) { return {cell_of(x), cell_of(y + 4)}; }

// What a cell's kind is to the player: it walks into an open cell (there
// is nothing in it to dig), stands and steers on footing, and falls through
// the rest (nothing, a crumbling block or a capsule).
constexpr bool is_open(int kind) { return kind == Empty || kind == Crumbling; }
constexpr bool is_footing(int kind) { return kind >= Hard; }
constexpr bool is_fall_through(int kind) { return kind <= Air; }

// The arrow key that digs each way.
constexpr InputBits dig_key(Dig dig) {
    switch (dig) {
        case Dig::Right: return input::Right;
        case Dig::Left: return input::Left;
        case Dig::Down: return input::Down;
        default: return input::Up;
    }
}

// Whether the player may dig that way now, its key held: only standing on
// something (a capsule will do), not into a wall, down only when centred,
// and up only into a cell that has not begun to slide down.
bool dig_allowed(const Game& g, Dig dig);

void new_board(Game& g);     // place the player at the top of a freshly filled board
void scroll_board(Game& g);  // at scroll_at_y, move the board and the player up 15 rows
void move_player(Game& g);   // walk, fall and count depth from cur_input
void player_dig(Game& g, Calls& calls);  // at most one dig per frame from the held arrows

}  // namespace murlo
