// The game driven: the runner started, run turn by turn as the window's
// messages and its own wake-ups come, and its report carried out; the best
// depth read and kept, and the game in the middle kept for the next start.
#include <string>
#include <utility>

#include "desktop/best.h"
#include "host/win32/win32_host.h"

#include <mmsystem.h>

namespace murlo {

namespace {

// Keys, mouse moves and buttons, posted messages, timers, paint requests,
// sent messages and hot keys all end a sleep early.
constexpr DWORD wake_mask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER |
                            QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(wake_mask == 0xFF);

// %LOCALAPPDATA%\Murlo\NAME (or another variable's folder); empty where
// Windows names no such folder.
std::filesystem::path state_path(const wchar_t* name, const wchar_t* variable = L"LOCALAPPDATA") {
    const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);
    if (size == 0) return {};
    std::wstring folder(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(variable, folder.data(), size);
    if (length == 0 || length >= size) return {};
    folder.resize(length);
    return std::filesystem::path(folder) / L"Murlo" / name;
}

// Microseconds on the performance counter, in two parts, so that a counter
// of many days cannot overflow.
std::uint64_t clock_us(const Host& host) {
    const std::uint64_t count = counter_now(), rate = host.counts_per_second;
    return count / rate * 1000000u + count % rate * 1000000u / rate;
}

// Keeps `depth` when it is deeper than the best: the file may hold a
// deeper one still, from a game run beside this one, which then counts.
void keep_best(Host& host, std::int32_t depth) {
    if (host.best_path.empty()) return;
    set_best(host.runner, desktop::write_best(host.best_path, depth, host.best_said));
    show_best(host);
}

}  // namespace

void tell(Host& host, Event event) { handle(host.runner, clock_us(host), event); }

namespace {

// Every waiting message, each to the window procedure; false at the quit
// message.
bool serve_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return false;
        // Untranslated: keys reach the window only as key-down and key-up.
        DispatchMessageA(&message);
    }
    return true;
}

// Asleep until the runner wants to run or a message comes (one waiting
// already included), and no longer than the controllers can go unread.
void sleep_until_due(const Host& host) {
    DWORD timeout = controller_interval(host.pads);
    if (!host.wake_never) {
        const std::uint64_t now = clock_us(host);
        // Whole milliseconds, rounded up: never before it is due.
        const std::uint64_t left_ms = host.wake_us > now ? (host.wake_us - now + 999) / 1000 : 0;
        if (left_ms < timeout) timeout = static_cast<DWORD>(left_ms);
    }
    if (timeout > 0) MsgWaitForMultipleObjectsEx(0, nullptr, timeout, wake_mask, MWMO_INPUTAVAILABLE);
}

}  // namespace

bool start_host(Host& host, runs::Script script, const desktop::SettingOptions& options) {
    // The settings kept (roaming with the user), those given over them.
    host.settings_path = state_path(L"settings.ini", L"APPDATA");
    host.stored = desktop::read_settings(host.settings_path);
    host.settings = desktop::with_options(host.stored, options);
    host.best_path = state_path(L"best.txt");
    const std::int32_t best = host.best_path.empty() ? 0 : desktop::read_best(host.best_path);
    // A script's start leaves the kept game for the player's next start.
    const bool players = script.empty();
    start_runner(host.runner, std::move(script), best);
    if (players) {
        desktop::resume_kept(host.kept, state_path(L"suspend"), host.runner);
        // The best as stored counts, not the one the game was kept with.
        set_best(host.runner, best);
    }
    // The clock runs before the window is made: its messages are told with their time.
    host.counts_per_second = counter_rate();
    if (!create_main_window(host)) return false;
    host.last_us = clock_us(host);
    host.wake_us = host.last_us;
    host.wake_never = false;
    return true;
}

bool host_turn(Host& host) {
    Runner& r = host.runner;
    sleep_until_due(host);
    if (!serve_messages()) return false;

    // Controllers send no messages: their keys and Start are read here, and
    // the keys held told with the time of the run.
    const PadRead pads = read_controllers(host.pads, host.window);
    const std::uint64_t now = clock_us(host);
    const std::uint64_t clock_before = r.state.clock_us;
    handle(r, now, {Event::Kind::Keys, static_cast<InputBits>(keyboard_keys() | pads.held | mouse_keys(host))});
    if (pads.start) handle(r, now, {Event::Kind::Pause});
    const Report report = run(r, now);
    desktop::keep_as_it_goes(host.kept, r, report, r.state.clock_us - clock_before);
    host.last_us = now;

    if (report.picture) {
        const bool pausing = paused(r) && !host.dimmed;
        show_picture(host, runner_picture(r), paused(r));
        // PlaySoundA cannot hold a sound: a pause cuts it, and the game's
        // next sound plays as it comes.
        if (pausing) stop_sounds();
    }
    // Nor can it start one part of the way in: a sound plays from its start,
    // and a game gone on with paused starts silent.
    // Muted, none plays (and whatever played stopped with the mute).
    if (report.sound && !paused(r) && !host.settings.mute) play_sound(host.notices, r.state.sound);
    if (report.best) keep_best(host, r.state.best);
    host.wake_never = report.wake_in_us == never;
    host.wake_us = now + (host.wake_never ? 0 : report.wake_in_us);
    return true;
}

void keep_at_close(Host& host) {
    const std::int32_t depth = depth_to_keep(host.runner);
    if (depth > host.runner.state.best) keep_best(host, depth);
    desktop::keep_now(host.kept, host.runner);
}

void close_host(Host& host) {
    // However the window went (closed, Escape), the game in the middle stays.
    keep_at_close(host);
    desktop::let_go(host.kept);
    stop_sounds();
    // Normally the window is gone already and this does nothing.
    if (host.window != nullptr) DestroyWindow(host.window);
    if (host.skin != nullptr) DeleteObject(host.skin);
    host.skin = nullptr;
    timeEndPeriod(1);
}

int failed_start() {
    MessageBoxA(nullptr, "initializing application", "fatal error", MB_OK | MB_ICONWARNING);
    return 1;
}

}  // namespace murlo
