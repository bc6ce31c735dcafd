// Keys, waits and sounds. Window messages are served only here, when the
// game polls the keyboard or waits; the quit message ends the process.
#include "host/win32/win32_host.h"

#include <mmsystem.h>

namespace murlo {

namespace {

// By file name, no system default sound when it is missing, and in the
// background, cutting off whatever plays.
constexpr DWORD sound_flags = SND_FILENAME | SND_NODEFAULT | SND_ASYNC;
static_assert(sound_flags == 0x20003);

// Keys, mouse moves and buttons, posted messages, timers, paint requests,
// sent messages and hot keys all end a wait early.
constexpr DWORD wake_mask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER |
                            QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(wake_mask == 0xFF);

}  // namespace

void process_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) host_shutdown();
        // Untranslated: keys reach the window only as key-down and key-up.
        DispatchMessageA(&message);
    }
}

InputBits poll_input() {
    process_messages();
    BYTE state[256] = {};
    GetKeyboardState(state);
    return keys_from_state(state);
}

void wait_ticks(std::uint32_t n) {
    const std::uint32_t limit = desktop::wait_limit(n);
    const std::uint32_t start = timeGetTime();
    for (;;) {
        process_messages();
        const std::uint32_t left = desktop::wait_left(start, timeGetTime(), limit);
        if (left == 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, wake_mask);
    }
}

void play_sound(const char* name) {
    if (name == nullptr) return;
    PlaySoundA(name, nullptr, sound_flags);
}

void stop_sound() { PlaySoundA(nullptr, nullptr, sound_flags); }

void host_shutdown() {
    stop_sound();
    // Normally the window is gone already and this does nothing.
    if (main_window != nullptr) DestroyWindow(main_window);
    if (skin_bitmap != nullptr) DeleteObject(skin_bitmap);
    timeEndPeriod(1);
    ExitProcess(0);
}

}  // namespace murlo
