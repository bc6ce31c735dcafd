// A Windows test program built on the real Win32 host operations, with its
// own main instead of the game: it presents known frames, reports the keys
// it reads, times waits and sounds, or provokes the start-up failure, so
// the tests can look at the outcome from outside.
//
//   probe frames EXPECTED.pbm   present known frames, write the last one as a
//                               PBM, then serve messages until closed
//   probe keys                  print each change of the polled keys
//   probe timing                check waits and present pacing, exit 1 on a fault
//   probe sound NAME            time play_sound, let it play, stop it
//   probe sounds NAME...        play each twice, printing the longer time
//   probe fatal                 make window creation fail (class taken)
//   probe class                 check the registered window class
//   probe messages              check the window procedure's answers, then
//                               close: the next poll ends the process with 0
#include <cstdio>
#include <cstring>

#include "host/win32/win32_host.h"

#include <mmsystem.h>

namespace {

using namespace murlo;

// A frame that tells columns, rows and bit order apart: single pixels at
// both corners, the byte 0x2C at the left of row 5, a diagonal, a solid
// row and pseudo-random rows.
LcdFrame known_frame() {
    LcdFrame frame{};
    frame.row[0] = 0x00000001u;   // column 0 only
    frame.row[31] = 0x80000000u;  // column 31 only
    frame.row[5] = 0x0000002Cu;   // columns 2, 3, 5
    frame.row[9] = 0xFFFFFFFFu;
    for (int i = 0; i < 32; ++i)
        if (i != 0 && i != 5 && i != 9 && i != 31) frame.row[i] |= 1u << i;
    std::uint32_t state = 12345;
    for (int y = 12; y < 28; y += 3) {
        state = state * 1103515245u + 12345u;
        frame.row[y] ^= state;
    }
    return frame;
}

bool write_pbm(const char* path, const LcdFrame& frame) {
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) return false;
    std::fprintf(out, "P1\n32 32\n");
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) std::fputc((frame.row[y] >> x) & 1u ? '1' : '0', out);
        std::fputc('\n', out);
    }
    return std::fclose(out) == 0;
}

[[noreturn]] void serve_forever() {
    for (;;) {
        poll_input();
        wait_ticks(5);
    }
}

int frames(const char* expected_path) {
    create_main_window();
    LcdFrame frame{};
    for (std::uint32_t& row : frame.row) row = 0xFFFFFFFFu;
    present_frame(frame);
    present_frame(LcdFrame{});
    const LcdFrame known = known_frame();
    present_frame(known);
    present_frame(known);
    if (!write_pbm(expected_path, known)) return 2;
    std::printf("shown\n");
    std::fflush(stdout);
    serve_forever();
}

int keys() {
    create_main_window();
    std::printf("ready\n");
    std::fflush(stdout);
    int last = -1;
    for (;;) {
        const InputBits held = poll_input();
        if (held != last) {
            std::printf("%02x\n", held);
            std::fflush(stdout);
            last = held;
        }
        wait_ticks(1);
    }
}

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) ++failures;
}

void expect(bool ok, const char* what, double value) {
    std::printf("%s %s (%.2f ms)\n", ok ? "ok  " : "FAIL", what, value);
    if (!ok) ++failures;
}

int timing() {
    create_main_window();
    timeBeginPeriod(1);

    double t0 = now_ms();
    wait_ticks(0);
    expect(now_ms() - t0 < 5.0, "wait_ticks(0) returns at once", now_ms() - t0);

    t0 = now_ms();
    wait_ticks(5);
    double took = now_ms() - t0;
    expect(took >= 45.0 && took < 45.0 + 40.0, "wait_ticks(5) takes at least 45 ms", took);

    // Messages arriving all through the wait neither end it early nor keep
    // it from ending.
    SetTimer(main_window, 1, 1, nullptr);
    t0 = now_ms();
    for (int i = 0; i < 20; ++i) PostMessageA(main_window, WM_USER, 0, 0);
    wait_ticks(5);
    took = now_ms() - t0;
    KillTimer(main_window, 1);
    expect(took >= 45.0 && took < 45.0 + 40.0, "wait_ticks(5) with messages takes at least 45 ms", took);

    t0 = now_ms();
    wait_ticks(12);
    took = now_ms() - t0;
    expect(took >= 108.0 && took < 108.0 + 40.0, "wait_ticks(12) takes at least 108 ms", took);

    // Back-to-back presents are kept at least 1 ms apart.
    const LcdFrame frame{};
    present_frame(frame);
    t0 = now_ms();
    for (int i = 0; i < 100; ++i) present_frame(frame);
    took = now_ms() - t0;
    expect(took >= 99.0, "100 presents take at least 100 ms", took);

    // Presents with work between them are not held back further.
    t0 = now_ms();
    for (int i = 0; i < 10; ++i) {
        Sleep(3);
        present_frame(frame);
    }
    took = now_ms() - t0;
    expect(took < 10 * 3.0 + 25.0, "presents 3 ms apart are not slowed", took);
    return failures == 0 ? 0 : 1;
}

int sound(const char* name) {
    timeBeginPeriod(1);
    double t0 = now_ms();
    play_sound(name);
    const double play_took = now_ms() - t0;
    std::printf("play_ms %.2f\n", play_took);
    std::fflush(stdout);
    Sleep(1500);
    // No name: the playing sound goes on.
    play_sound(nullptr);
    Sleep(300);
    t0 = now_ms();
    stop_sound();
    std::printf("stop_ms %.2f\n", now_ms() - t0);
    stop_sound();  // nothing playing: harmless
    std::fflush(stdout);
    Sleep(300);
    return 0;
}

// Each sound twice, as a dig sound is played again and again, the second
// time for a second: how long play_sound took at the most for each.
int sounds(int count, char** names) {
    timeBeginPeriod(1);
    for (int i = 0; i < count; ++i) {
        double slowest = 0;
        for (int time = 0; time < 2; ++time) {
            const double t0 = now_ms();
            play_sound(names[i]);
            const double took = now_ms() - t0;
            if (took > slowest) slowest = took;
            Sleep(time == 0 ? 250 : 1000);
        }
        std::printf("play_ms %s %.2f\n", names[i], slowest);
        std::fflush(stdout);
    }
    stop_sound();
    return 0;
}

int class_checks() {
    create_main_window();
    WNDCLASSA registered{};
    if (!GetClassInfoA(app_instance, "murlo_class", &registered)) {
        std::printf("FAIL no class murlo_class\n");
        return 1;
    }
    check(registered.style == 0, "class style 0");
    check(registered.lpfnWndProc == main_window_proc, "window procedure");
    check(registered.cbClsExtra == 0 && registered.cbWndExtra == 0, "no extra bytes");
    check(registered.hIcon == LoadIconA(nullptr, IDI_APPLICATION), "application icon");
    check(registered.hCursor == LoadCursorA(nullptr, IDC_ARROW), "arrow pointer");
    check(registered.hbrBackground == static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
           "stock white background brush");
    check(registered.lpszMenuName == nullptr, "no menu");
    check(GetAncestor(main_window, GA_PARENT) == GetDesktopWindow() &&
               GetWindow(main_window, GW_OWNER) == nullptr && GetMenu(main_window) == nullptr,
           "no parent, owner or menu");
    return failures == 0 ? 0 : 1;
}

bool close_posted() {
    MSG message;
    return PeekMessageA(&message, main_window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

LRESULT hit_at(int client_x, int client_y) {
    RECT rect;
    GetWindowRect(main_window, &rect);
    const unsigned x = static_cast<unsigned>(rect.left + client_x) & 0xFFFFu;
    const unsigned y = static_cast<unsigned>(rect.top + client_y) & 0xFFFFu;
    return main_window_proc(main_window, WM_NCHITTEST, 0, static_cast<LPARAM>(y << 16 | x));
}

// The window procedure's own answers, called directly on the game's thread.
int message_checks() {
    create_main_window();

    const LPARAM over_client = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    const LPARAM over_caption = MAKELPARAM(HTCAPTION, WM_MOUSEMOVE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    check(main_window_proc(main_window, WM_SETCURSOR, reinterpret_cast<WPARAM>(main_window),
                           over_client) == TRUE && GetCursor() == nullptr,
          "pointer hidden over the client area");
    main_window_proc(main_window, WM_SETCURSOR, reinterpret_cast<WPARAM>(main_window),
                     over_caption);
    check(GetCursor() == LoadCursorA(nullptr, IDC_ARROW), "arrow over the skin");

    process_messages();
    main_window_proc(main_window, WM_KEYDOWN, 'A', 0);
    main_window_proc(main_window, WM_KEYDOWN, VK_LEFT, 0);
    check(!close_posted(), "other keys do not close");
    main_window_proc(main_window, WM_KEYDOWN, VK_ESCAPE, 0);
    check(close_posted(), "Escape pressed posts WM_CLOSE");
    main_window_proc(main_window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    check(close_posted(), "Escape released posts WM_CLOSE");

    // Left of the screen's left edge the packed x is negative.
    SetWindowPos(main_window, nullptr, -300, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    check(hit_at(200, 200) == HTCLIENT, "LCD hit at a negative screen x");
    check(hit_at(20, 200) == HTCAPTION, "caption hit at a negative screen x");
    check(hit_at(384, 320) == HTCLIENT && hit_at(385, 320) == HTCAPTION, "hit area edges");

    if (failures != 0) return 1;
    // Closing destroys the window; the next poll takes the quit message and
    // ends the process with 0 from inside the poll.
    main_window_proc(main_window, WM_CLOSE, 0, 0);
    check(!IsWindow(main_window), "closing destroys the window");
    std::printf("polling after close\n");
    std::fflush(stdout);
    poll_input();
    std::printf("FAIL poll_input returned after the quit message\n");
    return 1;
}

int fatal() {
    // The class name is taken already, so registering it again fails.
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = app_instance;
    taken.lpszClassName = "murlo_class";
    if (RegisterClassA(&taken) == 0) return 3;
    create_main_window();
    return 4;  // never reached: the failure ends the process with 1
}

}  // namespace

int main(int argc, char** argv) {
    murlo::app_instance = GetModuleHandleA(nullptr);
    if (argc >= 3 && std::strcmp(argv[1], "frames") == 0) return frames(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "keys") == 0) return keys();
    if (argc >= 2 && std::strcmp(argv[1], "timing") == 0) return timing();
    if (argc >= 3 && std::strcmp(argv[1], "sound") == 0) return sound(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "sounds") == 0) return sounds(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "fatal") == 0) return fatal();
    if (argc >= 2 && std::strcmp(argv[1], "class") == 0) return class_checks();
    if (argc >= 2 && std::strcmp(argv[1], "messages") == 0) return message_checks();
    std::fprintf(stderr, "usage: probe frames FILE.pbm | keys | timing | sound NAME | sounds NAME... | fatal | class | "
                         "messages\n");
    return 2;
}
