// The player sprite with its low-air blink, the air gauge and the depth box.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

extern const Sprite8 player_sprites[4];
extern const Sprite8 player_down_sprite;

extern std::uint8_t blink_counter;       // counts draw_player calls; never reset
extern std::int32_t depth_shown;         // the depth the box last showed
extern std::int32_t depth_show_frames;   // frames since it was last drawn anew

void draw_player();
void draw_air_gauge();
void draw_depth();

}  // namespace murlo
