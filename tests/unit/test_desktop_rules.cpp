// The window rules both desktop games share: placement, the LCD hit area
// and waits on the wrapping millisecond clock.
#include <gtest/gtest.h>

#include "host/desktop/desktop_rules.h"

namespace murlo::desktop {
namespace {

TEST(DesktopRules, WindowIsCentredWithHalvesTruncatedOnScreensOfAtLeast640By480) {
    const WindowPlace big = window_place(1024, 768);
    EXPECT_TRUE(big.centred);
    EXPECT_EQ(big.x, 256);
    EXPECT_EQ(big.y, 184);
    const WindowPlace odd = window_place(1025, 769);
    EXPECT_EQ(odd.x, 256);
    EXPECT_EQ(odd.y, 184);
    const WindowPlace least = window_place(640, 480);
    EXPECT_TRUE(least.centred);
    EXPECT_EQ(least.x, 64);
    EXPECT_EQ(least.y, 40);
    EXPECT_EQ(window_place(800, 600).x, 144);
    EXPECT_EQ(window_place(800, 600).y, 100);
    // One pixel short in either direction is enough to give up centring.
    EXPECT_FALSE(window_place(639, 480).centred);
    EXPECT_FALSE(window_place(640, 479).centred);
    EXPECT_FALSE(window_place(639, 768).centred);
    EXPECT_FALSE(window_place(1024, 479).centred);
    EXPECT_FALSE(window_place(0, 0).centred);
}

TEST(DesktopRules, LcdHitAreaIncludesOneExtraColumnAndRow) {
    EXPECT_TRUE(in_lcd_hit_area(128, 64));
    EXPECT_TRUE(in_lcd_hit_area(384, 320));  // one past the picture, still inside
    EXPECT_TRUE(in_lcd_hit_area(200, 200));
    EXPECT_TRUE(in_lcd_hit_area(256, 200));
    EXPECT_FALSE(in_lcd_hit_area(385, 200));
    EXPECT_FALSE(in_lcd_hit_area(127, 200));
    EXPECT_FALSE(in_lcd_hit_area(200, 63));
    EXPECT_FALSE(in_lcd_hit_area(200, 321));
    EXPECT_FALSE(in_lcd_hit_area(-200, -100));
}

TEST(DesktopRules, WaitsCountOnTheWrappingClock) {
    EXPECT_EQ(wait_left(1000, 1000, 45), 45u);
    EXPECT_EQ(wait_left(1000, 1044, 45), 1u);
    EXPECT_EQ(wait_left(1000, 1045, 45), 0u);
    EXPECT_EQ(wait_left(1000, 5000, 45), 0u);
    EXPECT_EQ(wait_left(1000, 1000, 0), 0u);  // wait_ticks(0) only serves events
    // The clock passing 2^32 - 1 during a wait neither ends nor stretches it.
    EXPECT_EQ(wait_left(0xFFFFFFF0u, 0xFFFFFFFFu, 45), 30u);
    EXPECT_EQ(wait_left(0xFFFFFFF0u, 0x0000000Cu, 45), 17u);
    EXPECT_EQ(wait_left(0xFFFFFFF0u, 0x00000010u, 45), 13u);
    EXPECT_EQ(wait_left(0xFFFFFFF0u, 0x0000001Cu, 45), 1u);
    EXPECT_EQ(wait_left(0xFFFFFFF0u, 0x0000001Du, 45), 0u);
    // Limits above 2^31 ms are compared unsigned.
    EXPECT_EQ(wait_left(0, 0x80000000u, 0xFFFFFFFFu), 0x7FFFFFFFu);
}

}  // namespace
}  // namespace murlo::desktop
