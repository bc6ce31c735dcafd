// The headless host: every host operation is scripted or recorded, so a
// whole game can be driven from a file of input bytes and checked line by
// line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "game/host.h"

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
    void append(std::string_view text) { text_.append(text); }
    void flush();
    const std::string& text() const { return text_; }  // all of it, when kept in memory

private:
    std::FILE* out_;
    std::string text_;
};

// Picture capture of the presented frames (see capture.h).
struct Capture;

struct ScriptError {
    int line = 0;
    std::string token;
    std::string message;
};

// An input script as runs of one value repeated.
struct ScriptRun {
    InputBits value;
    std::uint64_t count;
};
using Script = std::vector<ScriptRun>;

// A script of single values, one per poll.
Script script_of(const std::vector<InputBits>& values);

// Read an input script: hex bytes (one or two digits) and HH*N repeats,
// '#' comments. False, with the offending line and token, on a bad one.
bool parse_script(std::string_view text, Script& script, ScriptError& error);

// The script in the plain form parse_script reads back to the same polls:
// a token per run, `hh` for one poll and `hh*N` for more, in lower-case hex,
// separated by spaces, with a line break before a line would pass 72
// characters and after the last token. Runs of one value next to each other
// are joined into one, runs of count 0 are dropped, and a count above
// 999999999 (the most one token holds) is split over several tokens. Only
// the five key bits of a value are written (scripts cannot hold the others).
// An empty script gives an empty text.
std::string format_script(const Script& script);

// Run the game on the values until a poll finds none left; the trace ends
// with "quit".
void run(const Script& script, Trace& trace, Capture* capture = nullptr);

// Drive single steps of the game from a test: set the inputs that polls
// will return and where the host's calls are recorded. A poll past the end
// throws Quit.
void attach(const Script& script, Trace& trace, Capture* capture = nullptr);
void detach();

struct Quit {};

}  // namespace murlo::replay
