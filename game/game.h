// The game cycle: start-up, title, one game after another, and the fixed
// order of steps in one game frame.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/group.h"
#include "game/host.h"
#include "game/player.h"

namespace murlo {

// Bits of an InputBits byte: the keys held at one poll.
namespace input {
constexpr InputBits Z = 0x01;
constexpr InputBits Right = 0x02;
constexpr InputBits Left = 0x04;
constexpr InputBits Down = 0x08;
constexpr InputBits Up = 0x10;
constexpr InputBits all = 0x1F;
}  // namespace input

extern InputBits cur_input;   // keys held at the latest poll
extern InputBits prev_input;  // keys held at the poll before it

extern std::int32_t air;    // at most 10000; may go below 0
extern std::int32_t depth;  // rows descended this game, 0..1000

constexpr std::uint32_t rng_seed = 0x83957213u;
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

// Every global of the game in one value, for tools that rewind the game
// (look-ahead players, benchmarks). A zero GameState is the program as it
// loads.
struct GameState {
    Board board;
    std::int8_t fall_delay;
    std::uint32_t rng_state;
    LcdFrame lcd;
    GroupList group_list;
    std::int8_t group_count;
    std::uint8_t support_mask[30];
    std::int8_t player_x;
    std::int32_t player_y;
    Facing facing;
    InputBits cur_input;
    InputBits prev_input;
    std::int32_t air;
    std::int32_t depth;
    std::uint8_t blink_counter;
    std::int32_t depth_shown;
    std::int32_t depth_show_frames;
};

GameState save_game_state();
void restore_game_state(const GameState& state);

// Every global of the game back to how the program loads it.
void reset_program_state();

}  // namespace murlo
