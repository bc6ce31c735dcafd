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

// What a step was, so that tools need not guess it from sounds or frames.
enum class Outcome : std::uint8_t {
    Started,    // start-up: the title music has begun; the next poll is the title's
    TitlePass,  // no key: the title drew and showed one pass
    TitleLeft,  // a key left the title: a new game; the next poll is its first frame's
    Frame,      // one game frame played
    LevelDone,  // a game frame that completed a level: the result, then a new board
    Died,       // a game frame in which the digger died: the closing pictures, then
                // back on the title
    Won,        // the frame that reached the final depth: the result and the
                // ending, then back on the title
};

// The longest step is the one that wins: its game frame (one present, a dig
// sound and two capsules' sounds at most), the result (32 scroll steps and
// four frames of digits, each with a wait, then a wait, a sound and a
// wait), the ending (a sound, 256 scroll steps with a wait each, a wait,
// and the game-over wipe: 16 steps with a wait each, a sound and a wait),
// and the title music starting again. cycle/cycle.cpp checks these sums
// against the sequences' own lengths when it is compiled.
constexpr int max_step_frames = 1 + (32 + 4) + 256 + 16;
constexpr int max_step_calls = (1 + 3) + (2 * 32 + 2 * 4 + 2) + (1 + 2 * 256 + 1 + 2 * 16 + 2) + 1;

// Every host call one step makes, in order, and what the step was. Filled
// by the game, read by the host; a fixed size, so nothing is allocated.
struct Calls {
    Outcome outcome;
    std::uint16_t count;   // calls listed
    std::uint16_t frames;  // frames held
    Call call[max_step_calls];
    LcdFrame frame[max_step_frames];
};

// The calls the game lists, named as the host carries them out. The sums
// above make room for every step; were they ever short, a call would be
// left out rather than written past the end.
inline void add_call(Calls& calls, const Call& call) {
    if (calls.count < max_step_calls) calls.call[calls.count++] = call;
}
inline void present_frame(Calls& calls, const LcdFrame& frame) {
    if (calls.frames >= max_step_frames) return;
    calls.frame[calls.frames] = frame;
    add_call(calls, {Call::Kind::Present, Sound::Title, calls.frames++, 0});
}
inline void wait_ticks(Calls& calls, std::uint32_t ticks) {
    add_call(calls, {Call::Kind::Wait, Sound::Title, 0, ticks});
}
inline void play_sound(Calls& calls, Sound sound) { add_call(calls, {Call::Kind::Sound, sound, 0, 0}); }
inline void stop_sound(Calls& calls) { add_call(calls, {Call::Kind::Stop, Sound::Title, 0, 0}); }

}  // namespace murlo
