// Fuzz target: the game itself, stepped one poll at a time with nothing
// carried out and nothing allocated.
//
// The first four bytes (little-endian) are the seed start-up gives the
// random source, in place of the program's own, so every input has its own
// boards (and an input that starts with the program's seed plays a game
// murlo-replay would). Every further byte is the keys of one poll, masked to the five
// keys: title passes while it is 0, then the game frames. Games follow one
// another through the title as in the real cycle, for at most 4096 game
// frames; the poll after the last byte holds Z (leaving a title still
// showing) and ends the input. The game's invariants are checked after
// every step; a broken one aborts with its name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"
#include "game/invariants.h"

namespace {

constexpr long max_frames = 4096;
constexpr murlo::InputBits leave_title = murlo::input::Z;  // ignored in play

murlo::Game game;
murlo::Calls calls;

bool is_game_frame(murlo::Outcome o) {
    return o == murlo::Outcome::Frame || o == murlo::Outcome::LevelDone ||
           o == murlo::Outcome::Died || o == murlo::Outcome::Won;
}

void check(std::int32_t previous_depth, long frame) {
    if (const char* what = murlo::check_invariants(game, previous_depth)) {
        std::fprintf(stderr, "fuzz_game: frame %ld, depth %d: %s\n", frame,
                     static_cast<int>(game.depth), what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    murlo::start_up(game, calls,
                    static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                        static_cast<std::uint32_t>(data[2]) << 16 |
                        static_cast<std::uint32_t>(data[3]) << 24);
    const std::uint8_t* const keys = data + 4;
    const std::size_t key_count = size - 4;

    long frames = 0;
    std::int32_t previous_depth = murlo::first_check_of_game;
    for (std::size_t next = 0; frames < max_frames;) {
        const bool used_up = next >= key_count;
        const murlo::InputBits k =
            used_up ? leave_title : static_cast<murlo::InputBits>(keys[next++] & murlo::input::all);
        murlo::advance(game, k, calls);
        if (is_game_frame(calls.outcome)) ++frames;
        // Every advance, the closing pictures' too.
        for (;;) {
            check(previous_depth, frames);
            previous_depth = game.phase == murlo::Phase::Play ? game.depth : murlo::first_check_of_game;
            if (murlo::awaits_poll(game)) break;
            murlo::advance(game, 0, calls);
        }
        if (used_up) break;
    }
    return 0;
}
