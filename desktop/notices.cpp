#include "desktop/notices.h"

#include <cstdarg>
#include <cstdint>

namespace murlo::desktop {

namespace {

constexpr int name_capacity = 32;
std::uint64_t names_seen[name_capacity];
int seen_count = 0;

// FNV-1a: the names are the game's few file names, so a 64-bit hash of each
// stands in for the text without copying it.
std::uint64_t hash(const char* text) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (; *text != '\0'; ++text) h = (h ^ static_cast<unsigned char>(*text)) * 0x100000001b3u;
    return h;
}

}  // namespace

bool first_time(const char* name) {
    const std::uint64_t h = hash(name);
    for (int i = 0; i < seen_count; ++i)
        if (names_seen[i] == h) return false;
    if (seen_count == name_capacity) return false;
    names_seen[seen_count++] = h;
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
