// The title screen's picture: the title, a blinking key prompt and seven
// light specks drifting down over it.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "lcd/lcd.h"

namespace murlo {

extern const std::uint32_t title_picture[32];

// One pass of the title, drawn from the specks' seeds and the title's clock
// (the random state, which the cycle counts on by one after each pass).
void draw_title(LcdFrame& lcd, const std::uint32_t (&seeds)[speck_count], std::uint32_t clock);

}  // namespace murlo
