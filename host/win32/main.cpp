// The Windows program: its command line read (settings for this run), the
// host made, the game started in its window and run turn by turn until
// the quit message, then closed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "host/win32/win32_host.h"

namespace {

const char usage[] = "usage: murlo.exe %s\n       murlo.exe --help\n";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace murlo;
    // The settings given on the command line, for this run.
    desktop::SettingOptions options;
    std::string problem;
    for (int i = 1; i < __argc; ++i) {
        if (std::strcmp(__argv[i], "--help") == 0) {
            std::printf(usage, desktop::setting_usage);
            std::fputs(desktop::setting_help, stdout);
            return 0;
        }
        if (!desktop::parse_setting_option(__argc, __argv, i, options, problem))
            problem = std::string("unknown option ") + __argv[i];
        if (!problem.empty()) {
            std::fprintf(stderr, "murlo: %s\n", problem.c_str());
            std::fprintf(stderr, usage, desktop::setting_usage);
            return 2;
        }
    }
    // The runner holds an advance's calls, up to a few hundred frames: the
    // host is made once, off the stack.
    const std::unique_ptr<Host> host(new (std::nothrow) Host{});
    if (host == nullptr) return failed_start();
    host->instance = instance;
    if (!start_host(*host, {}, options)) return failed_start();
    while (host_turn(*host)) {
    }
    close_host(*host);
    return 0;
}
