// The game cycle: the keys each step latches, two games side by side, a
// saved game as a plain copy, and what each step says it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cycle/cycle.h"
#include "game/game.h"
#include "game/invariants.h"
#include "game/rules.h"
#include "host/replay/replay.h"
#include "runs/trace_lines.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::TestGame;
using Lines = std::vector<std::string>;

TEST(GameCycle, EachStepLatchesItsKeysAndKeepsThePollBefore) {
    TestGame host;
    host.start();
    EXPECT_EQ(host.step(input::Up), Outcome::TitleLeft);
    const InputBits keys[] = {0x01, 0x08, 0x00, 0x1F};
    InputBits before = input::Up;  // left from the title
    for (const InputBits k : keys) {
        EXPECT_EQ(host.step(k), Outcome::Frame);
        EXPECT_EQ(host.g.prev_input, before);
        EXPECT_EQ(host.g.cur_input, k);
        before = k;
    }
}

TEST(GameCycle, AGameFramePresentsThenWaitsFiveTicks) {
    TestGame host;
    host.start();
    host.play({input::Down, 0x00});
    const Lines lines = host.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{"sound title.wav", "poll 08", "stop", "poll 00"}));
    EXPECT_EQ(lines[4].rfind("present ", 0), 0u);
    EXPECT_EQ(lines[5], "wait 5");
    EXPECT_EQ(host.g.well.fall_delay, first_fall_delay);
    EXPECT_EQ(host.g.air, air_full - 10);  // one frame's drain
}

// Keys as a restless player might press them: runs of one value, of
// lengths up to 40, so games begin, dig, die and begin again.
std::vector<InputBits> restless_keys(int count) {
    const InputBits choices[] = {0, input::Down, input::Down, input::Right, input::Left,
                                 input::Up, input::Z, input::Down | input::Right};
    std::vector<InputBits> keys;
    std::uint32_t state = 2024;
    while (static_cast<int>(keys.size()) < count) {
        state = state * 1103515245u + 12345u;
        keys.insert(keys.end(), (state >> 20) % 40 + 1, choices[(state >> 16) % 8]);
    }
    keys.resize(static_cast<std::size_t>(count));
    return keys;
}

TEST(GameCycle, TwoGamesSteppedInTurnEachGiveTheTraceTheyGiveAlone) {
    const std::vector<InputBits> level1 = testing::script_values(testing::committed_script("level1.script"));
    const std::vector<InputBits> restless = restless_keys(6000);
    const std::string level1_alone = testing::run_script(runs::script_of(level1));
    const std::string restless_alone = testing::run_script(runs::script_of(restless));
    ASSERT_NE(restless_alone.find("sound auu.wav"), std::string::npos);  // a death and a new game
    ASSERT_NE(level1_alone.find("sound maru.wav"), std::string::npos);

    // Both in one process, an advance of one and then an advance of the
    // other, through the same Calls, each traced as the replay tool traces it.
    const auto calls = std::make_unique<Calls>();
    Game a{};
    Game b{};
    replay::Trace a_trace;
    replay::Trace b_trace;
    start_up(a, *calls);
    replay::trace_calls(*calls, a_trace);
    start_up(b, *calls);
    replay::trace_calls(*calls, b_trace);
    const auto turn = [&](Game& g, const std::vector<InputBits>& keys, std::size_t& i, replay::Trace& trace) {
        if (!awaits_poll(g)) {
            advance(g, 0, *calls);
        } else {
            if (i >= keys.size()) return false;
            trace.line(runs::poll_line(keys[i]).view());
            advance(g, keys[i++], *calls);
        }
        replay::trace_calls(*calls, trace);
        return true;
    };
    std::size_t i = 0, j = 0;
    bool a_on = true, b_on = true;
    while (a_on || b_on) {
        a_on = a_on && turn(a, level1, i, a_trace);
        b_on = b_on && turn(b, restless, j, b_trace);
    }
    a_trace.line(runs::quit_line);
    b_trace.line(runs::quit_line);
    EXPECT_TRUE(a_trace.text() == level1_alone);
    EXPECT_TRUE(b_trace.text() == restless_alone);
}

TEST(GameCycle, ASavedGameIsACopyThatPlaysOnAsTheOriginalDid) {
    const std::vector<InputBits> keys = testing::script_values(testing::committed_script("level1.script"));
    // Copies taken on the title, in the middle of the level, and a few rows
    // before it ends, so that the last one plays through the result, the
    // lowered fall delay and a new board from the random source.
    struct Saved {
        Game game;
        std::size_t next_key;
        std::size_t lines_before;
    };
    std::vector<Saved> saved;
    TestGame original;
    original.start();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Game& g = original.g;
        const bool on_title = g.phase == Phase::Title && i == 1;
        const bool mid_level = g.phase == Phase::Play && saved.size() == 1 && g.depth == 50;
        const bool near_end = g.phase == Phase::Play && saved.size() == 2 && g.depth == 97;
        if (on_title || mid_level || near_end) saved.push_back({g, i, original.lines().size()});
        original.step(keys[i]);
    }
    ASSERT_EQ(saved.size(), 3u);
    const Lines whole = original.lines();
    ASSERT_EQ(original.g.well.fall_delay, first_fall_delay - 1);  // the level was done

    for (const Saved& s : saved) {
        TestGame copy;
        copy.g = s.game;
        copy.play(std::vector<InputBits>(keys.begin() + static_cast<long>(s.next_key), keys.end()));
        EXPECT_TRUE(copy.lines() == Lines(whole.begin() + static_cast<long>(s.lines_before), whole.end()))
            << "copy taken before key " << s.next_key;
    }

    // A fresh Game is the program as it loads: the replay tool's trace. And
    // start-up forgets whatever game was played before.
    Lines program = testing::split_lines(testing::run_script(runs::script_of(keys)));
    ASSERT_EQ(program.back(), runs::quit_line);
    program.pop_back();
    EXPECT_TRUE(whole == program);
    TestGame again;
    again.g = original.g;
    again.start();
    again.play(keys);
    EXPECT_TRUE(again.lines() == whole);
}

// What a step's own trace lines show it was; Started for anything else.
Outcome shown_by(const Lines& lines) {
    const auto has = [&](const char* line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    if (lines == Lines{"stop"}) return Outcome::TitleLeft;
    if (lines.size() == 1 && lines[0].rfind("present ", 0) == 0) return Outcome::TitlePass;
    const bool presents = std::any_of(lines.begin(), lines.end(),
                                      [](const std::string& l) { return l.rfind("present ", 0) == 0; });
    if (!presents) return Outcome::Started;
    if (has("sound auu.wav")) return Outcome::Died;
    if (has("sound ending.wav")) return Outcome::Won;
    if (has("sound maru.wav")) return Outcome::LevelDone;
    if (lines.back() == "wait 5") return Outcome::Frame;
    return Outcome::Started;
}

// Every advance stops at a poll or right after a wait, within the small
// room Calls has, and leaves a game the invariants accept, in the middle
// of a closing sequence too; the advances from one poll to the next show
// what the poll's advance said it was.
TEST(GameCycle, EachAdvanceStopsAtAPollOrAWaitAndSaysWhatItWas) {
    std::map<Outcome, int> seen;
    int most_calls = 0;
    for (const char* name : {"level1.script", "air.script", "win.script"}) {
        Game g{};
        Calls calls{};
        start_up(g, calls);
        EXPECT_EQ(calls.outcome, Outcome::Started);
        EXPECT_EQ(testing::call_lines(calls), Lines{"sound title.wav"});
        const std::vector<InputBits> keys = testing::script_values(testing::committed_script(name));
        std::int32_t depth = first_check_of_game;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            advance(g, keys[i], calls);
            const Outcome outcome = calls.outcome;
            Lines lines;
            for (;;) {
                const Lines listed = testing::call_lines(calls);
                lines.insert(lines.end(), listed.begin(), listed.end());
                most_calls = std::max<int>(most_calls, calls.count);
                for (std::size_t k = 0; k + 1 < listed.size(); ++k)
                    ASSERT_NE(listed[k].rfind("wait ", 0), 0u) << name << " key " << i << ": a wait before the end";
                if (outcome == Outcome::TitleLeft) depth = first_check_of_game;
                const char* broken = check_invariants(g, depth);
                ASSERT_EQ(broken, nullptr) << name << " key " << i << ": " << broken;
                depth = g.depth;
                if (awaits_poll(g)) break;
                ASSERT_EQ(listed.back().rfind("wait ", 0), 0u) << name << " key " << i << ": stopped short of a wait";
                advance(g, 0, calls);
                ASSERT_NE(calls.outcome, Outcome::Started);
                const bool back = awaits_poll(g) && g.phase == Phase::Title;
                EXPECT_EQ(calls.outcome, back ? Outcome::BackToTitle : Outcome::Closing);
            }
            ASSERT_EQ(static_cast<int>(outcome), static_cast<int>(shown_by(lines))) << name << " key " << i;
            ++seen[outcome];
            const bool on_title = outcome == Outcome::TitlePass || outcome == Outcome::Died ||
                                  outcome == Outcome::Won;
            EXPECT_EQ(g.phase, on_title ? Phase::Title : Phase::Play) << name << " key " << i;
            if (outcome == Outcome::Died || outcome == Outcome::Won) {
                EXPECT_EQ(lines.back(), "sound title.wav");
            }
        }
    }
    EXPECT_LE(most_calls, max_advance_calls);
    EXPECT_EQ(seen[Outcome::TitleLeft], 3);
    EXPECT_EQ(seen[Outcome::LevelDone], 1 + 9);
    EXPECT_EQ(seen[Outcome::Died], 1);
    EXPECT_EQ(seen[Outcome::Won], 1);
    EXPECT_GT(seen[Outcome::TitlePass], 2);
    EXPECT_GT(seen[Outcome::Frame], 5000);
}

}  // namespace
}  // namespace murlo
