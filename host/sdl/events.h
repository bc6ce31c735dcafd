// Window events, the keyboard and controllers, served once a turn (and
// whenever one comes while the host sleeps). Escape, pressed or let go, and
// closing the window end the loop. P, Pause and a controller's Start pause
// a game and resume it; the focus lost and the window minimised or hidden
// pause it (minimised or hidden, it is kept for the next start too); any
// of the five keys resumes it and counts as held at the next poll.
#pragma once

#include <cstdint>

#include "game/calls.h"
#include "host/sdl/host.h"

namespace murlo::sdl {

// The display lost (on X: the session ended) ends the loop, keeping the
// game, rather than the program: h.display_lost tells.
void watch_display(Host& h);

// Game controllers: every one in SDL's controller database, as they are
// plugged in and pulled out. Without controller support the keyboard
// still plays.
void open_controllers();
void close_controllers(Controllers& controllers);

// Sleep until an event comes or `ms` milliseconds have passed (no limit
// for never_ms, no sleep for 0), then serve every event that has come.
constexpr std::uint32_t never_ms = 0xFFFFFFFFu;
void serve_events(Host& h, std::uint32_t ms);

// The keys held on the keyboard and every controller, as of the events
// served so far.
InputBits held_keys(const Host& h);

}  // namespace murlo::sdl
