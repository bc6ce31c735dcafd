// What the game needs from the machine it runs on. Each host (headless
// replay, SDL2 desktop, native Win32) supplies these six in its own folder
// under host/, picked when the program is linked. All run on the game's
// one thread.
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

// Make the window; returns only on success, else ends the process with code 1.
void create_main_window();
// Serve pending events (a quit request ends the process), then the held keys.
InputBits poll_input();
// Show the frame now; keeps no reference to it.
void present_frame(const LcdFrame& frame);
// Return n ticks (n * tick_ms) after the call began, serving events meanwhile.
void wait_ticks(std::uint32_t n);
// Start a .wav by file name, cutting off any playing sound; missing means silence.
void play_sound(const char* name);
// Silence whatever plays.
void stop_sound();

}  // namespace murlo
