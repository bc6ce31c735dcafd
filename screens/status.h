// The player sprite with its low-air blink, the air gauge and the depth box.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "lcd/lcd.h"

namespace murlo {

extern const Sprite8 player_sprites[4];
extern const Sprite8 player_down_sprite;

void draw_player(Game& g);     // counts blink_counter on
void draw_air_gauge(Game& g);
void draw_depth(Game& g);      // keeps depth_shown and depth_show_frames

}  // namespace murlo
