// The desktop game's command line. Plain text handling, no window system.
#pragma once

#include <string>

namespace murlo::desktop {

struct Options {
    int scale = 1;            // 1..max_scale; 0 for --scale auto
    const char* play = nullptr;    // input script to show before the keyboard takes over
    const char* record = nullptr;  // where to write every poll's keys as a script
    const char* trace = nullptr;   // where to write the trace of the run
};

enum class Command { play, help, version, bad };

// Read the arguments after the program name. `bad` comes with `problem`
// saying what was wrong (to print with the usage, then exit 2).
Command parse_options(int argc, const char* const* argv, Options& options, std::string& problem);

extern const char usage_text[];  // the usage lines
extern const char help_text[];   // what each option does, after the usage

}  // namespace murlo::desktop
