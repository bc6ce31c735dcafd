// The player's place on the board: starting a board, scrolling with it,
// walking, falling and counting depth.
#include "board/board.h"
#include "game/player.h"

namespace murlo {

void new_board(Game& g) {
    g.player_x = player_x_start;
    g.player_y = player_y_start;
    g.facing = Facing::Down;
    fill_new_board(g.well);
}

void scroll_board(Game& g) {
    // player_y moves in steps of 2 from an even start, so it meets this exactly.
    if (g.player_y != scroll_at_y) return;
    shift_board_up(g.well);
    // The same place among the blocks, 15 rows higher up the board.
    g.player_y = scroll_to_y;
}

void move_player(Game& g) {
    const Board& board = g.well.board;
    const int x = g.player_x;
    const std::int32_t y0 = g.player_y;

    // Arriving centred on a column ends any walk.
    if (is_centred(x)) g.facing = Facing::Down;

    // Only a player with a block underfoot can steer; Left is read last so
    // it wins when both keys are held.
    const CellPlace under = cell_underfoot(x, y0);
    if (is_footing(get_kind(board, under.column, under.row))) {
        if (g.cur_input & input::Right) g.facing = Facing::Right;
        if (g.cur_input & input::Left) g.facing = Facing::Left;
    }

    // The probe is always the cell the player is entering: the cell ahead
    // of a dig that way, or the one underfoot.
    switch (g.facing) {
        case Facing::Right: {
            const CellPlace ahead = dig_target(Dig::Right, x, y0);
            if (x < player_x_max && is_open(get_kind(board, ahead.column, ahead.row)))
                g.player_x = static_cast<std::int8_t>(x + 1);
            break;
        }
        case Facing::Left: {
            const CellPlace ahead = dig_target(Dig::Left, x, y0);
            if (x > player_x_min && is_open(get_kind(board, ahead.column, ahead.row)))
                g.player_x = static_cast<std::int8_t>(x - 1);
            break;
        }
        case Facing::Down:
            if (is_fall_through(get_kind(board, under.column, under.row))) g.player_y = y0 + 2;
            break;
    }

    // One more row of depth each time the centre reaches a new row's middle.
    if ((g.player_y - 4) / 8 != (y0 - 4) / 8) ++g.depth;
}

}  // namespace murlo
