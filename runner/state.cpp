#include "runner/state.h"

#include <cstring>

#include "game/invariants.h"

namespace murlo {

namespace {

constexpr std::uint64_t longest_wait_us = 1000 * 9000;  // the ending's pause

std::uint64_t script_length(const Runner& r) {
    std::uint64_t polls = 0;
    for (const runs::ScriptRun& run : r.script) polls += run.count;
    return polls;
}

const char* refuse(StateKind* kind, StateKind why, const char* text) {
    if (kind != nullptr) *kind = why;
    return text;
}

// The fields a run can leave: times in order, a sound of the nine, flags
// that are flags, keys of the five keys, a depth, a place in the script.
const char* check_fields(const RunState& s, const Runner& r) {
    if (s.due_us > s.clock_us + longest_wait_us) return "a wait longer than any the game makes";
    // A run leaves nothing due before its time (it would race to catch up),
    // and the title's passes on their schedule.
    if (s.due_us < s.clock_us) return "a call due before the clock's time";
    if (s.game.phase == Phase::Title && s.due_us != s.title_start_us + std::uint64_t{s.title_passes} * title_pass_us)
        return "a title pass off the title's schedule";
    if (s.title_start_us > s.clock_us + longest_wait_us || s.picture_us > s.clock_us ||
        s.sound_start_us > s.clock_us)
        return "a time ahead of the clock";
    if (s.sound < no_sound || s.sound >= sound_count) return "a sound that is not there";
    if (((s.resume_keys | s.last_keys) & ~input::all) != 0) return "keys outside the five keys";
    if (s.best < 0 || s.best > 1000) return "a best depth out of 0..1000";
    if (s.script_polls > script_length(r)) return "a place past the end of its script";
    return nullptr;
}

}  // namespace

void save_state(const Runner& r, std::uint8_t* out) {
    const RunState& s = r.state;
    ByteWriter w{out};
    for (const char c : state_magic) w.u8(static_cast<std::uint8_t>(c));
    w.u8(static_cast<std::uint8_t>('0' + state_version));
    w.u32(state_version);
    w.u32(static_cast<std::uint32_t>(state_bytes));
    write_game(w, s.game);
    w.u64(s.clock_us);
    w.u64(s.due_us);
    w.u64(s.title_start_us);
    w.u32(s.title_passes);
    w.u64(s.picture_us);
    for (const std::uint32_t row : s.shown.row) w.u32(row);
    w.u8(static_cast<std::uint8_t>(s.sound));
    w.u64(s.sound_start_us);
    w.u8(s.paused);
    w.u8(s.resume_keys);
    w.u8(s.last_keys);
    w.u8(s.counts);
    w.u32(static_cast<std::uint32_t>(s.best));
    w.u64(s.script_polls);
    w.u8(s.script_done);
    const GhostState& g = s.ghost;
    write_game(w, g.game);
    w.u64(g.polls);
    w.u64(g.due_us);
    w.u32(static_cast<std::uint32_t>(g.depth));
    w.u8(static_cast<std::uint8_t>(g.ended));
    w.u8(g.present);
    w.u8(g.running);
    w.u8(g.over);
}

const char* load_state(Runner& r, const std::uint8_t* data, std::size_t size, StateKind* kind,
                       bool without_script) {
    if (size < state_header_bytes || std::memcmp(data, state_magic, sizeof state_magic) != 0)
        return refuse(kind, StateKind::Foreign, "not a Murlo state");
    ByteReader in{data + sizeof state_magic + 1};
    const std::uint32_t version = in.u32();
    const std::uint32_t length = in.u32();
    const char digit = static_cast<char>(data[sizeof state_magic]);
    if (digit != '0' + state_version && digit != '0' + oldest_state_version)
        return refuse(kind, StateKind::OtherVersion, "a state of another version of the game");
    if (version != static_cast<std::uint32_t>(digit - '0'))
        return refuse(kind, StateKind::Damaged, "a state whose header is damaged");
    const std::size_t expected = state_bytes_of(version);
    if (length != expected || size != expected) return refuse(kind, StateKind::Damaged, "a state cut short or too long");

    RunState s{};
    read_game(in, s.game);
    s.clock_us = in.u64();
    s.due_us = in.u64();
    s.title_start_us = in.u64();
    s.title_passes = in.u32();
    s.picture_us = in.u64();
    for (std::uint32_t& row : s.shown.row) row = in.u32();
    s.sound = static_cast<std::int8_t>(in.u8());
    s.sound_start_us = in.u64();
    const std::uint8_t paused = in.u8();
    s.resume_keys = in.u8();
    s.last_keys = in.u8();
    const std::uint8_t counts = in.u8();
    s.best = static_cast<std::int32_t>(in.u32());
    s.script_polls = in.u64();
    const std::uint8_t script_done = in.u8();
    std::uint8_t flags = paused | counts | script_done;
    if (version == state_version) {
        GhostState& g = s.ghost;
        read_game(in, g.game);
        g.polls = in.u64();
        g.due_us = in.u64();
        g.depth = static_cast<std::int32_t>(in.u32());
        const std::uint8_t ended = in.u8();
        const std::uint8_t present = in.u8(), running = in.u8(), over = in.u8();
        flags |= present | running | over;
        if (ended != static_cast<std::uint8_t>(Outcome::Frame) && ended != static_cast<std::uint8_t>(Outcome::Died) &&
            ended != static_cast<std::uint8_t>(Outcome::Won))
            return refuse(kind, StateKind::Damaged, "a ghost that ended as no game ends");
        g.ended = static_cast<Outcome>(ended);
        g.present = present != 0;
        g.running = running != 0;
        g.over = over != 0;
        if (g.present && check_invariants(g.game, first_check_of_game) != nullptr)
            return refuse(kind, StateKind::Damaged, "a ghost whose game no run could reach");
        if (g.present && g.running && !g.over && (g.due_us < s.clock_us || g.due_us > s.clock_us + longest_wait_us))
            return refuse(kind, StateKind::Damaged, "a ghost's call due out of its time");
    }
    if (flags > 1) return refuse(kind, StateKind::Damaged, "a flag that is neither on nor off");
    s.paused = paused != 0;
    s.counts = counts != 0;
    s.script_done = script_done != 0;
    if (without_script) {
        s.script_polls = 0;
        s.script_done = true;
    }
    if (const char* broken = check_invariants(s.game, first_check_of_game)) return refuse(kind, StateKind::Damaged, broken);
    if (const char* broken = check_fields(s, r)) return refuse(kind, StateKind::Damaged, broken);

    r.state = s;
    r.script_place = runs::place_after(r.script, s.script_polls);
    r.ghost_place = runs::place_after(r.ghost_run, s.ghost.polls);
    if (s.script_done) r.speed = 1;
    // The host's clock goes on as it was: the state goes on from the
    // host's present. What its events did to the state left is gone.
    r.pending = Report{};
    // Tell the host everything afresh.
    r.told_picture = false;
    r.told_sound = static_cast<std::int8_t>(no_sound - 1);
    if (kind != nullptr) *kind = StateKind::Good;
    return nullptr;
}

}  // namespace murlo
