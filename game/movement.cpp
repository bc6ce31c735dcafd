// The player's place on the board: starting a board, scrolling with it,
// walking, falling and counting depth.
#include "board/board.h"
#include "game/game.h"
#include "game/player.h"
#include "game/rules.h"

namespace murlo {

std::int8_t player_x = 0;
std::int32_t player_y = 0;
Facing facing = Facing::Right;

namespace {

bool is_open(std::uint8_t kind) { return kind == Empty || kind == Crumbling; }
bool is_fall_through(std::uint8_t kind) { return kind <= Air; }
bool is_footing(std::uint8_t kind) { return kind >= Hard; }

}  // namespace

void new_board() {
    player_x = player_x_start;
    player_y = player_y_start;
    facing = Facing::Down;
    fill_new_board();
}

void scroll_board() {
    // player_y moves in steps of 2 from an even start, so it meets this exactly.
    if (player_y != scroll_at_y) return;
    shift_board_up();
    // The same place among the blocks, 15 rows higher up the board.
    player_y = scroll_to_y;
}

void move_player() {
    const int x = player_x;
    const std::int32_t y0 = player_y;

    // Arriving centred on a column ends any walk.
    if ((x + 4) % 8 == 0) facing = Facing::Down;

    // Only a player with a block underfoot can steer; Left is read last so
    // it wins when both keys are held.
    if (is_footing(get_kind(cell_of(x), cell_of(y0 + 4)))) {
        if (cur_input & input::Right) facing = Facing::Right;
        if (cur_input & input::Left) facing = Facing::Left;
    }

    // The probe is always the cell the player is entering.
    switch (facing) {
        case Facing::Right:
            if (x < player_x_max && is_open(get_kind(cell_of(x + 4), cell_of(y0))))
                player_x = static_cast<std::int8_t>(x + 1);
            break;
        case Facing::Left:
            if (x > player_x_min && is_open(get_kind(cell_of(x - 5), cell_of(y0))))
                player_x = static_cast<std::int8_t>(x - 1);
            break;
        case Facing::Down:
            if (is_fall_through(get_kind(cell_of(x), cell_of(y0 + 4)))) player_y = y0 + 2;
            break;
    }

    // One more row of depth each time the centre reaches a new row's middle.
    if ((player_y - 4) / 8 != (y0 - 4) / 8) ++depth;
}

}  // namespace murlo
