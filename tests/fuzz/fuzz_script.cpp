// Fuzz target: the replay tool's script reader, and its writer.
//
// Any bytes either read as a script of key values 0..0x1f with counts
// 1..999999999, or give an error that names a line of the text holding the
// offending token. A script that was read, written back in plain form, reads
// back to the same polls, and writing that again gives the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/replay/replay.h"

namespace {

using murlo::runs::Script;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_script: %s\n", what);
    std::abort();
}

// Adjacent runs of one value joined: the polls a script stands for.
Script joined(const Script& script) {
    Script out;
    for (const auto& run : script) {
        if (!out.empty() && out.back().value == run.value)
            out.back().count += run.count;
        else
            out.push_back(run);
    }
    return out;
}

bool same_polls(const Script& a, const Script& b) {
    const Script x = joined(a);
    const Script y = joined(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i].value != y[i].value || x[i].count != y[i].count) return false;
    return true;
}

// Line `number` (from 1) of the text, without its line break; false past the end.
bool line_of(std::string_view text, int number, std::string_view& line) {
    std::size_t start = 0;
    for (int n = 1; start < text.size(); ++n) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (n == number) {
            line = text.substr(start, end - start);
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Script script;
    murlo::runs::ScriptError error;
    if (!murlo::runs::parse_script(text, script, error)) {
        std::string_view line;
        if (error.line < 1 || !line_of(text, error.line, line))
            fail("an error names no line of the text");
        if (error.token.empty() || error.message.empty()) fail("an error without token or reason");
        const std::string_view code = line.substr(0, line.find('#'));
        if (code.find(error.token) == std::string_view::npos)
            fail("the token of an error is not on the line named");
        return 0;
    }
    for (const auto& run : script)
        if (run.value > 0x1F || run.count < 1 || run.count > 999999999)
            fail("a value or count out of range was read");

    const std::string written = murlo::runs::format_script(script);
    Script again;
    if (!murlo::runs::parse_script(written, again, error)) fail("a written script does not read");
    if (!same_polls(script, again)) fail("a written script reads back to other polls");
    if (murlo::runs::format_script(again) != written) fail("writing a script again changes it");
    return 0;
}
