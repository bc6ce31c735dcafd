// The picture sequences that close a level or a game.
#pragma once

#include <cstdint>

namespace murlo {

extern const std::uint32_t result_picture[32];
extern const std::uint32_t game_over_picture[32];
extern const std::uint32_t ending_strip[256];

void show_result();     // result picture scrolls in, then the depth digit by digit
void show_game_over();  // game-over picture wiped in from top and bottom
void show_ending();     // the ending strip scrolls past, then the game-over wipe

}  // namespace murlo
