#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "lcd/lcd.h"
#include "screens/title.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using testing::frame_of;
using testing::frames_of;
using testing::TestGame;
using testing::rng_after;

constexpr std::uint32_t all_dark = 0xFFFFFFFFu;

// The state that reaches `state` after `steps` steps of x * 7 + 5;
// 0xB6DB6DB7 is the inverse of 7 modulo 2^32.
std::uint32_t rng_before(std::uint32_t state, int steps) {
    for (int i = 0; i < steps; ++i) state = (state - 5u) * 0xB6DB6DB7u;
    return state;
}

bool light_at(const std::vector<std::uint32_t>& frame, int x, int y) {
    return ((frame[y] >> x) & 1u) == 0;
}

TEST(TitlePicture, KeepsTheLayoutTheAnimationReliesOn) {
    for (const int y : {10, 22, 23, 24, 30, 31}) EXPECT_EQ(title_picture[y], all_dark) << "row " << y;
    // The prompt is light on dark, so darkening its rows really hides it.
    for (int y = 25; y <= 29; ++y) {
        EXPECT_NE(title_picture[y], all_dark) << "row " << y;
        EXPECT_NE(title_picture[y], 0u) << "row " << y;
    }
    // The drawings and the name are there, light on dark.
    for (const int y : {0, 5, 9, 11, 16, 21}) EXPECT_NE(title_picture[y], all_dark) << "row " << y;
    // Mostly dark, so that the light specks show.
    int dark = 0;
    for (const std::uint32_t row : title_picture) dark += std::popcount(row);
    EXPECT_GT(dark, 32 * 32 / 2);
}

// The title as it begins with the random source at `state`: the specks'
// seeds are its next seven values.
void begin_title_at(Game& g, std::uint32_t state) {
    g.well.rng_state = state;
    for (std::uint32_t& seed : g.speck_seed) seed = rng_next(g.well.rng_state);
}

TEST(TitleScreen, AKeyAtTheFirstPollLeavesWithoutDrawingOrTicking) {
    TestGame host;
    host.start();
    Game& g = host.g;
    EXPECT_EQ(g.phase, Phase::Title);
    EXPECT_EQ(g.well.rng_state, rng_after(rng_seed, 7));
    for (int i = 0; i < speck_count; ++i) EXPECT_EQ(g.speck_seed[i], rng_after(rng_seed, i + 1));
    for (int y = 0; y < 32; ++y) g.lcd.row[y] = 0x01010101u * static_cast<std::uint32_t>(y);
    EXPECT_EQ(host.step(input::Up), Outcome::TitleLeft);
    EXPECT_EQ(host.lines(), (std::vector<std::string>{"sound title.wav", "poll 10", "stop"}));
    // The seeds and the new board's draws, and no clock tick.
    EXPECT_EQ(g.well.rng_state, rng_after(rng_seed, 7 + 480));
    EXPECT_EQ(g.cur_input, input::Up);
    EXPECT_EQ(g.phase, Phase::Play);
    for (int y = 0; y < 32; ++y) EXPECT_EQ(g.lcd.row[y], 0x01010101u * static_cast<std::uint32_t>(y));
}

TEST(TitleScreen, OneFrameThenAKeyAdvancesTheClockOnce) {
    TestGame host;
    host.start();
    begin_title_at(host.g, 777);
    EXPECT_EQ(host.step(0x00), Outcome::TitlePass);
    EXPECT_EQ(host.g.well.rng_state, rng_after(777, 7) + 1);
    EXPECT_EQ(host.step(input::Right), Outcome::TitleLeft);
    const std::vector<std::string> lines = host.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "poll 00");
    EXPECT_EQ(lines[2].rfind("present ", 0), 0u);
    EXPECT_EQ(lines[3], "poll 02");
    EXPECT_EQ(lines[4], "stop");
    // The frame is the picture with at most seven pixels made light.
    const std::vector<std::uint32_t> frame = frame_of(lines[2]);
    ASSERT_EQ(frame.size(), 32u);
    int lightened = 0;
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(frame[y] & ~title_picture[y], 0u) << "row " << y;
        lightened += std::popcount(title_picture[y] & ~frame[y]);
    }
    EXPECT_LE(lightened, 7);
}

TEST(TitleScreen, PromptShowsThroughThreeHundredAndHidesFromThreeHundredOne) {
    // The clock reads 1799 (299 mod 500) in the first frame; from this state
    // no speck comes near rows 25..29 in the four frames.
    TestGame host;
    host.start();
    begin_title_at(host.g, rng_before(1799, 7));
    host.play({0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(host.g.well.rng_state, 1799u + 4u);
    const auto frames = frames_of(host.lines());
    ASSERT_EQ(frames.size(), 4u);
    for (int y = 25; y <= 29; ++y) {
        EXPECT_EQ(frames[0][y], title_picture[y]) << "299, row " << y;
        EXPECT_EQ(frames[1][y], title_picture[y]) << "300, row " << y;
        EXPECT_EQ(frames[2][y], all_dark) << "301, row " << y;
        EXPECT_EQ(frames[3][y], all_dark) << "302, row " << y;
    }
}

TEST(TitleScreen, SpeckPositionFollowsTheWrappedSum) {
    // Clock 0xFFFFFFFD in the first frame; the first seed is 0x06E39C35, so
    // t = 0x06E39C35 + 0xFFFFFFFD wraps to 0x06E39C32 = 115579954,
    // c = 1155799, c mod 12 = 7 so the sway is 11 - 7 = 4,
    // x = (0x35 + 4) AND 31 = 25, y = c AND 31 = 23: a light pixel in the
    // all-dark band under the name. Without the wrap it would be (21, 0).
    TestGame host;
    host.start();
    begin_title_at(host.g, rng_before(0xFFFFFFFDu, 7));
    ASSERT_EQ(host.g.speck_seed[0], 0x06E39C35u);
    host.step(0x00);
    const auto frames = frames_of(host.lines());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(light_at(frames[0], 25, 23));
    EXPECT_FALSE(light_at(frames[0], 21, 0));
    EXPECT_EQ(host.g.well.rng_state, 0xFFFFFFFEu);
    // The clock itself wraps too: two more passes from 0xFFFFFFFE read 0 next.
    host.play({0x00, 0x00});
    EXPECT_EQ(host.g.well.rng_state, 0u);
}

TEST(TitleScreen, AnyOfTheFiveKeysEndsIt) {
    for (const InputBits key : {input::Z, input::Right, input::Left, input::Down, input::Up}) {
        TestGame host;
        host.start();
        begin_title_at(host.g, 42);
        host.play({0x00, 0x00});
        EXPECT_EQ(host.g.well.rng_state, rng_after(42, 7) + 2) << int{key};
        EXPECT_EQ(host.step(key), Outcome::TitleLeft) << int{key};
        EXPECT_EQ(frames_of(host.lines()).size(), 2u) << int{key};
        EXPECT_EQ(host.g.prev_input, 0x00);
        EXPECT_EQ(host.g.cur_input, key);
        EXPECT_EQ(host.g.phase, Phase::Play);
    }
    // With no key at all it keeps presenting, one frame a poll.
    TestGame host;
    host.start();
    host.play({0x00, 0x00, 0x00});
    EXPECT_EQ(frames_of(host.lines()).size(), 3u);
    EXPECT_EQ(host.g.phase, Phase::Title);
}

}  // namespace
}  // namespace murlo
