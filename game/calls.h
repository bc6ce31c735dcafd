// What passes between the game and the host that runs it. The game never
// calls its host: the host polls the keys, hands them to the game's step
// (cycle/cycle.h), and then carries out, in order, the calls the step lists
// here: frames to show, waits, sounds to start and to stop. Every host does
// this in its own folder under host/: the headless replay tool, the SDL2
// desktop game, the native Windows game and the web page; the soak, the
// autoplayer, the fuzz targets and the benchmark step the game themselves.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

// The keys held at one poll, one bit each; bits 5..7 are always 0.
using InputBits = std::uint8_t;
namespace input {
constexpr InputBits Z = 0x01;
constexpr InputBits Right = 0x02;
constexpr InputBits Left = 0x04;
constexpr InputBits Down = 0x08;
constexpr InputBits Up = 0x10;
constexpr InputBits all = 0x1F;
}  // namespace input

// Every wait is a whole number of ticks of this many milliseconds.
constexpr std::uint32_t tick_ms = 9;

// The game's sounds, each played from the .wav file of its name.
enum class Sound : std::uint8_t { Title, Dig, Break, Up, Down, Auu, Maru, Otukare, Ending };
constexpr int sound_count = 9;
constexpr const char* sound_names[sound_count] = {"title.wav", "dig.wav",     "break.wav",
                                                  "up.wav",    "down.wav",    "auu.wav",
                                                  "maru.wav",  "otukare.wav", "ending.wav"};
constexpr const char* sound_name(Sound sound) { return sound_names[static_cast<int>(sound)]; }

// One thing the host is to do, in the order the step lists them.
struct Call {
    enum class Kind : std::uint8_t {
        Present,  // show frame[frame] now
        Wait,     // return `ticks` ticks (ticks * tick_ms ms) after the wait began
        Sound,    // start `sound`, cutting off any sound playing
        Stop,     // silence whatever plays
    };
    Kind kind;
    Sound sound;
    std::uint16_t frame;
    std::uint32_t ticks;
};

// What an advance was, so that tools need not guess it from sounds or frames.
enum class Outcome : std::uint8_t {
    Started,      // start-up: the title music has begun; the next poll is the title's
    TitlePass,    // no key: the title drew and showed one pass
    TitleLeft,    // a key left the title: a new game; the next poll is its first frame's
    Frame,        // one game frame played
    LevelDone,    // a game frame that completed a level: the result follows, then a new board
    Died,         // a game frame in which the digger died: the result and the game-over
                  // wipe follow, then the title
    Won,          // the frame that reached the final depth: the result and the ending
                  // follow, then the title
    Closing,      // the next calls of a closing sequence, up to a wait
    BackToTitle,  // a closing sequence ended on the title: its music has begun
};

// An advance runs the game from one poll, or from the wait a closing
// sequence stopped at, up to the next poll or the next wait it lists: at
// most a game frame's present and sounds, a last present of a scroll with
// the first digit of the result, and a wait. Short enough to sit on any
// stack, and copied whole with the game.
constexpr int max_advance_calls = 8;
constexpr int max_advance_frames = 2;

// Every host call one advance makes, in order, and what the advance was.
// Filled by the game, read by the runner.
struct Calls {
    Outcome outcome;
    std::uint8_t count;   // calls listed
    std::uint8_t frames;  // frames held
    Call call[max_advance_calls];
    LcdFrame frame[max_advance_frames];
};
static_assert(sizeof(Calls) <= 1024, "an advance's calls stay small");

// The calls the game lists, named as the host carries them out. The
// capacities above make room for every advance; were they ever short, a
// call would be left out rather than written past the end.
inline void add_call(Calls& calls, const Call& call) {
    if (calls.count < max_advance_calls) calls.call[calls.count++] = call;
}
inline void present_frame(Calls& calls, const LcdFrame& frame) {
    if (calls.frames >= max_advance_frames) return;
    calls.frame[calls.frames] = frame;
    add_call(calls, {Call::Kind::Present, Sound::Title, calls.frames++, 0});
}
inline void wait_ticks(Calls& calls, std::uint32_t ticks) {
    add_call(calls, {Call::Kind::Wait, Sound::Title, 0, ticks});
}
inline void play_sound(Calls& calls, Sound sound) { add_call(calls, {Call::Kind::Sound, sound, 0, 0}); }
inline void stop_sound(Calls& calls) { add_call(calls, {Call::Kind::Stop, Sound::Title, 0, 0}); }

}  // namespace murlo
