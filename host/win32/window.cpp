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

bool in_lcd_area(const Host& host, HWND window, int screen_x, int screen_y) {
    POINT point{screen_x, screen_y};
    if (!ScreenToClient(window, &point)) return false;
    return desktop::on_lcd(host.view, point.x, point.y);
}

// The parts of the window that do not drag it: all of it in full screen,
// else the LCD and the drawn controls.
bool in_client_area(const Host& host, HWND window, int screen_x, int screen_y) {
    POINT point{screen_x, screen_y};
    if (host.settings.full_screen || !ScreenToClient(window, &point)) return true;
    return desktop::on_lcd(host.view, point.x, point.y) || desktop::view_keys_at(host.view, point.x, point.y) != 0;
}

// The window's outline: the skin's (or the rounded rectangle) at the
// window's scale showing the handheld in a window; none (the whole
// rectangle) in full screen or showing the screen alone.
void apply_window_shape(const Host& host, HWND window) {
    if (host.settings.full_screen || !host.view.skin) {
        SetWindowRgn(window, nullptr, TRUE);
        return;
    }
    const int scale = host.view.skin_scale;
    HRGN region = build_skin_region(host.skin, key_colour, handheld::window_width, handheld::window_height, scale);
    if (region == nullptr)
        region = CreateRoundRectRgn(0, 0, handheld::window_width * scale, handheld::window_height * scale,
                                    handheld::fallback_corner * scale, handheld::fallback_corner * scale);
    if (region == nullptr) return;
    // On success the window owns the region.
    if (!SetWindowRgn(window, region, TRUE)) DeleteObject(region);
}

void fill(HDC dc, const RECT& area, COLORREF colour) {
    const HBRUSH brush = CreateSolidBrush(colour);
    if (brush == nullptr) return;
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// The backdrop, and the handheld at its scale and place: the fill colour,
// the skin over it (its see-through parts the backdrop's on the whole
// screen; a window is cut to its outline instead).
void paint_background(const Host& host, HDC dc) {
    const desktop::View& v = host.view;
    fill(dc, RECT{0, 0, v.width, v.height},
         RGB(handheld::backdrop_colour.r, handheld::backdrop_colour.g, handheld::backdrop_colour.b));
    if (!v.skin) return;
    const int width = handheld::window_width * v.skin_scale, height = handheld::window_height * v.skin_scale;
    if (host.skin == nullptr || !host.settings.full_screen) fill(dc, RECT{v.skin_x, v.skin_y, v.skin_x + width, v.skin_y + height}, fill_colour);
    const HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    if (host.skin != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, host.skin);
        if (previous != nullptr && previous != HGDI_ERROR) {
            if (host.settings.full_screen)
                GdiTransparentBlt(dc, v.skin_x, v.skin_y, width, height, memory, 0, 0, handheld::window_width,
                                  handheld::window_height, key_colour);
            else
                StretchBlt(dc, v.skin_x, v.skin_y, width, height, memory, 0, 0, handheld::window_width,
                           handheld::window_height, SRCCOPY);
            SelectObject(memory, previous);
        }
    }
    DeleteDC(memory);
}

// Cells of a label (bit c of rows[r]) as squares of `side` in the skin's
// ink, from (x, y).
template <typename Word, int rows>
void draw_cells(HDC dc, const Word (&cells)[rows], int columns, int x, int y, int side) {
    const HBRUSH ink = CreateSolidBrush(RGB(handheld::skin_ink.r, handheld::skin_ink.g, handheld::skin_ink.b));
    if (ink == nullptr) return;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (((cells[r] >> c) & 1u) == 0) continue;
            const RECT cell{x + c * side, y + r * side, x + (c + 1) * side, y + (r + 1) * side};
            FillRect(dc, &cell, ink);
        }
    DeleteObject(ink);
}

// "BEST n" on the body in the skin's ink, and the mark of a muted game.
void draw_best(const Host& host, HDC dc) {
    const desktop::View& v = host.view;
    if (!v.skin) return;
    const int k = v.skin_scale;
    std::uint64_t rows[handheld::best::rows];
    handheld::best_label(host.runner.state.best, rows);
    draw_cells(dc, rows, handheld::best::columns, v.skin_x + handheld::best::x * k,
               v.skin_y + handheld::best::y * k, handheld::best::cell * k);
    if (!host.settings.mute) return;
    std::uint32_t mark[desktop::mute_mark::rows];
    desktop::mute_mark_cells(mark);
    draw_cells(dc, mark, desktop::mute_mark::columns, v.skin_x + desktop::mute_mark::x * k,
               v.skin_y + desktop::mute_mark::y * k, desktop::mute_mark::cell * k);
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

    // The host goes with the window: WM_NCCREATE keeps it in the window's
    // user data, inside this call; then it is sized, placed and shaped.
    const HWND window = CreateWindowExA(0, MAKEINTATOM(atom), handheld::window_caption, WS_POPUP, CW_USEDEFAULT,
                                        CW_USEDEFAULT, handheld::window_width, handheld::window_height, nullptr,
                                        nullptr, host.instance, &host);
    if (window == nullptr) return false;
    lay_out_window(host);
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
        case WM_SETCURSOR: {
            // Over the LCD the pointer would only hide the picture.
            POINT at{};
            if (LOWORD(lparam) == HTCLIENT && GetCursorPos(&at) && in_lcd_area(*host, window, at.x, at.y)) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        }
        case WM_NCHITTEST: {
            // Outside the LCD and the drawn controls the skin acts as a
            // caption bar, so it drags (not in full screen).
            const ScreenPoint point = point_from_packed(static_cast<std::uint32_t>(lparam));
            return in_client_area(*host, window, point.x, point.y) ? HTCLIENT : HTCAPTION;
        }
        case WM_LBUTTONDOWN:
            // A click on the drawn controls goes on with a paused game as
            // their key does (and is held as that key while it lasts).
            tell(*host, {Event::Kind::Keys,
                         static_cast<InputBits>(keyboard_keys() |
                                                desktop::view_keys_at(host->view, static_cast<std::int16_t>(LOWORD(lparam)),
                                                                      static_cast<std::int16_t>(HIWORD(lparam))))});
            break;
        case WM_NCPAINT:
            InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP: {
            // Bit 30: the key was down already, a repeat.
            const bool pressed = (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && (lparam & (1 << 30)) == 0;
            if (wparam == VK_ESCAPE) {
                // Escape leaves full screen first; then it closes the game,
                // pressed or released (an Escape released here after being
                // pressed in another window too), but for the release and
                // the repeats of the press that left full screen.
                if (pressed) {
                    host->escape_left_full_screen = host->settings.full_screen;
                    if (host->escape_left_full_screen)
                        change_settings(*host, desktop::Change::leave_full_screen);
                    else
                        PostMessageA(window, WM_CLOSE, 0, 0);
                } else if (!host->escape_left_full_screen) {
                    PostMessageA(window, WM_CLOSE, 0, 0);
                }
                return 0;
            }
            if (pressed) {
                host->escape_left_full_screen = false;
                key_pressed(*host, static_cast<std::uint8_t>(wparam));
            }
            // Alt and F10 would open the system menu: the game has none.
            if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) return wparam == VK_F4 ? DefWindowProcA(window, message, wparam, lparam) : 0;
            break;
        }
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE) tell(*host, {Event::Kind::FocusLost});
            break;
        case WM_KILLFOCUS:
            tell(*host, {Event::Kind::FocusLost});
            break;
        case WM_SIZE:
            // Hidden, the program may be ended without a word.
            if (wparam == SIZE_MINIMIZED) {
                tell(*host, {Event::Kind::Hidden});
                desktop::keep_now(host->kept, host->runner);
            } else {
                tell(*host, {Event::Kind::Shown});
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
    if (host.window == nullptr || !host.view.skin) return;
    // The skin under the old label is painted again before the new one.
    const int k = host.view.skin_scale;
    const int x = host.view.skin_x + handheld::best::x * k, y = host.view.skin_y + handheld::best::y * k;
    const RECT label{x, y, x + handheld::best::cell * handheld::best::columns * k,
                     y + handheld::best::cell * handheld::best::rows * k};
    InvalidateRect(host.window, &label, FALSE);
    UpdateWindow(host.window);
}

void lay_out_window(Host& host) {
    if (host.window == nullptr) return;
    const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    int x = 0, y = 0;
    if (host.settings.full_screen) {
        host.view = desktop::full_screen_view(host.settings.shown, screen_width, screen_height);
    } else {
        if (host.settings.scale < 1 || host.settings.scale > handheld::max_scale) {
            RECT work{};
            host.settings.scale =
                SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)
                    ? handheld::auto_scale(work.right - work.left, work.bottom - work.top)
                    : 1;
        }
        host.view = desktop::window_view(host.settings.shown, host.settings.scale);
        const handheld::WindowPlace place = handheld::window_place(screen_width, screen_height, host.settings.scale);
        x = place.x;
        y = place.y;
    }
    apply_window_shape(host, host.window);
    SetWindowPos(host.window, HWND_TOP, x, y, host.view.width, host.view.height, SWP_NOACTIVATE);
    InvalidateRect(host.window, nullptr, TRUE);
}

void change_settings(Host& host, desktop::Change change) {
    if (!desktop::change_settings(change, host.settings, host.stored)) return;
    if (host.settings.mute) stop_sounds();
    lay_out_window(host);
    if (change != desktop::Change::leave_full_screen)
        desktop::write_settings(host.settings_path, host.stored, host.settings_said);
}

HRGN build_skin_region(HBITMAP bitmap, COLORREF key, int width, int height, int scale) {
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
    return region_from_pixels(pixels.get(), skin_row_stride(width), key, width, height, scale);
}

HRGN region_from_pixels(const std::uint8_t* pixels, std::size_t stride, COLORREF key, int width,
                        int height, int scale) {
    const handheld::Rgb key_rgb{GetRValue(key), GetGValue(key), GetBValue(key)};
    HRGN region = nullptr;
    for (const PixelRun& run : opaque_runs(pixels, stride, key_rgb, width, height)) {
        const HRGN rect = CreateRectRgn(run.left * scale, run.top * scale, run.right * scale, (run.top + 1) * scale);
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
