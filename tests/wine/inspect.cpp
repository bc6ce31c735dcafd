// A Windows test program that looks at the game's window from another
// process in the same Wine prefix: what it is, where it is, its shape, how
// it answers hit tests, and the start-up failure box. It also writes the
// test skin and sends the system's close command.
//
//   inspect wait-window SECONDS    until the game's window is shown
//   inspect window X Y             class, caption, style and place
//   inspect shape round|skin       the window region
//   inspect shape-of PATH          the window region against a skin file
//   inspect hit                    hit tests inside and outside the LCD
//   inspect close                  the system's close command
//   inspect make-skin PATH [BITS [W H]]
//                                  write the test skin (24 bits, 512 x 400)
//   inspect make-wav PATH [RATE CHANNELS BITS SECONDS]
//                                  write a test sound (one second, 22050 Hz,
//                                  16-bit mono)
//   inspect fatal-box SECONDS      check the start-up failure box, press OK
//   inspect icon EXE               the program's icon, drawn at 32 x 32
//   inspect focus-away             a window of its own takes the focus, then
//                                  goes
//   inspect activate               the game's window in front again
//   inspect minimise | restore     the game's window minimised, restored
//
// Exit status 0 when every check holds; each check is printed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

int finish() { return failures == 0 ? 0 : 1; }

HWND find_game() { return FindWindowA("murlo_class", "Murlo Win"); }

HWND wait_for_game(double seconds) {
    for (int waited = 0; waited < seconds * 1000; waited += 50) {
        const HWND window = find_game();
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return nullptr;
}

HWND game_or_fail() {
    const HWND window = wait_for_game(30);
    if (window == nullptr) {
        std::printf("FAIL no window of class murlo_class named \"Murlo Win\"\n");
        std::exit(1);
    }
    return window;
}

int window_checks(int x, int y) {
    const HWND window = game_or_fail();
    char text[64] = {};
    GetClassNameA(window, text, sizeof text);
    check(std::strcmp(text, "murlo_class") == 0, "class is murlo_class");
    GetWindowTextA(window, text, sizeof text);
    check(std::strcmp(text, "Murlo Win") == 0, "caption is \"Murlo Win\"");

    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    check((style & WS_POPUP) != 0, "a pop-up window");
    check((style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
          "no caption bar, frame or buttons");
    check((style & WS_VISIBLE) != 0, "shown");
    check(GetWindowLongPtrA(window, GWL_EXSTYLE) == 0 ||
              (GetWindowLongPtrA(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE) == 0,
          "no extended style");

    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("     window at (%ld, %ld) to (%ld, %ld)\n", rect.left, rect.top, rect.right,
                rect.bottom);
    check(rect.left == x && rect.top == y, "placed where asked");
    check(rect.right - rect.left == 512 && rect.bottom - rect.top == 400, "512 x 400");
    RECT client{};
    GetClientRect(window, &client);
    check(client.right == 512 && client.bottom == 400, "client area is the whole window");
    return finish();
}

HRGN rect_region(int left, int top, int right, int bottom) {
    return CreateRectRgn(left, top, right, bottom);
}

void combine(HRGN into, HRGN with, int mode) {
    CombineRgn(into, into, with, mode);
    DeleteObject(with);
}

// The shape the test skin must give (see make_skin).
HRGN expected_skin_region() {
    const HRGN region = rect_region(0, 0, 512, 400);
    combine(region, rect_region(0, 0, 512, 10), RGN_DIFF);     // magenta band on top
    combine(region, rect_region(500, 5, 512, 6), RGN_OR);      // ... but row 5 from 500 on
    combine(region, rect_region(20, 50, 40, 60), RGN_DIFF);    // a magenta hole
    combine(region, rect_region(30, 55, 32, 56), RGN_OR);      // near-magenta stays
    combine(region, rect_region(511, 100, 512, 110), RGN_DIFF);  // right edge notch
    combine(region, rect_region(200, 100, 201, 101), RGN_DIFF);  // a hole in the LCD
    return region;
}

int shape_checks(const char* which) {
    const HWND window = game_or_fail();
    const HRGN actual = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(window, actual);
    check(kind != ERROR && kind != NULLREGION, "the window has a region");
    HRGN expected = nullptr;
    if (std::strcmp(which, "round") == 0) {
        expected = CreateRoundRectRgn(0, 0, 512, 400, 64, 64);
    } else {
        expected = expected_skin_region();
    }
    // Same points, whatever rectangles each is stored as.
    const HRGN difference = CreateRectRgn(0, 0, 0, 0);
    check(CombineRgn(difference, actual, expected, RGN_XOR) == NULLREGION,
          "the region is the expected shape");
    DeleteObject(difference);
    if (std::strcmp(which, "round") == 0) {
        check(!PtInRegion(actual, 0, 0) && !PtInRegion(actual, 511, 399), "corners cut");
        check(PtInRegion(actual, 256, 0) && PtInRegion(actual, 0, 200), "edges kept");
    } else {
        check(PtInRegion(actual, 505, 5) && PtInRegion(actual, 511, 5), "run 500..511 of row 5");
        check(!PtInRegion(actual, 499, 5), "column 499 of row 5 cut");
        check(PtInRegion(actual, 30, 55) && PtInRegion(actual, 31, 55), "near-magenta opaque");
        check(!PtInRegion(actual, 29, 55) && !PtInRegion(actual, 32, 55), "magenta cut");
    }
    DeleteObject(expected);
    DeleteObject(actual);
    return finish();
}

std::uint32_t le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

// The window's region against a 24-bit skin file read on its own: every
// pixel inside the region exactly when it is not magenta.
int shape_of_file(const char* path) {
    const HWND window = game_or_fail();
    std::FILE* in = std::fopen(path, "rb");
    check(in != nullptr, "the skin file opens");
    if (in == nullptr) return finish();
    std::vector<unsigned char> file;
    for (int c; (c = std::fgetc(in)) != EOF;) file.push_back(static_cast<unsigned char>(c));
    std::fclose(in);
    const bool readable = file.size() > 54 && file[0] == 'B' && file[1] == 'M' &&
                          le(file, 28, 2) == 24 && le(file, 30, 4) == BI_RGB;
    check(readable, "the skin is an uncompressed 24-bit bitmap");
    if (!readable) return finish();
    const std::uint32_t offset = le(file, 10, 4);
    const int width = static_cast<int>(le(file, 18, 4));
    const int stored_height = static_cast<std::int32_t>(le(file, 22, 4));
    const int height = stored_height < 0 ? -stored_height : stored_height;
    check(width == 512 && height == 400, "the skin is 512 x 400");
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    if (file.size() < offset + stride * height) return finish();

    const HRGN actual = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(window, actual);
    int wrong = 0, opaque = 0;
    for (int y = 0; y < height; ++y) {
        const int file_row = stored_height < 0 ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &file[offset + file_row * stride + 3 * x];
            const bool see_through = p[0] == 0xFF && p[1] == 0x00 && p[2] == 0xFF;
            opaque += !see_through;
            if ((PtInRegion(actual, x, y) != 0) == see_through && ++wrong <= 5)
                std::printf("     pixel (%d, %d) is %s but %s the region\n", x, y,
                            see_through ? "magenta" : "opaque", see_through ? "in" : "not in");
        }
    }
    DeleteObject(actual);
    std::printf("     %d opaque pixels, %d in the wrong place\n", opaque, wrong);
    check(opaque > 0 && opaque < width * height, "the skin has a shape");
    check(wrong == 0, "the region holds exactly the skin's opaque pixels");
    return finish();
}

int hit_checks() {
    const HWND window = game_or_fail();
    RECT rect{};
    GetWindowRect(window, &rect);
    struct Case {
        int x, y;
        LRESULT want;
    };
    const Case cases[] = {
        {128, 64, HTCLIENT},  {384, 320, HTCLIENT}, {383, 319, HTCLIENT}, {256, 200, HTCLIENT},
        {385, 200, HTCAPTION}, {127, 200, HTCAPTION}, {200, 63, HTCAPTION}, {200, 321, HTCAPTION},
        {20, 260, HTCAPTION},
        // The drawn pad and button take clicks: they do not drag.
        {20, 200, HTCLIENT}, {448, 192, HTCLIENT},
    };
    for (const Case& c : cases) {
        const int sx = rect.left + c.x;
        const int sy = rect.top + c.y;
        const LPARAM packed =
            static_cast<LPARAM>((static_cast<unsigned>(sy) & 0xFFFFu) << 16 |
                                (static_cast<unsigned>(sx) & 0xFFFFu));
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NCHITTEST, 0, packed, SMTO_ABORTIFHUNG, 5000, &result);
        char what[96];
        std::snprintf(what, sizeof what, "client (%d, %d) hits %s", c.x, c.y,
                      c.want == HTCLIENT ? "the client (LCD or controls)" : "the caption");
        check(static_cast<LRESULT>(result) == c.want, what);
    }
    return finish();
}

int close_game() {
    const HWND window = game_or_fail();
    check(PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0, "close command sent");
    return finish();
}

struct Colour {
    unsigned char r, g, b;
    bool operator==(const Colour&) const = default;
};
constexpr Colour orange{200, 120, 40};
constexpr Colour magenta{255, 0, 255};

// The test skin: opaque orange with magenta cut-outs, in the window's
// 512 x 400; a larger picture is orange beyond that.
Colour skin_colour(int x, int y) {
    if (x >= 512 || y >= 400) return orange;
    if (y == 5 && x >= 500) return orange;
    if (y < 10) return magenta;
    if (y == 55 && x == 30) return {255, 0, 254};
    if (y == 55 && x == 31) return {254, 0, 255};
    if (y >= 50 && y < 60 && x >= 20 && x < 40) return magenta;
    if (x == 511 && y >= 100 && y < 110) return magenta;
    if (x == 200 && y == 100) return magenta;
    return orange;
}

// The test skin as a BMP of `bits` (1, 4, 8, 16, 24 or 32) a pixel, width x
// height. Where a depth cannot hold the near-magenta colours exactly, they
// are orange: opaque all the same, so every depth gives the same shape.
int make_skin(const char* path, int bits, int width, int height) {
    const Colour palette[4] = {orange, magenta, {255, 0, 254}, {254, 0, 255}};
    const int colours = bits == 1 ? 2 : bits <= 8 ? 4 : 0;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info + 4 * colours;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bits);
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    info.biClrUsed = colours;
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return 1;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    for (int i = 0; i < colours; ++i) {
        const unsigned char entry[4] = {palette[i].b, palette[i].g, palette[i].r, 0};
        std::fwrite(entry, 1, 4, out);
    }
    std::vector<unsigned char> row(stride);
    for (int y = height - 1; y >= 0; --y) {  // bottom row first
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            const Colour c = skin_colour(x, y);
            if (bits <= 8) {
                unsigned index = 0;
                while (index + 1 < static_cast<unsigned>(colours) && !(palette[index] == c)) ++index;
                if (!(palette[index] == c)) index = 0;
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                row[bit / 8] |= index << (8 - bits - bit % 8);
            } else if (bits == 16) {
                const unsigned v = c == magenta ? 0x7C1F : (orange.r >> 3) << 10 | (orange.g >> 3) << 5 | orange.b >> 3;
                row[2 * x] = v & 0xFF;
                row[2 * x + 1] = v >> 8;
            } else {
                unsigned char* p = &row[static_cast<std::size_t>(x) * (bits / 8)];
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
            }
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

// `seconds` of a PCM square wave: 16-bit samples of amplitude 8000, or
// 8-bit ones 64 either side of the middle, in every channel.
int make_wav(const char* path, std::uint32_t rate, unsigned channels, unsigned bits, std::uint32_t seconds) {
    const std::uint32_t align = channels * bits / 8, data = rate * seconds * align;
    std::vector<unsigned char> bytes;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto u16 = [&](std::uint32_t v) {
        for (int i = 0; i < 2; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { bytes.insert(bytes.end(), t, t + 4); };
    tag("RIFF");
    u32(36 + data);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);  // PCM
    u16(channels);
    u32(rate);
    u32(rate * align);
    u16(align);
    u16(bits);
    tag("data");
    u32(data);
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    // One second of samples, written once a second: each starts the wave anew.
    bytes.clear();
    for (std::uint32_t i = 0; i < rate; ++i)
        for (unsigned c = 0; c < channels; ++c) {
            if (bits == 16)
                u16((i / 25) % 2 ? 8000u : static_cast<std::uint16_t>(-8000));
            else
                bytes.push_back((i / 25) % 2 ? 192 : 64);
        }
    for (std::uint32_t second = 0; second < seconds; ++second) std::fwrite(bytes.data(), 1, bytes.size(), out);
    return std::fclose(out) == 0 ? 0 : 1;
}

struct BoxSearch {
    HWND box = nullptr;
};

BOOL CALLBACK find_box(HWND window, LPARAM data) {
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(title, "fatal error") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<BoxSearch*>(data)->box = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK find_text(HWND child, LPARAM data) {
    char text[128] = {};
    GetWindowTextA(child, text, sizeof text);
    if (std::strcmp(text, "initializing application") == 0) {
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
    }
    return TRUE;
}

int fatal_box(double seconds) {
    BoxSearch search;
    for (int waited = 0; search.box == nullptr && waited < seconds * 1000; waited += 50) {
        EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
        if (search.box == nullptr) Sleep(50);
    }
    check(search.box != nullptr, "a box captioned \"fatal error\" is shown");
    if (search.box == nullptr) return finish();
    bool text_found = false;
    EnumChildWindows(search.box, find_text, reinterpret_cast<LPARAM>(&text_found));
    check(text_found, "it says \"initializing application\"");
    check(FindWindowA("murlo_class", nullptr) == nullptr, "no game window exists");
    PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    return finish();
}

// The icon of the program file, drawn on white at 32 x 32: see-through in
// its corner, the screen's light colour and the pad's dark grey where the
// picture has them whole.
int icon_checks(const char* path) {
    const HMODULE program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    check(program != nullptr, "the program file loads as data");
    if (program == nullptr) return finish();
    check(FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)) != nullptr,  // RT_GROUP_ICON
          "it has an icon");
    const HICON icon = static_cast<HICON>(LoadImageA(program, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    check(icon != nullptr, "the icon loads at 32 x 32");
    if (icon == nullptr) return finish();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP picture = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, picture);
    const RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const auto at = [bits](int x, int y) {
        return static_cast<const std::uint32_t*>(bits)[y * 32 + x] & 0xFFFFFFu;
    };
    std::printf("     (0, 0) %06x, (12, 10) %06x, (5, 16) %06x\n", at(0, 0), at(12, 10), at(5, 16));
    check(at(0, 0) == 0xFFFFFF, "see-through in the corner");
    check(at(12, 10) == 0xAAB6C6, "the screen's light colour");
    check(at(5, 16) == 0x2E3040, "the direction pad");
    SelectObject(dc, previous);
    DeleteObject(picture);
    DeleteDC(dc);
    DestroyIcon(icon);
    FreeLibrary(program);
    return finish();
}

// Until `holds` says yes, for 30 s at most, serving this thread's messages.
template <typename Condition>
bool wait_until(Condition holds) {
    for (int waited = 0; waited < 30000; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (holds()) return true;
        Sleep(20);
    }
    return holds();
}

// Another program's window comes to the front, as with Alt-Tab, and closes
// again: the game has lost the focus meanwhile.
int focus_away() {
    const HWND game = game_or_fail();
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "inspect_class";
    RegisterClassA(&window_class);
    const HWND other = CreateWindowExA(0, "inspect_class", "other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                       nullptr, nullptr, window_class.hInstance, nullptr);
    check(other != nullptr, "another window made");
    SetForegroundWindow(other);
    check(wait_until([&] { return GetForegroundWindow() == other; }), "it took the focus");
    check(GetForegroundWindow() != game, "the game's window lost it");
    DestroyWindow(other);
    return finish();
}

int activate() {
    const HWND game = game_or_fail();
    SetForegroundWindow(game);
    check(wait_until([&] { return GetForegroundWindow() == game; }), "the game's window in front");
    return finish();
}

int minimise(bool down) {
    const HWND game = game_or_fail();
    ShowWindowAsync(game, down ? SW_MINIMIZE : SW_RESTORE);
    check(wait_until([&] { return (IsIconic(game) != 0) == down; }), down ? "minimised" : "restored");
    if (!down) {
        SetForegroundWindow(game);
        check(wait_until([&] { return GetForegroundWindow() == game; }), "the game's window in front");
    }
    return finish();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "wait-window") == 0)
        return wait_for_game(std::atof(argv[2])) != nullptr ? 0 : 1;
    if (argc >= 4 && std::strcmp(argv[1], "window") == 0)
        return window_checks(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc >= 3 && std::strcmp(argv[1], "shape") == 0) return shape_checks(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "shape-of") == 0) return shape_of_file(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "hit") == 0) return hit_checks();
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return close_game();
    if (argc >= 3 && std::strcmp(argv[1], "make-skin") == 0)
        return make_skin(argv[2], argc >= 4 ? std::atoi(argv[3]) : 24, argc >= 6 ? std::atoi(argv[4]) : 512,
                         argc >= 6 ? std::atoi(argv[5]) : 400);
    if (argc >= 3 && std::strcmp(argv[1], "make-wav") == 0)
        return argc >= 7 ? make_wav(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                                    std::atoi(argv[6]))
                         : make_wav(argv[2], 22050, 1, 16, 1);
    if (argc >= 3 && std::strcmp(argv[1], "fatal-box") == 0) return fatal_box(std::atof(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "icon") == 0) return icon_checks(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "focus-away") == 0) return focus_away();
    if (argc >= 2 && std::strcmp(argv[1], "activate") == 0) return activate();
    if (argc >= 2 && std::strcmp(argv[1], "minimise") == 0) return minimise(true);
    if (argc >= 2 && std::strcmp(argv[1], "restore") == 0) return minimise(false);
    std::fprintf(stderr, "usage: inspect wait-window S | window X Y | shape round|skin | shape-of PATH | hit | "
                         "close | make-skin PATH [BITS [W H]] | make-wav PATH [RATE CHANNELS BITS SECONDS] | "
                         "fatal-box S | icon EXE | focus-away | activate | minimise | restore\n");
    return 2;
}
