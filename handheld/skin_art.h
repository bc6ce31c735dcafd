// The handheld's picture, drawn in memory: what the skin files of the
// desktop games are written from (tools/assets/make_skin), and what any
// host that draws the skin itself shows.
#pragma once

#include <cstdint>
#include <vector>

#include "handheld/handheld.h"

namespace murlo::handheld {

// The skin as 8-bit RGB, window_width x window_height, rows top to bottom.
// Only the outside of the handheld is exactly key_colour: an inside pixel
// that rounds to it is nudged off by one.
std::vector<std::uint8_t> draw_skin();

// Rows `first` to `first + count - 1` of a layout's skin drawn at `k`
// picture pixels to one of the layout's, as RGBA (4 bytes a pixel, rows of
// `columns` pixels) into `out`: transparent outside the body, its edge
// smooth over one picture pixel, every other edge as sharp as the picture
// allows. A host that shows the skin at the screen's own pixel size draws
// it so, rather than scaling a picture up.
// The picture may be moved by `shift_x`, `shift_y` picture pixels (less
// than one), so that the LCD's edges fall on whole picture pixels.
void draw_skin_rows(const Layout& layout, double k, int columns, int first, int count,
                    std::uint8_t* out, double shift_x = 0, double shift_y = 0);

}  // namespace murlo::handheld
