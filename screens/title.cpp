#include "screens/title.h"

#include "board/board.h"
#include "game/game.h"
#include "lcd/lcd.h"

namespace murlo {

namespace {

constexpr int speck_count = 7;

// A light speck that drifts down one row every 100 passes and sways over
// six columns in a twelve-row cycle.
void draw_speck(std::uint32_t seed, std::uint32_t clock) {
    const std::uint32_t t = seed + clock;
    const std::uint32_t c = t / 100;
    std::uint32_t d = c % 12;
    if (d > 5) d = 11 - d;
    const std::uint32_t x = ((seed & 0xFF) + d) & 31;
    const std::uint32_t y = c & 31;
    set_pixel(static_cast<std::int8_t>(x), static_cast<std::int8_t>(y), false);
}

}  // namespace

void title_screen() {
    std::uint32_t seed[speck_count];
    for (std::uint32_t& s : seed) s = rng_next();
    if (latch_input() != 0) return;
    for (;;) {
        for (int y = 0; y < 32; ++y) lcd.row[y] = title_picture[y];
        // The random state doubles as the title's clock.
        const std::uint32_t clock = rng_state;
        if (clock % 500 > 300)
            for (int y = 25; y <= 29; ++y) lcd.row[y] = 0xFFFFFFFFu;
        for (const std::uint32_t s : seed) draw_speck(s, clock);
        present_frame(lcd);
        ++rng_state;
        if (latch_input() != 0) return;
    }
}

}  // namespace murlo
