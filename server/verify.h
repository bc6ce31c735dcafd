// A submitted run played with the game itself, as the replay tool plays
// it, to find what it earns on the board: the deepest depth any of its
// games reached, how many game frames that game took to first get there,
// and the polls up to that frame, which identify the entry.
#pragma once

#include <cstdint>
#include <string>

#include "runs/script.h"

namespace murlo::server {

// The most polls a submitted run may hold; counted before any stepping.
constexpr std::uint64_t max_polls = 500000;

struct Verdict {
    std::int32_t depth = 0;            // the deepest depth any game reached
    std::int64_t frames = 0;           // that game's frames until it first got there
    std::int32_t games = 0;            // games begun in the run
    std::uint64_t scoring_polls = 0;   // polls from start-up to that frame, inclusive
};

// The polls a script holds, stopping the count once it passes `most`.
std::uint64_t count_polls(const runs::Script& script, std::uint64_t most);

// The run played from start-up to the poll that finds the script used up.
Verdict verify(const runs::Script& script);

// The first `polls` polls of a script, as a script.
runs::Script first_polls(const runs::Script& script, std::uint64_t polls);

}  // namespace murlo::server
