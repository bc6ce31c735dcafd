#include "lcd/lcd.h"

namespace murlo {

const DigitGlyph digit_font[10] = {
    0x7B6F, 0x2492, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x49EF, 0x7A49, 0x7BEF, 0x7BC9,
};

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

void draw_digit(LcdFrame& lcd, std::int8_t x, std::int8_t y, int digit) {
    const DigitGlyph glyph = digit_font[digit];
    for (int i = 0; i < 15; ++i)
        set_pixel(lcd, offset8(x, i % 3), offset8(y, i / 3), (glyph >> (14 - i)) & 1u);
}

void draw_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            set_pixel(lcd, offset8(x, c), offset8(y, r), sprite_pixel(sprite, c, r));
}

void overlay_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (sprite_pixel(sprite, c, r)) set_pixel(lcd, offset8(x, c), offset8(y, r), true);
}

}  // namespace murlo
