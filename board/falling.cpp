#include "board/falling.h"

#include "board/board.h"
#include "board/group.h"

namespace murlo {

void break_and_crumble() {
    // Top to bottom, left to right. Group members later in the scan turn
    // Crumbling in this pass; those already passed carry Doomed to the next.
    for (int row = 0; row < board_rows; ++row) {
        for (int column = 0; column < board_columns; ++column) {
            const auto c = static_cast<std::int8_t>(column);
            const auto r = static_cast<std::int8_t>(row);
            const std::uint8_t kind = get_kind(c, r);

            if (kind == Crumbling) {
                // One stage per pass: Doomed, then Check, then Cracked, then
                // gone. Each test sees the flags the one before left.
                if (test_flag(c, r, Cracked)) {
                    clear_flag(c, r, Cracked);
                    set_kind(c, r, Empty);
                }
                if (test_flag(c, r, Check)) {
                    clear_flag(c, r, Check);
                    set_flag(c, r, Cracked);
                }
                if (test_flag(c, r, Doomed)) {
                    clear_flag(c, r, Doomed);
                    set_flag(c, r, Check);
                }
                continue;
            }

            if (is_block(kind) && test_flag(c, r, Check)) {
                find_group(c, r, kind);
                // A dug block breaks its whole group; a landed one only a
                // group of four or more. A capped search breaks only the
                // cells it examined.
                if (test_flag(c, r, Doomed) || group_count >= 4) {
                    for (int i = 0; i < group_count; ++i) {
                        const auto mc = static_cast<std::int8_t>(group_list.entry[i].column);
                        const auto mr = static_cast<std::int8_t>(group_list.entry[i].row);
                        set_flag(mc, mr, Doomed);
                        clear_flag(mc, mr, Check);
                    }
                } else {
                    clear_flag(c, r, Check);
                }
            }

            // Anything else marked Doomed (a block, a capsule, or an Empty
            // cell left a Doomed flag by a drop) starts crumbling, keeping
            // its flags.
            if (test_flag(c, r, Doomed)) set_kind(c, r, Crumbling);
        }
    }
}

void advance_fall_timers() {
    // Row 29 is not visited: a block that drops into it keeps fall_delay.
    for (int i = 0; i < (board_rows - 1) * board_columns; ++i) {
        if (board.cell[i] & (1u << Loose)) {
            board.fall_timer[i] = static_cast<std::uint8_t>(board.fall_timer[i] + 1);
        } else if (board.fall_timer[i] == fall_delay) {
            // Dropped a row last frame and not loose again: it has landed.
            board.fall_timer[i] = static_cast<std::uint8_t>(fall_delay - 1);
        }
    }
}

void drop_loose_blocks() {
    // Bottom-up, so a block moves at most one row per frame and a column of
    // loose blocks with equal timers moves down together.
    const int drop_at = fall_delay + 8;
    for (int row = board_rows - 2; row >= 0; --row) {
        for (int column = 0; column < board_columns; ++column) {
            const int here = cell_index(column, row);
            const int below = cell_index(column, row + 1);
            if (!(board.cell[here] & (1u << Loose)) || board.fall_timer[here] != drop_at) continue;
            board.cell[here] &= static_cast<std::uint8_t>(~(1u << Loose));
            // Whatever was below is overwritten.
            board.cell[below] = board.cell[here];
            // The vacated cell keeps the mover's other flags.
            board.cell[here] &= 0x0F;
            board.fall_timer[here] = 0;
            board.fall_timer[below] = static_cast<std::uint8_t>(fall_delay);
            if (is_block(board.cell[below] >> 4)) board.cell[below] |= 1u << Check;
        }
    }
}

}  // namespace murlo
