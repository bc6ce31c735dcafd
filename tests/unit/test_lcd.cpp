#include <gtest/gtest.h>

#include "lcd/lcd.h"

namespace murlo {
namespace {

constexpr Sprite8 solid = {{0xFFFFFFFFu, 0xFFFFFFFFu}};
constexpr Sprite8 blank = {{0, 0}};

class LcdTest : public ::testing::Test {
protected:
    LcdFrame lcd{};
};

TEST_F(LcdTest, SetPixelAddressesBitXOfRowYAndClipsJustOutside) {
    set_pixel(lcd, 0, 0, true);
    set_pixel(lcd, 31, 31, true);
    EXPECT_EQ(lcd.row[0], 0x00000001u);
    EXPECT_EQ(lcd.row[31], 0x80000000u);

    const LcdFrame before = lcd;
    set_pixel(lcd, -1, 5, true);
    set_pixel(lcd, 32, 5, true);
    set_pixel(lcd, 5, -1, true);
    set_pixel(lcd, 5, 32, true);
    for (int y = 0; y < 32; ++y) EXPECT_EQ(lcd.row[y], before.row[y]) << "row " << y;

    lcd.row[7] = 0xFFFFFFFFu;
    set_pixel(lcd, 9, 7, false);
    EXPECT_EQ(lcd.row[7], 0xFFFFFDFFu);
}

TEST_F(LcdTest, ClearFrameEmptiesEveryRow) {
    for (std::uint32_t& w : lcd.row) w = 0xDEADBEEFu;
    clear_frame(lcd);
    for (const std::uint32_t w : lcd.row) EXPECT_EQ(w, 0u);
}

TEST_F(LcdTest, SpriteRowsAreMostSignificantByteFirstAndLeftmostBitSeven) {
    // 0x7E81BDBD: row 0 = 0x7E (columns 1..6), row 1 = 0x81 (columns 0 and 7).
    const Sprite8 soft1 = {{0x7E81BDBDu, 0xBDBD817Eu}};
    draw_sprite(lcd, 0, 0, soft1);
    EXPECT_EQ(lcd.row[0], 0x7Eu);   // columns 1..6 are bits 1..6
    EXPECT_EQ(lcd.row[1], 0x81u);
    EXPECT_EQ(lcd.row[2], 0xBDu);   // 10111101 mirrors onto itself
    EXPECT_EQ(lcd.row[7], 0x7Eu);
    EXPECT_EQ(lcd.row[8], 0u);

    clear_frame(lcd);
    const Sprite8 corner = {{0x80000000u, 0x00000001u}};  // (0,0) and (7,7)
    draw_sprite(lcd, 10, 20, corner);
    EXPECT_EQ(lcd.row[20], 1u << 10);
    EXPECT_EQ(lcd.row[27], 1u << 17);
}

TEST_F(LcdTest, SpritesClipAtEveryEdge) {
    draw_sprite(lcd, -4, 0, solid);
    EXPECT_EQ(lcd.row[0], 0x0000000Fu);  // sprite columns 4..7 into frame 0..3
    EXPECT_EQ(lcd.row[7], 0x0000000Fu);
    EXPECT_EQ(lcd.row[8], 0u);

    clear_frame(lcd);
    draw_sprite(lcd, 28, 28, solid);
    EXPECT_EQ(lcd.row[27], 0u);
    EXPECT_EQ(lcd.row[28], 0xF0000000u);
    EXPECT_EQ(lcd.row[31], 0xF0000000u);

    clear_frame(lcd);
    draw_sprite(lcd, 0, -16, solid);
    for (const std::uint32_t w : lcd.row) EXPECT_EQ(w, 0u);
}

TEST_F(LcdTest, CoordinatesWrapInEightBits) {
    // A caller's x of 252 is -4 once cut to 8 bits.
    draw_sprite(lcd, static_cast<std::int8_t>(252), 0, solid);
    EXPECT_EQ(lcd.row[0], 0x0000000Fu);

    // At x = 124 the columns are 124..127 and then -128..-125: all off-frame,
    // not 124..131.
    clear_frame(lcd);
    draw_sprite(lcd, 124, 0, solid);
    overlay_sprite(lcd, 124, 8, solid);
    draw_digit(lcd, 126, 16, 8);
    for (const std::uint32_t w : lcd.row) EXPECT_EQ(w, 0u);

    // Likewise downwards: y = 126 wraps to -130.. and never reaches row 0.
    draw_sprite(lcd, 0, 126, solid);
    for (const std::uint32_t w : lcd.row) EXPECT_EQ(w, 0u);
}

TEST_F(LcdTest, OpaqueDrawsClearWhatTheyCoverAndOverlayOnlyDarkens) {
    for (std::uint32_t& w : lcd.row) w = 0xFFFFFFFFu;
    draw_sprite(lcd, 4, 4, blank);
    for (int y = 4; y < 12; ++y) EXPECT_EQ(lcd.row[y], 0xFFFFF00Fu) << "row " << y;
    EXPECT_EQ(lcd.row[3], 0xFFFFFFFFu);

    const LcdFrame before = lcd;
    overlay_sprite(lcd, 4, 4, blank);
    for (int y = 0; y < 32; ++y) EXPECT_EQ(lcd.row[y], before.row[y]);

    clear_frame(lcd);
    lcd.row[0] = 0xFFu;
    const Sprite8 dot = {{0x10000000u, 0}};  // row 0, column 3
    overlay_sprite(lcd, 0, 0, dot);
    EXPECT_EQ(lcd.row[0], 0xFFu);
    overlay_sprite(lcd, 8, 0, dot);
    EXPECT_EQ(lcd.row[0], 0x8FFu);  // column 8 + 3
}

TEST_F(LcdTest, DigitsAreOpaqueThreeByFive) {
    for (std::uint32_t& w : lcd.row) w = 0xFFFFFFFFu;
    draw_digit(lcd, 2, 2, 1);
    for (int y = 2; y <= 6; ++y) {
        EXPECT_EQ((lcd.row[y] >> 2) & 7u, 0b010u) << "row " << y;  // only column 3 dark
        EXPECT_EQ(lcd.row[y] | 0x1Cu, 0xFFFFFFFFu);               // the rest untouched
    }
    EXPECT_EQ(lcd.row[7], 0xFFFFFFFFu);

    // Every glyph of the font, read back pixel by pixel.
    for (int digit = 0; digit < 10; ++digit) {
        clear_frame(lcd);
        draw_digit(lcd, 0, 0, digit);
        std::uint32_t glyph = 0;
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c) glyph = (glyph << 1) | ((lcd.row[r] >> c) & 1u);
        EXPECT_EQ(glyph, digit_font[digit]) << "digit " << digit;
    }
    EXPECT_EQ(digit_font[6] >> 12, 0b100u);  // the 6 has no top bar
    EXPECT_EQ(digit_font[9] & 7u, 0b001u);   // the 9 has no bottom bar
}

}  // namespace
}  // namespace murlo
