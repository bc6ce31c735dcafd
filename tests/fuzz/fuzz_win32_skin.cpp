// Fuzz target: how the Windows game reads its skin, in the plain code it
// shares with the native build.
//
// The same bytes are used three ways:
// - as a skin file's first bytes for check_skin_file, once at their own
//   length and once at the length the BMP header claims: a reason comes
//   with every refusal, and a file that passes still passes when longer;
// - as width and height for skin_pixel_bytes (the BMP's own fields when
//   there are enough bytes): 0 for sizes that are not positive or too
//   large, otherwise exactly the rows of skin_row_stride bytes;
// - as a pixel buffer for opaque_runs: width, height, row stride and
//   colours from the first bytes (any of them, negative sizes and strides
//   shorter than a row included), pixels from the rest. The runs must lie
//   inside the bitmap, come top row first and left to right, be maximal,
//   and cover exactly the pixels that are not the key colour.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "desktop/skin_file.h"
#include "host/win32/portable.h"

namespace {

using namespace murlo;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_win32_skin: %s\n", what);
    std::abort();
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void check_file(const std::uint8_t* data, std::size_t size) {
    // Exactly the bytes the game reads, so a look past them is caught.
    const std::size_t head_size = std::min(size, desktop::skin_head_bytes);
    const std::vector<std::uint8_t> head(data, data + head_size);
    const std::uint64_t claimed = size >= 6 ? std::max<std::uint64_t>(size, le32(data + 2)) : size;
    bool usable[2];
    const std::uint64_t lengths[2] = {size, claimed};
    for (int i = 0; i < 2; ++i) {
        char why[48 + 1];
        std::memset(why, '#', sizeof why);
        usable[i] = desktop::check_skin_file(head.data(), head_size, lengths[i], why, sizeof why - 1);
        if (why[sizeof why - 1] != '#') fail("the reason ran past its buffer");
        if (!usable[i] && (why[0] == '#' || std::memchr(why, '\0', sizeof why - 1) == nullptr ||
                           why[0] == '\0'))
            fail("a refusal without a reason");
        if (usable[i] && (head_size < 26 || head[0] != 'B' || head[1] != 'M'))
            fail("passed a file without a BMP header");
    }
    if (usable[0] && !usable[1]) fail("a longer file is refused where the shorter one passed");
}

void check_buffer_size(const std::uint8_t* data, std::size_t size) {
    const int width = size >= 22 ? static_cast<std::int32_t>(le32(data + 18)) : 0;
    const int height = size >= 26 ? static_cast<std::int32_t>(le32(data + 22)) : 0;
    const std::size_t bytes = skin_pixel_bytes(width, height);
    if (width <= 0 || height <= 0) {
        if (bytes != 0) fail("a buffer for a size that is not positive");
        return;
    }
    const unsigned __int128 stride = (3 * static_cast<unsigned __int128>(width) + 3) / 4 * 4;
    const unsigned __int128 exact = stride * static_cast<unsigned __int128>(height);
    if (exact > 0x7FFFFFFF ? bytes != 0 : bytes != exact) fail("skin_pixel_bytes is not the rows' size");
    if (bytes != 0 && skin_row_stride(width) != stride) fail("skin_row_stride is not 3 bytes a pixel, filled out");
}

void check_runs(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return;
    const int width = static_cast<std::int8_t>(data[0]);
    const int height = static_cast<std::int8_t>(data[1]);
    const std::size_t stride = data[2];
    const bool few_colours = data[3] & 1;
    const std::uint8_t* rest = data + 4;
    const std::size_t rest_size = size - 4;

    std::vector<std::uint8_t> pixels;
    if (width > 0 && height > 0) {
        pixels.resize(static_cast<std::size_t>(height - 1) * stride + 3 * static_cast<std::size_t>(width));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = rest_size ? rest[i % rest_size] : 0;
        if (few_colours) {
            // Two bits a pixel choose the key or one of the colours nearest it.
            const handheld::Rgb palette[4] = {handheld::key_colour, {255, 0, 254}, {254, 0, 255}, {255, 1, 255}};
            for (int y = 0, i = 0; y < height; ++y)
                for (int x = 0; x < width; ++x, ++i) {
                    const int bits = rest_size ? rest[(i / 4) % rest_size] >> (2 * (i % 4)) & 3 : 0;
                    std::uint8_t* p = &pixels[y * stride + 3 * static_cast<std::size_t>(x)];
                    p[0] = palette[bits].b;
                    p[1] = palette[bits].g;
                    p[2] = palette[bits].r;
                }
        }
    }
    const std::vector<PixelRun> runs =
        opaque_runs(pixels.data(), stride, handheld::key_colour, width, height);
    if (width <= 0 || height <= 0) {
        if (!runs.empty()) fail("runs in a bitmap without pixels");
        return;
    }
    auto opaque = [&](int x, int y) {
        const std::uint8_t* p = &pixels[y * stride + 3 * static_cast<std::size_t>(x)];
        return p[0] != handheld::key_colour.b || p[1] != handheld::key_colour.g || p[2] != handheld::key_colour.r;
    };
    std::size_t next = 0;
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (; next < runs.size() && runs[next].top == y; ++next) {
            const PixelRun& run = runs[next];
            if (run.left < x || run.left >= run.right || run.right > width) fail("a run out of place or order");
            if (run.left > 0 && opaque(run.left - 1, y)) fail("a run that could start further left");
            if (run.right < width && opaque(run.right, y)) fail("a run that could end further right");
            for (; x < run.left; ++x)
                if (opaque(x, y)) fail("an opaque pixel outside every run");
            for (; x < run.right; ++x)
                if (!opaque(x, y)) fail("a key-colour pixel inside a run");
        }
        for (; x < width; ++x)
            if (opaque(x, y)) fail("an opaque pixel outside every run");
    }
    if (next != runs.size()) fail("runs out of row order or below the bitmap");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_file(data, size);
    check_buffer_size(data, size);
    check_runs(data, size);
    return 0;
}
