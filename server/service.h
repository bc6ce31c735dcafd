// The board's service, apart from HTTP: each request is a plain function
// from what came in to a status and a body, so the HTTP layer only routes,
// and a fuzz target can drive a submission from body to stored entry.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "server/store.h"

namespace murlo::server {

constexpr std::size_t max_body = 256 * 1024;  // a submission's body, in bytes
constexpr std::size_t max_name = 20;          // a name's characters (code points)
constexpr int max_limit = 100;                // entries one board request lists

struct Answer {
    int status = 200;
    std::string body;
    std::string type = "application/json";
    int retry_after = 0;  // seconds, for 429 and 503
};

struct Service {
    Store store;
    std::string version;  // the game's, which verifies the runs it stores

    // The board's answers, good while the store's changes stay the same.
    std::mutex cache_mutex;
    std::uint64_t cached_changes = 0;
    bool cache_valid = false;
    std::map<std::pair<int, int>, std::string> boards;  // by limit and offset
    std::string page;                                    // the HTML board, when not empty
};

// POST /api/runs: {"name": NAME, "run": RUN}, RUN a run link, its "#run="
// part or a script's text. The run is played; a new entry answers 201,
// one whose scoring part is already on the board 200 with that entry.
Answer submit(Service& service, std::string_view body);

// GET /api/board?limit=N&offset=M (the query's values, empty when absent).
Answer board_json(Service& service, std::string_view limit, std::string_view offset);

// GET /api/runs/ID: the entry, its rank and a link that plays it.
Answer entry_json(Service& service, std::string_view id);

// GET /board: the top 100 as HTML, each with a link that watches it.
Answer board_page(Service& service);

// The style sheet /board.css that the HTML board uses.
std::string_view board_css();

// {"error": MESSAGE} with that status.
Answer error_answer(int status, std::string_view message);

// Why a name cannot go on the board, or empty when it can: 1 to 20
// characters of UTF-8, none of them a control or format character.
std::string name_problem(std::string_view name);

// Replays entries that another version of the game verified: each that
// replays to the same depth and frames is marked with this version; one
// that does not keeps the version that verified it. How many were marked.
int recheck_entries(Service& service, std::string& error);

// Submissions a client may make: `per_minute` a minute, in bursts of as
// many (0: no limit).
struct RateLimit {
    int per_minute = 30;
    struct Bucket {
        double tokens;
        std::chrono::steady_clock::time_point at;
    };
    std::mutex mutex;
    std::unordered_map<std::string, Bucket> clients;
};

// 0 when `client` may submit now (the submission is counted), else the
// seconds until it may.
int take_submission(RateLimit& limit, const std::string& client, std::chrono::steady_clock::time_point now);

}  // namespace murlo::server
