#include <gtest/gtest.h>

#include "board/board.h"
#include "game/game.h"
#include "game/player.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;

void place(Game& g, int x, std::int32_t y, Facing f) {
    g.player_x = static_cast<std::int8_t>(x);
    g.player_y = y;
    g.facing = f;
}

// Rows 2 and 3: the player walks in row 2 on a row of Hard.
void floor_board(Game& g) {
    fill_board(g.well, 2, {"........",
                           "hhhhhhhh"});
}

TEST(Movement, WallsStopTheWalkWhateverLiesBeyond) {
    Game g{};
    floor_board(g);

    // Right wall: column 8 reads as Empty, so only the limit holds the player.
    place(g, 60, 20, Facing::Down);
    g.cur_input = input::Right;
    move_player(g);
    EXPECT_EQ(g.player_x, 60);
    EXPECT_EQ(g.facing, Facing::Right);

    // Left wall: x - 5 = -1 falls in column 0, the player's own empty column.
    place(g, 4, 20, Facing::Down);
    g.cur_input = input::Left;
    move_player(g);
    EXPECT_EQ(g.player_x, 4);
    EXPECT_EQ(g.facing, Facing::Left);
}

TEST(Movement, SteeringOnFootingLeftWinsAndBlocksStopTheWalk) {
    Game g{};
    floor_board(g);

    place(g, 28, 20, Facing::Down);
    g.cur_input = input::Right | input::Left;
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Left);
    EXPECT_EQ(g.player_x, 27);

    // Mid-walk on footing the other key turns the player back at once.
    g.cur_input = input::Right;
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Right);
    EXPECT_EQ(g.player_x, 28);

    // Centred with a Soft block on the right: facing Right, nothing moves.
    fill_board(g.well, 2, {"....1...",
                           "hhhhhhhh"});
    place(g, 28, 20, Facing::Down);
    g.cur_input = input::Right;
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Right);
    EXPECT_EQ(g.player_x, 28);

    // Mid-walk into a cell that has become Air: the walk halts but keeps facing.
    fill_board(g.well, 2, {"....a...",
                           "hhhhhhhh"});
    place(g, 31, 20, Facing::Right);
    g.cur_input = 0;
    move_player(g);
    EXPECT_EQ(g.player_x, 31);
    EXPECT_EQ(g.facing, Facing::Right);
    // Crumbling is open again.
    set_kind(g.well.board, 4, 2, Crumbling);
    move_player(g);
    EXPECT_EQ(g.player_x, 32);

    // Centred on footing with no key: Down and still.
    place(g, 28, 20, Facing::Left);
    g.cur_input = 0;
    floor_board(g);
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Down);
    EXPECT_EQ(g.player_x, 28);
    EXPECT_EQ(g.player_y, 20);
}

TEST(Movement, NoSteeringOverAirOrGapsAndFallingThroughCapsules) {
    Game g{};
    // Column 3: an Air capsule under the player, Hard further down.
    fill_board(g.well, 2, {"........",
                           "hhhahhhh",
                           "hhhhhhhh"});
    place(g, 28, 20, Facing::Down);
    g.cur_input = input::Right;
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Down);
    EXPECT_EQ(g.player_x, 28);
    EXPECT_EQ(g.player_y, 22);

    // Falling on: the probe stays on row 3 down to y = 26, then row 4 stops it.
    g.cur_input = input::Left;
    for (int i = 0; i < 5; ++i) move_player(g);
    EXPECT_EQ(g.player_y, 28);
    EXPECT_EQ(g.player_x, 28);
    EXPECT_EQ(g.depth, 1);
}

TEST(Movement, DepthCountsRowCentresReachedFromAbove) {
    Game g{};
    fill_board(g.well, 2, {"........",
                           "........",
                           "........",
                           "hhhhhhhh"});
    place(g, 28, 20, Facing::Down);
    g.cur_input = 0;
    const int expected[] = {0, 0, 0, 1, 1, 1, 1, 2, 2, 2};
    const std::int32_t ys[] = {22, 24, 26, 28, 30, 32, 34, 36, 36, 36};
    for (int i = 0; i < 10; ++i) {
        move_player(g);
        EXPECT_EQ(g.player_y, ys[i]) << "frame " << i;
        EXPECT_EQ(g.depth, expected[i]) << "frame " << i;
    }
}

TEST(Movement, WalkOverAGapGoesOnUntilCentred) {
    Game g{};
    // Column 4 is open down to row 5; the rest stands on row 3.
    fill_board(g.well, 2, {"........",
                           "hhhh.hhh",
                           "hhhh.hhh",
                           "hhhhhhhh"});
    place(g, 28, 20, Facing::Down);
    g.cur_input = input::Right;
    move_player(g);
    EXPECT_EQ(g.player_x, 29);
    g.cur_input = 0;
    for (int x = 30; x <= 36; ++x) {
        move_player(g);
        EXPECT_EQ(g.player_x, x);
        EXPECT_EQ(g.player_y, 20) << "fell early at x = " << x;
        EXPECT_EQ(g.facing, Facing::Right);
    }
    // Centred on column 4: no steering over the gap, and down it goes.
    g.cur_input = input::Left;
    move_player(g);
    EXPECT_EQ(g.facing, Facing::Down);
    EXPECT_EQ(g.player_x, 36);
    EXPECT_EQ(g.player_y, 22);
}

}  // namespace
}  // namespace murlo
