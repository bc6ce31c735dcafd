// Headless play: a script played to its end with no clock, an advance at
// a time, the script's keys at every poll, until a poll finds the script
// used up. The replay tool traces it, the board's verifier scores it, a
// resumed game rebuilds the trace of the run before it, and the bot's
// tools check what they recorded. All of them play it here, so they all
// play it alike.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "runner/ghost.h"
#include "runner/runner.h"
#include "runs/script.h"

namespace murlo {

// What the run did, counted as it played.
struct Played {
    std::int32_t games = 0;         // games begun (the title left)
    std::int64_t game_frames = 0;   // game frames played, in all of them
    std::int32_t levels_done = 0;   // levels completed
    std::int32_t deaths = 0;
    std::int32_t wins = 0;
    std::int32_t depth = 0;          // the deepest depth any game reached
    std::int64_t frames = 0;         // that game's frames until it first got there
    std::uint64_t scoring_polls = 0; // polls from start-up to that frame, inclusive
    std::int64_t frames_in_game = 0; // frames of the game in play so far
};

// Counts the advance the runner has just made.
void count_advance(Played& played, const Runner& r);

// A ghost to race beside the script's game (runner/ghost.h).
struct GhostRace {
    runs::Script run;
    GhostRun ghost;
};

// Plays `script` on `r` from start-up. Whether frames are drawn and calls
// traced is the runner's to say (r.drawing, r.tracing), set before.
// `after(r)` sees the runner once started up and after every advance (its
// calls and game in r.calls and r.state); when it returns a bool, false
// stops the play there. With `race`, its ghost races the script's first
// game (its pictures, not its trace, show it).
template <typename After>
Played play_headless(Runner& r, runs::Script script, After&& after, const GhostRace* race = nullptr) {
    Played played;
    const auto go_on = [&] {
        if constexpr (std::is_void_v<decltype(after(r))>) {
            after(r);
            return true;
        } else {
            return static_cast<bool>(after(r));
        }
    };
    r.end_with_script = true;
    start_runner(r, std::move(script), 0);
    if (race != nullptr) set_ghost(r, race->run, race->ghost);
    if (!go_on()) return played;
    while (advance_once(r, 0)) {
        count_advance(played, r);
        if (!go_on()) break;
    }
    return played;
}

inline Played play_headless(Runner& r, runs::Script script) {
    return play_headless(r, std::move(script), [](const Runner&) {});
}

// A runner of its own, on the heap (it is large): for a caller that wants
// only what the run did, drawn or not.
inline Played play_headless(runs::Script script, bool drawing) {
    const auto r = std::make_unique<Runner>();
    r->drawing = drawing;
    return play_headless(*r, std::move(script));
}

}  // namespace murlo
