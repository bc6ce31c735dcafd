#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/group.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/invariants.h"
#include "game/player.h"
#include "game/rules.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;

struct Played {
    std::string first_broken;  // empty when every check passed
    long frames = 0;           // game frames stepped
    Game g{};                  // as the script left it
};

// A committed script played from program load, the invariants checked
// after start-up and after every step.
Played play_checked(const char* name) {
    const std::vector<InputBits> keys = testing::script_values(testing::committed_script(name));
    const auto calls = std::make_unique<Calls>();
    Played played;
    Game& g = played.g;
    const auto check = [&](std::int32_t previous) {
        const char* broken = check_invariants(g, previous);
        if (broken != nullptr && played.first_broken.empty())
            played.first_broken = "frame " + std::to_string(played.frames) + ": " + broken;
    };
    start_up(g, *calls);
    check(first_check_of_game);
    for (const InputBits k : keys) {
        // A game that begins at this step starts its depth afresh.
        const bool playing = g.phase == Phase::Play;
        const std::int32_t previous = playing ? g.depth : first_check_of_game;
        step(g, k, *calls);
        played.frames += playing;
        check(previous);
    }
    return played;
}

TEST(Invariants, HoldInEveryFrameOfAWonGameAndADeath) {
    const Played won = play_checked("win.script");
    EXPECT_EQ(won.first_broken, "");
    EXPECT_GT(won.frames, 5000);
    // The checks ran right after the win too, where fall_delay is 14.
    EXPECT_EQ(won.g.depth, 1000);
    EXPECT_EQ(won.g.phase, Phase::Title);
    const Played died = play_checked("air.script");
    EXPECT_EQ(died.first_broken, "");
    EXPECT_GT(died.frames, 900);
    EXPECT_EQ(died.g.phase, Phase::Title);
}

// A fresh first level with one real group search behind it.
Game fresh_game() {
    Game g{};
    const auto calls = std::make_unique<Calls>();
    start_up(g, *calls);
    step(g, input::Z, *calls);
    find_group(g.well, 0, 10, get_kind(g.well.board, 0, 10));
    return g;
}

void put(Game& g, int column, int row, std::uint8_t cell, std::uint8_t timer) {
    g.well.board.cell[cell_index(column, row)] = cell;
    g.well.board.fall_timer[cell_index(column, row)] = timer;
}

TEST(Invariants, NameWhatIsBrokenAndAllowWhatTheRulesMake) {
    ASSERT_EQ(check_invariants(fresh_game(), first_check_of_game), nullptr);
    ASSERT_EQ(fresh_game().well.fall_delay, 24);

    using Change = std::pair<const char*, std::function<void(Game&)>>;
    const std::vector<Change> broken = {
        {"phase 2", [](Game& g) { g.phase = static_cast<Phase>(2); }},
        {"a key beyond the five", [](Game& g) { g.prev_input = 0x20; }},
        {"kind 8", [](Game& g) { put(g, 2, 12, 0x80, 0); }},
        {"Soft cracked", [](Game& g) { put(g, 2, 12, 0x42, 0); }},
        {"Soft loose and Check, not dug", [](Game& g) { put(g, 2, 12, 0x45, 1); }},
        {"Hard loose and Check", [](Game& g) { put(g, 2, 12, 0x3D, 1); }},
        {"Crumbling without a stage", [](Game& g) { put(g, 2, 12, 0x11, 1); }},
        {"Air with Check", [](Game& g) { put(g, 2, 12, 0x24, 0); }},
        {"Empty loose and Doomed", [](Game& g) { put(g, 2, 12, 0x09, 1); }},
        {"Empty cracked and Check", [](Game& g) { put(g, 2, 12, 0x06, 0); }},
        {"loose, timer 0", [](Game& g) { put(g, 2, 12, 0x41, 0); }},
        {"loose, timer at the drop", [](Game& g) { put(g, 2, 12, 0x41, 32); }},
        {"resting, timer 5", [](Game& g) { put(g, 2, 12, 0x40, 5); }},
        {"loose in the bottom row", [](Game& g) { put(g, 2, 29, 0x41, 1); }},
        {"player_x 3", [](Game& g) { g.player_x = 3; }},
        {"player_x 61", [](Game& g) { g.player_x = 61; }},
        {"player_y odd", [](Game& g) { g.player_y = 21; }},
        {"player_y 206", [](Game& g) { g.player_y = 206; }},
        {"facing 3", [](Game& g) { g.facing = static_cast<Facing>(3); }},
        {"air 10001", [](Game& g) { g.air = 10001; }},
        {"air -2030", [](Game& g) { g.air = -2030; }},
        {"depth 1001", [](Game& g) { g.depth = 1001; g.well.fall_delay = 14; }},
        {"fall_delay 25", [](Game& g) { g.well.fall_delay = 25; }},
        {"fall_delay 14 above depth 1000", [](Game& g) { g.depth = 999; g.well.fall_delay = 14; }},
        {"fall_delay of the first level at depth 150", [](Game& g) { g.depth = 150; }},
        {"group_count 25", [](Game& g) { g.well.group_count = 25; }},
        {"group entry off the board", [](Game& g) { g.well.group_list.entry[0].column = 8; }},
        {"group entry twice", [](Game& g) { g.well.group_list.entry[1] = g.well.group_list.entry[0]; }},
        {"group entry apart", [](Game& g) { g.well.group_list.entry[1] = {5, 20}; }},
        {"unused group entry", [](Game& g) {
             g.well.group_count = 1;
             g.well.group_list = {};
             g.well.group_list.entry[3] = {4, 4};
         }},
        {"group entries out of search order", [](Game& g) {
             fill_board(g.well, 9, {".1", "11"});
             find_group(g.well, 1, 10, Soft1);  // (1, 10), then up (1, 9), then left (0, 10)
             std::swap(g.well.group_list.entry[1], g.well.group_list.entry[2]);
         }},
    };
    for (const Change& change : broken) {
        Game g = fresh_game();
        change.second(g);
        EXPECT_NE(check_invariants(g, first_check_of_game), nullptr) << change.first;
    }
    // Depth may only stay or go one row deeper from one check to the next.
    Game g = fresh_game();
    g.depth = 5;
    EXPECT_EQ(check_invariants(g, 4), nullptr);
    EXPECT_NE(check_invariants(g, 6), nullptr) << "depth fell";
    EXPECT_NE(check_invariants(g, 3), nullptr) << "depth rose two rows";

    const std::vector<Change> allowed = {
        {"hovering between columns over a gap", [](Game& g) {
             put(g, 3, 3, 0x00, 0);
             put(g, 4, 3, 0x00, 0);
             g.player_x = 32;
             g.facing = Facing::Right;
         }},
        {"Doomed left in an Empty cell", [](Game& g) { put(g, 2, 12, 0x08, 0); }},
        {"Empty loose with Check", [](Game& g) { put(g, 2, 12, 0x05, 31); }},
        {"Crumbling loose, Doomed and Cracked", [](Game& g) { put(g, 2, 12, 0x1B, 1); }},
        {"Soft loose, dug", [](Game& g) { put(g, 2, 12, 0x4D, 9); }},
        {"Hard cracked, Doomed and arrived", [](Game& g) { put(g, 2, 12, 0x3E, 24); }},
        {"landed", [](Game& g) { put(g, 2, 12, 0x40, 23); }},
        {"air below 0", [](Game& g) { g.air = -2029; }},
        {"just won", [](Game& g) {
             g.depth = 1000;
             g.well.fall_delay = 14;
             put(g, 2, 12, 0x41, 22);
             put(g, 3, 12, 0x40, 15);
         }},
        {"a capped group search", [](Game& g) {
             fill_board(g.well, 10, {"11111111", "11111111", "11111111", "11111111"});
             find_group(g.well, 0, 10, Soft1);
         }},
    };
    for (const Change& change : allowed) {
        g = fresh_game();
        change.second(g);
        const char* broken_rule = check_invariants(g, first_check_of_game);
        EXPECT_EQ(broken_rule, nullptr) << change.first << ": " << broken_rule;
    }
}

}  // namespace
}  // namespace murlo
