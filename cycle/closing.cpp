// The closing sequences: fixed scripts of frame changes, each followed by a
// present and a wait in one order or the other, and their sounds. They read
// no keys, so a whole sequence belongs to the step of the frame that ended
// the level or the game.
#include "cycle/cycle.h"
#include "game/calls.h"
#include "screens/sequences.h"

namespace murlo {

namespace {

constexpr std::uint32_t scroll_step_ticks = 10;
constexpr std::uint32_t digit_pause_ticks = 100;
constexpr std::uint32_t result_pause_ticks = 50;
constexpr std::uint32_t result_end_ticks = 200;
constexpr std::uint32_t game_over_end_ticks = 500;
constexpr std::uint32_t ending_pause_ticks = 1000;

}  // namespace

void show_result(Game& g, Calls& calls) {
    // Each step of the rising panel waits before it is shown.
    for (int k = 0; k < result_steps; ++k) {
        result_step(g.lcd, k);
        wait_ticks(calls, scroll_step_ticks);
        present_frame(calls, g.lcd);
    }
    // The digits, right to left, each shown and then given its pause.
    for (int place = 0; place < result_digits - 1; ++place) {
        draw_result_digit(g.lcd, place, g.depth);
        present_frame(calls, g.lcd);
        wait_ticks(calls, digit_pause_ticks);
    }
    draw_result_digit(g.lcd, result_digits - 1, g.depth);
    present_frame(calls, g.lcd);
    wait_ticks(calls, result_pause_ticks);
    play_sound(calls, Sound::Maru);
    wait_ticks(calls, result_end_ticks);
}

void show_game_over(Game& g, Calls& calls) {
    for (int k = 0; k < game_over_steps; ++k) {
        game_over_step(g.lcd, k);
        wait_ticks(calls, scroll_step_ticks);
        present_frame(calls, g.lcd);
    }
    play_sound(calls, Sound::Otukare);
    wait_ticks(calls, game_over_end_ticks);
}

void show_ending(Game& g, Calls& calls) {
    play_sound(calls, Sound::Ending);
    for (int k = 0; k < ending_steps; ++k) {
        ending_step(g.lcd, k);
        wait_ticks(calls, scroll_step_ticks);
        present_frame(calls, g.lcd);
    }
    wait_ticks(calls, ending_pause_ticks);
    show_game_over(g, calls);
}

// The room Calls makes for a step, against what the longest step lists: the
// winning frame (its present, a dig and two capsules' sounds at most), the
// result, the ending with its game-over wipe, and the title music.
constexpr int result_frames = result_steps + result_digits;
constexpr int result_calls = 2 * result_steps + 2 * result_digits + 2;
constexpr int game_over_calls = 2 * game_over_steps + 2;
constexpr int ending_calls = 1 + 2 * ending_steps + 1 + game_over_calls;
static_assert(max_step_frames == 1 + result_frames + ending_steps + game_over_steps);
static_assert(max_step_calls == (1 + 3) + result_calls + ending_calls + 1);

}  // namespace murlo
