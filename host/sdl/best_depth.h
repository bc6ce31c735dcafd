// The best depth of the SDL game: kept in $XDG_STATE_HOME/murlo/best
// (~/.local/state/murlo/best when that is not set), read at start-up and
// shown on the handheld's body.
#pragma once

#include <cstdint>
#include <filesystem>

namespace murlo::sdl {

// Where the best depth is kept: empty when neither XDG_STATE_HOME nor HOME
// names a folder (a path from the root).
std::filesystem::path best_depth_path();

// Read the best depth and show it (0 when there is none yet).
void load_best_depth();
// A game's depth, as it ended or as the program closed in the middle of
// it: kept when deeper than the file's, and shown when the file now holds
// more than the window shows.
void keep_best_depth(std::int32_t depth);

}  // namespace murlo::sdl
