// The parts of the Windows host that are plain computation: the window's
// geometry and colours, the presented LCD bytes, the key table and the runs
// of opaque skin pixels. Nothing here includes windows.h, so the same code
// that the Win32 host uses is tested natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/host.h"
#include "lcd/lcd.h"

namespace murlo {

// The window, which is also its client area (a pop-up has no frame).
constexpr int window_width = 512;
constexpr int window_height = 400;

// The LCD image is magnified eight times into client columns 128..383 and
// rows 64..319.
constexpr int lcd_left = 128;
constexpr int lcd_top = 64;
constexpr int lcd_scale = 8;
constexpr int lcd_side = 32 * lcd_scale;

// The hit area reaches one pixel further right and down than the picture:
// column 384 and row 320 still count as the LCD.
constexpr int lcd_hit_right = lcd_left + lcd_side;
constexpr int lcd_hit_bottom = lcd_top + lcd_side;

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

constexpr Rgb skin_key_colour{255, 0, 255};   // see-through skin pixels
constexpr Rgb window_fill_colour{117, 135, 176};
constexpr Rgb lcd_clear_colour{170, 182, 198};
constexpr Rgb lcd_ink_colour{79, 80, 110};

// The 32 x 32 picture as a top-down one-bit bitmap: row y is bytes 4y..4y+3,
// the leftmost pixel of each byte in bit 7; a set bit is ink.
constexpr std::size_t presented_bytes = 128;

// Entry i is i with its eight bits in reverse order.
constexpr std::array<std::uint8_t, 256> make_bit_reverse_table() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if (i & (1u << bit)) r |= 0x80u >> bit;
        table[i] = static_cast<std::uint8_t>(r);
    }
    return table;
}
inline constexpr std::array<std::uint8_t, 256> bit_reverse_table = make_bit_reverse_table();

// Convert a frame (bit 0 of a row word is its leftmost pixel) to the
// presented bitmap bytes.
void frame_to_presented(const LcdFrame& frame, std::uint8_t (&out)[presented_bytes]);

// The five keys the game reads, by Win32 virtual-key code.
struct KeyBinding {
    std::uint8_t virtual_key;
    InputBits mask;
};
constexpr std::size_t key_count = 5;
extern const KeyBinding key_table[key_count];

// The held keys in a 256-byte keyboard state (bit 7 of a byte set = held).
InputBits keys_from_state(const std::uint8_t (&state)[256]);

// One pixel high run of opaque pixels: columns left..right-1 of row top.
// As a rectangle it is (left, top) to (right, top + 1).
struct PixelRun {
    int left;
    int right;
    int top;
    bool operator==(const PixelRun&) const = default;
};

// Bytes per row of a 24-bit top-down pixel buffer: 3 per pixel, filled out
// to a multiple of 4.
constexpr std::size_t skin_row_stride(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) & ~static_cast<std::size_t>(3);
}

// Every maximal horizontal run of pixels that are not exactly `key`, top
// row first and left to right within a row. Pixels are blue, green, red
// byte triples; row y starts at byte y * stride.
std::vector<PixelRun> opaque_runs(const std::uint8_t* pixels, std::size_t stride, Rgb key,
                                  int width, int height);

// Where the window goes on a screen of the given size: centred (halves
// truncated) when the screen is at least 640 x 480, else wherever the
// window system likes.
struct WindowPlace {
    bool centred;
    int x;
    int y;
};
WindowPlace window_place(int screen_width, int screen_height);

// A client point in the LCD hit area, both bounds included.
constexpr bool in_lcd_hit_area(int x, int y) {
    return x >= lcd_left && x <= lcd_hit_right && y >= lcd_top && y <= lcd_hit_bottom;
}

// The screen point packed into a mouse message: x in the low word, y in the
// high word, each a signed 16-bit value (monitors left of or above the
// primary one have negative coordinates).
struct ScreenPoint {
    int x;
    int y;
};
constexpr ScreenPoint point_from_packed(std::uint32_t packed) {
    return {static_cast<std::int16_t>(packed & 0xFFFFu),
            static_cast<std::int16_t>((packed >> 16) & 0xFFFFu)};
}

// Every wait is a whole number of ticks of 9 ms.
constexpr std::uint32_t tick = 9;

// Milliseconds still to sleep after `elapsed` of a `limit`, both read from a
// wrapping 32-bit clock; 0 when the time is up.
constexpr std::uint32_t wait_remaining(std::uint32_t limit, std::uint32_t start,
                                       std::uint32_t now) {
    const std::uint32_t elapsed = now - start;
    return elapsed >= limit ? 0u : limit - elapsed;
}

}  // namespace murlo
