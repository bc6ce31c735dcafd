// A race against a ghost, on a fake clock: the ghost's well is the
// player's when its scoring game is its run's first, it shows over the
// player's picture but never over the digger, the player's run and trace
// are those of the same keys without it, and it keeps its place through a
// save state and a kept game.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "runner/snapshot.h"
#include "runner/state.h"
#include "session/session.h"
#include "support/helpers.h"

namespace murlo {
namespace {

// The player's keys: restless, in stretches of 0.4 s of the game's time.
InputBits keys_at(std::uint64_t us) {
    const InputBits choices[] = {input::Down, input::Down, input::Right, input::Left, 0, input::Down | input::Left};
    return choices[(us / 400000 * 2654435761u >> 11) % 6];
}

// Runs from `from` to `to` on the host's clock, the keys told at each run.
void play(Runner& r, std::uint64_t from, std::uint64_t to, int* ghost_shown = nullptr) {
    for (std::uint64_t t = from; t < to; t += 15000) {
        handle(r, t, {Event::Kind::Keys, keys_at(t)});
        run(r, t);
        if (ghost_shown == nullptr) continue;
        const LcdFrame picture = runner_picture(r);
        for (int y = 0; y < lcd_size; ++y) {
            const std::uint32_t drawn = picture.row[y] ^ r.state.shown.row[y];
            *ghost_shown += drawn != 0;
            if (y >= 12 && y < 20) {
                EXPECT_EQ(drawn & 0x000FF000u, 0u) << "the ghost hid the digger";
            }
        }
    }
}

TEST(Ghost, ARaceLeavesThePlayersRunAsItIsAndKeepsItsPlace) {
    const runs::Script level1 = testing::committed_script("level1.script");
    auto s = std::make_unique<Session>();
    open_session(*s, Opening{});
    s->runner.tracing = true;
    std::string problem;
    // A run that reaches no depth races no one.
    EXPECT_FALSE(race(*s, runs::script_of({0, 0, 0}), -1, problem));
    EXPECT_FALSE(race(*s, level1, 101, problem));
    EXPECT_EQ(problem, "its run reaches depth 100, not 101");
    ASSERT_TRUE(race(*s, level1, 100, problem)) << problem;
    Runner& r = s->runner;
    // Its scoring game is its run's first: the player starts on its well.
    EXPECT_TRUE(s->same_well);
    EXPECT_EQ(r.state.game.phase, Phase::Play);
    const std::string before_play = recorded_script(r);
    EXPECT_EQ(before_play.rfind("00*", 0), 0u);

    int shown = 0;
    play(r, 0, 10000000, &shown);
    EXPECT_GT(shown, 0) << "the ghost never showed";
    EXPECT_GT(r.state.ghost.polls, 150u);
    EXPECT_EQ(ghost_words(r).rfind("GHOST ", 0), 0u);

    // A save state and a kept game, taken mid-race, go on as the race does.
    std::uint8_t state[state_bytes];
    save_state(r, state);
    const std::string kept = write_snapshot(r);
    auto from_state = std::make_unique<Runner>(r);
    start_runner(*from_state, {}, 0);
    from_state->ghost_run = level1;
    ASSERT_EQ(load_state(*from_state, state, sizeof state), nullptr);
    auto from_kept = std::make_unique<Runner>();
    start_runner(*from_kept, {}, 0);
    ASSERT_EQ(read_snapshot(*from_kept, kept), nullptr);
    EXPECT_TRUE(from_kept->state.ghost.present);
    play(r, 10000000, 20000000);
    for (Runner* other : {from_state.get(), from_kept.get()}) {
        other->tracing = false;
        run(*other, 9990000);  // the host's clock as it read at the last run before
        play(*other, 10000000, 20000000);
        std::uint8_t a[state_bytes], b[state_bytes];
        save_state(r, a);
        save_state(*other, b);
        EXPECT_EQ(std::memcmp(a, b, state_bytes), 0);
    }

    // The same keys without a ghost: the very same run and trace.
    auto plain = std::make_unique<Runner>();
    plain->tracing = true;
    start_runner(*plain, {}, 0);
    runs::Script start;
    runs::ScriptError error;
    ASSERT_TRUE(runs::parse_script(before_play, start, error));
    play_now(*plain, start);
    play(*plain, 0, 20000000);
    EXPECT_EQ(recorded_script(*plain), recorded_script(r));
    EXPECT_TRUE(plain->trace == r.trace);
}

}  // namespace
}  // namespace murlo
