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

// The message on stderr with what went wrong, and in a box where there is
// a display to show one; SDL shut down again.
bool fail_to_start(const char* why, bool on_display = true) {
    std::fprintf(stderr, "fatal error: initializing application (%s)\n", why);
    if (on_display)
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "fatal error", "initializing application",
                                 nullptr);
    SDL_Quit();
    return false;
}

std::uint32_t map(const SDL_PixelFormat* format, Rgb c) { return SDL_MapRGB(format, c.r, c.g, c.b); }

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
// SDL wakes its own wait for events by sending an event to the window over
// a second connection. The key that closes the window is one such wake-up,
// and the server may come to it only after the window is gone: the error
// then reported when SDL closes that connection would end the program with
// exit code 1, the default for every X error. That one error means nothing;
// any other still ends the program as before.
// Xlib calls its error handler with no pointer of ours, so the handler it
// replaced can only be kept where the new one finds it: here, set once
// before SDL's video starts. (The one writable file-level variable of the
// host, forced by Xlib's API.)
XErrorHandler default_x_errors = nullptr;

int on_x_error(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
    return default_x_errors != nullptr ? default_x_errors(display, error) : 0;
}
#endif

// ---- the picture -------------------------------------------------------

// LCD rows first..last of the presented frame into the LCD area of the
// window surface: each pixel an exact square (8 x 8 at scale 1) in one of
// the two colours.
void draw_lcd(const Window& w, SDL_Surface* surface, int first, int last) {
    const std::uint32_t clear = map(surface->format, w.dimmed ? lcd_paused_clear : lcd_clear);
    const std::uint32_t ink = map(surface->format, w.dimmed ? lcd_paused_ink : lcd_ink);
    const Geometry& g = w.scaled;
    const int side = g.lcd_pixel;
    if (surface->format->BytesPerPixel == 4) {
        std::uint32_t line[lcd_span * max_scale];
        const std::size_t line_bytes = static_cast<std::size_t>(g.lcd_span) * 4;
        for (int y = first; y <= last; ++y) {
            const std::uint32_t word = w.presented.row[y];
            for (int x = 0; x < lcd_size; ++x) {
                const std::uint32_t colour = (word >> x) & 1u ? ink : clear;
                for (int i = 0; i < side; ++i) line[x * side + i] = colour;
            }
            for (int i = 0; i < side; ++i) {
                auto* dest = static_cast<std::uint8_t*>(surface->pixels) +
                             (g.lcd_top + y * side + i) * surface->pitch + g.lcd_left * 4;
                std::memcpy(dest, line, line_bytes);
            }
        }
        return;
    }
    // Other pixel sizes are rare on today's displays: square by square.
    for (int y = first; y <= last; ++y)
        for (int x = 0; x < lcd_size; ++x) {
            const SDL_Rect square{g.lcd_left + x * side, g.lcd_top + y * side, side, side};
            SDL_FillRect(surface, &square, (w.presented.row[y] >> x) & 1u ? ink : clear);
        }
}

// SDL hands the callback the pointer it was given: the window's scale.
SDL_HitTestResult hit_test(SDL_Window*, const SDL_Point* point, void* scale) {
    return in_lcd_hit_area(point->x, point->y, *static_cast<const int*>(scale)) ? SDL_HITTEST_NORMAL
                                                                                : SDL_HITTEST_DRAGGABLE;
}

SDL_Window* make_window(const Window& w, const WindowPlace& place, const SDL_Rect& screen, bool skin_shape) {
    const int x = screen.x + place.x;
    const int y = screen.y + place.y;

    // A shaped window where the platform has them; it is created off screen
    // and moved into place once it has its shape.
    SDL_Window* window = SDL_CreateShapedWindow(window_caption, 0, 0, w.scaled.window_width,
                                                w.scaled.window_height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window != nullptr) {
        SDL_Surface* shape = nullptr;
        bool own_shape = false;
        if (skin_shape) {
            shape = w.background;
        } else {
            shape = make_fallback_shape(w.scale);
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
    return SDL_CreateWindow(window_caption, x, y, w.scaled.window_width, w.scaled.window_height,
                            SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
}

// Put the frame last shown on the screen: the whole window, or only the LCD
// rows that changed since the last time.
void paint(Window& w, bool whole) {
    if (w.window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(w.window);
    if (surface == nullptr) return;  // kept; the next repaint shows it
    if (surface != w.painted_surface || !w.lcd_on_screen) whole = true;
    int first = 0, last = lcd_size - 1;
    if (!whole) {
        while (first < lcd_size && w.presented.row[first] == w.on_surface.row[first]) ++first;
        if (first == lcd_size) return;  // already on the screen
        while (w.presented.row[last] == w.on_surface.row[last]) --last;
    }
    if (whole) {
        if (w.background != nullptr)
            SDL_BlitSurface(w.background, nullptr, surface, nullptr);
        else
            SDL_FillRect(surface, nullptr, map(surface->format, fill_colour));
    }
    const bool locked = SDL_MUSTLOCK(surface);
    if (locked && SDL_LockSurface(surface) != 0) return;
    draw_lcd(w, surface, first, last);
    if (locked) SDL_UnlockSurface(surface);
    if (whole) {
        SDL_UpdateWindowSurface(w.window);
        w.painted_surface = surface;
    } else {
        const SDL_Rect rows{w.scaled.lcd_left, w.scaled.lcd_top + first * w.scaled.lcd_pixel, w.scaled.lcd_span,
                            (last - first + 1) * w.scaled.lcd_pixel};
        SDL_UpdateWindowSurfaceRects(w.window, &rows, 1);
    }
    w.on_surface = w.presented;
    w.lcd_on_screen = true;
}

}  // namespace

const char* exe_dir(const Window& w) { return w.have_program_dir ? w.program_dir : nullptr; }

void show_frame(Window& w, const LcdFrame& frame, bool dimmed) {
    w.presented = frame;
    const bool whole = dimmed != w.dimmed;
    w.dimmed = dimmed;
    paint(w, whole);
}

void repaint_window(Window& w) { paint(w, true); }

void show_best(Window& w, std::int32_t depth) {
    if (w.background == nullptr || w.under_label == nullptr) return;
    SDL_Rect area = w.label_area;
    SDL_BlitSurface(w.under_label, nullptr, w.background, &area);
    std::uint64_t rows[best::rows];
    best_label(depth, rows);
    const std::uint32_t ink = map(w.background->format, skin_ink);
    const int side = best::cell * w.scale;
    for (int r = 0; r < best::rows; ++r)
        for (int c = 0; c < best::columns; ++c) {
            if (((rows[r] >> c) & 1u) == 0) continue;
            SDL_Rect square{w.label_area.x + c * side, w.label_area.y + r * side, side, side};
            SDL_FillRect(w.background, &square, ink);
        }
    if (w.window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(w.window);
    if (surface == nullptr || surface != w.painted_surface) return;  // the next repaint shows it
    area = w.label_area;
    SDL_BlitSurface(w.background, &area, surface, &area);
    SDL_UpdateWindowSurfaceRects(w.window, &w.label_area, 1);
}

void set_pointer_hidden(Window& w, bool hidden) {
    if (hidden == w.pointer_hidden) return;
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
    w.pointer_hidden = hidden;
}

void close_window(Window& w) {
    if (w.window != nullptr) SDL_DestroyWindow(w.window);
    w.window = nullptr;
    w.painted_surface = nullptr;
    SDL_FreeSurface(w.background);
    w.background = nullptr;
    SDL_FreeSurface(w.under_label);
    w.under_label = nullptr;
}

bool open_window(Window& w, int asked_scale) {
    // Draw straight into the window's own surface: SDL's accelerated
    // stand-in would re-create the window and lose its shape.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    // Before SDL's video starts, so that SDL's own handler passes errors on
    // to this one.
    default_x_errors = XSetErrorHandler(on_x_error);
#endif
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return fail_to_start(SDL_GetError());
    // With no display SDL falls back on a driver that shows nothing, and the
    // game would run unseen for ever; that is a failed start, unless the
    // user chose the driver.
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    if ((chosen == nullptr || chosen[0] == '\0') && shows_nothing(SDL_GetCurrentVideoDriver()))
        return fail_to_start("no display", false);

    if (char* base = SDL_GetBasePath()) {
        w.have_program_dir = std::strlen(base) < sizeof w.program_dir;
        if (w.have_program_dir) std::strcpy(w.program_dir, base);
        SDL_free(base);
    }

    SDL_Rect screen{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &screen) != 0) screen = SDL_Rect{0, 0, 0, 0};
    SDL_Rect usable{0, 0, 0, 0};
    const bool have_usable = SDL_GetDisplayUsableBounds(0, &usable) == 0;
    w.scale = asked_scale;
    if (w.scale < 1 || w.scale > max_scale) w.scale = have_usable ? auto_scale(usable.w, usable.h) : 1;
    w.scaled = geometry(w.scale);

    char path[4096 + 64];
    SDL_Surface* skin = nullptr;
    if (find_data_file(skin_file, exe_dir(w), path, sizeof path)) skin = load_skin(path, skin_file);
    const WindowPicture window_picture = make_window_picture(skin, w.scale);
    SDL_FreeSurface(skin);
    w.background = window_picture.picture;
    // The skin gives the shape when it has anything to show.
    const bool skin_shape = window_picture.shaped;
    // What lies under the best depth's label, kept to draw each new number on.
    w.label_area = {best::x * w.scale, best::y * w.scale, best::columns * best::cell * w.scale,
                    best::rows * best::cell * w.scale};
    if (w.background != nullptr) {
        w.under_label =
            SDL_CreateRGBSurfaceWithFormat(0, w.label_area.w, w.label_area.h, 32, w.background->format->format);
        SDL_Rect area = w.label_area;
        if (w.under_label != nullptr) SDL_BlitSurface(w.background, &area, w.under_label, nullptr);
    }

    WindowPlace place = window_place(screen.w, screen.h, w.scale);
    if (!place.centred && have_usable) {
        // Too small a screen to centre on. SDL offers no default place for a
        // shaped window (it would stay parked off screen), so take the one a
        // window system gives a first window: the top-left corner of the free
        // part of the screen.
        place.x = usable.x - screen.x;
        place.y = usable.y - screen.y;
    }
    w.window = make_window(w, place, screen, skin_shape);
    if (w.window == nullptr) {
        close_window(w);  // the pictures; SDL's error stays as it was
        return fail_to_start(SDL_GetError());
    }

    SDL_SetWindowHitTest(w.window, hit_test, &w.scale);
    SDL_StopTextInput();
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    SDL_EventState(SDL_TEXTEDITING, SDL_IGNORE);
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#endif
    SDL_ShowWindow(w.window);
    SDL_RaiseWindow(w.window);
    paint(w, true);
    return true;
}

}  // namespace murlo::sdl
