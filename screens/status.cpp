#include "screens/status.h"

#include "game/rules.h"

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

constexpr std::int32_t low_air = 3000;
constexpr std::int32_t depth_show_length = 10;  // frames shown after the one that changed

void clear_box(LcdFrame& lcd, int left, int top, int right, int bottom) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            set_pixel(lcd, static_cast<std::int8_t>(x), static_cast<std::int8_t>(y), false);
}

}  // namespace

void draw_player(Game& g) {
    ++g.blink_counter;  // wraps at 256; the phase carries over from game to game
    // Low on air, the digger shows on two frames out of four.
    if (g.air < low_air && (g.blink_counter & 3u) < 2) return;
    if (g.facing >= Facing::Down) {
        draw_sprite(g.lcd, 12, 12, player_down_sprite);
        return;
    }
    // Right poses first, then Left; facing's values order them.
    static_assert(static_cast<int>(Facing::Right) == 0 && static_cast<int>(Facing::Left) == 1);
    const int pose = 2 * static_cast<int>(g.facing) + (g.player_x & 1);
    draw_sprite(g.lcd, 12, 12, player_sprites[pose]);
}

void draw_air_gauge(Game& g) {
    clear_box(g.lcd, 20, 2, 31, 4);
    if (g.air <= 0) return;
    // One pixel per started thousand, right end fixed at column 30.
    const int n = (g.air + 999) / 1000;
    for (int x = 31 - n; x <= 30; ++x) set_pixel(g.lcd, static_cast<std::int8_t>(x), 3, true);
}

void draw_depth(Game& g) {
    if (g.depth_shown == g.depth) {
        // Count no further than needed: past the last shown frame nothing
        // changes, and an endless count would overflow.
        if (g.depth_show_frames <= depth_show_length) ++g.depth_show_frames;
        if (g.depth_show_frames > depth_show_length) return;
    } else {
        g.depth_show_frames = 0;
    }
    clear_box(g.lcd, 1, 1, 13, 7);
    draw_digit(g.lcd, 2, 2, (g.depth % 1000) / 100);
    draw_digit(g.lcd, 6, 2, (g.depth % 100) / 10);
    draw_digit(g.lcd, 10, 2, g.depth % 10);
    g.depth_shown = g.depth;
}

}  // namespace murlo
