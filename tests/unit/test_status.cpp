#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "game/game.h"
#include "game/player.h"
#include "lcd/lcd.h"
#include "screens/status.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::HostRecorder;

bool pixel(int x, int y) { return (lcd.row[y] >> x) & 1u; }

// Whether the 8x8 box at the player's place holds exactly `sprite`.
bool shows(const Sprite8& sprite) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (pixel(12 + c, 12 + r) != sprite_pixel(sprite, c, r)) return false;
    return true;
}

bool frame_is_clear() {
    for (const std::uint32_t word : lcd.row)
        if (word != 0) return false;
    return true;
}

// Draw the player on a clear frame and report whether anything showed.
bool player_drawn() {
    clear_frame();
    draw_player();
    return !frame_is_clear();
}

TEST(Status, PlayerBlinksOnTwoFramesOfFourBelow3000Air) {
    HostRecorder host;
    facing = Facing::Right;
    player_x = 28;

    air = 3000;
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(player_drawn()) << "frame " << i;

    air = 2999;
    blink_counter = 0;
    EXPECT_FALSE(player_drawn());  // 1
    EXPECT_TRUE(player_drawn());   // 2
    EXPECT_TRUE(player_drawn());   // 3
    EXPECT_FALSE(player_drawn());  // 4
    EXPECT_EQ(blink_counter, 4);

    // Halfway through the counter's cycle nothing special happens.
    blink_counter = 126;
    EXPECT_TRUE(player_drawn());   // 127
    EXPECT_FALSE(player_drawn());  // 128
    EXPECT_FALSE(player_drawn());  // 129
    EXPECT_TRUE(player_drawn());   // 130
    EXPECT_TRUE(player_drawn());   // 131

    // Across the wrap from 255 to 0.
    blink_counter = 254;
    EXPECT_TRUE(player_drawn());   // 255
    EXPECT_FALSE(player_drawn());  // 0
    EXPECT_EQ(blink_counter, 0);
    EXPECT_FALSE(player_drawn());  // 1
    EXPECT_TRUE(player_drawn());   // 2
}

TEST(Status, PlayerPoseFollowsFacingAndStepParity) {
    HostRecorder host;
    air = 10000;
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
        facing = c.facing;
        player_x = static_cast<std::int8_t>(c.x);
        clear_frame();
        draw_player();
        EXPECT_TRUE(shows(*c.sprite)) << "facing " << static_cast<int>(c.facing) << " x " << c.x;
    }
}

TEST(Status, AirGaugeGrowsLeftFromColumn30InAClearedBox) {
    HostRecorder host;
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
        air = c.air;
        for (std::uint32_t& word : lcd.row) word = 0xFFFFFFFFu;
        draw_air_gauge();
        EXPECT_EQ(lcd.row[3], ~box | c.bar) << "air " << c.air;
        EXPECT_EQ(lcd.row[2], ~box) << "air " << c.air;
        EXPECT_EQ(lcd.row[4], ~box) << "air " << c.air;
        EXPECT_EQ(lcd.row[1], 0xFFFFFFFFu);
        EXPECT_EQ(lcd.row[5], 0xFFFFFFFFu);
    }
}

// The depth box on a clear frame: which three digits it shows, or -1 when
// nothing was drawn.
int depth_drawn() {
    clear_frame();
    draw_depth();
    if (frame_is_clear()) return -1;
    int value = 0;
    for (const int x : {2, 6, 10}) {
        int digit = -1;
        for (int d = 0; d < 10 && digit < 0; ++d) {
            bool same = true;
            for (int i = 0; i < 15; ++i)
                same = same && pixel(x + i % 3, 2 + i / 3) == ((digit_font[d] >> (14 - i)) & 1u);
            if (same) digit = d;
        }
        if (digit < 0) return -2;
        value = value * 10 + digit;
    }
    return value;
}

TEST(Status, DepthShowsForElevenFramesAfterEachChange) {
    HostRecorder host;
    // A new game: 000 on the first ten frames.
    depth = 0;
    depth_shown = 0;
    depth_show_frames = 0;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(depth_drawn(), 0) << "frame " << i;
    EXPECT_EQ(depth_drawn(), -1);

    // 41 -> 42: shown on the frame of the change and the ten after it.
    depth_shown = 41;
    depth = 42;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(depth_drawn(), 42) << "frame " << i;
    EXPECT_EQ(depth_drawn(), -1);
    EXPECT_EQ(depth_shown, 42);

    // A second change five frames after the first starts the count again.
    depth = 43;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(depth_drawn(), 43);
    depth = 44;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(depth_drawn(), 44) << "frame " << i;
    EXPECT_EQ(depth_drawn(), -1);

    // The hundreds are taken modulo 1000: the winning depth reads 000.
    depth = 1000;
    EXPECT_EQ(depth_drawn(), 0);

    // The box is cleared first: rows 1..7, columns 1..13, nothing else.
    for (std::uint32_t& word : lcd.row) word = 0xFFFFFFFFu;
    depth = 888;
    draw_depth();
    EXPECT_EQ(lcd.row[0], 0xFFFFFFFFu);
    EXPECT_EQ(lcd.row[1], 0xFFFFC001u);
    EXPECT_EQ(lcd.row[7], 0xFFFFC001u);
    EXPECT_EQ(lcd.row[8], 0xFFFFFFFFu);
}

TEST(Status, DepthFrameCountStopsOnceTheBoxIsGone) {
    HostRecorder host;
    depth = 5;
    depth_shown = 4;
    depth_show_frames = 0;
    for (int i = 0; i < 100000; ++i) draw_depth();
    EXPECT_LE(depth_show_frames, 11);
    EXPECT_EQ(depth_drawn(), -1);
    // However long a game has run without a new row, the count cannot
    // overflow back into showing the box.
    depth_show_frames = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(depth_drawn(), -1);
    EXPECT_EQ(depth_drawn(), -1);
    // And a change still shows it again.
    depth = 6;
    EXPECT_EQ(depth_drawn(), 6);
    EXPECT_EQ(depth_show_frames, 0);
}

}  // namespace
}  // namespace murlo
