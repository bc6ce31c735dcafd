#include "screens/status.h"

#include "game/rules.h"
#include "game/status.h"

namespace murlo {

// Indexed by 2 * facing + (player_x & 1): the legs swap with every pixel walked.
const Sprite8 player_sprites[4] = {
    {{0x3C4A868Du, 0x493ED26Fu}},  // right, even x
    {{0x3C4A868Du, 0x493E6BF6u}},  // right, odd x
    {{0x3C5261B1u, 0x927C4BF6u}},  // left, even x
    {{0x3C5261B1u, 0x927CD66Fu}},  // left, odd x
};
const Sprite8 player_down_sprite = {{0x3C5AFFA5u, 0x42BDD75Au}};

namespace {

void clear_box(LcdFrame& lcd, int left, int top, int right, int bottom) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            set_pixel(lcd, static_cast<std::int8_t>(x), static_cast<std::int8_t>(y), false);
}

}  // namespace

void draw_player(LcdFrame& lcd, const Game& g) {
    if (!digger_shown(g)) return;
    if (g.facing >= Facing::Down) {
        draw_sprite(lcd, 12, 12, player_down_sprite);
        return;
    }
    // Right poses first, then Left; facing's values order them.
    static_assert(static_cast<int>(Facing::Right) == 0 && static_cast<int>(Facing::Left) == 1);
    const int pose = 2 * static_cast<int>(g.facing) + (g.player_x & 1);
    draw_sprite(lcd, 12, 12, player_sprites[pose]);
}

void draw_air_gauge(LcdFrame& lcd, const Game& g) {
    clear_box(lcd, 20, 2, 31, 4);
    if (g.air <= 0) return;
    // One pixel per started thousand, right end fixed at column 30.
    const int n = (g.air + 999) / 1000;
    for (int x = 31 - n; x <= 30; ++x) set_pixel(lcd, static_cast<std::int8_t>(x), 3, true);
}

void draw_depth(LcdFrame& lcd, const Game& g) {
    if (!depth_box_shown(g)) return;
    clear_box(lcd, 1, 1, 13, 7);
    draw_digit(lcd, 2, 2, (g.depth % 1000) / 100);
    draw_digit(lcd, 6, 2, (g.depth % 100) / 10);
    draw_digit(lcd, 10, 2, g.depth % 10);
}

}  // namespace murlo
