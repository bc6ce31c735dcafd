// Input scripts, the text that says which keys are held at each poll of the
// keyboard: reading them, writing them (a whole run at a time, or as a game
// goes), and the files they live in. Plain text handling, shared by the
// replay tool and the desktop game, with no picture or window library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/calls.h"

namespace murlo::runs {

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

// A place in a script, poll by poll.
struct ScriptPlace {
    std::size_t run = 0;        // the run it is in
    std::uint64_t in_run = 0;   // polls of that run taken
};

// The next poll's keys, and the place moved past it; false once the
// script is used up.
bool next_poll(const Script& script, ScriptPlace& place, InputBits& keys);

// The place after the first `polls` polls.
ScriptPlace place_after(const Script& script, std::uint64_t polls);

// Read an input script: hex bytes (one or two digits) and HH*N repeats,
// '#' comments. False, with the offending line and token, on a bad one.
bool parse_script(std::string_view text, Script& script, ScriptError& error);

// What is said of a script that cannot be read: "WHERE: line N: bad token
// 'T': reason", where WHERE names the file or says "the link is damaged";
// without "WHERE: " when `where` is empty. Every host words it so.
std::string script_problem(std::string_view where, const ScriptError& error);

// parse_script, with what went wrong worded by script_problem.
bool read_script(std::string_view text, std::string_view where, Script& script, std::string& problem);

// A run given as a link (runs/run_link.h), its "#run=" part or the
// page-relative "/#run=..." a board gives out, or as script text. On
// failure `problem` says "the link is damaged: reason" for a link whose
// form or deflate is bad or whose text is over 16 MiB, "the link is
// damaged: line N: ..." for a bad token in a link's text, and "line N:
// ..." for one in text given as it is.
bool read_run(std::string_view run, Script& script, std::string& problem);

// Read and check the script in the file at `path` ("-" for standard
// input), or the one a link carries when `path` is a link or its "#run="
// part. On failure `problem` says what went wrong, for a program to print
// after its own name: "cannot open PATH", "cannot read PATH", "PATH: line
// N: bad token 'T': reason", or for a link as read_run says.
bool load_script(const char* path, Script& script, std::string& problem);

// The most polls one token holds, and the longest token ("hh*999999999").
constexpr std::uint64_t max_run_count = 999999999;
constexpr std::size_t max_token_length = 12;
// Lines of written scripts are broken before they would pass this width.
constexpr std::size_t script_line_width = 72;

// One run as a token, in lower-case hex: "hh" for a single poll, "hh*N" for
// N of them (N from 2 to max_run_count). Writes at most max_token_length
// characters to `out` and returns how many.
std::size_t format_run(char* out, InputBits value, std::uint64_t count);

// Writes polls as script text while they come: equal values in a row make
// one run, written as one token when a different value ends it (or when
// end_run is called, or it holds max_run_count polls), tokens separated by
// spaces and lines broken before they would pass script_line_width.
class ScriptWriter {
public:
    // Count one poll; the text of a run it ends goes onto `out`.
    void add(InputBits value, std::string& out) { add(value, 1, out); }
    // Count `count` polls of one value (none for 0).
    void add(InputBits value, std::uint64_t count, std::string& out);
    // Write the run in progress now; polls after it start a new run.
    void end_run(std::string& out);
    // Write the run in progress and end the line: the script is complete.
    void finish(std::string& out);

private:
    void token(InputBits value, std::uint64_t count, std::string& out);

    InputBits value_ = 0;
    std::uint64_t count_ = 0;
    std::size_t column_ = 0;
};

// The script in the plain form parse_script reads back to the same polls:
// a token per run, `hh` for one poll and `hh*N` for more, in lower-case hex,
// separated by spaces, with a line break before a line would pass 72
// characters and after the last token (as ScriptWriter writes it). Runs of
// one value next to each other are joined into one, runs of count 0 are
// dropped, and a count above 999999999 (the most one token holds) is split
// over several tokens. Only the five key bits of a value are written
// (scripts cannot hold the others). An empty script gives an empty text.
std::string format_script(const Script& script);

}  // namespace murlo::runs
