#include <gtest/gtest.h>

#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/falling.h"
#include "board/group.h"
#include "board/support.h"
#include "game/game.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;

constexpr std::uint8_t loose_bit = 1 << Loose;
constexpr std::uint8_t cracked_bit = 1 << Cracked;
constexpr std::uint8_t check_bit = 1 << Check;
constexpr std::uint8_t doomed_bit = 1 << Doomed;

constexpr std::uint8_t byte_of(std::uint8_t kind, std::uint8_t flags = 0) {
    return static_cast<std::uint8_t>(kind << 4 | flags);
}

std::uint8_t at(int column, int row) { return board.cell[cell_index(column, row)]; }
std::uint8_t timer(int column, int row) { return board.fall_timer[cell_index(column, row)]; }

// The given rows from `first_row`, Empty above them and Hard below them.
void board_over_hard(int first_row, std::vector<std::string_view> rows) {
    reset_program_state();
    fall_delay = 24;
    while (first_row + static_cast<int>(rows.size()) < 30) rows.push_back("hhhhhhhh");
    fill_board(first_row, rows);
}

void make_loose(int column, int row, std::uint8_t t) {
    board.cell[cell_index(column, row)] |= loose_bit;
    board.fall_timer[cell_index(column, row)] = t;
}

// The board steps of one game frame, in frame order.
void physics_frame() {
    break_and_crumble();
    analyse_support();
    advance_fall_timers();
    drop_loose_blocks();
}

TEST(Breaking, DugBlockBreaksItsGroupMembersBehindTheScanOneFrameLater) {
    board_over_hard(9, {"..11...."});
    board.cell[cell_index(3, 9)] |= doomed_bit | check_bit;
    const std::uint8_t expected[5][2] = {
        {byte_of(Soft1, doomed_bit), byte_of(Crumbling, doomed_bit)},
        {byte_of(Crumbling, doomed_bit), byte_of(Crumbling, check_bit)},
        {byte_of(Crumbling, check_bit), byte_of(Crumbling, cracked_bit)},
        {byte_of(Crumbling, cracked_bit), byte_of(Empty)},
        {byte_of(Empty), byte_of(Empty)},
    };
    for (int pass = 0; pass < 5; ++pass) {
        break_and_crumble();
        EXPECT_EQ(at(2, 9), expected[pass][0]) << "pass " << pass + 1;
        EXPECT_EQ(at(3, 9), expected[pass][1]) << "pass " << pass + 1;
    }
}

TEST(Breaking, LandedBlockBreaksOnlyAGroupOfFourOrMore) {
    board_over_hard(8, {"...2....", ".222...."});
    board.cell[cell_index(3, 8)] |= check_bit;
    break_and_crumble();
    // The three in row 9 come later in the scan and turn in the same pass.
    const std::pair<int, int> group[] = {{3, 8}, {1, 9}, {2, 9}, {3, 9}};
    for (const auto& [c, r] : group)
        EXPECT_EQ(at(c, r), byte_of(Crumbling, doomed_bit)) << c << "," << r;

    board_over_hard(8, {"...2....", "..22...."});
    board.cell[cell_index(3, 8)] |= check_bit;
    break_and_crumble();
    EXPECT_EQ(at(3, 8), byte_of(Soft2));
    EXPECT_EQ(at(2, 9), byte_of(Soft2));
    EXPECT_EQ(at(3, 9), byte_of(Soft2));
}

TEST(Breaking, CrackedHardMemberSkipsStraightToEmptyLeavingCheck) {
    reset_program_state();
    fall_delay = 24;
    std::vector<std::string_view> rows = {"hhhh...."};
    rows.resize(21, "11111111");  // a floor of Soft1 down to the bottom
    fill_board(9, rows);
    board.cell[cell_index(1, 9)] |= cracked_bit;
    board.cell[cell_index(3, 9)] |= check_bit;
    const std::uint8_t expected[5][4] = {
        {byte_of(Hard, doomed_bit), byte_of(Hard, cracked_bit | doomed_bit), byte_of(Hard, doomed_bit),
         byte_of(Crumbling, doomed_bit)},
        {byte_of(Crumbling, doomed_bit), byte_of(Crumbling, cracked_bit | doomed_bit),
         byte_of(Crumbling, doomed_bit), byte_of(Crumbling, check_bit)},
        {byte_of(Crumbling, check_bit), byte_of(Empty, check_bit), byte_of(Crumbling, check_bit),
         byte_of(Crumbling, cracked_bit)},
        {byte_of(Crumbling, cracked_bit), byte_of(Empty, check_bit), byte_of(Crumbling, cracked_bit),
         byte_of(Empty)},
        {byte_of(Empty), byte_of(Empty, check_bit), byte_of(Empty), byte_of(Empty)},
    };
    for (int pass = 0; pass < 5; ++pass) {
        break_and_crumble();
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(at(column, 9), expected[pass][column]) << "pass " << pass + 1 << " column " << column;
    }
}

TEST(Breaking, DugGroupPastTheCapBreaksOnlyTheExaminedCells) {
    board_over_hard(10, {"11111111", "11111111", "11111111", "11111111"});
    board.cell[cell_index(0, 10)] |= doomed_bit | check_bit;
    // The twenty cells a capped search from (0, 10) examines.
    const std::vector<std::pair<int, int>> examined = {
        {0, 10}, {1, 10}, {0, 11}, {2, 10}, {1, 11}, {0, 12}, {3, 10}, {2, 11}, {1, 12}, {0, 13},
        {4, 10}, {3, 11}, {2, 12}, {1, 13}, {5, 10}, {4, 11}, {3, 12}, {2, 13}, {6, 10}, {5, 11}};
    for (int pass = 0; pass < 2; ++pass) {
        break_and_crumble();
        for (int row = 10; row < 14; ++row) {
            for (int column = 0; column < 8; ++column) {
                bool broken = false;
                for (const auto& cell : examined) broken |= cell == std::pair{column, row};
                EXPECT_EQ(at(column, row), broken ? byte_of(Crumbling, pass == 0 ? doomed_bit : check_bit)
                                                  : byte_of(Soft1))
                    << "pass " << pass + 1 << " at " << column << "," << row;
            }
        }
    }
}

TEST(Falling, LoneBlockShakesSlidesAndDropsOneRowPerEightFrames) {
    board_over_hard(5, {"....3...", "........", "........", "........", "........"});
    // Frame number -> the row the block is in after it.
    const std::map<int, int> row_after = {{0, 5}, {30, 5}, {31, 6}, {38, 6}, {39, 7},
                                          {46, 7}, {47, 8}, {55, 9}, {56, 9}};
    for (int frame = 0; frame <= 56; ++frame) {
        physics_frame();
        const auto expect = row_after.find(frame);
        if (expect == row_after.end()) continue;
        int row = -1;
        for (int r = 0; r < 10; ++r)
            if (get_kind(4, static_cast<std::int8_t>(r)) == Soft3) row = r;
        ASSERT_EQ(row, expect->second) << "after frame " << frame;
    }
    EXPECT_EQ(at(4, 9), byte_of(Soft3));
    EXPECT_EQ(timer(4, 9), 23);
}

TEST(Falling, DropsRunBottomUpAndOverwriteTheCellBelow) {
    // A stacked pair with equal timers moves down together.
    board_over_hard(7, {"......1.", "......2.", "........"});
    make_loose(6, 7, 31);
    make_loose(6, 8, 31);
    physics_frame();
    EXPECT_EQ(at(6, 7), byte_of(Empty));
    EXPECT_EQ(at(6, 8), byte_of(Soft1, check_bit));
    EXPECT_EQ(at(6, 9), byte_of(Soft2, check_bit));
    EXPECT_EQ(timer(6, 7), 0);
    EXPECT_EQ(timer(6, 8), 24);
    EXPECT_EQ(timer(6, 9), 24);
    physics_frame();
    EXPECT_EQ(at(6, 8), byte_of(Soft1));
    EXPECT_EQ(at(6, 9), byte_of(Soft2));
    EXPECT_EQ(timer(6, 8), 23);
    EXPECT_EQ(timer(6, 9), 23);

    // A falling block lands on a slower loose one and replaces it.
    board_over_hard(7, {".....1..", ".....2..", "........"});
    make_loose(5, 7, 31);
    make_loose(5, 8, 3);
    physics_frame();
    EXPECT_EQ(at(5, 7), byte_of(Empty));
    EXPECT_EQ(at(5, 8), byte_of(Soft1, check_bit));
    EXPECT_EQ(timer(5, 8), 24);

    // An Empty cell left Loose drops its emptiness onto a resting block.
    board_over_hard(8, {"........", "..2....."});
    make_loose(2, 8, 31);
    physics_frame();
    EXPECT_EQ(at(2, 9), byte_of(Empty));
    EXPECT_EQ(timer(2, 9), 24);

    // Into the bottom row, which the timer pass never visits.
    reset_program_state();
    fall_delay = 24;
    fill_board(28, {"1......."});
    make_loose(0, 28, 31);
    for (int frame = 0; frame < 5; ++frame) physics_frame();
    EXPECT_EQ(at(0, 29), byte_of(Soft1));
    EXPECT_EQ(timer(0, 29), 24);
}

TEST(Falling, TimersWrapInEightBitsAndFollowFallDelay) {
    reset_program_state();
    fall_delay = 15;
    fill_board(0, {});
    make_loose(0, 3, 255);
    make_loose(1, 29, 5);
    board.fall_timer[cell_index(2, 3)] = 15;  // just landed
    board.fall_timer[cell_index(3, 3)] = 16;  // any other resting value stays
    advance_fall_timers();
    EXPECT_EQ(timer(0, 3), 0);
    EXPECT_EQ(timer(1, 29), 5);
    EXPECT_EQ(timer(2, 3), 14);
    EXPECT_EQ(timer(3, 3), 16);

    // The drop comes at fall_delay + 8.
    make_loose(4, 3, 22);
    set_kind(4, 3, Hard);
    drop_loose_blocks();
    EXPECT_EQ(get_kind(4, 4), Empty);
    advance_fall_timers();
    drop_loose_blocks();
    EXPECT_EQ(at(4, 4), byte_of(Hard, check_bit));
    EXPECT_EQ(timer(4, 4), 15);
}

TEST(Falling, DoomedLooseBlockLeavesACrumblingCellBehindWhenItDrops) {
    board_over_hard(7, {"....1...", "........", "........"});
    make_loose(4, 7, 31);
    board.cell[cell_index(4, 7)] |= doomed_bit;
    physics_frame();  // turns Crumbling, then drops with its Doomed flag
    EXPECT_EQ(at(4, 7), byte_of(Empty, doomed_bit));
    EXPECT_EQ(at(4, 8), byte_of(Crumbling, doomed_bit));
    physics_frame();  // the left-over flag makes the vacated cell crumble too
    EXPECT_EQ(at(4, 7), byte_of(Crumbling, doomed_bit));
    EXPECT_EQ(at(4, 8), byte_of(Crumbling, check_bit));
    EXPECT_EQ(timer(4, 8), 23);
}

}  // namespace
}  // namespace murlo
