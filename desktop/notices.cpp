#include "desktop/notices.h"

#include <cstdarg>
#include <cstdint>

namespace murlo::desktop {

namespace {

// FNV-1a: the names are the game's few file names, so a 64-bit hash of each
// stands in for the text without copying it.
std::uint64_t hash(const char* text) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (; *text != '\0'; ++text) h = (h ^ static_cast<unsigned char>(*text)) * 0x100000001b3u;
    return h;
}

}  // namespace

bool first_time(Notices& notices, const char* name) {
    const std::uint64_t h = hash(name);
    for (int i = 0; i < notices.count; ++i)
        if (notices.seen[i] == h) return false;
    if (notices.count == Notices::capacity) return false;
    notices.seen[notices.count++] = h;
    return true;
}

void say(std::FILE* out, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("murlo: ", out);
    std::vfprintf(out, format, args);
    std::fputc('\n', out);
    std::fflush(out);
    va_end(args);
}

}  // namespace murlo::desktop
