// Fuzz target: the board server's submission handler, from the request's
// body to the stored entry, on an SQLite file of its own.
//
// Any body gets an answer that is JSON: 200 or 201 with an entry that is
// then on the board, deeper than 0; or a 4xx with {"error": ...} and the
// board unchanged.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "server/service.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& body) {
    std::fprintf(stderr, "fuzz_board_submit: %s\nanswer: %s\n", what, body.c_str());
    std::abort();
}

murlo::server::Service& service() {
    static murlo::server::Service* s = [] {
        auto* made = new murlo::server::Service;
        made->version = "fuzz";
        char path[] = "/tmp/fuzz_board_XXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0) std::abort();
        close(fd);
        std::string error;
        if (!murlo::server::open_store(made->store, path, 2, error)) {
            std::fprintf(stderr, "fuzz_board_submit: %s\n", error.c_str());
            std::abort();
        }
        return made;
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    murlo::server::Service& s = service();
    const std::uint64_t before = murlo::server::store_changes(s.store);
    const std::string body(reinterpret_cast<const char*>(data), size);
    const murlo::server::Answer a = murlo::server::submit(s, body);
    const nlohmann::json answer = nlohmann::json::parse(a.body, nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) fail("the answer is not a JSON object", a.body);
    if (a.status == 200 || a.status == 201) {
        if (!answer.contains("id") || answer.value("depth", 0) <= 0) fail("an entry without id or depth", a.body);
        const murlo::server::Answer stored = murlo::server::entry_json(s, std::to_string(answer["id"].get<long long>()));
        if (stored.status != 200) fail("the entry answered is not on the board", a.body);
        const nlohmann::json entry = nlohmann::json::parse(stored.body);
        if (entry["depth"] != answer["depth"] || entry["frames"] != answer["frames"]) fail("stored otherwise", stored.body);
    } else {
        if (a.status != 400 && a.status != 413 && a.status != 422) fail("an unexpected status", a.body);
        if (!answer.contains("error") || !answer["error"].is_string()) fail("an error without its message", a.body);
        if (murlo::server::store_changes(s.store) != before) fail("refused input changed the board", a.body);
    }
    return 0;
}
