// What the game needs from the machine it runs on. Each host (headless
// replay, SDL2 desktop, native Win32) supplies these six in its own folder
// under host/, picked when the program is linked. All run on the game's
// one thread.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

using InputBits = std::uint8_t;

// Make the window; returns only on success, else ends the process with code 1.
void create_main_window();
// Serve pending events (a quit request ends the process), then the held keys.
InputBits poll_input();
// Show the frame now; keeps no reference to it.
void present_frame(const LcdFrame& frame);
// Return n ticks of 9 ms after the call began, serving events meanwhile.
void wait_ticks(std::uint32_t n);
// Start a .wav by file name, cutting off any playing sound; missing means silence.
void play_sound(const char* name);
// Silence whatever plays.
void stop_sound();

}  // namespace murlo
