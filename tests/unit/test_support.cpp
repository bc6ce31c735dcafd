#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/support.h"
#include "game/game.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;
using Cells = std::vector<std::pair<int, int>>;

constexpr std::uint8_t byte_of_hard = Hard << 4;

// Empty above row 10, Hard from row 10 down, then the given rows on top
// from `first_row` (a space keeps what is there).
void hard_floor_board(Well& w, int first_row, const std::vector<std::string_view>& rows) {
    w = {};
    w.fall_delay = 24;
    fill_board(w, 10, std::vector<std::string_view>(20, "hhhhhhhh"));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int column = 0; column < 8; ++column) {
            const char ch = rows[i][column];
            const auto c = static_cast<std::int8_t>(column);
            const auto r = static_cast<std::int8_t>(first_row + static_cast<int>(i));
            if (ch == ' ') continue;
            // Kinds by position: Empty, Crumbling, Air, Hard, Soft1..Soft4.
            set_kind(w.board, c, r, static_cast<std::uint8_t>(std::string_view(".cah1234").find(ch)));
        }
    }
}

Cells loose_cells(const Well& w) {
    Cells out;
    for (int row = 0; row < 30; ++row)
        for (int column = 0; column < 8; ++column)
            if (test_flag(w.board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), Loose))
                out.emplace_back(column, row);
    return out;
}

TEST(Support, BlocksAndCapsulesOverAGapTurnLooseTogether) {
    Well w{};
    // A lone block over a hole; its shaking timer restarts unless it just
    // dropped a row (timer at fall_delay).
    hard_floor_board(w, 9, {"   3    ", "   .    "});
    set_fall_timer(w.board, 3, 9, 7);
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{3, 9}}));
    EXPECT_EQ(get_fall_timer(w.board, 3, 9), 0);
    hard_floor_board(w, 9, {"   3    ", "   .    "});
    set_fall_timer(w.board, 3, 9, 24);
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{3, 9}}));
    EXPECT_EQ(get_fall_timer(w.board, 3, 9), 24);

    // A column of different kinds, a same-kind pair, a capsule, a block on a
    // capsule, a block over a crumbling cell: all go in one run.
    hard_floor_board(w, 8, {"  31    ", "4 21a  3", "a ...  c", ".       "});
    set_fall_timer(w.board, 2, 8, 200);
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{2, 8}, {3, 8}, {0, 9}, {2, 9}, {3, 9}, {4, 9}, {7, 9},
                                    {0, 10}}));
    EXPECT_EQ(get_fall_timer(w.board, 2, 8), 0);

    // The bottom row stands on the floor.
    w = {};
    fill_board(w, 28, {"..1..2..", "3....h.."});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{2, 28}}));
}

TEST(Support, OneHeldMemberHoldsItsGroupAndWhatRestsOnIt) {
    Well w{};
    // The pair in row 10 is held by (7, 10) over the Hard column; the capsule
    // on it stands.
    hard_floor_board(w, 9, {"      a ", "      22", "      . "});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), Cells{});

    // Block on a capsule on a Hard block held by its large group.
    hard_floor_board(w, 9, {"  4     ", "  a     ", "        ", "  .     "});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), Cells{});

    // A full row over an empty floor row, held by its one member down there.
    w = {};
    fill_board(w, 28, {"11111111", "....1..."});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), Cells{});
}

TEST(Support, GroupHeldOnlyThroughAMemberLaterInTheScanSplits) {
    Well w{};
    // (0, 5) is examined first, finds (0, 5) and (1, 5) both hanging and
    // turns loose; (1, 5) then rests on the held Soft2 pair.
    w.fall_delay = 24;
    fill_board(w, 5, {"11......", ".22....."});
    for (int i = cell_index(0, 7); i < board_cells; ++i) w.board.cell[i] = byte_of_hard;
    w.board.cell[cell_index(1, 7)] = 0;
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{0, 5}}));

    // Across rows: (0, 9) and then (0, 8) turn loose before (1, 8) is found
    // resting on the held Soft2.
    hard_floor_board(w, 8, {"11      ", "12      ", ".       ", " .      "});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{0, 8}, {0, 9}}));
}

TEST(Support, AGroupTooLargeForOneSearchIsSettledPieceByPiece) {
    Well w{};
    // 33 Soft1 cells held only through (7, 29). The searches from (0, 28) to
    // (3, 28) stop at twenty cells before reaching column 7, so those four
    // turn loose; (4, 28) reaches it and clears only what it examined.
    // (6, 26) rests on its own kind, settled by none of the searches, and
    // hangs.
    w.fall_delay = 24;
    fill_board(w, 25, {"11111111", "11111111", "11111111", "11111111", ".......1"});
    analyse_support(w);
    EXPECT_EQ(loose_cells(w), (Cells{{6, 26}, {0, 28}, {1, 28}, {2, 28}, {3, 28}}));
}

}  // namespace
}  // namespace murlo
