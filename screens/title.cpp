#include "screens/title.h"

namespace murlo {

namespace {

// A light speck that drifts down one row every 100 passes and sways over
// six columns in a twelve-row cycle.
void draw_speck(LcdFrame& lcd, std::uint32_t seed, std::uint32_t clock) {
    const std::uint32_t t = seed + clock;
    const std::uint32_t c = t / 100;
    std::uint32_t d = c % 12;
    if (d > 5) d = 11 - d;
    const std::uint32_t x = ((seed & 0xFF) + d) & 31;
    const std::uint32_t y = c & 31;
    set_pixel(lcd, static_cast<std::int8_t>(x), static_cast<std::int8_t>(y), false);
}

}  // namespace

void draw_title(LcdFrame& lcd, const std::uint32_t (&seeds)[speck_count], std::uint32_t clock) {
    for (int y = 0; y < 32; ++y) lcd.row[y] = title_picture[y];
    // The prompt shows for 301 passes out of every 500.
    if (clock % 500 > 300)
        for (int y = 25; y <= 29; ++y) lcd.row[y] = 0xFFFFFFFFu;
    for (const std::uint32_t s : seeds) draw_speck(lcd, s, clock);
}

}  // namespace murlo
