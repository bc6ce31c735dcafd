// The whole game as one value: the well, the display, the digger, the keys,
// air and depth, what the status display remembers, and where the game
// cycle stands. It owns no memory and refers to nothing outside itself, so
// saving a game is a copy, a fresh Game is the program as it loads, and any
// number of games can run side by side. cycle/cycle.h advances it, a call
// or a few at a time.
#pragma once

#include <cstdint>
#include <type_traits>

#include "board/board.h"
#include "game/calls.h"
#include "lcd/lcd.h"

namespace murlo {

enum class Facing : std::uint8_t { Right = 0, Left = 1, Down = 2 };

// Where the game cycle stands between two advances: waiting for a poll
// (the title's or a game frame's), or part way through a closing sequence,
// which polls nothing.
enum class Phase : std::uint8_t {
    Title,     // the next advance is a title poll
    Play,      // the next advance is a game frame's poll
    Result,    // the result panel rising, then the depth digit by digit
    GameOver,  // the game-over wipe
    Ending,    // the ending strip passing, then the game-over wipe
};

// Why a closing sequence runs, and so what follows the result.
enum class Closing : std::uint8_t {
    Nothing,    // no closing sequence runs
    LevelDone,  // the result, then the next level on a fresh board
    Died,       // the result, then the game-over wipe, then the title
    Won,        // the result, then the ending, then the title
};

constexpr int speck_count = 7;

// The positions each closing sequence counts through with closing_step: a
// frame change, a present, a wait or a sound at each (cycle/closing.cpp
// checks them against the sequences).
constexpr std::uint16_t result_length = 110;
constexpr std::uint16_t game_over_length = 50;
constexpr std::uint16_t ending_length = 770;  // the title's drifting specks

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

    std::uint8_t blink_counter;      // counts the frames drawn; never reset
    std::int32_t depth_shown;        // the depth the box last showed
    std::int32_t depth_show_frames;  // frames since it was last drawn anew

    Phase phase;
    Closing closing;            // while a closing sequence runs: why
    std::uint16_t closing_step;  // the next call of the running phase's sequence
    std::uint32_t speck_seed[speck_count];  // the title's, drawn as it begins
};
static_assert(std::is_trivially_copyable_v<Game>);

}  // namespace murlo
