// The desktop game's command line. Plain text handling, no window system.
#pragma once

#include <string>

#include "desktop/settings.h"

namespace murlo::desktop {

struct Options {
    SettingOptions settings;       // the settings given, over the file's for this run
    const char* play = nullptr;    // input script to show before the keyboard takes over
    const char* record = nullptr;  // where to write every poll's keys as a script
    const char* trace = nullptr;   // where to write the trace of the run
};

enum class Command { play, help, version, bad };

// Read the arguments after the program name. `bad` comes with `problem`
// saying what was wrong (to print with the usage, then exit 2).
Command parse_options(int argc, const char* const* argv, Options& options, std::string& problem);

extern const char usage_text[];  // the usage lines
// What each option does, after the usage: help_text, desktop::setting_help
// and help_end.
extern const char help_text[];
extern const char help_end[];

}  // namespace murlo::desktop
