// Scripts from files, standard input, links and text, and what is said
// of one that cannot be read.
#include <cstdio>
#include <cstring>
#include <string>

#include "runs/run_link.h"
#include "runs/script.h"

namespace murlo::runs {

namespace {

bool read_all(std::FILE* in, std::string& text) {
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    return !std::ferror(in);
}

}  // namespace

std::string script_problem(std::string_view where, const ScriptError& error) {
    std::string problem(where);
    if (!problem.empty()) problem += ": ";
    return problem + "line " + std::to_string(error.line) + ": bad token '" + error.token + "': " + error.message;
}

bool read_script(std::string_view text, std::string_view where, Script& script, std::string& problem) {
    ScriptError error;
    if (parse_script(text, script, error)) return true;
    problem = script_problem(where, error);
    return false;
}

namespace {

constexpr std::string_view damaged_link = "the link is damaged";

bool read_link(std::string_view link, Script& script, std::string& problem) {
    std::string text;
    if (!link_text(link, text, problem)) {
        problem = std::string(damaged_link) + ": " + problem;
        return false;
    }
    return read_script(text, damaged_link, script, problem);
}

}  // namespace

bool read_run(std::string_view run, Script& script, std::string& problem) {
    if (is_run_link(run) || run.starts_with("/#run=")) return read_link(run, script, problem);
    return read_script(run, "", script, problem);
}

bool load_script(const char* path, Script& script, std::string& problem) {
    if (is_run_link(path)) return read_link(path, script, problem);
    const bool from_stdin = std::strcmp(path, "-") == 0;
    std::FILE* in = from_stdin ? stdin : std::fopen(path, "rb");
    if (in == nullptr) {
        problem = std::string("cannot open ") + path;
        return false;
    }
    std::string text;
    const bool read_ok = read_all(in, text);
    if (!from_stdin) std::fclose(in);
    if (!read_ok) {
        problem = std::string("cannot read ") + path;
        return false;
    }
    return read_script(text, path, script, problem);
}

}  // namespace murlo::runs
