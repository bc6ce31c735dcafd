// The Windows host's plain parts, checked natively: skin runs, presented
// LCD bytes, the key table, the XInput mapping and packed mouse points. The
// handheld rules it shares with the SDL game are checked in test_handheld.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/skin_file.h"
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
            for (int x = 0; x < w; ++x) set(x, y, handheld::key_colour);
    }
    void set(int x, int y, handheld::Rgb c) {
        std::uint8_t* p = &bytes[y * stride + 3 * x];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
    std::vector<PixelRun> runs() const {
        return opaque_runs(bytes.data(), stride, handheld::key_colour, width, height);
    }
};

constexpr handheld::Rgb grey{90, 90, 90};

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

TEST(Win32Skin, PixelBufferSizeIsRowsOfFilledOutStrideOrNothing) {
    EXPECT_EQ(skin_pixel_bytes(512, 400), 614400u);
    EXPECT_EQ(skin_pixel_bytes(5, 3), 48u);
    EXPECT_EQ(skin_pixel_bytes(0, 400), 0u);
    EXPECT_EQ(skin_pixel_bytes(512, -400), 0u);
    EXPECT_EQ(skin_pixel_bytes(-5, -3), 0u);
    // Up to 2^31 - 1 bytes, which GDI can describe; the products of the
    // largest sizes would wrap 32 bits many times over.
    EXPECT_EQ(skin_pixel_bytes(178956970, 1), 536870912u);
    EXPECT_EQ(skin_pixel_bytes(178956970, 3), 1610612736u);
    EXPECT_EQ(skin_pixel_bytes(178956970, 4), 0u);
    EXPECT_EQ(skin_pixel_bytes(0x7FFFFFFF, 0x7FFFFFFF), 0u);
    EXPECT_EQ(skin_pixel_bytes(65536, 65536), 0u);
}

// The first bytes of a BMP file: file header, 40-byte info header (or the
// 12-byte core one) and a colour table for up to 8 bits a pixel; and the
// size of the whole file with its pixels.
struct BmpHead {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(desktop::skin_head_bytes);
    std::uint64_t file_size;

    BmpHead(int width, int height, int bits, bool core = false, std::uint32_t compression = 0) {
        const std::uint32_t info = core ? 12 : 40;
        const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
        const std::uint32_t offset = 14 + info + colours * (core ? 3 : 4);
        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
        file_size = offset + stride * static_cast<std::uint64_t>(height < 0 ? -height : height);
        bytes[0] = 'B';
        bytes[1] = 'M';
        put32(2, static_cast<std::uint32_t>(file_size));
        put32(10, offset);
        put32(14, info);
        if (core) {
            put16(18, static_cast<std::uint32_t>(width));
            put16(20, static_cast<std::uint32_t>(height));
            put16(22, 1);
            put16(24, static_cast<std::uint32_t>(bits));
        } else {
            put32(18, static_cast<std::uint32_t>(width));
            put32(22, static_cast<std::uint32_t>(height));
            put16(26, 1);
            put16(28, static_cast<std::uint32_t>(bits));
            put32(30, compression);
        }
    }
    void put16(std::size_t at, std::uint32_t v) {
        bytes[at] = v & 0xFF;
        bytes[at + 1] = (v >> 8) & 0xFF;
    }
    void put32(std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    }
    // "" when a file of `size` bytes starting so passes, else the reason.
    std::string verdict(std::uint64_t size) const {
        char why[128] = "";
        const std::size_t head = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), size));
        return desktop::check_skin_file(bytes.data(), head, size, why, sizeof why) ? "" : why;
    }
    std::string verdict() const { return verdict(file_size); }
};

TEST(Win32Skin, FileCheckTakesAnyDepthAndEitherHeaderAt512By400) {
    for (int bits : {1, 4, 8, 16, 24, 32}) EXPECT_EQ(BmpHead(512, 400, bits).verdict(), "") << bits;
    EXPECT_EQ(BmpHead(512, -400, 24).verdict(), "");  // top row first
    EXPECT_EQ(BmpHead(512, 400, 8, true).verdict(), "");
    EXPECT_EQ(BmpHead(512, 400, 32, false, 3).verdict(), "");  // bit fields
    EXPECT_EQ(BmpHead(512, 400, 24).file_size, 54u + 614400u);
}

TEST(Win32Skin, FileCheckSaysWhyItRefuses) {
    const BmpHead skin(512, 400, 24);
    EXPECT_EQ(skin.verdict(0), "the file is empty");
    EXPECT_EQ(skin.verdict(20), "cut short in its header");
    EXPECT_EQ(skin.verdict(skin.file_size - 1), "cut short (614453 bytes of the 614454 its header calls for)");
    EXPECT_EQ(skin.verdict(skin.file_size + 1000), "");

    EXPECT_EQ(BmpHead(1, 1, 24).verdict(), "1 x 1 pixels, not 512 x 400");
    EXPECT_EQ(BmpHead(10000, 10000, 1).verdict(), "10000 x 10000 pixels, not 512 x 400");
    EXPECT_EQ(BmpHead(512, 400, 2).verdict(), "2 bits a pixel, which the game does not read");
    EXPECT_EQ(BmpHead(512, 400, 24, false, 4).verdict(), "compressed in a way the game does not read");
    EXPECT_EQ(BmpHead(512, 400, 24, false, 1).verdict(), "compressed in a way the game does not read");

    BmpHead text = skin;
    text.bytes[0] = 'G';
    EXPECT_EQ(text.verdict(), "not a BMP picture");
    BmpHead odd_header = skin;
    odd_header.put32(14, 64);
    EXPECT_EQ(odd_header.verdict(), "a BMP header of 64 bytes, which the game does not read");

    // Run-length pixels: the header gives their size, and the colour table
    // as the loader counts it must fit in the file as well.
    BmpHead packed(512, 400, 8, false, 1);
    packed.put32(34, 2000);
    EXPECT_EQ(packed.verdict(1078 + 2000), "");
    EXPECT_EQ(packed.verdict(1078 + 1999), "cut short (3077 bytes of the 3078 its header calls for)");
    packed.put32(10, 54);  // pixels said to start inside the colour table
    packed.put32(34, 100);
    EXPECT_EQ(packed.verdict(600), "cut short (600 bytes of the 1078 its header calls for)");
    packed.put32(34, 0);
    EXPECT_EQ(packed.verdict(5000), "a damaged header (no size for its packed pixels)");
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

TEST(Win32Keys, PAndPausePauseAndTheFiveKeysResume) {
    int pause_keys = 0, game_keys = 0;
    for (int vk = 0; vk < 256; ++vk) {
        const KeyPress press = key_press(static_cast<std::uint8_t>(vk));
        pause_keys += press.pause_key;
        game_keys += press.key != 0;
        // A key is one or the other, never both.
        EXPECT_FALSE(press.pause_key && press.key != 0) << vk;
    }
    EXPECT_EQ(pause_keys, 2);
    EXPECT_EQ(game_keys, 5);
    EXPECT_TRUE(key_press(0x50).pause_key);  // P
    EXPECT_TRUE(key_press(0x13).pause_key);  // Pause
    EXPECT_EQ(key_press(0x5A).key, input::Z);
    EXPECT_EQ(key_press(0x28).key, input::Down);
    EXPECT_EQ(key_press(0x26).key, input::Up);
    // Escape quits, paused or not: it is not a key of the pause.
    EXPECT_FALSE(key_press(0x1B).pause_key);
    EXPECT_EQ(key_press(0x1B).key, 0);
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
