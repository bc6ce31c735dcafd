// Sound: one opened audio device, each sound converted to its format and
// queued, a new one clearing whatever was still queued.
#include <cstring>

#include "game/host.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_rules.h"

namespace murlo {

namespace {

SDL_AudioDeviceID audio_device = 0;
SDL_AudioSpec audio_spec{};

}  // namespace

void sdl::open_audio() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;  // short, so a cut-off sound stops almost at once
    audio_device = SDL_OpenAudioDevice(nullptr, 0, &want, &audio_spec, 0);
    if (audio_device != 0) SDL_PauseAudioDevice(audio_device, 0);
}

void sdl::close_audio() {
    if (audio_device != 0) SDL_CloseAudioDevice(audio_device);
    audio_device = 0;
}

void play_sound(const char* name) {
    sdl::note_sound(name);
    if (name == nullptr || audio_device == 0) return;
    // The new sound cuts off the last one, even when it cannot be played.
    SDL_ClearQueuedAudio(audio_device);
    char path[4096 + 64];
    if (!desktop::find_data_file(name, sdl::exe_dir(), path, sizeof path)) return;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path, &spec, &samples, &length) == nullptr) return;
    SDL_AudioCVT convert{};
    const int needed = SDL_BuildAudioCVT(&convert, spec.format, spec.channels, spec.freq,
                                         audio_spec.format, audio_spec.channels, audio_spec.freq);
    if (needed == 0) {
        SDL_QueueAudio(audio_device, samples, length);
    } else if (needed > 0) {
        convert.len = static_cast<int>(length);
        convert.buf = static_cast<Uint8*>(SDL_malloc(static_cast<std::size_t>(length) * convert.len_mult));
        if (convert.buf != nullptr) {
            std::memcpy(convert.buf, samples, length);
            if (SDL_ConvertAudio(&convert) == 0)
                SDL_QueueAudio(audio_device, convert.buf, static_cast<Uint32>(convert.len_cvt));
            SDL_free(convert.buf);
        }
    }
    SDL_FreeWAV(samples);
}

void stop_sound() {
    sdl::note_stop();
    if (audio_device != 0) SDL_ClearQueuedAudio(audio_device);
}

}  // namespace murlo
