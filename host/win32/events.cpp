// Keys, controllers, waits, pauses and sounds. Window messages are served
// only here, when the driver polls the keys, waits or pauses the title, and
// while a paused game is held; the quit message ends the process.
#include <cstdio>

#include "desktop/notices.h"
#include "host/win32/win32_host.h"

#include <mmsystem.h>
#include <xinput.h>

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

static_assert(xinput::dpad_up == XINPUT_GAMEPAD_DPAD_UP && xinput::dpad_down == XINPUT_GAMEPAD_DPAD_DOWN &&
              xinput::dpad_left == XINPUT_GAMEPAD_DPAD_LEFT && xinput::dpad_right == XINPUT_GAMEPAD_DPAD_RIGHT &&
              xinput::start == XINPUT_GAMEPAD_START && xinput::a == XINPUT_GAMEPAD_A &&
              xinput::b == XINPUT_GAMEPAD_B);

// Controllers through XInput, whose DLL is loaded when the window is made;
// where it is missing only the keyboard plays.
using GetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
GetStateFunction xinput_get_state = nullptr;
bool pad_connected[XUSER_MAX_COUNT] = {};
// Asking an empty slot takes long, so empty slots are asked again at most
// once a second (timeGetTime), which is how soon a controller plugged in
// is seen.
DWORD next_look_for_pads = 0;
bool looked_for_pads = false;

// What the controllers hold, and what was pressed on them since they were
// last read: Start, and the game's keys.
struct Pads {
    InputBits held = 0;
    bool start = false;
    InputBits pressed = 0;
};
bool start_was_held = false;
InputBits keys_were_held = 0;

Pads read_controllers() {
    Pads pads;
    bool start_held = false;
    if (xinput_get_state != nullptr && GetForegroundWindow() == main_window) {
        const DWORD now = timeGetTime();
        const bool look = !looked_for_pads || static_cast<std::int32_t>(now - next_look_for_pads) >= 0;
        if (look) {
            looked_for_pads = true;
            next_look_for_pads = now + 1000;
        }
        for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
            if (!pad_connected[user] && !look) continue;
            XINPUT_STATE state{};
            pad_connected[user] = xinput_get_state(user, &state) == ERROR_SUCCESS;
            if (!pad_connected[user]) continue;
            const XINPUT_GAMEPAD& pad = state.Gamepad;
            pads.held |= xinput_keys({pad.wButtons, pad.sThumbLX, pad.sThumbLY});
            start_held = start_held || (pad.wButtons & XINPUT_GAMEPAD_START) != 0;
        }
    }
    pads.start = start_held && !start_was_held;
    pads.pressed = static_cast<InputBits>(pads.held & ~keys_were_held);
    start_was_held = start_held;
    keys_were_held = pads.held;
    return pads;
}

// The pause. The window procedure asks for it (want_pause) or for the end
// of it (want_resume); process_messages holds the game while it lasts.
bool paused = false;
bool want_pause = false;
bool want_resume = false;
InputBits resume_keys = 0;  // held at the next poll

void resume(InputBits keys) {
    want_resume = true;
    resume_keys = static_cast<InputBits>(resume_keys | keys);
}

void serve_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) host_shutdown();
        // Untranslated: keys reach the window only as key-down and key-up.
        DispatchMessageA(&message);
    }
}

// Until P, Pause, Start or one of the five keys resumes the game (or the
// window closes). The sound is cut and is not taken up again: the game's
// next sound plays as it comes. How many milliseconds the game was held.
std::uint32_t hold_paused_game() {
    const DWORD began = timeGetTime();
    paused = true;
    want_resume = false;
    stop_sounds();
    dim_lcd(true);
    while (!want_resume) {
        // Controllers send no messages: they are read every 20 ms.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, xinput_get_state != nullptr ? 20 : INFINITE, wake_mask);
        serve_messages();
        const Pads pads = read_controllers();
        if (pads.start || pads.pressed != 0) resume(pads.pressed);
    }
    paused = false;
    want_pause = false;
    dim_lcd(false);
    return timeGetTime() - began;
}

}  // namespace

bool pausable = false;

void key_pressed(std::uint8_t virtual_key) {
    const KeyPress press = key_press(virtual_key);
    if (paused && (press.pause_key || press.key != 0))
        resume(press.key);
    else if (press.pause_key)
        want_pause = true;
}

void window_left() {
    if (!paused) want_pause = true;
}

void open_controllers() {
    const HMODULE library = LoadLibraryA("xinput1_4.dll");
    if (library == nullptr) return;
    // Through void*: a function pointer of another type, as GetProcAddress goes.
    xinput_get_state = reinterpret_cast<GetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
}

std::uint32_t process_messages() {
    serve_messages();
    // At the title nothing pauses: asking then is forgotten.
    const bool hold = want_pause && pausable;
    want_pause = false;
    return hold ? hold_paused_game() : 0;
}

InputBits poll_keys() {
    process_messages();
    // Like the keyboard, controllers count while the game's window is in front.
    Pads pads = read_controllers();
    if (pads.start && pausable) {
        hold_paused_game();
        pads = read_controllers();
    }
    BYTE state[256] = {};
    GetKeyboardState(state);
    const InputBits keys = static_cast<InputBits>(keys_from_state(state) | pads.held | resume_keys);
    resume_keys = 0;
    return keys;
}

void wait_for_ticks(std::uint32_t ticks) {
    const std::uint32_t limit = handheld::wait_limit(ticks);
    std::uint32_t start = timeGetTime();
    for (;;) {
        // The time the game was held paused does not count.
        start += process_messages();
        const std::uint32_t left = handheld::wait_left(start, timeGetTime(), limit);
        if (left == 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, wake_mask);
    }
}

std::uint64_t clock_us() {
    static const std::uint64_t per_second = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart > 0 ? static_cast<std::uint64_t>(frequency.QuadPart) : 1u;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::uint64_t ticks = now.QuadPart > 0 ? static_cast<std::uint64_t>(now.QuadPart) : 0u;
    // In two parts, so that a counter of many days cannot overflow.
    return ticks / per_second * 1000000u + ticks % per_second * 1000000u / per_second;
}

void pause_us(std::uint64_t us) {
    const std::uint64_t until = clock_us() + us;
    for (;;) {
        process_messages();
        const std::uint64_t now = clock_us();
        if (now >= until) return;
        // The message wait counts whole milliseconds: the last part of a
        // pause rounds up rather than spinning.
        const std::uint64_t left_ms = (until - now + 999) / 1000;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left_ms), wake_mask);
    }
}

namespace {

// Why the sound file `name` cannot be played in full, or null when it can
// or is not there at all (silence, as the game means it). PlaySoundA starts
// playing in the background and says nothing about the file, so the game
// looks at the file itself: a folder, an empty file, no RIFF WAVE form, no
// format or no sound data, or sound data that runs past the end of the file.
const char* sound_file_problem(const char* name) {
    WIN32_FILE_ATTRIBUTE_DATA facts;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &facts)) return nullptr;
    if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "not played: it is a folder";
    const std::uint64_t size = static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
    if (size == 0) return "not played: the file is empty";
    HMMIO file = mmioOpenA(const_cast<char*>(name), nullptr, MMIO_READ | MMIO_DENYWRITE);
    if (file == nullptr) return "not played: it cannot be opened";
    const char* problem = nullptr;
    MMCKINFO form{};
    form.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    MMCKINFO chunk{};
    if (mmioDescend(file, &form, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        problem = "not played: not a WAV file";
    } else {
        chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
        if (mmioDescend(file, &chunk, &form, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
            problem = "not played: a WAV file without its format";
        } else {
            mmioAscend(file, &chunk, 0);
            chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
            if (mmioDescend(file, &chunk, &form, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
                problem = "not played: a WAV file without sound data";
            else if (std::uint64_t{chunk.dwDataOffset} + chunk.cksize > size)
                problem = "cut short: only the part that is there plays";
        }
    }
    mmioClose(file, 0);
    return problem;
}

}  // namespace

void start_sound(const char* name) {
    // Looked at the first time each name is played: a dig sound is named
    // once, not at every dig.
    if (desktop::first_time(name))
        if (const char* problem = sound_file_problem(name)) desktop::say(stderr, "%s %s", name, problem);
    PlaySoundA(name, nullptr, sound_flags);
}

void stop_sounds() { PlaySoundA(nullptr, nullptr, sound_flags); }

void host_shutdown() {
    keep_best_at_close();
    stop_sounds();
    // Normally the window is gone already and this does nothing.
    if (main_window != nullptr) DestroyWindow(main_window);
    if (skin_bitmap != nullptr) DeleteObject(skin_bitmap);
    timeEndPeriod(1);
    ExitProcess(0);
}

}  // namespace murlo
