// The native Windows host: one skinned, shaped pop-up window with the LCD
// magnified in it, keys read from the thread's keyboard state and from
// XInput, waits that sleep in the message wait, and sounds through
// PlaySoundA. WinMain makes the window, starts the game and then drives it
// one poll at a time (drive.cpp). The window procedure runs only inside
// the message pumps of a poll, a wait and the title's pauses; the quit
// message ends the process from inside any of them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "game/game.h"
#include "game/host.h"
#include "host/handheld/handheld.h"
#include "host/win32/portable.h"

namespace murlo {

extern HINSTANCE app_instance;  // stored by the entry point before the window is made
extern HWND main_window;        // none until the window is made
extern HBITMAP skin_bitmap;     // "window.bmp", or none

// --- window, skin and shape (window.cpp)
// The window, shown; on failure a message box, then exit status 1.
void create_main_window();
[[noreturn]] void fail_to_start();
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void apply_window_shape(HWND window);
HRGN build_skin_region(HBITMAP bitmap, COLORREF key, int width, int height);
HRGN region_from_pixels(const std::uint8_t* pixels, std::size_t stride, COLORREF key, int width,
                        int height);
bool in_lcd_area(HWND window, int screen_x, int screen_y);
void paint_window(HWND window);
void paint_background(HDC dc);

// --- LCD presentation (present.cpp)
struct LcdBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
};
extern std::uint8_t presented_image[presented_bytes];
extern const LcdBitmapInfo lcd_bitmap_info;
// The frame on the LCD now; it is also what the window repaints.
void show_frame(const LcdFrame& frame);
void draw_lcd(HDC dc);

// --- messages, keys, controllers, time and sound (events.cpp)
void open_controllers();  // XInput, where its DLL is found
// Serves every waiting message; the quit message ends the process.
void process_messages();
// The keys held now, after serving the messages.
InputBits poll_keys();
// A wait of `ticks` ticks: until timeGetTime has moved 9 * ticks + 1 ms,
// serving messages meanwhile.
void wait_for_ticks(std::uint32_t ticks);
// A microsecond clock (the performance counter), and a pause of `us`
// microseconds on it, serving messages meanwhile.
std::uint64_t clock_us();
void pause_us(std::uint64_t us);
// The sound file `name` from the working directory, cutting off whatever
// plays; a file that cannot be played as it is is named once on stderr.
void start_sound(const char* name);
void stop_sounds();
// Silence, the window and the timer period given back, then exit status 0.
[[noreturn]] void host_shutdown();

// --- the game driven (drive.cpp)
// The calls of one step (or of start-up), in order.
void carry_out(const Calls& calls);
// One turn of the game's loop: at the title, the pause that paces its
// passes; then a poll of the keys, a step and its calls. What the step was.
Outcome play_turn(Game& game, Calls& calls, handheld::TitlePace& pace);

}  // namespace murlo
