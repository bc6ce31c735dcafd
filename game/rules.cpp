// Air, deaths, capsules collected by touch, the Hard floor and levels.
#include "game/rules.h"

#include "board/board.h"
#include "game/game.h"
#include "game/host.h"
#include "game/player.h"
#include "screens/sequences.h"

namespace murlo {

namespace {

constexpr std::int32_t final_depth = 1000;
constexpr std::uint8_t hard_cell = Hard << 4;  // Hard, no flags

void collect_capsule(std::int8_t column, std::int8_t row) {
    // Doomed, so the next breaking pass takes it away and it pays only once.
    set_flag(column, row, Doomed);
    gain_capsule_air();
    play_sound("up.wav");
}

}  // namespace

bool check_hazards() {
    const std::int8_t column = static_cast<std::int8_t>(player_x / 8);
    const std::int8_t here_row = static_cast<std::int8_t>(player_y / 8);
    const std::int8_t above_row = static_cast<std::int8_t>((player_y - 5) / 8);
    const std::uint8_t here = get_kind(column, here_row);
    const std::uint8_t above = get_kind(column, above_row);
    // A block above has slid 6 pixels or more towards the player.
    const bool above_close = static_cast<std::int8_t>(get_fall_timer(column, above_row)) >
                             fall_delay + 5;

    const bool dead = is_block(here) || (is_block(above) && above_close) || air < 0;
    if (!dead) {
        if (above == Air && above_close) collect_capsule(column, above_row);
        if (here == Air) collect_capsule(column, here_row);
        return false;
    }
    play_sound("auu.wav");
    show_result();
    show_game_over();
    return true;
}

bool check_level_goal() {
    const std::int32_t m = depth % 100;
    if (m == 99) {
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
    if (m != 0 || player_y <= 28) return false;
    fall_delay = static_cast<std::int8_t>(fall_delay - 1);
    show_result();
    if (depth != final_depth) {
        new_board();
        return false;
    }
    show_ending();
    return true;
}

void drain_air() { air -= 10 + depth / 50; }

void gain_capsule_air() {
    air += 1000;
    if (air > air_full) air = air_full;
}

}  // namespace murlo
