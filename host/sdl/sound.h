// Sound: one opened audio device, each sound read from its WAV file,
// converted to the device's format and queued, a new one clearing whatever
// was still queued. Without an audio device the game goes on silently.
#pragma once

#include "desktop/notices.h"

#include <SDL.h>

#include <cstdint>

namespace murlo::sdl {

struct Audio {
    SDL_AudioDeviceID device = 0;  // 0: none, silence
    SDL_AudioSpec spec{};          // the device's format
    desktop::Notices notices;      // the sound files already named on stderr
};

void open_audio(Audio& audio);
void close_audio(Audio& audio);

// Play the sound file of that name (from the working directory, else
// `exe_dir`'s ../share/murlo), `at_us` microseconds into it, cutting off
// any sound playing, even when it cannot be played. What is wrong with a
// file that cannot be played as it is goes to stderr, once for each name.
void play_sound_file(Audio& audio, const char* exe_dir, const char* name, std::uint64_t at_us = 0);
// Silence whatever plays.
void silence(Audio& audio);
// Hold the sound where it is while the game is paused, or let it go on.
void pause_sound(Audio& audio, bool paused);

}  // namespace murlo::sdl
