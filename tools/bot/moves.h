// What the tools that play the game share: reading the board around the
// digger and the moves it makes (walking, digging down, taking a capsule).
// murlo-soak and murlo-autoplay choose among these moves each in its own
// way. Everything here reads a Game and nothing else, and allocates
// nothing.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/calls.h"
#include "game/player.h"

namespace murlo::bot {

// ---- The board around the digger -------------------------------------------

// The kind of block at (column, row); off the board, Empty.
int kind_at(const Game& g, int column, int row);
// The kind of block the digger would dig, or walk into, that way.
int kind_toward(const Game& g, Dig dig);
// The kind of block the digger stands on.
int kind_underfoot(const Game& g);
// The digger's own cell.
int player_column(const Game& g);
int player_row(const Game& g);

// The digger stands centred on footing and will not move by itself: the
// moment to choose what to do next.
bool at_rest(const Game& g);

// The key to hold for a dig at a block of `target_kind`: a Hard block
// takes two digs, each with its own press, so a key held at the last poll
// is let go for this one.
InputBits press(const Game& g, InputBits key, int target_kind);

// A capsule beside or above the digger that it may dig now and has not
// dug yet: the key that digs it, else 0.
InputBits grab_key(const Game& g);

// ---- Moves -------------------------------------------------------------------

// What the digger can do from rest: dig a capsule beside or above it, dig
// down, walk some columns (digging what is in the way; a gap on the way
// ends the walk in a fall), or wait.
enum class Act : std::uint8_t {
    Grab,
    Down,    // dig down until at rest deeper than it began
    Burrow,  // dig down until at rest lower on the board than it began: as
             // Down, but across a scroll (which lifts the board 15 rows) it
             // digs on until its frames are up
    Walk,
    Wait,
};

struct Move {
    Act act;
    std::int8_t step;     // Walk: -1 left, +1 right
    std::int8_t columns;  // Walk: how far
};

// A move being played, frame by frame.
struct Running {
    Move move;
    int frames;  // frames played so far
    int start_x;
    int start_row;
    std::int32_t start_depth;
};

Running begin_move(const Game& g, Move move);

// The key for the next frame of a move; false when the move is over: a
// grab after its one frame, a dig down once the digger is at rest deeper
// (or lower) down, a walk where it arrives, falls or meets a wall, a wait
// after four frames; and a walk after 40 frames a column, a dig down after
// 60.
bool move_key(const Game& g, Running& run, InputBits& key);

// Between moves, while falling or finishing a walk: no key, unless a walk
// is stuck against a block, which is then dug.
InputBits settle_key(const Game& g);

}  // namespace murlo::bot
