// A Windows test program built on the real Win32 host, with its own main
// instead of WinMain: it makes the window, has the driver carry out calls
// of its own or run the game's own turns, reports the keys it polls, times
// waits and pauses, plays sounds, or provokes the start-up failure, so the
// tests can look at the outcome from outside.
//
//   probe frames EXPECTED.pbm   present known frames, write the last one as a
//                               PBM, then serve messages until closed
//   probe keys                  print each change of the polled keys
//   probe timing                check waits and a pause in a wait, exit 1 on
//                               a fault (dig.wav: a sound longer than the run)
//   probe play                  run the game's own turns as WinMain does:
//                               two seconds of title, then, after a key, a
//                               line for each game turn, until closed
//   probe die                   a game that ends 75 frames in, its keys from
//                               a script, then serve messages until closed
//   probe label DEPTH           the cells of "BEST DEPTH" on the body
//   probe sound                 play dig.wav, say whether it plays, stop it
//                               once the file "stop" is there
//   probe sounds NAME...        play each twice, then as `sound`
//   probe fatal                 make window creation fail (class taken)
//   probe class                 check the registered window class
//   probe messages              check the window procedure's answers, then
//                               close: the next poll ends the process with 0
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cycle/cycle.h"
#include "runs/script.h"
#include "runs/trace_lines.h"
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

// Whether a sound plays now: one that may not cut off another is refused
// while another plays. Otherwise it plays: a few silent samples.
bool sound_playing() {
    static const unsigned char silence[] = {
        'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
        1,   0,   1,   0,   0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a',
        8,   0,   0,   0,   128, 128, 128, 128, 128, 128, 128, 128};
    return !PlaySoundA(reinterpret_cast<const char*>(silence), nullptr,
                       SND_MEMORY | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

// The colour of window pixel (x, y) as the screen shows it.
COLORREF window_pixel(int x, int y) {
    const HDC dc = GetDC(main_window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(main_window, dc);
    return colour;
}
constexpr COLORREF ink = RGB(handheld::lcd_ink.r, handheld::lcd_ink.g, handheld::lcd_ink.b);
constexpr COLORREF dimmed_ink = RGB(handheld::lcd_paused_ink.r, handheld::lcd_paused_ink.g, handheld::lcd_paused_ink.b);

// Until `holds` says yes, for 30 s at most.
template <typename Condition>
bool wait_until(Condition holds) {
    for (int waited = 0; waited < 30000 && !holds(); waited += 10) Sleep(10);
    return holds();
}

// A player who pauses the game during a wait of the game's thread, as
// seen from a second thread: the pause is asked before the wait begins,
// so it cuts the wait at its start.
struct PauseRun {
    std::atomic<bool> wait_over = false;
    bool began = false, held = false;
    double paused_ms = 0;
};

DWORD WINAPI pause_the_wait(void* data) {
    PauseRun& run = *static_cast<PauseRun*>(data);
    // Paused: the LCD's ink dimmed, and the sound cut before that.
    run.began = wait_until([] { return window_pixel(128, 64) == dimmed_ink; }) && !sound_playing();
    const double began = now_ms();
    Sleep(300);
    run.held = !run.wait_over && window_pixel(128, 64) == dimmed_ink;
    run.paused_ms = now_ms() - began;
    // Resumed with Right, a message posted without the key going down.
    PostMessageA(main_window, WM_KEYDOWN, VK_RIGHT, 0);
    return 0;
}

int timing() {
    create_main_window();

    // Waits last their ticks at least: the game's pace. How much longer
    // they take is the machine's business, shown but not judged.
    double took = timed_wait(frame_wait_ticks);
    expect(took >= 45.0, "a frame's wait of 5 ticks takes at least 45 ms", took);

    // Messages arriving all through the wait neither end it early nor keep
    // it from ending.
    SetTimer(main_window, 1, 1, nullptr);
    for (int i = 0; i < 20; ++i) PostMessageA(main_window, WM_USER, 0, 0);
    took = timed_wait(5);
    KillTimer(main_window, 1);
    expect(took >= 45.0, "a wait of 5 ticks with messages takes at least 45 ms", took);

    took = timed_wait(12);
    expect(took >= 108.0, "a wait of 12 ticks takes at least 108 ms", took);

    // A pause, as the title's, lasts what it is asked, messages or not.
    SetTimer(main_window, 1, 1, nullptr);
    double t0 = now_ms();
    pause_us(9500);
    took = now_ms() - t0;
    KillTimer(main_window, 1);
    expect(took >= 9.5, "a pause of 9.5 ms with messages", took);

    // At the title P pauses nothing: the wait ends, the sound plays on.
    const LcdFrame known = known_frame();
    show_frame(known);
    start_sound("dig.wav");
    check(sound_playing(), "dig.wav plays");
    pausable = false;
    PostMessageA(main_window, WM_KEYDOWN, 'P', 0);
    took = timed_wait(5);
    check(sound_playing() && window_pixel(128, 64) == ink, "P at the title: no pause");

    // In a game P pauses: the sound stops, the LCD dims, the wait stands
    // still until a key resumes it and then goes on with the time it had
    // left; the resuming key is held at the next poll and only then.
    pausable = true;
    PostMessageA(main_window, WM_KEYDOWN, 'P', 0);
    PauseRun run;
    const HANDLE player = CreateThread(nullptr, 0, pause_the_wait, &run, 0, nullptr);
    took = timed_wait(20);
    run.wait_over = true;
    WaitForSingleObject(player, INFINITE);
    CloseHandle(player);
    check(run.began, "P in a game pauses it: the sound cut, the LCD dimmed");
    check(run.held, "the wait stands still while paused");
    expect(took - run.paused_ms >= 180.0, "and lasts its 180 ms besides the pause", took - run.paused_ms);
    check(window_pixel(128, 64) == ink, "resumed: the LCD as it was");
    const InputBits first = poll_keys(), second = poll_keys();
    check(first == input::Right && second == 0, "the key that resumed is held at the next poll only");
    stop_sounds();
    pausable = false;
    return failures == 0 ? 0 : 1;
}

// The game's own turns from start-up, as WinMain runs them: two seconds
// on the title with no key held; then, once a key from outside leaves the
// title, a line for each game turn, "turn N keys HH depth D" and the frame
// the turn left on the LCD as a present line, until the window is closed.
int play() {
    load_best();
    create_main_window();
    const auto game = std::make_unique<Game>();
    const auto calls = no_calls();
    start_up(*game, *calls);
    check(calls->outcome == Outcome::Started, "start-up lists its calls");
    carry_out(*calls);
    handheld::TitlePace pace;
    // About a thousand passes a second, in bursts of ten: the figures are
    // shown, and measured by the benchmarks; a busy machine sets them here.
    const double t0 = now_ms();
    int passes = 0, other = 0;
    while (now_ms() - t0 < 2000.0) {
        if (play_turn(*game, *calls, pace) == Outcome::TitlePass) ++passes; else ++other;
    }
    std::printf("title: %d passes in %.3f s\n", passes, (now_ms() - t0) / 1000.0);
    check(other == 0, "every turn a title pass (no key held)");

    std::printf("press a key\n");
    std::fflush(stdout);
    Outcome outcome = Outcome::TitlePass;
    while (outcome == Outcome::TitlePass) outcome = play_turn(*game, *calls, pace);
    check(outcome == Outcome::TitleLeft && game->phase == Phase::Play, "the key left the title for a game");
    std::printf("game\n");
    std::fflush(stdout);
    double quickest = 1e9;
    for (int turn = 1;; ++turn) {
        const double start = now_ms();
        outcome = play_turn(*game, *calls, pace);
        const double took = now_ms() - start;
        if (turn <= 20 && took < quickest) quickest = took;
        if (turn == 20)
            expect(quickest >= 45.0, "each of the first 20 frames lasts its wait of 45 ms at least", quickest);
        const LcdFrame& shown = calls->frame[calls->frames > 0 ? calls->frames - 1 : 0];
        const runs::TraceLine line = runs::present_line(shown);
        std::printf("turn %d keys %02x depth %d %.*s\n", turn, game->cur_input, static_cast<int>(game->depth),
                    static_cast<int>(line.size), line.text);
        std::fflush(stdout);
    }
}

// A game that ends early, through the driver's steps: the board that the
// 215th title pass makes, and the digger crushed 75 frames in. Its depth
// is kept as the best and shown on the body.
int die() {
    load_best();
    create_main_window();
    std::printf("best %d\n", static_cast<int>(best_depth));
    std::fflush(stdout);
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script("00*214 04 10*18 08*25 15 08*11 0c*22 0a", script, error)) return 2;
    const auto game = std::make_unique<Game>();
    const auto calls = no_calls();
    start_up(*game, *calls);
    carry_out(*calls);
    for (const runs::ScriptRun& run : script)
        for (std::uint64_t i = 0; i < run.count && calls->outcome != Outcome::Died; ++i)
            play_step(*game, run.value, *calls);
    check(calls->outcome == Outcome::Died, "the digger died");
    check(best_depth == game->depth && best_depth > 0, "its depth is the best");
    std::printf("died at depth %d\n", static_cast<int>(game->depth));
    std::fflush(stdout);
    serve_forever();
}

int label(int depth) {
    std::uint64_t rows[handheld::best::rows];
    handheld::best_label(depth, rows);
    for (const std::uint64_t row : rows) {
        for (int c = 0; c < handheld::best::columns; ++c) std::putchar((row >> c) & 1u ? '#' : '.');
        std::putchar('\n');
    }
    return 0;
}

// Until the test makes the file "stop" (60 s at most), then silence.
void stop_when_told() {
    for (int waited = 0; waited < 60000; waited += 20) {
        if (GetFileAttributesA("stop") != INVALID_FILE_ATTRIBUTES) break;
        Sleep(20);
    }
    stop_sounds();
}

// dig.wav through the driver, as a step plays it: started, heard, stopped.
int sound() {
    timeBeginPeriod(1);
    const auto play = no_calls();
    play_sound(*play, Sound::Dig);
    carry_out(*play);
    std::printf("%s\n", sound_playing() ? "playing" : "not playing");
    std::fflush(stdout);
    stop_when_told();
    const auto stop = no_calls();
    stop_sound(*stop);
    carry_out(*stop);
    carry_out(*stop);  // nothing playing: harmless
    std::printf("%s\n", sound_playing() ? "still playing" : "stopped");
    std::fflush(stdout);
    return 0;
}

// Each sound twice, as a dig sound is played again and again; then whether
// the last one plays, which it does unless it could not be played.
int sounds(int count, char** names) {
    timeBeginPeriod(1);
    for (int i = 0; i < count; ++i) {
        start_sound(names[i]);
        start_sound(names[i]);
    }
    std::printf("%s\n", sound_playing() ? "playing" : "not playing");
    std::fflush(stdout);
    stop_when_told();
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
    if (argc >= 2 && std::strcmp(argv[1], "die") == 0) return die();
    if (argc >= 3 && std::strcmp(argv[1], "label") == 0) return label(std::atoi(argv[2]));
    if (argc >= 2 && std::strcmp(argv[1], "sound") == 0) return sound();
    if (argc >= 3 && std::strcmp(argv[1], "sounds") == 0) return sounds(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "fatal") == 0) return fatal();
    if (argc >= 2 && std::strcmp(argv[1], "class") == 0) return class_checks();
    if (argc >= 2 && std::strcmp(argv[1], "messages") == 0) return message_checks();
    std::fprintf(stderr, "usage: probe frames FILE.pbm | keys | timing | play | die | label DEPTH | sound | "
                         "sounds NAME... | fatal | class | messages\n");
    return 2;
}
