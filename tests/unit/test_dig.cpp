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
using testing::HostRecorder;

using Lines = std::vector<std::string>;

void place(int x, std::int32_t y) {
    player_x = static_cast<std::int8_t>(x);
    player_y = y;
    facing = Facing::Down;
}

void keys(InputBits now, InputBits before = 0) {
    cur_input = now;
    prev_input = before;
}

int cell(int column, int row) {
    return board.cell[cell_index(column, row)];
}

TEST(Dig, DirectionsAreTriedRightLeftDownUp) {
    {
        // Right chosen on an empty cell: the frame's dig is spent, Down is not tried.
        HostRecorder host;
        fill_board(4, {"..1.....",
                       "22222222"});
        place(28, 36);  // centred on (3, 4)
        keys(input::Right | input::Down);
        player_dig();
        EXPECT_EQ(cell(3, 5), 0x50);
        EXPECT_EQ(cell(4, 4), 0x00);
        EXPECT_TRUE(host.lines().empty());

        // Left wins over Down and Up the same way, and digs its block.
        keys(input::Left | input::Down | input::Up);
        player_dig();
        EXPECT_EQ(cell(2, 4), 0x4C);
        EXPECT_EQ(cell(3, 5), 0x50);
        EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
    }
    {
        // Right at the wall fails its own condition, so Down digs.
        HostRecorder host;
        fill_board(4, {".......3",
                       "22222222"});
        place(60, 36);
        keys(input::Right | input::Down);
        player_dig();
        EXPECT_EQ(cell(7, 5), 0x5C);
        EXPECT_EQ(cell(7, 4), 0x60);
        EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
    }
    {
        // Left at the left wall likewise gives way to Up.
        HostRecorder host;
        fill_board(3, {"4.......",
                       "........",
                       "22222222"});
        fall_delay = 24;
        place(4, 36);
        keys(input::Left | input::Up);
        player_dig();
        EXPECT_EQ(cell(0, 3), 0x7C);
    }
    {
        // Mid-walk Down is skipped and Up is taken.
        HostRecorder host;
        fill_board(3, {"...4....",
                       "........",
                       "22222222"});
        fall_delay = 24;
        place(30, 36);
        keys(input::Down | input::Up);
        player_dig();
        EXPECT_EQ(cell(3, 5), 0x50);
        EXPECT_EQ(cell(3, 3), 0x7C);
    }
}

TEST(Dig, StandingCountsAirButNotGaps) {
    HostRecorder host;
    // Falling through an empty cell: no dig, even with a block beside.
    fill_board(4, {"....1...",
                   "........"});
    place(28, 36);
    keys(input::Right);
    player_dig();
    EXPECT_EQ(cell(4, 4), 0x40);
    // A capsule underfoot counts as standing.
    set_kind(3, 5, Air);
    player_dig();
    EXPECT_EQ(cell(4, 4), 0x4C);
    // Crumbling underfoot does not.
    set_cell(4, 4, 0x40);
    set_kind(3, 5, Crumbling);
    player_dig();
    EXPECT_EQ(cell(4, 4), 0x40);
    EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
}

TEST(Dig, UpOnlyUnderABlockThatHasNotStartedToSlide) {
    HostRecorder host;
    fill_board(3, {"...2....",
                   "........",
                   "hhhhhhhh"});
    fall_delay = 24;
    place(28, 36);
    keys(input::Up);

    set_fall_timer(3, 3, 24);  // sliding
    player_dig();
    EXPECT_EQ(cell(3, 3), 0x50);
    // A timer far above the delay is still not less than it, whatever its top bit.
    set_fall_timer(3, 3, 200);
    player_dig();
    EXPECT_EQ(cell(3, 3), 0x50);
    EXPECT_TRUE(host.lines().empty());

    set_fall_timer(3, 3, 23);  // still shaking
    player_dig();
    EXPECT_EQ(cell(3, 3), 0x5C);
    EXPECT_EQ(host.lines(), Lines{"sound break.wav"});
}

TEST(Dig, HardNeedsTwoFreshPressesAndCostsAir) {
    HostRecorder host;
    fill_board(4, {"........",
                   "hhhhhhhh",
                   "hhhhhhhh"});
    place(28, 36);
    air = 5000;

    // Down already held at the previous poll (say, from the title): nothing.
    keys(input::Down, input::Down);
    player_dig();
    EXPECT_EQ(cell(3, 5), 0x30);

    keys(input::Down, input::Right);
    player_dig();
    EXPECT_EQ(cell(3, 5), 0x32);
    EXPECT_EQ(air, 5000);

    keys(input::Down, input::Down);  // kept held
    player_dig();
    player_dig();
    EXPECT_EQ(cell(3, 5), 0x32);

    keys(input::Down, 0);  // released for one poll, pressed again
    player_dig();
    EXPECT_EQ(cell(3, 5), 0x38);  // Doomed alone: no Check, Cracked gone
    EXPECT_EQ(air, 3000);
    EXPECT_EQ(host.lines(), (Lines{"sound dig.wav", "sound down.wav"}));

    // The second dig has no floor under air.
    set_cell(3, 5, 0x32);
    air = 1500;
    player_dig();
    EXPECT_EQ(air, -500);
}

TEST(Dig, CapsulesGiveAirUpToTheCap) {
    HostRecorder host;
    fill_board(4, {"...a....",
                   "hhhahhhh"});
    place(20, 36);  // centred on column 2, the capsule to the right
    keys(input::Right, input::Right);  // held keys dig capsules again
    air = 8000;
    player_dig();
    EXPECT_EQ(cell(3, 4), 0x28);
    EXPECT_EQ(air, 9000);
    air = 9500;
    player_dig();
    EXPECT_EQ(air, 10000);
    air = 10000;
    player_dig();
    EXPECT_EQ(air, 10000);
    // A negative supply is raised by the full amount.
    air = -300;
    player_dig();
    EXPECT_EQ(air, 700);
    EXPECT_EQ(host.lines(), Lines(4, "sound up.wav"));
    // Standing on a capsule, Down digs it.
    place(28, 36);
    keys(input::Down);
    player_dig();
    EXPECT_EQ(cell(3, 5), 0x28);
    EXPECT_EQ(air, 1700);
}

}  // namespace
}  // namespace murlo
