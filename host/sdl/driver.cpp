#include "host/sdl/driver.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "cycle/cycle.h"
#include "host/sdl/best_depth.h"
#include "host/sdl/events.h"
#include "host/sdl/pause.h"
#include "host/sdl/run_files.h"
#include "host/sdl/sound.h"
#include "host/sdl/window.h"

namespace murlo::sdl {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::duration_cast;

// The millisecond clock of the waits: a 32-bit count that wraps to 0.
// (SDL_GetTicks can read a millisecond high across a second's boundary.)
std::uint32_t clock_ms() {
    const auto since = Clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(duration_cast<std::chrono::milliseconds>(since).count());
}

// At the title: sleep as long as its schedule says before the next pass,
// serving events meanwhile, in whole milliseconds rounded up (the schedule
// makes up for a pass run late).
void sleep_until_title_pass(handheld::TitlePace& pace) {
    using std::chrono::microseconds, std::chrono::milliseconds;
    const Clock::time_point now = Clock::now();
    const auto now_us = duration_cast<microseconds>(now.time_since_epoch()).count();
    const auto wait_us = handheld::title_wait_us(pace, static_cast<std::uint64_t>(now_us));
    const Clock::time_point end = now + microseconds(wait_us);
    for (auto left = end - now; left > Clock::duration::zero(); left = end - Clock::now())
        sleep_serving_events(static_cast<std::uint32_t>(std::chrono::ceil<milliseconds>(left).count()));
}

// The depth of a game in the middle, kept should the program close now;
// -1 at the title and in games that do not count.
std::int32_t depth_at_close = -1;

}  // namespace

void start(Driver& driver) {
    start_up(driver.game, driver.calls);
    carry_out(driver.calls);
}

void drive_one_poll(Driver& driver) {
    Game& game = driver.game;
    const bool in_game = game.phase == Phase::Play;
    if (!in_game) sleep_until_title_pass(driver.title_pace);
    set_pausable(in_game);
    step(game, poll_keys(), driver.calls);
    // The best depth counts the games begun from the keyboard or a
    // controller, not those a played script began.
    const Outcome outcome = driver.calls.outcome;
    if (outcome == Outcome::TitleLeft) driver.game_counts = !script_in_control();
    if ((outcome == Outcome::Died || outcome == Outcome::Won) && driver.game_counts) keep_best_depth(game.depth);
    depth_at_close = game.phase == Phase::Play && driver.game_counts ? game.depth : -1;
    carry_out(driver.calls);
}

InputBits poll_keys() {
    serve_events();
    hold_while_paused();
    const InputBits resumed = take_resume_keys();
    InputBits keys = 0;
    if (!played_keys(keys)) keys = held_keys() | resumed;
    note_poll(keys);
    return keys;
}

void carry_out(const Calls& calls) {
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        note_call(calls, call);
        switch (call.kind) {
        case Call::Kind::Present:
            show_frame(calls.frame[call.frame]);
            break;
        case Call::Kind::Wait:
            wait_ticks(call.ticks);
            break;
        case Call::Kind::Sound:
            play_sound_file(sound_name(call.sound));
            break;
        case Call::Kind::Stop:
            silence();
            break;
        }
    }
}

void wait_ticks(std::uint32_t ticks) {
    std::uint32_t limit = handheld::wait_limit(ticks);
    std::uint32_t start = clock_ms();
    for (;;) {
        serve_events();
        flush_run_files_when_due();
        const std::uint32_t left = handheld::wait_left(start, clock_ms(), limit);
        if (paused()) {
            // Held, then on with the time the wait had left.
            hold_while_paused();
            start = clock_ms();
            limit = left;
            continue;
        }
        if (left == 0) return;
        // Sleep until the time is up, an event comes or the files are due.
        sleep_serving_events(std::min(left, std::max<std::uint32_t>(ms_until_flush(), 1)));
    }
}

void end_program() {
    if (depth_at_close >= 0) keep_best_depth(depth_at_close);
    close_run_files();
    silence();
    close_audio();
    close_window();
    SDL_Quit();
    std::exit(0);
}

}  // namespace murlo::sdl
