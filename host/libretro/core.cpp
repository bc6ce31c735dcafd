#include "host/libretro/core.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cycle/cycle.h"
#include "game/invariants.h"
#include "sounds/sounds.h"

namespace murlo::libretro {

namespace {

// The samples a run has written so far, so a sound that starts part way
// through a run starts at its own sample.
struct Mix {
    std::int16_t* out;
    unsigned done;
};

void mix_until(Core& core, Mix& mix, unsigned end) {
    const std::vector<std::int16_t>* samples =
        core.sound == no_sound ? nullptr : &core.bank->samples[core.sound];
    for (; mix.done < end; ++mix.done) {
        std::int16_t s = 0;
        if (samples != nullptr && core.sound_pos < samples->size()) s = (*samples)[core.sound_pos++];
        mix.out[2 * mix.done] = s;
        mix.out[2 * mix.done + 1] = s;
    }
}

// The sample of this run at which something happens when the run has
// `time` left: time is used up from the run's start towards its end.
unsigned sample_at(std::int32_t time) {
    const std::int32_t into = std::clamp(run_units - time, 0, run_units);
    return static_cast<unsigned>(into) * samples_per_run / run_units;
}

void start_sound(Core& core, Mix& mix, std::int8_t sound) {
    mix_until(core, mix, sample_at(core.time));
    core.sound = sound;
    core.sound_pos = 0;
}

InputBits next_keys(Core& core, InputBits pad) {
    if (core.script_run >= core.script.size()) return pad;
    const runs::ScriptRun& now = core.script[core.script_run];
    ++core.script_polls;
    if (++core.script_in_run == now.count) {
        ++core.script_run;
        core.script_in_run = 0;
    }
    return now.value;
}

// Where the script stands after `polls` of its polls.
void seek_script(Core& core, std::uint64_t polls) {
    core.script_polls = 0;
    core.script_run = 0;
    core.script_in_run = 0;
    for (; core.script_run < core.script.size(); ++core.script_run) {
        const std::uint64_t count = core.script[core.script_run].count;
        if (polls - core.script_polls < count) {
            core.script_in_run = polls - core.script_polls;
            core.script_polls = polls;
            return;
        }
        core.script_polls += count;
    }
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

void start(Core& core) {
    core.before = Game{};
    core.in_start_up = true;
    core.step_keys = 0;
    start_up(core.game, *core.calls);
    core.next_call = 0;
    core.time = 0;
    core.sound = no_sound;
    core.sound_pos = 0;
    core.shown = core.game.lcd;
    seek_script(core, 0);
}

void run(Core& core, InputBits pad, std::int16_t* audio) {
    Mix mix{audio, 0};
    core.time += run_units;
    // Calls in order; a wait takes its time, and one longer than the run
    // has left goes on in the next. Once they run out, the next poll: a
    // title pass takes its millisecond first, a game frame's poll none
    // (its step waits).
    while (core.time >= 0) {
        const Calls& calls = *core.calls;
        if (core.next_call < calls.count) {
            const Call& call = calls.call[core.next_call++];
            switch (call.kind) {
            case Call::Kind::Present: core.shown = calls.frame[call.frame]; break;
            case Call::Kind::Wait: core.time -= static_cast<std::int32_t>(call.ticks) * tick_units; break;
            case Call::Kind::Sound: start_sound(core, mix, static_cast<std::int8_t>(call.sound)); break;
            case Call::Kind::Stop: start_sound(core, mix, no_sound); break;
            }
            continue;
        }
        if (core.game.phase == Phase::Title) {
            if (core.time < title_pass_units) break;
            core.time -= title_pass_units;
        }
        core.before = core.game;
        core.in_start_up = false;
        core.step_keys = next_keys(core, pad);
        step(core.game, core.step_keys, *core.calls);
        core.next_call = 0;
    }
    mix_until(core, mix, samples_per_run);
}

void save(const Core& core, SaveState& state) {
    std::memset(&state, 0, sizeof state);
    std::memcpy(state.magic, state_magic, sizeof state.magic);
    state.version = state_version;
    state.size = sizeof state;
    state.before = core.before;
    state.in_start_up = core.in_start_up ? 1 : 0;
    state.step_keys = core.step_keys;
    state.next_call = core.next_call;
    state.time = core.time;
    state.sound = core.sound;
    state.sound_pos = core.sound_pos;
    state.script_polls = core.script_polls;
    state.shown = core.shown;
}

const char* load(Core& core, const void* data, std::size_t size) {
    SaveState state;
    if (size != sizeof state) return "not the size of a Murlo state";
    std::memcpy(&state, data, sizeof state);
    if (std::memcmp(state.magic, state_magic, sizeof state.magic) != 0) return "not a Murlo state";
    if (state.version != state_version || state.size != sizeof state) return "another version's state";
    if (state.in_start_up > 1 || (state.step_keys & ~input::all) != 0) return "a step no game makes";

    // The step made again, on the side: the game is deterministic.
    Game game = state.before;
    Calls& calls = *core.spare;
    if (state.in_start_up) {
        start_up(game, calls);
    } else {
        if (const char* broken = check_invariants(game, first_check_of_game)) return broken;
        step(game, state.step_keys, calls);
    }
    if (const char* broken = check_invariants(game, first_check_of_game)) return broken;
    if (state.next_call > calls.count) return "a place past the end of its step";
    // A run ends with the time of a title pass or less left, or in a wait
    // that began with that run's time or less.
    if (state.time >= title_pass_units) return "more time than a run leaves";
    if (state.time < 0) {
        const Call* last = state.next_call > 0 ? &calls.call[state.next_call - 1] : nullptr;
        if (last == nullptr || last->kind != Call::Kind::Wait ||
            -static_cast<std::int64_t>(state.time) > static_cast<std::int64_t>(last->ticks) * tick_units)
            return "a wait longer than its step's";
    }
    if (state.sound < no_sound || state.sound >= sound_count ||
        (state.sound == no_sound && state.sound_pos != 0) ||
        (state.sound != no_sound && state.sound_pos > core.bank->samples[state.sound].size()))
        return "a sound that is not there";

    core.game = game;
    core.before = state.before;
    core.in_start_up = state.in_start_up != 0;
    core.step_keys = state.step_keys;
    std::swap(core.calls, core.spare);
    core.next_call = state.next_call;
    core.time = state.time;
    core.sound = state.sound;
    core.sound_pos = state.sound_pos;
    core.shown = state.shown;
    seek_script(core, state.script_polls);
    return nullptr;
}

}  // namespace murlo::libretro
