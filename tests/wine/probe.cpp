// A Windows test program built on the real Win32 host, with its own main
// instead of WinMain: it starts the host as WinMain does and runs its
// turns, or shows pictures and plays sounds through it, reports what it
// sees, or provokes the start-up failure, so the tests can look at the
// outcome from outside.
//
//   probe frames EXPECTED.pbm   show known pictures, write the last one as a
//                               PBM, then serve messages until closed
//   probe keys                  print each change of the keys held
//   probe timing                a scripted game paused and resumed, exit 1
//                               on a fault (break.wav: a sound longer than
//                               the run)
//   probe play                  the game's turns as WinMain runs them: two
//                               seconds of title, then, after a key, a line
//                               for each poll of the game, until closed;
//                               then the calls made against the replay's
//                               for the recorded run
//   probe die                   a game that ends 75 frames in, its keys from
//                               a script, then its turns until closed
//   probe label DEPTH           the cells of "BEST DEPTH" on the body
//   probe sound                 play dig.wav, say whether it plays, stop it
//                               once the file "stop" is there
//   probe sounds NAME...        play each twice, then as `sound`
//   probe fatal                 make window creation fail (class taken)
//   probe class                 check the registered window class
//   probe messages              check the window procedure's answers, then
//                               close: the next turn ends the loop
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "host/replay/replay.h"
#include "host/win32/win32_host.h"
#include "runs/script.h"
#include "runs/trace_lines.h"

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

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// The host as WinMain makes it; the runner's trace kept when `tracing`.
std::unique_ptr<Host> started(runs::Script script = {}, bool tracing = false) {
    auto host = std::make_unique<Host>();
    host->instance = GetModuleHandleA(nullptr);
    host->runner.tracing = tracing;
    if (!start_host(*host, std::move(script))) {
        say("FAIL the host did not start");
        std::exit(2);
    }
    return host;
}

runs::Script script_of_text(const char* text) {
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script(text, script, error)) std::exit(2);
    return script;
}

double now_ms() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    std::fflush(stdout);
    if (!ok) ++failures;
}

void expect(bool ok, const char* what, double value, const char* unit = "ms") {
    std::printf("%s %s (%.2f %s)\n", ok ? "ok  " : "FAIL", what, value, unit);
    std::fflush(stdout);
    if (!ok) ++failures;
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

// Whether the LCD's top-left pixel is in the paused colours, as the screen shows it.
bool lcd_dimmed(const Host& host) {
    const HDC dc = GetDC(host.window);
    const COLORREF colour = GetPixel(dc, handheld::lcd_left, handheld::lcd_top);
    ReleaseDC(host.window, dc);
    constexpr handheld::Rgb ink = handheld::lcd_paused_ink, clear = handheld::lcd_paused_clear;
    return colour == RGB(ink.r, ink.g, ink.b) || colour == RGB(clear.r, clear.g, clear.b);
}

// The trace lines the runner made since they were last taken, each as
// `line` sees it.
template <typename Line>
void each_line(Runner& r, Line line) {
    const std::string text = take_trace(r);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        line(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
}

int frames(const char* expected_path) {
    const auto host = started();
    // The last picture stays, undimmed again though the same as the one before.
    LcdFrame frame{};
    for (std::uint32_t& row : frame.row) row = 0xFFFFFFFFu;
    show_picture(*host, frame, false);
    show_picture(*host, LcdFrame{}, false);
    const LcdFrame known = known_frame();
    show_picture(*host, known, true);
    show_picture(*host, known, false);
    if (!write_pbm(expected_path, known)) return 2;
    say("shown");
    // Messages served, the picture repainted when uncovered; no game runs.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    close_host(*host);
    return 0;
}

int keys() {
    const auto host = started();
    say("ready");
    int last = -1;
    while (host_turn(*host)) {
        const InputBits held = keyboard_keys();
        if (held != last) {
            std::printf("%02x\n", held);
            std::fflush(stdout);
            last = held;
        }
    }
    close_host(*host);
    return 0;
}

// A game begun by a script and left to the player once it has started
// break.wav (a minute long): P at the title pauses nothing; the frames keep
// their pace through a flood of messages; P in the game cuts the sound and
// dims the LCD, and no poll comes until a key goes on; that key is held at
// the next poll and only there.
int timing() {
    const auto host = started(script_of_text("00*214 04 10*18 08"), true);
    Runner& r = host->runner;

    PostMessageA(host->window, WM_KEYDOWN, 'P', 0);
    host_turn(*host);
    check(!paused(r) && !lcd_dimmed(*host), "P at the title: no pause");

    // Timer and posted messages all through: each wakes a turn.
    SetTimer(host->window, 1, 1, nullptr);
    for (int i = 0; i < 20; ++i) PostMessageA(host->window, WM_USER, 0, 0);
    int polls = 0, polls_to_stop = -1;
    const double began = now_ms();
    double left_title = 0, broke = 0;
    while (broke == 0 && now_ms() - began < 30000.0 && host_turn(*host)) {
        each_line(r, [&](std::string_view line) {
            if (broke != 0) return;
            if (line.starts_with("poll ")) ++polls;
            if (line == "stop") {
                polls_to_stop = polls;
                left_title = now_ms();
            }
            if (line == "sound break.wav") broke = now_ms();
        });
    }
    KillTimer(host->window, 1);
    check(polls_to_stop == 215 && polls == 234, "the script's 215 title passes and 19 frames to the first break");
    // The 18 waits between the frames' polls, the first of which may begin
    // up to the runner's late limit (20 ms) before its poll was made, and
    // a few milliseconds for the turn that made it.
    expect(broke - left_title >= 18 * 45.0 - 30.0, "18 frames of 45 ms, messages or not", broke - left_title);
    check(sound_playing(), "break.wav plays");

    PostMessageA(host->window, WM_KEYDOWN, 'P', 0);
    host_turn(*host);
    check(paused(r) && lcd_dimmed(*host), "P in the game pauses it: the LCD dimmed");
    check(!sound_playing(), "and the sound cut");
    // Timer messages wake the turns, which find the game paused.
    SetTimer(host->window, 1, 10, nullptr);
    int polls_paused = 0;
    const double pause_began = now_ms();
    while (now_ms() - pause_began < 300.0) {
        host_turn(*host);
        each_line(r, [&](std::string_view line) { polls_paused += line.starts_with("poll ") ? 1 : 0; });
    }
    check(polls_paused == 0 && paused(r) && lcd_dimmed(*host), "no poll while paused");

    // Resumed with Right, a message posted without the key going down.
    PostMessageA(host->window, WM_KEYDOWN, VK_RIGHT, 0);
    std::string first, second;
    const double resumed = now_ms();
    while (second.empty() && now_ms() - resumed < 30000.0) {
        host_turn(*host);
        each_line(r, [&](std::string_view line) {
            if (!line.starts_with("poll ")) return;
            (first.empty() ? first : second) = line;
        });
    }
    KillTimer(host->window, 1);
    check(!paused(r) && !lcd_dimmed(*host), "a key goes on: the LCD as it was");
    check(first == "poll 02" && second == "poll 00", "the key that went on is held at the next poll only");
    close_host(*host);
    return failures == 0 ? 0 : 1;
}

// The game's turns from start-up, as WinMain runs them: two seconds on the
// title with no key held; then, once a key from outside leaves the title, a
// line for each poll of the game, "turn N keys HH depth D present W..."
// with the frame the poll's advance left on the LCD and the depth after the
// turn, until the window is closed. Then every call made is checked against
// the replay of the recorded run.
int play() {
    const auto host = started({}, true);
    Runner& r = host->runner;
    std::string made;
    const auto take = [&] {
        const std::string lines = take_trace(r);
        made += lines;
        return lines;
    };

    const double t0 = now_ms();
    int wakes = 0, pictures = 0;
    LcdFrame shown = runner_picture(r);
    while (now_ms() - t0 < 2000.0 && host_turn(*host)) {
        ++wakes;
        const LcdFrame now = runner_picture(r);
        if (!std::equal(std::begin(shown.row), std::end(shown.row), std::begin(now.row))) ++pictures;
        shown = now;
        take();
    }
    const double seconds = (now_ms() - t0) / 1000.0;
    std::printf("title: %d turns, %d pictures in %.3f s\n", wakes, pictures, seconds);
    check(r.state.game.phase == Phase::Title, "still the title (no key held)");
    check(pictures > 0, "the title moves");
    // The runner wakes the host for the title's pictures, at most 15 a
    // second; the test's pointer and focus wake a few turns more.
    expect(wakes <= 15 * seconds + 20, "the title's turns, about 15 a second", wakes / seconds, "a second");

    say("press a key");
    while (r.state.game.phase == Phase::Title && host_turn(*host)) take();
    check(r.state.game.phase == Phase::Play, "the key left the title for a game");
    say("game");
    take();
    int turn = 0;
    double first_turn_ms = 0;
    while (host_turn(*host)) {
        const std::string lines = take();
        std::string_view rest = lines;
        std::string keys, present;
        const auto report_turn = [&] {
            if (keys.empty()) return;
            std::printf("turn %d keys %s depth %d %s\n", ++turn, keys.c_str(), static_cast<int>(r.state.game.depth),
                        present.c_str());
            if (turn == 1) first_turn_ms = now_ms();
            if (turn == 21)
                expect(now_ms() - first_turn_ms >= 20 * 45.0 - 30.0, "the first 20 frames take 45 ms each",
                       (now_ms() - first_turn_ms) / 20, "ms each");
        };
        while (!rest.empty()) {
            const std::string_view line = rest.substr(0, rest.find('\n'));
            rest.remove_prefix(line.size() + 1);
            if (line.starts_with("poll ")) {
                report_turn();
                keys = line.substr(5);
                present.clear();
            } else if (line.starts_with("present ")) {
                present = line;
            }
        }
        report_turn();
        std::fflush(stdout);
    }
    close_host(*host);
    close_trace(r);
    take();

    // The recorded run replayed makes the very calls the game made, frames,
    // waits and sounds, pauses and all.
    runs::Script script;
    runs::ScriptError error;
    check(runs::parse_script(recorded_script(r), script, error), "the recorded run reads back");
    replay::Trace replayed;
    replay::run(script, replayed);
    std::size_t line = 1, at = 0;
    while (at < made.size() && at < replayed.text().size() && made[at] == replayed.text()[at])
        line += made[at++] == '\n' ? 1 : 0;
    std::printf("     %zu bytes of calls made, %zu replayed\n", made.size(), replayed.text().size());
    if (made != replayed.text()) std::printf("     they part at line %zu\n", line);
    check(made == replayed.text(), "the calls made are the replay's of the recorded run");
    return failures == 0 ? 0 : 1;
}

// A game that ends early, its keys from a script: the board that the 215th
// title pass makes, and the digger crushed 75 frames in. Its depth is kept
// as the best and shown on the body.
int die() {
    const auto host = started(script_of_text("00*214 04 10*18 08*25 15 08*11 0c*22 0a"));
    Runner& r = host->runner;
    std::printf("best %d\n", static_cast<int>(r.state.best));
    std::fflush(stdout);
    bool begun = false, died = false;
    while (host_turn(*host)) {
        // A script's games count for no best depth; this one is made to
        // count once it has begun, as a game the player began.
        if (!begun && r.state.game.phase == Phase::Play) r.state.counts = begun = true;
        if (!died && r.state.best > 0) {
            died = true;
            check(r.state.best == r.state.game.depth, "its depth is the best");
            std::printf("died at depth %d\n", static_cast<int>(r.state.best));
            std::fflush(stdout);
        }
    }
    close_host(*host);
    return failures == 0 ? 0 : 1;
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
}

// dig.wav as the runner's sound: started, heard, stopped.
int sound() {
    timeBeginPeriod(1);
    desktop::Notices notices;
    play_sound(notices, static_cast<std::int8_t>(Sound::Dig));
    say(sound_playing() ? "playing" : "not playing");
    stop_when_told();
    play_sound(notices, no_sound);
    play_sound(notices, no_sound);  // nothing playing: harmless
    say(sound_playing() ? "still playing" : "stopped");
    return 0;
}

// Each sound twice, as a dig sound is played again and again; then whether
// the last one plays, which it does unless it could not be played.
int sounds(int count, char** names) {
    timeBeginPeriod(1);
    desktop::Notices notices;
    for (int i = 0; i < count; ++i) {
        start_sound(notices, names[i]);
        start_sound(notices, names[i]);
    }
    say(sound_playing() ? "playing" : "not playing");
    stop_when_told();
    stop_sounds();
    return 0;
}

int class_checks() {
    const auto host = started();
    WNDCLASSA registered{};
    if (!GetClassInfoA(host->instance, "murlo_class", &registered)) {
        say("FAIL no class murlo_class");
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
    check(GetAncestor(host->window, GA_PARENT) == GetDesktopWindow() &&
               GetWindow(host->window, GW_OWNER) == nullptr && GetMenu(host->window) == nullptr,
           "no parent, owner or menu");
    check(GetWindowLongPtrA(host->window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(host.get()),
          "the window's user data is the host");
    close_host(*host);
    return failures == 0 ? 0 : 1;
}

bool close_posted(HWND window) {
    MSG message;
    return PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

LRESULT hit_at(HWND window, int client_x, int client_y) {
    RECT rect;
    GetWindowRect(window, &rect);
    const unsigned x = static_cast<unsigned>(rect.left + client_x) & 0xFFFFu;
    const unsigned y = static_cast<unsigned>(rect.top + client_y) & 0xFFFFu;
    return main_window_proc(window, WM_NCHITTEST, 0, static_cast<LPARAM>(y << 16 | x));
}

// The window procedure's own answers, called directly on the game's thread.
int message_checks() {
    const auto host = started();
    const HWND window = host->window;

    const LPARAM over_client = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    const LPARAM over_caption = MAKELPARAM(HTCAPTION, WM_MOUSEMOVE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    // The pointer hides over the LCD alone (the drawn controls are client
    // area too): put it there.
    RECT place{};
    GetWindowRect(window, &place);
    SetCursorPos(place.left + 256, place.top + 200);
    check(main_window_proc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), over_client) == TRUE &&
              GetCursor() == nullptr,
          "pointer hidden over the client area");
    main_window_proc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), over_caption);
    check(GetCursor() == LoadCursorA(nullptr, IDC_ARROW), "arrow over the skin");

    host_turn(*host);
    main_window_proc(window, WM_KEYDOWN, 'A', 0);
    main_window_proc(window, WM_KEYDOWN, VK_LEFT, 0);
    check(!close_posted(window), "other keys do not close");
    main_window_proc(window, WM_KEYDOWN, VK_ESCAPE, 0);
    check(close_posted(window), "Escape pressed posts WM_CLOSE");
    main_window_proc(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    check(close_posted(window), "Escape released posts WM_CLOSE");

    // Left of the screen's left edge the packed x is negative.
    SetWindowPos(window, nullptr, -300, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    check(hit_at(window, 200, 200) == HTCLIENT, "LCD hit at a negative screen x");
    check(hit_at(window, 20, 260) == HTCAPTION, "caption hit at a negative screen x");
    check(hit_at(window, 384, 320) == HTCLIENT && hit_at(window, 385, 320) == HTCAPTION, "hit area edges");

    if (failures != 0) return 1;
    // Closing destroys the window; the next turn takes the quit message and
    // ends the loop.
    main_window_proc(window, WM_CLOSE, 0, 0);
    check(!IsWindow(window) && host->window == nullptr, "closing destroys the window");
    say("turn after close");
    check(!host_turn(*host), "the turn takes the quit message");
    close_host(*host);
    return failures == 0 ? 0 : 1;
}

int fatal() {
    // The class name is taken already, so registering it again fails.
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = "murlo_class";
    if (RegisterClassA(&taken) == 0) return 3;
    const auto host = std::make_unique<Host>();
    host->instance = taken.hInstance;
    if (!start_host(*host, {})) return failed_start();
    return 4;
}

}  // namespace

int main(int argc, char** argv) {
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
