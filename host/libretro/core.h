// The libretro core's host, without the libretro API: the game stepped on
// a clock of its own that moves by exactly one video frame per run, the
// calls of each step carried out across runs, one sound at a time mixed
// into each run's samples, keys from a run script or the pad, and save
// states. host/libretro/libretro.cpp puts it behind the frontend's calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/calls.h"
#include "handheld/handheld.h"
#include "runs/script.h"
#include "lcd/lcd.h"

namespace murlo::libretro {

constexpr unsigned frames_per_second = 60;
constexpr unsigned sample_rate = 48000;
constexpr unsigned samples_per_run = sample_rate / frames_per_second;  // 800 stereo frames

// Time counts units of 1/60000 s: a run is 1000 of them, a millisecond 60,
// so a run, a tick and a title pass are all whole numbers and what a run
// leaves over is carried exactly, without drift.
constexpr std::int32_t units_per_ms = 60;
constexpr std::int32_t run_units = 60000 / frames_per_second;
constexpr std::int32_t tick_units = tick_ms * units_per_ms;
// The title runs a pass a millisecond, about 16.7 a run, as on the desktop.
constexpr std::int32_t title_pass_units = handheld::title_pass_us * units_per_ms / 1000;
static_assert(60000 % frames_per_second == 0 && sample_rate % frames_per_second == 0);

// The nine sounds at sample_rate, one channel, made once.
struct SoundBank {
    std::vector<std::int16_t> samples[sound_count];
};
SoundBank make_sound_bank();

constexpr std::int8_t no_sound = -1;

struct Core {
    Game game;
    // The step being carried out, so that a save state can make it again:
    // the game as it was before it, and its keys (or start-up's calls).
    Game before;
    bool in_start_up;
    InputBits step_keys;
    std::unique_ptr<Calls> calls = std::make_unique<Calls>();
    std::unique_ptr<Calls> spare = std::make_unique<Calls>();  // where a state is tried out
    std::uint16_t next_call;

    // Time this run still holds, carried from run to run: below 0 while a
    // wait goes on into later runs.
    std::int32_t time;

    std::int8_t sound;  // playing, or no_sound
    std::uint32_t sound_pos;
    const SoundBank* bank = nullptr;

    LcdFrame shown;  // the picture last presented

    runs::Script script;        // the content's keys; the pad's once used up
    std::uint64_t script_polls;   // polls the script has given
    std::size_t script_run;       // where it stands: the run,
    std::uint64_t script_in_run;  // and the polls taken from it
};

// Start the game as the program does at start-up; the script starts over.
void start(Core& core);

// One run: the game goes on by run_units, reading `pad` at the polls the
// script no longer answers, and `audio` gets the run's samples
// (samples_per_run stereo frames, interleaved).
void run(Core& core, InputBits pad, std::int16_t* audio);

// A save state: this header, then what the core needs to go on exactly.
// A pending step's calls are not stored (a step that ends a game lists
// hundreds of frames) but made again from the game before the step.
constexpr char state_magic[8] = {'M', 'U', 'R', 'L', 'O', 'S', 'T', '1'};
constexpr std::uint32_t state_version = 1;

struct SaveState {
    char magic[8];
    std::uint32_t version;
    std::uint32_t size;  // sizeof(SaveState)
    Game before;
    std::uint8_t in_start_up;
    InputBits step_keys;
    std::uint16_t next_call;
    std::int32_t time;
    std::int8_t sound;
    std::uint32_t sound_pos;
    std::uint64_t script_polls;
    LcdFrame shown;
};
static_assert(std::is_trivially_copyable_v<SaveState>);

void save(const Core& core, SaveState& state);

// Go on from a state; nullptr when taken, else why it was refused (the
// core then stays as it was): another size, magic or version, a game that
// breaks the invariants, or a place in its step, a time or a sound that no
// run could have left.
const char* load(Core& core, const void* data, std::size_t size);

}  // namespace murlo::libretro
