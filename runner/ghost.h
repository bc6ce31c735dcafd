// A ghost: a run's scoring game (its deepest) played beside the player's,
// on the runner's clock, from the moment the player's game begins, with
// its own waits and closing pictures. Its earlier games and its title are
// skipped at once; what follows its scoring game is ignored; when its game
// ends, or its run runs out, it stands where it stopped. It is drawn over
// the player's picture (never into the game's frames, nor the trace, nor
// the run recorded): its digger blinking where its depth lies in the rows
// the player sees, else a blinking pixel at the top or bottom edge in its
// column, never over the player's digger.
#pragma once

#include <cstdint>
#include <string>

#include "game/game.h"
#include "lcd/lcd.h"
#include "runs/script.h"

namespace murlo {

struct Runner;

// The ghost's part of the runner's state (trivially copyable, saved with it).
struct GhostState {
    bool present = false;  // a ghost races
    bool running = false;  // its game plays: the player's game has begun
    bool over = false;     // it stands where it stopped
    Outcome ended = Outcome::Frame;  // Died or Won when its game ended so; Frame when its run ran out
    std::uint64_t polls = 0;   // polls of its run taken (its place in the run)
    std::uint64_t due_us = 0;  // when its next call is due on the runner's clock
    std::int32_t depth = 0;    // the depth its scoring game reached
    Game game{};
};

// What a run is as a ghost, found by playing it without a clock.
struct GhostRun {
    std::int32_t depth = 0;          // its scoring game's deepest depth
    bool first_game = false;         // its scoring game is the run's first
    std::uint64_t start_polls = 0;   // polls up to the one that began its scoring game
    Game start{};                    // that game as it began
};

// `run` as a ghost: false, with the reason, when it is damaged, reaches no
// depth, or does not reach `expected_depth` (when not negative).
bool read_ghost(const runs::Script& run, std::int32_t expected_depth, GhostRun& ghost, std::string& problem);

// The ghost set on the runner, to follow the player's next game.
void set_ghost(Runner& r, runs::Script run, const GhostRun& ghost);

// The player's game has begun at `at`: the ghost's plays from then on.
void ghost_follows(Runner& r, std::uint64_t at);

// The ghost's next call is due no later than `at`: when it is, and false
// when it has none.
bool ghost_due(const Runner& r, std::uint64_t& due);

// The ghost's next advance, at its due time.
void advance_ghost(Runner& r);

// Whether the ghost shows on the player's picture now.
bool ghost_shown(const Runner& r);

// The player's picture with the ghost drawn over it.
LcdFrame with_ghost(const Runner& r, const LcdFrame& shown);

// The words the handheld's body shows of the race: "GHOST +12" (the
// ghost's depth less the player's), then how the ghost's game ended
// ("GHOST WON", "GHOST DIED", or "GHOST STOP" where its run ran out);
// empty with no ghost racing.
std::string ghost_words(const Runner& r);

// When the ghost's picture next changes of itself (its blink), on the
// runner's clock; never when it does not show.
std::uint64_t ghost_blink_change(const Runner& r);

}  // namespace murlo
