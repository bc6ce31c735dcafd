// The Windows host's plain parts, checked natively: skin runs, presented
// LCD bytes, the key table, the XInput mapping and packed mouse points. The
// window rules it shares with the SDL game are checked in test_desktop_rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/win32/portable.h"

namespace murlo {
namespace {

// A 24-bit top-down pixel buffer, all magenta, with row padding filled with
// bytes that must never be read as pixels.
struct Skin {
    int width;
    int height;
    std::size_t stride;
    std::vector<std::uint8_t> bytes;

    Skin(int w, int h) : width(w), height(h), stride(skin_row_stride(w)), bytes(stride * h, 0x11) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, desktop::key_colour);
    }
    void set(int x, int y, desktop::Rgb c) {
        std::uint8_t* p = &bytes[y * stride + 3 * x];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
    std::vector<PixelRun> runs() const {
        return opaque_runs(bytes.data(), stride, desktop::key_colour, width, height);
    }
};

constexpr desktop::Rgb grey{90, 90, 90};

TEST(Win32Skin, RowStrideIsFilledOutToFourBytes) {
    EXPECT_EQ(skin_row_stride(512), 1536u);
    EXPECT_EQ(skin_row_stride(5), 16u);
    EXPECT_EQ(skin_row_stride(1), 4u);
    EXPECT_EQ(skin_row_stride(4), 12u);
}

TEST(Win32Skin, RunsAreMaximalTopRowFirstLeftToRight) {
    Skin skin(512, 4);
    // Row 1: opaque from column 500 to the edge.
    for (int x = 500; x < 512; ++x) skin.set(x, 1, grey);
    // Row 2: two runs, one starting at column 0 and one in the middle.
    for (int x = 0; x < 3; ++x) skin.set(x, 2, grey);
    for (int x = 10; x < 20; ++x) skin.set(x, 2, grey);
    // Row 3: the whole row.
    for (int x = 0; x < 512; ++x) skin.set(x, 3, grey);

    const std::vector<PixelRun> want = {
        {500, 512, 1}, {0, 3, 2}, {10, 20, 2}, {0, 512, 3}};
    EXPECT_EQ(skin.runs(), want);
}

TEST(Win32Skin, OnlyExactMagentaIsSeeThrough) {
    Skin skin(8, 1);
    skin.set(2, 0, {255, 0, 254});
    skin.set(3, 0, {254, 0, 255});
    skin.set(5, 0, {255, 1, 255});
    skin.set(7, 0, {0, 0, 0});
    const std::vector<PixelRun> want = {{2, 4, 0}, {5, 6, 0}, {7, 8, 0}};
    EXPECT_EQ(skin.runs(), want);
}

TEST(Win32Skin, AllMagentaGivesNoRunsAndPaddingIsNotRead) {
    // Width 5: three bytes of padding a row, filled with 0x11, never a pixel.
    Skin skin(5, 3);
    EXPECT_TRUE(skin.runs().empty());
    skin.set(4, 1, grey);
    const std::vector<PixelRun> want = {{4, 5, 1}};
    EXPECT_EQ(skin.runs(), want);
}

TEST(Win32Present, BitReverseTable) {
    EXPECT_EQ(bit_reverse_table[0x00], 0x00);
    EXPECT_EQ(bit_reverse_table[0x01], 0x80);
    EXPECT_EQ(bit_reverse_table[0x03], 0xC0);
    EXPECT_EQ(bit_reverse_table[0x2C], 0x34);
    EXPECT_EQ(bit_reverse_table[0x80], 0x01);
    EXPECT_EQ(bit_reverse_table[0xF0], 0x0F);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(bit_reverse_table[bit_reverse_table[i]], i) << i;
}

TEST(Win32Present, CornerPixelsAndTheByte0x2C) {
    std::uint8_t out[presented_bytes];

    LcdFrame frame{};
    frame.row[0] = 1u;  // pixel (0, 0)
    frame_to_presented(frame, out);
    EXPECT_EQ(out[0], 0x80);
    for (std::size_t i = 1; i < presented_bytes; ++i) EXPECT_EQ(out[i], 0) << i;

    frame = {};
    frame.row[31] = 1u << 31;  // pixel (31, 31)
    frame_to_presented(frame, out);
    EXPECT_EQ(out[127], 0x01);
    for (std::size_t i = 0; i < 127; ++i) EXPECT_EQ(out[i], 0) << i;

    frame = {};
    frame.row[7] = 0x2C;  // columns 2, 3 and 5 of row 7
    frame_to_presented(frame, out);
    EXPECT_EQ(out[28], 0x34);
    EXPECT_EQ(out[29], 0);
}

TEST(Win32Present, EveryPixelLandsInItsBitmapBit) {
    LcdFrame frame{};
    std::uint32_t state = 7;
    for (std::uint32_t& row : frame.row) {
        state = state * 1103515245u + 12345u;
        row = state ^ (state << 13);
    }
    std::uint8_t out[presented_bytes];
    frame_to_presented(frame, out);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool dark = (frame.row[y] >> x) & 1u;
            const bool ink = (out[4 * y + x / 8] >> (7 - x % 8)) & 1u;
            EXPECT_EQ(ink, dark) << "pixel " << x << "," << y;
        }
    }
}

TEST(Win32Keys, HeldKeysFromTheKeyboardState) {
    std::uint8_t state[256] = {};
    EXPECT_EQ(keys_from_state(state), 0);

    state[0x27] = 0x80;  // Right
    state[0x5A] = 0x80;  // Z
    EXPECT_EQ(keys_from_state(state), 0x03);

    state[0x25] = 0x81;  // Left, with the toggle bit as well
    state[0x28] = 0xFF;  // Down
    state[0x26] = 0x80;  // Up
    EXPECT_EQ(keys_from_state(state), 0x1F);

    // Only bit 7 means held; the toggle bit alone, Shift, Caps Lock, the
    // lower-case letter's code (F11) and any other key change nothing.
    std::uint8_t others[256] = {};
    for (int vk = 0; vk < 256; ++vk) others[vk] = 0x80;
    for (const KeyBinding& key : key_table) others[key.virtual_key] = 0x01;
    EXPECT_EQ(keys_from_state(others), 0);

    std::uint8_t shifted[256] = {};
    shifted[0x10] = 0x80;  // Shift
    shifted[0x14] = 0x01;  // Caps Lock on
    shifted[0x5A] = 0x80;
    EXPECT_EQ(keys_from_state(shifted), 0x01);
}

TEST(Win32Keys, XInputControllersHoldArrowsAndZ) {
    EXPECT_EQ(xinput_keys({0, 0, 0}), 0);
    EXPECT_EQ(xinput_keys({xinput::dpad_up | xinput::dpad_right, 0, 0}), input::Up | input::Right);
    EXPECT_EQ(xinput_keys({xinput::dpad_down | xinput::dpad_left, 0, 0}), input::Down | input::Left);
    EXPECT_EQ(xinput_keys({xinput::a, 0, 0}), input::Z);
    EXPECT_EQ(xinput_keys({xinput::b, 0, 0}), input::Z);
    // X, Y, the shoulders, Start and Back hold nothing.
    EXPECT_EQ(xinput_keys({0x4000 | 0x8000 | 0x0100 | 0x0200 | 0x0010 | 0x0020, 0, 0}), 0);
    // The stick's y grows upwards: pushed up is Up, and all the way down
    // (-32768, whose negation does not fit 16 bits) is Down.
    EXPECT_EQ(xinput_keys({0, 0, 20000}), input::Up);
    EXPECT_EQ(xinput_keys({0, 0, -32768}), input::Down);
    EXPECT_EQ(xinput_keys({0, 32767, 0}), input::Right);
    EXPECT_EQ(xinput_keys({0, -20000, -20000}), input::Left | input::Down);
    EXPECT_EQ(xinput_keys({0, 16383, -16383}), 0);  // just short of half way
    EXPECT_EQ(xinput_keys({xinput::dpad_down, 0, 16384}), input::Up | input::Down);  // pad and stick
}

TEST(Win32Window, PackedScreenPointsAreSigned) {
    const ScreenPoint plain = point_from_packed((200u << 16) | 385u);
    EXPECT_EQ(plain.x, 385);
    EXPECT_EQ(plain.y, 200);
    // A monitor left of and above the primary one.
    const ScreenPoint negative = point_from_packed(0xFFF6FFECu);
    EXPECT_EQ(negative.x, -20);
    EXPECT_EQ(negative.y, -10);
    const ScreenPoint edge = point_from_packed(0x7FFF8000u);
    EXPECT_EQ(edge.x, -32768);
    EXPECT_EQ(edge.y, 32767);
}

}  // namespace
}  // namespace murlo
