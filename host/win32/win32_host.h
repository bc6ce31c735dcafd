// The native Windows host: one skinned, shaped pop-up window with the LCD
// magnified in it, keys read from the thread's keyboard state, waits that
// sleep in the message wait, and sounds through PlaySoundA. The window
// procedure runs only inside the pump that poll_input and wait_ticks run.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "game/host.h"
#include "host/win32/portable.h"

namespace murlo {

extern HINSTANCE app_instance;  // stored by the entry point before game_main
extern HWND main_window;        // none until the window is made
extern HBITMAP skin_bitmap;     // "window.bmp", or none

// --- window, skin and shape (window.cpp)
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
void draw_lcd(HDC dc);

// --- events, controllers, timing and sound (events.cpp)
void open_controllers();  // XInput, where its DLL is found
void process_messages();
[[noreturn]] void host_shutdown();

}  // namespace murlo
