#include "host/sdl/window.h"

#include <SDL.h>
#include <SDL_shape.h>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/sdl/sdl_rules.h"
#include "host/sdl/skin.h"

namespace murlo::sdl {

using namespace desktop;
using namespace handheld;

namespace {

constexpr const char* skin_file = "window.bmp";

SDL_Window* main_window = nullptr;  // none until open_window has made it
int scale = 1;                      // the window's, 1 to max_scale
// The window's sizes and the LCD's place in it, at its scale.
Geometry scaled = geometry(1);

// Fill colour with the skin over it, at the window's size: what the window
// shows outside the LCD area. Drawn once; copied to the window on repaints.
SDL_Surface* background = nullptr;
// The window's own surface as last fully painted; when SDL hands out a
// different one, everything is painted again.
SDL_Surface* painted_surface = nullptr;
char program_dir[4096];
bool have_program_dir = false;

LcdFrame presented_image{};  // the last frame shown; all clear before the first
LcdFrame shown_image{};      // what the window surface holds of it
bool lcd_on_screen = false;  // shown_image is on the screen
bool lcd_dimmed = false;     // the game is paused: the LCD at lower contrast

// The best depth's label on the body, drawn into the window's picture; what
// the picture held there before, to draw a new number on.
SDL_Rect label_area{};
SDL_Surface* under_label = nullptr;

bool pointer_hidden = false;

// The message on stderr with what went wrong, and in a box where there is
// a display to show one.
[[noreturn]] void fail_to_start(const char* why, bool on_display = true) {
    std::fprintf(stderr, "fatal error: initializing application (%s)\n", why);
    if (on_display)
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "fatal error", "initializing application",
                                 nullptr);
    SDL_Quit();
    std::exit(1);
}

std::uint32_t map(const SDL_PixelFormat* format, Rgb c) { return SDL_MapRGB(format, c.r, c.g, c.b); }

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
// SDL wakes its own wait for events by sending an event to the window over
// a second connection. The key that closes the window is one such wake-up,
// and the server may come to it only after the window is gone: the error
// then reported when SDL closes that connection would end the program with
// exit code 1, the default for every X error. That one error means nothing;
// any other still ends the program as before.
XErrorHandler default_x_errors = nullptr;

int on_x_error(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
    return default_x_errors != nullptr ? default_x_errors(display, error) : 0;
}
#endif

// ---- the picture -------------------------------------------------------

// LCD rows first..last of the presented image into the LCD area of the
// window surface: each pixel an exact square (8 x 8 at scale 1) in one of
// the two colours.
void draw_lcd(SDL_Surface* surface, int first, int last) {
    const std::uint32_t clear = map(surface->format, lcd_dimmed ? lcd_paused_clear : lcd_clear);
    const std::uint32_t ink = map(surface->format, lcd_dimmed ? lcd_paused_ink : lcd_ink);
    const int side = scaled.lcd_pixel;
    if (surface->format->BytesPerPixel == 4) {
        std::uint32_t line[lcd_span * max_scale];
        const std::size_t line_bytes = static_cast<std::size_t>(scaled.lcd_span) * 4;
        for (int y = first; y <= last; ++y) {
            const std::uint32_t word = presented_image.row[y];
            for (int x = 0; x < lcd_size; ++x) {
                const std::uint32_t colour = (word >> x) & 1u ? ink : clear;
                for (int i = 0; i < side; ++i) line[x * side + i] = colour;
            }
            for (int i = 0; i < side; ++i) {
                auto* dest = static_cast<std::uint8_t*>(surface->pixels) +
                             (scaled.lcd_top + y * side + i) * surface->pitch + scaled.lcd_left * 4;
                std::memcpy(dest, line, line_bytes);
            }
        }
        return;
    }
    // Other pixel sizes are rare on today's displays: square by square.
    for (int y = first; y <= last; ++y)
        for (int x = 0; x < lcd_size; ++x) {
            const SDL_Rect square{scaled.lcd_left + x * side, scaled.lcd_top + y * side, side, side};
            SDL_FillRect(surface, &square, (presented_image.row[y] >> x) & 1u ? ink : clear);
        }
}

SDL_HitTestResult hit_test(SDL_Window*, const SDL_Point* point, void*) {
    return in_lcd_hit_area(point->x, point->y, scale) ? SDL_HITTEST_NORMAL : SDL_HITTEST_DRAGGABLE;
}

SDL_Window* make_window(const WindowPlace& place, const SDL_Rect& screen, bool skin_shape) {
    const int x = screen.x + place.x;
    const int y = screen.y + place.y;

    // A shaped window where the platform has them; it is created off screen
    // and moved into place once it has its shape.
    SDL_Window* window = SDL_CreateShapedWindow(window_caption, 0, 0, scaled.window_width,
                                                scaled.window_height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window != nullptr) {
        SDL_Surface* shape = nullptr;
        bool own_shape = false;
        if (skin_shape) {
            shape = background;
        } else {
            shape = make_fallback_shape(scale);
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
    return SDL_CreateWindow(window_caption, x, y, scaled.window_width, scaled.window_height,
                            SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
}

// Put the frame last shown on the screen: the whole window, or only the LCD
// rows that changed since the last time.
void paint(bool whole) {
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
        const SDL_Rect rows{scaled.lcd_left, scaled.lcd_top + first * scaled.lcd_pixel, scaled.lcd_span,
                            (last - first + 1) * scaled.lcd_pixel};
        SDL_UpdateWindowSurfaceRects(main_window, &rows, 1);
    }
    shown_image = presented_image;
    lcd_on_screen = true;
}

}  // namespace

const char* exe_dir() { return have_program_dir ? program_dir : nullptr; }

int window_scale() { return scale; }

void show_frame(const LcdFrame& frame) {
    presented_image = frame;
    paint(false);
}

void repaint_window() { paint(true); }

void set_lcd_dimmed(bool dimmed) {
    if (dimmed == lcd_dimmed) return;
    lcd_dimmed = dimmed;
    paint(true);
}

void show_best(std::int32_t depth) {
    if (background == nullptr || under_label == nullptr) return;
    SDL_Rect area = label_area;
    SDL_BlitSurface(under_label, nullptr, background, &area);
    std::uint64_t rows[best::rows];
    best_label(depth, rows);
    const std::uint32_t ink = map(background->format, skin_ink);
    const int side = best::cell * scale;
    for (int r = 0; r < best::rows; ++r)
        for (int c = 0; c < best::columns; ++c) {
            if (((rows[r] >> c) & 1u) == 0) continue;
            SDL_Rect square{label_area.x + c * side, label_area.y + r * side, side, side};
            SDL_FillRect(background, &square, ink);
        }
    if (main_window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(main_window);
    if (surface == nullptr || surface != painted_surface) return;  // the next repaint shows it
    area = label_area;
    SDL_BlitSurface(background, &area, surface, &area);
    SDL_UpdateWindowSurfaceRects(main_window, &label_area, 1);
}

void set_pointer_hidden(bool hidden) {
    if (hidden == pointer_hidden) return;
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
    pointer_hidden = hidden;
}

void close_window() {
    if (main_window != nullptr) SDL_DestroyWindow(main_window);
    main_window = nullptr;
    SDL_FreeSurface(background);
    background = nullptr;
    SDL_FreeSurface(under_label);
    under_label = nullptr;
}

void open_window(int asked_scale) {
    // Draw straight into the window's own surface: SDL's accelerated
    // stand-in would re-create the window and lose its shape.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    // Before SDL's video starts, so that SDL's own handler passes errors on
    // to this one.
    default_x_errors = XSetErrorHandler(on_x_error);
#endif
    if (SDL_Init(SDL_INIT_VIDEO) != 0) fail_to_start(SDL_GetError());
    // With no display SDL falls back on a driver that shows nothing, and the
    // game would run unseen for ever; that is a failed start, unless the
    // user chose the driver.
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    if ((chosen == nullptr || chosen[0] == '\0') && shows_nothing(SDL_GetCurrentVideoDriver()))
        fail_to_start("no display", false);

    if (char* base = SDL_GetBasePath()) {
        have_program_dir = std::strlen(base) < sizeof program_dir;
        if (have_program_dir) std::strcpy(program_dir, base);
        SDL_free(base);
    }

    SDL_Rect screen{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &screen) != 0) screen = SDL_Rect{0, 0, 0, 0};
    SDL_Rect usable{0, 0, 0, 0};
    const bool have_usable = SDL_GetDisplayUsableBounds(0, &usable) == 0;
    scale = asked_scale;
    if (scale < 1 || scale > max_scale) scale = have_usable ? auto_scale(usable.w, usable.h) : 1;
    scaled = geometry(scale);

    char path[4096 + 64];
    SDL_Surface* skin = nullptr;
    if (find_data_file(skin_file, exe_dir(), path, sizeof path)) skin = load_skin(path, skin_file);
    const WindowPicture window_picture = make_window_picture(skin, scale);
    SDL_FreeSurface(skin);
    background = window_picture.picture;
    // The skin gives the shape when it has anything to show.
    const bool skin_shape = window_picture.shaped;
    // What lies under the best depth's label, kept to draw each new number on.
    label_area = {best::x * scale, best::y * scale, best::columns * best::cell * scale,
                  best::rows * best::cell * scale};
    if (background != nullptr) {
        under_label = SDL_CreateRGBSurfaceWithFormat(0, label_area.w, label_area.h, 32, background->format->format);
        SDL_Rect area = label_area;
        if (under_label != nullptr) SDL_BlitSurface(background, &area, under_label, nullptr);
    }

    WindowPlace place = window_place(screen.w, screen.h, scale);
    if (!place.centred && have_usable) {
        // Too small a screen to centre on. SDL offers no default place for a
        // shaped window (it would stay parked off screen), so take the one a
        // window system gives a first window: the top-left corner of the free
        // part of the screen.
        place.x = usable.x - screen.x;
        place.y = usable.y - screen.y;
    }
    main_window = make_window(place, screen, skin_shape);
    if (main_window == nullptr) fail_to_start(SDL_GetError());

    SDL_SetWindowHitTest(main_window, hit_test, nullptr);
    SDL_StopTextInput();
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    SDL_EventState(SDL_TEXTEDITING, SDL_IGNORE);
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#endif
    SDL_ShowWindow(main_window);
    SDL_RaiseWindow(main_window);
    paint(true);
}

}  // namespace murlo::sdl
