// Fuzz target: what the SDL game makes of a skin.
//
// The first byte picks the window's scale (1 to 4) and how the rest is read:
// - as a skin file. check_skin_file says whether the game would take it,
//   and SDL_LoadBMP_RW reads it whether or not, so every picture SDL's
//   loader accepts, of any size and pixel kind, reaches the window's side;
// - as a picture in any pixel format SDL makes surfaces of: the format,
//   width and height from the next bytes, then the palette and the pixels.
// Whatever the picture, make_window_picture gives the window's size at that
// scale in 32-bit RGB, each picture pixel an exact square, the skin copied
// as SDL converts it, the fill colour beyond its reach, and `shaped` exactly
// when some pixel is not the key colour.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <SDL.h>

#include "handheld/handheld.h"
#include "desktop/skin_file.h"
#include "host/sdl/skin.h"

namespace {

using namespace murlo;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_sdl_skin: %s\n", what);
    std::abort();
}

const std::uint32_t* row_of(const SDL_Surface* surface, int y) {
    return reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(surface->pixels) +
                                                  static_cast<std::ptrdiff_t>(y) * surface->pitch);
}

constexpr std::uint32_t formats[] = {
    SDL_PIXELFORMAT_INDEX1LSB, SDL_PIXELFORMAT_INDEX1MSB, SDL_PIXELFORMAT_INDEX4LSB,
    SDL_PIXELFORMAT_INDEX4MSB, SDL_PIXELFORMAT_INDEX8,    SDL_PIXELFORMAT_RGB332,
    SDL_PIXELFORMAT_RGB444,    SDL_PIXELFORMAT_BGR444,    SDL_PIXELFORMAT_RGB555,
    SDL_PIXELFORMAT_BGR555,    SDL_PIXELFORMAT_ARGB4444,  SDL_PIXELFORMAT_RGBA4444,
    SDL_PIXELFORMAT_ABGR4444,  SDL_PIXELFORMAT_BGRA4444,  SDL_PIXELFORMAT_ARGB1555,
    SDL_PIXELFORMAT_RGBA5551,  SDL_PIXELFORMAT_ABGR1555,  SDL_PIXELFORMAT_BGRA5551,
    SDL_PIXELFORMAT_RGB565,    SDL_PIXELFORMAT_BGR565,    SDL_PIXELFORMAT_RGB24,
    SDL_PIXELFORMAT_BGR24,     SDL_PIXELFORMAT_RGB888,    SDL_PIXELFORMAT_RGBX8888,
    SDL_PIXELFORMAT_BGR888,    SDL_PIXELFORMAT_BGRX8888,  SDL_PIXELFORMAT_ARGB8888,
    SDL_PIXELFORMAT_RGBA8888,  SDL_PIXELFORMAT_ABGR8888,  SDL_PIXELFORMAT_BGRA8888,
    SDL_PIXELFORMAT_ARGB2101010,
};

// A picture in one of `formats`, its size and contents from the bytes.
SDL_Surface* picture_from(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return nullptr;
    const std::uint32_t format = formats[data[0] % std::size(formats)];
    const int width = 1 + (data[1] | (data[2] & 3) << 8);   // 1..1024
    const int height = 1 + (data[3] | (data[4] & 3) << 8);  // 1..1024
    data += 5;
    size -= 5;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 0, format);
    if (surface == nullptr) return nullptr;
    if (SDL_Palette* palette = surface->format->palette) {
        for (int i = 0; i < palette->ncolors && size >= 3; ++i, data += 3, size -= 3) {
            const SDL_Color colour{data[0], data[1], data[2], 255};
            SDL_SetPaletteColors(palette, &colour, i, 1);
        }
    }
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    const std::size_t bytes = static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < bytes && size > 0; ++i) pixels[i] = data[i % size];
    return surface;
}

void check(SDL_Surface* skin, int scale) {
    using namespace desktop;
    using namespace handheld;
    const sdl::WindowPicture made = sdl::make_window_picture(skin, scale);
    if (made.picture == nullptr) fail("no picture made");
    const SDL_Surface* picture = made.picture;
    if (picture->w != window_width * scale || picture->h != window_height * scale)
        fail("the picture is not the window's size at its scale");
    if (picture->format->format != SDL_PIXELFORMAT_RGB888) fail("the picture is not 32-bit RGB");

    // What the skin should look like in the window: SDL's own conversion.
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(skin, SDL_PIXELFORMAT_RGB888, 0);
    if (converted == nullptr) fail("SDL cannot convert the picture it made");
    const std::uint32_t fill = SDL_MapRGB(picture->format, fill_colour.r, fill_colour.g, fill_colour.b);
    const std::uint32_t key = SDL_MapRGB(picture->format, key_colour.r, key_colour.g, key_colour.b);
    bool opaque = false;
    for (int y = 0; y < window_height; ++y) {
        const std::uint32_t* row = row_of(picture, y * scale);
        for (int x = 0; x < window_width; ++x) {
            const std::uint32_t got = row[x * scale] & 0xFFFFFFu;
            const bool covered = x < converted->w && y < converted->h;
            const std::uint32_t want = covered ? row_of(converted, y)[x] & 0xFFFFFFu : fill;
            if (got != want) fail(covered ? "a skin pixel changed on its way" : "no fill colour beyond the skin");
            opaque = opaque || got != key;
            for (int i = 1; i < scale; ++i)
                if (row[x * scale + i] != row[x * scale]) fail("a pixel is not a square");
        }
        for (int i = 1; i < scale; ++i)
            if (std::memcmp(row_of(picture, y * scale + i), row, static_cast<std::size_t>(picture->w) * 4) != 0)
                fail("a pixel is not a square");
    }
    if (made.shaped != opaque) fail("shaped does not say whether a pixel is opaque");
    SDL_FreeSurface(converted);
    SDL_FreeSurface(made.picture);
}

}  // namespace

// A picture file can ask for any size; SDL then allocates it before it
// reads a pixel. Such an allocation fails here as on a small machine.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=256";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 0x7FFFFFFF) return 0;
    const int scale = 1 + (data[0] & 3);
    const bool as_file = (data[0] & 4) == 0;
    ++data;
    --size;
    SDL_Surface* skin = nullptr;
    if (as_file) {
        char why[160];
        const bool usable = desktop::check_skin_file(data, std::min(size, desktop::skin_head_bytes), size,
                                                     why, sizeof why);
        if (!usable && why[0] == '\0') fail("a refusal without a reason");
        skin = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, static_cast<int>(size)), 1);
        // What the game takes, SDL can read; but for run-length packing
        // the check sees only how long the packed pixels are, not whether
        // their codes make sense (SDL then refuses, and the game says so).
        const bool run_length = size >= 34 && data[14] >= 40 && (data[30] == 1 || data[30] == 2);
        if (usable && !run_length && skin == nullptr) {
            std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
            fail("a skin the check accepts is one SDL cannot read");
        }
    } else {
        skin = picture_from(data, size);
    }
    if (skin == nullptr) return 0;
    check(skin, scale);
    SDL_FreeSurface(skin);
    return 0;
}
