// The emulated 32 x 32 one-bit display and the primitives that draw into it.
#pragma once

#include <cstdint>

namespace murlo {

// The display is lcd_size x lcd_size pixels.
constexpr int lcd_size = 32;

// Row y of the display is row[y]; bit x of it is pixel (x, y), bit 0 the
// leftmost. A set bit is a dark pixel.
struct LcdFrame {
    std::uint32_t row[lcd_size];
};

// An 8 x 8 image: rows 0..3 in word[0], rows 4..7 in word[1], row 0 (and 4)
// in the most significant byte. Inside a row byte bit 7 is the leftmost
// pixel - the opposite of a frame row.
struct Sprite8 {
    std::uint32_t word[2];
};

// A 3 x 5 digit in the low 15 bits: pixel (c, r) is bit 14 - (3r + c).
using DigitGlyph = std::uint32_t;

// The ten digits, 0 to 9.
inline constexpr DigitGlyph digit_font[10] = {
    0x7B6F, 0x2492, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x49EF, 0x7A49, 0x7BEF, 0x7BC9,
};

// Coordinates are signed 8-bit; a wider value is cut to its low 8 bits
// before it gets here, and every offset from it wraps in 8 bits too.
// Every primitive clips per pixel.
void clear_frame(LcdFrame& lcd);
void set_pixel(LcdFrame& lcd, std::int8_t x, std::int8_t y, bool on);
void draw_digit(LcdFrame& lcd, std::int8_t x, std::int8_t y, int digit);             // opaque 3x5
void draw_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite);     // opaque 8x8
void overlay_sprite(LcdFrame& lcd, std::int8_t x, std::int8_t y, const Sprite8& sprite);  // dark pixels only

// Pixel (c, r) of a sprite: true when dark.
constexpr bool sprite_pixel(const Sprite8& sprite, int c, int r) {
    const std::uint32_t word = sprite.word[r / 4];
    const int byte_shift = 8 * (3 - r % 4);
    return ((word >> byte_shift) >> (7 - c)) & 1u;
}

}  // namespace murlo
