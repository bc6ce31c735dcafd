// The headless host: the game run on the values of an input script,
// every call it lists written as a trace line, so a whole game can be
// driven from a file of input bytes and checked line by line.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "game/calls.h"
#include "runner/headless.h"
#include "runs/script.h"

namespace murlo::replay {

// Where trace lines go: kept in memory, or streamed to a file in large
// blocks so a long replay is not slowed by small writes.
class Trace {
public:
    explicit Trace(std::FILE* out = nullptr) : out_(out) {}
    ~Trace() { flush(); }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void line(std::string_view text);
    void text(std::string_view lines);  // whole lines, each with its line break
    void flush();
    const std::string& text() const { return text_; }  // all of it, when kept in memory

private:
    std::FILE* out_;
    std::string text_;
};

// Picture capture of the presented frames (see capture.h).
struct Capture;

// The lines of every call an advance listed, and its frames and waits into
// the capture when there is one.
void trace_calls(const Calls& calls, Trace& trace, Capture* capture = nullptr);
// Only its frames and waits into the capture.
void capture_calls(const Calls& calls, Capture* capture);
// The runner's latest advance's frames, with its racing ghost drawn over
// them, and its waits, into the capture.
void capture_calls(const Runner& r, Capture* capture);

// The game run on the script, an advance at a time with no clock, every
// call traced; the poll that finds the script used up ends the run as a
// closed window would, with "quit". A ghost raced beside it shows in the
// pictures only.
void run(const runs::Script& script, Trace& trace, Capture* capture = nullptr, const GhostRace* race = nullptr);

}  // namespace murlo::replay
