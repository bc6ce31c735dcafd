// The game cycle, turned round: whatever runs the game starts it once, then
// advances it a few calls at a time. An advance runs the game from where it
// stands up to its next poll of the keys or its next wait, whichever comes
// first, and lists in order the frames to show, the sounds and the wait on
// the way. So the Game between two advances is all there is to know: a
// closing sequence is a phase of the game with its own counter, not a loop
// running inside one call.
//
// Start-up seeds the random source and begins the title: "title.wav", the
// title's specks, and its first poll. At a title poll, no key shows one
// more title pass; any key stops the music, builds a new board and begins
// the game. A game frame runs its fixed order of steps; one that ends a
// level or the game goes on into the closing pictures, which poll nothing,
// and then into the next level or back to the title.
#pragma once

#include <cstdint>

#include "game/calls.h"
#include "game/game.h"

namespace murlo {

constexpr std::uint32_t rng_seed = 0x83957213u;  // once per program, never per game
constexpr std::uint32_t frame_wait_ticks = 5;

// The game as the program starts it, up to the title's first poll: any
// earlier game in `g` is forgotten. The program always seeds the random
// source with rng_seed; the fuzz target gives each input its own seed.
void start_up(Game& g, Calls& calls, std::uint32_t seed = rng_seed);

// Whether the next advance begins with a poll (on the title or in play),
// rather than going on with a closing sequence.
constexpr bool awaits_poll(const Game& g) { return g.phase == Phase::Title || g.phase == Phase::Play; }

// The game's next calls, up to its next poll or wait. `keys` are the keys
// held at the poll it begins with, when it begins with one (awaits_poll);
// a closing sequence reads no keys. With `draw` false, the title and the
// game frames leave g.lcd as it was: no rule reads the picture, so the game
// plays on exactly as drawn, for whoever needs only what the rules did (the
// board's verifier); the frames listed are then stale.
void advance(Game& g, InputBits keys, Calls& calls, bool draw = true);

// A poll and everything after it up to the next poll, for the tools that
// play the game without carrying out its calls: `calls` is left holding
// the last advance's calls, and its outcome is the poll's (a game frame
// that died is Died, though the closing pictures came after it).
Outcome step(Game& g, InputBits keys, Calls& calls);

// The closing sequences' calls, for the cycle: from g.closing_step of the
// phase the game is in, up to the next wait; false when the phase has no
// calls left (its last wait is over).
bool run_result(Game& g, Calls& calls);
bool run_game_over(Game& g, Calls& calls);
bool run_ending(Game& g, Calls& calls);

}  // namespace murlo
