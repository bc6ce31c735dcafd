#include "desktop/view.h"

#include <algorithm>

namespace murlo::desktop {

namespace {

using namespace handheld;

// The LCD alone at the largest whole scale that fits, centred.
View screen_only(int width, int height) {
    const int pixel = std::max(1, std::min(width, height) / lcd_size);
    const int span = pixel * lcd_size;
    return {width, height, false, 1, 0, 0, (width - span) / 2, (height - span) / 2, pixel};
}

View handheld_at(int width, int height, int scale, int x, int y) {
    return {width, height, true, scale, x, y, x + handheld::lcd_left * scale,
            y + handheld::lcd_top * scale, handheld::lcd_scale * scale};
}

}  // namespace

View window_view(Shown shown, int scale) {
    const int width = window_width * scale, height = window_height * scale;
    return shown == Shown::ScreenOnly ? screen_only(width, height) : handheld_at(width, height, scale, 0, 0);
}

View full_screen_view(Shown shown, int width, int height) {
    if (shown == Shown::ScreenOnly) return screen_only(width, height);
    const int scale = std::max(1, std::min(width / window_width, height / window_height));
    return handheld_at(width, height, scale, (width - window_width * scale) / 2,
                       (height - window_height * scale) / 2);
}

bool on_lcd(const View& v, int x, int y) {
    if (v.skin) return in_lcd_hit_area(x - v.skin_x, y - v.skin_y, v.skin_scale);
    return x >= v.lcd_left && x <= v.lcd_left + v.lcd_span() && y >= v.lcd_top && y <= v.lcd_top + v.lcd_span();
}

InputBits view_keys_at(const View& v, int x, int y) {
    if (!v.skin || x < v.skin_x || y < v.skin_y) return 0;
    return skin_keys_at((x - v.skin_x) / v.skin_scale, (y - v.skin_y) / v.skin_scale);
}

void mute_mark_cells(std::uint32_t (&rows)[mute_mark::rows]) {
    // Pixel (c, r) of a shape is bit 14 - (3r + c), as the display's digits.
    constexpr DigitGlyph shapes[] = {
        0x5FED,  // M: #.# ### ### #.# #.#
        0x5B6F,  // U: #.# #.# #.# #.# ###
        0x7492,  // T: ### .#. .#. .#. .#.
        0x79A7,  // E: ### #.. ##. #.. ###
    };
    for (std::uint32_t& row : rows) row = 0;
    int column = 0;
    for (const DigitGlyph shape : shapes) {
        for (int r = 0; r < mute_mark::rows; ++r)
            for (int c = 0; c < 3; ++c)
                if ((shape >> (14 - (3 * r + c))) & 1u) rows[r] |= std::uint32_t{1} << (column + c);
        column += 4;
    }
}

}  // namespace murlo::desktop
