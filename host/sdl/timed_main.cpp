// murlo-timed: the desktop game exactly as murlo, except that the moment
// its first frame has been shown is written to stderr as
// "first-frame SECONDS.NANOSECONDS" (wall clock), for tools/bench-desktop.
// Linked with --wrap so the game's calls of present_frame come here first.
#include <cstdio>
#include <ctime>

#include "game/game.h"

extern "C" void __real__ZN5murlo13present_frameERKNS_8LcdFrameE(const murlo::LcdFrame& frame);

extern "C" void __wrap__ZN5murlo13present_frameERKNS_8LcdFrameE(const murlo::LcdFrame& frame) {
    static bool first = true;
    __real__ZN5murlo13present_frameERKNS_8LcdFrameE(frame);
    if (first) {
        first = false;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "first-frame %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    }
}

int main() { murlo::game_main(); }
