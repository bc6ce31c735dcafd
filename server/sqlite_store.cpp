// The board in an SQLite file: WAL, synchronous=FULL, so a committed
// entry is on disk before the server answers. One connection writes, one
// reads; in WAL a read never waits for a write.
#include <sqlite3.h>

#include <chrono>
#include <ctime>

#include "server/store.h"
#include "server/store_common.h"

namespace murlo::server {

namespace {

// The schema, one step per version: step i upgrades version i to i + 1.
constexpr const char* migrations[] = {
    "CREATE TABLE entries ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name TEXT NOT NULL,"
    " depth INTEGER NOT NULL,"
    " frames INTEGER NOT NULL,"
    " games INTEGER NOT NULL,"
    " scoring TEXT NOT NULL,"
    " run TEXT NOT NULL,"
    " created TEXT NOT NULL,"
    " version TEXT NOT NULL);"
    "CREATE UNIQUE INDEX entries_scoring ON entries (scoring);"
    "CREATE INDEX entries_order ON entries (depth DESC, frames, id);",
};
static_assert(std::size(migrations) == schema_version);

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    void bind(int i, const std::string& text) {
        sqlite3_bind_text(statement_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, std::int64_t value) { sqlite3_bind_int64(statement_, i, value); }
    // SQLITE_ROW or SQLITE_DONE, or an error.
    int step() { return statement_ == nullptr ? SQLITE_ERROR : sqlite3_step(statement_); }
    std::int64_t integer(int column) { return sqlite3_column_int64(statement_, column); }
    std::string text(int column) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return p == nullptr ? std::string{} : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
    }
    std::string error() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

bool exec(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

bool open_connection(const std::string& path, sqlite3*& db, std::string& error) {
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
        return false;
    }
    sqlite3_busy_timeout(db, 10000);
    return exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", error);
}

// Made or upgraded inside one write transaction: a second server starting
// at once waits for it, then finds the schema up to date.
bool upgrade(sqlite3* db, std::string& error) {
    if (!exec(db, "BEGIN IMMEDIATE; CREATE TABLE IF NOT EXISTS board_schema (version INTEGER NOT NULL);",
              error))
        return false;
    std::int64_t version = -1;
    {
        Statement read(db, "SELECT version FROM board_schema");
        if (read.step() == SQLITE_ROW) version = read.integer(0);
    }
    bool ok = true;
    if (version < 0) ok = exec(db, "INSERT INTO board_schema VALUES (0)", error), version = 0;
    if (ok && version > schema_version) {
        error = "the database's schema is version " + std::to_string(version) + ", newer than this server's " +
                std::to_string(schema_version);
        ok = false;
    }
    for (; ok && version < schema_version; ++version) ok = exec(db, migrations[version], error);
    if (ok) {
        Statement write(db, "UPDATE board_schema SET version = ?1");
        write.bind(1, std::int64_t{schema_version});
        ok = write.step() == SQLITE_DONE;
        if (!ok) error = write.error();
    }
    std::string ignored;
    if (!ok) return exec(db, "ROLLBACK", ignored), false;
    return exec(db, "COMMIT", error);
}

constexpr const char* entry_columns = "id, name, depth, frames, games, created, version, run";

Entry read_entry(Statement& s) {
    Entry e;
    e.id = s.integer(0);
    e.name = s.text(1);
    e.depth = static_cast<std::int32_t>(s.integer(2));
    e.frames = s.integer(3);
    e.games = static_cast<std::int32_t>(s.integer(4));
    e.date = s.text(5);
    e.version = s.text(6);
    e.run = s.text(7);
    return e;
}

bool rank_of(sqlite3* db, const Entry& e, std::int64_t& rank, std::string& error) {
    Statement s(db,
                "SELECT count(*) FROM entries WHERE depth > ?1 OR (depth = ?1 AND (frames < ?2 OR "
                "(frames = ?2 AND id < ?3)))");
    s.bind(1, std::int64_t{e.depth});
    s.bind(2, e.frames);
    s.bind(3, e.id);
    if (s.step() != SQLITE_ROW) return error = s.error(), false;
    rank = s.integer(0) + 1;
    return true;
}

bool select_where(sqlite3* db, const char* where, const std::string& key, std::int64_t id, bool& found,
                  Entry& entry, std::string& error) {
    const std::string sql = std::string("SELECT ") + entry_columns + " FROM entries WHERE " + where;
    Statement s(db, sql.c_str());
    if (key.empty())
        s.bind(1, id);
    else
        s.bind(1, key);
    const int status = s.step();
    if (status != SQLITE_ROW && status != SQLITE_DONE) return error = s.error(), false;
    found = status == SQLITE_ROW;
    if (found) entry = read_entry(s);
    return true;
}

}  // namespace

SqliteStore::~SqliteStore() {
    sqlite3_close(reader);
    sqlite3_close(writer);
}

bool open_sqlite(SqliteStore& store, const std::string& path, std::string& error) {
    if (!open_connection(path, store.writer, error) || !upgrade(store.writer, error)) return false;
    return open_connection(path, store.reader, error);
}

bool add_entry(SqliteStore& store, const NewEntry& n, Added& added, std::string& error) {
    std::lock_guard lock(store.write_mutex);
    sqlite3* db = store.writer;
    Statement insert(db,
                     "INSERT INTO entries (name, depth, frames, games, scoring, run, created, version) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT (scoring) DO NOTHING RETURNING id, created");
    insert.bind(1, n.name);
    insert.bind(2, std::int64_t{n.depth});
    insert.bind(3, n.frames);
    insert.bind(4, std::int64_t{n.games});
    insert.bind(5, n.scoring);
    insert.bind(6, n.run);
    insert.bind(7, utc_now());
    insert.bind(8, n.version);
    const int status = insert.step();
    if (status == SQLITE_ROW) {
        added.created = true;
        added.entry = Entry{insert.integer(0), n.name, n.depth, n.frames, n.games, insert.text(1), n.version, n.run};
        // RETURNING's row is given before the statement is done: finish it,
        // which commits (synchronous=FULL: on disk when it returns).
        if (insert.step() != SQLITE_DONE) return error = insert.error(), false;
    } else if (status == SQLITE_DONE) {
        bool found = false;
        if (!select_where(db, "scoring = ?1", n.scoring, 0, found, added.entry, error)) return false;
        if (!found) return error = "the entry holding this run has just been removed", false;
        added.created = false;
    } else {
        return error = insert.error(), false;
    }
    return rank_of(db, added.entry, added.rank, error);
}

bool board_entries(SqliteStore& store, int limit, int offset, std::vector<Entry>& entries, std::string& error) {
    std::lock_guard lock(store.read_mutex);
    const std::string sql = std::string("SELECT ") + entry_columns +
                            " FROM entries ORDER BY depth DESC, frames, id LIMIT ?1 OFFSET ?2";
    Statement s(store.reader, sql.c_str());
    s.bind(1, std::int64_t{limit});
    s.bind(2, std::int64_t{offset});
    int status;
    while ((status = s.step()) == SQLITE_ROW) entries.push_back(read_entry(s));
    if (status != SQLITE_DONE) return error = s.error(), false;
    return true;
}

bool find_entry(SqliteStore& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank,
                std::string& error) {
    std::lock_guard lock(store.read_mutex);
    // One read transaction, so the rank is of the board the entry was read from.
    if (!exec(store.reader, "BEGIN", error)) return false;
    bool ok = select_where(store.reader, "id = ?1", {}, id, found, entry, error) &&
              (!found || rank_of(store.reader, entry, rank, error));
    std::string ignored;
    exec(store.reader, "COMMIT", ignored);
    return ok;
}

bool remove_entry(SqliteStore& store, std::int64_t id, bool& removed, std::string& error) {
    std::lock_guard lock(store.write_mutex);
    Statement s(store.writer, "DELETE FROM entries WHERE id = ?1");
    s.bind(1, id);
    if (s.step() != SQLITE_DONE) return error = s.error(), false;
    removed = sqlite3_changes(store.writer) > 0;
    return true;
}

bool entries_of_other_versions(SqliteStore& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error) {
    std::lock_guard lock(store.read_mutex);
    const std::string sql = std::string("SELECT ") + entry_columns + " FROM entries WHERE version <> ?1 ORDER BY id";
    Statement s(store.reader, sql.c_str());
    s.bind(1, version);
    int status;
    while ((status = s.step()) == SQLITE_ROW) entries.push_back(read_entry(s));
    if (status != SQLITE_DONE) return error = s.error(), false;
    return true;
}

bool set_entry_version(SqliteStore& store, std::int64_t id, const std::string& version, std::string& error) {
    std::lock_guard lock(store.write_mutex);
    Statement s(store.writer, "UPDATE entries SET version = ?1 WHERE id = ?2");
    s.bind(1, version);
    s.bind(2, id);
    if (s.step() != SQLITE_DONE) return error = s.error(), false;
    return true;
}

std::uint64_t store_changes(SqliteStore& store) {
    // data_version changes when another connection, our writer or another
    // process's, has committed since this one last looked.
    std::lock_guard lock(store.read_mutex);
    Statement s(store.reader, "PRAGMA data_version");
    return s.step() == SQLITE_ROW ? static_cast<std::uint64_t>(s.integer(0)) : store.writes.fetch_add(1) + (1ull << 62);
}

}  // namespace murlo::server
