// The board in PostgreSQL, which several servers share: a pool of
// connections for the requests, and one that listens for the changes any
// of them makes, so each server's cached board is dropped when the board
// changes. Every change notifies in the statement that makes it.
#include <libpq-fe.h>
#include <poll.h>

#include <chrono>
#include <memory>

#include "server/store.h"
#include "server/store_common.h"

namespace murlo::server {

namespace {

constexpr const char* migrations[] = {
    "CREATE TABLE entries ("
    " id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " depth INTEGER NOT NULL,"
    " frames BIGINT NOT NULL,"
    " games INTEGER NOT NULL,"
    " scoring TEXT NOT NULL,"
    " run TEXT NOT NULL,"
    " created TEXT NOT NULL,"
    " version TEXT NOT NULL);"
    "CREATE UNIQUE INDEX entries_scoring ON entries (scoring);"
    "CREATE INDEX entries_order ON entries (depth DESC, frames, id);",
};
static_assert(std::size(migrations) == schema_version);

// The advisory lock's key that serialises schema upgrades ("murlo" in ASCII).
constexpr const char* upgrade_lock = "SELECT pg_advisory_xact_lock(474413574767)";

struct Result {
    PGresult* r;
    explicit Result(PGresult* result) : r(result) {}
    ~Result() { PQclear(r); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    bool ok() const {
        const ExecStatusType s = PQresultStatus(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int rows() const { return PQntuples(r); }
    std::string text(int row, int column) const { return PQgetvalue(r, row, column); }
    std::int64_t integer(int row, int column) const { return std::stoll(PQgetvalue(r, row, column)); }
};

// A connection from the pool, given back when done with.
class Connection {
public:
    explicit Connection(PgStore& store) : store_(store) {
        std::unique_lock lock(store.pool_mutex);
        store.pool_free.wait(lock, [&] { return !store.idle.empty(); });
        conn_ = store.idle.back();
        store.idle.pop_back();
        lock.unlock();
        if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
    }
    ~Connection() {
        {
            std::lock_guard lock(store_.pool_mutex);
            store_.idle.push_back(conn_);
        }
        store_.pool_free.notify_one();
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Result exec(const char* sql, std::initializer_list<std::string> params = {}) {
        const char* values[8];
        int n = 0;
        for (const std::string& p : params) values[n++] = p.c_str();
        return Result(PQexecParams(conn_, sql, n, nullptr, values, nullptr, nullptr, 0));
    }
    Result simple(const char* sql) { return Result(PQexec(conn_, sql)); }
    std::string error() const { return PQerrorMessage(conn_); }

private:
    PgStore& store_;
    pg_conn* conn_;
};

bool failed(const Result& r, Connection& c, std::string& error) {
    if (r.ok()) return false;
    error = c.error();
    while (!error.empty() && error.back() == '\n') error.pop_back();
    return true;
}

constexpr const char* entry_columns = "id, name, depth, frames, games, created, version, run";

Entry read_entry(const Result& r, int row) {
    return Entry{r.integer(row, 0), r.text(row, 1), static_cast<std::int32_t>(r.integer(row, 2)), r.integer(row, 3),
                 static_cast<std::int32_t>(r.integer(row, 4)), r.text(row, 5), r.text(row, 6), r.text(row, 7)};
}

bool rank_of(Connection& c, const Entry& e, std::int64_t& rank, std::string& error) {
    const Result r = c.exec(
        "SELECT count(*) FROM entries WHERE depth > $1 OR (depth = $1 AND (frames < $2 OR "
        "(frames = $2 AND id < $3)))",
        {std::to_string(e.depth), std::to_string(e.frames), std::to_string(e.id)});
    if (failed(r, c, error)) return false;
    rank = r.integer(0, 0) + 1;
    return true;
}

bool upgrade(PgStore& store, std::string& error) {
    Connection c(store);
    if (failed(c.exec("BEGIN"), c, error)) return false;
    bool ok = !failed(c.exec(upgrade_lock), c, error) &&
              !failed(c.exec("CREATE TABLE IF NOT EXISTS board_schema (version INTEGER NOT NULL)"), c, error);
    std::int64_t version = 0;
    if (ok) {
        const Result r = c.exec("SELECT version FROM board_schema");
        ok = !failed(r, c, error);
        if (ok && r.rows() == 0) ok = !failed(c.exec("INSERT INTO board_schema VALUES (0)"), c, error);
        if (ok && r.rows() > 0) version = r.integer(0, 0);
    }
    if (ok && version > schema_version) {
        error = "the database's schema is version " + std::to_string(version) + ", newer than this server's " +
                std::to_string(schema_version);
        ok = false;
    }
    for (; ok && version < schema_version; ++version) {
        // Several statements in one: the simple query protocol takes them.
        ok = !failed(c.simple(migrations[version]), c, error);
    }
    if (ok) ok = !failed(c.exec("UPDATE board_schema SET version = $1", {std::to_string(schema_version)}), c, error);
    if (!ok) {
        c.exec("ROLLBACK");
        return false;
    }
    return !failed(c.exec("COMMIT"), c, error);
}

// Listens for the board's changes until the store closes; while it has
// no connection, every look counts as a change, so nothing stale is served.
void listen(PgStore& store) {
    pg_conn* conn = nullptr;
    while (!store.stopping) {
        if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
            ++store.changes;
            PQfinish(conn);
            conn = PQconnectdb(store.url.c_str());
            if (PQstatus(conn) == CONNECTION_OK) {
                PQclear(PQexec(conn, "LISTEN murlo_board"));
                ++store.changes;  // changes made while it was away
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                continue;
            }
        }
        pollfd fd{PQsocket(conn), POLLIN, 0};
        if (poll(&fd, 1, 200) > 0) {
            PQconsumeInput(conn);
            while (PGnotify* note = PQnotifies(conn)) {
                ++store.changes;
                PQfreemem(note);
            }
        }
    }
    PQfinish(conn);
}

}  // namespace

PgStore::~PgStore() {
    stopping = true;
    if (listener.joinable()) listener.join();
    for (pg_conn* c : all) PQfinish(c);
}

bool open_pg(PgStore& store, const std::string& url, int connections, std::string& error) {
    store.url = url;
    for (int i = 0; i < connections; ++i) {
        pg_conn* c = PQconnectdb(url.c_str());
        store.all.push_back(c);
        if (PQstatus(c) != CONNECTION_OK) {
            error = PQerrorMessage(c);
            while (!error.empty() && error.back() == '\n') error.pop_back();
            return false;
        }
        store.idle.push_back(c);
    }
    if (!upgrade(store, error)) return false;
    store.listener = std::thread(listen, std::ref(store));
    return true;
}

bool add_entry(PgStore& store, const NewEntry& n, Added& added, std::string& error) {
    Connection c(store);
    {
        const Result r = c.exec(
            "WITH added AS (INSERT INTO entries (name, depth, frames, games, scoring, run, created, version) "
            "VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT (scoring) DO NOTHING RETURNING id, created) "
            "SELECT id, created, pg_notify('murlo_board', '') FROM added",
            {n.name, std::to_string(n.depth), std::to_string(n.frames), std::to_string(n.games), n.scoring, n.run,
             utc_now(), n.version});
        if (failed(r, c, error)) return false;
        added.created = r.rows() > 0;
        if (added.created) {
            added.entry = Entry{r.integer(0, 0), n.name, n.depth, n.frames, n.games, r.text(0, 1), n.version, n.run};
            ++store.changes;
        }
    }
    if (!added.created) {
        const std::string sql = std::string("SELECT ") + entry_columns + " FROM entries WHERE scoring = $1";
        const Result r = c.exec(sql.c_str(), {n.scoring});
        if (failed(r, c, error)) return false;
        if (r.rows() == 0) return error = "the entry holding this run has just been removed", false;
        added.entry = read_entry(r, 0);
    }
    return rank_of(c, added.entry, added.rank, error);
}

bool board_entries(PgStore& store, int limit, int offset, std::vector<Entry>& entries, std::string& error) {
    Connection c(store);
    const std::string sql =
        std::string("SELECT ") + entry_columns + " FROM entries ORDER BY depth DESC, frames, id LIMIT $1 OFFSET $2";
    const Result r = c.exec(sql.c_str(), {std::to_string(limit), std::to_string(offset)});
    if (failed(r, c, error)) return false;
    for (int i = 0; i < r.rows(); ++i) entries.push_back(read_entry(r, i));
    return true;
}

bool find_entry(PgStore& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank, std::string& error) {
    Connection c(store);
    const std::string sql = std::string("SELECT ") + entry_columns + " FROM entries WHERE id = $1";
    const Result r = c.exec(sql.c_str(), {std::to_string(id)});
    if (failed(r, c, error)) return false;
    found = r.rows() > 0;
    if (!found) return true;
    entry = read_entry(r, 0);
    return rank_of(c, entry, rank, error);
}

bool remove_entry(PgStore& store, std::int64_t id, bool& removed, std::string& error) {
    Connection c(store);
    const Result r = c.exec(
        "WITH gone AS (DELETE FROM entries WHERE id = $1 RETURNING id) "
        "SELECT id, pg_notify('murlo_board', '') FROM gone",
        {std::to_string(id)});
    if (failed(r, c, error)) return false;
    removed = r.rows() > 0;
    ++store.changes;
    return true;
}

bool entries_of_other_versions(PgStore& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error) {
    Connection c(store);
    const std::string sql = std::string("SELECT ") + entry_columns + " FROM entries WHERE version <> $1 ORDER BY id";
    const Result r = c.exec(sql.c_str(), {version});
    if (failed(r, c, error)) return false;
    for (int i = 0; i < r.rows(); ++i) entries.push_back(read_entry(r, i));
    return true;
}

bool set_entry_version(PgStore& store, std::int64_t id, const std::string& version, std::string& error) {
    Connection c(store);
    const Result r = c.exec(
        "WITH changed AS (UPDATE entries SET version = $1 WHERE id = $2 RETURNING id) "
        "SELECT id, pg_notify('murlo_board', '') FROM changed",
        {version, std::to_string(id)});
    if (failed(r, c, error)) return false;
    ++store.changes;
    return true;
}

std::uint64_t store_changes(PgStore& store) { return store.changes.load(); }

}  // namespace murlo::server
