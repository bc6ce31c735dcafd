// Where the board's entries live: an SQLite file by default (one file,
// WAL, every commit on disk before it is answered), or a PostgreSQL
// database that several servers share. One interface, two kinds of
// storage, chosen when the server starts: Store holds either.
//
// The schema is made and upgraded by the program, with its version kept
// in the database; servers starting at once upgrade it once (SQLite's
// write lock, PostgreSQL's advisory lock). Every statement is
// parameterised.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

struct sqlite3;
struct pg_conn;

namespace murlo::server {

struct Entry {
    std::int64_t id = 0;
    std::string name;
    std::int32_t depth = 0;
    std::int64_t frames = 0;
    std::int32_t games = 0;
    std::string date;     // when it was stored, UTC, "YYYY-MM-DDTHH:MM:SSZ"
    std::string version;  // the game's version that verified it
    std::string run;      // the whole run as a link's payload, "1.<base64url>"
};

// A verified run to store; `scoring` is the SHA-256 (hex) of its scoring
// part's canonical text, which no two entries share.
struct NewEntry {
    std::string name;
    std::int32_t depth = 0;
    std::int64_t frames = 0;
    std::int32_t games = 0;
    std::string scoring;
    std::string run;
    std::string version;
};

struct Added {
    bool created = false;  // a new entry; else the one already holding this scoring part
    Entry entry;
    std::int64_t rank = 0;  // 1 for the top of the board
};

struct SqliteStore {
    sqlite3* writer = nullptr;  // inserts and removals, one at a time
    std::mutex write_mutex;
    sqlite3* reader = nullptr;  // the board and single entries, never blocked by a write (WAL)
    std::mutex read_mutex;
    std::atomic<std::uint64_t> writes{0};
    SqliteStore() = default;
    SqliteStore(const SqliteStore&) = delete;
    ~SqliteStore();
};

struct PgStore {
    std::string url;
    std::mutex pool_mutex;
    std::condition_variable pool_free;
    std::vector<pg_conn*> idle;  // connections not in use
    std::vector<pg_conn*> all;
    // Every change by any server on the database is notified: the board's
    // cache is good while this stays the same.
    std::atomic<std::uint64_t> changes{0};
    std::atomic<bool> stopping{false};
    std::thread listener;
    PgStore() = default;
    PgStore(const PgStore&) = delete;
    ~PgStore();
};

struct Store {
    std::variant<std::monostate, SqliteStore, PgStore> kind;
};

// The schema's version this program writes.
constexpr int schema_version = 1;

// Whether `db` names a PostgreSQL database rather than an SQLite file.
bool is_postgres(const std::string& db);

// Opens the database (made, or upgraded to schema_version, as needed):
// false with the reason otherwise. `connections` sizes PostgreSQL's pool.
bool open_store(Store& store, const std::string& db, int connections, std::string& error);

// Stores a verified run, unless an entry holds its scoring part already.
bool add_entry(Store& store, const NewEntry& entry, Added& added, std::string& error);

// The board, deepest first, then fewer frames, then the earlier entry.
bool board_entries(Store& store, int limit, int offset, std::vector<Entry>& entries, std::string& error);

// One entry and its rank; `found` false when there is none of that id.
bool find_entry(Store& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank,
                std::string& error);

// Removes an entry; `removed` false when there was none of that id.
bool remove_entry(Store& store, std::int64_t id, bool& removed, std::string& error);

// Entries that a version other than `version` verified last, to replay.
bool entries_of_other_versions(Store& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error);
// The entry replays under this version as it was stored: mark it so.
bool set_entry_version(Store& store, std::int64_t id, const std::string& version, std::string& error);

// A number that changes whenever the board may have changed, by this
// server or another one on the same database.
std::uint64_t store_changes(Store& store);

}  // namespace murlo::server
