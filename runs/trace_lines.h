// The lines of a trace, one per host call the game makes, exactly as the
// replay tool prints them and the desktop game writes them with --trace:
//
//   poll HH        the keys a poll returned, lower-case hex
//   present W..    a frame shown: 32 row words, row 0 first, 8 hex digits each
//   wait N         a wait of N ticks
//   sound NAME     a sound started
//   stop           the sound stopped
//   quit           the game ends (the script used up, or the window closed)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "game/calls.h"
#include "lcd/lcd.h"

namespace murlo::runs {

// One line, without its line break.
struct TraceLine {
    static constexpr std::size_t capacity = 7 + 32 * 9;  // a present line
    char text[capacity];
    std::size_t size = 0;
    std::string_view view() const { return {text, size}; }
};

TraceLine poll_line(InputBits keys);
TraceLine present_line(const LcdFrame& frame);
TraceLine wait_line(std::uint32_t ticks);
// Names too long for a line are cut short.
TraceLine sound_line(const char* name);
constexpr std::string_view stop_line = "stop";
// The line of one call of a step, its frame taken from the step's calls.
TraceLine call_line(const Calls& calls, const Call& call);
constexpr std::string_view quit_line = "quit";

// The two lower-case hex digits of the low byte of v.
void hex_byte(char* out, unsigned v);

}  // namespace murlo::runs
