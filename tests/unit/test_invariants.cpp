#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/group.h"
#include "game/game.h"
#include "game/invariants.h"
#include "game/player.h"
#include "game/rules.h"
#include "host/replay/replay.h"
#include "screens/title.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;

struct Played {
    std::string first_broken;  // empty when every check passed
    long frames = 0;
};

// A committed script played through the game cycle, the invariants checked
// after each game begins and after every game frame.
Played play_checked(const char* name) {
    const auto path = std::filesystem::path(__FILE__).parent_path().parent_path() / "replay" / name;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    replay::Script script;
    replay::ScriptError error;
    EXPECT_TRUE(replay::parse_script(text.str(), script, error)) << path;
    replay::Trace trace;
    reset_program_state();
    replay::attach(script, trace);
    Played played;
    const auto check = [&](std::int32_t previous) {
        const char* broken = check_invariants(previous);
        if (broken != nullptr && played.first_broken.empty())
            played.first_broken = "frame " + std::to_string(played.frames) + ": " + broken;
    };
    try {
        start_up();
        for (;;) {
            begin_cycle();
            title_screen();
            begin_game();
            check(first_check_of_game);
            for (bool ended = false; !ended;) {
                const std::int32_t previous = depth;
                ended = game_frame();
                ++played.frames;
                check(previous);
            }
        }
    } catch (const replay::Quit&) {
    }
    replay::detach();
    return played;
}

TEST(Invariants, HoldInEveryFrameOfAWonGameAndADeath) {
    const Played won = play_checked("win.script");
    EXPECT_EQ(won.first_broken, "");
    EXPECT_GT(won.frames, 5000);
    // The checks ran right after the win too, where fall_delay is 14.
    EXPECT_EQ(depth, 1000);
    const Played died = play_checked("air.script");
    EXPECT_EQ(died.first_broken, "");
    EXPECT_GT(died.frames, 900);
}

// A fresh first level with one real group search behind it.
void fresh_game() {
    reset_program_state();
    start_up();
    begin_cycle();
    begin_game();
    find_group(0, 10, get_kind(0, 10));
}

void put(int column, int row, std::uint8_t cell, std::uint8_t timer) {
    board.cell[cell_index(column, row)] = cell;
    board.fall_timer[cell_index(column, row)] = timer;
}

TEST(Invariants, NameWhatIsBrokenAndAllowWhatTheRulesMake) {
    fresh_game();
    ASSERT_EQ(check_invariants(first_check_of_game), nullptr);
    ASSERT_EQ(fall_delay, 24);

    using Change = std::pair<const char*, std::function<void()>>;
    const std::vector<Change> broken = {
        {"kind 8", [] { put(2, 12, 0x80, 0); }},
        {"Soft cracked", [] { put(2, 12, 0x42, 0); }},
        {"Soft loose and Check, not dug", [] { put(2, 12, 0x45, 1); }},
        {"Hard loose and Check", [] { put(2, 12, 0x3D, 1); }},
        {"Crumbling without a stage", [] { put(2, 12, 0x11, 1); }},
        {"Air with Check", [] { put(2, 12, 0x24, 0); }},
        {"Empty loose and Doomed", [] { put(2, 12, 0x09, 1); }},
        {"Empty cracked and Check", [] { put(2, 12, 0x06, 0); }},
        {"loose, timer 0", [] { put(2, 12, 0x41, 0); }},
        {"loose, timer at the drop", [] { put(2, 12, 0x41, 32); }},
        {"resting, timer 5", [] { put(2, 12, 0x40, 5); }},
        {"loose in the bottom row", [] { put(2, 29, 0x41, 1); }},
        {"player_x 3", [] { player_x = 3; }},
        {"player_x 61", [] { player_x = 61; }},
        {"player_y odd", [] { player_y = 21; }},
        {"player_y 206", [] { player_y = 206; }},
        {"facing 3", [] { facing = static_cast<Facing>(3); }},
        {"air 10001", [] { air = 10001; }},
        {"air -2030", [] { air = -2030; }},
        {"depth 1001", [] { depth = 1001; fall_delay = 14; }},
        {"fall_delay 25", [] { fall_delay = 25; }},
        {"fall_delay 14 above depth 1000", [] { depth = 999; fall_delay = 14; }},
        {"fall_delay of the first level at depth 150", [] { depth = 150; }},
        {"group_count 25", [] { group_count = 25; }},
        {"group entry off the board", [] { group_list.entry[0].column = 8; }},
        {"group entry twice", [] { group_list.entry[1] = group_list.entry[0]; }},
        {"group entry apart", [] { group_list.entry[1] = {5, 20}; }},
        {"unused group entry", [] {
             group_count = 1;
             group_list = {};
             group_list.entry[3] = {4, 4};
         }},
        {"group entries out of search order", [] {
             fill_board(9, {".1", "11"});
             find_group(1, 10, Soft1);  // (1, 10), then up (1, 9), then left (0, 10)
             std::swap(group_list.entry[1], group_list.entry[2]);
         }},
    };
    for (const Change& change : broken) {
        fresh_game();
        change.second();
        EXPECT_NE(check_invariants(first_check_of_game), nullptr) << change.first;
    }
    // Depth may only stay or go one row deeper from one check to the next.
    fresh_game();
    depth = 5;
    EXPECT_EQ(check_invariants(4), nullptr);
    EXPECT_NE(check_invariants(6), nullptr) << "depth fell";
    EXPECT_NE(check_invariants(3), nullptr) << "depth rose two rows";

    const std::vector<Change> allowed = {
        {"hovering between columns over a gap", [] {
             put(3, 3, 0x00, 0);
             put(4, 3, 0x00, 0);
             player_x = 32;
             facing = Facing::Right;
         }},
        {"Doomed left in an Empty cell", [] { put(2, 12, 0x08, 0); }},
        {"Empty loose with Check", [] { put(2, 12, 0x05, 31); }},
        {"Crumbling loose, Doomed and Cracked", [] { put(2, 12, 0x1B, 1); }},
        {"Soft loose, dug", [] { put(2, 12, 0x4D, 9); }},
        {"Hard cracked, Doomed and arrived", [] { put(2, 12, 0x3E, 24); }},
        {"landed", [] { put(2, 12, 0x40, 23); }},
        {"air below 0", [] { air = -2029; }},
        {"just won", [] {
             depth = 1000;
             fall_delay = 14;
             put(2, 12, 0x41, 22);
             put(3, 12, 0x40, 15);
         }},
        {"a capped group search", [] {
             fill_board(10, {"11111111", "11111111", "11111111", "11111111"});
             find_group(0, 10, Soft1);
         }},
    };
    for (const Change& change : allowed) {
        fresh_game();
        change.second();
        const char* broken_rule = check_invariants(first_check_of_game);
        EXPECT_EQ(broken_rule, nullptr) << change.first << ": " << broken_rule;
    }
}

}  // namespace
}  // namespace murlo
