// The game's one window: a 512 x 400 pop-up whose picture and outline come
// from "window.bmp" (exact magenta is see-through), with the best depth on
// its body, dragged by any visible point outside the LCD, closed by Escape,
// pausing the game when it loses the focus or is minimised, and keeping it
// for the next start when minimised or when the session ends.
#include <cstdio>
#include <memory>
#include <new>

#include "desktop/notices.h"
#include "desktop/skin_file.h"
#include "host/win32/win32_host.h"

#include <mmsystem.h>

namespace murlo {

namespace {

constexpr COLORREF key_colour =
    RGB(handheld::key_colour.r, handheld::key_colour.g, handheld::key_colour.b);
constexpr COLORREF fill_colour =
    RGB(handheld::fill_colour.r, handheld::fill_colour.g, handheld::fill_colour.b);
static_assert(fill_colour == 11569013);

// The skin, or none. A missing file is the plain outline without a word;
// one that is there but unusable is named on stderr with the reason.
HBITMAP load_skin(const char* name) {
    WIN32_FILE_ATTRIBUTE_DATA facts;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &facts)) return nullptr;
    char why[128] = "it is a folder";
    bool usable = (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (usable) {
        std::FILE* file = std::fopen(name, "rb");
        usable = file != nullptr;
        if (file == nullptr) {
            std::snprintf(why, sizeof why, "it cannot be opened");
        } else {
            std::uint8_t head[desktop::skin_head_bytes];
            const std::size_t got = std::fread(head, 1, sizeof head, file);
            std::fclose(file);
            const std::uint64_t size =
                static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
            usable = desktop::check_skin_file(head, got, size, why, sizeof why);
        }
    }
    HBITMAP bitmap = nullptr;
    if (usable) {
        bitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (bitmap == nullptr) std::snprintf(why, sizeof why, "Windows could not read it");
    }
    if (bitmap == nullptr) desktop::say(stderr, "%s not used: %s", name, why);
    return bitmap;
}

bool in_lcd_area(HWND window, int screen_x, int screen_y) {
    POINT point{screen_x, screen_y};
    if (!ScreenToClient(window, &point)) return false;
    return handheld::in_lcd_hit_area(point.x, point.y);
}

void apply_window_shape(const Host& host, HWND window) {
    HRGN region =
        build_skin_region(host.skin, key_colour, handheld::window_width, handheld::window_height);
    if (region == nullptr)
        region = CreateRoundRectRgn(0, 0, handheld::window_width, handheld::window_height,
                                    handheld::fallback_corner, handheld::fallback_corner);
    if (region == nullptr) return;
    // On success the window owns the region.
    if (!SetWindowRgn(window, region, TRUE)) DeleteObject(region);
}

void paint_background(const Host& host, HDC dc) {
    const HBRUSH brush = CreateSolidBrush(fill_colour);
    if (brush != nullptr) {
        const RECT whole{0, 0, handheld::window_width, handheld::window_height};
        FillRect(dc, &whole, brush);
        DeleteObject(brush);
    }
    const HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    if (host.skin != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, host.skin);
        if (previous != nullptr && previous != HGDI_ERROR) {
            BitBlt(dc, 0, 0, handheld::window_width, handheld::window_height, memory, 0, 0,
                   SRCCOPY);
            SelectObject(memory, previous);
        }
    }
    DeleteDC(memory);
}

// "BEST n" on the body in the skin's ink.
void draw_best(const Host& host, HDC dc) {
    const HBRUSH ink = CreateSolidBrush(RGB(handheld::skin_ink.r, handheld::skin_ink.g, handheld::skin_ink.b));
    if (ink == nullptr) return;
    std::uint64_t rows[handheld::best::rows];
    handheld::best_label(host.runner.state.best, rows);
    for (int r = 0; r < handheld::best::rows; ++r)
        for (int c = 0; c < handheld::best::columns; ++c) {
            if (((rows[r] >> c) & 1u) == 0) continue;
            const int x = handheld::best::x + handheld::best::cell * c;
            const int y = handheld::best::y + handheld::best::cell * r;
            const RECT cell{x, y, x + handheld::best::cell, y + handheld::best::cell};
            FillRect(dc, &cell, ink);
        }
    DeleteObject(ink);
}

void paint_window(const Host& host, HWND window) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) return;
    // Fill colour, skin, best depth, LCD: each layer covers the last.
    paint_background(host, dc);
    draw_best(host, dc);
    draw_lcd(host, dc);
    EndPaint(window, &paint);
}

}  // namespace

bool create_main_window(Host& host) {
    // Sleeps in whole milliseconds, not in the default 15.6 ms scheduler
    // tick, so the game wakes when its next frame is due.
    timeBeginPeriod(1);

    // Without a skin the window falls back to a rounded rectangle in the
    // fill colour; nothing else changes.
    host.skin = load_skin("window.bmp");

    WNDCLASSA window_class{};
    window_class.style = 0;
    window_class.lpfnWndProc = main_window_proc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = host.instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = "murlo_class";
    const ATOM atom = RegisterClassA(&window_class);
    if (atom == 0) return false;

    const handheld::WindowPlace place =
        handheld::window_place(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const int x = place.centred ? place.x : CW_USEDEFAULT;
    const int y = place.centred ? place.y : CW_USEDEFAULT;

    // The host goes with the window: WM_NCCREATE keeps it in the window's
    // user data and WM_CREATE shapes the window, both inside this call.
    const HWND window =
        CreateWindowExA(0, MAKEINTATOM(atom), handheld::window_caption, WS_POPUP, x, y, handheld::window_width,
                        handheld::window_height, nullptr, nullptr, host.instance, &host);
    if (window == nullptr) return false;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    open_controllers(host.pads);
    return true;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Windows calls a window procedure with the window alone, so this is
    // the one place the host is not handed on as an argument: it is kept
    // in the window's user data (no variable of our own), from the
    // creation parameter, before any message below can come.
    if (message == WM_NCCREATE) {
        Host* made_for = static_cast<Host*>(reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made_for));
        made_for->window = window;
    }
    Host* const host = reinterpret_cast<Host*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
        case WM_CREATE:
            apply_window_shape(*host, window);
            break;
        case WM_DESTROY:
            // The turn that takes the quit message ends the loop.
            host->window = nullptr;
            PostQuitMessage(0);
            break;
        case WM_PAINT:
            paint_window(*host, window);
            break;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETCURSOR:
            // Over the LCD the pointer would only hide the picture.
            if (LOWORD(lparam) == HTCLIENT) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_NCHITTEST: {
            // Outside the LCD the skin acts as a caption bar, so it drags.
            const ScreenPoint point = point_from_packed(static_cast<std::uint32_t>(lparam));
            return in_lcd_area(window, point.x, point.y) ? HTCLIENT : HTCAPTION;
        }
        case WM_NCPAINT:
            InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // Pressed or released: an Escape released here after being
            // pressed in another window closes the game too.
            if (wparam == VK_ESCAPE) PostMessageA(window, WM_CLOSE, 0, 0);
            // Bit 30: the key was down already, a repeat.
            if (message == WM_KEYDOWN && (lparam & (1 << 30)) == 0)
                key_pressed(host->runner, static_cast<std::uint8_t>(wparam));
            break;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE) lose_focus(host->runner);
            break;
        case WM_KILLFOCUS:
            lose_focus(host->runner);
            break;
        case WM_SIZE:
            // Hidden, the program may be ended without a word.
            if (wparam == SIZE_MINIMIZED) {
                lose_focus(host->runner);
                desktop::keep_now(host->kept, host->runner);
            }
            break;
        case WM_QUERYENDSESSION:
            // The session may end now: the game kept while we still can.
            desktop::keep_now(host->kept, host->runner);
            break;
        case WM_ENDSESSION:
            // Windows is ending the program without closing its window.
            if (wparam) keep_at_close(*host);
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void show_best(const Host& host) {
    if (host.window == nullptr) return;
    // The skin under the old label is painted again before the new one.
    const RECT label{handheld::best::x, handheld::best::y,
                     handheld::best::x + handheld::best::cell * handheld::best::columns,
                     handheld::best::y + handheld::best::cell * handheld::best::rows};
    InvalidateRect(host.window, &label, FALSE);
    UpdateWindow(host.window);
}

HRGN build_skin_region(HBITMAP bitmap, COLORREF key, int width, int height) {
    if (bitmap == nullptr) return nullptr;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;  // top row first
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const std::size_t bytes = skin_pixel_bytes(width, height);
    if (bytes == 0) return nullptr;
    // Zero-filled: rows that a smaller bitmap cannot supply read as opaque
    // black rather than as whatever the heap held.
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[bytes]());
    if (!pixels) return nullptr;
    const HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.get(),
                                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines <= 0) return nullptr;
    return region_from_pixels(pixels.get(), skin_row_stride(width), key, width, height);
}

HRGN region_from_pixels(const std::uint8_t* pixels, std::size_t stride, COLORREF key, int width,
                        int height) {
    const handheld::Rgb key_rgb{GetRValue(key), GetGValue(key), GetBValue(key)};
    HRGN region = nullptr;
    for (const PixelRun& run : opaque_runs(pixels, stride, key_rgb, width, height)) {
        const HRGN rect = CreateRectRgn(run.left, run.top, run.right, run.top + 1);
        if (rect == nullptr) continue;
        if (region == nullptr) {
            region = rect;
        } else {
            CombineRgn(region, region, rect, RGN_OR);
            DeleteObject(rect);
        }
    }
    return region;
}

}  // namespace murlo
