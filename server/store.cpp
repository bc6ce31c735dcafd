#include "server/store.h"

#include <ctime>

#include "server/store_common.h"

namespace murlo::server {

namespace {

// The call made on whichever storage the store holds.
template <typename Call>
bool on_store(Store& store, std::string& error, Call&& call) {
    if (std::holds_alternative<std::monostate>(store.kind)) return error = "no database is open", false;
    return std::visit(
        [&](auto& kind) {
            if constexpr (std::is_same_v<std::decay_t<decltype(kind)>, std::monostate>)
                return false;
            else
                return call(kind);
        },
        store.kind);
}

}  // namespace

std::string utc_now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

bool is_postgres(const std::string& db) { return db.starts_with("postgresql://") || db.starts_with("postgres://"); }

bool open_store(Store& store, const std::string& db, int connections, std::string& error) {
    if (is_postgres(db)) return open_pg(store.kind.emplace<PgStore>(), db, connections, error);
    return open_sqlite(store.kind.emplace<SqliteStore>(), db, error);
}

bool add_entry(Store& store, const NewEntry& entry, Added& added, std::string& error) {
    return on_store(store, error, [&](auto& kind) { return add_entry(kind, entry, added, error); });
}

bool board_entries(Store& store, int limit, int offset, std::vector<Entry>& entries, std::string& error) {
    return on_store(store, error, [&](auto& kind) { return board_entries(kind, limit, offset, entries, error); });
}

bool find_entry(Store& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank, std::string& error) {
    return on_store(store, error, [&](auto& kind) { return find_entry(kind, id, found, entry, rank, error); });
}

bool remove_entry(Store& store, std::int64_t id, bool& removed, std::string& error) {
    return on_store(store, error, [&](auto& kind) { return remove_entry(kind, id, removed, error); });
}

bool entries_of_other_versions(Store& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error) {
    return on_store(store, error, [&](auto& kind) { return entries_of_other_versions(kind, version, entries, error); });
}

bool set_entry_version(Store& store, std::int64_t id, const std::string& version, std::string& error) {
    return on_store(store, error, [&](auto& kind) { return set_entry_version(kind, id, version, error); });
}

std::uint64_t store_changes(Store& store) {
    if (auto* s = std::get_if<SqliteStore>(&store.kind)) return store_changes(*s);
    if (auto* p = std::get_if<PgStore>(&store.kind)) return store_changes(*p);
    return 0;
}

}  // namespace murlo::server
