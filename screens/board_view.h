// The well around the player, drawn into the display.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "lcd/lcd.h"

namespace murlo {

// Which of block_sprites a cell is drawn with.
enum BlockSprite : int {
    crumbling_doomed_sprite = 1,  // first crumbling stage
    crumbling_sprite = 2,         // later stages
    air_left_sprite = 3,          // capsules left of the player's column
    air_right_sprite = 4,         // the same, mirrored, right of it
    hard_sprite = 5,              // also every wall cell
    cracked_sprite = 6,           // a Hard block dug once
    soft1_sprite = 7,             // Soft1..Soft4 follow in the order of their kinds
    block_sprite_count = 11,
};

extern const Sprite8 block_sprites[block_sprite_count];

// The well around the player's centre (player_x, player_y) in board
// pixels; the player's square lands at LCD (12, 12).
void draw_board(LcdFrame& lcd, const Well& well, int player_x, int player_y);

// The sprite of the Soft block at (column, row) with its frame opened
// toward every touching block of the same kind. The cell must hold Soft1..Soft4.
Sprite8 joined_sprite(const Board& board, int column, int row);

}  // namespace murlo
