#include "board/support.h"

#include "board/board.h"
#include "board/group.h"

namespace murlo {

void clear_hanging(Well& well, std::int8_t column, std::int8_t row) {
    well.support_mask[row] &= static_cast<std::uint8_t>(~(0x80u >> column));
}

namespace {

constexpr std::uint8_t loose_bit = 1u << Loose;

// A cell that holds nothing up: nothing there, a crumbling block, or a
// block that is itself loose.
bool is_gap(std::uint8_t cell) {
    const int kind = cell >> 4;
    return kind == Empty || kind == Crumbling || (cell & loose_bit);
}

// The gaps of one row as a mask laid out like support_mask.
std::uint8_t gap_mask(const Board& board, int row) {
    std::uint8_t mask = 0;
    for (int column = 0; column < board_columns; ++column)
        if (is_gap(board.cell[cell_index(column, row)])) mask |= static_cast<std::uint8_t>(0x80u >> column);
    return mask;
}

bool hanging_at(const Well& well, int column, int row) {
    return well.support_mask[row] & (0x80u >> column);
}

// Clear the bits of the cells the last group search examined.
void clear_group_hanging(Well& well) {
    for (int i = 0; i < well.group_count; ++i)
        clear_hanging(well, static_cast<std::int8_t>(well.group_list.entry[i].column),
                      static_cast<std::int8_t>(well.group_list.entry[i].row));
}

bool group_touches_held_cell(const Well& well) {
    for (int i = 0; i < well.group_count; ++i)
        if (!hanging_at(well, well.group_list.entry[i].column, well.group_list.entry[i].row))
            return true;
    return false;
}

}  // namespace

void analyse_support(Well& well) {
    Board& board = well.board;
    std::uint8_t* const support_mask = well.support_mask;
    // Columns first: a cell hangs when any cell below it in its own column,
    // down to the floor, is a gap. Scanning upward, each column's latch holds
    // once a gap has been met, so a row's mask is just the latches so far.
    // The bottom row stands on the floor.
    support_mask[board_rows - 1] = 0;
    std::uint8_t latch = 0;
    for (int row = board_rows - 2; row >= 0; --row) {
        latch |= gap_mask(board, row + 1);
        support_mask[row] = latch;
    }

    // Then decide bottom-up, so a block made loose here is already a gap for
    // the block above it: a column of mixed blocks over a hole goes together.
    // A group is held as a whole by any member that is held; members decided
    // earlier in the scan are not revisited, so a group held only through a
    // later member splits.
    for (int row = board_rows - 2; row >= 0; --row) {
        for (int column = 0; column < board_columns; ++column) {
            // Bits are only ever cleared from here on: a clear row is done.
            if (support_mask[row] == 0) break;
            const int i = cell_index(column, row);
            const std::uint8_t cell = board.cell[i];
            const std::uint8_t kind = cell >> 4;
            if ((cell & loose_bit) || !hanging_at(well, column, row) || kind == Empty || kind == Crumbling)
                continue;
            const std::uint8_t below = board.cell[i + board_columns];
            const auto c = static_cast<std::int8_t>(column);
            const auto r = static_cast<std::int8_t>(row);

            if (kind == Air) {
                // A capsule is held only from directly beneath.
                if (!is_gap(below)) clear_hanging(well, c, r);
            } else if (is_block(kind)) {
                if (is_gap(below)) {
                    find_group(well, c, r, kind);
                    if (group_touches_held_cell(well)) clear_group_hanging(well);
                } else if ((below >> 4) != kind) {
                    // Resting on a capsule or a block of another kind: the
                    // whole group is held.
                    find_group(well, c, r, kind);
                    clear_group_hanging(well);
                }
                // Resting on its own kind: that member was settled when its
                // row came up, and settled this one with it.
            }

            if (hanging_at(well, column, row)) {
                board.cell[i] = static_cast<std::uint8_t>(cell | loose_bit);
                // A block that dropped a row last frame arrives with its timer
                // at fall_delay and keeps it, so it slides on without shaking.
                if (board.fall_timer[i] != well.fall_delay) board.fall_timer[i] = 0;
            }
        }
    }
}

}  // namespace murlo
