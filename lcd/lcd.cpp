#include "lcd/lcd.h"

namespace murlo {

namespace {

// x + offset in the display's own 8-bit coordinate arithmetic: 124 + 4 is -128.
std::int8_t offset8(std::int8_t base, int offset) {
    return static_cast<std::int8_t>(base + offset);
}

}  // namespace

void clear_frame(LcdFrame& lcd) {
    for (std::uint32_t& word : lcd.row) word = 0;
}

void set_pixel(LcdFrame& lcd, std::int8_t x, std::int8_t y, bool on) {
    if (x < 0 || y < 0 || x >= lcd_size || y >= lcd_size) return;
    const std::uint32_t bit = std::uint32_t{1} << x;
    if (on)
        lcd.row[y] |= bit;
    else
        lcd.row[y] &= ~bit;
}

// The drawing below works a display row at a time: the pixels a row of a
// picture puts down are gathered into one word and written once, clipped
// pixel by pixel exactly as set_pixel clips (the eight columns x + 0..7 are
// eight different pixels in 8-bit arithmetic, so no order among them
// matters). Writing each pixel through set_pixel made the frame re-read the
// picture after every pixel, since the display it writes could be where
// the picture lies.

namespace {

// Pixels x + c of display row y, for c = 0..width-1 where bit (width-1-c)
// of `bits` is set (dark) or clear (light): which of them are on the
// display, and which of those are dark.
struct RowPixels {
    std::uint32_t covered;
    std::uint32_t dark;
};

RowPixels row_pixels(std::int8_t x, std::uint32_t bits, int width) {
    RowPixels p{0, 0};
    for (int c = 0; c < width; ++c) {
        const std::int8_t px = offset8(x, c);
        if (px < 0 || px >= lcd_size) continue;
        const std::uint32_t bit = std::uint32_t{1} << px;
        p.covered |= bit;
        if ((bits >> (width - 1 - c)) & 1u) p.dark |= bit;
    }
    return p;
}

bool on_display(std::int8_t y) { return y >= 0 && y < lcd_size; }

// Row r of a sprite, bit 7 its leftmost pixel.
std::uint32_t sprite_row(const Sprite8& sprite, int r) {
    return (sprite.word[r / 4] >> (8 * (3 - r % 4))) & 0xFFu;
}

}  // namespace

void draw_digit(LcdFrame& lcd, std::int8_t x, std::int8_t y, int digit) {
    const DigitGlyph glyph = digit_font[digit];
    for (int r = 0; r < 5; ++r) {
        const std::int8_t py = offset8(y, r);
        if (!on_display(py)) continue;
        const RowPixels p = row_pixels(x, (glyph >> (12 - 3 * r)) & 7u, 3);
        lcd.row[py] = (lcd.row[py] & ~p.covered) | p.dark;
    }
}

void draw_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite) {
    const Sprite8 s = sprite;  // a copy the display cannot overlap
    for (int r = 0; r < 8; ++r) {
        const std::int8_t py = offset8(y, r);
        if (!on_display(py)) continue;
        const RowPixels p = row_pixels(x, sprite_row(s, r), 8);
        lcd.row[py] = (lcd.row[py] & ~p.covered) | p.dark;
    }
}

void overlay_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite) {
    const Sprite8 s = sprite;
    for (int r = 0; r < 8; ++r) {
        const std::int8_t py = offset8(y, r);
        if (!on_display(py)) continue;
        lcd.row[py] |= row_pixels(x, sprite_row(s, r), 8).dark;
    }
}

}  // namespace murlo
