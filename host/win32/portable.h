// The parts of the Windows host that are plain computation: the presented
// LCD bytes, the key table, the pause keys, the controller mapping, the check of a skin
// file, the runs of opaque skin pixels and the packed mouse point. The
// window's geometry, colours, placement, hit area and wait arithmetic are
// the handheld's rules, shared with the SDL game (handheld/handheld.h).
// Nothing here includes windows.h, so the same code that the Win32 host
// uses is tested natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "desktop/settings.h"

#include "game/calls.h"
#include "handheld/handheld.h"
#include "lcd/lcd.h"

namespace murlo {

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

// A key pressed in the game's window, as the pause sees it: P and Pause
// pause a game and resume it; any of the five keys resumes it too, and
// counts as held at the next poll.
struct KeyPress {
    bool pause_key;  // P or Pause
    InputBits key;   // the game's key, or 0
};
KeyPress key_press(std::uint8_t virtual_key);

// A key that changes a setting, by virtual-key code: F11, or Enter with
// Alt held, full screen; S the screen alone; M mute; C the palette; + and
// - (either row's) the window's scale.
std::optional<desktop::Change> settings_key(std::uint8_t virtual_key, bool alt);

// An XInput controller as its XINPUT_GAMEPAD reports it: the buttons word
// and the left stick, whose y grows upwards.
struct XInputPad {
    std::uint16_t buttons;
    std::int16_t thumb_lx, thumb_ly;
};
namespace xinput {
constexpr std::uint16_t dpad_up = 0x0001, dpad_down = 0x0002, dpad_left = 0x0004,
                        dpad_right = 0x0008, start = 0x0010, a = 0x1000, b = 0x2000;
}
// The keys it holds, by the rule both desktop games share (handheld::pad_keys).
InputBits xinput_keys(const XInputPad& pad);

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

// Bytes of a 24-bit top-down pixel buffer of width x height: rows of
// skin_row_stride(width) bytes. 0 when either size is not positive or the
// buffer would be larger than GDI can describe (2^31 - 1 bytes), so that no
// product of the two can overflow on the way to an allocation.
std::size_t skin_pixel_bytes(int width, int height);

// Every maximal horizontal run of pixels that are not exactly `key`, top
// row first and left to right within a row. Pixels are blue, green, red
// byte triples; row y starts at byte y * stride.
std::vector<PixelRun> opaque_runs(const std::uint8_t* pixels, std::size_t stride, handheld::Rgb key,
                                  int width, int height);

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

}  // namespace murlo
