#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "game/player.h"
#include "game/rules.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;
using testing::TestGame;

int cell(const Game& g, int column, int row) { return g.well.board.cell[cell_index(column, row)]; }

long count_of(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// The player centred on (3, 4) with the cell above at (3, 3), standing on
// Hard; the rules tests change only the cells they are about.
void centred_in_row_4(Game& g) {
    fill_board(g.well, 3, {"........",
                           "........",
                           "hhhhhhhh"});
    g.player_x = 28;
    g.player_y = 36;
    g.well.fall_delay = 24;
    g.air = 5000;
}

TEST(Hazards, ABlockAboveKillsFromSixPixelsOfSlide) {
    for (const int timer : {0, 24, 29}) {
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        set_kind(g.well.board, 3, 3, Soft2);
        set_fall_timer(g.well.board, 3, 3, static_cast<std::uint8_t>(timer));
        EXPECT_FALSE(check_hazards(g, host.calls)) << "timer " << timer;
        EXPECT_TRUE(host.lines().empty());
    }
    for (const int delay : {24, 15}) {
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.well.fall_delay = static_cast<std::int8_t>(delay);
        set_kind(g.well.board, 3, 3, Hard);
        set_fall_timer(g.well.board, 3, 3, static_cast<std::uint8_t>(delay + 6));  // Loose or not
        EXPECT_TRUE(check_hazards(g, host.calls)) << "delay " << delay;
        EXPECT_TRUE(host.lines().empty());  // the game cycle runs the closing pictures
    }
    {
        // Just fallen into row 4 (y = 34): the cell above is row 3.
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.player_y = 34;
        set_kind(g.well.board, 3, 3, Soft1);
        set_fall_timer(g.well.board, 3, 3, 30);
        EXPECT_TRUE(check_hazards(g, host.calls));
    }
}

TEST(Hazards, CrushedInPlaceAndOutOfAir) {
    {
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.air = 10000;
        set_kind(g.well.board, 3, 4, Soft4);  // dropped into the player's cell
        EXPECT_TRUE(check_hazards(g, host.calls));
    }
    {
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.air = 0;
        EXPECT_FALSE(check_hazards(g, host.calls));
        EXPECT_EQ(g.air, 0);
        drain_air(g);
        EXPECT_EQ(g.air, -10);
        EXPECT_TRUE(check_hazards(g, host.calls));
        EXPECT_TRUE(host.lines().empty());
    }
}

TEST(Hazards, CapsulesTouchedAboveThenInPlace) {
    {
        // A capsule above counts only once it has slid 6 pixels.
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        set_kind(g.well.board, 3, 3, Air);
        set_fall_timer(g.well.board, 3, 3, 29);
        EXPECT_FALSE(check_hazards(g, host.calls));
        EXPECT_EQ(cell(g, 3, 3), 0x20);
        EXPECT_EQ(g.air, 5000);
        set_fall_timer(g.well.board, 3, 3, 30);
        EXPECT_FALSE(check_hazards(g, host.calls));
        EXPECT_EQ(cell(g, 3, 3), 0x28);
        EXPECT_EQ(g.air, 6000);
        EXPECT_EQ(host.lines(), std::vector<std::string>{"sound up.wav"});
    }
    {
        // Two in one frame: both count, both sound, and the cap holds.
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        set_kind(g.well.board, 3, 3, Air);
        set_fall_timer(g.well.board, 3, 3, 31);
        set_kind(g.well.board, 3, 4, Air);
        EXPECT_FALSE(check_hazards(g, host.calls));
        EXPECT_EQ(g.air, 7000);
        EXPECT_EQ(cell(g, 3, 3), 0x28);
        EXPECT_EQ(cell(g, 3, 4), 0x28);
        EXPECT_EQ(host.lines(), (std::vector<std::string>{"sound up.wav", "sound up.wav"}));
        g.air = 8500;
        EXPECT_FALSE(check_hazards(g, host.calls));
        EXPECT_EQ(g.air, 10000);
    }
    {
        // Touching a capsule does not rescue a player already out of air.
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.air = -5;
        set_kind(g.well.board, 3, 4, Air);
        EXPECT_TRUE(check_hazards(g, host.calls));
        EXPECT_EQ(cell(g, 3, 4), 0x20);
        EXPECT_EQ(g.air, -5);
        EXPECT_TRUE(host.lines().empty());
    }
    {
        // Digging one earlier in the frame does.
        TestGame host;
        Game& g = host.g;
        centred_in_row_4(g);
        g.air = -5;
        set_kind(g.well.board, 4, 4, Air);
        g.cur_input = input::Right;
        player_dig(g, host.calls);
        EXPECT_EQ(g.air, 995);
        EXPECT_FALSE(check_hazards(g, host.calls));
    }
}

TEST(LevelGoal, HardFloorTwoRowsUnderTheRowBelow) {
    TestGame host;
    Game& g = host.g;
    fill_board(g.well, 11, {"........",
                            "12341234",
                            "a2a4a2a4",
                            "44444444",
                            "33333333"});
    for (int c = 0; c < board_columns; ++c) {
        set_flag(g.well.board, static_cast<std::int8_t>(c), 13, Loose);
        set_fall_timer(g.well.board, static_cast<std::int8_t>(c), 13, 17);
        set_fall_timer(g.well.board, static_cast<std::int8_t>(c), 14, 30);
    }
    set_fall_timer(g.well.board, 2, 12, 5);
    const Board before = g.well.board;
    g.player_x = 28;
    g.player_y = 92;  // centred on row 11
    g.depth = 99;
    g.well.fall_delay = 24;
    EXPECT_EQ(check_level_goal(g), LevelGoal::Playing);
    for (int c = 0; c < board_columns; ++c) {
        EXPECT_EQ(cell(g, c, 13), 0x30);
        EXPECT_EQ(cell(g, c, 14), 0x30);
        EXPECT_EQ(g.well.board.fall_timer[cell_index(c, 13)], 0);
        EXPECT_EQ(g.well.board.fall_timer[cell_index(c, 14)], 0);
    }
    // Everything else, row 12 included, is left as it was.
    for (int i = 0; i < board_cells; ++i) {
        if (i / board_columns == 13 || i / board_columns == 14) continue;
        EXPECT_EQ(g.well.board.cell[i], before.cell[i]) << "cell " << i;
        EXPECT_EQ(g.well.board.fall_timer[i], before.fall_timer[i]) << "cell " << i;
    }
    EXPECT_EQ(g.well.fall_delay, 24);
    EXPECT_EQ(g.player_y, 92);

    // No floor at other depths.
    g.depth = 98;
    set_cell(g.well.board, 0, 13, 0x4F);
    EXPECT_EQ(check_level_goal(g), LevelGoal::Playing);
    EXPECT_EQ(cell(g, 0, 13), 0x4F);
    EXPECT_TRUE(host.lines().empty());
}

TEST(LevelGoal, ALevelEndsBelowRowThreeAndKeepsAirAndDepth) {
    {
        // A fresh level begins at the multiple of 100 high on the board.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 3, {"hhhhhhhh"});
        for (const std::int32_t y : {20, 26, 28}) {
            g.player_x = 28;
            g.player_y = y;
            g.depth = 300;
            g.well.fall_delay = 21;
            EXPECT_EQ(check_level_goal(g), LevelGoal::Playing);
            EXPECT_EQ(g.well.fall_delay, 21) << "y " << y;
            EXPECT_EQ(g.player_y, y);
        }
    }
    {
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 3, {"hhhhhhhh"});
        g.well.rng_state = 12345;
        g.player_x = 44;
        g.player_y = 100;
        g.depth = 100;
        g.well.fall_delay = 24;
        g.air = 4321;
        EXPECT_EQ(check_level_goal(g), LevelGoal::LevelDone);
        EXPECT_EQ(g.well.fall_delay, 23);
        EXPECT_EQ(g.air, 4321);
        EXPECT_EQ(g.depth, 100);
        EXPECT_EQ(g.player_y, 100);  // the game cycle builds the next board
        EXPECT_EQ(g.well.rng_state, 12345u);
        EXPECT_TRUE(host.lines().empty());
    }
    {
        // Depth 1000 wins: no new board, and the game is over.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 3, {"hhhhhhhh"});
        g.well.rng_state = 777;
        g.player_x = 12;
        g.player_y = 140;
        g.depth = 1000;
        g.well.fall_delay = 15;
        EXPECT_EQ(check_level_goal(g), LevelGoal::Won);
        EXPECT_EQ(g.well.fall_delay, 14);
        EXPECT_EQ(g.player_y, 140);
        EXPECT_EQ(g.well.rng_state, 777u);
    }
}

// The frame in which the player falls from y = 98 to 100 and so reaches
// depth 100.
void falling_into_depth_100(Game& g) {
    fill_board(g.well, 13, {"hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh",
                            "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh",
                            "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "hhhhhhhh"});
    g.player_x = 28;
    g.player_y = 98;
    g.facing = Facing::Down;
    g.depth = 99;
    g.well.fall_delay = 24;
}

TEST(LevelGoal, TheFrameALevelEndsInShowsTheResultAndGoesOnOnAFreshBoard) {
    {
        TestGame host;
        Game& g = host.g;
        falling_into_depth_100(g);
        g.air = 5000;
        g.well.rng_state = 12345;
        g.phase = Phase::Play;
        EXPECT_EQ(host.step(0x00), Outcome::LevelDone);
        EXPECT_EQ(g.depth, 100);
        EXPECT_EQ(g.well.fall_delay, 23);
        // A new board: the player back at the top, 480 draws taken.
        EXPECT_EQ(g.player_x, 28);
        EXPECT_EQ(g.player_y, 20);
        EXPECT_EQ(g.well.rng_state, testing::rng_after(12345, 480));
        // The frame still waits and drains after the result.
        EXPECT_EQ(g.air, 5000 - 12);
        const auto lines = host.lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3], "sound maru.wav");
        EXPECT_EQ(lines.back(), "wait 5");
        EXPECT_EQ(count_of(lines, "sound auu.wav"), 0);
    }
    {
        // Dying in that frame: the death's pictures alone, no new board, and
        // back to the title.
        TestGame host;
        Game& g = host.g;
        falling_into_depth_100(g);
        g.air = -5;
        g.phase = Phase::Play;
        EXPECT_EQ(host.step(0x00), Outcome::Died);
        EXPECT_EQ(g.depth, 100);
        EXPECT_EQ(g.player_y, 100);
        EXPECT_EQ(g.well.fall_delay, 24);
        EXPECT_EQ(g.air, -5);  // no drain after the end
        const auto lines = host.lines();
        EXPECT_EQ(count_of(lines, "sound auu.wav"), 1);
        EXPECT_EQ(count_of(lines, "sound maru.wav"), 1);  // one result sequence, the death's
        EXPECT_EQ(count_of(lines, "sound otukare.wav"), 1);
        EXPECT_EQ(count_of(lines, "wait 5"), 0);
        EXPECT_EQ(lines.back(), "sound title.wav");
    }
}

TEST(Air, DrainGrowsEveryFiftyRows) {
    TestGame host;
    Game& g = host.g;
    const int depths[] = {0, 49, 50, 99, 100, 949, 950, 999};
    const int drains[] = {10, 10, 11, 11, 12, 28, 29, 29};
    for (int i = 0; i < 8; ++i) {
        g.depth = depths[i];
        g.air = 3;
        drain_air(g);
        EXPECT_EQ(g.air, 3 - drains[i]) << "g.depth " << depths[i];
    }
}

}  // namespace
}  // namespace murlo
