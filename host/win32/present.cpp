// The LCD on screen: each presented frame becomes a top-down one-bit bitmap
// with a two-colour table, stretched eight times into the LCD area. While
// the game is paused the table holds the handheld's paused colours.
#include <cstring>

#include "host/win32/win32_host.h"

namespace murlo {

std::uint8_t presented_image[presented_bytes] = {};

const LcdBitmapInfo lcd_bitmap_info = {
    {
        sizeof(BITMAPINFOHEADER),  // biSize
        32,                        // biWidth
        -32,                       // biHeight: rows run top-down
        1,                         // biPlanes
        1,                         // biBitCount
        BI_RGB,                    // biCompression
        0, 0, 0, 0, 0,
    },
    {
        {handheld::lcd_clear.b, handheld::lcd_clear.g, handheld::lcd_clear.r, 0},
        {handheld::lcd_ink.b, handheld::lcd_ink.g, handheld::lcd_ink.r, 0},
    },
};

namespace {

const LcdBitmapInfo lcd_dimmed_info = {
    lcd_bitmap_info.header,
    {
        {handheld::lcd_paused_clear.b, handheld::lcd_paused_clear.g, handheld::lcd_paused_clear.r, 0},
        {handheld::lcd_paused_ink.b, handheld::lcd_paused_ink.g, handheld::lcd_paused_ink.r, 0},
    },
};

bool lcd_dimmed = false;

void redraw_lcd() {
    // Without a window GetDC would hand out the whole screen.
    const HDC dc = main_window != nullptr ? GetDC(main_window) : nullptr;
    if (dc != nullptr) {
        draw_lcd(dc);
        ReleaseDC(main_window, dc);
    }
}

}  // namespace

void show_frame(const LcdFrame& frame) {
    std::uint8_t image[presented_bytes];
    frame_to_presented(frame, image);
    // The window shows the last picture already, and repaints it from
    // presented_image whenever it is uncovered: the title presents a
    // thousand times a second, mostly the same picture, which need not
    // cross to the screen again.
    if (std::memcmp(image, presented_image, presented_bytes) == 0) return;
    std::memcpy(presented_image, image, presented_bytes);
    redraw_lcd();
}

void draw_lcd(HDC dc) {
    const LcdBitmapInfo& info = lcd_dimmed ? lcd_dimmed_info : lcd_bitmap_info;
    StretchDIBits(dc, handheld::lcd_left, handheld::lcd_top, handheld::lcd_span, handheld::lcd_span,
                  0, 0, lcd_size, lcd_size, presented_image, reinterpret_cast<const BITMAPINFO*>(&info),
                  DIB_RGB_COLORS, SRCCOPY);
}

void dim_lcd(bool dimmed) {
    lcd_dimmed = dimmed;
    redraw_lcd();
}

}  // namespace murlo
