#include "host/sdl/options.h"

#include <cstring>

#include "handheld/handheld.h"

namespace murlo::desktop {

const char usage_text[] =
    "usage: murlo [--scale N|auto] [--play SCRIPT] [--record FILE] [--trace FILE]\n"
    "       murlo --help | --version\n";

const char help_text[] =
    "Murlo: dig down a well of blocks on a 32 x 32 one-bit screen. Z or an\n"
    "arrow leaves the title; the arrows walk and dig; P or Pause pauses; Escape\n"
    "quits, and a game left in the middle comes back paused at the next\n"
    "start. A controller's pad or left stick gives the arrows, its south or\n"
    "east button Z, Start pauses. The best depth and that game are kept in\n"
    "$XDG_STATE_HOME/murlo (~/.local/state/murlo).\n"
    "  --scale N       a window N times the size, N from 1 to 4 (default 1);\n"
    "                  auto: the largest that fits in two thirds of the screen\n"
    "  --play SCRIPT   show the run of an input script (- for standard input)\n"
    "                  at the game's pace, then play on with the keyboard\n"
    "  --record FILE   write the keys of every poll as an input script, for\n"
    "                  murlo-replay or --play\n"
    "  --trace FILE    write one line per host call, as murlo-replay prints them\n"
    "  --help          print this and exit\n"
    "  --version       print the version and exit\n";

namespace {

bool parse_scale(const char* text, int& scale) {
    if (std::strcmp(text, "auto") == 0) {
        scale = 0;
        return true;
    }
    if (text[0] >= '1' && text[0] <= '0' + handheld::max_scale && text[1] == '\0') {
        scale = text[0] - '0';
        return true;
    }
    return false;
}

}  // namespace

Command parse_options(int argc, const char* const* argv, Options& options, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) return Command::help;
        if (std::strcmp(arg, "--version") == 0) return Command::version;
        const char** path = nullptr;
        if (std::strcmp(arg, "--play") == 0) path = &options.play;
        if (std::strcmp(arg, "--record") == 0) path = &options.record;
        if (std::strcmp(arg, "--trace") == 0) path = &options.trace;
        const bool is_scale = std::strcmp(arg, "--scale") == 0;
        if (path == nullptr && !is_scale) {
            problem = arg[0] == '-' ? std::string("unknown option ") + arg
                                    : std::string("unexpected argument ") + arg;
            return Command::bad;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            problem = std::string("missing value for ") + arg;
            return Command::bad;
        }
        const char* value = argv[++i];
        if (path != nullptr) {
            *path = value;
        } else if (!parse_scale(value, options.scale)) {
            problem = std::string("--scale takes 1 to ") + std::to_string(handheld::max_scale) +
                      " or auto, not " + value;
            return Command::bad;
        }
    }
    return Command::play;
}

}  // namespace murlo::desktop
