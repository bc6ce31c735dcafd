// Pausing a game. P, the Pause key and a controller's Start button pause it
// and resume it; losing the window's focus or being minimised pauses it
// too, and any of the five keys also resumes it (and counts as held at the
// next poll). At the title there is nothing to pause.
//
// While paused the loop steps nothing: the poll or wait that saw the pause
// holds, serving events, until it ends, and a wait then goes on with the
// time it had left. So the game never sees a pause: its polls, its calls,
// the record and the trace are those of a run without one. Meanwhile the
// sound is held and the LCD shows the last frame dimmed.
#pragma once

#include "game/calls.h"

namespace murlo::sdl {

// Whether a pause may begin: while a game's polls come and its steps are
// carried out (its closing pictures too), not at the title.
void set_pausable(bool pausable);
bool paused();

// P, Pause or Start pressed: pause, or resume.
void toggle_pause();
// The window lost the focus or was minimised.
void pause();
// Keys pressed while paused: resume, and count them at the next poll.
void resume_with(InputBits keys);

// Return once the game is not paused (at once when it is not).
void hold_while_paused();
// The keys that resumed the game since the last poll, then none.
InputBits take_resume_keys();

}  // namespace murlo::sdl
