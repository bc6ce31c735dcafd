// Recorded runs: --play reads the script the runner plays first, --record
// writes the runner's record of every poll's keys as an input script and
// --trace its trace of every call, both as the game goes, in the replay
// tool's words.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "runner/runner.h"
#include "runs/script.h"

namespace murlo::sdl {

struct OutputFile {
    std::FILE* file = nullptr;  // null: none, or given up after a failed write
    const char* path = nullptr;
};

struct RunFiles {
    OutputFile record, trace;
    // The record's text is written ahead and over again (regular files).
    bool record_seekable = false;
    std::size_t record_written = 0;  // of the runner's record text
    bool unflushed = false;          // the runner has run since the last flush
    std::chrono::steady_clock::time_point next_flush{};
};

// Before the window: read the script to play into `played` and open the
// files to write, any of them null for none; false with a message naming
// the file when one cannot be had.
bool open_run_files(RunFiles& files, const char* play, const char* record, const char* trace,
                    runs::Script& played, std::string& problem);
// After each run: the trace lines and the record's new text go to their
// files (the trace is taken from the runner, which stops tracing if its
// file fails); each file is handed to the system once a second at least.
void write_run_files(RunFiles& files, Runner& r);
// How long until that is due: no limit when nothing waits to go.
std::uint32_t ms_until_flush(const RunFiles& files);
// The trace's quit line, the record's last run, and both files closed.
void close_run_files(RunFiles& files, Runner& r);

}  // namespace murlo::sdl
