#include "board/group.h"

#include "board/board.h"

namespace murlo {

// Breadth-first: the examined count walks the list while new cells are appended
// behind it, the neighbours of each taken in the order up, right, down, left.
// That order decides which cells make the cut in a capped search. The
// support analysis runs one search per hanging block every frame, so this is
// the hot spot of the board steps.
void find_group(Well& well, std::int8_t column, std::int8_t row, std::uint8_t kind) {
    // The list is built in locals, one cell index a byte, and written out at
    // the end: kept apart from the well, nothing needs reloading after each
    // byte written, and every byte read back is one byte written (a
    // (column, row) pair built up and read back whole stalls the processor).
    // A bit per cell answers "already listed?" without a walk through the list.
    std::uint8_t found[group_capacity];
    std::uint8_t listed_mask[board_rows] = {};  // bit c: (c, row) is listed
    found[0] = static_cast<std::uint8_t>(cell_index(column, row));
    listed_mask[row] = static_cast<std::uint8_t>(1u << column);
    int listed = 1;
    const std::uint8_t* const cells = well.board.cell;
    int examined = 0;

    const auto consider = [&](int c, int r) {
        const auto bit = static_cast<std::uint8_t>(1u << c);
        if (listed_mask[r] & bit) return;
        if ((cells[cell_index(c, r)] >> 4) != kind) return;
        if (listed >= group_capacity) return;
        listed_mask[r] |= bit;
        found[listed] = static_cast<std::uint8_t>(cell_index(c, r));
        ++listed;
    };

    // A full list ends the search before the next cell is examined, so a
    // capped search reports fewer cells than it listed.
    while (listed < group_capacity) {
        const int c = found[examined] % board_columns;
        const int r = found[examined] / board_columns;
        // Nothing is taken from above row 0 or below row 29 (they read as
        // Empty), nor across the seam: in storage column 7 of one row sits
        // right before column 0 of the next.
        if (r > 0) consider(c, r - 1);
        if (c < board_columns - 1) consider(c + 1, r);
        if (r < board_rows - 1) consider(c, r + 1);
        if (c > 0) consider(c - 1, r);
        ++examined;
        if (examined == listed) break;
    }

    well.group_list = GroupList{};  // entries past the listed ones read (0, 0)
    for (int i = 0; i < listed; ++i)
        well.group_list.entry[i] = {static_cast<std::uint8_t>(found[i] % board_columns),
                                    static_cast<std::uint8_t>(found[i] / board_columns)};
    well.group_count = static_cast<std::int8_t>(examined);
}

}  // namespace murlo
