#include "runner/runner.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "cycle/cycle.h"
#include "runs/trace_lines.h"

namespace murlo {

namespace {

constexpr std::uint64_t tick_us = std::uint64_t{tick_ms} * 1000;

void trace_line(Runner& r, std::string_view line) {
    if (!r.tracing) return;
    r.trace.append(line);
    r.trace.push_back('\n');
}

// The script's keys for the next poll; false once it is used up.
bool script_keys(Runner& r, InputBits& keys) {
    if (!runs::next_poll(r.script, r.script_place, keys)) return false;
    ++r.state.script_polls;
    return true;
}

// The calls of the advance just made, carried out at `at` on the runner's
// clock: what they show and play is kept for the next report, and the
// next call comes due after a wait, at the title's next pass, or at once.
void carry_out(Runner& r, std::uint64_t at) {
    RunState& s = r.state;
    bool waits = false;
    for (int i = 0; i < r.calls.count; ++i) {
        const Call& call = r.calls.call[i];
        if (r.tracing) trace_line(r, runs::call_line(r.calls, call).view());
        switch (call.kind) {
            case Call::Kind::Present:
                s.shown = r.calls.frame[call.frame];
                s.picture_us = at;
                break;
            case Call::Kind::Sound:
                s.sound = static_cast<std::int8_t>(call.sound);
                s.sound_start_us = at;
                break;
            case Call::Kind::Stop:
                s.sound = no_sound;
                s.sound_start_us = at;
                break;
            case Call::Kind::Wait:
                s.due_us = at + call.ticks * tick_us;
                waits = true;
                break;
        }
    }
    if (waits) return;
    switch (r.calls.outcome) {
        case Outcome::Started:
        case Outcome::BackToTitle:
            s.title_start_us = at;
            s.title_passes = 0;
            s.due_us = at;
            break;
        case Outcome::TitlePass:
            ++s.title_passes;
            s.due_us = s.title_start_us + s.title_passes * title_pass_us;
            break;
        default:
            s.due_us = at;
            break;
    }
}

// One advance at `at`: a poll and what follows it, or the next calls of a
// closing sequence. False when a poll finds the script used up and the
// run ends with it.
bool advance_at(Runner& r, InputBits player_keys, std::uint64_t at, Report* report) {
    RunState& s = r.state;
    const bool poll = awaits_poll(s.game);
    InputBits keys = 0;
    bool players = true;
    if (poll) {
        // A run that ends with its script ends at its first poll when there
        // is none, or none left.
        if (r.end_with_script && s.script_done) return false;
        if (!s.script_done) {
            if (script_keys(r, keys)) {
                players = false;
            } else {
                if (r.end_with_script) return false;
                s.script_done = true;
                r.speed = 1;
            }
        }
        if (players) {
            keys = static_cast<InputBits>((player_keys | s.resume_keys) & input::all);
            s.resume_keys = 0;
        }
        r.writer.add(keys, r.record);
        if (r.tracing) trace_line(r, runs::poll_line(keys).view());
    }
    advance(s.game, keys, r.calls, r.drawing);
    carry_out(r, at);
    // The best depth counts the games the player's keys began, not those a
    // played script began (even when the player takes one over).
    switch (r.calls.outcome) {
        case Outcome::TitleLeft:
            s.counts = players;
            ghost_follows(r, at);  // a ghost races from the moment the game begins
            break;
        case Outcome::BackToTitle:
            s.ghost.present = false;  // the race is over with the game
            break;
        case Outcome::LevelDone:
            if (report != nullptr) report->level_done = true;
            break;
        case Outcome::Died:
        case Outcome::Won:
            if (report != nullptr) report->game_over = true;
            if (s.counts && s.game.depth > s.best) {
                s.best = s.game.depth;
                if (report != nullptr) report->best = true;
            }
            s.counts = false;
            break;
        default: break;
    }
    return true;
}

// How many title passes from the next on until the picture differs from
// the one the last pass drew: a speck moves a row, or the prompt shows or
// hides (the title's clock is the random state, one more each pass).
std::uint32_t passes_to_change(const Game& g) {
    const std::uint32_t s = g.well.rng_state;
    const std::uint32_t in_blink = s % 500;
    std::uint32_t n = in_blink == 0 ? 0 : in_blink <= 301 ? 301 - in_blink : 500 - in_blink;
    for (const std::uint32_t seed : g.speck_seed) n = std::min(n, (100 - (seed + s) % 100) % 100);
    return n;
}

// Microseconds of the runner's clock as the host's.
std::uint64_t host_time(const Runner& r, std::uint64_t us) {
    if (watching(r) && r.speed != 1) return static_cast<std::uint64_t>(std::ceil(static_cast<double>(us) / r.speed));
    return us;
}

void report_changes(Runner& r, Report& report) {
    const RunState& s = r.state;
    const LcdFrame picture = runner_picture(r);
    const bool picture_changed = !r.told_picture || s.paused != r.told_paused ||
                                 std::equal(std::begin(picture.row), std::end(picture.row),
                                            std::begin(r.told_shown.row)) == false;
    if (picture_changed) {
        report.picture = true;
        r.told_picture = true;
        r.told_shown = picture;
        r.told_paused = s.paused;
    }
    if (s.sound != r.told_sound || s.sound_start_us != r.told_sound_start_us) {
        report.sound = true;
        r.told_sound = s.sound;
        r.told_sound_start_us = s.sound_start_us;
    }
    report.sound_at_us = s.clock_us - s.sound_start_us;
}

}  // namespace

void start_runner(Runner& r, runs::Script script, std::int32_t best) {
    r.state = RunState{};
    r.state.sound = no_sound;
    r.state.best = best;
    r.script = std::move(script);
    r.script_place = {};
    r.ghost_run.clear();
    r.ghost_place = {};
    r.state.script_done = r.script.empty();
    r.speed = 1;
    r.writer = runs::ScriptWriter{};
    r.record.clear();
    r.trace.clear();
    r.host_seen = false;
    r.host_us = 0;
    r.hidden = false;
    r.pending = Report{};
    r.told_picture = false;
    r.told_sound = no_sound;
    r.told_sound_start_us = 0;
    start_up(r.state.game, r.calls);
    r.state.shown = r.state.game.lcd;
    carry_out(r, 0);
}

namespace {

// The runner's clock moved to `at_us` on the host's: everything due by
// then, in order, with the keys held as the host last said. A title pass
// runs at its own time, so passes missed are made up; anything else runs
// no earlier than late_limit_us ago, so a host that ran late does not race
// to catch up.
void advance_to(Runner& r, std::uint64_t at_us) {
    RunState& s = r.state;
    const std::uint64_t elapsed = r.host_seen && at_us > r.host_us ? at_us - r.host_us : 0;
    if (!r.host_seen || at_us > r.host_us) r.host_us = at_us;
    r.host_seen = true;
    if (s.paused || r.hidden || r.pending.ended) return;
    // A long gap counts as a second, but never cuts short a wait the host
    // was asked to sleep through (the game over's 4.5 s, the ending's 9 s).
    const std::uint64_t asked = s.due_us > s.clock_us ? host_time(r, s.due_us - s.clock_us) : 0;
    std::uint64_t passed = std::min(elapsed, std::max(longest_jump_us, asked));
    if (watching(r) && r.speed != 1) passed = static_cast<std::uint64_t>(static_cast<double>(passed) * r.speed);
    s.clock_us += passed;
    while (true) {
        // A racing ghost's calls in their turn: before the player's that
        // come due after them.
        std::uint64_t ghost_at = never;
        if (ghost_due(r, ghost_at) && ghost_at <= s.clock_us && ghost_at < s.due_us) {
            advance_ghost(r);
            continue;
        }
        if (s.due_us > s.clock_us) break;
        const bool title = awaits_poll(s.game) && s.game.phase == Phase::Title;
        const std::uint64_t at = title ? s.due_us : std::max(s.due_us, s.clock_us - std::min(s.clock_us, late_limit_us));
        if (!advance_at(r, s.last_keys, at, &r.pending)) {
            r.pending.ended = true;
            break;
        }
    }
}

void pause_game(Runner& r) {
    if (in_game(r)) r.state.paused = true;
}

}  // namespace

void handle(Runner& r, std::uint64_t at_us, Event event) {
    RunState& s = r.state;
    advance_to(r, at_us);
    switch (event.kind) {
        case Event::Kind::Keys: {
            const InputBits keys = event.keys & input::all;
            const InputBits pressed = keys & ~s.last_keys;
            s.last_keys = keys;
            if (pressed == 0) break;
            r.hidden = false;  // a key comes to a window in front
            // A paused game goes on; otherwise the press is held for the
            // player's next poll (none is kept while a script plays).
            if (s.paused) {
                s.paused = false;
                s.resume_keys |= pressed;
            } else if (!watching(r)) {
                s.resume_keys |= pressed;
            }
            break;
        }
        case Event::Kind::Pause:
            r.hidden = false;
            if (s.paused)
                s.paused = false;
            else
                pause_game(r);
            break;
        case Event::Kind::FocusLost: pause_game(r); break;
        case Event::Kind::Hidden:
            pause_game(r);
            r.hidden = true;
            break;
        case Event::Kind::Shown: r.hidden = false; break;
    }
}

Report run(Runner& r, std::uint64_t now_us) {
    RunState& s = r.state;
    advance_to(r, now_us);
    Report report = std::exchange(r.pending, Report{});
    report.wake_in_us = never;
    report_changes(r, report);
    if (s.paused || r.hidden || report.ended) return report;
    std::uint64_t wake = s.due_us;
    // On the title with no key held or pressed, the next pass that changes
    // the picture (a key leaves the title at the next pass).
    if (awaits_poll(s.game) && s.game.phase == Phase::Title && ((s.last_keys | s.resume_keys) == 0 || !r.state.script_done)) {
        const std::uint64_t change = s.title_start_us + (s.title_passes + passes_to_change(s.game)) * title_pass_us;
        wake = std::max(change, s.picture_us + title_picture_us);
    }
    std::uint64_t ghost_at = never;
    if (ghost_due(r, ghost_at)) wake = std::min(wake, ghost_at);
    wake = std::min(wake, ghost_blink_change(r));
    report.wake_in_us = wake > s.clock_us ? host_time(r, wake - s.clock_us) : 0;
    return report;
}

bool advance_once(Runner& r, InputBits keys) {
    RunState& s = r.state;
    if (s.ghost.present) {
        // Without a clock of its own, time is what the calls say it is, so
        // that a ghost keeps its place beside the game.
        s.clock_us = std::max(s.clock_us, s.due_us);
        std::uint64_t ghost_at = never;
        while (ghost_due(r, ghost_at) && ghost_at < s.clock_us) advance_ghost(r);
    }
    return advance_at(r, keys, s.clock_us, nullptr);
}

LcdFrame runner_picture(const Runner& r) { return with_ghost(r, r.state.shown); }

void hold(Runner& r) { pause_game(r); }

void play_now(Runner& r, const runs::Script& polls) {
    RunState& s = r.state;
    s.resume_keys = 0;
    for (const runs::ScriptRun& run : polls)
        for (std::uint64_t i = 0; i < run.count; ++i) {
            while (!awaits_poll(s.game)) advance_at(r, 0, s.clock_us, &r.pending);
            advance_at(r, run.value, s.clock_us, &r.pending);
        }
}

void take_over(Runner& r) {
    r.state.script_done = true;
    r.speed = 1;
}

void set_speed(Runner& r, double speed) { r.speed = speed > 0 ? speed : 1; }

void set_best(Runner& r, std::int32_t best) { r.state.best = std::max(r.state.best, best); }

std::int32_t depth_to_keep(const Runner& r) {
    return r.state.counts && in_game(r) ? r.state.game.depth : -1;
}

std::string recorded_script(const Runner& r) {
    runs::ScriptWriter writer = r.writer;
    std::string text = r.record;
    writer.finish(text);
    return text;
}

std::string take_trace(Runner& r) { return std::exchange(r.trace, std::string{}); }

void close_trace(Runner& r) { trace_line(r, runs::quit_line); }

}  // namespace murlo
