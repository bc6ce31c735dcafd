#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "game/player.h"
#include "host/replay/replay.h"
#include "support/test_support.h"

namespace murlo {
namespace {

using testing::fill_board;
using testing::HostRecorder;
using Lines = std::vector<std::string>;

// Game state as in the first level, with the player placed on the board
// given (Hard from the last row given down to the bottom) and the depth its
// row stands for, so that no level ends by accident.
void begin_on(int first_row, std::vector<std::string_view> rows, int x, std::int32_t y) {
    while (first_row + static_cast<int>(rows.size()) < board_rows) rows.push_back("hhhhhhhh");
    fill_board(first_row, rows);
    air = 10000;
    fall_delay = 24;
    depth = (y - 20) / 8;
    player_x = static_cast<std::int8_t>(x);
    player_y = y;
    facing = Facing::Down;
}

// Game frames until one ends the game; the number of frames that ran.
int frames_until_end(int limit) {
    for (int frame = 1; frame <= limit; ++frame)
        if (game_frame()) return frame;
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
// digits and the finished picture) and the game-over wipe (16 steps).
void expect_death_sequences(const Lines& lines) {
    const long auu = index_of(lines, "sound auu.wav");
    ASSERT_GE(auu, 0);
    const Lines after(lines.begin() + auu, lines.end());
    EXPECT_EQ(count_prefix(after, "present"), 36 + 16);
    EXPECT_EQ(count_prefix(after, "poll"), 0);
    EXPECT_EQ(count_of(after, "wait 5"), 0);
    EXPECT_EQ(sounds(after), (Lines{"sound auu.wav", "sound maru.wav", "sound otukare.wav"}));
}

TEST(Play, ADugGroupBreaksAndThePlayerFallsThroughIt) {
    HostRecorder host(std::vector<InputBits>{input::Down, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    begin_on(3, {"hhh22hhh", "hhh2hhhh"}, 28, 20);
    for (int frame = 0; frame < 12; ++frame) ASSERT_FALSE(game_frame()) << "frame " << frame;

    // Three Soft2 cells went with the one dug; the player fell two rows.
    EXPECT_EQ(get_cell(3, 3), 0);
    EXPECT_EQ(get_cell(4, 3), 0);
    EXPECT_EQ(get_cell(3, 4), 0);
    EXPECT_EQ(get_kind(2, 3), Hard);
    EXPECT_EQ(player_y, 36);
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(air, 10000 - 12 * 10);
    const Lines lines = host.lines();
    EXPECT_EQ(sounds(lines), Lines{"sound break.wav"});
    EXPECT_EQ(count_prefix(lines, "poll"), 12);
    EXPECT_EQ(count_prefix(lines, "present"), 12);
    EXPECT_EQ(count_of(lines, "wait 5"), 12);
}

TEST(Play, ABlockFallingFromTwoRowsUpCrushesThePlayer) {
    HostRecorder host(std::vector<InputBits>(60, 0));
    // A lone Soft1 two cells above the player, an empty cell between.
    begin_on(3, {"...1....", "........", "........"}, 28, 44);
    // Loose from the first frame, it drops a row after 32 frames, comes
    // loose again with its timer at 24 and reaches 30 six frames later.
    EXPECT_EQ(frames_until_end(60), 38);
    EXPECT_EQ(get_kind(3, 4), Soft1);
    EXPECT_EQ(air, 10000 - 37 * 10);  // the last frame drains nothing
    const Lines lines = host.lines();
    EXPECT_EQ(count_prefix(lines, "poll"), 38);
    EXPECT_EQ(count_of(lines, "wait 5"), 37);
    expect_death_sequences(lines);
}

TEST(Play, RunningOutOfAir) {
    {
        // 25 air: alive at 25, 15 and 5, dead at -5 in the fourth frame.
        HostRecorder host(std::vector<InputBits>(10, 0));
        begin_on(3, {}, 28, 20);
        air = 25;
        EXPECT_EQ(frames_until_end(10), 4);
        EXPECT_EQ(air, -5);
        const Lines lines = host.lines();
        EXPECT_EQ(count_of(lines, "wait 5"), 3);
        expect_death_sequences(lines);
    }
    {
        // Finishing a Hard block short of air ends the game in that frame.
        HostRecorder host({input::Down, 0, input::Down, 0});
        begin_on(3, {}, 28, 20);
        air = 2010;
        EXPECT_EQ(frames_until_end(4), 3);
        EXPECT_EQ(air, 2010 - 20 - 2000);
        const Lines lines = host.lines();
        EXPECT_EQ(sounds(lines), (Lines{"sound dig.wav", "sound down.wav", "sound auu.wav",
                                        "sound maru.wav", "sound otukare.wav"}));
        expect_death_sequences(lines);
    }
}

TEST(Play, TheCommittedScriptCompletesTheFirstLevel) {
    const std::filesystem::path path =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "replay" / "level1.script";
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::stringstream text;
    text << in.rdbuf();
    replay::Script script;
    replay::ScriptError error;
    ASSERT_TRUE(replay::parse_script(text.str(), script, error)) << error.message;
    std::uint64_t values = 0;
    for (const replay::ScriptRun& run : script) values += run.count;

    reset_program_state();
    replay::Trace trace;
    replay::run(script, trace);
    Lines lines;
    std::istringstream split(trace.text());
    for (std::string line; std::getline(split, line);) lines.push_back(line);

    EXPECT_EQ(count_prefix(lines, "poll"), static_cast<long>(values));
    EXPECT_EQ(lines.back(), "quit");
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
    EXPECT_EQ(fall_delay, 23);
    EXPECT_GE(depth, 100);
    EXPECT_LT(depth, 105);
    EXPECT_GT(air, 0);
    EXPECT_LT(air, 10000);
}

}  // namespace
}  // namespace murlo
