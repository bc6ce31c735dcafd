// The game cycle: the input latch, one game frame's calls, and saving and
// restoring the whole game.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/state.h"
#include "host/replay/replay.h"
#include "screens/title.h"
#include "support/helpers.h"

namespace murlo {
namespace {

TEST(Latch, PrevInputIsAlwaysThePollBefore) {
    testing::HostRecorder host({0x01, 0x08, 0x00, 0x1F});
    cur_input = 0x10;  // left from a title frame
    EXPECT_EQ(latch_input(), 0x01);
    EXPECT_EQ(prev_input, 0x10);
    EXPECT_EQ(latch_input(), 0x08);
    EXPECT_EQ(prev_input, 0x01);
    EXPECT_EQ(latch_input(), 0x00);
    EXPECT_EQ(prev_input, 0x08);
    EXPECT_EQ(latch_input(), 0x1F);
    EXPECT_EQ(cur_input, 0x1F);
    EXPECT_EQ(prev_input, 0x00);
    EXPECT_THROW(latch_input(), replay::Quit);
}

TEST(GameCycle, AGameFramePollsPresentsThenWaitsFiveTicks) {
    const std::string trace = testing::run_script("08 00");
    const std::string start = "sound title.wav\npoll 08\nstop\npoll 00\npresent ";
    ASSERT_EQ(trace.substr(0, start.size()), start);
    const std::size_t wait = trace.find('\n', start.size());
    EXPECT_EQ(trace.substr(wait + 1), "wait 5\nquit\n");
    EXPECT_EQ(fall_delay, 24);
    EXPECT_EQ(air, 10000 - 10);  // one frame's drain
}

// Every global of the game by name, kept apart from the game's own list so
// that a variable missing there shows up here.
struct Global {
    const char* name;
    void* at;
    std::size_t size;
};
const Global globals[] = {
    {"board", &board, sizeof board},
    {"fall_delay", &fall_delay, sizeof fall_delay},
    {"rng_state", &rng_state, sizeof rng_state},
    {"lcd", &lcd, sizeof lcd},
    {"group_list", &group_list, sizeof group_list},
    {"group_count", &group_count, sizeof group_count},
    {"support_mask", &support_mask, sizeof support_mask},
    {"player_x", &player_x, sizeof player_x},
    {"player_y", &player_y, sizeof player_y},
    {"facing", &facing, sizeof facing},
    {"cur_input", &cur_input, sizeof cur_input},
    {"prev_input", &prev_input, sizeof prev_input},
    {"air", &air, sizeof air},
    {"depth", &depth, sizeof depth},
    {"blink_counter", &blink_counter, sizeof blink_counter},
    {"depth_shown", &depth_shown, sizeof depth_shown},
    {"depth_show_frames", &depth_show_frames, sizeof depth_show_frames},
};

std::vector<std::vector<std::uint8_t>> bytes_of_globals() {
    std::vector<std::vector<std::uint8_t>> out;
    for (const Global& g : globals) {
        const auto* p = static_cast<const std::uint8_t*>(g.at);
        out.emplace_back(p, p + g.size);
    }
    return out;
}

// `frames` game frames on `inputs`, one per poll; the trace they leave.
std::string play_stretch(const std::vector<InputBits>& inputs, int frames) {
    const replay::Script script = replay::script_of(inputs);
    replay::Trace trace;
    replay::attach(script, trace);
    for (int i = 0; i < frames; ++i) game_frame();
    replay::detach();
    return trace.text();
}

TEST(GameState, ARestoredGamePlaysOnExactlyAsTheSavedOneDid) {
    // The first level's winning inputs, from program load to a few rows
    // before the level ends.
    const std::vector<InputBits> inputs =
        testing::script_values(testing::committed_script("level1.script"));
    std::size_t used = 0;
    {
        testing::HostRecorder host(inputs);
        start_up();
        create_main_window();
        begin_cycle();
        title_screen();
        begin_game();
        while (depth < 97) game_frame();
        for (const std::string& line : host.lines()) used += line.rfind("poll ", 0) == 0;
    }
    const GameState saved = save_game_state();
    const auto saved_bytes = bytes_of_globals();

    // The stretch runs through the end of the level (the result, fall_delay
    // lowered, a new board from the random source) and on into level 2.
    const std::vector<InputBits> next(inputs.begin() + static_cast<long>(used),
                                      inputs.begin() + static_cast<long>(used) + 80);
    const std::string first = play_stretch(next, 80);
    ASSERT_NE(first.find("sound maru.wav"), std::string::npos);
    EXPECT_EQ(fall_delay, 23);

    // Throw every variable off, then restore: each must come back.
    for (const Global& g : globals) std::memset(g.at, 0x5A, g.size);
    restore_game_state(saved);
    const auto restored_bytes = bytes_of_globals();
    for (std::size_t i = 0; i < std::size(globals); ++i)
        EXPECT_EQ(restored_bytes[i], saved_bytes[i]) << globals[i].name << " was not restored";
    EXPECT_EQ(play_stretch(next, 80), first);
}

}  // namespace
}  // namespace murlo
