// Air, deaths, capsules collected by touch, the Hard floor and levels.
#include "game/rules.h"

#include "board/board.h"
#include "game/player.h"

namespace murlo {

namespace {

constexpr std::uint8_t hard_cell = Hard << 4;  // Hard, no flags

}  // namespace

void collect_capsule(Game& g, Calls& calls, std::int8_t column, std::int8_t row) {
    set_flag(g.well.board, column, row, Doomed);
    g.air += capsule_gift(g.air);
    play_sound(calls, Sound::Up);
}

bool check_hazards(Game& g, Calls& calls) {
    const Board& board = g.well.board;
    const std::int8_t column = cell_of(g.player_x);
    const std::int8_t here_row = cell_of(g.player_y);
    const std::int8_t above_row = cell_of(g.player_y - 5);
    const std::uint8_t here = get_kind(board, column, here_row);
    const std::uint8_t above = get_kind(board, column, above_row);
    // A block above has slid 6 pixels or more towards the player.
    const bool above_close = static_cast<std::int8_t>(get_fall_timer(board, column, above_row)) >
                             g.well.fall_delay + 5;

    if (is_block(here) || (is_block(above) && above_close) || g.air < 0) return true;
    if (above == Air && above_close) collect_capsule(g, calls, column, above_row);
    if (here == Air) collect_capsule(g, calls, column, here_row);
    return false;
}

LevelGoal check_level_goal(Game& g) {
    const std::int32_t m = g.depth % level_depth;
    if (m == level_depth - 1) {
        // Two still rows of Hard under the row below the player, laid again
        // every frame so nothing that falls in can open the floor.
        const int first = (g.player_y + 12) / 8;
        for (int row = first; row <= first + 1; ++row) {
            for (int column = 0; column < board_columns; ++column) {
                const auto c = static_cast<std::int8_t>(column);
                const auto r = static_cast<std::int8_t>(row);
                set_cell(g.well.board, c, r, hard_cell);
                set_fall_timer(g.well.board, c, r, 0);
            }
        }
    }
    // A fresh level starts at the multiple of 100 with the player above row 3.
    if (m != 0 || g.player_y <= 28) return LevelGoal::Playing;
    g.well.fall_delay = static_cast<std::int8_t>(g.well.fall_delay - 1);
    return g.depth == final_depth ? LevelGoal::Won : LevelGoal::LevelDone;
}

void drain_air(Game& g) { g.air -= air_drain(g.depth); }

}  // namespace murlo
