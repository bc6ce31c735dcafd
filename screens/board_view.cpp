#include "screens/board_view.h"

#include "board/board.h"

namespace murlo {

const Sprite8 block_sprites[block_sprite_count] = {
    {{0x00000000u, 0x00000000u}},  // 0  unused: empty cells draw nothing
    {{0x813C425Au, 0x5A423C81u}},  // 1  crumbling, first stage (still Doomed)
    {{0x00421824u, 0x24184200u}},  // 2  crumbling, later stages
    {{0x003C726Bu, 0x7E796961u}},  // 3  air capsule, left of the player
    {{0x003C4ED6u, 0x7E9E9686u}},  // 4  air capsule, mirrored, right of the player
    {{0x7EDBBDFFu, 0xFFBDDB7Eu}},  // 5  hard block; also the well's walls
    {{0x76D3B5E7u, 0xEFADDB7Eu}},  // 6  hard block after one dig
    {{0x7E81BDBDu, 0xBDBD817Eu}},  // 7  Soft1
    {{0x7E81BDA5u, 0xA5BD817Eu}},  // 8  Soft2
    {{0x7E8199BDu, 0xBD99817Eu}},  // 9  Soft3
    {{0x7E8199B5u, 0xAD99817Eu}},  // 10 Soft4
};

namespace {

// Kind of a cell; anything above or below the board holds no block.
std::uint8_t kind_at(const Board& board, int column, int row) {
    if (!on_board(column, row)) return Empty;
    return static_cast<std::uint8_t>(board.cell[cell_index(column, row)] >> 4);
}

bool flag_at(const Board& board, int column, int row, int flag) {
    return (board.cell[cell_index(column, row)] >> flag) & 1u;
}

bool same_kind(const Board& board, int column, int row, std::uint8_t kind) {
    return on_board(column, row) && kind_at(board, column, row) == kind;
}

}  // namespace

Sprite8 joined_sprite(const Board& board, int column, int row) {
    const std::uint8_t kind = kind_at(board, column, row);
    Sprite8 s = block_sprites[soft1_sprite + (kind - Soft1)];
    // The four soft sprites share one outline with open corners: opening the
    // frame line on a side where the same kind touches, and closing that
    // corner, makes the touching blocks read as one outlined lump.
    if (same_kind(board, column, row - 1, kind)) s.word[0] = (s.word[0] & 0x00FFFFFFu) | 0x81000000u;
    if (same_kind(board, column, row + 1, kind)) s.word[1] = (s.word[1] & 0xFFFFFF81u) | 0x81u;
    if (same_kind(board, column + 1, row, kind)) {
        s.word[0] = (s.word[0] & 0xFFFEFEFEu) | 0x01000000u;
        s.word[1] = (s.word[1] & 0xFEFEFEFFu) | 0x01u;
    }
    if (same_kind(board, column - 1, row, kind)) {
        s.word[0] = (s.word[0] & 0xFF7F7F7Fu) | 0x80000000u;
        s.word[1] = (s.word[1] & 0x7F7F7F7Fu) | 0x80u;
    }
    return s;
}

void draw_board(LcdFrame& lcd, const Well& well, int player_x, int player_y) {
    const Board& board = well.board;
    const std::int8_t fall_delay = well.fall_delay;
    const std::int8_t px = static_cast<std::int8_t>(player_x);
    const int py = player_y;
    // The first cell column/row at or right of/below the player's centre.
    const int cx0 = (px + 7) / 8;
    const int cy0 = (py + 7) / 8;
    // How far the cell grid is pushed right and down so that board pixel
    // (px, py) lands at LCD (16, 16). C++ % truncates toward zero, as wanted.
    const int ox = (8 - px % 8) % 8;
    const int oy = (8 - py % 8) % 8;

    for (int j = 0; j < 6; ++j) {
        const int row = cy0 - 4 + j;
        const int base_y = -16 + 8 * j;
        for (int i = 0; i < 5; ++i) {
            const int column = cx0 - 3 + i;
            const int base_x = -8 + 8 * i;
            const std::int8_t cell_x = static_cast<std::int8_t>(base_x + ox);
            const std::int8_t cell_y = static_cast<std::int8_t>(base_y + oy);
            if (column < 0 || column >= board_columns) {
                // Walls scroll with the grid but never shake or slide.
                draw_sprite(lcd, cell_x, cell_y, block_sprites[hard_sprite]);
                continue;
            }
            const std::uint8_t kind = kind_at(board, column, row);
            if (kind == Empty) continue;

            Sprite8 sprite;
            switch (kind) {
                case Crumbling:
                    sprite = block_sprites[flag_at(board, column, row, Doomed) ? crumbling_doomed_sprite
                                                                        : crumbling_sprite];
                    break;
                case Air:
                    // Capsules on the player's right face the other way.
                    sprite = block_sprites[base_x <= 8 ? air_left_sprite : air_right_sprite];
                    break;
                case Hard:
                    sprite = block_sprites[flag_at(board, column, row, Cracked) ? cracked_sprite : hard_sprite];
                    break;
                default:
                    sprite = joined_sprite(board, column, row);
                    break;
            }

            std::int8_t x = cell_x;
            std::int8_t y = cell_y;
            if (flag_at(board, column, row, Loose)) {
                const std::int8_t t =
                    static_cast<std::int8_t>(board.fall_timer[cell_index(column, row)]);
                if (t < fall_delay)
                    x = static_cast<std::int8_t>(x + t % 2);  // shake on odd counts
                else
                    y = static_cast<std::int8_t>(y + (t - fall_delay));  // slide down
            }

            // A crumbling block lets what lies under its holes show through.
            if (kind == Crumbling)
                overlay_sprite(lcd, x, y, sprite);
            else
                draw_sprite(lcd, x, y, sprite);
        }
    }
}

}  // namespace murlo
