#include "host/sdl/sound_queue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace murlo::sdl {

namespace {

Uint32 frame_bytes(const SDL_AudioSpec& spec) {
    return SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
}

}  // namespace

SDL_AudioSpec wanted_audio_spec() {
    SDL_AudioSpec want{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    // A buffer about as long as a frame of play: a cut-off sound stops
    // within one, and the audio thread wakes some 20 times a second.
    want.samples = 1024;
    return want;
}

Uint32 bytes_to_play(const SDL_AudioSpec& spec, Uint32 length, int len_mult) {
    const Uint32 frame = frame_bytes(spec);
    if (frame == 0 || spec.freq <= 0 || len_mult <= 0) return 0;
    // A partial frame at the end is dropped: the converter takes whole ones.
    const std::uint64_t frames =
        std::min({std::uint64_t{length / frame},
                  std::uint64_t{longest_sound_seconds} * static_cast<std::uint64_t>(spec.freq),
                  std::uint64_t{largest_conversion} / (std::uint64_t{frame} * static_cast<std::uint64_t>(len_mult))});
    return static_cast<Uint32>(frames * frame);
}

Queued queue_sound(SDL_AudioDeviceID device, const SDL_AudioSpec& device_spec,
                   const SDL_AudioSpec& spec, const Uint8* samples, Uint32 length) {
    const Uint32 frame = frame_bytes(spec);
    if (frame == 0 || spec.freq <= 0) {
        SDL_SetError("a sound format without whole bytes a sample frame");
        return {false, 0, false};
    }
    SDL_AudioCVT convert{};
    const int needed = SDL_BuildAudioCVT(&convert, spec.format, spec.channels, spec.freq,
                                         device_spec.format, device_spec.channels, device_spec.freq);
    if (needed < 0) return {false, 0, false};
    const Uint32 bytes = bytes_to_play(spec, length, needed == 0 ? 1 : convert.len_mult);
    Queued result{true, 0, bytes < length / frame * frame};
    if (bytes == 0) return result;
    if (needed == 0) {
        result.ok = SDL_QueueAudio(device, samples, bytes) == 0;
        result.bytes = result.ok ? bytes : 0;
        return result;
    }
    // bytes * len_mult is at most largest_conversion: no product here wraps.
    convert.len = static_cast<int>(bytes);
    convert.buf = static_cast<Uint8*>(SDL_malloc(std::size_t{bytes} * static_cast<std::size_t>(convert.len_mult)));
    if (convert.buf == nullptr) {
        SDL_OutOfMemory();
        return {false, 0, false};
    }
    std::memcpy(convert.buf, samples, bytes);
    result.ok = SDL_ConvertAudio(&convert) == 0 &&
                SDL_QueueAudio(device, convert.buf, static_cast<Uint32>(convert.len_cvt)) == 0;
    result.bytes = result.ok ? static_cast<Uint32>(convert.len_cvt) : 0;
    SDL_free(convert.buf);
    return result;
}

}  // namespace murlo::sdl
