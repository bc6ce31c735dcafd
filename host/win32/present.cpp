// The LCD on screen: each picture becomes a top-down one-bit bitmap with a
// two-colour table in the palette's colours, stretched into the LCD area
// (eight times at scale 1). While the game is paused the table holds the
// palette's paused colours.
#include <cstring>

#include "host/win32/win32_host.h"

namespace murlo {

namespace {

struct LcdBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
};

constexpr BITMAPINFOHEADER lcd_header = {
    sizeof(BITMAPINFOHEADER),  // biSize
    lcd_size,                  // biWidth
    -lcd_size,                 // biHeight: rows run top-down
    1,                         // biPlanes
    1,                         // biBitCount
    BI_RGB,                    // biCompression
    0, 0, 0, 0, 0,
};

RGBQUAD quad(handheld::Rgb c) { return {c.b, c.g, c.r, 0}; }

}  // namespace

void show_picture(Host& host, const LcdFrame& frame, bool dimmed) {
    std::uint8_t image[presented_bytes];
    frame_to_presented(frame, image);
    // The window repaints the picture from host.image whenever it is
    // uncovered; the same picture need not cross to the screen again.
    if (dimmed == host.dimmed && std::memcmp(image, host.image, presented_bytes) == 0) return;
    std::memcpy(host.image, image, presented_bytes);
    host.dimmed = dimmed;
    // Without a window GetDC would hand out the whole screen.
    const HDC dc = host.window != nullptr ? GetDC(host.window) : nullptr;
    if (dc == nullptr) return;
    draw_lcd(host, dc);
    ReleaseDC(host.window, dc);
}

void draw_lcd(const Host& host, HDC dc) {
    // The palette's two colours, or its paused pair.
    const handheld::Palette& colours = handheld::palette(host.settings.palette);
    const LcdBitmapInfo info{lcd_header,
                             {quad(host.dimmed ? colours.paused_clear : colours.clear),
                              quad(host.dimmed ? colours.paused_ink : colours.ink)}};
    const desktop::View& v = host.view;
    StretchDIBits(dc, v.lcd_left, v.lcd_top, v.lcd_span(), v.lcd_span(), 0, 0, lcd_size, lcd_size, host.image,
                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace murlo
