#include "screens/sequences.h"

namespace murlo {

// The result panel: a light panel framed by dark drawings, its caption in
// rows 12..15 and four light digit places in rows 19..23.
const std::uint32_t result_picture[32] = {
    0x001FF7FF, 0x7F83E3DF, 0xFFE0F78F, 0xFF987FDF, 0xFE063FFF, 0xFC0100FF, 0xF800FF3D, 0xF8C00098,
    0xF8A1039D, 0xF8E1013F, 0xF800FE7F, 0xF8020001, 0xFC0D17A5, 0xFE1954AD, 0xFE39B4B5, 0xFF7117A5,
    0xFFF00001, 0xFFF00027, 0xFE000027, 0xF2A00013, 0xE4E00011, 0xECA00009, 0xCCA00008, 0xDAA00008,
    0xBA000008, 0xBBF80008, 0xB7FC0008, 0xB7FE0010, 0xAFFF002F, 0x9FFFC05F, 0xFFFFE1FF, 0xFFFFFFFE,
};

// GAME OVER in light 3x4 capitals on rows 13..16, between dark drawings.
const std::uint32_t game_over_picture[32] = {
    0x000FF000, 0x001FFC00, 0x001FFE00, 0x001FFF00, 0x001FFFC0, 0x001FFFE0, 0x001FFC20, 0x0013E3FC,
    0x007F1FFF, 0x009CFFFF, 0x00EBFFFF, 0x3FF7FFFD, 0xFFFFFFFF, 0x11511131, 0x5D55D15D, 0x99559515,
    0x51B11551, 0xFFFFFFFF, 0xFDFFFFF0, 0xFDFFFFC0, 0xFBFFFF80, 0x7BFFFF00, 0x77F7FE00, 0x37FFFC03,
    0x37FFF80F, 0x0FFFF03F, 0x0FFFE0FF, 0x0FFFC1FF, 0x0FFF87FE, 0x0FFF1FFA, 0x0FFE7EDA, 0x0FFFFE92,
};

namespace {

// Where the depth's digits go, right to left: ones, tens, hundreds, thousands.
constexpr std::int8_t digit_row = 19;
constexpr std::int8_t digit_columns[result_digits] = {17, 13, 9, 5};

}  // namespace

void result_step(LcdFrame& lcd, int k) {
    for (int y = 0; y < 31; ++y) lcd.row[y] = lcd.row[y + 1];
    lcd.row[31] = result_picture[k];
}

void draw_result_digit(LcdFrame& lcd, int place, std::int32_t depth) {
    switch (place) {
        case 0: draw_digit(lcd, digit_columns[0], digit_row, depth % 10); break;
        case 1: draw_digit(lcd, digit_columns[1], digit_row, depth % 100 / 10); break;
        case 2: draw_digit(lcd, digit_columns[2], digit_row, depth % 1000 / 100); break;
        default:
            // The thousands place only ever holds the 1 of 1000.
            if (depth == 1000) draw_digit(lcd, digit_columns[3], digit_row, 1);
            break;
    }
}

void game_over_step(LcdFrame& lcd, int k) {
    lcd.row[2 * k] = game_over_picture[2 * k];
    lcd.row[31 - 2 * k] = game_over_picture[31 - 2 * k];
}

void ending_step(LcdFrame& lcd, int k) {
    for (int y = 31; y > 0; --y) lcd.row[y] = lcd.row[y - 1];
    lcd.row[0] = ending_strip[255 - k];
}

}  // namespace murlo
