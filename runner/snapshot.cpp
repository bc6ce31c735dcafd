#include "runner/snapshot.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "runner/headless.h"
#include "runs/script.h"

namespace murlo {

namespace {

// Between the run and a racing ghost's run: a comment line, which no run
// recorded holds.
constexpr std::string_view ghost_mark = "# ghost\n";

}  // namespace

std::string write_snapshot(const Runner& r) {
    std::string bytes(state_bytes, '\0');
    save_state(r, reinterpret_cast<std::uint8_t*>(bytes.data()));
    bytes += recorded_script(r);
    if (r.state.ghost.present) {
        bytes += ghost_mark;
        bytes += runs::format_script(r.ghost_run);
    }
    return bytes;
}

const char* read_snapshot(Runner& r, std::string_view bytes, StateKind* kind) {
    // The state's length by the version its header gives (a state of the
    // last version without a ghost is read as well).
    const std::size_t digit_at = sizeof state_magic;
    const std::size_t size =
        bytes.size() > digit_at && bytes[digit_at] >= '0' ? state_bytes_of(static_cast<std::uint32_t>(bytes[digit_at] - '0')) : 0;
    if (size == 0 || bytes.size() < size) {
        // Too short for a state: say what the header says it is, if anything.
        StateKind seen = StateKind::Damaged;
        const char* why = load_state(r, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &seen);
        if (seen == StateKind::Good) seen = StateKind::Damaged;  // cannot be: a good state is longer
        if (kind != nullptr) *kind = seen;
        return seen == StateKind::Damaged ? "the snapshot is cut short" : why;
    }
    std::string_view run = bytes.substr(size), ghost_text;
    const std::size_t mark = run.find(ghost_mark);
    if (mark != std::string_view::npos && (mark == 0 || run[mark - 1] == '\n')) {
        ghost_text = run.substr(mark + ghost_mark.size());
        run = run.substr(0, mark);
    }
    runs::Script recorded, ghost_run;
    runs::ScriptError error;
    if (!runs::parse_script(run, recorded, error) || !runs::parse_script(ghost_text, ghost_run, error)) {
        if (kind != nullptr) *kind = StateKind::Damaged;
        return "the snapshot's run is damaged";
    }
    // Taken on the side, so a refused snapshot leaves the runner as it was.
    Runner resumed = r;
    resumed.script.clear();
    resumed.ghost_run = std::move(ghost_run);
    if (const char* why = load_state(resumed, reinterpret_cast<const std::uint8_t*>(bytes.data()), size, kind, true))
        return why;
    resumed.speed = 1;
    resumed.writer = runs::ScriptWriter{};
    resumed.record.clear();
    for (const runs::ScriptRun& step : recorded) resumed.writer.add(step.value, step.count, resumed.record);
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
