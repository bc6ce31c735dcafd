// Helpers shared by the unit tests: a clean game state, boards drawn from
// pictures, and a recorded run of host calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "game/game.h"
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

// What a command printed on stdout and how it exited (-1 if it did not).
struct CommandResult {
    int status;
    std::string out;
};
CommandResult run_command(const std::string& command);

}  // namespace murlo::testing
