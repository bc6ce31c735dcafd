// Window events, the keyboard and controllers. Events are served only when
// the driving loop asks (at each poll and while it sleeps); Escape and
// closing the window end the program from inside, at whatever point the
// game has reached. P, Pause and a controller's Start, the focus lost and
// the window minimised pause a game (host/sdl/pause.h).
#pragma once

#include <cstdint>

#include "game/calls.h"

namespace murlo::sdl {

// Game controllers: every one in SDL's controller database, as they are
// plugged in and pulled out. Without controller support the keyboard
// still plays.
void open_controllers();

// Every event that has come, served; nothing when they were served less
// than half a millisecond ago.
void serve_events();
// Sleep until an event comes or `ms` milliseconds have passed, and serve
// the event, if any.
void sleep_serving_events(std::uint32_t ms);

// The keys held on the keyboard and every controller, as of the events
// served so far.
InputBits held_keys();

}  // namespace murlo::sdl
