// The game cycle: start-up, title, one game after another, and the fixed
// order of steps in one game frame.
#pragma once

#include <cstdint>

#include "game/host.h"

namespace murlo {

extern InputBits cur_input;   // keys held at the latest poll
extern InputBits prev_input;  // keys held at the poll before it

constexpr std::uint32_t rng_seed = 0x83957213u;  // once per process, never per game
constexpr std::uint32_t frame_wait_ticks = 5;

// Keep the last poll in prev_input, poll again, and return the new keys.
InputBits latch_input();

// Start-up, then title and game for ever. Never returns.
[[noreturn]] void game_main();

// The steps game_main takes around the title, for tools that drive it
// themselves: the seed (once per process), the reset before each title,
// and a new game after it (depth counters and a fresh board).
void start_up();
void begin_cycle();
void begin_game();
// One pass of the frame loop; true when the game has ended (its closing
// sequences have already run).
bool game_frame();

}  // namespace murlo
