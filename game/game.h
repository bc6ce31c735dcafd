// The whole game as one value: the well, the display, the digger, the keys,
// air and depth, what the status display remembers, and where the game
// cycle stands. It owns no memory and refers to nothing outside itself, so
// saving a game is a copy, a fresh Game is the program as it loads, and any
// number of games can run side by side. cycle/cycle.h steps it.
#pragma once

#include <cstdint>
#include <type_traits>

#include "board/board.h"
#include "game/calls.h"
#include "lcd/lcd.h"

namespace murlo {

enum class Facing : std::uint8_t { Right = 0, Left = 1, Down = 2 };

// Which poll the game waits for between two steps.
enum class Phase : std::uint8_t {
    Title,  // the title screen's
    Play,   // a game frame's
};

constexpr int speck_count = 7;  // the title's drifting specks

struct Game {
    Well well;    // board, fall timers, fall_delay, random source
    LcdFrame lcd;  // the frame being drawn; between steps, the last one drawn

    std::int8_t player_x;   // centre in board pixels, player_x_min..player_x_max
    std::int32_t player_y;  // centre in board pixels, even, player_y_start..scroll_at_y
    Facing facing;

    InputBits cur_input;   // keys held at the latest poll
    InputBits prev_input;  // keys held at the poll before it

    std::int32_t air;    // at most air_full; may go below 0
    std::int32_t depth;  // rows descended this game, 0..final_depth

    std::uint8_t blink_counter;      // counts draw_player calls; never reset
    std::int32_t depth_shown;        // the depth the box last showed
    std::int32_t depth_show_frames;  // frames since it was last drawn anew

    Phase phase;
    std::uint32_t speck_seed[speck_count];  // the title's, drawn as it begins
};
static_assert(std::is_trivially_copyable_v<Game>);

}  // namespace murlo
