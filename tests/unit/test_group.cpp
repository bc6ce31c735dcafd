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

Cells listed(const Well& well, int n) {
    Cells out;
    for (int i = 0; i < n; ++i) {
        const GroupEntry& e = well.group_list.entry[i];
        out.emplace_back(e.column, e.row);
    }
    return out;
}

TEST(GroupSearch, BreadthFirstInUpRightDownLeftOrderIgnoringFlags) {
    Well w{};
    fill_board(w, 0, {"........", "........", "........", "........",
                      "..2.....",
                      ".223....",  // another kind right of the start
                      "..22....",
                      "...3...."});
    w.board.cell[cell_index(2, 6)] |= 0x0F;  // flags never matter for membership
    find_group(w, 2, 5, Soft2);
    EXPECT_EQ(w.group_count, 5);
    EXPECT_EQ(listed(w, 5), (Cells{{2, 5}, {2, 4}, {2, 6}, {1, 5}, {3, 6}}));
    EXPECT_EQ(listed(w, 25)[5], (std::pair<int, int>{0, 0}));  // unused entries are cleared

    find_group(w, 3, 7, Soft3);  // a lone block
    EXPECT_EQ(w.group_count, 1);
    EXPECT_EQ(listed(w, 1), (Cells{{3, 7}}));
}

TEST(GroupSearch, NeverCrossesTheColumnSeamOrTheTopAndBottom) {
    Well w{};
    // In storage (7, 4) sits right before (0, 5).
    fill_board(w, 4, {".......1", "1......."});
    find_group(w, 7, 4, Soft1);
    EXPECT_EQ(w.group_count, 1);
    find_group(w, 0, 5, Soft1);
    EXPECT_EQ(w.group_count, 1);

    fill_board(w, 0, {"44444444"});
    set_kind(w.board, 3, 29, Soft4);
    set_kind(w.board, 4, 29, Soft4);
    find_group(w, 3, 0, Soft4);
    EXPECT_EQ(w.group_count, 8);
    find_group(w, 4, 29, Soft4);
    EXPECT_EQ(w.group_count, 2);
}

TEST(GroupSearch, UpToTwentyFourCellsAreFoundWhole) {
    Well w{};
    fill_board(w, 10, {"hhhhhhhh", "hhhhhhhh", "hhhhhhhh", "33333333"});
    for (int row = 10; row < 13; ++row) {
        for (int column = 0; column < 8; ++column) {
            find_group(w, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), Hard);
            ASSERT_EQ(w.group_count, 24) << column << "," << row;
            EXPECT_EQ(listed(w, 25)[24], (std::pair<int, int>{0, 0}));
        }
    }
}

TEST(GroupSearch, CappedSearchStopsBeforeExaminingPastTheTwentyFifthListedCell) {
    Well w{};
    fill_board(w, 10, {"11111111", "11111111", "11111111", "11111111"});
    find_group(w, 0, 10, Soft1);
    EXPECT_EQ(w.group_count, 20);
    EXPECT_EQ(listed(w, 25), (Cells{{0, 10}, {1, 10}, {0, 11}, {2, 10}, {1, 11}, {0, 12}, {3, 10},
                                 {2, 11}, {1, 12}, {0, 13}, {4, 10}, {3, 11}, {2, 12}, {1, 13},
                                 {5, 10}, {4, 11}, {3, 12}, {2, 13}, {6, 10}, {5, 11},
                                 // listed but never examined, so not part of the result
                                 {4, 12}, {3, 13}, {7, 10}, {6, 11}, {5, 12}}));

    find_group(w, 3, 11, Soft1);
    EXPECT_EQ(w.group_count, 16);
}

}  // namespace
}  // namespace murlo
