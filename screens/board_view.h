// The well around the player, drawn into the display.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

extern const Sprite8 block_sprites[11];

// The player's square lands at LCD (12, 12).
void draw_board(int player_x, int player_y);

}  // namespace murlo
