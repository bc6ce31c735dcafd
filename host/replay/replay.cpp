#include "host/replay/replay.h"


#include "cycle/cycle.h"
#include "host/replay/capture.h"
#include "runs/trace_lines.h"

namespace murlo::replay {

using namespace runs;

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

void trace_calls(const Calls& calls, Trace& trace, [[maybe_unused]] Capture* capture) {
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        trace.line(call_line(calls, call).view());
#ifdef MURLO_CAPTURE
        if (capture == nullptr) continue;
        if (call.kind == Call::Kind::Present) capture_frame(*capture, calls.frame[call.frame]);
        if (call.kind == Call::Kind::Wait) capture_wait(*capture, call.ticks);
#endif
    }
}

void run(const Script& script, Trace& trace, Capture* capture) {
    Game game;
    Calls calls;
    start_up(game, calls);
    trace_calls(calls, trace, capture);
    for (const ScriptRun& run : script) {
        const TraceLine poll = poll_line(run.value);
        for (std::uint64_t i = 0; i < run.count; ++i) {
            trace.line(poll.view());
            advance(game, run.value, calls);
            trace_calls(calls, trace, capture);
            while (!awaits_poll(game)) {
                advance(game, 0, calls);
                trace_calls(calls, trace, capture);
            }
        }
    }
    trace.line(quit_line);
    trace.flush();
}

}  // namespace murlo::replay
