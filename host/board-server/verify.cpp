#include "host/board-server/verify.h"

#include <algorithm>
#include <memory>

#include "host/replay/replay.h"
#include "runner/runner.h"

namespace murlo::board {

namespace {

constexpr bool is_game_frame(Outcome o) {
    return o == Outcome::Frame || o == Outcome::LevelDone || o == Outcome::Died || o == Outcome::Won;
}

}  // namespace

std::uint64_t count_polls(const runs::Script& script, std::uint64_t most) {
    std::uint64_t polls = 0;
    for (const runs::ScriptRun& run : script) {
        polls += run.count;
        if (polls > most) break;
    }
    return polls;
}

Verdict verify(const runs::Script& script) {
    Verdict verdict;
    std::int64_t frames_in_game = 0;
    const auto runner = std::make_unique<Runner>();
    // Only what the rules did counts here: the pictures are left undrawn.
    runner->drawing = false;
    replay::play(*runner, script, [&](const Runner& r) {
        const Outcome outcome = r.calls.outcome;
        if (outcome == Outcome::TitleLeft) {
            ++verdict.games;
            frames_in_game = 0;
        }
        if (!is_game_frame(outcome)) return;
        ++frames_in_game;
        if (r.state.game.depth > verdict.depth) {
            verdict.depth = r.state.game.depth;
            verdict.frames = frames_in_game;
            verdict.scoring_polls = r.state.script_polls;
        }
    });
    return verdict;
}

runs::Script first_polls(const runs::Script& script, std::uint64_t polls) {
    runs::Script out;
    for (const runs::ScriptRun& run : script) {
        if (polls == 0) break;
        const std::uint64_t taken = std::min(run.count, polls);
        out.push_back({run.value, taken});
        polls -= taken;
    }
    return out;
}

}  // namespace murlo::board
