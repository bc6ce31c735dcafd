// The SDL game's sound conversion and queueing, on a device of SDL's dummy
// audio driver in the game's format, kept paused so that the queue holds
// still: the lengths queued, whole frames only, the one-minute limit and the
// conversion buffer's, and a failure that leaves nothing queued.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "host/sdl/sound_queue.h"

namespace murlo::sdl {
namespace {

class SoundQueue : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        const SDL_AudioSpec want = wanted_audio_spec();
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &device_spec, 0);
        ASSERT_NE(device, 0u) << SDL_GetError();
    }
    static void TearDownTestSuite() {
        SDL_CloseAudioDevice(device);
        SDL_Quit();
    }
    void TearDown() override { SDL_ClearQueuedAudio(device); }

    // `frames` sample frames of a ramp in the given format, queued.
    static Queued queue(SDL_AudioFormat format, int channels, int rate, Uint32 frames, Uint32 extra_bytes = 0) {
        SDL_AudioSpec spec{};
        spec.format = format;
        spec.channels = static_cast<Uint8>(channels);
        spec.freq = rate;
        const Uint32 bytes = frames * (SDL_AUDIO_BITSIZE(format) / 8) * channels + extra_bytes;
        std::vector<Uint8> samples(bytes);
        for (Uint32 i = 0; i < bytes; ++i) samples[i] = static_cast<Uint8>(i * 7);
        const Queued queued = queue_sound(device, device_spec, spec, samples.data(), bytes);
        EXPECT_EQ(SDL_GetQueuedAudioSize(device), queued.bytes);
        return queued;
    }

    static SDL_AudioDeviceID device;
    static SDL_AudioSpec device_spec;
};

SDL_AudioDeviceID SoundQueue::device = 0;
SDL_AudioSpec SoundQueue::device_spec{};

TEST_F(SoundQueue, LengthsComeOutInTheDeviceFormatInWholeFrames) {
    ASSERT_EQ(device_spec.freq, 22050);
    ASSERT_EQ(device_spec.channels, 1);
    ASSERT_EQ(device_spec.format, AUDIO_S16SYS);
    // The game's own format goes as it is, less a stray byte at the end.
    Queued queued = queue(AUDIO_S16SYS, 1, 22050, 1000, 1);
    EXPECT_TRUE(queued.ok);
    EXPECT_EQ(queued.bytes, 2000u);
    EXPECT_FALSE(queued.cut);
    SDL_ClearQueuedAudio(device);
    // A second of 8-bit stereo at 44.1 kHz, and of 8 kHz mono with half a
    // frame of 16-bit stereo's worth left over: a second each.
    queued = queue(AUDIO_U8, 2, 44100, 44100, 1);
    EXPECT_TRUE(queued.ok);
    EXPECT_EQ(queued.bytes, 44100u);
    SDL_ClearQueuedAudio(device);
    queued = queue(AUDIO_S16SYS, 2, 8000, 8000, 2);
    EXPECT_EQ(queued.bytes, 44100u);
    SDL_ClearQueuedAudio(device);
    // No samples at all: nothing queued, and nothing wrong.
    queued = queue(AUDIO_U8, 1, 8000, 0);
    EXPECT_TRUE(queued.ok);
    EXPECT_EQ(queued.bytes, 0u);
}

TEST_F(SoundQueue, OnlyTheFirstMinuteIsPlayed) {
    const Queued queued = queue(AUDIO_U8, 1, 1000, 61000);
    EXPECT_TRUE(queued.ok);
    EXPECT_TRUE(queued.cut);
    EXPECT_EQ(queued.bytes, 2u * 22050 * longest_sound_seconds);
    SDL_ClearQueuedAudio(device);
    EXPECT_FALSE(queue(AUDIO_U8, 1, 1000, 60000).cut);
}

TEST_F(SoundQueue, TheConversionBufferBoundsTheLengthToo) {
    SDL_AudioSpec spec{};
    spec.format = AUDIO_U8;
    spec.channels = 1;
    spec.freq = 8000;
    // An hour's length need not be there to be measured.
    const Uint32 hour = 8000u * 3600;
    EXPECT_EQ(bytes_to_play(spec, hour, 1), 480000u);
    EXPECT_EQ(bytes_to_play(spec, hour, 24), 480000u);
    EXPECT_EQ(bytes_to_play(spec, hour, 200), largest_conversion / 200);
    EXPECT_EQ(bytes_to_play(spec, 0xFFFFFFFFu, 0x7FFFFFFF), 0u);
    spec.format = AUDIO_F32SYS;
    spec.channels = 8;
    spec.freq = 48000;
    EXPECT_EQ(bytes_to_play(spec, 0xFFFFFFFFu, 2), largest_conversion / 2);
    EXPECT_EQ(bytes_to_play(spec, 1001, 2), 992u);
}

TEST_F(SoundQueue, AFormatThatCannotBeConvertedQueuesNothing) {
    const Queued queued = queue(AUDIO_U8, 9, 8000, 100);
    EXPECT_FALSE(queued.ok);
    EXPECT_EQ(queued.bytes, 0u);
    EXPECT_STRNE(SDL_GetError(), "");
}

}  // namespace
}  // namespace murlo::sdl
