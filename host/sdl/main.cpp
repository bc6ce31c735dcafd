// murlo: the game in its desktop window.
#include <csignal>
#include <cstdio>
#include <string>

#include "game/game.h"
#include "host/sdl/options.h"
#include "host/sdl/sdl_host.h"
#include "murlo/version.h"

int main(int argc, char** argv) {
    using namespace murlo;
    desktop::Options options;
    std::string problem;
    switch (desktop::parse_options(argc, argv, options, problem)) {
    case desktop::Command::help:
        std::fputs(desktop::usage_text, stdout);
        std::fputs(desktop::help_text, stdout);
        return 0;
    case desktop::Command::version:
        std::printf("murlo %s\n", version);
        return 0;
    case desktop::Command::bad:
        std::fprintf(stderr, "murlo: %s\n", problem.c_str());
        std::fputs(desktop::usage_text, stderr);
        return 2;
    case desktop::Command::play:
        break;
    }
    // Every file is had before the window opens, or the game does not start.
    if (!sdl::open_run_files(options.play, options.record, options.trace, problem)) {
        std::fprintf(stderr, "murlo: %s\n", problem.c_str());
        return 2;
    }
    // A trace or record into a pipe that closes is a failed write, not the end.
    if (options.record != nullptr || options.trace != nullptr) std::signal(SIGPIPE, SIG_IGN);
    sdl::window_scale = options.scale;
    game_main();
}
