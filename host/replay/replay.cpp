#include "host/replay/replay.h"

#include <charconv>
#include <cctype>
#include <cstdlib>

#include "game/game.h"
#include "host/replay/capture.h"

namespace murlo::replay {

void Trace::line(std::string_view text) {
    text_.append(text);
    text_.push_back('\n');
    if (out_ != nullptr && text_.size() >= (1u << 16)) flush();
}

void Trace::flush() {
    if (out_ == nullptr || text_.empty()) return;
    std::fwrite(text_.data(), 1, text_.size(), out_);
    text_.clear();
}

namespace {

const Script* script_runs = nullptr;
std::size_t next_run = 0;
std::uint64_t used_of_run = 0;
Trace* trace = nullptr;
Capture* frame_capture = nullptr;

constexpr InputBits input_mask = 0x1F;  // the five keys

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

void hex_byte(char* out, unsigned v) {
    static const char digits[] = "0123456789abcdef";
    out[0] = digits[(v >> 4) & 15];
    out[1] = digits[v & 15];
}

}  // namespace

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

std::string format_script(const Script& script) {
    constexpr std::uint64_t max_count = 999999999;
    constexpr std::size_t line_width = 72;
    std::string text;
    std::size_t line_start = 0;
    const auto token = [&](InputBits value, std::uint64_t count) {
        char buffer[16];
        hex_byte(buffer, value);
        char* end = buffer + 2;
        if (count > 1) {
            *end++ = '*';
            end = std::to_chars(end, buffer + sizeof buffer, count).ptr;
        }
        const std::size_t length = static_cast<std::size_t>(end - buffer);
        if (text.size() > line_start) {
            if (text.size() - line_start + 1 + length > line_width) {
                text.push_back('\n');
                line_start = text.size();
            } else {
                text.push_back(' ');
            }
        }
        text.append(buffer, length);
    };
    // Whole tokens go out as soon as a run fills them, so no count is
    // ever added past what one token holds.
    std::size_t i = 0;
    while (i < script.size()) {
        const InputBits value = script[i].value & input_mask;
        std::uint64_t pending = 0;  // below max_count
        for (; i < script.size() && (script[i].value & input_mask) == value; ++i) {
            std::uint64_t count = script[i].count;
            const std::uint64_t top_up = count < max_count - pending ? count : max_count - pending;
            pending += top_up;
            count -= top_up;
            if (pending < max_count) continue;
            token(value, max_count);
            for (std::uint64_t full = count / max_count; full > 0; --full) token(value, max_count);
            pending = count % max_count;
        }
        if (pending > 0) token(value, pending);
    }
    if (!text.empty()) text.push_back('\n');
    return text;
}

Script script_of(const std::vector<InputBits>& values) {
    Script script;
    for (const InputBits value : values) script.push_back({value, 1});
    return script;
}

void attach(const Script& script, Trace& out, Capture* capture) {
    script_runs = &script;
    next_run = 0;
    used_of_run = 0;
    trace = &out;
    frame_capture = capture;
}

void detach() {
    script_runs = nullptr;
    trace = nullptr;
    frame_capture = nullptr;
}

void run(const Script& script, Trace& out, Capture* capture) {
    attach(script, out, capture);
    try {
        game_main();
    } catch (const Quit&) {
    }
    detach();
    out.flush();
}

}  // namespace murlo::replay

namespace murlo {

using namespace replay;

void create_main_window() {}

InputBits poll_input() {
    while (script_runs != nullptr && next_run < script_runs->size() &&
           used_of_run >= (*script_runs)[next_run].count) {
        ++next_run;
        used_of_run = 0;
    }
    if (script_runs == nullptr || next_run >= script_runs->size()) {
        if (trace != nullptr) trace->line("quit");
        throw Quit{};
    }
    const InputBits value = (*script_runs)[next_run].value;
    ++used_of_run;
    char text[] = "poll 00";
    hex_byte(text + 5, value);
    trace->line(text);
    return value;
}

void present_frame(const LcdFrame& frame) {
    char text[7 + 32 * 9] = "present";
    char* p = text + 7;
    for (const std::uint32_t word : frame.row) {
        *p++ = ' ';
        for (int shift = 24; shift >= 0; shift -= 8, p += 2) hex_byte(p, word >> shift);
    }
    trace->line(std::string_view(text, sizeof text));
#ifdef MURLO_CAPTURE
    if (frame_capture != nullptr) capture_frame(*frame_capture, frame);
#endif
}

void wait_ticks(std::uint32_t n) {
    char text[16] = "wait ";
    const auto end = std::to_chars(text + 5, text + sizeof text, n).ptr;
    trace->line(std::string_view(text, static_cast<std::size_t>(end - text)));
#ifdef MURLO_CAPTURE
    if (frame_capture != nullptr) capture_wait(*frame_capture, n);
#endif
}

void play_sound(const char* name) {
    if (name == nullptr) return;
    trace->append("sound ");
    trace->line(name);
}

void stop_sound() { trace->line("stop"); }

}  // namespace murlo
