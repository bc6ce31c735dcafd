#include "desktop/kept_game.h"

#include <cstdio>
#include <system_error>

#include "files/files.h"
#include "desktop/notices.h"
#include "runner/snapshot.h"

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

namespace murlo::desktop {

using files::open_file;
using files::write_whole_file;

namespace {

bool take_lock(KeptGame& kept) {
    std::filesystem::path lock = kept.path;
    lock += ".lock";
    std::error_code error;
    if (lock.has_parent_path()) std::filesystem::create_directories(lock.parent_path(), error);
#ifdef _WIN32
    // Opened with no sharing: a second game cannot open it while the
    // first holds it, and Windows closes it when the first ends, however.
    HANDLE handle = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    kept.lock = handle;
#else
    // flock: let go by the system when the program ends, killed or not.
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    kept.lock = fd;
#endif
    return true;
}

bool read_file(const std::filesystem::path& path, std::string& bytes) {
    std::FILE* file = open_file(path, false);
    if (file == nullptr) return false;
    char buffer[1 << 14];
    std::size_t n;
    // A kept game is a few kilobytes; a file far larger is not one.
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() < (std::size_t{16} << 20))
        bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Only the player's own games are kept: those that count for the best depth.
bool worth_keeping(const Runner& r) { return in_game(r) && r.state.counts && !watching(r); }

void write_snapshot_file(KeptGame& kept, const Runner& r, bool pause) {
    if (!kept.holding) return;
    std::string bytes;
    if (pause && !paused(r)) {
        // Kept paused, so that it comes back waiting for the player.
        Runner held = r;
        hold(held);
        bytes = write_snapshot(held);
    } else {
        bytes = write_snapshot(r);
    }
    std::string why;
    if (write_whole_file(kept.path, bytes, why)) {
        kept.written = true;
        kept.since_kept_us = 0;
        return;
    }
    if (!kept.said) say(stderr, "%s cannot be written (%s): the game in play is not kept", kept.path.string().c_str(), why.c_str());
    kept.said = true;
}

void remove_file(KeptGame& kept) {
    if (!kept.holding || !kept.written) return;
    std::error_code error;
    std::filesystem::remove(kept.path, error);
    kept.written = false;
}

}  // namespace

void resume_kept(KeptGame& kept, const std::filesystem::path& path, Runner& r) {
    kept.path = path;
    if (path.empty() || !take_lock(kept)) return;  // another game goes on with it
    kept.holding = true;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return;
    std::string bytes;
    const std::string name = path.string();
    if (!read_file(path, bytes)) {
        say(stderr, "%s cannot be read: starting on the title", name.c_str());
        return;
    }
    StateKind kind = StateKind::Good;
    const char* why = read_snapshot(r, bytes, &kind);
    if (why == nullptr) {
        kept.written = true;  // this game now keeps it, and goes on overwriting it
        hold(r);
        return;
    }
    std::filesystem::path bad = path;
    bad += ".bad";
    std::filesystem::rename(path, bad, error);
    if (kind == StateKind::OtherVersion)
        say(stderr, "%s holds a game kept by another version of Murlo, which this one cannot continue (moved to %s)",
            name.c_str(), bad.string().c_str());
    else
        say(stderr, "%s is damaged (%s): starting on the title (moved to %s)", name.c_str(), why,
            bad.string().c_str());
}

void keep_as_it_goes(KeptGame& kept, const Runner& r, const Report& report, std::uint64_t elapsed_us) {
    if (!kept.holding) return;
    if (report.game_over) {
        remove_file(kept);
        return;
    }
    if (!worth_keeping(r)) return;
    if (!paused(r)) kept.since_kept_us += elapsed_us;
    if (report.level_done || kept.since_kept_us >= checkpoint_us) write_snapshot_file(kept, r, true);
}

void keep_now(KeptGame& kept, const Runner& r) {
    if (worth_keeping(r)) write_snapshot_file(kept, r, true);
}

void let_go(KeptGame& kept) {
    if (!kept.holding) return;
#ifdef _WIN32
    CloseHandle(static_cast<HANDLE>(kept.lock));
    kept.lock = nullptr;
#else
    ::close(kept.lock);
    kept.lock = -1;
#endif
    kept.holding = false;
}

}  // namespace murlo::desktop
