// Recorded runs: --play feeds the polls from an input script until it is
// used up, --record writes every poll's keys as an input script and --trace
// one line per host call, both as the game goes, in the replay tool's words.
#pragma once

#include <cstdint>
#include <string>

#include "game/calls.h"

namespace murlo::sdl {

// Before the window: read the script to play and open the files to write,
// any of them null for none; false with a message naming the file when one
// cannot be had.
bool open_run_files(const char* play, const char* record, const char* trace, std::string& problem);
// The next poll's keys from the script being played; false once it is used
// up (or there is none), and the keyboard takes over.
bool played_keys(InputBits& keys);
// Whether the last poll's keys came from the script played.
bool script_in_control();
// Each poll into the record and the trace, and each call of a step into
// the trace.
void note_poll(InputBits keys);
void note_call(const Calls& calls, const Call& call);
// Written text goes to the system at least once a second: how long a wait
// may sleep before that is due (no limit when nothing is written), and the
// flush itself when it is.
std::uint32_t ms_until_flush();
void flush_run_files_when_due();
// The trace's quit line, the record's last run, and both files closed.
void close_run_files();

}  // namespace murlo::sdl
