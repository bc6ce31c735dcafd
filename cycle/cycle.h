// The game cycle, turned round: a host starts the game once, then steps it
// once per poll of the keys. Each call runs the game up to its next poll and
// lists, in order, every frame to show, wait, sound and stop on the way.
//
// Start-up seeds the random source and begins the title: "title.wav", the
// title's specks, and its first poll. At a title poll, no key shows one
// more title pass; any key stops the music, builds a new board and begins
// the game. A game frame runs its fixed order of steps; one that ends the
// game runs the closing pictures and begins the title again, all within
// the same step, since none of that polls.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/calls.h"

namespace murlo {

constexpr std::uint32_t rng_seed = 0x83957213u;  // once per program, never per game
constexpr std::uint32_t frame_wait_ticks = 5;

// The game as the program starts it, up to the title's first poll: any
// earlier game in `g` is forgotten. The program always seeds the random
// source with rng_seed; the fuzz target gives each input its own seed.
void start_up(Game& g, Calls& calls, std::uint32_t seed = rng_seed);

// The keys held at one poll, and everything up to the next poll.
void step(Game& g, InputBits keys, Calls& calls);

// The closing sequences the cycle runs: the result after a level or a death
// (the panel scrolls in, then the depth digit by digit), the game-over wipe
// after a death, and the ending after the last level (the strip scrolls
// past, then the game-over wipe).
void show_result(Game& g, Calls& calls);
void show_game_over(Game& g, Calls& calls);
void show_ending(Game& g, Calls& calls);

}  // namespace murlo
