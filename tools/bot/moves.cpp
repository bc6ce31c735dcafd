#include "tools/bot/moves.h"

#include <initializer_list>

#include "board/board.h"
#include "game/player.h"

namespace murlo::bot {

int kind_at(const Game& g, int column, int row) {
    if (!on_board(column, row)) return Empty;
    return get_kind(g.well.board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row));
}

int kind_toward(const Game& g, Dig dig) {
    const CellPlace t = dig_target(dig, g.player_x, g.player_y);
    return kind_at(g, t.column, t.row);
}

int kind_underfoot(const Game& g) {
    const CellPlace under = cell_underfoot(g.player_x, g.player_y);
    return kind_at(g, under.column, under.row);
}

int player_column(const Game& g) { return cell_of(g.player_x); }
int player_row(const Game& g) { return cell_of(g.player_y); }

bool at_rest(const Game& g) { return is_centred(g.player_x) && is_footing(kind_underfoot(g)); }

InputBits press(const Game& g, InputBits key, int target_kind) {
    if (target_kind == Hard && (g.cur_input & key)) return 0;
    return key;
}

InputBits grab_key(const Game& g) {
    for (const Dig dig : {Dig::Right, Dig::Left, Dig::Up}) {
        const CellPlace t = dig_target(dig, g.player_x, g.player_y);
        if (dig_allowed(g, dig) && kind_at(g, t.column, t.row) == Air &&
            !test_flag(g.well.board, t.column, t.row, Doomed))
            return dig_key(dig);
    }
    return 0;
}

Running begin_move(const Game& g, Move move) {
    return {move, 0, g.player_x, player_row(g), g.depth};
}

namespace {

// The key that walks one column on that way from here: over a gap the
// walk goes on by itself, else the key, digging whatever is ahead.
InputBits walk_key(const Game& g, bool right) {
    if (!is_centred(g.player_x) && !is_footing(kind_underfoot(g))) return 0;
    const Dig dig = right ? Dig::Right : Dig::Left;
    return press(g, dig_key(dig), kind_toward(g, dig));
}

}  // namespace

bool move_key(const Game& g, Running& run, InputBits& key) {
    const Move m = run.move;
    if (run.frames >= (m.act == Act::Walk ? 40 * m.columns : 60)) return false;
    const int x = g.player_x;
    switch (m.act) {
        case Act::Grab:
            if (run.frames >= 1) return false;
            key = grab_key(g);
            break;
        case Act::Down:
        case Act::Burrow:
            if (at_rest(g) && (m.act == Act::Down ? g.depth > run.start_depth
                                                  : player_row(g) > run.start_row))
                return false;
            key = is_centred(x) ? press(g, input::Down, kind_toward(g, Dig::Down)) : 0;
            break;
        case Act::Walk: {
            const bool right = m.step > 0;
            if (is_centred(x) && x != run.start_x &&
                (x == run.start_x + 8 * m.step * m.columns || !at_rest(g)))
                return false;
            if (right ? x >= player_x_max : x <= player_x_min) return false;
            key = walk_key(g, right);
            break;
        }
        case Act::Wait:
            if (run.frames >= 4) return false;
            key = 0;
            break;
    }
    ++run.frames;
    return true;
}

InputBits settle_key(const Game& g) {
    if (is_centred(g.player_x) || !is_footing(kind_underfoot(g))) return 0;
    const Dig dig = g.facing == Facing::Right ? Dig::Right : Dig::Left;
    const int target = kind_toward(g, dig);
    if (is_open(target)) return 0;
    return press(g, dig_key(dig), target);
}

}  // namespace murlo::bot
