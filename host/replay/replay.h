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
#include "host/replay/script.h"

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
    void flush();
    const std::string& text() const { return text_; }  // all of it, when kept in memory

private:
    std::FILE* out_;
    std::string text_;
};

// Picture capture of the presented frames (see capture.h).
struct Capture;

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
