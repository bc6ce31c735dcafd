#include "host/sdl/options.h"

#include <cstring>


namespace murlo::desktop {

const char usage_text[] =
    "usage: murlo [--play SCRIPT] [--record FILE] [--trace FILE]\n"
    "             [--scale N|auto] [--fullscreen|--windowed] [--show handheld|screen-only]\n"
    "             [--mute|--unmute] [--palette handheld|high-contrast]\n"
    "       murlo --help | --version\n";

const char help_text[] =
    "Murlo: dig down a well of blocks on a 32 x 32 one-bit screen. Z or an\n"
    "arrow leaves the title; the arrows walk and dig; P or Pause pauses; Escape\n"
    "leaves full screen, or quits, and a game left in the middle comes back\n"
    "paused at the next start. A controller's pad or left stick gives the\n"
    "arrows, its south or east button Z, Start pauses. F11 or Alt+Enter\n"
    "switches full screen, S the screen alone, M mutes, C the palette, + and -\n"
    "the window's size: kept in $XDG_CONFIG_HOME/murlo/settings\n"
    "(~/.config/murlo/settings). The best depth and a game in the middle are\n"
    "kept in $XDG_STATE_HOME/murlo (~/.local/state/murlo).\n"
    "  --play SCRIPT   show the run of an input script (- for standard input)\n"
    "                  at the game's pace, then play on with the keyboard\n"
    "  --record FILE   write the keys of every poll as an input script, for\n"
    "                  murlo-replay or --play\n"
    "  --trace FILE    write one line per host call, as murlo-replay prints them\n"
    "Settings for this run, over the file's (which they leave as it is):\n";

const char help_end[] =
    "  --help          print this and exit\n"
    "  --version       print the version and exit\n";

Command parse_options(int argc, const char* const* argv, Options& options, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) return Command::help;
        if (std::strcmp(arg, "--version") == 0) return Command::version;
        if (parse_setting_option(argc, argv, i, options.settings, problem)) {
            if (!problem.empty()) return Command::bad;
            continue;
        }
        const char** path = nullptr;
        if (std::strcmp(arg, "--play") == 0) path = &options.play;
        if (std::strcmp(arg, "--record") == 0) path = &options.record;
        if (std::strcmp(arg, "--trace") == 0) path = &options.trace;
        if (path == nullptr) {
            problem = arg[0] == '-' ? std::string("unknown option ") + arg
                                    : std::string("unexpected argument ") + arg;
            return Command::bad;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            problem = std::string("missing value for ") + arg;
            return Command::bad;
        }
        *path = argv[++i];
    }
    return Command::play;
}

}  // namespace murlo::desktop
