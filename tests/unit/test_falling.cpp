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

std::uint8_t at(const Well& w, int column, int row) { return w.board.cell[cell_index(column, row)]; }
std::uint8_t timer(const Well& w, int column, int row) { return w.board.fall_timer[cell_index(column, row)]; }

// The given rows from `first_row`, Empty above them and Hard below them.
void board_over_hard(Well& w, int first_row, std::vector<std::string_view> rows) {
    w = {};
    w.fall_delay = 24;
    while (first_row + static_cast<int>(rows.size()) < 30) rows.push_back("hhhhhhhh");
    fill_board(w, first_row, rows);
}

void make_loose(Well& w, int column, int row, std::uint8_t t) {
    w.board.cell[cell_index(column, row)] |= loose_bit;
    w.board.fall_timer[cell_index(column, row)] = t;
}

// The board steps of one game frame, in frame order.
void physics_frame(Well& w) {
    break_and_crumble(w);
    analyse_support(w);
    advance_fall_timers(w);
    drop_loose_blocks(w);
}

TEST(Breaking, DugBlockBreaksItsGroupMembersBehindTheScanOneFrameLater) {
    Well w{};
    board_over_hard(w, 9, {"..11...."});
    w.board.cell[cell_index(3, 9)] |= doomed_bit | check_bit;
    const std::uint8_t expected[5][2] = {
        {byte_of(Soft1, doomed_bit), byte_of(Crumbling, doomed_bit)},
        {byte_of(Crumbling, doomed_bit), byte_of(Crumbling, check_bit)},
        {byte_of(Crumbling, check_bit), byte_of(Crumbling, cracked_bit)},
        {byte_of(Crumbling, cracked_bit), byte_of(Empty)},
        {byte_of(Empty), byte_of(Empty)},
    };
    for (int pass = 0; pass < 5; ++pass) {
        break_and_crumble(w);
        EXPECT_EQ(at(w, 2, 9), expected[pass][0]) << "pass " << pass + 1;
        EXPECT_EQ(at(w, 3, 9), expected[pass][1]) << "pass " << pass + 1;
    }
}

TEST(Breaking, LandedBlockBreaksOnlyAGroupOfFourOrMore) {
    Well w{};
    board_over_hard(w, 8, {"...2....", ".222...."});
    w.board.cell[cell_index(3, 8)] |= check_bit;
    break_and_crumble(w);
    // The three in row 9 come later in the scan and turn in the same pass.
    const std::pair<int, int> group[] = {{3, 8}, {1, 9}, {2, 9}, {3, 9}};
    for (const auto& [c, r] : group)
        EXPECT_EQ(at(w, c, r), byte_of(Crumbling, doomed_bit)) << c << "," << r;

    board_over_hard(w, 8, {"...2....", "..22...."});
    w.board.cell[cell_index(3, 8)] |= check_bit;
    break_and_crumble(w);
    EXPECT_EQ(at(w, 3, 8), byte_of(Soft2));
    EXPECT_EQ(at(w, 2, 9), byte_of(Soft2));
    EXPECT_EQ(at(w, 3, 9), byte_of(Soft2));
}

TEST(Breaking, CrackedHardMemberSkipsStraightToEmptyLeavingCheck) {
    Well w{};
    w.fall_delay = 24;
    std::vector<std::string_view> rows = {"hhhh...."};
    rows.resize(21, "11111111");  // a floor of Soft1 down to the bottom
    fill_board(w, 9, rows);
    w.board.cell[cell_index(1, 9)] |= cracked_bit;
    w.board.cell[cell_index(3, 9)] |= check_bit;
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
        break_and_crumble(w);
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(at(w, column, 9), expected[pass][column])
                << "pass " << pass + 1 << " column " << column;
    }
}

TEST(Breaking, DugGroupPastTheCapBreaksOnlyTheExaminedCells) {
    Well w{};
    board_over_hard(w, 10, {"11111111", "11111111", "11111111", "11111111"});
    w.board.cell[cell_index(0, 10)] |= doomed_bit | check_bit;
    // The twenty cells a capped search from (0, 10) examines.
    const std::vector<std::pair<int, int>> examined = {
        {0, 10}, {1, 10}, {0, 11}, {2, 10}, {1, 11}, {0, 12}, {3, 10}, {2, 11}, {1, 12}, {0, 13},
        {4, 10}, {3, 11}, {2, 12}, {1, 13}, {5, 10}, {4, 11}, {3, 12}, {2, 13}, {6, 10}, {5, 11}};
    for (int pass = 0; pass < 2; ++pass) {
        break_and_crumble(w);
        for (int row = 10; row < 14; ++row) {
            for (int column = 0; column < 8; ++column) {
                bool broken = false;
                for (const auto& cell : examined) broken |= cell == std::pair{column, row};
                EXPECT_EQ(at(w, column, row), broken ? byte_of(Crumbling, pass == 0 ? doomed_bit : check_bit)
                                                  : byte_of(Soft1))
                    << "pass " << pass + 1 << " at " << column << "," << row;
            }
        }
    }
}

TEST(Falling, LoneBlockShakesSlidesAndDropsOneRowPerEightFrames) {
    Well w{};
    board_over_hard(w, 5, {"....3...", "........", "........", "........", "........"});
    // Frame number -> the row the block is in after it.
    const std::map<int, int> row_after = {{0, 5}, {30, 5}, {31, 6}, {38, 6}, {39, 7},
                                          {46, 7}, {47, 8}, {55, 9}, {56, 9}};
    for (int frame = 0; frame <= 56; ++frame) {
        physics_frame(w);
        const auto expect = row_after.find(frame);
        if (expect == row_after.end()) continue;
        int row = -1;
        for (int r = 0; r < 10; ++r)
            if (get_kind(w.board, 4, static_cast<std::int8_t>(r)) == Soft3) row = r;
        ASSERT_EQ(row, expect->second) << "after frame " << frame;
    }
    EXPECT_EQ(at(w, 4, 9), byte_of(Soft3));
    EXPECT_EQ(timer(w, 4, 9), 23);
}

TEST(Falling, DropsRunBottomUpAndOverwriteTheCellBelow) {
    Well w{};
    // A stacked pair with equal timers moves down together.
    board_over_hard(w, 7, {"......1.", "......2.", "........"});
    make_loose(w, 6, 7, 31);
    make_loose(w, 6, 8, 31);
    physics_frame(w);
    EXPECT_EQ(at(w, 6, 7), byte_of(Empty));
    EXPECT_EQ(at(w, 6, 8), byte_of(Soft1, check_bit));
    EXPECT_EQ(at(w, 6, 9), byte_of(Soft2, check_bit));
    EXPECT_EQ(timer(w, 6, 7), 0);
    EXPECT_EQ(timer(w, 6, 8), 24);
    EXPECT_EQ(timer(w, 6, 9), 24);
    physics_frame(w);
    EXPECT_EQ(at(w, 6, 8), byte_of(Soft1));
    EXPECT_EQ(at(w, 6, 9), byte_of(Soft2));
    EXPECT_EQ(timer(w, 6, 8), 23);
    EXPECT_EQ(timer(w, 6, 9), 23);

    // A falling block lands on a slower loose one and replaces it.
    board_over_hard(w, 7, {".....1..", ".....2..", "........"});
    make_loose(w, 5, 7, 31);
    make_loose(w, 5, 8, 3);
    physics_frame(w);
    EXPECT_EQ(at(w, 5, 7), byte_of(Empty));
    EXPECT_EQ(at(w, 5, 8), byte_of(Soft1, check_bit));
    EXPECT_EQ(timer(w, 5, 8), 24);

    // An Empty cell left Loose drops its emptiness onto a resting block.
    board_over_hard(w, 8, {"........", "..2....."});
    make_loose(w, 2, 8, 31);
    physics_frame(w);
    EXPECT_EQ(at(w, 2, 9), byte_of(Empty));
    EXPECT_EQ(timer(w, 2, 9), 24);

    // Into the bottom row, which the timer pass never visits.
    w = {};
    w.fall_delay = 24;
    fill_board(w, 28, {"1......."});
    make_loose(w, 0, 28, 31);
    for (int frame = 0; frame < 5; ++frame) physics_frame(w);
    EXPECT_EQ(at(w, 0, 29), byte_of(Soft1));
    EXPECT_EQ(timer(w, 0, 29), 24);
}

TEST(Falling, TimersWrapInEightBitsAndFollowFallDelay) {
    Well w{};
    w.fall_delay = 15;
    fill_board(w, 0, {});
    make_loose(w, 0, 3, 255);
    make_loose(w, 1, 29, 5);
    w.board.fall_timer[cell_index(2, 3)] = 15;  // just landed
    w.board.fall_timer[cell_index(3, 3)] = 16;  // any other resting value stays
    advance_fall_timers(w);
    EXPECT_EQ(timer(w, 0, 3), 0);
    EXPECT_EQ(timer(w, 1, 29), 5);
    EXPECT_EQ(timer(w, 2, 3), 14);
    EXPECT_EQ(timer(w, 3, 3), 16);

    // The drop comes at fall_delay + 8.
    make_loose(w, 4, 3, 22);
    set_kind(w.board, 4, 3, Hard);
    drop_loose_blocks(w);
    EXPECT_EQ(get_kind(w.board, 4, 4), Empty);
    advance_fall_timers(w);
    drop_loose_blocks(w);
    EXPECT_EQ(at(w, 4, 4), byte_of(Hard, check_bit));
    EXPECT_EQ(timer(w, 4, 4), 15);
}

TEST(Falling, DoomedLooseBlockLeavesACrumblingCellBehindWhenItDrops) {
    Well w{};
    board_over_hard(w, 7, {"....1...", "........", "........"});
    make_loose(w, 4, 7, 31);
    w.board.cell[cell_index(4, 7)] |= doomed_bit;
    physics_frame(w);  // turns Crumbling, then drops with its Doomed flag
    EXPECT_EQ(at(w, 4, 7), byte_of(Empty, doomed_bit));
    EXPECT_EQ(at(w, 4, 8), byte_of(Crumbling, doomed_bit));
    physics_frame(w);  // the left-over flag makes the vacated cell crumble too
    EXPECT_EQ(at(w, 4, 7), byte_of(Crumbling, doomed_bit));
    EXPECT_EQ(at(w, 4, 8), byte_of(Crumbling, check_bit));
    EXPECT_EQ(timer(w, 4, 8), 23);
}

}  // namespace
}  // namespace murlo
