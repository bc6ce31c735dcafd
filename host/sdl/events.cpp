#include "host/sdl/events.h"

#include <SDL.h>

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

#include <climits>
#include <optional>

#include "desktop/notices.h"
#include "desktop/view.h"
#include "handheld/handheld.h"

namespace murlo::sdl {

namespace {

void add_controller(Controllers& controllers, int device_index) {
    if (!SDL_IsGameController(device_index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    for (SDL_GameController* controller : controllers.open)
        if (controller != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == id)
            return;  // already open
    for (SDL_GameController*& slot : controllers.open)
        if (slot == nullptr) {
            slot = SDL_GameControllerOpen(device_index);
            return;
        }
}

void remove_controller(Controllers& controllers, SDL_JoystickID id) {
    for (SDL_GameController*& controller : controllers.open)
        if (controller != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == id) {
            SDL_GameControllerClose(controller);
            controller = nullptr;
        }
}

// The keys every controller holds, or-ed together.
InputBits controller_keys(const Controllers& controllers) {
    InputBits bits = 0;
    for (SDL_GameController* c : controllers.open) {
        if (c == nullptr) continue;
        const auto button = [c](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(c, b) != 0; };
        const handheld::PadState pad{
            button(SDL_CONTROLLER_BUTTON_DPAD_UP),   button(SDL_CONTROLLER_BUTTON_DPAD_DOWN),
            button(SDL_CONTROLLER_BUTTON_DPAD_LEFT), button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
            button(SDL_CONTROLLER_BUTTON_A),         button(SDL_CONTROLLER_BUTTON_B),
            SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX),
            SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY)};
        bits |= handheld::pad_keys(pad);
    }
    return bits;
}

// The arrow keys, by where they are on the keyboard, and the game keys they
// give. Z is the key that types z on the user's layout.
struct Arrow {
    SDL_Scancode scancode;
    InputBits bit;
};
constexpr Arrow arrows[] = {
    {SDL_SCANCODE_RIGHT, input::Right},
    {SDL_SCANCODE_LEFT, input::Left},
    {SDL_SCANCODE_DOWN, input::Down},
    {SDL_SCANCODE_UP, input::Up},
};

// The game key a key event stands for, as held_keys reads the keyboard.
InputBits key_bit(const SDL_Keysym& key) {
    if (key.sym == SDLK_z) return input::Z;
    for (const Arrow& arrow : arrows)
        if (key.scancode == arrow.scancode) return arrow.bit;
    return 0;
}

// The game key a controller's button stands for.
InputBits button_bit(Uint8 button) {
    handheld::PadState pad{};
    pad.up = button == SDL_CONTROLLER_BUTTON_DPAD_UP;
    pad.down = button == SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    pad.left = button == SDL_CONTROLLER_BUTTON_DPAD_LEFT;
    pad.right = button == SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
    pad.south = button == SDL_CONTROLLER_BUTTON_A;
    pad.east = button == SDL_CONTROLLER_BUTTON_B;
    return handheld::pad_keys(pad);
}

// The keys that change a setting: F11 and Alt+Enter full screen, S the
// screen alone, M mute, C the palette, + (or =) and - the window's scale.
// By the letter they type on the user's layout.
std::optional<Change> settings_key(const SDL_Keysym& key) {
    switch (key.sym) {
    case SDLK_F11:
        return Change::full_screen;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if ((key.mod & KMOD_ALT) != 0) return Change::full_screen;
        return std::nullopt;
    case SDLK_s:
        return Change::shown;
    case SDLK_m:
        return Change::mute;
    case SDLK_c:
        return Change::palette;
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
        return Change::bigger;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return Change::smaller;
    default:
        return std::nullopt;
    }
}

// The keys held changed (or may have): the runner hears what is held now,
// and the key of a press being served (SDL's state may already have it let
// go again, when both came in one look at the events).
void keys_changed(Host& h, InputBits pressed = 0) {
    tell(h, {Event::Kind::Keys, static_cast<InputBits>(held_keys(h) | pressed)});
}

void handle_event(Host& h, const SDL_Event& event) {
    Runner& r = h.runner;
    switch (event.type) {
    case SDL_QUIT:             // SIGINT, SIGTERM, or the system asks
    case SDL_APP_TERMINATING:  // the session ends
        h.quit = true;
        break;
    case SDL_WINDOWEVENT:
        // A window made before this one (another scale, full screen) still
        // sends its last events: they are not the game's.
        if (event.window.windowID != window_id(h.window)) break;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            h.quit = true;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            repaint_window(h.window);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys let go in another window never reach us: forget them all.
            SDL_ResetKeyboard();
            tell(h, {Event::Kind::FocusLost});
            keys_changed(h);
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            tell(h, {Event::Kind::Shown});
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            // Put away, perhaps for good: the game is kept as it is now.
            tell(h, {Event::Kind::Hidden});
            desktop::keep_now(h.kept, r);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            set_pointer_hidden(h.window, false);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (event.key.keysym.sym == SDLK_ESCAPE || event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
            // Escape leaves full screen first; then it closes the window,
            // pressed or released (but for the release, or the repeats, of
            // the press that left full screen).
            if (event.type == SDL_KEYDOWN && !event.key.repeat) {
                h.escape_left_full_screen = h.window.settings.full_screen;
                if (h.escape_left_full_screen)
                    change_settings(h, Change::leave_full_screen);
                else
                    h.quit = true;
            } else if (!h.escape_left_full_screen) {
                h.quit = true;
            }
            break;
        }
        if (event.type == SDL_KEYDOWN && !event.key.repeat) h.escape_left_full_screen = false;
        if (event.type == SDL_KEYUP || event.key.repeat) {
            if (key_bit(event.key.keysym) != 0) keys_changed(h);
            break;
        }
        if (const auto change = settings_key(event.key.keysym)) {
            change_settings(h, *change);
        } else if (event.key.keysym.sym == SDLK_p || event.key.keysym.sym == SDLK_PAUSE) {
            tell(h, {Event::Kind::Pause});
        } else if (key_bit(event.key.keysym) != 0) {
            keys_changed(h, key_bit(event.key.keysym));
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        // The drawn controls, held with the mouse, are keys.
        if (event.button.button == SDL_BUTTON_LEFT)
            keys_changed(h, event.type == SDL_MOUSEBUTTONDOWN
                                ? desktop::view_keys_at(h.window.view, event.button.x, event.button.y)
                                : 0);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
        if (event.cbutton.button == SDL_CONTROLLER_BUTTON_START)
            tell(h, {Event::Kind::Pause});
        else if (button_bit(event.cbutton.button) != 0)
            keys_changed(h, button_bit(event.cbutton.button));
        break;
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
        keys_changed(h);
        break;
    case SDL_CONTROLLERDEVICEADDED:
        add_controller(h.controllers, event.cdevice.which);  // a device index
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        remove_controller(h.controllers, event.cdevice.which);  // an instance id
        break;
    case SDL_MOUSEMOTION:
        if ((event.motion.state & SDL_BUTTON_LMASK) != 0) keys_changed(h);
        set_pointer_hidden(h.window, desktop::on_lcd(h.window.view, event.motion.x, event.motion.y));
        break;
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    case SDL_SYSWMEVENT:
        // SDL drops the release of a key it never saw pressed; Escape let go
        // here after being pressed in another window closes all the same.
        if (event.syswm.msg != nullptr && event.syswm.msg->subsystem == SDL_SYSWM_X11) {
            XEvent& x = event.syswm.msg->msg.x11.event;
            if (x.type == KeyRelease && XLookupKeysym(&x.xkey, 0) == XK_Escape && !h.escape_left_full_screen)
                h.quit = true;
        }
        break;
#endif
    default:
        break;
    }
}

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB_EXIT_HANDLER)
// The X server gone (the session ended, or the server died). Xlib's own
// handler would end the program there and then; this one lets Xlib go on
// to on_display_lost, which has our pointer.
int on_io_error(Display*) { return 0; }

// The last moment to keep the game. Once this returns, every call on the
// display fails at once, and the loop ends.
void on_display_lost(Display* display, void* host) {
    Host& h = *static_cast<Host*>(host);
    if (h.display_lost) return;
    h.display_lost = true;
    h.quit = true;
    desktop::say(stderr, "the display %s is gone", DisplayString(display));
    desktop::keep_now(h.kept, h.runner);
}
#endif

}  // namespace

void watch_display(Host& h) {
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB_EXIT_HANDLER)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(h.window.window, &info) && info.subsystem == SDL_SYSWM_X11) {
        XSetIOErrorHandler(on_io_error);
        XSetIOErrorExitHandler(info.info.x11.display, on_display_lost, &h);
    }
#else
    (void)h;
#endif
}

void open_controllers() {
    // Controllers are read when the game runs, not at every look at the
    // events: otherwise, with one plugged in, SDL's wait for events turns
    // into a look every millisecond, and each look asks the system for
    // controllers plugged in or pulled out.
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void close_controllers(Controllers& controllers) {
    for (SDL_GameController*& controller : controllers.open) {
        if (controller != nullptr) SDL_GameControllerClose(controller);
        controller = nullptr;
    }
}

void serve_events(Host& h, std::uint32_t ms) {
    SDL_Event event;
    bool came = false;
    if (ms == never_ms)
        came = SDL_WaitEvent(&event) != 0;
    else if (ms > 0)
        came = SDL_WaitEventTimeout(&event, ms > INT_MAX ? INT_MAX : static_cast<int>(ms)) != 0;
    // A wait that timed out has just pumped the events and found none:
    // another look would only cost the window system's calls again.
    if (ms > 0 && !came) return;
    if (came) handle_event(h, event);
    while (!h.quit && SDL_PollEvent(&event)) handle_event(h, event);
}

InputBits held_keys(const Host& h) {
    // Sampled right after the pump: the keys held as of the events served.
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    // Z is the key that types z on the user's layout, whatever the modifiers.
    const SDL_Scancode z = SDL_GetScancodeFromKey(SDLK_z);
    InputBits bits = 0;
    if (z != SDL_SCANCODE_UNKNOWN && keys[z]) bits |= input::Z;
    for (const Arrow& arrow : arrows)
        if (keys[arrow.scancode]) bits |= arrow.bit;
    // The left button held on the drawn controls, over the game's window.
    int x = 0, y = 0;
    if ((SDL_GetMouseState(&x, &y) & SDL_BUTTON_LMASK) != 0 && SDL_GetMouseFocus() == h.window.window &&
        h.window.window != nullptr)
        bits |= desktop::view_keys_at(h.window.view, x, y);
    // The controllers as they are now; those plugged in or pulled out
    // meanwhile come as events, served at the next turn.
    SDL_GameControllerUpdate();
    return bits | controller_keys(h.controllers);
}

}  // namespace murlo::sdl
