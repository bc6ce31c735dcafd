// The native Windows host: one skinned, shaped pop-up window with the LCD
// magnified in it and the best depth on its body, keys read from the
// thread's keyboard state and from XInput, waits that sleep in the message
// wait, and sounds through PlaySoundA. WinMain makes the window, starts the
// game and then drives it one poll at a time (drive.cpp). The window
// procedure runs only inside the message pumps of a poll, a wait, the
// title's pauses and a paused game; the quit message ends the process from
// inside any of them.
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
#include "game/calls.h"
#include "handheld/handheld.h"
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
// "BEST n" on the body in the skin's ink, for best_depth; show_best
// repaints it after a change.
void draw_best(HDC dc);
void show_best();

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
// While the game is paused the LCD shows the frame it shows now at a lower
// contrast; it is never a frame of the game's.
void dim_lcd(bool dimmed);

// --- messages, keys, controllers, time and sound (events.cpp)
void open_controllers();  // XInput, where its DLL is found
// Serves every waiting message; the quit message ends the process. When
// one of them paused the game, the game is held here until it resumes:
// how many milliseconds it was held (0 without a pause).
std::uint32_t process_messages();
// The keys held now, after serving the messages; a key that resumed the
// game is held at this poll even if it is up again.
InputBits poll_keys();
// A wait of `ticks` ticks: until timeGetTime has moved 9 * ticks + 1 ms,
// serving messages meanwhile. A pause stops the clock: the wait goes on
// after it with the time it had left.
void wait_for_ticks(std::uint32_t ticks);
// A microsecond clock (the performance counter), and a pause of `us`
// microseconds on it, serving messages meanwhile.
std::uint64_t clock_us();
void pause_us(std::uint64_t us);
// The sound file `name` from the working directory, cutting off whatever
// plays; a file that cannot be played as it is is named once on stderr.
void start_sound(const char* name);
void stop_sounds();
// The best depth of a game in play kept, silence, the window and the timer
// period given back, then exit status 0.
[[noreturn]] void host_shutdown();

// --- the pause (events.cpp)
// A pause may begin only while this is set: the driver sets it from the
// poll of a game frame to the end of that step's calls, the closing
// pictures of a game that ends included, and clears it at the title.
extern bool pausable;
// What the window procedure sees: a key pressed (repeats left out), and the
// focus lost or the window minimised.
void key_pressed(std::uint8_t virtual_key);
void window_left();

// --- the game driven (drive.cpp)
// The calls of one step (or of start-up), in order.
void carry_out(const Calls& calls);
// The step of one poll's keys: the best depth kept when it ends a game,
// then its calls.
void play_step(Game& game, InputBits keys, Calls& calls);
// One turn of the game's loop: at the title, the pause that paces its
// passes; then a poll of the keys and play_step. What the step was.
Outcome play_turn(Game& game, Calls& calls, handheld::TitlePace& pace);

// The best depth, in %LOCALAPPDATA%\Murlo\best.txt, and on the body.
extern std::int32_t best_depth;
void load_best();
// Stores `depth` if it is deeper than the best, and shows the best.
void keep_best(std::int32_t depth);
// When the program closes in the middle of a game, its depth is kept.
void keep_best_at_close();

}  // namespace murlo
