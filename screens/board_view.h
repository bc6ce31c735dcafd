// The well around the player, drawn into the display.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo {

extern const Sprite8 block_sprites[11];

// The player's square lands at LCD (12, 12).
void draw_board(int player_x, int player_y);

// The sprite of the Soft block at (column, row) with its frame opened
// toward every touching block of the same kind. The cell must hold Soft1..Soft4.
Sprite8 joined_sprite(int column, int row);

}  // namespace murlo
