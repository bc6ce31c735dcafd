#include "board/support.h"

#include "board/board.h"
#include "board/group.h"

namespace murlo {

std::uint8_t support_mask[30] = {};

void mark_hanging(std::int8_t column, std::int8_t row) {
    support_mask[row] |= static_cast<std::uint8_t>(0x80u >> column);
}

void clear_hanging(std::int8_t column, std::int8_t row) {
    support_mask[row] &= static_cast<std::uint8_t>(~(0x80u >> column));
}

bool is_hanging(std::int8_t column, std::int8_t row) {
    return (support_mask[row] >> (7 - column)) & 1u;
}

namespace {

// A cell that holds nothing up: nothing there, a crumbling block, or a
// block that is itself loose.
bool is_gap(std::int8_t column, std::int8_t row) {
    const std::uint8_t kind = get_kind(column, row);
    return kind == Empty || kind == Crumbling || test_flag(column, row, Loose);
}

// Clear the bits of the cells the last group search examined.
void clear_group_hanging() {
    for (int i = 0; i < group_count; ++i)
        clear_hanging(static_cast<std::int8_t>(group_list.entry[i].column),
                      static_cast<std::int8_t>(group_list.entry[i].row));
}

bool group_touches_held_cell() {
    for (int i = 0; i < group_count; ++i)
        if (!is_hanging(static_cast<std::int8_t>(group_list.entry[i].column),
                        static_cast<std::int8_t>(group_list.entry[i].row)))
            return true;
    return false;
}

}  // namespace

void analyse_support() {
    // Columns first: a cell hangs when any cell below it in its own column,
    // down to the floor, is a gap. The latch carries that upward.
    support_mask[board_rows - 1] = 0;
    bool latch[board_columns] = {};
    for (int row = board_rows - 2; row >= 0; --row) {
        for (int column = 0; column < board_columns; ++column) {
            const auto c = static_cast<std::int8_t>(column);
            const auto r = static_cast<std::int8_t>(row);
            if (latch[column]) {
                mark_hanging(c, r);
            } else if (is_gap(c, static_cast<std::int8_t>(row + 1))) {
                mark_hanging(c, r);
                latch[column] = true;
            } else {
                clear_hanging(c, r);
            }
        }
    }

    // Then decide bottom-up, so a block made loose here is already a gap for
    // the block above it: a column of mixed blocks over a hole goes together.
    // A group is held as a whole by any member that is held; members decided
    // earlier in the scan are not revisited, so a group held only through a
    // later member splits.
    for (int row = board_rows - 2; row >= 0; --row) {
        for (int column = 0; column < board_columns; ++column) {
            const auto c = static_cast<std::int8_t>(column);
            const auto r = static_cast<std::int8_t>(row);
            const auto below = static_cast<std::int8_t>(row + 1);
            const std::uint8_t kind = get_kind(c, r);
            if (test_flag(c, r, Loose) || !is_hanging(c, r) || kind == Empty || kind == Crumbling)
                continue;

            if (kind == Air) {
                // A capsule is held only from directly beneath.
                if (!is_gap(c, below)) clear_hanging(c, r);
            } else if (is_block(kind)) {
                if (is_gap(c, below)) {
                    find_group(c, r, kind);
                    if (group_touches_held_cell()) clear_group_hanging();
                } else if (get_kind(c, below) != kind) {
                    // Resting on a capsule or a block of another kind: the
                    // whole group is held.
                    find_group(c, r, kind);
                    clear_group_hanging();
                }
                // Resting on its own kind: that member was settled when its
                // row came up, and settled this one with it.
            }

            if (is_hanging(c, r)) {
                set_flag(c, r, Loose);
                // A block that dropped a row last frame arrives with its timer
                // at fall_delay and keeps it, so it slides on without shaking.
                if (get_fall_timer(c, r) != fall_delay) set_fall_timer(c, r, 0);
            }
        }
    }
}

}  // namespace murlo
