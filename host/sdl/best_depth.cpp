#include "host/sdl/best_depth.h"

#include <algorithm>
#include <cstdlib>

#include "desktop/best.h"
#include "desktop/notices.h"

namespace murlo::sdl {

namespace {

// A folder named by an environment variable; relative ones do not count.
const char* folder_from(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

}  // namespace

std::filesystem::path best_depth_path() {
    if (const char* state = folder_from("XDG_STATE_HOME")) return std::filesystem::path(state) / "murlo" / "best";
    if (const char* home = folder_from("HOME")) return std::filesystem::path(home) / ".local/state/murlo/best";
    return {};
}

std::filesystem::path settings_path() {
    if (const char* config = folder_from("XDG_CONFIG_HOME")) return std::filesystem::path(config) / "murlo" / "settings";
    if (const char* home = folder_from("HOME")) return std::filesystem::path(home) / ".config/murlo/settings";
    return {};
}

std::filesystem::path kept_game_path() {
    const std::filesystem::path best = best_depth_path();
    return best.empty() ? best : best.parent_path() / "suspend";
}

std::int32_t load_best_depth(BestDepth& best, Window& window) {
    best.file = best_depth_path();
    if (best.file.empty())
        desktop::say(stderr, "neither XDG_STATE_HOME nor HOME names a folder: the best depth is not kept");
    best.shown = best.file.empty() ? 0 : desktop::read_best(best.file);
    show_best(window, best.shown);
    return best.shown;
}

std::int32_t keep_best_depth(BestDepth& best, Window& window, std::int32_t depth) {
    const std::int32_t kept = best.file.empty() ? -1 : desktop::write_best(best.file, depth, best.said);
    const std::int32_t deepest = std::max(depth, kept);
    if (deepest > best.shown) {
        best.shown = deepest;
        show_best(window, best.shown);
    }
    return kept;
}

}  // namespace murlo::sdl
