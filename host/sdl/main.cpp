// murlo: the game in its desktop window. Built a second time as
// murlo-timed (MURLO_STAMP_FIRST_FRAME) for tools/bench-desktop, which
// writes the moment its first frame has been shown to stderr as
// "first-frame SECONDS.NANOSECONDS" (wall clock).
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "host/sdl/events.h"
#include "host/sdl/host.h"
#include "host/sdl/options.h"
#include "murlo/version.h"

#ifdef MURLO_STAMP_FIRST_FRAME
#include <ctime>
#endif

int main(int argc, char** argv) {
    using namespace murlo;
    desktop::Options options;
    std::string problem;
    switch (desktop::parse_options(argc, argv, options, problem)) {
    case desktop::Command::help:
        std::fputs(desktop::usage_text, stdout);
        std::fputs(desktop::help_text, stdout);
        std::fputs(desktop::setting_help, stdout);
        std::fputs(desktop::help_end, stdout);
        return 0;
    case desktop::Command::version:
        std::printf("murlo %s\n%s", version, licence_note);
        return 0;
    case desktop::Command::bad:
        std::fprintf(stderr, "murlo: %s\n", problem.c_str());
        std::fputs(desktop::usage_text, stderr);
        return 2;
    case desktop::Command::play:
        break;
    }
    // The whole of the program's state, in one value (some 6 KB: off the stack).
    const auto host = std::make_unique<sdl::Host>();
    sdl::Host& h = *host;
    // Every file is had before the window opens, or the game does not start.
    runs::Script script;
    if (!sdl::open_run_files(h.files, options.play, options.record, options.trace, script, problem)) {
        std::fprintf(stderr, "murlo: %s\n", problem.c_str());
        return 2;
    }
    // A trace or record into a pipe that closes is a failed write, not the end.
    if (options.record != nullptr || options.trace != nullptr) std::signal(SIGPIPE, SIG_IGN);
    // The settings kept, with those given for this run over them.
    h.settings_file = sdl::settings_path();
    h.stored = desktop::read_settings(h.settings_file);
    if (!sdl::open_window(h.window, desktop::with_options(h.stored, options.settings))) return 1;
    const std::int32_t best = sdl::load_best_depth(h.best, h.window);
    sdl::open_controllers();
    sdl::open_audio(h.audio);

    sdl::end_on_hangup();
    sdl::watch_display(h);
    // A game kept when the last one closed goes on, unless a script is to play.
    const std::filesystem::path kept = options.play != nullptr ? std::filesystem::path{} : sdl::kept_game_path();
    sdl::begin(h, std::move(script), best, kept);
#ifdef MURLO_STAMP_FIRST_FRAME
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "first-frame %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
#endif
    while (!h.quit) sdl::turn(h);
    sdl::finish(h);
    return h.display_lost ? 1 : 0;
}
