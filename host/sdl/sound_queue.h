// A loaded sound converted to the audio device's format and queued on it:
// what the SDL game does with a WAV file once SDL_LoadWAV has read it. Apart
// from the rest of the host so that the fuzz target and the tests drive the
// very same code against a device of their own.
#pragma once

#include <SDL.h>

namespace murlo::sdl {

// The format the game asks of its audio device, which is also the format
// of its own sounds; SDL converts to the hardware's behind the device.
SDL_AudioSpec wanted_audio_spec();

// The longest stretch of one sound that is played. The game's own sounds
// last 30 s at the most. A sound is converted whole, in the frame that
// starts it, and waits converted in the device's queue: an hour-long file
// played to its end would hold up that frame for seconds and take hundreds
// of MB, where a minute of CD audio takes about 25 ms and a 42 MB buffer
// to convert and 2.6 MB in the queue.
constexpr Uint32 longest_sound_seconds = 60;

// The most a conversion buffer may take (SDL_ConvertAudio works in place in
// a buffer len_mult times the sound's length). Only formats far heavier
// than CD audio meet it before longest_sound_seconds; it also keeps every
// length well inside the int that SDL counts it in.
constexpr Uint32 largest_conversion = 64u << 20;

// The bytes of a loaded sound of `length` bytes in `spec` that are played
// when its conversion needs a buffer `len_mult` times their size (1 when
// it is queued as it is): whole sample frames from the start, at most
// longest_sound_seconds of them, and no more than largest_conversion
// bytes of buffer. 0 for a format without whole bytes a frame.
Uint32 bytes_to_play(const SDL_AudioSpec& spec, Uint32 length, int len_mult);

struct Queued {
    bool ok;       // false: nothing queued, and SDL_GetError() says why
    Uint32 bytes;  // bytes queued on the device, in its format
    bool cut;      // only the start of the sound was queued
};

// Convert what bytes_to_play allows of `samples` from `spec` to
// `device_spec` and add it to whatever `device` has queued.
Queued queue_sound(SDL_AudioDeviceID device, const SDL_AudioSpec& device_spec,
                   const SDL_AudioSpec& spec, const Uint8* samples, Uint32 length);

}  // namespace murlo::sdl
