#include "host/sdl/best_depth.h"

#include <cstdlib>

#include "desktop/best.h"
#include "desktop/notices.h"
#include "host/sdl/window.h"

namespace murlo::sdl {

namespace {

std::filesystem::path kept_in;
std::int32_t shown = 0;

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

void load_best_depth() {
    kept_in = best_depth_path();
    if (kept_in.empty())
        desktop::say(stderr, "neither XDG_STATE_HOME nor HOME names a folder: the best depth is not kept");
    shown = kept_in.empty() ? 0 : desktop::read_best(kept_in);
    show_best(shown);
}

void keep_best_depth(std::int32_t depth) {
    if (kept_in.empty()) return;
    const std::int32_t kept = desktop::write_best(kept_in, depth);
    if (kept <= shown) return;
    shown = kept;
    show_best(shown);
}

}  // namespace murlo::sdl
