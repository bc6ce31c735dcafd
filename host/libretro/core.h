// The libretro core's host, without the libretro API: the runner moved on
// by one video frame a run, and the run's sound mixed from the runner's.
// host/libretro/libretro.cpp puts it behind the frontend's calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/calls.h"
#include "runner/runner.h"
#include "session/session.h"

namespace murlo::libretro {

constexpr unsigned frames_per_second = 60;
constexpr unsigned sample_rate = 48000;
constexpr unsigned samples_per_run = sample_rate / frames_per_second;  // 800 stereo frames

// A run is 1/60 s of the frontend's time: 16666.7 us, so 16667 on the
// runner's whole-microsecond clock. Every run the same moves the game the
// same way from the same state, which save states, rewind, run-ahead and
// netplay need, and carries nothing from run to run. The game gains 20 us
// a second (one 9 ms tick in 7.5 minutes) on the frontend's clock: less
// than a display's refresh differs from 60 Hz, which the frontend makes up
// for anyway.
constexpr std::uint64_t run_us = 16667;
static_assert(sample_rate % frames_per_second == 0);

// The nine sounds at sample_rate, one channel, made once.
struct SoundBank {
    std::vector<std::int16_t> samples[sound_count];
};
SoundBank make_sound_bank();

// The runs' samples as one stream on the runner's clock: run n (the one
// whose clock ends at (n + 1) * run_us) holds samples n * 800 to n * 800 +
// 799, spread evenly over its time. Something at `us` is heard from this
// sample on.
std::uint64_t sample_at(std::uint64_t us);

// Goes on from a save state (runner/state.h's bytes) when `r` has been
// started: nullptr when taken, else why it was refused, with the runner
// as it was. Beyond what load_state refuses, a state whose next call is
// due before the clock's time, or whose title passes are off their
// schedule: no run leaves one, and the runner would make up every pass or
// call since, all in one run.
const char* load(Runner& r, const std::uint8_t* data, std::size_t size);

// One run: the session's runner moved on by run_us with the pad's keys
// (what the session asks of storage is left for the caller to carry out),
// and `audio` gets the run's samples_per_run stereo frames (interleaved). A sound that
// began within the run starts at its own sample; the one it cut off plays
// up to there. A paused game (only a state from a host that pauses can
// bring one) goes on at a newly pressed key, and is silent until then.
Report run_once(Session& session, const SoundBank& bank, InputBits pad, std::int16_t* audio);

}  // namespace murlo::libretro
