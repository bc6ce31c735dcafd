#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/player.h"
#include "lcd/lcd.h"
#include "screens/sequences.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::fill_board;
using testing::TestGame;
using testing::present_line;
using Lines = std::vector<std::string>;

// Game state as in the first level, with the player placed on the board
// given (Hard from the last row given down to the bottom) and the depth its
// row stands for, so that no level ends by accident.
void begin_on(Game& g, int first_row, std::vector<std::string_view> rows, int x, std::int32_t y) {
    while (first_row + static_cast<int>(rows.size()) < board_rows) rows.push_back("hhhhhhhh");
    fill_board(g.well, first_row, rows);
    g.air = 10000;
    g.well.fall_delay = 24;
    g.depth = (y - 20) / 8;
    g.player_x = static_cast<std::int8_t>(x);
    g.player_y = y;
    g.facing = Facing::Down;
    g.phase = Phase::Play;
}

// Game frames on `keys` until one ends the game; the number of frames that ran.
int frames_until_end(TestGame& host, const std::vector<InputBits>& keys) {
    for (std::size_t frame = 0; frame < keys.size(); ++frame) {
        const Outcome outcome = host.step(keys[frame]);
        if (outcome == Outcome::Died || outcome == Outcome::Won) return static_cast<int>(frame) + 1;
    }
    return -1;
}

long count_prefix(const Lines& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

long count_of(const Lines& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

long index_of(const Lines& lines, const std::string& line) {
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() ? -1 : at - lines.begin();
}

// Only the game's own sounds, in order.
Lines sounds(const Lines& lines) {
    Lines out;
    for (const std::string& l : lines)
        if (l.rfind("sound ", 0) == 0) out.push_back(l);
    return out;
}

// The death sequences after "auu.wav": the result (32 scroll steps, three
// digits and the finished picture) and the game-over wipe (16 steps), then
// the title music.
void expect_death_sequences(const Lines& lines) {
    const long auu = index_of(lines, "sound auu.wav");
    ASSERT_GE(auu, 0);
    const Lines after(lines.begin() + auu, lines.end());
    EXPECT_EQ(count_prefix(after, "present"), 36 + 16);
    EXPECT_EQ(count_prefix(after, "poll"), 0);
    EXPECT_EQ(count_of(after, "wait 5"), 0);
    EXPECT_EQ(sounds(after), (Lines{"sound auu.wav", "sound maru.wav", "sound otukare.wav",
                                     "sound title.wav"}));
    EXPECT_EQ(after.back(), "sound title.wav");
}

TEST(Play, ADugGroupBreaksAndThePlayerFallsThroughIt) {
    TestGame host;
    Game& g = host.g;
    begin_on(g, 3, {"hhh22hhh", "hhh2hhhh"}, 28, 20);
    for (int frame = 0; frame < 12; ++frame)
        ASSERT_EQ(host.step(frame == 0 ? input::Down : 0), Outcome::Frame) << "frame " << frame;

    // Three Soft2 cells went with the one dug; the player fell two rows.
    EXPECT_EQ(get_cell(g.well.board, 3, 3), 0);
    EXPECT_EQ(get_cell(g.well.board, 4, 3), 0);
    EXPECT_EQ(get_cell(g.well.board, 3, 4), 0);
    EXPECT_EQ(get_kind(g.well.board, 2, 3), Hard);
    EXPECT_EQ(g.player_y, 36);
    EXPECT_EQ(g.depth, 2);
    EXPECT_EQ(g.air, 10000 - 12 * 10);
    const Lines lines = host.lines();
    EXPECT_EQ(sounds(lines), Lines{"sound break.wav"});
    EXPECT_EQ(count_prefix(lines, "poll"), 12);
    EXPECT_EQ(count_prefix(lines, "present"), 12);
    EXPECT_EQ(count_of(lines, "wait 5"), 12);
}

TEST(Play, ABlockFallingFromTwoRowsUpCrushesThePlayer) {
    TestGame host;
    Game& g = host.g;
    // A lone Soft1 two cells above the player, an empty cell between.
    begin_on(g, 3, {"...1....", "........", "........"}, 28, 44);
    // Loose from the first frame, it drops a row after 32 frames, comes
    // loose again with its timer at 24 and reaches 30 six frames later.
    EXPECT_EQ(frames_until_end(host, std::vector<InputBits>(60, 0)), 38);
    EXPECT_EQ(get_kind(g.well.board, 3, 4), Soft1);
    EXPECT_EQ(g.air, 10000 - 37 * 10);  // the last frame drains nothing
    const Lines lines = host.lines();
    EXPECT_EQ(count_prefix(lines, "poll"), 38);
    EXPECT_EQ(count_of(lines, "wait 5"), 37);
    expect_death_sequences(lines);
}

TEST(Play, RunningOutOfAir) {
    {
        // 25 air: alive at 25, 15 and 5, dead at -5 in the fourth frame.
        TestGame host;
        Game& g = host.g;
        begin_on(g, 3, {}, 28, 20);
        g.air = 25;
        EXPECT_EQ(frames_until_end(host, std::vector<InputBits>(10, 0)), 4);
        EXPECT_EQ(g.air, -5);
        const Lines lines = host.lines();
        EXPECT_EQ(count_of(lines, "wait 5"), 3);
        expect_death_sequences(lines);
    }
    {
        // Finishing a Hard block short of air ends the game in that frame.
        TestGame host;
        Game& g = host.g;
        begin_on(g, 3, {}, 28, 20);
        g.air = 2010;
        EXPECT_EQ(frames_until_end(host, {input::Down, 0, input::Down, 0}), 3);
        EXPECT_EQ(g.air, 2010 - 20 - 2000);
        const Lines lines = host.lines();
        EXPECT_EQ(sounds(lines), (Lines{"sound dig.wav", "sound down.wav", "sound auu.wav",
                                        "sound maru.wav", "sound otukare.wav", "sound title.wav"}));
        expect_death_sequences(lines);
    }
}

// A script from tests/replay played from program load; the number of input
// values it holds.
long play_committed(TestGame& host, const char* name) {
    const std::vector<InputBits> keys = testing::script_values(testing::committed_script(name));
    host.start();
    host.play(keys);
    return static_cast<long>(keys.size());
}

TEST(Play, TheCommittedScriptCompletesTheFirstLevel) {
    TestGame host;
    const long values = play_committed(host, "level1.script");
    const Lines lines = host.lines();
    const Game& g = host.g;
    EXPECT_EQ(count_prefix(lines, "poll"), values);
    EXPECT_EQ(index_of(lines, "sound auu.wav"), -1);
    EXPECT_EQ(count_prefix(lines, "sound maru.wav"), 1);

    // The frame that completes the level: presented, then the result
    // sequence (37 presents with that frame), then the frame's own wait, and
    // play goes on.
    const long maru = index_of(lines, "sound maru.wav");
    ASSERT_GT(maru, 0);
    long last_poll = maru;
    while (last_poll >= 0 && lines[static_cast<std::size_t>(last_poll)].rfind("poll", 0) != 0)
        --last_poll;
    const Lines level_frame(lines.begin() + last_poll, lines.begin() + maru);
    EXPECT_EQ(count_prefix(level_frame, "present"), 1 + 36);
    ASSERT_GT(static_cast<long>(lines.size()), maru + 3);
    EXPECT_EQ(lines[static_cast<std::size_t>(maru + 1)], "wait 200");
    EXPECT_EQ(lines[static_cast<std::size_t>(maru + 2)], "wait 5");
    EXPECT_EQ(lines[static_cast<std::size_t>(maru + 3)].rfind("poll", 0), 0u);

    // Level 2 runs one frame quicker with air and depth carried over.
    EXPECT_EQ(g.phase, Phase::Play);
    EXPECT_EQ(g.well.fall_delay, 23);
    EXPECT_GE(g.depth, 100);
    EXPECT_LT(g.depth, 105);
    EXPECT_GT(g.air, 0);
    EXPECT_LT(g.air, 10000);
}

// The finished result picture for a depth: three digits, and the thousands
// digit only for 1000.
LcdFrame result_frame(int shown) {
    LcdFrame lcd;
    for (int row = 0; row < 32; ++row) lcd.row[row] = result_picture[row];
    draw_digit(lcd, 17, 19, shown % 10);
    draw_digit(lcd, 13, 19, shown % 100 / 10);
    draw_digit(lcd, 9, 19, shown % 1000 / 100);
    if (shown == 1000) draw_digit(lcd, 5, 19, 1);
    return lcd;
}

TEST(Play, TheCommittedScriptWinsTheGame) {
    TestGame host;
    const long values = play_committed(host, "win.script");
    const Lines lines = host.lines();
    Game& g = host.g;
    EXPECT_EQ(count_prefix(lines, "poll"), values);
    EXPECT_EQ(index_of(lines, "sound auu.wav"), -1);

    // The sounds of the cycle, digging and capsules left out: the title,
    // ten results, the ending, the game-over wipe and the title again.
    Lines cycle;
    for (const std::string& l : sounds(lines))
        if (l != "sound break.wav" && l != "sound dig.wav" && l != "sound down.wav" &&
            l != "sound up.wav")
            cycle.push_back(l);
    Lines expected{"sound title.wav"};
    expected.insert(expected.end(), 10, "sound maru.wav");
    expected.insert(expected.end(), {"sound ending.wav", "sound otukare.wav", "sound title.wav"});
    EXPECT_EQ(cycle, expected);

    // Each result shows the depth its level ended at, 100 to 900 with play
    // going on after the first nine, and 1000 with the thousands digit.
    std::vector<std::size_t> results;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == "sound maru.wav") results.push_back(i);
    ASSERT_EQ(results.size(), 10u);
    for (int level = 1; level <= 10; ++level) {
        const std::size_t at = results[static_cast<std::size_t>(level - 1)];
        ASSERT_GE(at, 2u);
        ASSERT_LT(at + 3, lines.size());
        EXPECT_EQ(lines[at - 2], present_line(result_frame(100 * level).row)) << "level " << level;
        EXPECT_EQ(lines[at - 1], "wait 50");
        EXPECT_EQ(lines[at + 1], "wait 200");
        if (level < 10) {
            EXPECT_EQ(lines[at + 2], "wait 5") << "level " << level;
            EXPECT_EQ(lines[at + 3].rfind("poll", 0), 0u) << "level " << level;
        }
    }

    // The ending: 256 scroll steps, each a wait and a present, the strip
    // coming in from the top and pushing the result out downward; a pause;
    // the game-over wipe; and the title.
    std::size_t at = results.back() + 2;
    ASSERT_EQ(lines[at++], "sound ending.wav");
    ASSERT_EQ(at + 2 * 256 + 1 + 2 * 16 + 3, lines.size());
    // The first step: strip row 255 above the result, one row down.
    const LcdFrame result = result_frame(1000);
    std::uint32_t first[32];
    first[0] = ending_strip[255];
    for (int row = 1; row < 32; ++row) first[row] = result.row[row - 1];
    EXPECT_EQ(lines[at + 1], present_line(first));
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(lines[at++], "wait 10") << "scroll step " << k;
        EXPECT_EQ(lines[at++].rfind("present ", 0), 0u) << "scroll step " << k;
    }
    EXPECT_EQ(lines[at - 1], present_line(ending_strip));
    EXPECT_EQ(lines[at++], "wait 1000");
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(lines[at++], "wait 10") << "wipe step " << k;
        EXPECT_EQ(lines[at++].rfind("present ", 0), 0u) << "wipe step " << k;
    }
    EXPECT_EQ(lines[at - 1], present_line(game_over_picture));
    EXPECT_EQ(lines[at++], "sound otukare.wav");
    EXPECT_EQ(lines[at++], "wait 500");
    EXPECT_EQ(lines[at++], "sound title.wav");
    EXPECT_EQ(at, lines.size());

    // Back on the title the game stays as the win left it, and a key starts
    // the next one afresh.
    EXPECT_EQ(g.phase, Phase::Title);
    EXPECT_EQ(g.depth, 1000);
    EXPECT_EQ(g.well.fall_delay, 14);
    EXPECT_EQ(host.step(input::Z), Outcome::TitleLeft);
    EXPECT_EQ(g.depth, 0);
    EXPECT_EQ(g.well.fall_delay, 24);
    EXPECT_EQ(g.air, 10000);
}

}  // namespace
}  // namespace murlo
