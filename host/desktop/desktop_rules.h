// The window rules both desktop games follow, on SDL and on Win32 alike:
// the window's size, where the LCD picture sits in it and which points
// count as the LCD, the colours, where the window goes on the screen, the
// corner of the outline used without a skin, and how a wait counts on a
// wrapping millisecond clock. Plain computation without any platform
// header, so the native tests check the very code both games run.
#pragma once

#include <cstdint>

namespace murlo::desktop {

// The window, which is all picture: no frame, no caption bar.
constexpr int window_width = 512;
constexpr int window_height = 400;

// The LCD image: 32 x 32 pixels, each an 8 x 8 square, top-left at (128, 64),
// so it covers columns 128..383 and rows 64..319.
constexpr int lcd_left = 128;
constexpr int lcd_top = 64;
constexpr int lcd_scale = 8;
constexpr int lcd_pixels = 32;
constexpr int lcd_span = lcd_pixels * lcd_scale;  // 256

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb fill_colour{117, 135, 176};  // under the skin, everywhere without one
constexpr Rgb key_colour{255, 0, 255};     // skin pixels of exactly this are see-through
constexpr Rgb lcd_clear{170, 182, 198};
constexpr Rgb lcd_ink{79, 80, 110};

// The smallest screen the window is centred on.
constexpr int centring_min_width = 640;
constexpr int centring_min_height = 480;

// Corner size of the rounded-rectangle outline used when the skin gives
// none: quarters of a 64 x 64 ellipse.
constexpr int fallback_corner = 64;

// Every wait is a whole number of ticks of 9 ms.
constexpr std::uint32_t tick = 9;

struct WindowPlace {
    bool centred;  // false: the window system's default place
    int x, y;      // offset from the screen's top-left corner; 0, 0 when not centred
};

// Centred (halves truncated) on a screen of at least 640 x 480.
WindowPlace window_place(int screen_width, int screen_height);

// The LCD hit area, in window coordinates: 128 <= x <= 384, 64 <= y <= 320,
// both bounds included. One pixel wider and taller than the picture; there
// the pointer is hidden and the window cannot be dragged.
bool in_lcd_hit_area(int x, int y);

// Milliseconds still to wait when a wait of `limit` ms began at clock
// reading `start` and the clock now reads `now`; 0 when it is over. The
// clock is a 32-bit millisecond count that wraps to 0.
std::uint32_t wait_left(std::uint32_t start, std::uint32_t now, std::uint32_t limit);

}  // namespace murlo::desktop
