// A game kept when a desktop game closes in the middle of it (the window
// closed, Escape, a signal, the session ending, the window minimised), and
// every level and at least every 10 s while it runs, so that a crash or a
// power cut loses at most 10 s of play. The next start goes on with it,
// paused. One file, `suspend` in the game's state folder, holding the
// runner's snapshot (runner/snapshot.h); a lock file beside it, so that of
// two games running at once only the first goes on with it.
//
// Only the player's own games are kept (those that count for the best
// depth), and a game that ends removes the file. A file that cannot be
// used is named in one line on stderr and kept beside as `suspend.bad` for
// a bug report; a game kept by another version is not called damaged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/files.h"
#include "runner/runner.h"

namespace murlo::desktop {

constexpr std::uint64_t checkpoint_us = 10000000;  // the most play a crash may lose

struct KeptGame {
    std::filesystem::path path;  // the snapshot's file; empty: nothing is kept
    bool holding = false;        // this program holds the lock and keeps the game
#ifdef _WIN32
    void* lock = nullptr;        // the lock file's handle
#else
    int lock = -1;               // the lock file's descriptor
#endif
    std::uint64_t since_kept_us = 0;  // play since the game was last kept
    bool written = false;             // a snapshot of this run's is on disk
    bool said = false;                // a failed write was named
};

// At start-up, before the first run: take the lock beside `path` and go on
// with the game kept there, if any, paused. Another program holding the
// lock, no file, or a file that cannot be used all leave `r` on the title.
void resume_kept(KeptGame& kept, const std::filesystem::path& path, Runner& r);

// After each run: the game kept at each level and every checkpoint_us of
// play, removed when it ends.
void keep_as_it_goes(KeptGame& kept, const Runner& r, const Report& report, std::uint64_t elapsed_us);

// The program closes, or is minimised or sent away: the game in the
// middle, if it is the player's, is kept now (paused when it comes back).
void keep_now(KeptGame& kept, const Runner& r);

// The lock let go (the file stays for the next start).
void let_go(KeptGame& kept);

}  // namespace murlo::desktop
