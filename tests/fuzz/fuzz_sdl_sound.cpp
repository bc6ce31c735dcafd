// Fuzz target: the SDL game's sound path after SDL_LoadWAV.
//
// Any bytes that SDL_LoadWAV_RW reads as a WAV are converted and queued by
// queue_sound on a device opened, as the game opens its own, on SDL's dummy
// audio driver (kept paused, so the queue holds still). Either nothing is
// queued and SDL says why, or the queue holds exactly what queue_sound says:
// whole frames of the device's format, as long as the part of the sound
// bytes_to_play allows (within one device frame), which is all of it unless
// the sound runs past longest_sound_seconds or the conversion buffer.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <SDL.h>

#include "host/sdl/sound_queue.h"

namespace {

using namespace murlo::sdl;

SDL_AudioDeviceID device = 0;
SDL_AudioSpec device_spec{};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_sdl_sound: %s\n", what);
    std::abort();
}

Uint32 frame_bytes(const SDL_AudioSpec& spec) { return SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels; }

// SDL itself is not built for coverage, so the fuzzer would not tell one
// loaded format from another. These counters, which libFuzzer reads beside
// its own, mark each kind of sample, channel count, rate and outcome met.
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t met[4][4][8][4];

void mark(const SDL_AudioSpec& spec, const Queued& queued) {
    const int kind = SDL_AUDIO_ISFLOAT(spec.format) ? 3 : SDL_AUDIO_BITSIZE(spec.format) / 16;  // 8, 16, 32 bits
    const int channels = spec.channels <= 2 ? spec.channels - 1 : spec.channels <= 8 ? 2 : 3;
    const int rates[] = {100, 8000, 22050, 22051, 48001, 1000000, 0x7FFFFFFF};
    int rate = 0;
    while (rate < 7 && spec.freq >= rates[rate]) ++rate;
    const int outcome = !queued.ok ? 0 : queued.bytes == 0 ? 1 : queued.cut ? 2 : 3;
    ++met[kind & 3][channels & 3][rate][outcome];
}

}  // namespace

// SDL_LoadWAV allocates the size a data chunk claims before it reads it:
// a few bytes can ask for 4 GiB. Such an allocation fails here as on a
// small machine, instead of stopping the fuzzer.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=256";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0) fail("no dummy audio driver");
    const SDL_AudioSpec want = wanted_audio_spec();
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &device_spec, 0);
    if (device == 0) fail("no audio device");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 0x7FFFFFFF) return 0;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV_RW(SDL_RWFromConstMem(data, static_cast<int>(size)), 1, &spec, &samples, &length) == nullptr)
        return 0;

    const Uint32 frame = frame_bytes(spec);
    const Uint32 played = bytes_to_play(spec, length, 1);
    if (played > length || (frame != 0 && played % frame != 0)) fail("bytes_to_play gives partial frames");
    if (frame != 0 && static_cast<std::uint64_t>(played / frame) >
                          std::uint64_t{longest_sound_seconds} * static_cast<std::uint64_t>(spec.freq))
        fail("bytes_to_play lets a sound run too long");

    SDL_ClearError();
    const Queued queued = queue_sound(device, device_spec, spec, samples, length);
    const Uint32 in_queue = SDL_GetQueuedAudioSize(device);
    mark(spec, queued);
    if (!queued.ok) {
        if (in_queue != 0 || queued.bytes != 0) fail("a failed sound left something queued");
        if (SDL_GetError()[0] == '\0') fail("a failed sound without a reason");
    } else {
        if (in_queue != queued.bytes) fail("the queue holds other than what was reported");
        if (queued.bytes % frame_bytes(device_spec) != 0) fail("partial device frames queued");
        // The part converted: the same bytes_to_play with the conversion's
        // own buffer factor, so at most what the plain call allows.
        SDL_AudioCVT convert{};
        const int needed = SDL_BuildAudioCVT(&convert, spec.format, spec.channels, spec.freq,
                                             device_spec.format, device_spec.channels, device_spec.freq);
        const Uint32 part = bytes_to_play(spec, length, needed > 0 ? convert.len_mult : 1);
        if (part > played) fail("a conversion buffer lets more be played");
        if (queued.cut != (part < length / frame * frame)) fail("cut reported wrongly");
        const double want = static_cast<double>(part / frame) * device_spec.freq / spec.freq;
        const double got = static_cast<double>(queued.bytes / frame_bytes(device_spec));
        if (std::fabs(got - want) > 1.0) {
            std::fprintf(stderr, "%u frames at %d Hz gave %.0f frames, not %.2f\n", part / frame, spec.freq,
                         got, want);
            fail("the queued sound is not as long as the sound");
        }
    }
    SDL_ClearQueuedAudio(device);
    SDL_FreeWAV(samples);
    return 0;
}
