// A session's slots (session/session.h) kept as files: the desktop games'
// in the player's state folder, the libretro core's in the frontend's save
// folder. Each slot is a file of its own, read whole and written whole (a
// temporary file handed to the disk, then renamed over the old one); a lock
// file beside the kept game says which program keeps the player's games,
// and the system lets it go when that program ends, however it ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "session/session.h"

namespace murlo::files {

constexpr int slot_count = 5;

struct FileStore {
    // Each slot's file, by Slot; an empty path keeps that slot nowhere.
    std::filesystem::path paths[slot_count];
#ifdef _WIN32
    void* lock = nullptr;  // the lock file's handle
#else
    int lock = -1;  // the lock file's descriptor
#endif
    bool locked = false;
    // The lines the session had to say, each naming the file, for the
    // program to print as it prints its other notices (taken by the host).
    std::string said;

    Stored read(Slot slot);
    bool write(Slot slot, std::string_view bytes, std::string& why);
    void remove(Slot slot);
    void say(Notice notice, std::string_view detail);
};

// The slots in `folder`: "best" (or `best_name`) with "best.run" beside it,
// and "suspend" with its ".bad", ".watched" and ".lock" beside it. An
// empty folder keeps nothing.
FileStore store_in(const std::filesystem::path& folder, const char* best_name = "best");

// The lock beside the kept game taken: false when another program holds it
// (or there is no folder), and this one then keeps no game.
bool take_lock(FileStore& store);
// The lock let go (the files stay for the next start).
void let_go(FileStore& store);

}  // namespace murlo::files
