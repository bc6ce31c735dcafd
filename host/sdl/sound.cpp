#include "host/sdl/sound.h"

#include <SDL.h>

#include "desktop/notices.h"
#include "host/sdl/sdl_rules.h"
#include "host/sdl/sound_queue.h"

namespace murlo::sdl {

namespace {

// Of a larger file only this much is read: more than a minute of sound in
// any usual format (48 kHz stereo in 32-bit samples is 23 MB a minute),
// where SDL_LoadWAV would read and keep the whole file, an hour or more.
constexpr Sint64 longest_sound_file = 24 << 20;

enum class Loaded { whole, cut_short, start_only };

// Load the WAV file at `path`; null with SDL_GetError() saying why when it
// cannot. A file damaged at its end (cut short, or ending part-way through a
// sample frame) loads as far as it goes.
Uint8* load_sound(const char* path, SDL_AudioSpec& spec, Uint32& length, Loaded& how) {
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) return nullptr;
    Uint8* samples = nullptr;
    const Sint64 size = SDL_RWsize(file);
    if (size == 0) {
        SDL_RWclose(file);
        SDL_SetError("the file is empty");
        return nullptr;
    }
    if (size > longest_sound_file) {
        how = Loaded::start_only;
        void* start = SDL_malloc(longest_sound_file);
        const std::size_t got = start != nullptr ? SDL_RWread(file, start, 1, longest_sound_file) : 0;
        SDL_RWclose(file);
        if (got == 0) {
            SDL_free(start);
            return nullptr;
        }
        SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "dropblock");
        SDL_LoadWAV_RW(SDL_RWFromConstMem(start, static_cast<int>(got)), 1, &spec, &samples, &length);
        SDL_free(start);
        return samples;
    }
    how = Loaded::whole;
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
    if (SDL_LoadWAV_RW(file, 1, &spec, &samples, &length) != nullptr) return samples;
    // Whatever was wrong, try again taking only the whole blocks there are:
    // if that works, the file was cut short.
    how = Loaded::cut_short;
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "dropblock");
    SDL_LoadWAV(path, &spec, &samples, &length);
    return samples;
}

}  // namespace

void open_audio(Audio& audio) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    const SDL_AudioSpec want = wanted_audio_spec();
    audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &audio.spec, 0);
    if (audio.device != 0) SDL_PauseAudioDevice(audio.device, 0);
}

void close_audio(Audio& audio) {
    if (audio.device != 0) SDL_CloseAudioDevice(audio.device);
    audio.device = 0;
}

void play_sound_file(Audio& audio, const char* exe_dir, const char* name, std::uint64_t at_us) {
    if (audio.device == 0) return;
    // The new sound cuts off the last one, even when it cannot be played.
    SDL_ClearQueuedAudio(audio.device);
    char path[4096 + 64];
    if (!desktop::find_data_file(name, exe_dir, path, sizeof path)) return;
    SDL_AudioSpec spec{};
    Uint32 length = 0;
    Loaded how = Loaded::whole;
    Uint8* samples = load_sound(path, spec, length, how);
    // Begun `at_us` ago: the sample frames already over are left out.
    Uint32 skip = 0;
    if (samples != nullptr && at_us > 0) {
        const Uint32 frame = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
        const std::uint64_t frames = at_us * static_cast<std::uint64_t>(spec.freq) / 1000000;
        skip = frames * frame < length ? static_cast<Uint32>(frames * frame) : length;
    }
    const Queued queued = samples != nullptr
                              ? queue_sound(audio.device, audio.spec, spec, samples + skip, length - skip)
                              : Queued{false, 0, false};
    SDL_FreeWAV(samples);
    if (queued.ok && !queued.cut && how == Loaded::whole) return;
    // Said once for each name, not at every dig.
    if (!desktop::first_time(audio.notices, name)) return;
    if (!queued.ok) {
        desktop::say(stderr, "%s not played: %s", path, SDL_GetError());
    } else if (how == Loaded::cut_short) {
        desktop::say(stderr, "%s is cut short: only the part that is there plays", path);
    } else {
        const Uint32 frames = queued.bytes / (SDL_AUDIO_BITSIZE(audio.spec.format) / 8 * audio.spec.channels);
        const Uint32 rate = static_cast<Uint32>(audio.spec.freq);
        desktop::say(stderr, "%s is long: only its first %u s play", path, (frames + rate / 2) / rate);
    }
}

void silence(Audio& audio) {
    if (audio.device != 0) SDL_ClearQueuedAudio(audio.device);
}

void pause_sound(Audio& audio, bool paused) {
    if (audio.device != 0) SDL_PauseAudioDevice(audio.device, paused ? 1 : 0);
}

}  // namespace murlo::sdl
