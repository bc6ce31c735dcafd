// A Windows test program built on the real Win32 host, with its own main
// instead of WinMain: it makes the window, has the driver carry out calls
// of its own or run the game's own turns, reports the keys it polls, times
// waits, pauses and sounds, or provokes the start-up failure, so the tests
// can look at the outcome from outside.
//
//   probe frames EXPECTED.pbm   present known frames, write the last one as a
//                               PBM, then serve messages until closed
//   probe keys                  print each change of the polled keys
//   probe timing                check waits, exit 1 on a fault
//   probe play                  run the game's own turns: two seconds of
//                               title, then, after a key, 20 game frames
//   probe sound                 time the call that plays dig.wav, let it
//                               play, stop it
//   probe sounds NAME...        play each twice, printing the longer time
//   probe fatal                 make window creation fail (class taken)
//   probe class                 check the registered window class
//   probe messages              check the window procedure's answers, then
//                               close: the next poll ends the process with 0
#include <cstdio>
#include <cstring>
#include <memory>

#include "game/cycle.h"
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
        poll_keys();
        wait_for_ticks(5);
    }
}

// A step's calls, kept off the stack as the game keeps them.
std::unique_ptr<Calls> no_calls() { return std::make_unique<Calls>(); }

int frames(const char* expected_path) {
    create_main_window();
    // Through the driver, as a step lists them: the last one stays.
    const auto calls = no_calls();
    LcdFrame frame{};
    for (std::uint32_t& row : frame.row) row = 0xFFFFFFFFu;
    present_frame(*calls, frame);
    present_frame(*calls, LcdFrame{});
    wait_ticks(*calls, 1);
    const LcdFrame known = known_frame();
    present_frame(*calls, known);
    present_frame(*calls, known);
    carry_out(*calls);
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
        const InputBits held = poll_keys();
        if (held != last) {
            std::printf("%02x\n", held);
            std::fflush(stdout);
            last = held;
        }
        wait_for_ticks(1);
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

void expect(bool ok, const char* what, double value, const char* unit = "ms") {
    std::printf("%s %s (%.2f %s)\n", ok ? "ok  " : "FAIL", what, value, unit);
    if (!ok) ++failures;
}

// How long the driver takes to carry out a wait of `ticks` ticks.
double timed_wait(std::uint32_t ticks) {
    const auto calls = no_calls();
    wait_ticks(*calls, ticks);
    const double t0 = now_ms();
    carry_out(*calls);
    return now_ms() - t0;
}

int timing() {
    create_main_window();

    double took = timed_wait(0);
    expect(took < 5.0, "a wait of 0 ticks returns at once", took);

    took = timed_wait(frame_wait_ticks);
    expect(took >= 45.0 && took < 45.0 + 40.0, "a frame's wait of 5 ticks takes at least 45 ms", took);

    // Messages arriving all through the wait neither end it early nor keep
    // it from ending.
    SetTimer(main_window, 1, 1, nullptr);
    for (int i = 0; i < 20; ++i) PostMessageA(main_window, WM_USER, 0, 0);
    took = timed_wait(5);
    KillTimer(main_window, 1);
    expect(took >= 45.0 && took < 45.0 + 40.0, "a wait of 5 ticks with messages takes at least 45 ms", took);

    took = timed_wait(12);
    expect(took >= 108.0 && took < 108.0 + 40.0, "a wait of 12 ticks takes at least 108 ms", took);

    // A pause, as the title's, lasts what it is asked, messages or not.
    SetTimer(main_window, 1, 1, nullptr);
    double t0 = now_ms();
    pause_us(9500);
    took = now_ms() - t0;
    KillTimer(main_window, 1);
    expect(took >= 9.5 && took < 9.5 + 20.0, "a pause of 9.5 ms with messages", took);

    // Presents carry no pause of their own: the title's pace is the driver's.
    // Two pictures in turn, so that each one reaches the screen.
    const auto calls = no_calls();
    const LcdFrame known = known_frame();
    for (int i = 0; i < 100; ++i) present_frame(*calls, i % 2 == 0 ? known : LcdFrame{});
    t0 = now_ms();
    carry_out(*calls);
    took = now_ms() - t0;
    expect(took < 100.0, "100 presents back to back take under 100 ms", took);
    return failures == 0 ? 0 : 1;
}

// The processor time this process has used, in milliseconds.
double processor_ms() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

// The game's own turns from start-up, as WinMain runs them: two seconds
// on the title with no key held (about a thousand passes a second, with a
// pause after every burst of ten rather than after every pass); then, once
// a key from outside leaves the title, game frames a frame's wait apart.
int play() {
    create_main_window();
    const auto game = std::make_unique<Game>();
    const auto calls = no_calls();
    start_up(*game, *calls);
    check(calls->outcome == Outcome::Started, "start-up lists its calls");
    carry_out(*calls);
    handheld::TitlePace pace;
    const double cpu0 = processor_ms();
    const double t0 = now_ms();
    double last = t0;
    int passes = 0, other = 0, pauses = 0;
    while (now_ms() - t0 < 2000.0) {
        const Outcome outcome = play_turn(*game, *calls, pace);
        if (outcome == Outcome::TitlePass) ++passes; else ++other;
        const double now = now_ms();
        // Passes of one burst run back to back; a gap of 3 ms or more is a pause.
        if (now - last >= 3.0) ++pauses;
        last = now;
    }
    const double seconds = (now_ms() - t0) / 1000.0;
    const double cpu = processor_ms() - cpu0;
    std::printf("title: %d passes and %d pauses in %.3f s, processor %.0f ms (%.1f%% of one core)\n", passes,
                pauses, seconds, cpu, cpu / seconds / 10.0);
    check(other == 0, "every turn a title pass (no key held)");
    const double per_second = passes / seconds;
    expect(per_second >= 700.0 && per_second <= 1010.0, "about 1000 passes a second", per_second, "a second");
    // A busy machine adds gaps of its own; passes paced one by one add none.
    check(pauses >= passes / 15 && pauses <= passes / 5, "a pause for every burst of ten passes");

    std::printf("press a key\n");
    std::fflush(stdout);
    const double asked = now_ms();
    Outcome outcome = Outcome::TitlePass;
    while (outcome == Outcome::TitlePass && now_ms() - asked < 20000.0) outcome = play_turn(*game, *calls, pace);
    check(outcome == Outcome::TitleLeft && game->phase == Phase::Play, "the key left the title for a game");
    if (outcome != Outcome::TitleLeft) return 1;
    double slowest = 0, quickest = 1e9;
    int frames = 0;
    for (int i = 0; i < 20; ++i) {
        const double start = now_ms();
        if (play_turn(*game, *calls, pace) == Outcome::Frame) ++frames;
        const double took = now_ms() - start;
        if (took > slowest) slowest = took;
        if (took < quickest) quickest = took;
    }
    check(frames == 20, "20 turns, 20 game frames");
    expect(quickest >= 45.0, "each frame lasts its wait of 45 ms at least, the quickest", quickest);
    expect(slowest < 45.0 + 40.0, "and not much more, the slowest", slowest);
    return failures == 0 ? 0 : 1;
}

// How long the driver takes to carry out the calls in `calls`.
double timed_calls(const Calls& calls) {
    const double t0 = now_ms();
    carry_out(calls);
    return now_ms() - t0;
}

// dig.wav through the driver, as a step plays it: started, heard, stopped.
int sound() {
    timeBeginPeriod(1);
    const auto play = no_calls();
    play_sound(*play, Sound::Dig);
    std::printf("play_ms %.2f\n", timed_calls(*play));
    std::fflush(stdout);
    Sleep(1500);
    const auto stop = no_calls();
    stop_sound(*stop);
    std::printf("stop_ms %.2f\n", timed_calls(*stop));
    carry_out(*stop);  // nothing playing: harmless
    std::fflush(stdout);
    Sleep(300);
    return 0;
}

// Each sound twice, as a dig sound is played again and again, the second
// time for a second: how long starting it took at the most for each.
int sounds(int count, char** names) {
    timeBeginPeriod(1);
    for (int i = 0; i < count; ++i) {
        double slowest = 0;
        for (int time = 0; time < 2; ++time) {
            const double t0 = now_ms();
            start_sound(names[i]);
            const double took = now_ms() - t0;
            if (took > slowest) slowest = took;
            Sleep(time == 0 ? 250 : 1000);
        }
        std::printf("play_ms %s %.2f\n", names[i], slowest);
        std::fflush(stdout);
    }
    stop_sounds();
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
    poll_keys();
    std::printf("FAIL poll_keys returned after the quit message\n");
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
    if (argc >= 2 && std::strcmp(argv[1], "play") == 0) return play();
    if (argc >= 2 && std::strcmp(argv[1], "sound") == 0) return sound();
    if (argc >= 3 && std::strcmp(argv[1], "sounds") == 0) return sounds(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "fatal") == 0) return fatal();
    if (argc >= 2 && std::strcmp(argv[1], "class") == 0) return class_checks();
    if (argc >= 2 && std::strcmp(argv[1], "messages") == 0) return message_checks();
    std::fprintf(stderr, "usage: probe frames FILE.pbm | keys | timing | play | sound | sounds NAME... | fatal | "
                         "class | messages\n");
    return 2;
}
