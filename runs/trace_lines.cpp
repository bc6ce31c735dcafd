#include "runs/trace_lines.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace murlo::runs {

namespace {

TraceLine starting(std::string_view word) {
    TraceLine line;
    std::memcpy(line.text, word.data(), word.size());
    line.size = word.size();
    return line;
}

}  // namespace

void hex_byte(char* out, unsigned v) {
    static const char digits[] = "0123456789abcdef";
    out[0] = digits[(v >> 4) & 15];
    out[1] = digits[v & 15];
}

TraceLine poll_line(InputBits keys) {
    TraceLine line = starting("poll ");
    hex_byte(line.text + line.size, keys);
    line.size += 2;
    return line;
}

TraceLine present_line(const LcdFrame& frame) {
    TraceLine line = starting("present");
    char* p = line.text + line.size;
    for (const std::uint32_t word : frame.row) {
        *p++ = ' ';
        for (int shift = 24; shift >= 0; shift -= 8, p += 2) hex_byte(p, word >> shift);
    }
    line.size = static_cast<std::size_t>(p - line.text);
    return line;
}

TraceLine wait_line(std::uint32_t ticks) {
    TraceLine line = starting("wait ");
    line.size = static_cast<std::size_t>(
        std::to_chars(line.text + line.size, line.text + TraceLine::capacity, ticks).ptr - line.text);
    return line;
}

TraceLine sound_line(const char* name) {
    TraceLine line = starting("sound ");
    const std::size_t length = std::min(std::strlen(name), TraceLine::capacity - line.size);
    std::memcpy(line.text + line.size, name, length);
    line.size += length;
    return line;
}

TraceLine call_line(const Calls& calls, const Call& call) {
    switch (call.kind) {
        case Call::Kind::Present: return present_line(calls.frame[call.frame]);
        case Call::Kind::Wait: return wait_line(call.ticks);
        case Call::Kind::Sound: return sound_line(sound_name(call.sound));
        case Call::Kind::Stop: break;
    }
    return starting(stop_line);
}

}  // namespace murlo::runs
