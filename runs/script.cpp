#include "runs/script.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "runs/trace_lines.h"

namespace murlo::runs {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One token: H, HH, H*N or HH*N. Returns false with a reason on a bad one.
bool parse_token(std::string_view token, InputBits& value, std::uint64_t& count,
                 std::string& reason) {
    const std::size_t star = token.find('*');
    const std::string_view hex = token.substr(0, star);
    if (hex.empty() || hex.size() > 2) {
        reason = "expected one or two hex digits";
        return false;
    }
    int v = 0;
    for (char c : hex) {
        const int d = hex_digit(c);
        if (d < 0) {
            reason = "expected one or two hex digits";
            return false;
        }
        v = v * 16 + d;
    }
    if (v & ~input::all) {
        reason = "only bits 0..4 name keys";
        return false;
    }
    value = static_cast<InputBits>(v);
    count = 1;
    if (star == std::string_view::npos) return true;
    const std::string_view digits = token.substr(star + 1);
    if (digits.empty() || digits.size() > 9) {
        reason = "expected a repeat count from 1 to 999999999";
        return false;
    }
    count = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            reason = "expected a decimal repeat count";
            return false;
        }
        count = count * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (count == 0) {
        reason = "a repeat count must be at least 1";
        return false;
    }
    return true;
}

}  // namespace

std::string format_script(const Script& script) {
    std::string text;
    ScriptWriter writer;
    for (const ScriptRun& run : script) writer.add(run.value & input::all, run.count, text);
    writer.finish(text);
    return text;
}

bool parse_script(std::string_view text, Script& script, ScriptError& error) {
    script.clear();
    int line_number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++line_number;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            std::size_t j = i;
            while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
            if (j == i) break;
            const std::string_view token = line.substr(i, j - i);
            InputBits value = 0;
            std::uint64_t count = 0;
            std::string reason;
            if (!parse_token(token, value, count, reason)) {
                error = {line_number, std::string(token), reason};
                return false;
            }
            script.push_back({value, count});
            i = j;
        }
    }
    return true;
}

Script script_of(const std::vector<InputBits>& values) {
    Script script;
    for (const InputBits value : values) script.push_back({value, 1});
    return script;
}

std::size_t format_run(char* out, InputBits value, std::uint64_t count) {
    hex_byte(out, value);
    if (count <= 1) return 2;
    out[2] = '*';
    const auto end = std::to_chars(out + 3, out + max_token_length, count).ptr;
    return static_cast<std::size_t>(end - out);
}

void ScriptWriter::add(InputBits value, std::uint64_t count, std::string& out) {
    if (count == 0) return;
    if (count_ > 0 && value != value_) end_run(out);
    value_ = value;
    while (count > 0) {
        if (count_ == max_run_count) end_run(out);  // a full token goes out
        const std::uint64_t taken = std::min(count, max_run_count - count_);
        count_ += taken;
        count -= taken;
    }
}

void ScriptWriter::end_run(std::string& out) {
    if (count_ == 0) return;
    token(value_, count_, out);
    count_ = 0;
}

void ScriptWriter::finish(std::string& out) {
    end_run(out);
    if (column_ > 0) out.push_back('\n');
    column_ = 0;
}

void ScriptWriter::token(InputBits value, std::uint64_t count, std::string& out) {
    char text[max_token_length];
    const std::size_t length = format_run(text, value, count);
    if (column_ > 0) {
        if (column_ + 1 + length > script_line_width) {
            out.push_back('\n');
            column_ = 0;
        } else {
            out.push_back(' ');
            ++column_;
        }
    }
    out.append(text, length);
    column_ += length;
}

bool next_poll(const Script& script, ScriptPlace& place, InputBits& keys) {
    while (place.run < script.size() && place.in_run >= script[place.run].count) {
        ++place.run;
        place.in_run = 0;
    }
    if (place.run >= script.size()) return false;
    keys = script[place.run].value;
    ++place.in_run;
    return true;
}

ScriptPlace place_after(const Script& script, std::uint64_t polls) {
    ScriptPlace place;
    for (; place.run < script.size(); ++place.run) {
        if (polls < script[place.run].count) {
            place.in_run = polls;
            break;
        }
        polls -= script[place.run].count;
    }
    return place;
}

}  // namespace murlo::runs
