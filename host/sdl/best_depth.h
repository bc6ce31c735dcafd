// The best depth of the SDL game: kept in $XDG_STATE_HOME/murlo/best
// (~/.local/state/murlo/best when that is not set), read at start-up and
// shown on the handheld's body. A game kept for the next start lies beside
// it, in `suspend`.
#pragma once

#include <cstdint>
#include <filesystem>

#include "host/sdl/window.h"

namespace murlo::sdl {

struct BestDepth {
    std::filesystem::path file;  // empty: kept nowhere
    std::int32_t shown = 0;      // the number on the body
    bool said = false;           // a failed write was named
};

// Where the best depth is kept: empty when neither XDG_STATE_HOME nor HOME
// names a folder (a path from the root).
std::filesystem::path best_depth_path();
// Where the settings are kept: $XDG_CONFIG_HOME/murlo/settings, else
// ~/.config/murlo/settings; empty when neither names a folder.
std::filesystem::path settings_path();
// Where a game in the middle is kept: beside it (empty as it is).
std::filesystem::path kept_game_path();

// Read the best depth and show it (0 when there is none yet); returned.
std::int32_t load_best_depth(BestDepth& best, Window& window);
// A game's depth, as it ended or as the program closed in the middle of
// it: kept when deeper than the file's, and shown when deeper than the
// number shown. Returns what the file now holds (another game beside this
// one may have kept a deeper one), or -1 when it could not be written.
std::int32_t keep_best_depth(BestDepth& best, Window& window, std::int32_t depth);

}  // namespace murlo::sdl
