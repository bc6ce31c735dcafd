// The desktop host on SDL2: the skinned, shaped window with the LCD image
// in it, the keyboard, timed waits that serve window events, and sound.
// Everything runs on the game's one thread; events are served only inside
// poll_input and wait_ticks, and the process ends inside one of them once
// the window has been closed.
#include <SDL.h>
#include <SDL_shape.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "game/host.h"
#include "host/sdl/sdl_rules.h"

namespace murlo {

namespace {

using namespace desktop;

constexpr const char* window_caption = "Murlo Win";
constexpr const char* skin_file = "window.bmp";

SDL_Window* main_window = nullptr;
// Fill colour with the skin over it, 512 x 400: what the window shows
// outside the LCD area. Drawn once; copied to the window on repaints.
SDL_Surface* background = nullptr;
// The window's own surface as last fully painted; when SDL hands out a
// different one, everything is painted again.
SDL_Surface* painted_surface = nullptr;
char exe_dir[4096];
bool have_exe_dir = false;

LcdFrame presented_image{};  // the last frame presented; all clear before the first
LcdFrame shown_image{};      // what the window surface holds of it
bool lcd_on_screen = false;  // shown_image is on the screen

// The title screen presents without waiting; keep at least 1 ms between
// the end of one present_frame and the end of the next.
constexpr auto present_spacing = std::chrono::milliseconds(1);
std::chrono::steady_clock::time_point last_present_end{};
bool presented_before = false;

bool pointer_hidden = false;

SDL_AudioDeviceID audio_device = 0;
SDL_AudioSpec audio_spec{};

[[noreturn]] void fail_to_start() {
    std::fputs("fatal error: initializing application\n", stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "fatal error", "initializing application",
                             nullptr);
    SDL_Quit();
    std::exit(1);
}

const char* data_dir_base() { return have_exe_dir ? exe_dir : nullptr; }

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

bool is_key_pixel(std::uint32_t rgb888) { return (rgb888 & 0xFFFFFFu) == 0xFF00FFu; }

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
            for (int x = 0; x < lcd_pixels; ++x) {
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
        for (int x = 0; x < lcd_pixels; ++x) {
            const SDL_Rect square{lcd_left + x * lcd_scale, lcd_top + y * lcd_scale, lcd_scale,
                                  lcd_scale};
            SDL_FillRect(surface, &square, (presented_image.row[y] >> x) & 1u ? ink : clear);
        }
}

// Put the presented image on the screen: the LCD rows that differ from
// what is shown, or the whole window when the window system lost it or SDL
// gave a fresh surface.
void show_window(bool whole) {
    if (main_window == nullptr) return;
    SDL_Surface* surface = SDL_GetWindowSurface(main_window);
    if (surface == nullptr) return;  // kept; the next repaint shows it
    if (surface != painted_surface || !lcd_on_screen) whole = true;
    int first = 0, last = lcd_pixels - 1;
    if (!whole) {
        while (first < lcd_pixels && presented_image.row[first] == shown_image.row[first]) ++first;
        if (first == lcd_pixels) return;  // already on the screen
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

// ---- window events -----------------------------------------------------

SDL_HitTestResult hit_test(SDL_Window*, const SDL_Point* point, void*) {
    return in_lcd_hit_area(point->x, point->y) ? SDL_HITTEST_NORMAL : SDL_HITTEST_DRAGGABLE;
}

void set_pointer_hidden(bool hidden) {
    if (hidden == pointer_hidden) return;
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
    pointer_hidden = hidden;
}

// Stop the sound, let go of the window and end the process with code 0.
[[noreturn]] void host_shutdown() {
    stop_sound();
    if (audio_device != 0) SDL_CloseAudioDevice(audio_device);
    audio_device = 0;
    if (main_window != nullptr) SDL_DestroyWindow(main_window);
    main_window = nullptr;
    SDL_FreeSurface(background);
    background = nullptr;
    SDL_Quit();
    std::exit(0);
}

void handle_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        host_shutdown();
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            host_shutdown();
        case SDL_WINDOWEVENT_EXPOSED:
            show_window(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys let go in another window never reach us: forget them all.
            SDL_ResetKeyboard();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            set_pointer_hidden(false);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // Escape closes the window, pressed or released.
        if (event.key.keysym.sym == SDLK_ESCAPE || event.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
            host_shutdown();
        break;
    case SDL_MOUSEMOTION:
        set_pointer_hidden(in_lcd_hit_area(event.motion.x, event.motion.y));
        break;
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    case SDL_SYSWMEVENT:
        // SDL drops the release of a key it never saw pressed; Escape let go
        // here after being pressed in another window closes all the same.
        if (event.syswm.msg != nullptr && event.syswm.msg->subsystem == SDL_SYSWM_X11) {
            XEvent& x = event.syswm.msg->msg.x11.event;
            if (x.type == KeyRelease && XLookupKeysym(&x.xkey, 0) == XK_Escape) host_shutdown();
        }
        break;
#endif
    default:
        break;
    }
}

void process_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handle_event(event);
}

// The millisecond clock of the waits: a 32-bit count that wraps to 0.
// (SDL_GetTicks can read a millisecond high across a second's boundary.)
std::uint32_t clock_ms() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

// ---- start-up ----------------------------------------------------------

void open_audio() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;  // short, so a cut-off sound stops almost at once
    audio_device = SDL_OpenAudioDevice(nullptr, 0, &want, &audio_spec, 0);
    if (audio_device != 0) SDL_PauseAudioDevice(audio_device, 0);
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

void create_main_window() {
    // Draw straight into the window's own surface: SDL's accelerated
    // stand-in would re-create the window and lose its shape.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) fail_to_start();

    if (char* base = SDL_GetBasePath()) {
        have_exe_dir = std::strlen(base) < sizeof exe_dir;
        if (have_exe_dir) std::strcpy(exe_dir, base);
        SDL_free(base);
    }

    char path[4096 + 64];
    SDL_Surface* skin = nullptr;
    if (find_data_file(skin_file, data_dir_base(), path, sizeof path)) skin = SDL_LoadBMP(path);
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
    show_window(true);

    open_audio();
}

InputBits poll_input() {
    process_events();
    // Sampled right after the pump: the keys held as of the events served.
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    // Z is the key that types z on the user's layout, whatever the modifiers.
    const SDL_Scancode z = SDL_GetScancodeFromKey(SDLK_z);
    InputBits bits = 0;
    if (z != SDL_SCANCODE_UNKNOWN && keys[z]) bits |= 0x01;
    if (keys[SDL_SCANCODE_RIGHT]) bits |= 0x02;
    if (keys[SDL_SCANCODE_LEFT]) bits |= 0x04;
    if (keys[SDL_SCANCODE_DOWN]) bits |= 0x08;
    if (keys[SDL_SCANCODE_UP]) bits |= 0x10;
    return bits;
}

void present_frame(const LcdFrame& frame) {
    presented_image = frame;
    show_window(false);  // draws only what changed
    auto now = std::chrono::steady_clock::now();
    if (presented_before && now < last_present_end + present_spacing) {
        std::this_thread::sleep_for(last_present_end + present_spacing - now);
        now = std::chrono::steady_clock::now();
    }
    last_present_end = now;
    presented_before = true;
}

void wait_ticks(std::uint32_t n) {
    const std::uint32_t limit = wait_limit(n);
    const std::uint32_t start = clock_ms();
    for (;;) {
        process_events();
        const std::uint32_t left = wait_left(start, clock_ms(), limit);
        if (left == 0) return;
        // Sleep until the time is up or an event comes, then serve it.
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, left > INT_MAX ? INT_MAX : static_cast<int>(left)))
            handle_event(event);
    }
}

void play_sound(const char* name) {
    if (name == nullptr || audio_device == 0) return;
    // The new sound cuts off the last one, even when it cannot be played.
    SDL_ClearQueuedAudio(audio_device);
    char path[4096 + 64];
    if (!find_data_file(name, data_dir_base(), path, sizeof path)) return;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path, &spec, &samples, &length) == nullptr) return;
    SDL_AudioCVT convert{};
    const int needed = SDL_BuildAudioCVT(&convert, spec.format, spec.channels, spec.freq,
                                         audio_spec.format, audio_spec.channels, audio_spec.freq);
    if (needed == 0) {
        SDL_QueueAudio(audio_device, samples, length);
    } else if (needed > 0) {
        convert.len = static_cast<int>(length);
        convert.buf = static_cast<Uint8*>(SDL_malloc(static_cast<std::size_t>(length) * convert.len_mult));
        if (convert.buf != nullptr) {
            std::memcpy(convert.buf, samples, length);
            if (SDL_ConvertAudio(&convert) == 0)
                SDL_QueueAudio(audio_device, convert.buf, static_cast<Uint32>(convert.len_cvt));
            SDL_free(convert.buf);
        }
    }
    SDL_FreeWAV(samples);
}

void stop_sound() {
    if (audio_device != 0) SDL_ClearQueuedAudio(audio_device);
}

}  // namespace murlo
