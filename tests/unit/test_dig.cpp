#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "game/player.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;
using testing::TestGame;

using Lines = std::vector<std::string>;

void place(Game& g, int x, std::int32_t y) {
    g.player_x = static_cast<std::int8_t>(x);
    g.player_y = y;
    g.facing = Facing::Down;
}

void keys(Game& g, InputBits now, InputBits before = 0) {
    g.cur_input = now;
    g.prev_input = before;
}

int cell(const Game& g, int column, int row) { return g.well.board.cell[cell_index(column, row)]; }

void dig(TestGame& host) { player_dig(host.g, host.calls); }

TEST(Dig, DirectionsAreTriedRightLeftDownUp) {
    {
        // Right chosen on an empty cell: the frame's dig is spent, Down is not tried.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 4, {"..1.....",
                               "22222222"});
        place(g, 28, 36);  // centred on (3, 4)
        keys(g, input::Right | input::Down);
        dig(host);
        EXPECT_EQ(cell(g, 3, 5), 0x50);
        EXPECT_EQ(cell(g, 4, 4), 0x00);
        EXPECT_TRUE(host.lines().empty());

        // Left wins over Down and Up the same way, and digs its block.
        keys(g, input::Left | input::Down | input::Up);
        dig(host);
        EXPECT_EQ(cell(g, 2, 4), 0x4C);
        EXPECT_EQ(cell(g, 3, 5), 0x50);
        EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
    }
    {
        // Right at the wall fails its own condition, so Down digs.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 4, {".......3",
                               "22222222"});
        place(g, 60, 36);
        keys(g, input::Right | input::Down);
        dig(host);
        EXPECT_EQ(cell(g, 7, 5), 0x5C);
        EXPECT_EQ(cell(g, 7, 4), 0x60);
        EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
    }
    {
        // Left at the left wall likewise gives way to Up.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 3, {"4.......",
                               "........",
                               "22222222"});
        g.well.fall_delay = 24;
        place(g, 4, 36);
        keys(g, input::Left | input::Up);
        dig(host);
        EXPECT_EQ(cell(g, 0, 3), 0x7C);
    }
    {
        // Mid-walk Down is skipped and Up is taken.
        TestGame host;
        Game& g = host.g;
        fill_board(g.well, 3, {"...4....",
                               "........",
                               "22222222"});
        g.well.fall_delay = 24;
        place(g, 30, 36);
        keys(g, input::Down | input::Up);
        dig(host);
        EXPECT_EQ(cell(g, 3, 5), 0x50);
        EXPECT_EQ(cell(g, 3, 3), 0x7C);
    }
}

TEST(Dig, StandingCountsAirButNotGaps) {
    TestGame host;
    Game& g = host.g;
    // Falling through an empty cell: no dig, even with a block beside.
    fill_board(g.well, 4, {"....1...",
                           "........"});
    place(g, 28, 36);
    keys(g, input::Right);
    dig(host);
    EXPECT_EQ(cell(g, 4, 4), 0x40);
    // A capsule underfoot counts as standing.
    set_kind(g.well.board, 3, 5, Air);
    dig(host);
    EXPECT_EQ(cell(g, 4, 4), 0x4C);
    // Crumbling underfoot does not.
    set_cell(g.well.board, 4, 4, 0x40);
    set_kind(g.well.board, 3, 5, Crumbling);
    dig(host);
    EXPECT_EQ(cell(g, 4, 4), 0x40);
    EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
}

TEST(Dig, UpOnlyUnderABlockThatHasNotStartedToSlide) {
    TestGame host;
    Game& g = host.g;
    fill_board(g.well, 3, {"...2....",
                           "........",
                           "hhhhhhhh"});
    g.well.fall_delay = 24;
    place(g, 28, 36);
    keys(g, input::Up);

    set_fall_timer(g.well.board, 3, 3, 24);  // sliding
    dig(host);
    EXPECT_EQ(cell(g, 3, 3), 0x50);
    // A timer far above the delay is still not less than it, whatever its top bit.
    set_fall_timer(g.well.board, 3, 3, 200);
    dig(host);
    EXPECT_EQ(cell(g, 3, 3), 0x50);
    EXPECT_TRUE(host.lines().empty());

    set_fall_timer(g.well.board, 3, 3, 23);  // still shaking
    dig(host);
    EXPECT_EQ(cell(g, 3, 3), 0x5C);
    EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
}

TEST(Dig, HardNeedsTwoFreshPressesAndCostsAir) {
    TestGame host;
    Game& g = host.g;
    fill_board(g.well, 4, {"........",
                           "hhhhhhhh",
                           "hhhhhhhh"});
    place(g, 28, 36);
    g.air = 5000;

    // Down already held at the previous poll (say, from the title): nothing.
    keys(g, input::Down, input::Down);
    dig(host);
    EXPECT_EQ(cell(g, 3, 5), 0x30);

    keys(g, input::Down, input::Right);
    dig(host);
    EXPECT_EQ(cell(g, 3, 5), 0x32);
    EXPECT_EQ(g.air, 5000);

    keys(g, input::Down, input::Down);  // kept held
    dig(host);
    dig(host);
    EXPECT_EQ(cell(g, 3, 5), 0x32);

    keys(g, input::Down, 0);  // released for one poll, pressed again
    dig(host);
    EXPECT_EQ(cell(g, 3, 5), 0x38);  // Doomed alone: no Check, Cracked gone
    EXPECT_EQ(g.air, 3000);
    EXPECT_EQ(host.lines(), (Lines{"sound dig.wav", "sound down.wav"}));

    // The second dig has no floor under air.
    set_cell(g.well.board, 3, 5, 0x32);
    g.air = 1500;
    dig(host);
    EXPECT_EQ(g.air, -500);
}

TEST(Dig, CapsulesGiveAirUpToTheCap) {
    TestGame host;
    Game& g = host.g;
    fill_board(g.well, 4, {"...a....",
                           "hhhahhhh"});
    place(g, 20, 36);  // centred on column 2, the capsule to the right
    keys(g, input::Right, input::Right);  // held keys dig capsules again
    g.air = 8000;
    dig(host);
    EXPECT_EQ(cell(g, 3, 4), 0x28);
    EXPECT_EQ(g.air, 9000);
    g.air = 9500;
    dig(host);
    EXPECT_EQ(g.air, 10000);
    g.air = 10000;
    dig(host);
    EXPECT_EQ(g.air, 10000);
    // A negative supply is raised by the full amount.
    g.air = -300;
    dig(host);
    EXPECT_EQ(g.air, 700);
    EXPECT_EQ(host.lines(), Lines(4, "sound up.wav"));
    // Standing on a capsule, Down digs it.
    place(g, 28, 36);
    keys(g, input::Down);
    dig(host);
    EXPECT_EQ(cell(g, 3, 5), 0x28);
    EXPECT_EQ(g.air, 1700);
}

}  // namespace
}  // namespace murlo
