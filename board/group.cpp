#include "board/group.h"

#include "board/board.h"

namespace murlo {

GroupList group_list = {};
std::int8_t group_count = 0;

namespace {

// Neighbour steps in the order they are tried: up, right, down, left.
// Which cells make the cut in a capped search follows from this order.
constexpr std::int32_t step_column[4] = {0, 1, 0, -1};
constexpr std::int32_t step_row[4] = {-1, 0, 1, 0};

bool already_listed(int listed, int column, int row) {
    for (int i = 0; i < listed; ++i)
        if (group_list.entry[i].column == column && group_list.entry[i].row == row) return true;
    return false;
}

}  // namespace

void find_group(std::int8_t column, std::int8_t row, std::uint8_t kind) {
    for (GroupEntry& e : group_list.entry) e = {0, 0};
    group_count = 0;
    group_list.entry[0] = {static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(row)};
    int listed = 1;

    // Breadth-first: group_count walks the list while new cells are appended
    // behind it. A full list ends the search before the next cell is
    // examined, so a capped search reports fewer cells than it listed.
    while (listed < group_capacity) {
        const GroupEntry here = group_list.entry[group_count];
        for (int s = 0; s < 4; ++s) {
            const int c = here.column + step_column[s];
            const int r = here.row + step_row[s];
            // Never across the seam: column 8 of one row sits next to
            // column 0 of the next in storage.
            if (c < 0 || c >= board_columns) continue;
            // Above row 0 and below row 29 everything reads as Empty, which
            // is never a requested kind; skipping them keeps the search on
            // the board even so.
            if (r < 0 || r >= board_rows) continue;
            if (already_listed(listed, c, r)) continue;
            if (get_kind(static_cast<std::int8_t>(c), static_cast<std::int8_t>(r)) != kind) continue;
            if (listed >= group_capacity) continue;
            group_list.entry[listed] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r)};
            ++listed;
        }
        ++group_count;
        if (group_count == listed) break;
    }
}

}  // namespace murlo
