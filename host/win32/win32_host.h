// The native Windows host: one skinned, shaped pop-up window with the LCD
// magnified in it and the best depth on its body, keys read from the
// thread's keyboard state and from XInput, and sounds through PlaySoundA.
// The runner plays the game; the host is its adapter. Each turn sleeps in
// the message wait until the runner wants to run again or a message comes,
// serves the window's messages (keys, pause keys and the focus go to the
// runner; Escape and the close end the loop), runs the runner with the
// time passed and the keys held, and carries out its report: the LCD, the
// sound, the best depth, the game kept for the next start. All of it lives
// in one Host, made by WinMain.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <xinput.h>

#include <cstdint>
#include <filesystem>

#include "desktop/kept_game.h"
#include "desktop/notices.h"
#include "desktop/settings.h"
#include "desktop/view.h"
#include "handheld/handheld.h"
#include "host/win32/portable.h"
#include "runner/runner.h"

namespace murlo {

// Controllers through XInput, whose DLL is loaded when the window is made;
// where it is missing only the keyboard plays.
struct Pads {
    // XInputGetState, as GetProcAddress finds it; none without the DLL.
    using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
    GetState get_state = nullptr;
    bool connected[XUSER_MAX_COUNT] = {};
    // Asking an empty slot takes long, so empty slots are asked again at
    // most once a second (timeGetTime), which is how soon a controller
    // plugged in is seen.
    DWORD next_look = 0;
    bool looked = false;
    // What they held when last read, to tell presses.
    bool start_held = false;
    InputBits keys_held = 0;
};

// What the controllers hold, and what was pressed on them since they were
// last read: Start, and the game's keys.
struct PadRead {
    InputBits held = 0;
    bool start = false;
    InputBits pressed = 0;
};

struct Host {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;  // none until it is made, and once it is destroyed
    HBITMAP skin = nullptr;  // "window.bmp", or none
    Pads pads;

    // The LCD as the window shows it and repaints it, dimmed while paused.
    std::uint8_t image[presented_bytes] = {};
    bool dimmed = false;

    std::filesystem::path best_path;  // %LOCALAPPDATA%\Murlo\best.txt; empty where there is none
    bool best_said = false;           // a failed write of it was named
    desktop::Notices notices;         // the sound files already named on stderr
    // The player's game in the middle, kept in %LOCALAPPDATA%\Murlo\suspend
    // when the window closes or is minimised, the session ends, and as it
    // goes; gone on with, paused, at the next start.
    desktop::KeptGame kept;

    // The performance counter's rate; the microsecond clock's reading at
    // the last run, and when the runner wants to run again (never: only
    // when a message comes).
    std::uint64_t counts_per_second = 1;
    std::uint64_t last_us = 0;
    std::uint64_t wake_us = 0;
    bool wake_never = false;

    // The settings in use (the command line's over the file's), those the
    // file keeps, where it is (%APPDATA%\Murlo\settings.ini; empty: kept
    // nowhere) and whether a failed write of it was named; what the window
    // shows where; Escape, pressed in full screen, left it (its release
    // and repeats do not quit).
    desktop::Settings settings;
    desktop::Settings stored;
    std::filesystem::path settings_path;
    bool settings_said = false;
    desktop::View view = desktop::window_view(desktop::Shown::Handheld, 1);
    bool escape_left_full_screen = false;

    Runner runner;
};

// --- the game driven (drive.cpp)
// The best depth read, the runner started with `script` to play first
// (empty: none; the player's start, which goes on with a kept game), the
// window made and shown: false when the window cannot be made. Then
// host_turn until it says the program closes, then close_host.
bool start_host(Host& host, runs::Script script, const desktop::SettingOptions& options = {});
// One turn: messages served, the runner run, its report carried out, then
// asleep until it wants to run again or a message comes. False once the
// quit message came (Escape, or the window closed).
bool host_turn(Host& host);
// The best depth and the game in play kept, silence, the window, the kept
// game's lock and the timer period given back.
void close_host(Host& host);
// What happened, told to the runner with the time it came.
void tell(Host& host, Event event);
// A failed start: the message box, and the exit status 1.
int failed_start();
// The program closes in the middle of a game (or Windows ends it): its
// depth kept as the best depth when it counts, and the game kept for the
// next start.
void keep_at_close(Host& host);

// --- window, skin and shape (window.cpp)
// The window, made and shown; false when it cannot be made.
bool create_main_window(Host& host);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The skin's opaque pixels as a region, each a `scale` x `scale` square.
HRGN build_skin_region(HBITMAP bitmap, COLORREF key, int width, int height, int scale = 1);
HRGN region_from_pixels(const std::uint8_t* pixels, std::size_t stride, COLORREF key, int width,
                        int height, int scale = 1);
// "BEST n" on the body in the skin's ink repainted: the best depth changed.
void show_best(const Host& host);
// The window as host.settings now say: its size and place (the whole
// screen, or the handheld's size at its scale, centred), its outline, and
// all of it painted again.
void lay_out_window(Host& host);
// A change of the settings by the player's keys, shown at once and kept
// in the file (unless it is Escape leaving full screen).
void change_settings(Host& host, desktop::Change change);

// --- LCD presentation (present.cpp)
// The frame on the LCD now, in the paused colours when `dimmed`; it is
// also what the window repaints.
void show_picture(Host& host, const LcdFrame& frame, bool dimmed);
void draw_lcd(const Host& host, HDC dc);

// --- keys, controllers, time and sound (events.cpp)
void open_controllers(Pads& pads);
// The controllers, while the game's window is in front.
PadRead read_controllers(Pads& pads, HWND window);
// The longest sleep in milliseconds that still reads the controllers often
// enough: every 20 ms while one is there, once a second while the DLL is
// there to look for one, INFINITE without it.
DWORD controller_interval(const Pads& pads);
// The five keys held, as the thread's keyboard state has them.
InputBits keyboard_keys();
// A key pressed in the window (not a repeat): pauses, goes on, or is one of
// the five keys that end a pause, or changes a setting.
void key_pressed(Host& host, std::uint8_t virtual_key);
// The key the left mouse button holds on the drawn controls, while it is
// down over the game's window.
InputBits mouse_keys(const Host& host);
// The performance counter, and its rate.
std::uint64_t counter_now();
std::uint64_t counter_rate();
// The sound file `name` from the working directory, cutting off whatever
// plays; a file that cannot be played as it is is named once on stderr.
void start_sound(desktop::Notices& notices, const char* name);
void stop_sounds();
// The runner's sound (no_sound: silence).
void play_sound(desktop::Notices& notices, std::int8_t sound);

}  // namespace murlo
