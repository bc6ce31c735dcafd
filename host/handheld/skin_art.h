// The handheld's picture, drawn in memory: what the skin files of the
// desktop games are written from (tools/assets/make_skin), and what any
// host that draws the skin itself shows.
#pragma once

#include <cstdint>
#include <vector>

namespace murlo::handheld {

// The skin as 8-bit RGB, window_width x window_height, rows top to bottom.
// Only the outside of the handheld is exactly key_colour: an inside pixel
// that rounds to it is nudged off by one.
std::vector<std::uint8_t> draw_skin();

}  // namespace murlo::handheld
