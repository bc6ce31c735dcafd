#include "host/replay/replay.h"

#include <cstdlib>

#include "game/game.h"
#include "host/replay/capture.h"
#include "host/replay/trace_lines.h"

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

}  // namespace

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
        if (trace != nullptr) trace->line(quit_line);
        throw Quit{};
    }
    const InputBits value = (*script_runs)[next_run].value;
    ++used_of_run;
    trace->line(poll_line(value).view());
    return value;
}

void present_frame(const LcdFrame& frame) {
    trace->line(present_line(frame).view());
#ifdef MURLO_CAPTURE
    if (frame_capture != nullptr) capture_frame(*frame_capture, frame);
#endif
}

void wait_ticks(std::uint32_t n) {
    trace->line(wait_line(n).view());
#ifdef MURLO_CAPTURE
    if (frame_capture != nullptr) capture_wait(*frame_capture, n);
#endif
}

void play_sound(const char* name) {
    if (name == nullptr) return;
    trace->line(sound_line(name).view());
}

void stop_sound() { trace->line(stop_line); }

}  // namespace murlo
