#include "host/sdl/sdl_rules.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace murlo::desktop {

using namespace handheld;

bool shows_nothing(const char* video_driver) {
    if (video_driver == nullptr) return true;
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (std::strcmp(video_driver, name) == 0) return true;
    return false;
}

bool in_fallback_outline(int x, int y) {
    if (x < 0 || y < 0 || x >= window_width || y >= window_height) return false;
    // Work in half pixels so the test is made at the pixel's centre: a pixel
    // belongs to the outline when its centre lies within the corner circle
    // (or beside it, along the straight edges).
    const int radius2 = fallback_corner;  // radius 32, doubled
    const int px = 2 * x + 1;
    const int py = 2 * y + 1;
    const int cx = px < radius2 ? radius2 : px > 2 * window_width - radius2 ? 2 * window_width - radius2 : px;
    const int cy = py < radius2 ? radius2 : py > 2 * window_height - radius2 ? 2 * window_height - radius2 : py;
    const int dx = px - cx;
    const int dy = py - cy;
    return dx * dx + dy * dy <= radius2 * radius2;
}

namespace {

bool readable(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace

bool find_data_file(const char* name, const char* exe_dir, char* out, std::size_t out_size) {
    if (name == nullptr || out == nullptr || out_size == 0) return false;
    int n = std::snprintf(out, out_size, "%s", name);
    if (n >= 0 && static_cast<std::size_t>(n) < out_size && readable(out)) return true;
    if (exe_dir != nullptr) {
        n = std::snprintf(out, out_size, "%s../share/murlo/%s", exe_dir, name);
        if (n >= 0 && static_cast<std::size_t>(n) < out_size && readable(out)) return true;
    }
    out[0] = '\0';
    return false;
}

}  // namespace murlo::desktop
