// The player sprite with its low-air blink, the air gauge and the depth box.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "lcd/lcd.h"

namespace murlo {

extern const Sprite8 player_sprites[4];
extern const Sprite8 player_down_sprite;

// Each draws into `lcd` from the game as it stands; the counters they read
// (game/status.h) are counted by the cycle first.
void draw_player(LcdFrame& lcd, const Game& g);
void draw_air_gauge(LcdFrame& lcd, const Game& g);
void draw_depth(LcdFrame& lcd, const Game& g);

}  // namespace murlo
