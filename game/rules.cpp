// Air, deaths, capsules collected by touch, the Hard floor and levels.
#include "game/rules.h"

#include "board/board.h"
#include "game/host.h"
#include "game/player.h"

namespace murlo {

std::int32_t air = 0;
std::int32_t depth = 0;

namespace {

constexpr std::uint8_t hard_cell = Hard << 4;  // Hard, no flags

}  // namespace

void collect_capsule(std::int8_t column, std::int8_t row) {
    set_flag(column, row, Doomed);
    air += capsule_air;
    if (air > air_full) air = air_full;
    play_sound("up.wav");
}

bool check_hazards() {
    const std::int8_t column = cell_of(player_x);
    const std::int8_t here_row = cell_of(player_y);
    const std::int8_t above_row = cell_of(player_y - 5);
    const std::uint8_t here = get_kind(column, here_row);
    const std::uint8_t above = get_kind(column, above_row);
    // A block above has slid 6 pixels or more towards the player.
    const bool above_close = static_cast<std::int8_t>(get_fall_timer(column, above_row)) >
                             fall_delay + 5;

    if (is_block(here) || (is_block(above) && above_close) || air < 0) return true;
    if (above == Air && above_close) collect_capsule(column, above_row);
    if (here == Air) collect_capsule(column, here_row);
    return false;
}

LevelGoal check_level_goal() {
    const std::int32_t m = depth % level_depth;
    if (m == level_depth - 1) {
        // Two still rows of Hard under the row below the player, laid again
        // every frame so nothing that falls in can open the floor.
        const int first = (player_y + 12) / 8;
        for (int row = first; row <= first + 1; ++row) {
            for (int column = 0; column < board_columns; ++column) {
                set_cell(static_cast<std::int8_t>(column), static_cast<std::int8_t>(row),
                         hard_cell);
                set_fall_timer(static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), 0);
            }
        }
    }
    // A fresh level starts at the multiple of 100 with the player above row 3.
    if (m != 0 || player_y <= 28) return LevelGoal::Playing;
    fall_delay = static_cast<std::int8_t>(fall_delay - 1);
    return depth == final_depth ? LevelGoal::Won : LevelGoal::LevelDone;
}

void drain_air() { air -= 10 + depth / 50; }

}  // namespace murlo
