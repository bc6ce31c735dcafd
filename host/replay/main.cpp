// murlo-replay: runs the game headless on an input script, prints the trace
// of every host call, and can save the presented frames as pictures. The
// build for node (emscripten) has no picture capture (MURLO_CAPTURE unset):
// there --png and --gif are refused (--palette, which only colours them, is
// checked and has nothing to colour).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/replay/capture.h"
#include "host/replay/replay.h"
#include "murlo/version.h"

namespace {

const char usage_line[] =
    "usage: murlo-replay [--png DIR] [--gif FILE] [--palette NAME] [--ghost RUN] [SCRIPT|-]\n"
    "       murlo-replay --help | --version\n";

int usage(const char* problem, const char* what) {
    std::fprintf(stderr, "murlo-replay: %s%s\n", problem, what);
    std::fputs(usage_line, stderr);
    return 2;
}

void help() {
    std::fputs(usage_line, stdout);
    std::fputs("Runs the game on the input script (stdin for - or none) and\n"
               "prints one line per host call.\n"
               "  --png DIR   also write every presented frame as DIR/frame-000000.png,\n"
               "              frame-000001.png, ... (256 x 256, the display at 8x)\n"
               "  --gif FILE  also write the presented frames as one animated GIF,\n"
               "              each shown for the waits that follow it\n"
               "  --palette NAME\n"
               "              the pictures' colours: handheld (the handheld's own,\n"
               "              the default) or high-contrast (near black on a pale glass)\n"
               "  --ghost RUN race RUN's deepest game beside the script's first game, drawn\n"
               "              into the pictures (a script file or a link); the trace is\n"
               "              the same as without it\n"
               "  --help      print this and exit\n"
               "  --version   print the version and exit\n",
               stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    const char* png_dir = nullptr;
    const char* gif_path = nullptr;
    const char* palette_name = nullptr;
    const char* ghost_path = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!options_done && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
                help();
                return 0;
            }
            if (std::strcmp(arg, "--version") == 0) {
                std::printf("murlo-replay %s\n%s", murlo::version, murlo::licence_note);
                return 0;
            }
            if (std::strcmp(arg, "--") == 0) {
                options_done = true;
                continue;
            }
            const char** value = nullptr;
            if (std::strcmp(arg, "--png") == 0) value = &png_dir;
            if (std::strcmp(arg, "--gif") == 0) value = &gif_path;
            if (std::strcmp(arg, "--palette") == 0) value = &palette_name;
            if (std::strcmp(arg, "--ghost") == 0) value = &ghost_path;
            if (value == nullptr) return usage("unknown option ", arg);
#ifndef MURLO_CAPTURE
            if (value != &palette_name && value != &ghost_path)
                return usage("pictures are not available in this build: ", arg);
#endif
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return usage("missing value for ", arg);
            *value = argv[++i];
            continue;
        }
        if (path != nullptr) return usage("more than one script: ", arg);
        path = arg;
    }
    if (path == nullptr) path = "-";
    murlo::handheld::PaletteId palette = murlo::handheld::PaletteId::Handheld;
    if (palette_name != nullptr && !murlo::handheld::palette_from_name(palette_name, palette))
        return usage("unknown palette (handheld or high-contrast): ", palette_name);

    murlo::runs::Script script;
    std::string problem;
    if (!murlo::runs::load_script(path, script, problem)) {
        std::fprintf(stderr, "murlo-replay: %s\n", problem.c_str());
        return 2;
    }

    // A ghost that cannot race is named, and the run plays without it.
    murlo::GhostRace race;
    bool racing = false;
    if (ghost_path != nullptr) {
        if (!murlo::runs::load_script(ghost_path, race.run, problem)) {
            std::fprintf(stderr, "murlo-replay: %s\n", problem.c_str());
            return 2;
        }
        racing = murlo::read_ghost(race.run, -1, race.ghost, problem);
        if (!racing) std::fprintf(stderr, "murlo-replay: no ghost races: %s\n", problem.c_str());
    }

    // Open the picture outputs before the run, so an unwritable place is
    // reported at once rather than after the whole replay.
    murlo::replay::Capture capture;
    capture.palette = palette;
    const bool capturing = png_dir != nullptr || gif_path != nullptr;
#ifdef MURLO_CAPTURE
    if ((png_dir != nullptr && !murlo::replay::start_png(capture, png_dir)) ||
        (gif_path != nullptr && !murlo::replay::start_gif(capture, gif_path))) {
        murlo::replay::finish_capture(capture);
        std::fprintf(stderr, "murlo-replay: %s\n", capture.error.c_str());
        return 1;
    }
#endif

    static char out_buffer[1 << 16];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    {
        murlo::replay::Trace trace(stdout);
        murlo::replay::run(script, trace, capturing ? &capture : nullptr, racing ? &race : nullptr);
    }
#ifdef MURLO_CAPTURE
    const bool pictures_ok = !capturing || murlo::replay::finish_capture(capture);
#else
    const bool pictures_ok = true;
#endif
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("murlo-replay: cannot write the trace\n", stderr);
        return 1;
    }
    if (!pictures_ok) {
        std::fprintf(stderr, "murlo-replay: %s\n", capture.error.c_str());
        return 1;
    }
    return 0;
}
