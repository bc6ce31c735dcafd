#include "support/helpers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace murlo::testing {

HostRecorder::HostRecorder(std::vector<InputBits> inputs) : script_(replay::script_of(inputs)) {
    reset_program_state();
    replay::attach(script_, trace_);
}

HostRecorder::~HostRecorder() { replay::detach(); }

std::vector<std::string> HostRecorder::lines() const {
    std::vector<std::string> out;
    std::size_t pos = 0;
    const std::string& text = trace_.text();
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

void fill_board(int first_row, const std::vector<std::string_view>& rows) {
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

replay::Script committed_script(const char* name) {
    const std::filesystem::path path =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "replay" / name;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::stringstream text;
    text << in.rdbuf();
    replay::Script script;
    replay::ScriptError error;
    if (!replay::parse_script(text.str(), script, error))
        throw std::runtime_error(path.string() + ": " + error.message);
    return script;
}

std::vector<InputBits> script_values(const replay::Script& script) {
    std::vector<InputBits> out;
    for (const replay::ScriptRun& run : script) out.insert(out.end(), run.count, run.value);
    return out;
}

std::string run_script(const char* text) {
    reset_program_state();
    replay::Script script;
    replay::ScriptError error;
    if (!replay::parse_script(text, script, error)) throw std::runtime_error(error.message);
    replay::Trace trace;
    replay::run(script, trace);
    return trace.text();
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
