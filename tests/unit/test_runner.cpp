// The runner on a fake clock, as a host drives it: a script played and
// taken over, a player holding keys for stretches of the game's time,
// pauses, the title's pace, and save states taken and loaded at every
// call of the closing sequences. The trace must be the replay tool's for
// the run the runner recorded, and the same with or without the pauses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cycle/cycle.h"
#include "game/invariants.h"
#include "game/state.h"
#include "runner/runner.h"
#include "runner/snapshot.h"
#include "runner/state.h"
#include "runs/script.h"
#include "support/helpers.h"

namespace murlo {
namespace {

// Keys held for stretches of 0.3 s of the game's time (the host's, less
// pauses), restless enough to dig, die and start again.
InputBits keys_at(std::uint64_t clock_us) {
    const InputBits choices[] = {0, input::Down, input::Down, input::Right, input::Left,
                                 input::Up, input::Z, input::Down | input::Right};
    const std::uint32_t stretch = static_cast<std::uint32_t>(clock_us / 300000);
    return choices[(stretch * 2654435761u >> 13) % 8];
}

struct Drive {
    bool pauses;           // pause now and then (while the game runs), then go on
    bool reload_closing;   // save and load the state before every run in a closing sequence
    bool suspend;          // suspended in closing pictures after a minute, and resumed by a new runner
};

struct Driven {
    std::string trace;
    std::string record;
    std::uint32_t title_passes_first_title;
    int closings_reloaded = 0;
    int pauses_made = 0;
    int long_waits_slept = 0;  // waits over a second, slept through in one go
    bool suspended = false;
};

Driven drive(const runs::Script& script, Drive how) {
    auto runner = std::make_unique<Runner>();
    Runner& r = *runner;
    r.tracing = true;
    start_runner(r, script, 0);
    Driven out{};
    std::uint64_t now = 0;       // the host's clock
    std::uint64_t held_us = 0;   // the part of it that is not the game's: pauses, the time between programs
    std::uint64_t last_run = 0;  // when the runner last ran
    std::uint64_t long_wait_due = 0;
    std::uint64_t next_pause_us = 4000000;
    int run_count = 0;
    std::uint8_t state[state_bytes];
    bool first_title = true;
    std::string traced_before;
    // Two and a half minutes, ended at a poll: the replay ends there too.
    while (r.state.clock_us < 150000000 || !awaits_poll(r.state.game)) {
        if (how.suspend && traced_before.empty() && !awaits_poll(r.state.game) && r.state.clock_us > 60000000) {
            const std::string kept = write_snapshot(r);
            out.suspended = true;
            traced_before = take_trace(r);
            r = Runner{};
            r.tracing = true;
            start_runner(r, {}, 0);
            r.trace.clear();
            EXPECT_EQ(read_snapshot(r, kept), nullptr);
            EXPECT_TRUE(trace_before(r) == traced_before);  // made again from the run alone
            // The next program's clock, from wherever it starts: its first
            // run is at the moment the last one kept the game.
            now += 1000000000;
            held_us += 1000000000;
            run(r, last_run + 1000000000);
        }
        if (how.reload_closing && !awaits_poll(r.state.game)) {
            save_state(r, state);
            EXPECT_EQ(load_state(r, state, sizeof state), nullptr);
            ++out.closings_reloaded;
        }
        // The player takes over part way through the script.
        if (watching(r) && r.state.script_polls >= 650) take_over(r);
        handle(r, now, {Event::Kind::Keys, keys_at(now - held_us)});
        const Report report = run(r, now);
        last_run = now;
        // A host that slept through a long wait it was asked to wait finds
        // it over: the gap is no machine asleep.
        if (long_wait_due != 0) {
            EXPECT_GE(r.state.clock_us, long_wait_due);
            ++out.long_waits_slept;
            long_wait_due = 0;
        }
        EXPECT_EQ(check_invariants(r.state.game, first_check_of_game), nullptr);
        if (first_title && r.state.game.phase != Phase::Title) {
            first_title = false;
            out.title_passes_first_title = r.state.title_passes;
        }
        EXPECT_NE(report.wake_in_us, never);
        std::uint64_t elapsed = report.wake_in_us;
        // Now and then a run comes early, as when a key or a window event
        // wakes the host.
        if (++run_count % 7 == 0) elapsed /= 2;
        if (elapsed > longest_jump_us && elapsed == report.wake_in_us && !how.pauses) long_wait_due = r.state.due_us;
        if (how.pauses && in_game(r) && r.state.clock_us >= next_pause_us) {
            // Paused part way to the next run: the part before counts, the
            // pause does not, and the part after going on does.
            next_pause_us = r.state.clock_us + 9000000;
            handle(r, now + elapsed / 3, {Event::Kind::Pause});
            EXPECT_TRUE(paused(r));
            const std::string before = r.trace;
            for (int i = 1; i <= 5; ++i) {
                const Report held = run(r, now + elapsed / 3 + i * 100000);
                EXPECT_EQ(held.wake_in_us, never);
            }
            EXPECT_EQ(r.trace, before);  // a paused game makes no call
            now += 500000;
            held_us += 500000;
            handle(r, now + elapsed / 3, {Event::Kind::Pause});
            ++out.pauses_made;
        }
        now += elapsed;
    }
    close_trace(r);
    out.trace = traced_before + r.trace;
    out.record = recorded_script(r);
    return out;
}

TEST(Runner, OnAClockItPlaysWhatTheReplayToolPlaysOfTheRunItRecorded) {
    const runs::Script level1 = testing::committed_script("level1.script");
    std::vector<InputBits> first = testing::script_values(level1);
    first.resize(700);
    const runs::Script script = runs::script_of(first);

    const Driven plain = drive(script, {false, false, false});
    // The whole run as recorded, the played script's polls first, replays
    // to the very same trace.
    EXPECT_TRUE(plain.trace == testing::run_script(plain.record.c_str()));
    EXPECT_NE(plain.trace.find("sound auu.wav"), std::string::npos);   // a death, the closing pictures,
    EXPECT_NE(plain.trace.find("sound otukare.wav"), std::string::npos);
    EXPECT_GT(plain.trace.rfind("sound title.wav"), plain.trace.find("sound auu.wav"));  // the title again
    EXPECT_GT(plain.long_waits_slept, 0);

    // Pauses leave no mark, and neither does a state saved and loaded
    // again at every call of a closing sequence.
    const Driven paused = drive(script, {true, true, false});
    EXPECT_GT(paused.pauses_made, 5);
    EXPECT_GT(paused.closings_reloaded, 100);
    EXPECT_TRUE(paused.trace == plain.trace);
    EXPECT_EQ(paused.record, plain.record);

    // Nor does a game suspended and resumed by another runner: the run
    // goes on as one, and records as one.
    const Driven resumed = drive(script, {false, false, true});
    EXPECT_TRUE(resumed.suspended);
    EXPECT_TRUE(resumed.trace == plain.trace);
    EXPECT_EQ(resumed.record, plain.record);
}

TEST(Runner, TitlePassesComeOneAMillisecondAndPicturesAtMostFifteenASecond) {
    const auto runner = std::make_unique<Runner>();
    Runner& r = *runner;
    start_runner(r, {}, 0);
    int pictures = 0;
    std::uint64_t host_us = 0;
    Report report = run(r, 0);
    while (host_us < 10000000) {
        host_us += report.wake_in_us;
        report = run(r, host_us);
        pictures += report.picture;
    }
    EXPECT_EQ(r.state.title_passes, r.state.clock_us / 1000 + 1);  // every pass due has run
    EXPECT_LE(pictures, 151);
    EXPECT_GE(pictures, 120);
    // Z pressed 2.5 s after the title began gives the board of the 2,502nd
    // pass, however the host's runs fell and whenever it told of the key.
    Runner a = r, b = r;
    start_runner(a, {}, 0);
    start_runner(b, {}, 0);
    run(a, 0);
    run(a, 900000);
    run(a, 1800000);
    handle(a, 2500000, {Event::Kind::Keys, input::Z});
    run(a, 2600000);
    run(b, 5000);
    for (int i = 1; i <= 25; ++i) run(b, 5000 + i * 99000);
    handle(b, 5000 + 2500000, {Event::Kind::Keys, input::Z});
    handle(b, 5000 + 2500300, {Event::Kind::Keys, 0});  // a tap, let go before the next pass
    run(b, 5000 + 2504000);
    EXPECT_EQ(a.state.game.phase, Phase::Play);
    EXPECT_EQ(b.state.game.phase, Phase::Play);
    EXPECT_EQ(a.state.game.well.rng_state, b.state.game.well.rng_state);
    EXPECT_EQ(a.state.title_passes, 2501u);
    // A jump of a minute counts as a second.
    Runner c = a;
    start_runner(c, {}, 0);
    run(c, 0);
    handle(c, 60000000, {Event::Kind::Keys, input::Z});
    run(c, 60000000);
    EXPECT_EQ(c.state.title_passes, 1001u);
}

// A pause, however long and however late the host runs after it, leaves
// the game where no pause would have: the pause begins and ends at the
// times the host gives. On a host's late turn (it serves the pause key
// before it runs the game), the time before the pause still counts.
TEST(Runner, APauseOfFiveSecondsLeavesTheGameWhereNoneWould) {
    const auto play = [&](std::uint64_t pause_us) {
        auto r = std::make_unique<Runner>();
        r->tracing = true;
        start_runner(*r, {}, 0);
        run(*r, 0);
        handle(*r, 0, {Event::Kind::Keys, input::Z});
        handle(*r, 30000, {Event::Kind::Keys, input::Down});
        // A turn 2 s late: the host serves P at 2.2 s before it runs.
        handle(*r, 2200000, {Event::Kind::Pause});
        EXPECT_TRUE(paused(*r));
        run(*r, 2200000 + pause_us / 2);
        handle(*r, 2200000 + pause_us, {Event::Kind::Pause});
        for (std::uint64_t t = 2200000 + pause_us; t <= 4000000 + pause_us; t += 7000) run(*r, t);
        auto out = std::make_pair(take_trace(*r), r->state.game.depth);
        return out;
    };
    const auto none = play(0), five = play(5000000);
    EXPECT_GT(none.second, 0);
    EXPECT_TRUE(none.first == five.first);
    EXPECT_EQ(none.second, five.second);
}

TEST(Runner, AStateOrSnapshotOfAnotherKindVersionOrContentLeavesTheRunnerAsItWas) {
    const auto runner = std::make_unique<Runner>();
    Runner& r = *runner;
    start_runner(r, testing::committed_script("level1.script"), 12);
    for (int i = 0; i < 200; ++i) run(r, 45000 * i);
    std::uint8_t good[state_bytes];
    save_state(r, good);
    std::uint8_t before[state_bytes];
    save_state(r, before);

    const auto refused = [&](std::uint8_t* bytes, std::size_t size, StateKind expected) {
        StateKind kind = StateKind::Good;
        EXPECT_NE(load_state(r, bytes, size, &kind), nullptr);
        EXPECT_EQ(kind, expected);
        std::uint8_t after[state_bytes];
        save_state(r, after);
        EXPECT_EQ(std::memcmp(before, after, state_bytes), 0);
    };
    std::uint8_t bad[state_bytes];
    std::memcpy(bad, good, state_bytes);
    bad[0] = 'X';
    refused(bad, state_bytes, StateKind::Foreign);
    std::memcpy(bad, good, state_bytes);
    bad[7] = '9';
    refused(bad, state_bytes, StateKind::OtherVersion);
    refused(good, state_bytes - 1, StateKind::Damaged);
    std::memcpy(bad, good, state_bytes);
    bad[state_header_bytes + game_bytes - 32] = 9;  // the phase
    refused(bad, state_bytes, StateKind::Damaged);
    std::memcpy(bad, good, state_bytes);
    bad[state_bytes - ghost_field_bytes - 2] = 0xFF;  // the script's place, far past its end
    refused(bad, state_bytes, StateKind::Damaged);

    // Snapshots: the state, then the run's script. A damaged run, a
    // snapshot cut inside its state and another version's are refused too.
    const std::string snapshot = write_snapshot(r);
    const auto snapshot_refused = [&](const std::string& bytes, StateKind expected) {
        StateKind kind = StateKind::Good;
        EXPECT_NE(read_snapshot(r, bytes, &kind), nullptr);
        EXPECT_EQ(kind, expected);
        std::uint8_t after[state_bytes];
        save_state(r, after);
        EXPECT_EQ(std::memcmp(before, after, state_bytes), 0);
    };
    snapshot_refused(snapshot + "zz", StateKind::Damaged);
    snapshot_refused(snapshot.substr(0, state_bytes / 2), StateKind::Damaged);
    std::string other = snapshot;
    other[7] = '4';
    snapshot_refused(other, StateKind::OtherVersion);
    snapshot_refused("", StateKind::Foreign);

    // And a good one is the game it was.
    Runner copy = r;
    EXPECT_EQ(load_state(copy, good, state_bytes), nullptr);
    std::uint8_t again[state_bytes];
    save_state(copy, again);
    EXPECT_EQ(std::memcmp(good, again, state_bytes), 0);
}

// Undrawn, the game plays the very same: after every advance of a whole
// won game, the Game is the drawn one's but for the picture, and each
// advance says the same. Only the drawn one's picture changes.
TEST(Runner, UndrawnTheGamePlaysTheSameButForThePicture) {
    const runs::Script win = testing::committed_script("win.script");
    auto drawn = std::make_unique<Runner>();
    auto undrawn = std::make_unique<Runner>();
    undrawn->drawing = false;
    for (Runner* r : {drawn.get(), undrawn.get()}) {
        r->end_with_script = true;
        start_runner(*r, win, 0);
    }
    const auto bytes = [](Game g) {
        g.lcd = LcdFrame{};
        std::vector<std::uint8_t> out(game_bytes);
        ByteWriter w{out.data()};
        write_game(w, g);
        return out;
    };
    const auto same = [](const LcdFrame& a, const LcdFrame& b) {
        return std::memcmp(a.row, b.row, sizeof a.row) == 0;
    };
    int frames = 0;
    int drawn_changes = 0;
    int undrawn_changes = 0;
    for (;;) {
        const LcdFrame drawn_before = drawn->state.game.lcd;
        const LcdFrame undrawn_before = undrawn->state.game.lcd;
        const bool more = advance_once(*drawn, 0);
        ASSERT_EQ(advance_once(*undrawn, 0), more);
        if (!more) break;
        ASSERT_EQ(undrawn->calls.outcome, drawn->calls.outcome) << frames;
        ASSERT_TRUE(bytes(undrawn->state.game) == bytes(drawn->state.game)) << frames;
        if (drawn->calls.outcome != Outcome::Frame) continue;
        ++frames;
        drawn_changes += !same(drawn_before, drawn->state.game.lcd);
        undrawn_changes += !same(undrawn_before, undrawn->state.game.lcd);
    }
    EXPECT_EQ(undrawn->state.game.depth, 1000);
    EXPECT_GT(frames, 5000);
    EXPECT_GT(drawn_changes, frames / 2);
    EXPECT_EQ(undrawn_changes, 0);
}

}  // namespace
}  // namespace murlo
