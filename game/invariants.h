// What must hold of the game's state between two steps, whatever keys were
// pressed: one check shared by the soak tool, the fuzz targets, the tests
// and whatever loads a saved game. It reads the game only and allocates
// nothing.
#pragma once

#include <cstdint>

#include "game/game.h"

namespace murlo {

// Pass as previous_depth for the first check of a game (after the step that
// left the title).
constexpr std::int32_t first_check_of_game = -1;

// Checks the state any step leaves. On the title the game is the one last
// played, as its final frame left it (before the first game: an empty well
// with the digger at the top). previous_depth is the depth at the previous
// check of the same game, or first_check_of_game. Returns nullptr when
// everything holds, else a short fixed text naming the first rule broken:
//
// - the cycle waits for a title poll or a game frame's poll, or stands in
//   a closing sequence with its reason (the result for a level, a death or
//   the win; the game-over wipe for a death or the win; the ending for the
//   win) at a place within it; and the keys latched are the five keys' bits;
// - every cell byte is a kind and flags the rules can make: kinds 0..7;
//   Empty with none, Doomed, Cracked, Doomed+Cracked or Check, or Loose
//   with or without Check (left by a block that crumbled while loose);
//   Crumbling in one stage (Doomed, Check, Cracked, or Doomed+Cracked for a
//   cracked Hard block) with or without Loose; Air with at most Loose and
//   Doomed; Hard never Loose and Check together; Soft never Cracked, and
//   Loose with Check only when dug (Doomed);
// - fall timers: 1..D+7 on a Loose cell, else 0, D-1 or D, where D is the
//   delay the board was played with (fall_delay, or one more right after
//   the win, where check_level_goal has already lowered it);
// - player_x 4..60; player_y even, 20..204; facing Right, Left or Down;
// - air from -2029 (a Hard block finished at -29) to 10000;
// - depth 0..1000, the same or one more than at the previous check, and
//   within the level fall_delay stands for (24 for 0..100 down to 15 for
//   900..1000; 14 only at depth 1000, after the win); in play, at a
//   multiple of 100 the player is at the top of its board (player_y <= 28);
// - the group list is a breadth-first walk over neighbouring board cells
//   as find_group leaves it: group_count 0..24, cells distinct and on the
//   board, each found from the earliest examined neighbour, in search
//   order, and unused entries (0, 0). Its kinds are not compared with the
//   board, since drops and scrolls later in the frame move blocks on.
//
// Rules that allow an untidy state are not checked against: a player
// standing on nothing, flags left on Empty cells, the capped group search.
const char* check_invariants(const Game& g, std::int32_t previous_depth);

}  // namespace murlo
