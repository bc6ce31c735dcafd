// A suspended game: what a host keeps when it is closed, hidden or killed
// in the middle of a game, to go on with it at its next start. The
// runner's state (runner/state.h), then the run recorded so far as script
// text, so that the game that goes on records, shares and replays as one
// run from the program's start.
#pragma once

#include <string>
#include <string_view>

#include "runner/runner.h"
#include "runner/state.h"

namespace murlo {

// The snapshot of the runner as it stands.
std::string write_snapshot(const Runner& r);

// Goes on from a snapshot: the game, its clock, its pause and whether it
// counts for the best depth, with the player in control and the recorded
// run continued from the snapshot's. nullptr when taken; else why not, the
// runner untouched, and `kind` (when given) says whether the bytes were
// another version's (not damaged, only not this version's to continue)
// or damaged, cut or foreign.
const char* read_snapshot(Runner& r, std::string_view bytes, StateKind* kind = nullptr);

// The trace of a resumed game's run from the program's start up to where
// it was suspended, made again by playing its recorded run without a
// clock: what a host writes first when it traces a resumed game.
std::string trace_before(const Runner& resumed);

}  // namespace murlo
