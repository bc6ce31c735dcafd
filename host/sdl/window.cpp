#include "host/sdl/window.h"

#include <SDL.h>
#include <SDL_shape.h>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/sdl/sdl_rules.h"
#include "host/sdl/skin.h"

namespace murlo::sdl {

using namespace desktop;
using handheld::Palette;
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
// the two colours of the palette.
void draw_lcd(const Window& w, SDL_Surface* surface, int first, int last) {
    const Palette& colours = palette(w.settings.palette);
    const std::uint32_t clear = map(surface->format, w.dimmed ? colours.paused_clear : colours.clear);
    const std::uint32_t ink = map(surface->format, w.dimmed ? colours.paused_ink : colours.ink);
    const View& v = w.view;
    const int side = v.lcd_pixel;
    // Only what lies in the surface: a screen smaller than the handheld
    // cuts it.
    const int left = std::max(v.lcd_left, 0), right = std::min(v.lcd_left + v.lcd_span(), surface->w);
    const int top = std::max(v.lcd_top, 0), bottom = std::min(v.lcd_top + v.lcd_span(), surface->h);
    if (surface->format->BytesPerPixel == 4 && left < right) {
        for (int y = first; y <= last; ++y) {
            const std::uint32_t word = w.presented.row[y];
            for (int i = 0; i < side; ++i) {
                const int row = v.lcd_top + y * side + i;
                if (row < top || row >= bottom) continue;
                auto* dest = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                                              row * surface->pitch);
                for (int x = left; x < right; ++x) dest[x] = (word >> ((x - v.lcd_left) / side)) & 1u ? ink : clear;
            }
        }
        return;
    }
    // Other pixel sizes are rare on today's displays: square by square.
    for (int y = first; y <= last; ++y)
        for (int x = 0; x < lcd_size; ++x) {
            const SDL_Rect square{v.lcd_left + x * side, v.lcd_top + y * side, side, side};
            SDL_FillRect(surface, &square, (w.presented.row[y] >> x) & 1u ? ink : clear);
        }
}

// Cells of a label (bit c of rows[r]) as squares of `side` in the skin's
// ink, from (x, y) of the background.
template <typename Word, int rows>
void draw_cells(SDL_Surface* picture, const Word (&cells)[rows], int columns, int x, int y, int side) {
    const std::uint32_t ink = map(picture->format, skin_ink);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (((cells[r] >> c) & 1u) == 0) continue;
            SDL_Rect square{x + c * side, y + r * side, side, side};
            SDL_FillRect(picture, &square, ink);
        }
}

// The background at the window's size: the backdrop, and the handheld at
// its scale and place with the best depth and the mute mark on its body.
void draw_background(Window& w) {
    SDL_FreeSurface(w.background);
    w.background = nullptr;
    const View& v = w.view;
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, v.width, v.height, 32, SDL_PIXELFORMAT_RGB888);
    if (picture == nullptr) return;
    SDL_FillRect(picture, nullptr, map(picture->format, backdrop_colour));
    if (v.skin) {
        SDL_Surface* body = w.skin != nullptr ? scale_picture(w.skin, v.skin_scale) : nullptr;
        SDL_Rect place{v.skin_x, v.skin_y, window_width * v.skin_scale, window_height * v.skin_scale};
        if (body != nullptr) {
            // On the whole screen the skin's see-through parts show the
            // backdrop; a window is cut to its shape instead (or, where
            // windows have no shapes, shows the skin as it is).
            if (w.settings.full_screen) SDL_SetColorKey(body, SDL_TRUE, map(body->format, key_colour));
            SDL_BlitSurface(body, nullptr, picture, &place);
            SDL_FreeSurface(body);
        } else {
            SDL_FillRect(picture, &place, map(picture->format, fill_colour));
        }
        const int k = v.skin_scale;
        std::uint64_t best_cells[best::rows];
        best_label(w.best, best_cells);
        draw_cells(picture, best_cells, best::columns, v.skin_x + best::x * k, v.skin_y + best::y * k, best::cell * k);
        if (w.settings.mute) {
            std::uint32_t mark[mute_mark::rows];
            mute_mark_cells(mark);
            draw_cells(picture, mark, mute_mark::columns, v.skin_x + mute_mark::x * k, v.skin_y + mute_mark::y * k,
                       mute_mark::cell * k);
        }
    }
    w.background = picture;
}

// SDL hands the callback the pointer it was given: the window. In full
// screen nothing drags; in a window, anything but the LCD and the drawn
// controls.
SDL_HitTestResult hit_test(SDL_Window*, const SDL_Point* point, void* window) {
    const Window& w = *static_cast<const Window*>(window);
    if (w.settings.full_screen || on_lcd(w.view, point->x, point->y) || view_keys_at(w.view, point->x, point->y) != 0)
        return SDL_HITTEST_NORMAL;
    return SDL_HITTEST_DRAGGABLE;
}

SDL_Window* make_window(const Window& w, const SDL_Rect& screen, const SDL_Rect& usable, bool have_usable) {
    if (w.settings.full_screen)
        return SDL_CreateWindow(window_caption, screen.x, screen.y, screen.w, screen.h,
                                SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    const int scale = w.settings.scale;
    WindowPlace place = window_place(screen.w, screen.h, scale);
    if (!place.centred && have_usable) {
        // Too small a screen to centre on. SDL offers no default place for a
        // shaped window (it would stay parked off screen), so take the one a
        // window system gives a first window: the top-left corner of the free
        // part of the screen.
        place.x = usable.x - screen.x;
        place.y = usable.y - screen.y;
    }
    const int x = screen.x + place.x;
    const int y = screen.y + place.y;

    // A shaped window where the platform has them, showing the handheld;
    // it is created off screen and moved into place once it has its shape.
    SDL_Window* window = w.view.skin ? SDL_CreateShapedWindow(window_caption, 0, 0, w.view.width, w.view.height,
                                                              SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN)
                                     : nullptr;
    if (window != nullptr) {
        SDL_Surface* shape = nullptr;
        // The skin's outline, without the labels drawn on its body.
        shape = w.skin_shaped ? scale_picture(w.skin, scale) : make_fallback_shape(scale);
        if (shape != nullptr) {
            SDL_WindowShapeMode mode{};
            mode.mode = ShapeModeColorKey;
            mode.parameters.colorKey = SDL_Color{key_colour.r, key_colour.g, key_colour.b, 255};
            SDL_SetWindowShape(window, shape, &mode);  // on failure: a plain rectangle
        }
        SDL_FreeSurface(shape);
        SDL_SetWindowPosition(window, x, y);
        return window;
    }
    // No shaped windows here, or the screen alone: a plain borderless rectangle.
    return SDL_CreateWindow(window_caption, x, y, w.view.width, w.view.height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
}

// Put the frame last shown on the screen: the whole window, or only the LCD
// rows that changed since the last time.
void paint(Window& w, bool whole) {
    if (w.window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(w.window);
    if (surface == nullptr) return;  // kept; the next repaint shows it
    if (surface != w.painted_surface || !w.lcd_on_screen) whole = true;
    if (w.settings.full_screen && (surface->w != w.view.width || surface->h != w.view.height)) {
        // The full screen is not the size asked for (another screen, or the
        // window system's say): laid out again at the size it is.
        w.view = full_screen_view(w.settings.shown, surface->w, surface->h);
        draw_background(w);
        whole = true;
    }
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
        const SDL_Rect rows{w.view.lcd_left, w.view.lcd_top + first * w.view.lcd_pixel, w.view.lcd_span(),
                            (last - first + 1) * w.view.lcd_pixel};
        SDL_UpdateWindowSurfaceRects(w.window, &rows, 1);
    }
    w.on_surface = w.presented;
    w.lcd_on_screen = true;
}

// The window made as w.settings say, with its background, shown and
// painted; false when no window can be had (SDL_GetError says why).
bool make_shown_window(Window& w) {
    SDL_Rect screen{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &screen) != 0) screen = SDL_Rect{0, 0, 0, 0};
    SDL_Rect usable{0, 0, 0, 0};
    const bool have_usable = SDL_GetDisplayUsableBounds(0, &usable) == 0;
    if (w.settings.scale < 1 || w.settings.scale > max_scale)
        w.settings.scale = have_usable ? auto_scale(usable.w, usable.h) : 1;
    w.view = w.settings.full_screen && screen.w > 0 ? full_screen_view(w.settings.shown, screen.w, screen.h)
                                                    : window_view(w.settings.shown, w.settings.scale);
    draw_background(w);
    w.window = make_window(w, screen, usable, have_usable);
    if (w.window == nullptr) return false;
    SDL_SetWindowHitTest(w.window, hit_test, &w);
    SDL_ShowWindow(w.window);
    SDL_RaiseWindow(w.window);
    w.painted_surface = nullptr;
    w.lcd_on_screen = false;
    paint(w, true);
    return true;
}

}  // namespace

const char* exe_dir(const Window& w) { return w.have_program_dir ? w.program_dir : nullptr; }

std::uint32_t window_id(const Window& w) { return w.window != nullptr ? SDL_GetWindowID(w.window) : 0; }

void show_frame(Window& w, const LcdFrame& frame, bool dimmed) {
    w.presented = frame;
    const bool whole = dimmed != w.dimmed;
    w.dimmed = dimmed;
    paint(w, whole);
}

void repaint_window(Window& w) { paint(w, true); }

void show_best(Window& w, std::int32_t depth) {
    if (depth == w.best && w.background != nullptr) return;
    w.best = depth;
    draw_background(w);
    paint(w, true);
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
    SDL_FreeSurface(w.skin);
    w.skin = nullptr;
}

bool change_window(Window& w, const desktop::Settings& settings) {
    const desktop::Settings was = w.settings;
    w.settings = settings;
    if (settings.full_screen == was.full_screen && settings.shown == was.shown &&
        (settings.scale == was.scale || settings.full_screen)) {
        // The same window: another palette or mute mark.
        draw_background(w);
        paint(w, true);
        return true;
    }
    // Made again: a shaped window cannot be given another size or shape,
    // nor leave its shape for the whole screen.
    if (w.window != nullptr) SDL_DestroyWindow(w.window);
    w.window = nullptr;
    set_pointer_hidden(w, false);
    if (make_shown_window(w)) return true;
    std::fprintf(stderr, "fatal error: the window could not be made again (%s)\n", SDL_GetError());
    return false;
}

bool open_window(Window& w, const desktop::Settings& settings) {
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
    w.settings = settings;

    char path[4096 + 64];
    SDL_Surface* skin = nullptr;
    if (find_data_file(skin_file, exe_dir(w), path, sizeof path)) skin = load_skin(path, skin_file);
    const WindowPicture window_picture = make_window_picture(skin, 1);
    SDL_FreeSurface(skin);
    w.skin = window_picture.picture;
    // The skin gives the shape when it has anything to show.
    w.skin_shaped = window_picture.shaped;

    SDL_StopTextInput();
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    SDL_EventState(SDL_TEXTEDITING, SDL_IGNORE);
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
#endif
    if (!make_shown_window(w)) {
        close_window(w);  // the pictures; SDL's error stays as it was
        return fail_to_start(SDL_GetError());
    }
    return true;
}

}  // namespace murlo::sdl
