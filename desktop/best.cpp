#include "desktop/best.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "desktop/notices.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace murlo::desktop {

namespace {

constexpr std::int32_t deepest = 1000;  // no game goes deeper

enum class Read { missing, ok, unreadable, damaged };

// The file at `path` opened for reading or writing. On Windows by its wide
// name: a user's folder may be named in any script, and a narrow name would
// reach only the characters of the system's code page.
std::FILE* open_file(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

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

int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

// Writes the number and hands it to the disk before the file is closed.
bool write_number(const std::filesystem::path& path, std::int32_t depth) {
    std::FILE* file = open_file(path, true);
    if (file == nullptr) return false;
    bool ok = std::fprintf(file, "%d\n", static_cast<int>(depth)) > 0 && std::fflush(file) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(file)) == 0;
#else
    ok = ok && fsync(fileno(file)) == 0;
#endif
    return std::fclose(file) == 0 && ok;
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

std::int32_t write_best(const std::filesystem::path& path, std::int32_t depth) {
    std::int32_t kept = 0;
    read_file(path, kept);  // anything unreadable is replaced
    if (kept >= depth) return kept;
    std::filesystem::path temporary = path;
    temporary += ".new-" + std::to_string(process_id());
    std::string why;
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        why = error.message();
    } else if (!write_number(temporary, depth)) {
        why = std::strerror(errno);
    } else {
        std::filesystem::rename(temporary, path, error);
        if (!error) return depth;
        why = error.message();
    }
    std::filesystem::remove(temporary, error);
    // Said once a run, however many games end after it.
    if (first_time(path.string().c_str()))
        say(stderr, "%s cannot be written (%s): the best depth is not kept", path.string().c_str(),
            why.c_str());
    return -1;
}

}  // namespace murlo::desktop
