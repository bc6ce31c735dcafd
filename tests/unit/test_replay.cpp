#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <cstdlib>
#include <sys/wait.h>
#include <zlib.h>

#include "board/board.h"
#include "game/game.h"
#include "host/replay/replay.h"
#include "runs/run_link.h"
#include "support/helpers.h"

namespace murlo {
namespace {

using runs::Script;
using runs::ScriptError;
using testing::present_line;
using testing::run_script;

TEST(ReplayScript, HexTokensRepeatsCommentsAndBothCases) {
    Script script;
    ScriptError error;
    ASSERT_TRUE(runs::parse_script("# header\n\n 1f 0A\ta*3  # trailing\n10*1 00\n3", script, error));
    EXPECT_EQ(testing::script_values(script), (std::vector<InputBits>{0x1F, 0x0A, 0x0A, 0x0A, 0x0A, 0x10, 0x00, 0x03}));
    ASSERT_TRUE(runs::parse_script("", script, error));
    EXPECT_TRUE(script.empty());
    // A huge count is kept as a run, not spelled out.
    ASSERT_TRUE(runs::parse_script("08*999999999", script, error));
    ASSERT_EQ(script.size(), 1u);
    EXPECT_EQ(script[0].count, 999999999u);
}

TEST(ReplayScript, BadTokensNameTheirLine) {
    struct Case {
        const char* text;
        int line;
        const char* token;
    };
    const Case cases[] = {
        {"00\n\n123", 3, "123"},       // three digits
        {"00 0g", 1, "0g"},           // not hex
        {"# c\n08*0", 2, "08*0"},     // zero count
        {"20", 1, "20"},              // bit 5
        {"ff", 1, "ff"},              // bits 5..7
        {"08*", 1, "08*"},            // missing count
        {"*3", 1, "*3"},              // missing value
        {"08*-1", 1, "08*-1"},        // not decimal
        {"08*1x", 1, "08*1x"},
        {"08*1234567890", 1, "08*1234567890"},  // more than we take
    };
    for (const Case& c : cases) {
        Script script;
        ScriptError error;
        EXPECT_FALSE(runs::parse_script(c.text, script, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_EQ(error.token, c.token) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(ReplayScript, WrittenWholeOrAsPollsComeInOnePlainForm) {
    // Runs of one value joined, single polls plain, counts split where one
    // token ends, zero runs dropped, only the key bits written
    // (0xe2 is the Right key, 0x02, and joins the run after it).
    EXPECT_EQ(runs::format_script({{0x1F, 1}, {0x1F, 2}, {0x08, 1}, {0x04, 0}, {0xE2, 1},
                                     {0x02, 2'000'000'001}}),
              "1f*3 08 02*999999999 02*999999999 02*4\n");
    EXPECT_EQ(runs::format_script({}), "");

    // Polls written as they come (a recording) give the text of the whole
    // script: runs of all lengths and values, single polls side by side.
    std::vector<InputBits> polls;
    std::uint32_t state = 12345;
    for (int i = 0; i < 400; ++i) {
        state = state * 1103515245u + 12345u;
        const InputBits value = static_cast<InputBits>((state >> 16) & input::all);
        const std::size_t length = (state >> 8) % 3 == 0 ? (state >> 4) % 1500 + 1 : 1;
        polls.insert(polls.end(), length, value);
    }
    runs::ScriptWriter writer;
    std::string text;
    for (const InputBits value : polls) writer.add(value, text);
    // A copy finishes what the original still holds, which goes on.
    runs::ScriptWriter so_far = writer;
    std::string copy = text;
    so_far.finish(copy);
    writer.finish(text);
    EXPECT_EQ(copy, text);
    EXPECT_EQ(text, runs::format_script(runs::script_of(polls)));

    Script script;
    ScriptError error;
    ASSERT_TRUE(runs::parse_script(text, script, error)) << error.message;
    EXPECT_EQ(testing::script_values(script), polls);
    std::size_t runs = 1;
    for (std::size_t i = 1; i < polls.size(); ++i) runs += polls[i] != polls[i - 1];
    EXPECT_EQ(script.size(), runs);
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        EXPECT_LE(end - start, runs::script_line_width);
    }

    // A run cut short (a recording into a pipe) reads back the same.
    runs::ScriptWriter cut;
    text.clear();
    for (std::size_t i = 0; i < polls.size(); ++i) {
        cut.add(polls[i], text);
        if (i == polls.size() / 2) cut.end_run(text);
    }
    cut.finish(text);
    ASSERT_TRUE(runs::parse_script(text, script, error)) << error.message;
    EXPECT_EQ(testing::script_values(script), polls);

    char token[runs::max_token_length];
    EXPECT_EQ(std::string(token, runs::format_run(token, 0x08, 999999999)), "08*999999999");
}

TEST(ReplayRun, AKeyHeldAtTheTitleStartsAGameAtOnce) {
    EXPECT_EQ(run_script("08"), "sound title.wav\npoll 08\nstop\nquit\n");
    // A script with no polls at all ends at the first.
    EXPECT_EQ(run_script("# nothing but a comment\n"), "sound title.wav\nquit\n");
}

TEST(ReplayRun, TitleFramesThenAKeyThenTheFirstGameFramesPoll) {
    const std::vector<std::string> lines = testing::split_lines(run_script("00*3 10"));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "sound title.wav");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[1 + 2 * i], "poll 00");
        EXPECT_EQ(lines[2 + 2 * i].substr(0, 8), "present ");
        EXPECT_EQ(lines[2 + 2 * i].size(), 7u + 32u * 9u);
    }
    EXPECT_EQ(lines[7], "poll 10");
    EXPECT_EQ(lines[8], "stop");
    EXPECT_EQ(lines[9], "quit");
}

TEST(ReplayRun, CallLinesSpellTheRowsInLowerCaseHexAndNameTheSounds) {
    const auto calls = std::make_unique<Calls>();
    std::uint32_t rows[32];
    LcdFrame frame;
    for (int y = 0; y < 32; ++y) {
        rows[y] = 0xABCDEF01u * static_cast<std::uint32_t>(y + 1);
        frame.row[y] = rows[y];
    }
    present_frame(*calls, frame);
    frame.row[0] = 0;  // the step keeps the frame as it was shown
    wait_ticks(*calls, 4000000000u);
    play_sound(*calls, Sound::Dig);
    stop_sound(*calls);
    play_sound(*calls, Sound::Ending);
    const std::vector<std::string> want = {present_line(rows), "wait 4000000000", "sound dig.wav", "stop",
                                           "sound ending.wav"};
    EXPECT_EQ(testing::call_lines(*calls), want);
}

// Links, made as the page makes them: the script's text raw-deflated and
// in base64url without padding, after "#run=1.".
std::string deflated(const std::string& text) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string base64url(const std::string& bytes) {
    const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    unsigned bits = 0;
    int held = 0;
    for (const char c : bytes) {
        bits = (bits << 8) | static_cast<unsigned char>(c);
        for (held += 8; held >= 6; held -= 6) out.push_back(digits[(bits >> (held - 6)) & 63]);
    }
    if (held > 0) out.push_back(digits[(bits << (6 - held)) & 63]);
    return out;
}

std::string link_of(const std::string& text) { return "#run=1." + base64url(deflated(text)); }

TEST(ReplayLink, ALinkOrItsRunPartReadsAsItsScriptInTheToolToo) {
    const Script win = testing::committed_script("win.script");
    const std::string text = runs::format_script(win);
    const std::string part = link_of(text);
    // A won game is a short link.
    EXPECT_LT(part.size() + 40, 2048u);
    for (const std::string& link : {part, "https://example.org/murlo/" + part, "file:///x/index.html" + part}) {
        Script script;
        std::string problem;
        ASSERT_TRUE(runs::load_script(link.c_str(), script, problem)) << problem;
        EXPECT_EQ(testing::script_values(script), testing::script_values(win));
    }
    EXPECT_FALSE(runs::is_run_link("runs/#run=1.abc"));  // a file's name
    // The links the game writes are these, and the board's "/#run=" form
    // and plain text read as runs too.
    std::string payload;
    ASSERT_TRUE(runs::link_payload_of(text, payload));
    EXPECT_EQ("#run=" + payload, part);
    // The same digits, the standard's, are the page's kept games, as the
    // browser's btoa wrote them (padded) and atob reads them.
    for (const std::string& bytes : {std::string{}, std::string("\xff"), std::string("\x00\xfe"), deflated(text)}) {
        EXPECT_EQ(runs::payload_of_deflated(bytes), "1." + base64url(bytes));
        std::string standard = base64url(bytes), back;
        std::replace(standard.begin(), standard.end(), '-', '+');
        std::replace(standard.begin(), standard.end(), '_', '/');
        EXPECT_TRUE(runs::bytes_of_base64(standard, back) && back == bytes);
        standard.append((4 - standard.size() % 4) % 4, '=');
        EXPECT_EQ(runs::base64_of(bytes), standard);
        EXPECT_TRUE(runs::bytes_of_base64(standard, back) && back == bytes);
    }
    std::string bytes;
    for (const char* bad : {"Zg=", "Z", "Zh==", "Zm-v", "Zm9v===="}) EXPECT_FALSE(runs::bytes_of_base64(bad, bytes)) << bad;
    for (const std::string& run : {"/" + part, text}) {
        Script script;
        std::string problem;
        ASSERT_TRUE(runs::read_run(run, script, problem)) << problem;
        EXPECT_EQ(testing::script_values(script), testing::script_values(win));
    }
    const std::string tool = std::string(MURLO_REPLAY_PATH) + " ";
    const testing::CommandResult from_link = testing::run_command(tool + "'http://127.0.0.1:8000/" + part + "'");
    EXPECT_EQ(from_link.status, 0);
    EXPECT_EQ(from_link.out, testing::run_script(win));
}

TEST(ReplayLink, DamagedLinksAreRefusedWithOneLine) {
    const std::string good = link_of("01 08*3\n");
    std::string junk = deflated("01 08*3\n");
    junk += "x";
    const std::string huge = link_of(std::string(runs::max_link_text + 1, ' '));
    const struct {
        std::string link, problem;
    } cases[] = {
        {"#run=2." + good.substr(7), "not a run of this form (#run=1.)"},
        {good + "=", "not base64url"},                            // padding
        {good.substr(0, good.size() - 1) + "+", "not base64url"},  // base64, not base64url
        {"#run=1.AAAAA", "not base64url"},                        // a digit too many
        {"#run=1.AB", "not base64url"},                           // bits left over
        {good.substr(0, good.size() - 2), "not raw deflate"},     // cut short
        {"#run=1." + base64url(junk), "not raw deflate"},         // more after the end
        {"#run=1.", "not raw deflate"},
        {link_of("01 08*0\n"), "line 1: bad token '08*0': a repeat count must be at least 1"},
        {huge, "its script is over 16 MiB"},
    };
    for (const auto& c : cases) {
        Script script;
        std::string problem;
        EXPECT_FALSE(runs::load_script(c.link.c_str(), script, problem)) << c.link;
        EXPECT_EQ(problem, "the link is damaged: " + c.problem) << c.link.substr(0, 40);
    }
    EXPECT_EQ(testing::run_command(std::string(MURLO_REPLAY_PATH) + " '#run=1.*' 2>/dev/null").status, 2);
}

// The command-line tool itself: exit codes and what reaches each stream.
testing::CommandResult run_tool(const std::string& script) {
    const std::string path = ::testing::TempDir() + "murlo-replay-test.script";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(script.data(), 1, script.size(), f);
    std::fclose(f);
    return testing::run_command(std::string(MURLO_REPLAY_PATH) + " " + path + " 2>/dev/null");
}

TEST(ReplayTool, ExitCodesAndStreams) {
    const testing::CommandResult ok = run_tool("08\n");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "sound title.wav\npoll 08\nstop\nquit\n");

    const testing::CommandResult bad = run_tool("08\n00*0\n");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");

    const std::string missing = std::string(MURLO_REPLAY_PATH) + " /nonexistent/script 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 2);
}

}  // namespace
}  // namespace murlo
