// What the status display remembers from frame to frame: the blink phase
// of a digger low on air, and how long ago the depth box last changed.
// Counted here, once a frame, before the screens draw them.
#pragma once

#include <cstdint>

#include "game/game.h"

namespace murlo {

constexpr std::int32_t low_air = 3000;        // below this the digger blinks
constexpr std::int32_t depth_show_length = 10;  // frames the box stays after the one that changed

// One more frame of the blink; it wraps at 256 and its phase carries over
// from game to game.
void count_blink(Game& g);
// Whether the digger shows this frame: always, unless low on air, when it
// shows on two frames out of four.
bool digger_shown(const Game& g);

// The depth box's frame count: back to 0 when the depth changed since the
// box last showed it, else one more (counted no further than needed, so an
// endless count cannot overflow).
void count_depth_box(Game& g);
// Whether the box is drawn this frame: the frame the depth changed and the
// depth_show_length after it.
bool depth_box_shown(const Game& g);

}  // namespace murlo
