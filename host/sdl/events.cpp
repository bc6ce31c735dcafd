// Keys, controllers, timed waits and window events. Events are served only
// here, when the game polls the keyboard or waits; closing the window ends
// the process from inside one of them.
#include "host/sdl/sdl_host.h"

#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>

#include "game/host.h"
#include "host/handheld/handheld.h"

namespace murlo {

namespace {

// The controllers plugged in, each opened as SDL announces it.
constexpr int max_controllers = 16;
SDL_GameController* controllers[max_controllers] = {};

void add_controller(int device_index) {
    if (!SDL_IsGameController(device_index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    for (SDL_GameController* controller : controllers)
        if (controller != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == id)
            return;  // already open
    for (SDL_GameController*& slot : controllers)
        if (slot == nullptr) {
            slot = SDL_GameControllerOpen(device_index);
            return;
        }
}

void remove_controller(SDL_JoystickID id) {
    for (SDL_GameController*& controller : controllers)
        if (controller != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == id) {
            SDL_GameControllerClose(controller);
            controller = nullptr;
        }
}

// The keys every controller holds, or-ed together.
InputBits controller_keys() {
    InputBits bits = 0;
    for (SDL_GameController* c : controllers) {
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

void handle_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        sdl::host_shutdown();
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            sdl::host_shutdown();
        case SDL_WINDOWEVENT_EXPOSED:
            sdl::show_window(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys let go in another window never reach us: forget them all.
            SDL_ResetKeyboard();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            sdl::set_pointer_hidden(false);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // Escape closes the window, pressed or released.
        if (event.key.keysym.sym == SDLK_ESCAPE || event.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
            sdl::host_shutdown();
        break;
    case SDL_CONTROLLERDEVICEADDED:
        add_controller(event.cdevice.which);  // a device index
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        remove_controller(event.cdevice.which);  // an instance id
        break;
    case SDL_MOUSEMOTION:
        sdl::set_pointer_hidden(
            handheld::in_lcd_hit_area(event.motion.x, event.motion.y, sdl::window_scale));
        break;
#if defined(SDL_VIDEO_DRIVER_X11) && defined(MURLO_XLIB)
    case SDL_SYSWMEVENT:
        // SDL drops the release of a key it never saw pressed; Escape let go
        // here after being pressed in another window closes all the same.
        if (event.syswm.msg != nullptr && event.syswm.msg->subsystem == SDL_SYSWM_X11) {
            XEvent& x = event.syswm.msg->msg.x11.event;
            if (x.type == KeyRelease && XLookupKeysym(&x.xkey, 0) == XK_Escape) sdl::host_shutdown();
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

}  // namespace

void sdl::open_controllers() {
    // Without controller support the keyboard still plays.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void sdl::host_shutdown() {
    close_run_files();  // before the sound stops: the game made no such call
    stop_sound();
    close_audio();
    close_window();
    SDL_Quit();
    std::exit(0);
}

InputBits poll_input() {
    process_events();
    InputBits bits = 0;
    if (!sdl::played_keys(bits)) bits = sdl::held_keys();
    sdl::note_poll(bits);
    return bits;
}

InputBits sdl::held_keys() {
    // Sampled right after the pump: the keys held as of the events served.
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    // Z is the key that types z on the user's layout, whatever the modifiers.
    const SDL_Scancode z = SDL_GetScancodeFromKey(SDLK_z);
    InputBits bits = 0;
    if (z != SDL_SCANCODE_UNKNOWN && keys[z]) bits |= input::Z;
    if (keys[SDL_SCANCODE_RIGHT]) bits |= input::Right;
    if (keys[SDL_SCANCODE_LEFT]) bits |= input::Left;
    if (keys[SDL_SCANCODE_DOWN]) bits |= input::Down;
    if (keys[SDL_SCANCODE_UP]) bits |= input::Up;
    return bits | controller_keys();
}

void wait_ticks(std::uint32_t n) {
    sdl::note_wait(n);
    const std::uint32_t limit = handheld::wait_limit(n);
    const std::uint32_t start = clock_ms();
    for (;;) {
        process_events();
        sdl::flush_run_files_when_due();
        std::uint32_t left = handheld::wait_left(start, clock_ms(), limit);
        if (left == 0) return;
        // Sleep until the time is up, an event comes or the files are due.
        left = std::min(left, std::max<std::uint32_t>(sdl::ms_until_flush(), 1));
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, left > INT_MAX ? INT_MAX : static_cast<int>(left)))
            handle_event(event);
    }
}

}  // namespace murlo
