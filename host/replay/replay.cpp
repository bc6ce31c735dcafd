#include "host/replay/replay.h"

#include <memory>

#include "host/replay/capture.h"
#include "runner/headless.h"
#include "runs/trace_lines.h"

namespace murlo::replay {

using namespace runs;

void Trace::line(std::string_view text) {
    text_.append(text);
    text_.push_back('\n');
    if (out_ != nullptr && text_.size() >= (1u << 16)) flush();
}

void Trace::text(std::string_view lines) {
    text_.append(lines);
    if (out_ != nullptr && text_.size() >= (1u << 16)) flush();
}

void Trace::flush() {
    if (out_ == nullptr || text_.empty()) return;
    std::fwrite(text_.data(), 1, text_.size(), out_);
    text_.clear();
}

void trace_calls(const Calls& calls, Trace& trace, Capture* capture) {
    for (int i = 0; i < calls.count; ++i) trace.line(call_line(calls, calls.call[i]).view());
    capture_calls(calls, capture);
}

void capture_calls([[maybe_unused]] const Calls& calls, [[maybe_unused]] Capture* capture) {
#ifdef MURLO_CAPTURE
    if (capture == nullptr) return;
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        if (call.kind == Call::Kind::Present) capture_frame(*capture, calls.frame[call.frame]);
        if (call.kind == Call::Kind::Wait) capture_wait(*capture, call.ticks);
    }
#endif
}

void capture_calls([[maybe_unused]] const Runner& r, [[maybe_unused]] Capture* capture) {
#ifdef MURLO_CAPTURE
    if (capture == nullptr) return;
    const Calls& calls = r.calls;
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        if (call.kind == Call::Kind::Present) capture_frame(*capture, with_ghost(r, calls.frame[call.frame]));
        if (call.kind == Call::Kind::Wait) capture_wait(*capture, call.ticks);
    }
#endif
}

void run(const Script& script, Trace& trace, Capture* capture, const GhostRace* race) {
    const auto runner = std::make_unique<Runner>();
    Runner& r = *runner;
    r.tracing = true;
    play_headless(
        r, script,
        [&](Runner& played) {
            trace.text(played.trace);
            played.trace.clear();
            capture_calls(played, capture);
        },
        race);
    close_trace(r);
    trace.text(r.trace);
    trace.flush();
}

}  // namespace murlo::replay
