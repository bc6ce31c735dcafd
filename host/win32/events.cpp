// Keys, controllers, the clock and sounds: what the turns read and play.
#include <cstdio>

#include "desktop/notices.h"
#include "host/win32/win32_host.h"

#include <mmsystem.h>

namespace murlo {

namespace {

// By file name, no system default sound when it is missing, and in the
// background, cutting off whatever plays.
constexpr DWORD sound_flags = SND_FILENAME | SND_NODEFAULT | SND_ASYNC;
static_assert(sound_flags == 0x20003);

static_assert(xinput::dpad_up == XINPUT_GAMEPAD_DPAD_UP && xinput::dpad_down == XINPUT_GAMEPAD_DPAD_DOWN &&
              xinput::dpad_left == XINPUT_GAMEPAD_DPAD_LEFT && xinput::dpad_right == XINPUT_GAMEPAD_DPAD_RIGHT &&
              xinput::start == XINPUT_GAMEPAD_START && xinput::a == XINPUT_GAMEPAD_A &&
              xinput::b == XINPUT_GAMEPAD_B);

}  // namespace

void open_controllers(Pads& pads) {
    const HMODULE library = LoadLibraryA("xinput1_4.dll");
    if (library == nullptr) return;
    // Through void*: a function pointer of another type, as GetProcAddress goes.
    pads.get_state = reinterpret_cast<Pads::GetState>(
        reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
}

PadRead read_controllers(Pads& pads, HWND window) {
    PadRead read;
    bool start_held = false;
    // Like the keyboard, controllers count while the game's window is in front.
    if (pads.get_state != nullptr && window != nullptr && GetForegroundWindow() == window) {
        const DWORD now = timeGetTime();
        const bool look = !pads.looked || static_cast<std::int32_t>(now - pads.next_look) >= 0;
        if (look) {
            pads.looked = true;
            pads.next_look = now + 1000;
        }
        for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
            if (!pads.connected[user] && !look) continue;
            XINPUT_STATE state{};
            pads.connected[user] = pads.get_state(user, &state) == ERROR_SUCCESS;
            if (!pads.connected[user]) continue;
            const XINPUT_GAMEPAD& pad = state.Gamepad;
            read.held |= xinput_keys({pad.wButtons, pad.sThumbLX, pad.sThumbLY});
            start_held = start_held || (pad.wButtons & XINPUT_GAMEPAD_START) != 0;
        }
    }
    read.start = start_held && !pads.start_held;
    read.pressed = static_cast<InputBits>(read.held & ~pads.keys_held);
    pads.start_held = start_held;
    pads.keys_held = read.held;
    return read;
}

DWORD controller_interval(const Pads& pads) {
    if (pads.get_state == nullptr) return INFINITE;
    for (const bool connected : pads.connected)
        if (connected) return 20;
    return 1000;
}

InputBits keyboard_keys() {
    BYTE state[256] = {};
    GetKeyboardState(state);
    return keys_from_state(state);
}

void key_pressed(Host& host, std::uint8_t virtual_key) {
    if (const auto change = settings_key(virtual_key, (GetKeyState(VK_MENU) & 0x8000) != 0)) {
        change_settings(host, *change);
        return;
    }
    const KeyPress press = key_press(virtual_key);
    if (press.pause_key)
        tell(host, {Event::Kind::Pause});
    else if (press.key != 0)
        tell(host, {Event::Kind::Keys, static_cast<InputBits>(keyboard_keys() | press.key)});
}

InputBits mouse_keys(const Host& host) {
    if (host.window == nullptr || (GetKeyState(VK_LBUTTON) & 0x8000) == 0) return 0;
    POINT point{};
    if (!GetCursorPos(&point) || WindowFromPoint(point) != host.window || !ScreenToClient(host.window, &point))
        return 0;
    return desktop::view_keys_at(host.view, point.x, point.y);
}

std::uint64_t counter_now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart > 0 ? static_cast<std::uint64_t>(now.QuadPart) : 0u;
}

std::uint64_t counter_rate() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? static_cast<std::uint64_t>(frequency.QuadPart) : 1u;
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

void start_sound(desktop::Notices& notices, const char* name) {
    // Looked at the first time each name is played: a dig sound is named
    // once, not at every dig.
    if (desktop::first_time(notices, name))
        if (const char* problem = sound_file_problem(name)) desktop::say(stderr, "%s %s", name, problem);
    PlaySoundA(name, nullptr, sound_flags);
}

void stop_sounds() { PlaySoundA(nullptr, nullptr, sound_flags); }

void play_sound(desktop::Notices& notices, std::int8_t sound) {
    if (sound >= 0 && sound < sound_count)
        start_sound(notices, sound_name(static_cast<Sound>(sound)));
    else
        stop_sounds();
}

}  // namespace murlo
