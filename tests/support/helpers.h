// Helpers shared by the unit tests: a game stepped as a host steps it with
// its calls read back as trace lines, boards drawn from pictures, and the
// frames in a trace.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"
#include "host/replay/replay.h"

namespace murlo::testing {

// A game and the calls of its steps, stepped as the replay tool steps it.
// `g` starts as the program loads (nothing started); tests may also call
// the rules on `g` and `calls` directly.
class TestGame {
    std::unique_ptr<Calls> calls_ = std::make_unique<Calls>();  // large: kept off the stack

public:
    Game g{};
    Calls& calls = *calls_;

    void start();                  // start_up; its calls' lines join the trace
    Outcome step(InputBits keys);  // "poll HH", the step, and its calls' lines
    void play(const std::vector<InputBits>& keys);
    // One closing sequence alone, from its start, as its phase lists it
    // (the ending with the game-over wipe after it); its lines join the trace.
    void closing(Phase phase, Closing why);
    // The trace so far, then the lines of any calls listed into `calls` since.
    std::vector<std::string> lines() const;

private:
    void keep_lines();
    std::vector<std::string> trace_;
    int traced_ = 0;  // calls of `calls` already in trace_
};

// The trace lines of the calls a Calls holds.
std::vector<std::string> call_lines(const Calls& calls, int from = 0);

// Fill the well's board from rows of characters, top row first, starting
// at `first_row`: '.' Empty, 'c' Crumbling, 'a' Air, 'h' Hard, '1'..'4'
// Soft1..Soft4. Every cell not given is Empty; the rest of the well stays.
void fill_board(Well& well, int first_row, const std::vector<std::string_view>& rows);

// A script of tests/replay, read and checked.
runs::Script committed_script(const char* name);
// The values of a script, one per poll.
std::vector<InputBits> script_values(const runs::Script& script);

// The trace the replay tool gives for a whole run of a script.
std::string run_script(const runs::Script& script);
std::string run_script(const char* text);
std::vector<std::string> split_lines(const std::string& text);

// The trace line of a frame presented with the 32 rows from `rows` on.
std::string present_line(const std::uint32_t* rows);

// The 32 row words of a "present" trace line; empty for any other line.
using FrameRows = std::vector<std::uint32_t>;
FrameRows frame_of(const std::string& line);
// The rows of every frame presented in a trace, in order.
std::vector<FrameRows> frames_of(const std::vector<std::string>& lines);

// The random source's state `steps` steps after `state`.
std::uint32_t rng_after(std::uint32_t state, int steps);

// What a command printed on stdout and how it exited (-1 if it did not).
struct CommandResult {
    int status;
    std::string out;
};
CommandResult run_command(const std::string& command);

}  // namespace murlo::testing
