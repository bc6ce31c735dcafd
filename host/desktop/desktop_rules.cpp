#include "host/desktop/desktop_rules.h"

namespace murlo::desktop {

WindowPlace window_place(int screen_width, int screen_height) {
    if (screen_width < centring_min_width || screen_height < centring_min_height)
        return {false, 0, 0};
    return {true, (screen_width - window_width) / 2, (screen_height - window_height) / 2};
}

bool in_lcd_hit_area(int x, int y) {
    return x >= lcd_left && x <= lcd_left + lcd_span && y >= lcd_top && y <= lcd_top + lcd_span;
}

std::uint32_t wait_left(std::uint32_t start, std::uint32_t now, std::uint32_t limit) {
    const std::uint32_t elapsed = now - start;  // modulo 2^32: a wrap in between is harmless
    return elapsed >= limit ? 0 : limit - elapsed;
}

}  // namespace murlo::desktop
