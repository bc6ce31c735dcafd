#include "board/board.h"

namespace murlo {

std::uint8_t get_cell(const Board& board, std::int8_t column, std::int8_t row) {
    if (!on_board(column, row)) return 0;
    return board.cell[cell_index(column, row)];
}

void set_cell(Board& board, std::int8_t column, std::int8_t row, std::uint8_t cell_byte) {
    board.cell[cell_index(column, row)] = cell_byte;
}

std::uint8_t get_kind(const Board& board, std::int8_t column, std::int8_t row) {
    return get_cell(board, column, row) >> 4;
}

void set_kind(Board& board, std::int8_t column, std::int8_t row, std::uint8_t kind) {
    std::uint8_t& cell = board.cell[cell_index(column, row)];
    cell = static_cast<std::uint8_t>((kind << 4) | (cell & 0x0F));
}

bool test_flag(const Board& board, std::int8_t column, std::int8_t row, int flag) {
    return (get_cell(board, column, row) >> flag) & 1u;
}

void set_flag(Board& board, std::int8_t column, std::int8_t row, int flag) {
    board.cell[cell_index(column, row)] |= static_cast<std::uint8_t>(1u << flag);
}

void clear_flag(Board& board, std::int8_t column, std::int8_t row, int flag) {
    board.cell[cell_index(column, row)] &= static_cast<std::uint8_t>(~(1u << flag));
}

std::uint8_t get_fall_timer(const Board& board, std::int8_t column, std::int8_t row) {
    if (!on_board(column, row)) return 0;
    return board.fall_timer[cell_index(column, row)];
}

void set_fall_timer(Board& board, std::int8_t column, std::int8_t row, std::uint8_t value) {
    board.fall_timer[cell_index(column, row)] = value;
}

std::uint32_t rng_next(std::uint32_t& rng_state) {
    rng_state = rng_state * 7u + 5u;
    return rng_state;
}

namespace {

// A new block for a fresh or scrolled row: two draws per cell, the second
// turning one cell in `air_odds` into a capsule.
void fill_row(Well& well, int row, std::uint32_t air_odds) {
    for (int column = 0; column < board_columns; ++column) {
        const int i = cell_index(column, row);
        well.board.cell[i] = 0;
        well.board.fall_timer[i] = 0;
        std::uint8_t kind = static_cast<std::uint8_t>(rng_next(well.rng_state) % 5 + Hard);
        if (rng_next(well.rng_state) % air_odds == 0) kind = Air;
        well.board.cell[i] = static_cast<std::uint8_t>(kind << 4);
    }
}

}  // namespace

void fill_new_board(Well& well) {
    for (int row = 0; row < board_rows; ++row) fill_row(well, row, 29);
    // The top three rows start open, though their draws were still taken.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < board_columns; ++column)
            set_kind(well.board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), Empty);
}

void shift_board_up(Well& well) {
    Board& board = well.board;
    for (int i = 0; i < scroll_rows * board_columns; ++i) {
        board.cell[i] = board.cell[i + scroll_rows * board_columns];
        board.fall_timer[i] = board.fall_timer[i + scroll_rows * board_columns];
    }
    for (int row = board_rows - scroll_rows; row < board_rows; ++row) fill_row(well, row, 13);
}

}  // namespace murlo
