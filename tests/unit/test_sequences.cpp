#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cycle/cycle.h"
#include "game/game.h"
#include "lcd/lcd.h"
#include "screens/sequences.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::TestGame;
using Frame = testing::FrameRows;
using testing::frames_of;

constexpr std::uint32_t all_dark = 0xFFFFFFFFu;

// A recognisable last game frame for the sequences to start from.
Frame fill_old_frame(Game& g) {
    Frame old(32);
    for (int y = 0; y < 32; ++y) {
        old[y] = 0x9E3779B9u * static_cast<std::uint32_t>(y + 1);
        g.lcd.row[y] = old[y];
    }
    return old;
}

Frame picture(const std::uint32_t* rows, int first = 0) { return Frame(rows + first, rows + first + 32); }

// `frame` with a 3x5 digit stamped at (x, 19), light pixels included.
Frame with_digit(Frame frame, int x, int digit) {
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t bit = 1u << (x + c);
            if ((digit_font[digit] >> (14 - (3 * r + c))) & 1u)
                frame[19 + r] |= bit;
            else
                frame[19 + r] &= ~bit;
        }
    return frame;
}

// Every line that is not a present, in order.
std::vector<std::string> non_presents(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line.rfind("present", 0) != 0) out.push_back(line);
    return out;
}

long total_wait(const std::vector<std::string>& lines) {
    long ticks = 0;
    for (const std::string& line : lines)
        if (line.rfind("wait ", 0) == 0) ticks += std::stol(line.substr(5));
    return ticks;
}

Frame current_lcd(const Game& g) { return Frame(g.lcd.row, g.lcd.row + 32); }

TEST(SequencePictures, KeepTheirLayouts) {
    // The digit places of the result panel are light.
    for (int y = 19; y <= 23; ++y) EXPECT_EQ(result_picture[y] & 0x000FFFE0u, 0u) << "row " << y;
    EXPECT_EQ(game_over_picture[12], all_dark);
    EXPECT_EQ(game_over_picture[17], all_dark);
    for (const int y : {0, 1, 2, 3, 4, 5, 11, 12, 18}) EXPECT_EQ(ending_strip[y], all_dark) << "row " << y;
    // Two lines of light lettering on a dark ground.
    for (const int y : {6, 7, 8, 9, 10, 13, 14, 15, 16, 17}) {
        EXPECT_NE(ending_strip[y], all_dark) << "row " << y;
        EXPECT_EQ(ending_strip[y] & 0x8000007Fu, 0x8000007Fu) << "row " << y;  // dark margins
    }
    // The drawing covers the rest: every eight rows hold light and dark.
    for (int y = 19; y < 256; y += 8) {
        std::uint32_t any_dark = 0, any_light = 0;
        for (int i = y; i < y + 8 && i < 256; ++i) {
            any_dark |= ending_strip[i];
            any_light |= ~ending_strip[i];
        }
        EXPECT_NE(any_dark, 0u) << "rows from " << y;
        EXPECT_NE(any_light, 0u) << "rows from " << y;
    }
}

TEST(ShowResult, ScrollsThePanelUpThenCountsTheDepthRightToLeft) {
    TestGame host;
    Game& g = host.g;
    const Frame old = fill_old_frame(g);
    g.depth = 999;
    host.closing(Phase::Result, Closing::Died);
    const std::vector<std::string> lines = host.lines();
    ASSERT_EQ(lines.size(), 74u);
    // The scroll waits before each present; the digits wait after theirs.
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(lines[2 * k], "wait 10") << k;
        EXPECT_EQ(lines[2 * k + 1].rfind("present ", 0), 0u) << k;
    }
    const std::vector<std::string> tail(lines.begin() + 64, lines.end());
    EXPECT_EQ(non_presents(tail), (std::vector<std::string>{"wait 100", "wait 100", "wait 100", "wait 50",
                                                            "sound maru.wav", "wait 200"}));
    EXPECT_EQ(tail[0].rfind("present ", 0), 0u);
    EXPECT_EQ(tail[2].rfind("present ", 0), 0u);
    EXPECT_EQ(tail[4].rfind("present ", 0), 0u);
    EXPECT_EQ(tail[6].rfind("present ", 0), 0u);
    EXPECT_EQ(total_wait(lines), 870);

    const std::vector<Frame> frames = frames_of(lines);
    ASSERT_EQ(frames.size(), 36u);
    // After step n the old frame's rows n..31 sit on top of the panel's first n rows.
    for (const int n : {1, 2, 16, 31, 32}) {
        for (int y = 0; y < 32; ++y) {
            const std::uint32_t want = y < 32 - n ? old[y + n] : result_picture[y - (32 - n)];
            EXPECT_EQ(frames[n - 1][y], want) << "step " << n << " row " << y;
        }
    }
    const Frame panel = picture(result_picture);
    EXPECT_EQ(frames[32], with_digit(panel, 17, 9));
    EXPECT_EQ(frames[33], with_digit(with_digit(panel, 17, 9), 13, 9));
    const Frame all_three = with_digit(with_digit(with_digit(panel, 17, 9), 13, 9), 9, 9);
    EXPECT_EQ(frames[34], all_three);
    EXPECT_EQ(frames[35], all_three);  // no thousands digit below 1000
    EXPECT_EQ(current_lcd(g), all_three);
}

TEST(ShowResult, ShowsThreeDigitsWithLeadingZerosAndTheOneOfAThousand) {
    struct Case {
        std::int32_t depth;
        int hundreds, tens, ones;
    };
    for (const Case c : {Case{0, 0, 0, 0}, Case{7, 0, 0, 7}, Case{450, 4, 5, 0}, Case{1000, 0, 0, 0}}) {
        TestGame host;
        Game& g = host.g;
        fill_old_frame(g);
        g.depth = c.depth;
        host.closing(Phase::Result, Closing::Died);
        Frame want = with_digit(with_digit(with_digit(picture(result_picture), 17, c.ones), 13, c.tens), 9,
                                c.hundreds);
        if (c.depth == 1000) want = with_digit(want, 5, 1);
        EXPECT_EQ(current_lcd(g), want) << "depth " << c.depth;
        // Between the digit boxes the panel keeps its own pixels.
        for (int y = 19; y <= 23; ++y)
            for (const int x : {8, 12, 16})
                EXPECT_EQ((g.lcd.row[y] >> x) & 1u, (result_picture[y] >> x) & 1u)
                    << "depth " << c.depth << " at " << x << "," << y;
        // The thousands place changes only at 1000, on the last present.
        const std::vector<Frame> frames = frames_of(host.lines());
        ASSERT_EQ(frames.size(), 36u);
        EXPECT_EQ(frames[35] == frames[34], c.depth != 1000) << "depth " << c.depth;
    }
}

TEST(ShowGameOver, WipesEvenRowsDownAndOddRowsUpInPlace) {
    TestGame host;
    Game& g = host.g;
    const Frame old = fill_old_frame(g);
    host.closing(Phase::GameOver, Closing::Died);
    const std::vector<std::string> lines = host.lines();
    ASSERT_EQ(lines.size(), 34u);
    EXPECT_EQ(lines[32], "sound otukare.wav");
    EXPECT_EQ(lines[33], "wait 500");
    EXPECT_EQ(total_wait(lines), 660);
    const std::vector<Frame> frames = frames_of(lines);
    ASSERT_EQ(frames.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(lines[2 * k], "wait 10");
        for (int y = 0; y < 32; ++y) {
            const bool replaced = (y % 2 == 0 && y <= 2 * k) || (y % 2 == 1 && y >= 31 - 2 * k);
            EXPECT_EQ(frames[k][y], replaced ? game_over_picture[y] : old[y]) << "step " << k << " row " << y;
        }
    }
    EXPECT_EQ(current_lcd(g), picture(game_over_picture));
}

TEST(ShowEnding, ScrollsTheStripDownFromItsBottomThenPausesAndWipes) {
    TestGame host;
    Game& g = host.g;
    const Frame old = fill_old_frame(g);
    host.closing(Phase::Ending, Closing::Won);
    const std::vector<std::string> lines = host.lines();
    ASSERT_EQ(lines.size(), 1u + 512u + 1u + 34u);
    EXPECT_EQ(lines[0], "sound ending.wav");
    for (int k = 0; k < 256; ++k) EXPECT_EQ(lines[1 + 2 * k], "wait 10") << k;
    EXPECT_EQ(lines[513], "wait 1000");
    EXPECT_EQ(lines[546], "sound otukare.wav");
    EXPECT_EQ(total_wait(lines), 2560 + 1000 + 660);

    const std::vector<Frame> frames = frames_of(lines);
    ASSERT_EQ(frames.size(), 256u + 16u);
    // After n steps the top n rows are strip rows 256 - n .. 255 and the old
    // frame has moved down by n.
    for (const int n : {1, 5, 31, 32, 33, 256}) {
        for (int y = 0; y < 32; ++y) {
            const std::uint32_t want = y < n ? ending_strip[256 - n + y] : old[y - n];
            EXPECT_EQ(frames[n - 1][y], want) << "step " << n << " row " << y;
        }
    }
    EXPECT_EQ(frames[31], picture(ending_strip, 224));
    EXPECT_EQ(frames[255], picture(ending_strip, 0));
    // The wipe starts over the top of the strip.
    Frame first_wipe = picture(ending_strip, 0);
    first_wipe[0] = game_over_picture[0];
    first_wipe[31] = game_over_picture[31];
    EXPECT_EQ(frames[256], first_wipe);
    EXPECT_EQ(current_lcd(g), picture(game_over_picture));
}

TEST(Sequences, ChangeNothingButTheFrame) {
    TestGame host;
    Game& g = host.g;
    host.start();
    g.phase = Phase::Play;
    fill_old_frame(g);
    g.depth = 1000;
    g.air = 1234;
    Game before;
    std::memcpy(&before, &g, sizeof g);
    host.closing(Phase::Result, Closing::Died);
    host.closing(Phase::Ending, Closing::Won);
    // Only the frame and where the sequence stands.
    before.lcd = g.lcd;
    before.phase = g.phase;
    before.closing = g.closing;
    before.closing_step = g.closing_step;
    EXPECT_EQ(std::memcmp(&before, &g, sizeof g), 0);
}

}  // namespace
}  // namespace murlo
