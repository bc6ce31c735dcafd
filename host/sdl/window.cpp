// The window: a borderless 512 x 400 window shaped by the skin (exact
// magenta is see-through), dragged by any visible point outside the LCD,
// with the LCD image magnified eight times in it.
#include <SDL_shape.h>
#include <SDL_syswm.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "game/host.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_rules.h"

namespace murlo {

using namespace desktop;

SDL_Window* sdl::main_window = nullptr;

namespace {

constexpr const char* skin_file = "window.bmp";

// Fill colour with the skin over it, 512 x 400: what the window shows
// outside the LCD area. Drawn once; copied to the window on repaints.
SDL_Surface* background = nullptr;
// The window's own surface as last fully painted; when SDL hands out a
// different one, everything is painted again.
SDL_Surface* painted_surface = nullptr;
char program_dir[4096];
bool have_program_dir = false;

LcdFrame presented_image{};  // the last frame presented; all clear before the first
LcdFrame shown_image{};      // what the window surface holds of it
bool lcd_on_screen = false;  // shown_image is on the screen

std::chrono::steady_clock::time_point last_present_end{};
bool presented_before = false;

bool pointer_hidden = false;

[[noreturn]] void fail_to_start() {
    std::fputs("fatal error: initializing application\n", stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "fatal error", "initializing application",
                             nullptr);
    SDL_Quit();
    std::exit(1);
}

std::uint32_t map(const SDL_PixelFormat* format, Rgb c) { return SDL_MapRGB(format, c.r, c.g, c.b); }

// ---- the picture -------------------------------------------------------

// Fill colour, then the skin from (0, 0), cut to 512 x 400. A skin of
// another size is painted as far as it reaches.
SDL_Surface* make_background(SDL_Surface* skin) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, window_width, window_height, 32,
                                                          SDL_PIXELFORMAT_RGB888);
    if (surface == nullptr) return nullptr;
    SDL_FillRect(surface, nullptr, map(surface->format, fill_colour));
    if (skin != nullptr) {
        SDL_SetSurfaceBlendMode(skin, SDL_BLENDMODE_NONE);
        SDL_BlitSurface(skin, nullptr, surface, nullptr);
    }
    return surface;
}

bool is_key_pixel(std::uint32_t rgb888) {
    const std::uint32_t key = (std::uint32_t{key_colour.r} << 16) | (key_colour.g << 8) | key_colour.b;
    return (rgb888 & 0xFFFFFFu) == key;
}

// True when the picture has at least one pixel that is not exact magenta.
bool has_opaque_pixel(const SDL_Surface* surface) {
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x)
            if (!is_key_pixel(row[x])) return true;
    }
    return false;
}

// The rounded-rectangle outline as a colour-keyed picture.
SDL_Surface* make_fallback_shape() {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, window_width, window_height, 32,
                                                          SDL_PIXELFORMAT_RGB888);
    if (surface == nullptr) return nullptr;
    const std::uint32_t key = map(surface->format, key_colour);
    const std::uint32_t solid = map(surface->format, fill_colour);
    for (int y = 0; y < window_height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                                     y * surface->pitch);
        for (int x = 0; x < window_width; ++x) row[x] = in_fallback_outline(x, y) ? solid : key;
    }
    return surface;
}

// LCD rows first..last of the presented image into the 256 x 256 area of
// the window surface: each pixel an exact 8 x 8 square in one of the two
// colours.
void draw_lcd(SDL_Surface* surface, int first, int last) {
    const std::uint32_t clear = map(surface->format, lcd_clear);
    const std::uint32_t ink = map(surface->format, lcd_ink);
    if (surface->format->BytesPerPixel == 4) {
        std::uint32_t line[lcd_span];
        for (int y = first; y <= last; ++y) {
            const std::uint32_t word = presented_image.row[y];
            for (int x = 0; x < lcd_size; ++x) {
                const std::uint32_t colour = (word >> x) & 1u ? ink : clear;
                for (int i = 0; i < lcd_scale; ++i) line[x * lcd_scale + i] = colour;
            }
            for (int i = 0; i < lcd_scale; ++i) {
                auto* dest = static_cast<std::uint8_t*>(surface->pixels) +
                             (lcd_top + y * lcd_scale + i) * surface->pitch + lcd_left * 4;
                std::memcpy(dest, line, sizeof line);
            }
        }
        return;
    }
    // Other pixel sizes are rare on today's displays: square by square.
    for (int y = first; y <= last; ++y)
        for (int x = 0; x < lcd_size; ++x) {
            const SDL_Rect square{lcd_left + x * lcd_scale, lcd_top + y * lcd_scale, lcd_scale,
                                  lcd_scale};
            SDL_FillRect(surface, &square, (presented_image.row[y] >> x) & 1u ? ink : clear);
        }
}

SDL_HitTestResult hit_test(SDL_Window*, const SDL_Point* point, void*) {
    return in_lcd_hit_area(point->x, point->y) ? SDL_HITTEST_NORMAL : SDL_HITTEST_DRAGGABLE;
}

SDL_Window* make_window(const WindowPlace& place, const SDL_Rect& screen, bool skin_shape) {
    const int x = screen.x + place.x;
    const int y = screen.y + place.y;

    // A shaped window where the platform has them; it is created off screen
    // and moved into place once it has its shape.
    SDL_Window* window = SDL_CreateShapedWindow(window_caption, 0, 0, window_width,
                                                window_height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window != nullptr) {
        SDL_Surface* shape = nullptr;
        bool own_shape = false;
        if (skin_shape) {
            shape = background;
        } else {
            shape = make_fallback_shape();
            own_shape = true;
        }
        if (shape != nullptr) {
            SDL_WindowShapeMode mode{};
            mode.mode = ShapeModeColorKey;
            mode.parameters.colorKey = SDL_Color{key_colour.r, key_colour.g, key_colour.b, 255};
            SDL_SetWindowShape(window, shape, &mode);  // on failure: a plain rectangle
        }
        if (own_shape) SDL_FreeSurface(shape);
        SDL_SetWindowPosition(window, x, y);
        return window;
    }
    // No shaped windows here: a plain borderless rectangle.
    return SDL_CreateWindow(window_caption, x, y, window_width, window_height,
                            SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
}

}  // namespace

const char* sdl::exe_dir() { return have_program_dir ? program_dir : nullptr; }

void sdl::show_window(bool whole) {
    if (main_window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(main_window);
    if (surface == nullptr) return;  // kept; the next repaint shows it
    if (surface != painted_surface || !lcd_on_screen) whole = true;
    int first = 0, last = lcd_size - 1;
    if (!whole) {
        while (first < lcd_size && presented_image.row[first] == shown_image.row[first]) ++first;
        if (first == lcd_size) return;  // already on the screen
        while (presented_image.row[last] == shown_image.row[last]) --last;
    }
    if (whole) {
        if (background != nullptr)
            SDL_BlitSurface(background, nullptr, surface, nullptr);
        else
            SDL_FillRect(surface, nullptr, map(surface->format, fill_colour));
    }
    const bool locked = SDL_MUSTLOCK(surface);
    if (locked && SDL_LockSurface(surface) != 0) return;
    draw_lcd(surface, first, last);
    if (locked) SDL_UnlockSurface(surface);
    if (whole) {
        SDL_UpdateWindowSurface(main_window);
        painted_surface = surface;
    } else {
        const SDL_Rect rows{lcd_left, lcd_top + first * lcd_scale, lcd_span,
                            (last - first + 1) * lcd_scale};
        SDL_UpdateWindowSurfaceRects(main_window, &rows, 1);
    }
    shown_image = presented_image;
    lcd_on_screen = true;
}

void sdl::set_pointer_hidden(bool hidden) {
    if (hidden == pointer_hidden) return;
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
    pointer_hidden = hidden;
}

void sdl::close_window() {
    if (main_window != nullptr) SDL_DestroyWindow(main_window);
    main_window = nullptr;
    SDL_FreeSurface(background);
    background = nullptr;
}

void create_main_window() {
    using sdl::main_window;
    // Draw straight into the window's own surface: SDL's accelerated
    // stand-in would re-create the window and lose its shape.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) fail_to_start();

    if (char* base = SDL_GetBasePath()) {
        have_program_dir = std::strlen(base) < sizeof program_dir;
        if (have_program_dir) std::strcpy(program_dir, base);
        SDL_free(base);
    }

    char path[4096 + 64];
    SDL_Surface* skin = nullptr;
    if (find_data_file(skin_file, sdl::exe_dir(), path, sizeof path)) skin = SDL_LoadBMP(path);
    background = make_background(skin);
    // The skin gives the shape when it has anything to show.
    const bool skin_shape = skin != nullptr && background != nullptr && has_opaque_pixel(background);
    SDL_FreeSurface(skin);

    SDL_Rect screen{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &screen) != 0) screen = SDL_Rect{0, 0, 0, 0};
    WindowPlace place = window_place(screen.w, screen.h);
    if (!place.centred) {
        // Too small a screen to centre on. SDL offers no default place for a
        // shaped window (it would stay parked off screen), so take the one a
        // window system gives a first window: the top-left corner of the free
        // part of the screen.
        SDL_Rect usable{};
        if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
            place.x = usable.x - screen.x;
            place.y = usable.y - screen.y;
        }
    }
    main_window = make_window(place, screen, skin_shape);
    if (main_window == nullptr) fail_to_start();

    SDL_SetWindowHitTest(main_window, hit_test, nullptr);
    SDL_StopTextInput();
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    SDL_EventState(SDL_TEXTEDITING, SDL_IGNORE);
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#endif
    SDL_ShowWindow(main_window);
    SDL_RaiseWindow(main_window);
    sdl::show_window(true);

    sdl::open_audio();
}

void present_frame(const LcdFrame& frame) {
    presented_image = frame;
    sdl::show_window(false);  // draws only what changed
    const auto now = std::chrono::steady_clock::now();
    if (presented_before) {
        const auto since = std::chrono::duration_cast<std::chrono::microseconds>(now - last_present_end);
        const std::uint32_t pause = present_pause_us(static_cast<std::uint64_t>(since.count()));
        if (pause > 0) std::this_thread::sleep_for(std::chrono::microseconds(pause));
    }
    last_present_end = std::chrono::steady_clock::now();
    presented_before = true;
}

}  // namespace murlo
