// murlo: the game in its desktop window. Built a second time as
// murlo-timed (MURLO_STAMP_FIRST_FRAME) for tools/bench-desktop, which
// writes the moment its first frame has been shown to stderr as
// "first-frame SECONDS.NANOSECONDS" (wall clock).
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "host/sdl/best_depth.h"
#include "host/sdl/driver.h"
#include "host/sdl/events.h"
#include "host/sdl/options.h"
#include "host/sdl/run_files.h"
#include "host/sdl/sound.h"
#include "host/sdl/window.h"
#include "murlo/version.h"

#ifdef MURLO_STAMP_FIRST_FRAME
#include <algorithm>
#include <ctime>

namespace {

bool shows_a_frame(const murlo::Calls& calls) {
    return std::any_of(calls.call, calls.call + calls.count,
                       [](const murlo::Call& call) { return call.kind == murlo::Call::Kind::Present; });
}

void stamp_first_frame() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "first-frame %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
}

}  // namespace
#endif

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
        std::printf("murlo %s\n%s", version, licence_note);
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
    sdl::open_window(options.scale);
    sdl::load_best_depth();
    sdl::open_controllers();
    sdl::open_audio();

    const auto driver = std::make_unique<sdl::Driver>();
    sdl::start(*driver);
#ifdef MURLO_STAMP_FIRST_FRAME
    // The title's first pass shows the first frame, the last call of its
    // step (a key held at once would make it the first game frame's,
    // stamped after that frame's wait).
    do sdl::drive_one_poll(*driver);
    while (!shows_a_frame(driver->calls));
    stamp_first_frame();
#endif
    // The program ends inside, when the window is closed.
    for (;;) sdl::drive_one_poll(*driver);
}
