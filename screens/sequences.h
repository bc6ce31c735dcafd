// The pictures that close a level or a game, and the one change each step
// of their sequences makes to the frame. The game cycle (cycle/cycle.cpp)
// runs the sequences: which steps, with which waits and sounds.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

extern const std::uint32_t result_picture[32];
extern const std::uint32_t game_over_picture[32];
extern const std::uint32_t ending_strip[256];

constexpr int result_steps = 32;     // the result panel rises a row a step
constexpr int result_digits = 4;     // ones, tens, hundreds, then thousands
constexpr int game_over_steps = 16;  // two rows of the wipe a step
constexpr int ending_steps = 256;    // the ending strip passes a row a step

// Step k (0..31) of the result: the frame moves up a row and row k of the
// panel comes in at the bottom, pushing the last game frame out of the top.
void result_step(LcdFrame& lcd, int k);
// Digit `place` of the depth in the panel (0 ones, 1 tens, 2 hundreds, 3
// thousands): three places always, the thousands only for 1000 (the one
// depth that has one).
void draw_result_digit(LcdFrame& lcd, int place, std::int32_t depth);
// Step k (0..15) of the game-over wipe: even row 2k from the top and odd
// row 31 - 2k from the bottom, each replaced where it stands.
void game_over_step(LcdFrame& lcd, int k);
// Step k (0..255) of the ending: the frame moves down a row and strip row
// 255 - k comes in at the top, so the view climbs from the bottom of the
// well to the sky and the words above it.
void ending_step(LcdFrame& lcd, int k);

}  // namespace murlo
