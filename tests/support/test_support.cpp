#include "support/test_support.h"

#include <cstdio>
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
