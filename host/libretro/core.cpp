#include "host/libretro/core.h"

#include <algorithm>
#include <cmath>

#include "runner/state.h"
#include "sounds/sounds.h"

namespace murlo::libretro {

namespace {

// The sample of `sound` (or silence) heard at stream sample `k` when it
// began at stream sample `from`.
std::int16_t sample_of(const SoundBank& bank, std::int8_t sound, std::uint64_t from, std::uint64_t k) {
    if (sound < 0 || sound >= sound_count || k < from) return 0;
    const std::vector<std::int16_t>& samples = bank.samples[sound];
    return k - from < samples.size() ? samples[k - from] : 0;
}

}  // namespace

SoundBank make_sound_bank() {
    SoundBank bank;
    for (int id = 0; id < sound_count; ++id) {
        const std::vector<double> in = sounds::synthesise(static_cast<Sound>(id));
        if (in.empty()) continue;
        // Linear interpolation from the synthesiser's rate to ours.
        const std::size_t n = in.size() * sample_rate / sounds::sample_rate;
        std::vector<std::int16_t>& out = bank.samples[id];
        out.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double at = static_cast<double>(i) * sounds::sample_rate / sample_rate;
            const std::size_t k = static_cast<std::size_t>(at);
            const double frac = at - static_cast<double>(k);
            const double next = k + 1 < in.size() ? in[k + 1] : in[k];
            const double v = std::clamp(in[k] + (next - in[k]) * frac, -1.0, 1.0);
            out[i] = static_cast<std::int16_t>(std::lround(v * 32767.0));
        }
    }
    return bank;
}

std::uint64_t sample_at(std::uint64_t us) {
    return us / run_us * samples_per_run + (us % run_us * samples_per_run + run_us - 1) / run_us;
}

const char* load(Runner& r, const std::uint8_t* data, std::size_t size) { return load_state(r, data, size); }

Report run_once(Session& session, const SoundBank& bank, InputBits pad, std::int16_t* audio) {
    Runner& r = session.runner;
    // The frontend's clock is its runs: the pad as read at the run's start,
    // then the run's time.
    const std::uint64_t start = r.host_seen ? r.host_us : 0;
    session_event(session, start, {Event::Kind::Keys, pad});
    // The sound as the run begins: it plays until the runner's sound began,
    // when that was within the run.
    const std::int8_t was = r.state.sound;
    const std::uint64_t was_from = sample_at(r.state.sound_start_us);
    const Report report = session_run(session, start + run_us);

    const RunState& s = r.state;
    const std::uint64_t end = sample_at(s.clock_us), from = sample_at(s.sound_start_us);
    const std::uint64_t first = end - std::min<std::uint64_t>(end, samples_per_run);
    for (unsigned i = 0; i < samples_per_run; ++i) {
        const std::uint64_t k = first + i;
        std::int16_t v = 0;
        if (!paused(r)) v = k >= from ? sample_of(bank, s.sound, from, k) : sample_of(bank, was, was_from, k);
        audio[2 * i] = audio[2 * i + 1] = v;
    }
    return report;
}

}  // namespace murlo::libretro
