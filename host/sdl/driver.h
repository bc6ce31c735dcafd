// The driving loop of the desktop game: the game started, then stepped once
// per poll, each step's calls carried out in the window in order. Between
// the title's passes the loop sleeps as the handheld's title pace says;
// everything else keeps the pace of the game's own waits.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/calls.h"
#include "handheld/handheld.h"

namespace murlo::sdl {

// The game, the calls of its last step and the title's schedule: some
// 50 KB, made once at start-up and kept off the stack.
struct Driver {
    Game game{};
    Calls calls{};
    handheld::TitlePace title_pace{};
    bool game_counts = false;  // the game in play counts for the best depth
};

// Start the game and carry out its first calls (the title music).
void start(Driver& driver);
// One poll and what follows it: at the title, first sleep until the pass
// is due; then poll, step the game with the keys and carry out its calls.
// A game that ends keeps its depth as the best when it is deeper.
void drive_one_poll(Driver& driver);

// The keys of a poll, once the events that came are served and any pause
// is over: the played script's while it lasts, else the keyboard's and the
// controllers', with a key that resumed the game since the last poll.
// Noted in the record and the trace.
InputBits poll_keys();
// Each call of a step in order, noted in the trace: a frame shown, a
// wait, a sound started or stopped.
void carry_out(const Calls& calls);
// A wait of `ticks`: until the whole-millisecond clock has moved 9 ticks +
// 1 ms, serving events meanwhile and handing written files to the system
// when due. Time paused does not count.
void wait_ticks(std::uint32_t ticks);

// The way out, when Escape is pressed or let go or the window is closed,
// wherever the game is: the best depth kept if a game was in the middle,
// the trace's quit line, the record closed, the sound stopped, the window
// gone and exit code 0.
[[noreturn]] void end_program();

}  // namespace murlo::sdl
