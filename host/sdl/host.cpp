#include "host/sdl/host.h"

#include <algorithm>
#include <csignal>
#include <utility>

#include "host/sdl/events.h"
#include "runner/snapshot.h"

namespace murlo::sdl {

namespace {

using Clock = std::chrono::steady_clock;

// Set when SIGHUP came. A signal handler gets no pointer of ours and may
// only set a flag of this type, so POSIX forces it to live at file level.
volatile std::sig_atomic_t hung_up = 0;

extern "C" void on_hangup(int) { hung_up = 1; }

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
        if (r.state.sound == no_sound || h.window.settings.mute)
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

void begin(Host& h, runs::Script script, std::int32_t best, const std::filesystem::path& kept) {
    Runner& r = h.runner;
    r.tracing = h.files.trace.file != nullptr;
    start_runner(r, std::move(script), best);
    if (!kept.empty()) desktop::resume_kept(h.kept, kept, r);
    if (h.kept.written) {
        // Gone on with: the same run, so its trace begins with what the
        // kept game's program traced (its record is already the whole run).
        set_best(r, best);
        if (r.tracing) r.trace = trace_before(r);
    }
    h.started = Clock::now();
    run_now(h);
}

std::uint64_t now_us(const Host& h) {
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - h.started).count();
    return since > 0 ? static_cast<std::uint64_t>(since) : 0;
}

void tell(Host& h, Event event) { handle(h.runner, now_us(h), event); }

void run_now(Host& h) {
    const std::uint64_t clock_before = h.runner.state.clock_us;
    // Controllers send their events only when read: the keys as held now.
    tell(h, {Event::Kind::Keys, held_keys(h)});
    const Report report = run(h.runner, now_us(h));
    carry_out(h, report);
    h.wake_in_us = report.wake_in_us;
    desktop::keep_as_it_goes(h.kept, h.runner, report, h.runner.state.clock_us - clock_before);
    write_run_files(h.files, h.runner);
}

void end_on_hangup() { std::signal(SIGHUP, on_hangup); }

void turn(Host& h) {
    if (hung_up != 0) h.quit = true;
    if (h.quit) return;
    // The runner's wake-up in whole milliseconds, rounded up. SDL goes on
    // waiting through a signal, so the wait is cut short to look for one.
    const std::uint64_t wake_ms = h.wake_in_us == never ? signal_check_ms : (h.wake_in_us + 999) / 1000;
    serve_events(h, static_cast<std::uint32_t>(
                        std::min<std::uint64_t>({wake_ms, signal_check_ms, ms_until_flush(h.files)})));
    if (hung_up != 0) h.quit = true;
    if (!h.quit) run_now(h);
}

void change_settings(Host& h, Change change) {
    desktop::Settings now = h.window.settings;
    if (!desktop::change_settings(change, now, h.stored)) return;
    if (now.mute) silence(h.audio);
    if (!change_window(h.window, now)) {
        h.quit = true;
        return;
    }
    if (change != Change::leave_full_screen) desktop::write_settings(h.settings_file, h.stored, h.settings_said);
}

void finish(Host& h) {
    desktop::keep_now(h.kept, h.runner);
    desktop::let_go(h.kept);
    const std::int32_t depth = depth_to_keep(h.runner);
    if (depth >= 0) keep_best_depth(h.best, h.window, depth);
    close_run_files(h.files, h.runner);
    silence(h.audio);
    close_audio(h.audio);
    close_controllers(h.controllers);
    // On a display that is gone SDL would wait for ever to take the window
    // down: it is left to the program's end, and SDL with it.
    if (h.display_lost) h.window.window = nullptr;
    close_window(h.window);
    if (!h.display_lost) SDL_Quit();
}

}  // namespace murlo::sdl
