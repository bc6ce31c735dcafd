// The closing sequences: fixed scripts of frame changes, each followed by
// a present and a wait in one order or the other, and their sounds. Each
// is counted through one position at a time (g.closing_step), a frame
// change, a present, a wait or a sound at each, so a sequence can stop at
// any of its waits and go on from there at the next advance.
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

// Positions of the result: the panel rises a row in each of 32 steps (the
// change, a wait, then the present), then three digits (the digit, a
// present, then a pause), then the last place, a shorter pause, the sound
// and the last wait.
constexpr int result_scroll = 3 * result_steps;
constexpr int result_digit_end = result_scroll + 3 * (result_digits - 1);
constexpr int result_positions = result_digit_end + 5;

// The game-over wipe: 16 steps (the change, a wait, the present), the
// sound and the last wait.
constexpr int game_over_wipe = 3 * game_over_steps;
constexpr int game_over_positions = game_over_wipe + 2;

// The ending: its sound, 256 steps of the strip (the change, a wait, the
// present), and a long pause; the game-over wipe follows.
constexpr int ending_scroll_end = 1 + 3 * ending_steps;
constexpr int ending_positions = ending_scroll_end + 1;

// What position p of a scroll's or wipe's step does: the change, then a
// wait, then the present. True for the wait.
template <typename Change>
bool scroll_position(Game& g, Calls& calls, int p, Change&& change) {
    switch (p % 3) {
        case 0: change(p / 3); return false;
        case 1: wait_ticks(calls, scroll_step_ticks); return true;
        default: present_frame(calls, g.lcd); return false;
    }
}

bool result_position(Game& g, Calls& calls, int p) {
    if (p < result_scroll)
        return scroll_position(g, calls, p, [&g](int k) { result_step(g.lcd, k); });
    if (p < result_digit_end) {
        // The digits, right to left, each shown and then given its pause.
        const int q = p - result_scroll;
        switch (q % 3) {
            case 0: draw_result_digit(g.lcd, q / 3, g.depth); return false;
            case 1: present_frame(calls, g.lcd); return false;
            default: wait_ticks(calls, digit_pause_ticks); return true;
        }
    }
    switch (p - result_digit_end) {
        case 0: draw_result_digit(g.lcd, result_digits - 1, g.depth); return false;
        case 1: present_frame(calls, g.lcd); return false;
        case 2: wait_ticks(calls, result_pause_ticks); return true;
        case 3: play_sound(calls, Sound::Maru); return false;
        default: wait_ticks(calls, result_end_ticks); return true;
    }
}

bool game_over_position(Game& g, Calls& calls, int p) {
    if (p < game_over_wipe)
        return scroll_position(g, calls, p, [&g](int k) { game_over_step(g.lcd, k); });
    if (p == game_over_wipe) {
        play_sound(calls, Sound::Otukare);
        return false;
    }
    wait_ticks(calls, game_over_end_ticks);
    return true;
}

bool ending_position(Game& g, Calls& calls, int p) {
    if (p == 0) {
        play_sound(calls, Sound::Ending);
        return false;
    }
    if (p < ending_scroll_end)
        return scroll_position(g, calls, p - 1, [&g](int k) { ending_step(g.lcd, k); });
    wait_ticks(calls, ending_pause_ticks);
    return true;
}

// From the game's position in a sequence of `length` positions, up to and
// including the next wait; false when none is left.
template <typename Position>
bool run_positions(Game& g, Calls& calls, int length, Position&& position) {
    while (g.closing_step < length)
        if (position(g, calls, g.closing_step++)) return true;
    return false;
}

}  // namespace

static_assert(result_length == result_positions && game_over_length == game_over_positions &&
              ending_length == ending_positions);

bool run_result(Game& g, Calls& calls) { return run_positions(g, calls, result_positions, result_position); }
bool run_game_over(Game& g, Calls& calls) {
    return run_positions(g, calls, game_over_positions, game_over_position);
}
bool run_ending(Game& g, Calls& calls) { return run_positions(g, calls, ending_positions, ending_position); }

}  // namespace murlo
