#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/player.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::rng_after;

TEST(Random, FirstValuesFromTheSeedWrapAt32Bits) {
    std::uint32_t rng_state = rng_seed;
    EXPECT_EQ(rng_next(rng_state), 0x99161E8Au);
    EXPECT_EQ(rng_next(rng_state), 0x2F9AD5CBu);
    EXPECT_EQ(rng_next(rng_state), 0x4D3BD892u);
    EXPECT_EQ(rng_state, 0x4D3BD892u);
}

TEST(CellOperations, KindsAndFlagsLiveInSeparateNibbles) {
    Board board{};
    board.cell[cell_index(2, 5)] = 0x5A;  // Soft2 with Cracked and Doomed
    EXPECT_EQ(get_kind(board, 2, 5), Soft2);
    set_kind(board, 2, 5, Crumbling);
    EXPECT_EQ(board.cell[cell_index(2, 5)], 0x1A);
    EXPECT_TRUE(test_flag(board, 2, 5, Cracked));
    EXPECT_TRUE(test_flag(board, 2, 5, Doomed));
    EXPECT_FALSE(test_flag(board, 2, 5, Check));
    set_flag(board, 2, 5, Check);
    clear_flag(board, 2, 5, Doomed);
    EXPECT_EQ(board.cell[cell_index(2, 5)], 0x16);
    set_fall_timer(board, 7, 29, 200);
    EXPECT_EQ(board.fall_timer[239], 200);
}

TEST(CellOperations, OutsideTheBoardReadsEmptyWithNoFlagsOrTimer) {
    Board board{};
    for (std::uint8_t& c : board.cell) c = 0x7F;
    for (std::uint8_t& t : board.fall_timer) t = 99;
    const int outside[][2] = {{-1, 5}, {8, 5}, {3, -1}, {3, 30}, {-128, 127}};
    for (const auto& at : outside) {
        const auto c = static_cast<std::int8_t>(at[0]);
        const auto r = static_cast<std::int8_t>(at[1]);
        EXPECT_EQ(get_kind(board, c, r), Empty);
        EXPECT_EQ(get_fall_timer(board, c, r), 0);
        for (int flag = 0; flag < 4; ++flag) EXPECT_FALSE(test_flag(board, c, r, flag));
    }
}

TEST(NewBoard, OpensTheTopRowsAndFillsTheRestFromFourHundredEightyDraws) {
    Game g{};
    Board& board = g.well.board;
    for (std::uint8_t& c : board.cell) c = 0xFF;
    for (std::uint8_t& t : board.fall_timer) t = 0xFF;
    g.well.rng_state = rng_seed;
    new_board(g);

    EXPECT_EQ(g.well.rng_state, rng_after(rng_seed, 480));
    EXPECT_EQ(g.player_x, 28);
    EXPECT_EQ(g.player_y, 20);
    EXPECT_EQ(g.facing, Facing::Down);
    int capsules = 0;
    for (int row = 0; row < board_rows; ++row) {
        for (int column = 0; column < board_columns; ++column) {
            const std::uint8_t cell = board.cell[cell_index(column, row)];
            EXPECT_EQ(board.fall_timer[cell_index(column, row)], 0);
            EXPECT_EQ(cell & 0x0F, 0) << column << "," << row;
            if (row < 3) {
                EXPECT_EQ(cell, 0);
            } else {
                EXPECT_GE(cell >> 4, Air);
                EXPECT_LE(cell >> 4, Soft4);
                capsules += (cell >> 4) == Air;
            }
        }
    }
    EXPECT_LT(capsules, 40);  // about 1 in 29 of 216 cells

    // Each cell takes its kind from the first of its two draws, and the
    // second turns one in 29 into a capsule.
    std::uint32_t state = rng_seed;
    for (int row = 0; row < board_rows; ++row) {
        for (int column = 0; column < board_columns; ++column) {
            state = rng_after(state, 1);
            std::uint8_t kind = static_cast<std::uint8_t>(state % 5 + 3);
            state = rng_after(state, 1);
            if (state % 29 == 0) kind = Air;
            if (row >= 3) {
                EXPECT_EQ(get_kind(board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row)),
                          kind);
            }
        }
    }
}

TEST(ScrollBoard, OnlyAtTwoHundredFourAndThenMovesFifteenRowsUp) {
    Game g{};
    Board& board = g.well.board;
    g.well.rng_state = rng_seed;
    for (int i = 0; i < board_cells; ++i) {
        board.cell[i] = static_cast<std::uint8_t>(i);
        board.fall_timer[i] = static_cast<std::uint8_t>(255 - i);
    }
    const Board before = board;
    for (const int y : {202, 206, 84}) {
        g.player_y = y;
        scroll_board(g);
        EXPECT_EQ(g.player_y, y);
        EXPECT_EQ(g.well.rng_state, rng_seed);
        EXPECT_EQ(0, std::memcmp(&board, &before, sizeof board));
    }

    g.player_x = 37;
    g.player_y = 204;
    scroll_board(g);
    EXPECT_EQ(g.player_y, 84);
    EXPECT_EQ(g.player_x, 37);
    EXPECT_EQ(g.well.rng_state, rng_after(rng_seed, 240));
    for (int row = 0; row < 15; ++row)
        for (int column = 0; column < board_columns; ++column) {
            EXPECT_EQ(board.cell[cell_index(column, row)], before.cell[cell_index(column, row + 15)]);
            EXPECT_EQ(board.fall_timer[cell_index(column, row)],
                      before.fall_timer[cell_index(column, row + 15)]);
        }
    std::uint32_t state = rng_seed;
    for (int row = 15; row < board_rows; ++row)
        for (int column = 0; column < board_columns; ++column) {
            state = rng_after(state, 1);
            std::uint8_t kind = static_cast<std::uint8_t>(state % 5 + 3);
            state = rng_after(state, 1);
            if (state % 13 == 0) kind = Air;  // capsules come more often in new rows
            EXPECT_EQ(board.cell[cell_index(column, row)], kind << 4);
            EXPECT_EQ(board.fall_timer[cell_index(column, row)], 0);
        }
}

TEST(ScrollBoard, ALooseBlockKeepsFallingAfterTheScroll) {
    Game g{};
    Board& board = g.well.board;
    board.cell[cell_index(4, 20)] = (Soft3 << 4) | (1 << Loose);
    board.fall_timer[cell_index(4, 20)] = 17;
    g.player_y = 204;
    scroll_board(g);
    EXPECT_EQ(get_kind(board, 4, 5), Soft3);
    EXPECT_TRUE(test_flag(board, 4, 5, Loose));
    EXPECT_EQ(get_fall_timer(board, 4, 5), 17);
}

}  // namespace
}  // namespace murlo
