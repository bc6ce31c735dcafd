#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "board/board.h"
#include "board/group.h"
#include "game/game.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;
using Cells = std::vector<std::pair<int, int>>;

Cells listed(int n) {
    Cells out;
    for (int i = 0; i < n; ++i) out.emplace_back(group_list.entry[i].column, group_list.entry[i].row);
    return out;
}

TEST(GroupSearch, BreadthFirstInUpRightDownLeftOrderIgnoringFlags) {
    reset_program_state();
    fill_board(0, {"........", "........", "........", "........",
                   "..2.....",
                   ".223....",  // another kind right of the start
                   "..22....",
                   "...3...."});
    board.cell[cell_index(2, 6)] |= 0x0F;  // flags never matter for membership
    find_group(2, 5, Soft2);
    EXPECT_EQ(group_count, 5);
    EXPECT_EQ(listed(5), (Cells{{2, 5}, {2, 4}, {2, 6}, {1, 5}, {3, 6}}));
    EXPECT_EQ(listed(25)[5], (std::pair<int, int>{0, 0}));  // unused entries are cleared

    find_group(3, 7, Soft3);  // a lone block
    EXPECT_EQ(group_count, 1);
    EXPECT_EQ(listed(1), (Cells{{3, 7}}));
}

TEST(GroupSearch, NeverCrossesTheColumnSeamOrTheTopAndBottom) {
    reset_program_state();
    // In storage (7, 4) sits right before (0, 5).
    fill_board(4, {".......1", "1......."});
    find_group(7, 4, Soft1);
    EXPECT_EQ(group_count, 1);
    find_group(0, 5, Soft1);
    EXPECT_EQ(group_count, 1);

    fill_board(0, {"44444444"});
    set_kind(3, 29, Soft4);
    set_kind(4, 29, Soft4);
    find_group(3, 0, Soft4);
    EXPECT_EQ(group_count, 8);
    find_group(4, 29, Soft4);
    EXPECT_EQ(group_count, 2);
}

TEST(GroupSearch, UpToTwentyFourCellsAreFoundWhole) {
    reset_program_state();
    fill_board(10, {"hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "33333333"});
    for (int row = 10; row < 13; ++row) {
        for (int column = 0; column < 8; ++column) {
            find_group(static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), Hard);
            ASSERT_EQ(group_count, 24) << column << "," << row;
            EXPECT_EQ(listed(25)[24], (std::pair<int, int>{0, 0}));
        }
    }
}

TEST(GroupSearch, CappedSearchStopsBeforeExaminingPastTheTwentyFifthListedCell) {
    reset_program_state();
    fill_board(10, {"11111111", "11111111", "11111111", "11111111"});
    find_group(0, 10, Soft1);
    EXPECT_EQ(group_count, 20);
    EXPECT_EQ(listed(25), (Cells{{0, 10}, {1, 10}, {0, 11}, {2, 10}, {1, 11}, {0, 12}, {3, 10},
                                 {2, 11}, {1, 12}, {0, 13}, {4, 10}, {3, 11}, {2, 12}, {1, 13},
                                 {5, 10}, {4, 11}, {3, 12}, {2, 13}, {6, 10}, {5, 11},
                                 // listed but never examined, so not part of the result
                                 {4, 12}, {3, 13}, {7, 10}, {6, 11}, {5, 12}}));

    find_group(3, 11, Soft1);
    EXPECT_EQ(group_count, 16);
}

}  // namespace
}  // namespace murlo
