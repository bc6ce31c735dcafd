// Fuzz target: any bytes as a save state of the libretro core, handed to the
// runner's load_state as retro_unserialize does (host/libretro/core.h).
//
// Each input begins from the same runner: the won game's script
// (tests/replay/win.script) as content, a moment into its title. A state
// that is refused leaves the runner as it was: it saves to the same bytes.
// One that is taken runs on as the core runs it, with the keys of its last
// byte held, and the game's invariants hold after every run; it then saves,
// and that save is taken again and saves to itself. The seed corpus holds
// states the core saved while it played the won game: on the title, in
// play, in a level's result, in the ending and in the wipe after it.
//
// The same bytes are also read as the snapshot of a suspended game (a
// state, then the run so far as script text; runner/snapshot.h), as the
// desktop games and the page read theirs at start-up: refused, the runner
// is as it was; taken, it runs on with the invariants holding, and its
// own snapshot reads back to the same. The corpus holds two snapshots
// too, one in play and one in a result.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "game/invariants.h"
#include "host/libretro/core.h"
#include "runner/snapshot.h"
#include "runner/state.h"

namespace {

using namespace murlo;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_libretro_state: %s\n", what);
    std::abort();
}

struct Start {
    libretro::SoundBank bank = libretro::make_sound_bank();
    runs::Script script;
    std::vector<std::uint8_t> bytes;  // the runner every input begins from
};

std::vector<std::uint8_t> save(const Runner& r) {
    std::vector<std::uint8_t> bytes(state_bytes);
    save_state(r, bytes.data());
    return bytes;
}

const Start& start() {
    static const Start* const made = [] {
        auto* s = new Start;
        std::string problem;
        if (!runs::load_script(MURLO_WIN_SCRIPT, s->script, problem)) fail(problem.c_str());
        const auto session = std::make_unique<Session>();
        start_runner(session->runner, s->script, 0);
        std::int16_t audio[2 * libretro::samples_per_run];
        for (int i = 0; i < 10; ++i) libretro::run_once(*session, s->bank, 0, audio);
        s->bytes = save(session->runner);
        return s;
    }();
    return *made;
}

// The bytes as a suspended game's snapshot.
void as_snapshot(const Start& s, const std::uint8_t* data, std::size_t size) {
    const auto session = std::make_unique<Session>();
    Runner& r = session->runner;
    start_runner(r, {}, 0);
    const std::vector<std::uint8_t> before = save(r);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (read_snapshot(r, bytes) != nullptr) {
        if (save(r) != before) fail("a refused snapshot changed the runner");
        return;
    }
    std::int16_t audio[2 * libretro::samples_per_run];
    for (int i = 0; i < 8; ++i) {
        libretro::run_once(*session, s.bank, input::Down, audio);
        if (const char* broken = check_invariants(r.state.game, first_check_of_game)) fail(broken);
    }
    const std::string kept = write_snapshot(r);
    const auto again = std::make_unique<Runner>();
    start_runner(*again, {}, 0);
    if (const char* refused = read_snapshot(*again, kept)) fail(refused);
    if (write_snapshot(*again) != kept) fail("a snapshot does not read back to itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Start& s = start();
    as_snapshot(s, data, size);
    const auto session = std::make_unique<Session>();
    Runner& r = session->runner;
    start_runner(r, s.script, 0);
    if (load_state(r, s.bytes.data(), s.bytes.size()) != nullptr) fail("the start state refused");
    if (libretro::load(r, data, size) != nullptr) {
        if (save(r) != s.bytes) fail("a refused state changed the runner");
        return 0;
    }
    const InputBits keys = size > 0 ? static_cast<InputBits>(data[size - 1] & input::all) : 0;
    std::int16_t audio[2 * libretro::samples_per_run];
    for (int i = 0; i < 8; ++i) {
        libretro::run_once(*session, s.bank, keys, audio);
        if (const char* broken = check_invariants(r.state.game, first_check_of_game)) fail(broken);
    }
    const std::vector<std::uint8_t> later = save(r);
    if (const char* refused = libretro::load(r, later.data(), later.size())) fail(refused);
    if (save(r) != later) fail("a state does not load to itself");
    return 0;
}
