#include "host/sdl/host.h"

#include <algorithm>
#include <utility>

#include "host/sdl/events.h"

namespace murlo::sdl {

namespace {

using Clock = std::chrono::steady_clock;

// What the runner reports, carried out: the picture shown (dimmed while
// paused), the sound held with the pause, a new sound begun where the
// runner is in it, and a deeper best depth stored, then the runner told
// what storage holds.
void carry_out(Host& h, const Report& report) {
    Runner& r = h.runner;
    if (report.picture) show_frame(h.window, runner_picture(r), paused(r));
    if (paused(r) != h.sound_held) {
        h.sound_held = paused(r);
        pause_sound(h.audio, h.sound_held);
    }
    if (report.sound) {
        if (r.state.sound == no_sound)
            silence(h.audio);
        else
            play_sound_file(h.audio, exe_dir(h.window), sound_name(static_cast<Sound>(r.state.sound)),
                            report.sound_at_us);
    }
    if (report.best) {
        const std::int32_t kept = keep_best_depth(h.best, h.window, r.state.best);
        if (kept >= 0) set_best(r, kept);
    }
}

}  // namespace

void begin(Host& h, runs::Script script, std::int32_t best) {
    h.runner.tracing = h.files.trace.file != nullptr;
    start_runner(h.runner, std::move(script), best);
    h.last_run = Clock::now();
    run_now(h);
}

void run_now(Host& h) {
    const Clock::time_point now = Clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - h.last_run).count();
    h.last_run = now;
    const Report report = run(h.runner, static_cast<std::uint64_t>(std::max<decltype(elapsed)>(elapsed, 0)),
                              held_keys(h));
    carry_out(h, report);
    h.wake_in_us = report.wake_in_us;
    write_run_files(h.files, h.runner);
}

void turn(Host& h) {
    if (h.quit) return;
    // The runner's wake-up in whole milliseconds, rounded up.
    const std::uint32_t wake_ms =
        h.wake_in_us == never ? never_ms
                              : static_cast<std::uint32_t>(std::min<std::uint64_t>((h.wake_in_us + 999) / 1000, never_ms - 1));
    serve_events(h, std::min(wake_ms, ms_until_flush(h.files)));
    if (!h.quit) run_now(h);
}

void finish(Host& h) {
    const std::int32_t depth = depth_to_keep(h.runner);
    if (depth >= 0) keep_best_depth(h.best, h.window, depth);
    close_run_files(h.files, h.runner);
    silence(h.audio);
    close_audio(h.audio);
    close_controllers(h.controllers);
    close_window(h.window);
    SDL_Quit();
}

}  // namespace murlo::sdl
