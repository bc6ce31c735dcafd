// The desktop window's fixed geometry and colours, and the few decisions
// the SDL host makes that need no window system: where the window goes,
// which points belong to the LCD, the fallback outline, how long a wait
// has left on the wrapping clock, and where data files are found.
#pragma once

#include <cstddef>
#include <cstdint>

namespace murlo::desktop {

constexpr int window_width = 512;
constexpr int window_height = 400;

// The LCD image: 32 x 32 pixels, each an 8 x 8 square, top-left at (128, 64).
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

// Corner size of the outline used when the skin gives none: quarters of a
// 64 x 64 ellipse.
constexpr int fallback_corner = 64;

// Milliseconds per tick of wait_ticks.
constexpr std::uint32_t tick_ms = 9;

struct WindowPlace {
    bool centred;  // false: the window system's default place
    int x, y;      // offset from the screen's top-left corner; 0, 0 when not centred
};

// Centred (halves truncated) on a screen of at least 640 x 480.
WindowPlace window_place(int screen_width, int screen_height);

// The LCD hit area, in window coordinates: 128 <= x <= 384, 64 <= y <= 320.
// One pixel wider and taller than the picture; there the pointer is hidden
// and the window cannot be dragged.
bool in_lcd_hit_area(int x, int y);

// Whether window pixel (x, y) lies in the rounded-rectangle outline.
bool in_fallback_outline(int x, int y);

// How far the millisecond clock must move for a wait of `ticks` ticks:
// 9 ms a tick, and one more, since two whole-millisecond readings can be
// 9 x ticks apart up to a millisecond before that much time has passed.
// 0 for no ticks.
std::uint32_t wait_limit(std::uint32_t ticks);

// Milliseconds still to wait when a wait of `limit` ms began at clock
// reading `start` and the clock now reads `now`; 0 when it is over. The
// clock is a 32-bit millisecond count that wraps to 0.
std::uint32_t wait_left(std::uint32_t start, std::uint32_t now, std::uint32_t limit);

// The name under which the skin or a sound is found: `name` itself when the
// working directory holds it, else `exe_dir` + "../share/murlo/" + name
// (exe_dir ends with a slash, or is null when unknown). Writes the path into
// `out` and returns true, or returns false when neither place has it.
bool find_data_file(const char* name, const char* exe_dir, char* out, std::size_t out_size);

}  // namespace murlo::desktop
