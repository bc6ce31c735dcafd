#include "support/helpers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

#include "runs/trace_lines.h"

namespace murlo::testing {

void TestGame::start() {
    start_up(g, calls);
    keep_lines();
}

Outcome TestGame::step(InputBits keys) {
    trace_.emplace_back(runs::poll_line(keys).view());
    advance(g, keys, calls);
    const Outcome outcome = calls.outcome;
    keep_lines();
    while (!awaits_poll(g)) {
        advance(g, 0, calls);
        keep_lines();
    }
    return outcome;
}

void TestGame::closing(Phase phase, Closing why) {
    g.phase = phase;
    g.closing = why;
    g.closing_step = 0;
    for (;;) {
        calls.count = 0;
        calls.frames = 0;
        const bool more = g.phase == Phase::Result     ? run_result(g, calls)
                          : g.phase == Phase::GameOver ? run_game_over(g, calls)
                                                       : run_ending(g, calls);
        keep_lines();
        if (more) continue;
        if (g.phase != Phase::Ending) return;
        g.phase = Phase::GameOver;  // the ending closes with the game-over wipe
        g.closing_step = 0;
    }
}

void TestGame::keep_lines() {
    const std::vector<std::string> listed = call_lines(calls);
    trace_.insert(trace_.end(), listed.begin(), listed.end());
    traced_ = calls.count;
}

void TestGame::play(const std::vector<InputBits>& keys) {
    for (const InputBits k : keys) step(k);
}

std::vector<std::string> TestGame::lines() const {
    std::vector<std::string> out = trace_;
    for (std::string& line : call_lines(calls, traced_)) out.push_back(std::move(line));
    return out;
}

std::vector<std::string> call_lines(const Calls& calls, int from) {
    std::vector<std::string> out;
    for (int i = from; i < calls.count; ++i)
        out.emplace_back(runs::call_line(calls, calls.call[i]).view());
    return out;
}

void fill_board(Well& well, int first_row, const std::vector<std::string_view>& rows) {
    Board& board = well.board;
    board = {};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = first_row + static_cast<int>(r);
        for (int column = 0; column < board_columns && column < static_cast<int>(rows[r].size());
             ++column) {
            std::uint8_t kind = Empty;
            switch (rows[r][column]) {
                case '.': kind = Empty; break;
                case 'c': kind = Crumbling; break;
                case 'a': kind = Air; break;
                case 'h': kind = Hard; break;
                case '1': kind = Soft1; break;
                case '2': kind = Soft2; break;
                case '3': kind = Soft3; break;
                case '4': kind = Soft4; break;
                default: throw std::invalid_argument("unknown cell character");
            }
            board.cell[cell_index(column, row)] = static_cast<std::uint8_t>(kind << 4);
        }
    }
}

runs::Script committed_script(const char* name) {
    const std::filesystem::path path =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "replay" / name;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::stringstream text;
    text << in.rdbuf();
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script(text.str(), script, error))
        throw std::runtime_error(path.string() + ": " + error.message);
    return script;
}

std::vector<InputBits> script_values(const runs::Script& script) {
    std::vector<InputBits> out;
    for (const runs::ScriptRun& run : script) out.insert(out.end(), run.count, run.value);
    return out;
}

std::string run_script(const runs::Script& script) {
    replay::Trace trace;
    replay::run(script, trace);
    return trace.text();
}

std::string run_script(const char* text) {
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script(text, script, error)) throw std::runtime_error(error.message);
    return run_script(script);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

std::string present_line(const std::uint32_t* rows) {
    std::string line = "present";
    char word[10];
    for (int row = 0; row < lcd_size; ++row) {
        std::snprintf(word, sizeof word, " %08x", rows[row]);
        line += word;
    }
    return line;
}

FrameRows frame_of(const std::string& line) {
    FrameRows rows;
    if (line.rfind("present ", 0) != 0) return rows;
    for (std::size_t pos = 8; pos + 8 <= line.size(); pos += 9)
        rows.push_back(static_cast<std::uint32_t>(std::stoul(line.substr(pos, 8), nullptr, 16)));
    return rows;
}

std::vector<FrameRows> frames_of(const std::vector<std::string>& lines) {
    std::vector<FrameRows> frames;
    for (const std::string& line : lines)
        if (line.rfind("present ", 0) == 0) frames.push_back(frame_of(line));
    return frames;
}

std::uint32_t rng_after(std::uint32_t state, int steps) {
    for (int i = 0; i < steps; ++i) state = state * 7u + 5u;
    return state;
}

CommandResult run_command(const std::string& command) {
    CommandResult result{-1, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

}  // namespace murlo::testing
