// Fuzz target: the game itself, through a host that neither allocates nor
// shows anything.
//
// The first four bytes (little-endian) are the random state the game starts
// from, in place of the seed start_up sets, so every input has its own
// boards. Every further byte is what one poll returns, masked to the five
// keys: title passes while it is 0, then the game frames. Games follow one
// another through the title as in the real cycle, for at most 4096 game
// frames or until the bytes run out. The game's invariants are checked after
// every frame; a broken one aborts with its name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "game/game.h"
#include "game/host.h"
#include "game/invariants.h"
#include "game/rules.h"
#include "game/state.h"
#include "screens/title.h"

namespace {

constexpr long max_frames = 4096;
constexpr murlo::InputBits keys_mask = 0x1F;
constexpr murlo::InputBits leave_title = 0x01;  // Z: leaves the title, ignored in play

const std::uint8_t* keys = nullptr;
std::size_t key_count = 0;
std::size_t next_key = 0;
bool used_up = false;

void check(std::int32_t previous_depth, long frame) {
    if (const char* what = murlo::check_invariants(previous_depth)) {
        std::fprintf(stderr, "fuzz_game: frame %ld, depth %d: %s\n", frame,
                     static_cast<int>(murlo::depth), what);
        std::abort();
    }
}

}  // namespace

namespace murlo {

void create_main_window() {}

InputBits poll_input() {
    if (next_key < key_count) return keys[next_key++] & keys_mask;
    used_up = true;
    return leave_title;
}

void present_frame(const LcdFrame&) {}
void wait_ticks(std::uint32_t) {}
void play_sound(const char*) {}
void stop_sound() {}

}  // namespace murlo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    murlo::reset_program_state();
    murlo::start_up();
    murlo::rng_state = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                       static_cast<std::uint32_t>(data[2]) << 16 |
                       static_cast<std::uint32_t>(data[3]) << 24;
    keys = data + 4;
    key_count = size - 4;
    next_key = 0;
    used_up = false;
    murlo::create_main_window();

    long frames = 0;
    while (!used_up && frames < max_frames) {
        // The game cycle as game_main runs it.
        murlo::begin_cycle();
        murlo::play_sound("title.wav");
        murlo::title_screen();
        murlo::stop_sound();
        murlo::begin_game();
        check(murlo::first_check_of_game, frames);
        std::int32_t previous_depth = murlo::depth;
        bool ended = false;
        while (!ended && !used_up && frames < max_frames) {
            ended = murlo::game_frame();
            ++frames;
            check(previous_depth, frames);
            previous_depth = murlo::depth;
        }
    }
    return 0;
}
