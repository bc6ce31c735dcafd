// The LCD on screen: each presented frame becomes a top-down one-bit bitmap
// with a two-colour table, stretched eight times into the LCD area.
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

// When the previous present_frame returned, in performance-counter units;
// 0 before the first.
LONGLONG last_present_end = 0;

LONGLONG counter_now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Microseconds between two performance-counter readings.
std::uint64_t counter_us(LONGLONG from, LONGLONG to) {
    static const LONGLONG per_second = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    }();
    const LONGLONG ticks = to - from;
    return ticks <= 0 ? 0 : static_cast<std::uint64_t>(ticks) * 1000000u / static_cast<std::uint64_t>(per_second);
}

}  // namespace

void present_frame(const LcdFrame& frame) {
    frame_to_presented(frame, presented_image);
    // Without a window GetDC would hand out the whole screen.
    const HDC dc = main_window != nullptr ? GetDC(main_window) : nullptr;
    if (dc != nullptr) {
        draw_lcd(dc);
        ReleaseDC(main_window, dc);
    }
    // The title screen presents in a loop with no wait of its own; keeping
    // presents apart stops it spinning a core. Sleep counts whole
    // milliseconds, so any pause becomes at least one.
    if (last_present_end != 0) {
        const std::uint32_t pause = handheld::present_pause_us(counter_us(last_present_end, counter_now()));
        if (pause > 0) Sleep((pause + 999) / 1000);
    }
    last_present_end = counter_now();
}

void draw_lcd(HDC dc) {
    StretchDIBits(dc, handheld::lcd_left, handheld::lcd_top, handheld::lcd_span, handheld::lcd_span,
                  0, 0, lcd_size, lcd_size, presented_image,
                  reinterpret_cast<const BITMAPINFO*>(&lcd_bitmap_info), DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace murlo
