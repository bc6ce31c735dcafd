#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "game/game.h"
#include "game/player.h"
#include "lcd/lcd.h"
#include "game/status.h"
#include "screens/status.h"
#include "support/helpers.h"

namespace murlo {
namespace {

bool pixel(const LcdFrame& lcd, int x, int y) { return (lcd.row[y] >> x) & 1u; }

// Whether the 8x8 box at the player's place holds exactly `sprite`.
bool shows(const LcdFrame& lcd, const Sprite8& sprite) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (pixel(lcd, 12 + c, 12 + r) != sprite_pixel(sprite, c, r)) return false;
    return true;
}

bool frame_is_clear(const LcdFrame& lcd) {
    for (const std::uint32_t word : lcd.row)
        if (word != 0) return false;
    return true;
}

// Draw the player on a clear frame and report whether anything showed.
bool player_drawn(Game& g) {
    clear_frame(g.lcd);
    count_blink(g);
    draw_player(g.lcd, g);
    return !frame_is_clear(g.lcd);
}

TEST(Status, PlayerBlinksOnTwoFramesOfFourBelow3000Air) {
    Game g{};
    g.facing = Facing::Right;
    g.player_x = 28;

    g.air = 3000;
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(player_drawn(g)) << "frame " << i;

    g.air = 2999;
    g.blink_counter = 0;
    EXPECT_FALSE(player_drawn(g));  // 1
    EXPECT_TRUE(player_drawn(g));   // 2
    EXPECT_TRUE(player_drawn(g));   // 3
    EXPECT_FALSE(player_drawn(g));  // 4
    EXPECT_EQ(g.blink_counter, 4);

    // Halfway through the counter's cycle nothing special happens.
    g.blink_counter = 126;
    EXPECT_TRUE(player_drawn(g));   // 127
    EXPECT_FALSE(player_drawn(g));  // 128
    EXPECT_FALSE(player_drawn(g));  // 129
    EXPECT_TRUE(player_drawn(g));   // 130
    EXPECT_TRUE(player_drawn(g));   // 131

    // Across the wrap from 255 to 0.
    g.blink_counter = 254;
    EXPECT_TRUE(player_drawn(g));   // 255
    EXPECT_FALSE(player_drawn(g));  // 0
    EXPECT_EQ(g.blink_counter, 0);
    EXPECT_FALSE(player_drawn(g));  // 1
    EXPECT_TRUE(player_drawn(g));   // 2
}

TEST(Status, PlayerPoseFollowsFacingAndStepParity) {
    Game g{};
    g.air = 10000;
    struct Case {
        Facing facing;
        int x;
        const Sprite8* sprite;
    };
    const Case cases[] = {
        {Facing::Right, 28, &player_sprites[0]}, {Facing::Right, 29, &player_sprites[1]},
        {Facing::Left, 30, &player_sprites[2]},  {Facing::Left, 27, &player_sprites[3]},
        {Facing::Down, 28, &player_down_sprite}, {Facing::Down, 33, &player_down_sprite},
    };
    for (const Case& c : cases) {
        g.facing = c.facing;
        g.player_x = static_cast<std::int8_t>(c.x);
        clear_frame(g.lcd);
        count_blink(g);
    draw_player(g.lcd, g);
        EXPECT_TRUE(shows(g.lcd, *c.sprite)) << "facing " << static_cast<int>(c.facing) << " x " << c.x;
    }
}

TEST(Status, AirGaugeGrowsLeftFromColumn30InAClearedBox) {
    Game g{};
    // Columns 20..31 of rows 2..4 are the gauge's box.
    constexpr std::uint32_t box = 0xFFF00000u;
    struct Case {
        std::int32_t air;
        std::uint32_t bar;  // row 3
    };
    const Case cases[] = {
        {10000, 0x7FE00000u},  // columns 21..30
        {1001, 0x60000000u},   // 29..30
        {1000, 0x40000000u},   // 30
        {1, 0x40000000u},      // 30
        {0, 0u},
        {-300, 0u},
    };
    for (const Case& c : cases) {
        g.air = c.air;
        for (std::uint32_t& word : g.lcd.row) word = 0xFFFFFFFFu;
        draw_air_gauge(g.lcd, g);
        EXPECT_EQ(g.lcd.row[3], ~box | c.bar) << "air " << c.air;
        EXPECT_EQ(g.lcd.row[2], ~box) << "air " << c.air;
        EXPECT_EQ(g.lcd.row[4], ~box) << "air " << c.air;
        EXPECT_EQ(g.lcd.row[1], 0xFFFFFFFFu);
        EXPECT_EQ(g.lcd.row[5], 0xFFFFFFFFu);
    }
}

// The depth box on a clear frame: which three digits it shows, or -1 when
// nothing was drawn.
int depth_drawn(Game& g) {
    clear_frame(g.lcd);
    count_depth_box(g);
    draw_depth(g.lcd, g);
    if (frame_is_clear(g.lcd)) return -1;
    int value = 0;
    for (const int x : {2, 6, 10}) {
        int digit = -1;
        for (int d = 0; d < 10 && digit < 0; ++d) {
            bool same = true;
            for (int i = 0; i < 15; ++i)
                same = same && pixel(g.lcd, x + i % 3, 2 + i / 3) == ((digit_font[d] >> (14 - i)) & 1u);
            if (same) digit = d;
        }
        if (digit < 0) return -2;
        value = value * 10 + digit;
    }
    return value;
}

TEST(Status, DepthShowsForElevenFramesAfterEachChange) {
    Game g{};
    // A new game: 000 on the first ten frames.
    g.depth = 0;
    g.depth_shown = 0;
    g.depth_show_frames = 0;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(depth_drawn(g), 0) << "frame " << i;
    EXPECT_EQ(depth_drawn(g), -1);

    // 41 -> 42: shown on the frame of the change and the ten after it.
    g.depth_shown = 41;
    g.depth = 42;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(depth_drawn(g), 42) << "frame " << i;
    EXPECT_EQ(depth_drawn(g), -1);
    EXPECT_EQ(g.depth_shown, 42);

    // A second change five frames after the first starts the count again.
    g.depth = 43;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(depth_drawn(g), 43);
    g.depth = 44;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(depth_drawn(g), 44) << "frame " << i;
    EXPECT_EQ(depth_drawn(g), -1);

    // The hundreds are taken modulo 1000: the winning depth reads 000.
    g.depth = 1000;
    EXPECT_EQ(depth_drawn(g), 0);

    // The box is cleared first: rows 1..7, columns 1..13, nothing else.
    for (std::uint32_t& word : g.lcd.row) word = 0xFFFFFFFFu;
    g.depth = 888;
    count_depth_box(g);
    draw_depth(g.lcd, g);
    EXPECT_EQ(g.lcd.row[0], 0xFFFFFFFFu);
    EXPECT_EQ(g.lcd.row[1], 0xFFFFC001u);
    EXPECT_EQ(g.lcd.row[7], 0xFFFFC001u);
    EXPECT_EQ(g.lcd.row[8], 0xFFFFFFFFu);
}

TEST(Status, DepthFrameCountStopsOnceTheBoxIsGone) {
    Game g{};
    g.depth = 5;
    g.depth_shown = 4;
    g.depth_show_frames = 0;
    for (int i = 0; i < 100000; ++i) {
        count_depth_box(g);
        draw_depth(g.lcd, g);
    }
    EXPECT_LE(g.depth_show_frames, 11);
    EXPECT_EQ(depth_drawn(g), -1);
    // However long a game has run without a new row, the count cannot
    // overflow back into showing the box.
    g.depth_show_frames = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(depth_drawn(g), -1);
    EXPECT_EQ(depth_drawn(g), -1);
    // And a change still shows it again.
    g.depth = 6;
    EXPECT_EQ(depth_drawn(g), 6);
    EXPECT_EQ(g.depth_show_frames, 0);
}

}  // namespace
}  // namespace murlo
