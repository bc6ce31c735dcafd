// The well: 8 columns by 30 rows of cell bytes with a fall timer per cell,
// the fall delay, the one random source and the scratch of the board steps,
// all in one value; fresh boards and scrolling.
#pragma once

#include <cstdint>

namespace murlo {

constexpr int board_columns = 8;
constexpr int board_rows = 30;
constexpr int board_cells = board_columns * board_rows;

// What occupies a cell: the high nibble of its byte.
enum BlockKind : std::uint8_t {
    Empty = 0,
    Crumbling = 1,  // a broken block in its last three frames; holds nothing up
    Air = 2,        // air capsule
    Hard = 3,
    Soft1 = 4,
    Soft2 = 5,
    Soft3 = 6,
    Soft4 = 7,
};

// Bit numbers of the cell flags in the low nibble. A kind change never
// touches them, so a flag outlives the kind it was set for.
enum CellFlag : std::uint8_t {
    Loose = 0,    // no support: shaking, then falling
    Cracked = 1,  // Hard dug once; third crumbling stage
    Check = 2,    // test the group for breaking; second crumbling stage
    Doomed = 3,   // turn Crumbling at the next breaking pass; first stage
};

// Cell (column, row) is at index column + 8 * row in both arrays.
struct Board {
    std::uint8_t cell[board_cells];
    std::uint8_t fall_timer[board_cells];
};

// The group search's shared list (see group.h).
constexpr int group_capacity = 25;

struct GroupEntry {
    std::uint8_t column;
    std::uint8_t row;
};

struct GroupList {
    GroupEntry entry[group_capacity];
};

// Everything the board steps read and change, from one frame to the next.
struct Well {
    Board board;
    std::int8_t fall_delay;   // timer value where shaking ends and sliding starts
    std::uint32_t rng_state;  // the random source; the title also reads it as its clock
    GroupList group_list;     // the last group search's cells
    // After a search: the number of entries examined, which callers take as
    // the group's size (less than the number listed when the search hit the cap).
    std::int8_t group_count;
    // One byte per row; bit (7 - column) set means the cell is hanging.
    std::uint8_t support_mask[board_rows];
};

constexpr int cell_index(int column, int row) { return column + board_columns * row; }
constexpr bool on_board(int column, int row) {
    return column >= 0 && column < board_columns && row >= 0 && row < board_rows;
}
constexpr bool is_block(int kind) { return kind >= Hard; }  // Hard or Soft: forms groups

// Reads outside the board see an Empty cell with no flags and timer 0; the
// writes do not check and callers keep inside the board.
std::uint8_t get_kind(const Board& board, std::int8_t column, std::int8_t row);
void set_kind(Board& board, std::int8_t column, std::int8_t row, std::uint8_t kind);
bool test_flag(const Board& board, std::int8_t column, std::int8_t row, int flag);
void set_flag(Board& board, std::int8_t column, std::int8_t row, int flag);
void clear_flag(Board& board, std::int8_t column, std::int8_t row, int flag);
std::uint8_t get_fall_timer(const Board& board, std::int8_t column, std::int8_t row);
void set_fall_timer(Board& board, std::int8_t column, std::int8_t row, std::uint8_t value);
std::uint8_t get_cell(const Board& board, std::int8_t column, std::int8_t row);
void set_cell(Board& board, std::int8_t column, std::int8_t row, std::uint8_t cell_byte);

// state * 7 + 5, wrapping; stores and returns the new state.
std::uint32_t rng_next(std::uint32_t& rng_state);

// The rows half a scroll moves: the bottom 15 go up to the top.
constexpr int scroll_rows = 15;

// Fill all 30 rows with new blocks and open the top three: a fresh well.
void fill_new_board(Well& well);
// Move rows 15..29 up to 0..14, timers and all, and refill rows 15..29.
void shift_board_up(Well& well);

}  // namespace murlo
