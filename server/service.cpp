#include "server/service.h"

#include <openssl/evp.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "server/verify.h"
#include "runs/run_link.h"
#include "runs/script.h"

namespace murlo::server {

namespace {

using nlohmann::json;

// JSON as UTF-8; a byte that is not (a bad token quoted back) is replaced.
std::string dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string sha256_hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 15]);
    }
    return out;
}

json entry_value(const Entry& e) {
    return json{{"id", e.id},       {"name", e.name}, {"depth", e.depth},     {"frames", e.frames},
                {"games", e.games}, {"date", e.date}, {"version", e.version}};
}

std::string html_escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

bool parse_number(std::string_view text, std::int64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// The cached answer for `key`, or it made by `make` and cached, while the
// store has not changed.
template <typename Key, typename Make>
Answer cached(Service& s, Key&& key, Make&& make) {
    const std::uint64_t changes = store_changes(s.store);
    {
        std::lock_guard lock(s.cache_mutex);
        if (!s.cache_valid || s.cached_changes != changes) {
            s.boards.clear();
            s.page.clear();
            s.cached_changes = changes;
            s.cache_valid = true;
        }
        if (const std::string* hit = key(s); hit != nullptr && !hit->empty()) return Answer{200, *hit};
    }
    Answer answer = make();
    if (answer.status != 200) return answer;
    std::lock_guard lock(s.cache_mutex);
    if (s.cache_valid && s.cached_changes == changes) {
        if (s.boards.size() >= 256) s.boards.clear();
        key(s, answer.body);
    }
    return answer;
}

}  // namespace

Answer error_answer(int status, std::string_view message) {
    return Answer{status, dump(json{{"error", std::string(message)}})};
}

std::string name_problem(std::string_view name) {
    if (name.empty()) return "the name is empty";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(name.size(), 1 << 20));
    std::size_t characters = 0;
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return "the name is not UTF-8";
        const std::int8_t type = u_charType(c);
        if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR)
            return "the name holds a control or format character";
        ++characters;
    }
    if (characters > max_name) return "the name is longer than 20 characters";
    return {};
}

Answer submit(Service& s, std::string_view body) {
    if (body.size() > max_body) return error_answer(413, "the body is over 256 KiB");
    const json request = json::parse(body, nullptr, false);
    if (request.is_discarded() || !request.is_object()) return error_answer(400, "the body is not a JSON object");
    const auto name = request.find("name");
    const auto run = request.find("run");
    if (name == request.end() || !name->is_string()) return error_answer(400, "the body has no \"name\" string");
    if (run == request.end() || !run->is_string()) return error_answer(400, "the body has no \"run\" string");
    NewEntry entry;
    entry.name = name->get<std::string>();
    if (const std::string problem = name_problem(entry.name); !problem.empty()) return error_answer(400, problem);

    runs::Script script;
    std::string problem;
    if (!runs::read_run(run->get<std::string>(), script, problem)) return error_answer(400, problem);
    const std::uint64_t polls = count_polls(script, max_polls);
    if (polls > max_polls) return error_answer(400, "the run has more than 500000 polls");

    const Verdict verdict = verify(script);
    if (verdict.depth == 0) return error_answer(422, "the run reaches no depth");
    entry.depth = verdict.depth;
    entry.frames = verdict.frames;
    entry.games = verdict.games;
    entry.scoring = sha256_hex(runs::format_script(first_polls(script, verdict.scoring_polls)));
    if (!runs::link_payload_of(runs::format_script(script), entry.run))
        return error_answer(500, "the board could not write the run's link");
    entry.version = s.version;

    Added added;
    std::string error;
    if (!add_entry(s.store, entry, added, error)) return error_answer(500, "the board could not store the run: " + error);
    json answer = entry_value(added.entry);
    answer["rank"] = added.rank;
    return Answer{added.created ? 201 : 200, dump(answer)};
}

Answer board_json(Service& s, std::string_view limit_text, std::string_view offset_text) {
    std::int64_t limit = 20;
    std::int64_t offset = 0;
    if (!limit_text.empty() && (!parse_number(limit_text, limit) || limit < 1))
        return error_answer(400, "limit is not a number from 1 to 100");
    if (!offset_text.empty() && (!parse_number(offset_text, offset) || offset < 0 || offset > (1 << 30)))
        return error_answer(400, "offset is not a number from 0");
    const int l = static_cast<int>(std::min<std::int64_t>(limit, max_limit));
    const int o = static_cast<int>(offset);
    return cached(
        s,
        [&](Service& c, std::string body = {}) -> const std::string* {
            if (!body.empty()) return &(c.boards[{l, o}] = std::move(body));
            const auto it = c.boards.find({l, o});
            return it == c.boards.end() ? nullptr : &it->second;
        },
        [&] {
            std::vector<Entry> entries;
            std::string error;
            if (!board_entries(s.store, l, o, entries, error)) return error_answer(500, "the board cannot be read: " + error);
            json list = json::array();
            std::int64_t rank = o;
            for (const Entry& e : entries) {
                json value = entry_value(e);
                value["rank"] = ++rank;
                list.push_back(std::move(value));
            }
            return Answer{200, dump(json{{"entries", std::move(list)}, {"limit", l}, {"offset", o}})};
        });
}

Answer entry_json(Service& s, std::string_view id_text) {
    std::int64_t id = 0;
    if (!parse_number(id_text, id)) return error_answer(404, "no such entry");
    bool found = false;
    Entry entry;
    std::int64_t rank = 0;
    std::string error;
    if (!find_entry(s.store, id, found, entry, rank, error)) return error_answer(500, "the board cannot be read: " + error);
    if (!found) return error_answer(404, "no such entry");
    json answer = entry_value(entry);
    answer["rank"] = rank;
    answer["link"] = std::string("/") + std::string(runs::link_mark) + entry.run;
    return Answer{200, dump(answer)};
}

Answer board_page(Service& s) {
    Answer answer = cached(
        s,
        [&](Service& c, std::string body = {}) -> const std::string* {
            if (!body.empty()) c.page = std::move(body);
            return &c.page;
        },
        [&] {
            std::vector<Entry> entries;
            std::string error;
            if (!board_entries(s.store, max_limit, 0, entries, error))
                return error_answer(500, "the board cannot be read: " + error);
            std::string html =
                "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                "<title>Murlo: the board</title>\n<link rel=\"stylesheet\" href=\"/board.css\">\n<link rel=\"icon\" href=\"/murlo.svg\" type=\"image/svg+xml\">\n</head>\n<body>\n"
                "<h1>The deepest runs</h1>\n";
            if (entries.empty()) html += "<p>No runs yet.</p>\n";
            else {
                html += "<table>\n<thead><tr><th>#</th><th>Name</th><th>Depth</th><th>Frames</th><th>Date</th>"
                        "<th></th></tr></thead>\n<tbody>\n";
                int rank = 0;
                for (const Entry& e : entries) {
                    html += "<tr><td>" + std::to_string(++rank) + "</td><td>" + html_escape(e.name) + "</td><td>" +
                            std::to_string(e.depth) + "</td><td>" + std::to_string(e.frames) + "</td><td>" +
                            html_escape(e.date.substr(0, 10)) + "</td><td><a href=\"/" +
                            html_escape(std::string(runs::link_mark) + e.run) + "\">Watch</a>";
                    if (e.version != s.version)
                        html += " <span class=\"old\">verified by " + html_escape(e.version) + "</span>";
                    html += "</td></tr>\n";
                }
                html += "</tbody>\n</table>\n";
            }
            html += "<p><a href=\"/\">Play Murlo</a></p>\n</body>\n</html>\n";
            return Answer{200, std::move(html)};
        });
    if (answer.status == 200) answer.type = "text/html; charset=utf-8";
    return answer;
}

std::string_view board_css() {
    return "body { margin: 2em auto; max-width: 44em; padding: 0 1em; background: #23252f; color: #d8dbe6;\n"
           "       font: 15px/1.4 system-ui, sans-serif; }\n"
           "table { border-collapse: collapse; width: 100%; }\n"
           "th, td { text-align: left; padding: 4px 8px; border-bottom: 1px solid #383b4a; }\n"
           "td:nth-child(3), td:nth-child(4) { text-align: right; font-variant-numeric: tabular-nums; }\n"
           "a { color: #aab6c6; }\n"
           ".old { font-size: 12px; opacity: 0.7; }\n";
}

int recheck_entries(Service& s, std::string& error) {
    std::vector<Entry> entries;
    if (!entries_of_other_versions(s.store, s.version, entries, error)) return -1;
    int marked = 0;
    for (const Entry& e : entries) {
        runs::Script script;
        std::string problem;
        if (!runs::read_run(std::string(runs::link_mark) + e.run, script, problem)) continue;
        if (count_polls(script, max_polls) > max_polls) continue;
        const Verdict v = verify(script);
        if (v.depth != e.depth || v.frames != e.frames) continue;
        if (!set_entry_version(s.store, e.id, s.version, error)) return -1;
        ++marked;
    }
    return marked;
}

int take_submission(RateLimit& limit, const std::string& client, std::chrono::steady_clock::time_point now) {
    if (limit.per_minute <= 0) return 0;
    const double capacity = limit.per_minute;
    const double per_second = capacity / 60.0;
    std::lock_guard lock(limit.mutex);
    if (limit.clients.size() > 100000) {
        // Forget the clients whose buckets have filled up again.
        std::erase_if(limit.clients, [&](const auto& item) {
            return item.second.tokens + std::chrono::duration<double>(now - item.second.at).count() * per_second >=
                   capacity;
        });
    }
    auto [it, fresh] = limit.clients.try_emplace(client, RateLimit::Bucket{capacity, now});
    RateLimit::Bucket& b = it->second;
    b.tokens = std::min(capacity, b.tokens + std::chrono::duration<double>(now - b.at).count() * per_second);
    b.at = now;
    if (b.tokens >= 1) {
        b.tokens -= 1;
        return 0;
    }
    return std::max(1, static_cast<int>(std::ceil((1 - b.tokens) / per_second)));
}

}  // namespace murlo::server
