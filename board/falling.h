// Breaking groups, crumbling, fall timers and one-row drops.
#pragma once

#include "board/board.h"

namespace murlo {

void break_and_crumble(Well& well);    // test Check groups, doom, advance crumbling stages
void advance_fall_timers(Well& well);  // count Loose timers, settle blocks that just landed
void drop_loose_blocks(Well& well);    // move blocks whose timer ran out down one row

// The board's part of one game frame, in its order: breaking, support,
// timers, drops. (Scrolling follows, with the player.)
void advance_board(Well& well);

}  // namespace murlo
