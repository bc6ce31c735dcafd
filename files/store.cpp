#include "files/store.h"

#include <cstdio>
#include <system_error>

#include "files/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace murlo::files {

namespace {

// A kept game is a few kilobytes and a best depth a few bytes: a file far
// larger is neither, and is not read whole.
constexpr std::size_t most_bytes = std::size_t{16} << 20;

const std::filesystem::path& path_of(const FileStore& store, Slot slot) {
    return store.paths[static_cast<int>(slot)];
}

std::filesystem::path beside(const std::filesystem::path& path, const char* ending) {
    std::filesystem::path p = path;
    p += ending;
    return p;
}

}  // namespace

FileStore store_in(const std::filesystem::path& folder, const char* best_name) {
    FileStore store;
    if (folder.empty()) return store;
    const std::filesystem::path kept = folder / "suspend";
    store.paths[static_cast<int>(Slot::Best)] = folder / best_name;
    store.paths[static_cast<int>(Slot::Kept)] = kept;
    store.paths[static_cast<int>(Slot::KeptBad)] = beside(kept, ".bad");
    store.paths[static_cast<int>(Slot::Watched)] = beside(kept, ".watched");
    store.paths[static_cast<int>(Slot::BestRun)] = folder / "best.run";
    return store;
}

Stored FileStore::read(Slot slot) {
    Stored found;
    const std::filesystem::path& path = path_of(*this, slot);
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        if (error) found.kind = Stored::Kind::Unreadable;
        return found;
    }
    std::FILE* file = open_file(path, false);
    if (file == nullptr) {
        found.kind = Stored::Kind::Unreadable;
        return found;
    }
    char buffer[1 << 14];
    std::size_t n;
    while (found.bytes.size() < most_bytes && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        found.bytes.append(buffer, n);
    found.kind = std::ferror(file) != 0 ? Stored::Kind::Unreadable : Stored::Kind::Bytes;
    std::fclose(file);
    return found;
}

bool FileStore::write(Slot slot, std::string_view bytes, std::string& why) {
    const std::filesystem::path& path = path_of(*this, slot);
    if (path.empty()) {
        why = "no folder to keep it in";
        return false;
    }
    return write_whole_file(path, bytes, why);
}

void FileStore::remove(Slot slot) {
    const std::filesystem::path& path = path_of(*this, slot);
    std::error_code error;
    if (!path.empty()) std::filesystem::remove(path, error);
}

void FileStore::say(Notice notice, std::string_view detail) {
    const std::string best = path_of(*this, Slot::Best).string();
    const std::string kept = path_of(*this, Slot::Kept).string();
    const std::string bad = path_of(*this, Slot::KeptBad).string();
    const std::string why(detail);
    std::string line;
    switch (notice) {
        case Notice::BestUnreadable: line = best + " cannot be read: the best depth starts again from 0"; break;
        case Notice::BestDamaged: line = best + " holds no depth: the best depth starts again from 0"; break;
        case Notice::BestNotWritten: line = best + " cannot be written (" + why + "): the best depth is not kept"; break;
        case Notice::KeptUnreadable: line = kept + " cannot be read: starting on the title"; break;
        case Notice::KeptDamaged:
            line = kept + " is damaged (" + why + "): starting on the title (moved to " + bad + ")";
            break;
        case Notice::KeptOtherVersion:
            line = kept + " holds a game kept by another version of Murlo, which this one cannot continue (moved to " +
                   bad + ")";
            break;
        case Notice::KeptNotWritten:
            line = kept + " cannot be written (" + why + "): the game in play is not kept";
            break;
        case Notice::BestRunDamaged:
            line = path_of(*this, Slot::BestRun).string() + " is not the run of the best depth (" + why +
                   "): racing your best is not offered";
            break;
        case Notice::KeptElsewhere:  // another program goes on with it: nothing to say
        case Notice::NotKeeping: return;
    }
    said += line;
    said += '\n';
}

bool take_lock(FileStore& store) {
    const std::filesystem::path& kept = path_of(store, Slot::Kept);
    if (store.locked) return true;
    if (kept.empty()) return false;
    const std::filesystem::path lock = beside(kept, ".lock");
    std::error_code error;
    std::filesystem::create_directories(lock.parent_path(), error);
#ifdef _WIN32
    // Opened with no sharing: a second program cannot open it while the
    // first holds it, and Windows closes it when the first ends, however.
    HANDLE handle = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    store.lock = handle;
#else
    // flock: let go by the system when the program ends, killed or not.
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    store.lock = fd;
#endif
    store.locked = true;
    return true;
}

void let_go(FileStore& store) {
    if (!store.locked) return;
#ifdef _WIN32
    CloseHandle(static_cast<HANDLE>(store.lock));
    store.lock = nullptr;
#else
    ::close(store.lock);
    store.lock = -1;
#endif
    store.locked = false;
}

}  // namespace murlo::files
