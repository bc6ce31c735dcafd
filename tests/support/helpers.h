// Helpers shared by the unit tests: a clean game state, boards drawn from
// pictures, a recorded run of host calls and the frames in a trace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "game/rules.h"
#include "game/state.h"
#include "host/replay/replay.h"

namespace murlo::testing {

// Everything as the program loads it, and host calls recorded into `trace`.
// Polls return `inputs` in turn and then throw replay::Quit.
class HostRecorder {
public:
    explicit HostRecorder(std::vector<InputBits> inputs = {});
    ~HostRecorder();
    const std::string& text() const { return trace_.text(); }
    std::vector<std::string> lines() const;

private:
    replay::Script script_;
    replay::Trace trace_;
};

// Fill the board from rows of characters, top row first, starting at
// `first_row`: '.' Empty, 'c' Crumbling, 'a' Air, 'h' Hard, '1'..'4'
// Soft1..Soft4. Every cell not given is Empty.
void fill_board(int first_row, const std::vector<std::string_view>& rows);

// A script of tests/replay, read and checked.
replay::Script committed_script(const char* name);
// The values of a script, one per poll.
std::vector<InputBits> script_values(const replay::Script& script);

// The trace of a whole run of the script text from program load.
std::string run_script(const char* text);

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
