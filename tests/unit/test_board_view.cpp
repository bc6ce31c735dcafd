#include <gtest/gtest.h>

#include <functional>

#include "board/board.h"
#include "game/player.h"
#include "lcd/lcd.h"
#include "screens/board_view.h"
#include "game/status.h"
#include "screens/status.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;

const Sprite8& wall = block_sprites[5];

// draw_board on a clear frame must give exactly the picture that `expected`
// draws (from hand-placed sprites) on a clear frame.
void expect_board(const Well& well, int px, int py, const std::function<void(LcdFrame&)>& expected) {
    LcdFrame got{};
    draw_board(got, well, px, py);
    LcdFrame lcd{};
    expected(lcd);
    for (int y = 0; y < 32; ++y)
        EXPECT_EQ(got.row[y], lcd.row[y]) << "row " << y << " for player (" << px << ", " << py
                                          << ")";
}

// The 8x8 box of the frame at (x, y), wholly inside the frame, as a sprite.
Sprite8 box_at(const LcdFrame& lcd, int x, int y) {
    Sprite8 s = {{0, 0}};
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if ((lcd.row[y + r] >> (x + c)) & 1u)
                s.word[r / 4] |= 1u << (8 * (3 - r % 4) + 7 - c);
    return s;
}

void set_loose(Board& board, int column, int row, std::uint8_t timer) {
    set_flag(board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), Loose);
    set_fall_timer(board, static_cast<std::int8_t>(column), static_cast<std::int8_t>(row), timer);
}

TEST(BoardView, PlayerInColumnZeroAtTheTopOfAFreshBoard) {
    Game g{};
    g.well.fall_delay = 24;
    // Player in cell (0, 2): player_x 4, player_y 20. Rows -1..4 are visited,
    // drawn at y = -12, -4, 4, 12, 20, 28; columns -2..2 at x = -4, 4, 12, 20, 28.
    fill_board(g.well, 0, {"........",
                           "........",
                           "........",
                           "13h.....",
                           "aa......"});
    expect_board(g.well, 4, 20, [](LcdFrame& lcd) {
        for (int y = -12; y <= 28; y += 8) {
            draw_sprite(lcd, -4, static_cast<std::int8_t>(y), wall);
            draw_sprite(lcd, 4, static_cast<std::int8_t>(y), wall);
        }
        draw_sprite(lcd, 12, 20, block_sprites[7]);  // Soft1 with no same-kind neighbour
        draw_sprite(lcd, 20, 20, block_sprites[9]);  // Soft3
        draw_sprite(lcd, 28, 20, block_sprites[5]);  // Hard, half visible
        draw_sprite(lcd, 12, 28, block_sprites[3]);  // capsule left of cx0
        draw_sprite(lcd, 20, 28, block_sprites[4]);  // capsule in column cx0: mirrored
    });
    // The player's own square is left clear.
    LcdFrame lcd{};
    draw_board(lcd, g.well, 4, 20);
    EXPECT_EQ(box_at(lcd, 12, 12).word[0], 0u);
    EXPECT_EQ(box_at(lcd, 12, 12).word[1], 0u);
}

TEST(BoardView, PlayerInColumnSevenHasTwoWallColumnsOnTheRight) {
    Game g{};
    g.well.fall_delay = 24;
    // Player in cell (7, 12): cx0 = 8; columns 5..9 at x = -4..28, rows 9..14.
    fill_board(g.well, 9, {"......h.",
                           "......h.",
                           "......h.",
                           "......h1",
                           "......h.",
                           "......h."});
    expect_board(g.well, 60, 100, [](LcdFrame& lcd) {
        for (int y = -12; y <= 28; y += 8) {
            draw_sprite(lcd, 4, static_cast<std::int8_t>(y), block_sprites[5]);  // column 6
            draw_sprite(lcd, 20, static_cast<std::int8_t>(y), wall);              // column 8
            draw_sprite(lcd, 28, static_cast<std::int8_t>(y), wall);              // column 9
        }
        draw_sprite(lcd, 12, 12, block_sprites[7]);  // the Soft1 in the player's own square
    });
}

TEST(BoardView, PlayerBetweenColumnsShiftsTheGridByThreePixels) {
    Game g{};
    g.well.fall_delay = 24;
    // player_x 13: cx0 = 2, ox = 3; columns -1..3 at x = -5, 3, 11, 19, 27.
    // player_y 60: cy0 = 8, oy = 4; rows 4..9 at y = -12..28.
    fill_board(g.well, 4, {"........",
                           "........",
                           "........",
                           "........",
                           "haa4....",
                           "........"});
    set_flag(g.well.board, 0, 8, Cracked);
    expect_board(g.well, 13, 60, [](LcdFrame& lcd) {
        for (int y = -12; y <= 28; y += 8) draw_sprite(lcd, -5, static_cast<std::int8_t>(y), wall);
        draw_sprite(lcd, 3, 20, block_sprites[6]);    // cracked Hard
        draw_sprite(lcd, 11, 20, block_sprites[3]);   // column 1: capsule facing right
        draw_sprite(lcd, 19, 20, block_sprites[4]);   // column 2 = cx0: mirrored
        draw_sprite(lcd, 27, 20, block_sprites[10]);  // Soft4
    });

    // On a cell boundary both ways (walking and falling between cells):
    // no shift at all; columns 1..5 at x = -8..24, rows 4..9 at y = -16..24.
    fill_board(g.well, 8, {"....h...",
                           "..h..h.."});
    expect_board(g.well, 32, 64, [](LcdFrame& lcd) {
        draw_sprite(lcd, 16, 16, block_sprites[5]);
        draw_sprite(lcd, 0, 24, block_sprites[5]);
        draw_sprite(lcd, 24, 24, block_sprites[5]);
    });
}

TEST(BoardView, SoftBlocksJoinOnlyWithTheirOwnKindInsideTheBoard) {
    Game g{};
    g.well.fall_delay = 24;
    fill_board(g.well, 3, {"..2.....",
                           ".322....",
                           "..3.....",
                           "1.......",
                           "1......1",
                           "1......."});
    // Soft2 at (2, 4) with Soft2 above and right, Soft3 left and below. The
    // right one is loose and shaking: flags and timers do not matter.
    set_loose(g.well.board, 3, 4, 5);
    set_flag(g.well.board, 3, 4, Check);
    const Sprite8 joined = joined_sprite(g.well.board, 2, 4);
    EXPECT_EQ(joined.word[0], 0x8180BCA4u);
    EXPECT_EQ(joined.word[1], 0xA4BC807Fu);
    // The same lump drawn at the player's square, no offset.
    LcdFrame lcd{};
    draw_board(lcd, g.well, 20, 36);
    EXPECT_EQ(box_at(lcd, 12, 12).word[0], 0x8180BCA4u);
    EXPECT_EQ(box_at(lcd, 12, 12).word[1], 0xA4BC807Fu);

    // A cell and its left neighbour joined: right/left edges open, corners closed.
    const Sprite8 right_end = joined_sprite(g.well.board, 3, 4);
    EXPECT_EQ(right_end.word[0], 0xFE013D25u);
    EXPECT_EQ(right_end.word[1], 0x253D01FEu);

    // Cells across the edge of the well sit next to each other in memory
    // ((7, 7) just before (0, 8)) but are not neighbours; a wall never joins.
    const Sprite8 at_left_wall = joined_sprite(g.well.board, 0, 8);
    EXPECT_EQ(at_left_wall.word[0], 0x8181BDBDu);  // joined above only
    EXPECT_EQ(at_left_wall.word[1], 0xBDBD817Eu);
    const Sprite8 at_right_wall = joined_sprite(g.well.board, 7, 7);
    EXPECT_EQ(at_right_wall.word[0], block_sprites[7].word[0]);
    EXPECT_EQ(at_right_wall.word[1], block_sprites[7].word[1]);
    // Below row 29 lie the fall timers; one that looks like a Soft1 cell is
    // no neighbour.
    g.well.board.cell[cell_index(7, 29)] = Soft1 << 4;
    g.well.board.fall_timer[7] = Soft1 << 4;
    const Sprite8 bottom = joined_sprite(g.well.board, 7, 29);
    EXPECT_EQ(bottom.word[1], block_sprites[7].word[1]);
}

TEST(BoardView, LooseBlocksShakeThenSlideAndLaterCellsWin) {
    Game g{};
    g.well.fall_delay = 24;
    // Player in cell (3, 7): the cell below, (3, 8), sits at (12, 20).
    fill_board(g.well, 7, {"........",
                           "...h...."});
    const Sprite8& hard = block_sprites[5];
    set_loose(g.well.board, 3, 8, 3);  // odd: one pixel right
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) { draw_sprite(lcd, 13, 20, hard); });
    set_fall_timer(g.well.board, 3, 8, 4);  // even: in place
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) { draw_sprite(lcd, 12, 20, hard); });
    set_fall_timer(g.well.board, 3, 8, 24);  // sliding starts at 0
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) { draw_sprite(lcd, 12, 20, hard); });
    set_fall_timer(g.well.board, 3, 8, 30);  // six pixels lower
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) { draw_sprite(lcd, 12, 26, hard); });
    // A timer read as a negative 8-bit value shakes to the left.
    set_fall_timer(g.well.board, 3, 8, 255);
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) { draw_sprite(lcd, 11, 20, hard); });

    // A block sliding down into the cell below: the lower cell, drawn later,
    // covers the overlap.
    g.well.fall_delay = 24;
    fill_board(g.well, 7, {"...4....",
                           "...h...."});
    set_loose(g.well.board, 3, 7, 30);
    expect_board(g.well, 28, 60, [&](LcdFrame& lcd) {
        draw_sprite(lcd, 12, 18, block_sprites[10]);
        draw_sprite(lcd, 12, 20, hard);
    });
}

TEST(BoardView, LooseCellsInRowsAboveTheViewSlideIntoIt) {
    Game g{};
    g.well.fall_delay = 24;
    // Player in cell (3, 4): row 1 is the hidden top row at y = -12; sliding
    // by 7 brings its lowest rows into the frame.
    fill_board(g.well, 1, {"...1...."});
    set_loose(g.well.board, 3, 1, 31);
    expect_board(g.well, 28, 36, [](LcdFrame& lcd) { draw_sprite(lcd, 12, -5, block_sprites[7]); });
}

TEST(BoardView, EmptyCellsLeaveThePlayerAndCrumblingShowsWhatIsBeneath) {
    Game g{};
    g.well.fall_delay = 24;
    g.air = 10000;
    g.facing = Facing::Down;
    g.player_x = 28;
    g.player_y = 60;
    LcdFrame& lcd = g.lcd;  // the player is drawn into the game's frame
    count_blink(g);
    draw_player(g.lcd, g);
    draw_board(lcd, g.well, g.player_x, g.player_y);
    EXPECT_EQ(box_at(lcd, 12, 12).word[0], player_down_sprite.word[0]);
    EXPECT_EQ(box_at(lcd, 12, 12).word[1], player_down_sprite.word[1]);

    // A block over the player's square hides the player completely.
    fill_board(g.well, 7, {"...2...."});
    clear_frame(lcd);
    count_blink(g);
    draw_player(g.lcd, g);
    draw_board(lcd, g.well, g.player_x, g.player_y);
    EXPECT_EQ(box_at(lcd, 12, 12).word[0], block_sprites[8].word[0]);
    EXPECT_EQ(box_at(lcd, 12, 12).word[1], block_sprites[8].word[1]);

    // Crumbling is drawn through its holes: on a dark frame nothing lightens.
    fill_board(g.well, 7, {"...c....", "...c...."});
    set_flag(g.well.board, 3, 7, Doomed);
    for (std::uint32_t& word : lcd.row) word = 0xFFFFFFFFu;
    draw_board(lcd, g.well, g.player_x, g.player_y);
    for (int y = 0; y < 32; ++y) EXPECT_EQ(lcd.row[y], 0xFFFFFFFFu) << "row " << y;
    // On a light frame each stage shows its own sprite.
    clear_frame(lcd);
    draw_board(lcd, g.well, g.player_x, g.player_y);
    EXPECT_EQ(box_at(lcd, 12, 12).word[0], block_sprites[1].word[0]);  // Doomed
    EXPECT_EQ(box_at(lcd, 12, 12).word[1], block_sprites[1].word[1]);
    EXPECT_EQ(box_at(lcd, 12, 20).word[0], block_sprites[2].word[0]);  // later stage
    EXPECT_EQ(box_at(lcd, 12, 20).word[1], block_sprites[2].word[1]);
}

}  // namespace
}  // namespace murlo
