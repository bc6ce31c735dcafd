// murlo-replay: runs the game headless on an input script and prints the
// trace of every host call.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/replay/replay.h"

namespace {

bool read_all(std::FILE* in, std::string& text) {
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    return !std::ferror(in);
}

int usage() {
    std::fputs("usage: murlo-replay [SCRIPT|-]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = "-";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs("usage: murlo-replay [SCRIPT|-]\n"
                       "Runs the game on the input script (stdin for - or none) and\n"
                       "prints one line per host call.\n", stdout);
            return 0;
        }
        if (argv[i][0] == '-' && argv[i][1] != '\0') return usage();
        if (i != argc - 1) return usage();
        path = argv[i];
    }
    std::string text;
    std::FILE* in = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
    if (in == nullptr) {
        std::fprintf(stderr, "murlo-replay: cannot open %s\n", path);
        return 2;
    }
    const bool read_ok = read_all(in, text);
    if (in != stdin) std::fclose(in);
    if (!read_ok) {
        std::fprintf(stderr, "murlo-replay: cannot read %s\n", path);
        return 2;
    }
    murlo::replay::Script script;
    murlo::replay::ScriptError error;
    if (!murlo::replay::parse_script(text, script, error)) {
        std::fprintf(stderr, "murlo-replay: %s: line %d: bad token '%s': %s\n", path, error.line,
                     error.token.c_str(), error.message.c_str());
        return 2;
    }
    static char out_buffer[1 << 16];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    {
        murlo::replay::Trace trace(stdout);
        murlo::replay::run(script, trace);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("murlo-replay: cannot write the trace\n", stderr);
        return 1;
    }
    return 0;
}
