#include "handheld/handheld.h"

#include <initializer_list>

namespace murlo::handheld {

namespace {

// x / scale rounded down, so that the squares left of and above the window
// stay outside it.
int unscaled(int x, int scale) { return x >= 0 ? x / scale : -((-x + scale - 1) / scale); }

}  // namespace

int auto_scale(int usable_width, int usable_height) {
    int scale = max_scale;
    while (scale > 1 && (3 * window_width * scale > 2 * usable_width ||
                         3 * window_height * scale > 2 * usable_height))
        --scale;
    return scale;
}

WindowPlace window_place(int screen_width, int screen_height, int scale) {
    if (screen_width < centring_min_width * scale || screen_height < centring_min_height * scale)
        return {false, 0, 0};
    return {true, (screen_width - window_width * scale) / 2,
            (screen_height - window_height * scale) / 2};
}

bool in_lcd_hit_area(int x, int y, int scale) {
    x = unscaled(x, scale);
    y = unscaled(y, scale);
    return x >= lcd_left && x <= lcd_left + lcd_span && y >= lcd_top && y <= lcd_top + lcd_span;
}

InputBits pad_keys(const PadState& pad) {
    InputBits keys = 0;
    if (pad.right || pad.stick_x >= stick_threshold) keys |= input::Right;
    if (pad.left || pad.stick_x <= -stick_threshold) keys |= input::Left;
    if (pad.down || pad.stick_y >= stick_threshold) keys |= input::Down;
    if (pad.up || pad.stick_y <= -stick_threshold) keys |= input::Up;
    if (pad.south || pad.east) keys |= input::Z;
    return keys;
}

InputBits skin_keys_at(const Layout& layout, int x, int y) {
    const Layout& l = layout;
    const int dx = x - l.pad_x, dy = y - l.pad_y;
    if (dx * dx + dy * dy <= l.pad_dish * l.pad_dish) {
        if (dx * dx + dy * dy < l.pad_dead * l.pad_dead) return 0;
        const int ax = dx < 0 ? -dx : dx;
        const int ay = dy < 0 ? -dy : dy;
        if (ax >= ay) return dx > 0 ? input::Right : input::Left;
        return dy > 0 ? input::Down : input::Up;
    }
    const int bx = x - l.button_x, by = y - l.button_y;
    if (bx * bx + by * by <= l.button_dish * l.button_dish) return input::Z;
    return 0;
}

InputBits skin_keys_at(int x, int y) { return skin_keys_at(landscape, x, y); }

namespace {

// Letters in the style of the display's digits: pixel (c, r) is bit
// 14 - (3r + c). S is the shape of 5 and O that of 0, as on the display.
constexpr DigitGlyph letter_b = 0x6BAE;  // ##. #.# ##. #.# ##.
constexpr DigitGlyph letter_d = 0x6B6E;  // ##. #.# #.# #.# ##.
constexpr DigitGlyph letter_e = 0x79A7;  // ### #.. ##. #.. ###
constexpr DigitGlyph letter_g = 0x796F;  // ### #.. #.# #.# ###
constexpr DigitGlyph letter_h = 0x5BED;  // #.# #.# ### #.# #.#
constexpr DigitGlyph letter_i = 0x7497;  // ### .#. .#. .#. ###
constexpr DigitGlyph letter_n = 0x6B6D;  // ##. #.# #.# #.# #.#
constexpr DigitGlyph letter_p = 0x6BA4;  // ##. #.# ##. #.. #..
constexpr DigitGlyph letter_t = 0x7492;  // ### .#. .#. .#. .#.
constexpr DigitGlyph letter_w = 0x5B7D;  // #.# #.# #.# ### #.#
constexpr DigitGlyph plus = 0x05D0;      // ... .#. ### .#. ...
constexpr DigitGlyph minus = 0x01C0;     // ... ... ### ... ...

DigitGlyph glyph_of(char c) {
    if (c >= '0' && c <= '9') return digit_font[c - '0'];
    switch (c) {
        case 'B': return letter_b;
        case 'D': return letter_d;
        case 'E': return letter_e;
        case 'G': return letter_g;
        case 'H': return letter_h;
        case 'I': return letter_i;
        case 'N': return letter_n;
        case 'O': return digit_font[0];
        case 'P': return letter_p;
        case 'S': return digit_font[5];
        case 'T': return letter_t;
        case 'W': return letter_w;
        case '+': return plus;
        case '-': return minus;
        default: return 0;
    }
}

}  // namespace

void text_label(std::string_view text, std::uint64_t (&rows)[best::rows]) {
    for (std::uint64_t& row : rows) row = 0;
    int column = 0;
    for (const char c : text) {
        if (column + 3 > 64) break;
        const DigitGlyph glyph = glyph_of(c);
        for (int r = 0; r < best::rows; ++r)
            for (int k = 0; k < 3; ++k)
                if ((glyph >> (14 - (3 * r + k))) & 1u) rows[r] |= std::uint64_t{1} << (column + k);
        column += 4;
    }
}

void best_label(std::int32_t depth, std::uint64_t (&rows)[best::rows]) {
    if (depth < 0) depth = 0;
    if (depth > 1000) depth = 1000;
    // The digits, last first (no printf: the page would carry all of it).
    char text[16] = "BEST ";
    char digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + depth % 10);
        depth /= 10;
    } while (depth > 0);
    int at = 5;
    while (count > 0) text[at++] = digits[--count];
    text_label(std::string_view(text, static_cast<std::size_t>(at)), rows);
}

}  // namespace murlo::handheld
