#include "desktop/best.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "files/files.h"
#include "desktop/notices.h"

namespace murlo::desktop {

using files::open_file;
using files::write_whole_file;

namespace {

constexpr std::int32_t deepest = 1000;  // no game goes deeper

enum class Read { missing, ok, unreadable, damaged };

// The file's depth, or why there is none.
Read read_file(const std::filesystem::path& path, std::int32_t& depth) {
    depth = 0;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return error ? Read::unreadable : Read::missing;
    std::FILE* file = open_file(path, false);
    if (file == nullptr) return Read::unreadable;
    char text[16];
    const std::size_t size = std::fread(text, 1, sizeof text, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return Read::unreadable;
    // Digits, then nothing or one line break.
    std::size_t i = 0;
    std::int32_t value = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > deepest) return Read::damaged;
    }
    if (i == 0) return Read::damaged;
    if (i < size && text[i] == '\n') ++i;
    if (i != size) return Read::damaged;
    depth = value;
    return Read::ok;
}

}  // namespace

std::int32_t read_best(const std::filesystem::path& path) {
    std::int32_t depth = 0;
    switch (read_file(path, depth)) {
        case Read::missing:
        case Read::ok: return depth;
        case Read::unreadable:
            say(stderr, "%s cannot be read: the best depth starts again from 0", path.string().c_str());
            return 0;
        case Read::damaged:
            say(stderr, "%s holds no depth: the best depth starts again from 0", path.string().c_str());
            return 0;
    }
    return 0;
}

std::int32_t write_best(const std::filesystem::path& path, std::int32_t depth, bool& said) {
    std::int32_t kept = 0;
    read_file(path, kept);  // anything unreadable is replaced
    if (kept >= depth) return kept;
    std::string why;
    if (write_whole_file(path, std::to_string(depth) + "\n", why)) return depth;
    // Said once a run, however many games end after it.
    if (!said)
        say(stderr, "%s cannot be written (%s): the best depth is not kept", path.string().c_str(),
            why.c_str());
    said = true;
    return -1;
}

}  // namespace murlo::desktop
