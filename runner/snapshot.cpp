#include "runner/snapshot.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "runner/headless.h"
#include "runs/script.h"

namespace murlo {

std::string write_snapshot(const Runner& r) {
    std::string bytes(state_bytes, '\0');
    save_state(r, reinterpret_cast<std::uint8_t*>(bytes.data()));
    bytes += recorded_script(r);
    return bytes;
}

const char* read_snapshot(Runner& r, std::string_view bytes, StateKind* kind) {
    if (bytes.size() < state_bytes) {
        // Too short for a state: say what the header says it is, if anything.
        StateKind seen = StateKind::Damaged;
        const char* why = load_state(r, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &seen);
        if (seen == StateKind::Good) seen = StateKind::Damaged;  // cannot be: a good state is longer
        if (kind != nullptr) *kind = seen;
        return seen == StateKind::Damaged ? "the snapshot is cut short" : why;
    }
    runs::Script recorded;
    runs::ScriptError error;
    if (!runs::parse_script(bytes.substr(state_bytes), recorded, error)) {
        if (kind != nullptr) *kind = StateKind::Damaged;
        return "the snapshot's run is damaged";
    }
    // Taken on the side, so a refused snapshot leaves the runner as it was.
    Runner resumed = r;
    resumed.script.clear();
    if (const char* why =
            load_state(resumed, reinterpret_cast<const std::uint8_t*>(bytes.data()), state_bytes, kind, true))
        return why;
    resumed.speed = 1;
    resumed.writer = runs::ScriptWriter{};
    resumed.record.clear();
    for (const runs::ScriptRun& run : recorded) resumed.writer.add(run.value, run.count, resumed.record);
    r = std::move(resumed);
    return nullptr;
}

namespace {

bool same_game(const Game& a, const Game& b) {
    std::uint8_t x[game_bytes], y[game_bytes];
    ByteWriter wx{x}, wy{y};
    write_game(wx, a);
    write_game(wy, b);
    return std::equal(x, x + game_bytes, y);
}

}  // namespace

std::string trace_before(const Runner& resumed) {
    runs::Script recorded;
    runs::ScriptError error;
    if (!runs::parse_script(recorded_script(resumed), recorded, error)) return {};
    std::uint64_t polls = 0;
    for (const runs::ScriptRun& run : recorded) polls += run.count;
    const auto replay = std::make_unique<Runner>();
    replay->tracing = true;
    // Every recorded poll, then the closing pictures' calls up to where
    // the game was suspended.
    play_headless(*replay, std::move(recorded), [&](const Runner& r) {
        return r.state.script_polls < polls || !same_game(r.state.game, resumed.state.game);
    });
    return replay->trace;
}

}  // namespace murlo
