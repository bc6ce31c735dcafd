// What the two kinds of storage share, and what each offers store.cpp.
#pragma once

#include <string>

#include "server/store.h"

namespace murlo::server {

// Now, UTC, as "YYYY-MM-DDTHH:MM:SSZ".
std::string utc_now();

bool open_sqlite(SqliteStore& store, const std::string& path, std::string& error);
bool add_entry(SqliteStore& store, const NewEntry& entry, Added& added, std::string& error);
bool board_entries(SqliteStore& store, int limit, int offset, std::vector<Entry>& entries, std::string& error);
bool find_entry(SqliteStore& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank,
                std::string& error);
bool remove_entry(SqliteStore& store, std::int64_t id, bool& removed, std::string& error);
bool entries_of_other_versions(SqliteStore& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error);
bool set_entry_version(SqliteStore& store, std::int64_t id, const std::string& version, std::string& error);
std::uint64_t store_changes(SqliteStore& store);

bool open_pg(PgStore& store, const std::string& url, int connections, std::string& error);
bool add_entry(PgStore& store, const NewEntry& entry, Added& added, std::string& error);
bool board_entries(PgStore& store, int limit, int offset, std::vector<Entry>& entries, std::string& error);
bool find_entry(PgStore& store, std::int64_t id, bool& found, Entry& entry, std::int64_t& rank,
                std::string& error);
bool remove_entry(PgStore& store, std::int64_t id, bool& removed, std::string& error);
bool entries_of_other_versions(PgStore& store, const std::string& version, std::vector<Entry>& entries,
                               std::string& error);
bool set_entry_version(PgStore& store, std::int64_t id, const std::string& version, std::string& error);
std::uint64_t store_changes(PgStore& store);

}  // namespace murlo::server
