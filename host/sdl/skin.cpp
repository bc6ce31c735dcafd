#include "host/sdl/skin.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

#include "handheld/handheld.h"
#include "desktop/notices.h"
#include "desktop/skin_file.h"
#include "host/sdl/sdl_rules.h"

namespace murlo::sdl {

using namespace desktop;
using namespace handheld;

namespace {

// Every picture here is 32-bit RGB888, so a pixel is a plain word.
std::uint32_t* row_of(SDL_Surface* surface, int y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                            static_cast<std::ptrdiff_t>(y) * surface->pitch);
}

SDL_Surface* make_rgb888(int width, int height) {
    return SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
}

std::uint32_t rgb888(Rgb c) {
    return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

bool has_opaque_pixel(SDL_Surface* surface) {
    const std::uint32_t key = rgb888(key_colour);
    for (int y = 0; y < surface->h; ++y) {
        const std::uint32_t* row = row_of(surface, y);
        for (int x = 0; x < surface->w; ++x)
            if ((row[x] & 0xFFFFFFu) != key) return true;
    }
    return false;
}

// The picture `scale` times its size, each pixel an exact square. Frees the
// picture it is given.
SDL_Surface* scale_up(SDL_Surface* picture, int scale) {
    if (picture == nullptr || scale == 1) return picture;
    SDL_Surface* surface = make_rgb888(picture->w * scale, picture->h * scale);
    if (surface != nullptr) {
        for (int y = 0; y < surface->h; ++y) {
            const std::uint32_t* from = row_of(picture, y / scale);
            std::uint32_t* to = row_of(surface, y);
            for (int x = 0; x < surface->w; ++x) to[x] = from[x / scale];
        }
    }
    SDL_FreeSurface(picture);
    return surface;
}

}  // namespace

SDL_Surface* load_skin(const char* path, const char* name) {
    char why[160] = "";
    struct stat facts {};
    std::FILE* file = nullptr;
    if (stat(path, &facts) != 0 || S_ISDIR(facts.st_mode)) {
        std::snprintf(why, sizeof why, S_ISDIR(facts.st_mode) ? "it is a folder" : "it cannot be read");
    } else if ((file = std::fopen(path, "rb")) == nullptr) {
        std::snprintf(why, sizeof why, "it cannot be opened");
    } else {
        // Looked at before SDL reads it, so a damaged file or a huge picture
        // never reaches the loader.
        std::uint8_t head[skin_head_bytes];
        const std::size_t got = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
        if (check_skin_file(head, got, static_cast<std::uint64_t>(facts.st_size), why, sizeof why)) {
            if (SDL_Surface* skin = SDL_LoadBMP(path)) return skin;
            std::snprintf(why, sizeof why, "SDL could not read it (%s)", SDL_GetError());
        }
    }
    say(stderr, "%s not used: %s", name, why);
    return nullptr;
}

WindowPicture make_window_picture(SDL_Surface* skin, int scale) {
    SDL_Surface* picture = make_rgb888(window_width, window_height);
    if (picture == nullptr) return {nullptr, false};
    SDL_FillRect(picture, nullptr, rgb888(fill_colour));
    if (skin != nullptr) {
        // Copied as it is, whatever alpha or colour key the file carried.
        SDL_SetSurfaceBlendMode(skin, SDL_BLENDMODE_NONE);
        SDL_SetColorKey(skin, SDL_FALSE, 0);
        SDL_BlitSurface(skin, nullptr, picture, nullptr);
    }
    const bool shaped = skin != nullptr && has_opaque_pixel(picture);
    return {scale_up(picture, scale), shaped};
}

SDL_Surface* scale_picture(SDL_Surface* picture, int scale) {
    SDL_Surface* copy = make_rgb888(picture->w, picture->h);
    if (copy == nullptr) return nullptr;
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(picture, nullptr, copy, nullptr);
    return scale_up(copy, scale);
}

SDL_Surface* make_fallback_shape(int scale) {
    SDL_Surface* surface = make_rgb888(window_width, window_height);
    if (surface == nullptr) return nullptr;
    const std::uint32_t key = rgb888(key_colour);
    const std::uint32_t solid = rgb888(fill_colour);
    for (int y = 0; y < window_height; ++y) {
        std::uint32_t* row = row_of(surface, y);
        for (int x = 0; x < window_width; ++x) row[x] = in_fallback_outline(x, y) ? solid : key;
    }
    return scale_up(surface, scale);
}

}  // namespace murlo::sdl
