// Stepping a game as a host does, for the tools that play it: the keys of
// each poll go in, and what the step was comes back as its outcome. The
// calls a step lists (frames, waits, sounds) are left unplayed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"

namespace murlo::bot {

// A step that played a game frame: what the soak counts.
constexpr bool is_game_frame(Outcome o) {
    return o == Outcome::Frame || o == Outcome::LevelDone || o == Outcome::Died ||
           o == Outcome::Won;
}

// The game ended in the step, and the cycle is back on the title.
constexpr bool ends_game(Outcome o) { return o == Outcome::Died || o == Outcome::Won; }

// One step with `keys` held; what it was.
inline Outcome step_with(Game& g, Calls& calls, InputBits keys) {
    step(g, keys, calls);
    return calls.outcome;
}

// From a title poll: `passes` title passes with no key, then `key` (not 0)
// leaves the title for a new game, up to its first frame's poll.
// after_step() is called after each of these steps.
template <typename AfterStep>
void leave_title(Game& g, Calls& calls, int passes, InputBits key, AfterStep&& after_step) {
    for (int i = 0; i < passes; ++i) {
        step(g, 0, calls);
        after_step();
    }
    step(g, key, calls);
    after_step();
}

}  // namespace murlo::bot
