#include "files/files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace murlo::files {

namespace {

int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

}  // namespace

std::FILE* open_file(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

bool write_whole_file(const std::filesystem::path& path, std::string_view bytes, std::string& why) {
    std::filesystem::path temporary = path;
    temporary += ".new-" + std::to_string(process_id());
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        why = error.message();
        return false;
    }
    std::FILE* file = open_file(temporary, true);
    bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
              std::fflush(file) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(file)) == 0;
#else
    ok = ok && fsync(fileno(file)) == 0;
#endif
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) {
        why = std::strerror(errno);
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (!error) return true;
    why = error.message();
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace murlo::files
