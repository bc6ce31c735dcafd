#include "server/verify.h"

#include <algorithm>

#include "runner/headless.h"

namespace murlo::server {

std::uint64_t count_polls(const runs::Script& script, std::uint64_t most) {
    std::uint64_t polls = 0;
    for (const runs::ScriptRun& run : script) {
        polls += run.count;
        if (polls > most) break;
    }
    return polls;
}

Verdict verify(const runs::Script& script) {
    // Only what the rules did counts here: the pictures are left undrawn.
    const Played played = play_headless(script, false);
    return Verdict{played.depth, played.frames, played.games, played.scoring_polls};
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

}  // namespace murlo::server
