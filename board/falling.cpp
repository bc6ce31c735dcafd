#include "board/falling.h"

#include "board/board.h"
#include "board/group.h"
#include "board/support.h"

namespace murlo {

namespace {

constexpr std::uint8_t loose_bit = 1u << Loose;
constexpr std::uint8_t cracked_bit = 1u << Cracked;
constexpr std::uint8_t check_bit = 1u << Check;
constexpr std::uint8_t doomed_bit = 1u << Doomed;

}  // namespace

void break_and_crumble(Well& well) {
    Board& board = well.board;
    // Top to bottom, left to right. Group members later in the scan turn
    // Crumbling in this pass; those already passed carry Doomed to the next.
    for (int i = 0; i < board_cells; ++i) {
        std::uint8_t cell = board.cell[i];
        const std::uint8_t kind = cell >> 4;

        if (kind == Crumbling) {
            // One stage per pass: Doomed, then Check, then Cracked, then
            // gone. Each test sees the flags the one before left.
            if (cell & cracked_bit) cell = static_cast<std::uint8_t>((cell & 0x0F) & ~cracked_bit);
            if (cell & check_bit) cell = static_cast<std::uint8_t>((cell & ~check_bit) | cracked_bit);
            if (cell & doomed_bit) cell = static_cast<std::uint8_t>((cell & ~doomed_bit) | check_bit);
            board.cell[i] = cell;
            continue;
        }

        if (is_block(kind) && (cell & check_bit)) {
            find_group(well, static_cast<std::int8_t>(i % board_columns),
                       static_cast<std::int8_t>(i / board_columns), kind);
            // A dug block breaks its whole group; a landed one only a group
            // of four or more. A capped search breaks only the cells it
            // examined.
            if ((cell & doomed_bit) || well.group_count >= 4) {
                for (int m = 0; m < well.group_count; ++m) {
                    const GroupEntry& e = well.group_list.entry[m];
                    std::uint8_t& member = board.cell[cell_index(e.column, e.row)];
                    member = static_cast<std::uint8_t>((member | doomed_bit) & ~check_bit);
                }
            } else {
                board.cell[i] = static_cast<std::uint8_t>(cell & ~check_bit);
            }
            cell = board.cell[i];
        }

        // Anything else marked Doomed (a block, a capsule, or an Empty cell
        // left a Doomed flag by a drop) starts crumbling, keeping its flags.
        if (cell & doomed_bit) board.cell[i] = static_cast<std::uint8_t>((Crumbling << 4) | (cell & 0x0F));
    }
}

void advance_fall_timers(Well& well) {
    Board& board = well.board;
    const std::int8_t fall_delay = well.fall_delay;
    // Row 29 is not visited: a block that drops into it keeps fall_delay.
    for (int i = 0; i < (board_rows - 1) * board_columns; ++i) {
        if (board.cell[i] & loose_bit) {
            board.fall_timer[i] = static_cast<std::uint8_t>(board.fall_timer[i] + 1);
        } else if (board.fall_timer[i] == fall_delay) {
            // Dropped a row last frame and not loose again: it has landed.
            board.fall_timer[i] = static_cast<std::uint8_t>(fall_delay - 1);
        }
    }
}

void drop_loose_blocks(Well& well) {
    Board& board = well.board;
    const std::int8_t fall_delay = well.fall_delay;
    // Bottom-up, so a block moves at most one row per frame and a column of
    // loose blocks with equal timers moves down together.
    const int drop_at = fall_delay + 8;
    for (int row = board_rows - 2; row >= 0; --row) {
        for (int column = 0; column < board_columns; ++column) {
            const int here = cell_index(column, row);
            const int below = cell_index(column, row + 1);
            if (!(board.cell[here] & loose_bit) || board.fall_timer[here] != drop_at) continue;
            board.cell[here] &= static_cast<std::uint8_t>(~loose_bit);
            // Whatever was below is overwritten.
            board.cell[below] = board.cell[here];
            // The vacated cell keeps the mover's other flags.
            board.cell[here] &= 0x0F;
            board.fall_timer[here] = 0;
            board.fall_timer[below] = static_cast<std::uint8_t>(fall_delay);
            if (is_block(board.cell[below] >> 4)) board.cell[below] |= check_bit;
        }
    }
}

void advance_board(Well& well) {
    break_and_crumble(well);
    // A block that turned Crumbling just now already holds nothing up.
    analyse_support(well);
    advance_fall_timers(well);
    drop_loose_blocks(well);
}

}  // namespace murlo
