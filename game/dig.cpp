// Digging: at most one dig per frame, chosen from the held arrow keys.
#include "board/board.h"
#include "game/player.h"
#include "game/rules.h"

namespace murlo {

bool dig_allowed(const Game& g, Dig dig) {
    const Board& board = g.well.board;
    const int x = g.player_x;
    const std::int32_t y = g.player_y;
    // A capsule underfoot counts as standing here, though not for steering.
    const CellPlace under = cell_underfoot(x, y);
    if (get_kind(board, under.column, under.row) < Air) return false;
    switch (dig) {
        case Dig::Right: return x < player_x_max;
        case Dig::Left: return x > player_x_min;
        case Dig::Down: return is_centred(x);
        case Dig::Up: {
            // A block above that has begun to slide down can no longer be dug.
            const CellPlace t = dig_target(dig, x, y);
            return static_cast<int>(get_fall_timer(board, t.column, t.row)) <
                   static_cast<int>(g.well.fall_delay);
        }
        default: return false;
    }
}

void player_dig(Game& g, Calls& calls) {
    Board& board = g.well.board;
    const int x = g.player_x;
    const std::int32_t y = g.player_y;

    Dig chosen = Dig::None;
    for (std::uint8_t order = 0; order < 4; ++order) {
        const Dig dig = static_cast<Dig>(order);
        if ((g.cur_input & dig_key(dig)) && dig_allowed(g, dig)) {
            chosen = dig;
            break;
        }
    }
    if (chosen == Dig::None) return;

    // The chosen direction is spent even when there is nothing there to dig.
    const CellPlace t = dig_target(chosen, x, y);
    const std::uint8_t kind = get_kind(board, t.column, t.row);
    if (is_open(kind)) return;
    if (kind == Air) {
        collect_capsule(g, calls, t.column, t.row);
        return;
    }
    if (kind == Hard) {
        // Each of the two digs needs its own press of the key.
        if (g.prev_input & dig_key(chosen)) return;
        if (test_flag(board, t.column, t.row, Cracked)) {
            set_flag(board, t.column, t.row, Doomed);
            clear_flag(board, t.column, t.row, Cracked);
            g.air -= hard_dig_air;  // may leave the player short of air
            play_sound(calls, Sound::Down);
        } else {
            set_flag(board, t.column, t.row, Cracked);
            play_sound(calls, Sound::Dig);
        }
        return;
    }
    // An ordinary block: the breaking pass takes its whole group with it.
    set_flag(board, t.column, t.row, Doomed);
    set_flag(board, t.column, t.row, Check);
    play_sound(calls, Sound::Break);
}

}  // namespace murlo
