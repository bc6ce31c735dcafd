#include "sounds/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace murlo::sounds {

namespace {

constexpr int rate = sample_rate;
constexpr double pi = 3.14159265358979323846;
// Every sound is levelled to the same loudness, its RMS over the whole
// sound, so none is startling or lost beside another: -15 dBFS. A sound
// whose peaks stand far above its body (the chime's strikes) would clip
// there, so none is raised beyond a peak of 0.7 (about -3.1 dBFS) and such
// a sound stays a little under the target.
constexpr double target_rms = 0.1778;  // -15 dBFS
constexpr double peak_limit = 0.7;     // -3.1 dBFS, and the same in 16 bits

using Buffer = std::vector<double>;

double midi_hz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

std::size_t samples_of(double seconds) { return static_cast<std::size_t>(seconds * rate + 0.5); }

void ensure(Buffer& out, std::size_t size) {
    if (out.size() < size) out.resize(size, 0.0);
}

// The voice shapes, given a phase in cycles.
double pulse(double phase, double duty) { return phase - std::floor(phase) < duty ? 1.0 : -1.0; }
double triangle(double phase) {
    const double f = phase - std::floor(phase);
    return f < 0.5 ? 4 * f - 1 : 3 - 4 * f;
}

// A small linear-feedback noise source, like an old sound chip's.
struct Noise {
    std::uint32_t state = 0x7FFF;
    double next() {
        const std::uint32_t bit = (state ^ (state >> 1)) & 1u;
        state = (state >> 1) | (bit << 14);
        return state & 1u ? 1.0 : -1.0;
    }
};

enum class Wave { Pulse12, Pulse25, Pulse50, Triangle };

double voice(Wave wave, double phase) {
    switch (wave) {
    case Wave::Pulse12: return pulse(phase, 0.125);
    case Wave::Pulse25: return pulse(phase, 0.25);
    case Wave::Pulse50: return pulse(phase, 0.5);
    case Wave::Triangle: return triangle(phase);
    }
    return 0;
}

// One note: a short attack, then an exponential fall towards `sustain`,
// and a short release at its end so notes never click.
void add_note(Buffer& out, double start, double length, double hz, Wave wave, double volume,
              double decay = 6.0, double sustain = 0.35, double vibrato = 0.0) {
    const std::size_t first = samples_of(start);
    const std::size_t count = samples_of(length);
    ensure(out, first + count);
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double left = length - t;
        double env = sustain + (1 - sustain) * std::exp(-decay * t);
        env *= std::min({1.0, t / 0.004, left / 0.012});
        const double f = hz * (1 + vibrato * std::sin(2 * pi * 5.5 * t) * std::min(1.0, t / 0.15));
        phase += f / rate;
        out[first + i] += volume * env * voice(wave, phase);
    }
}

// A tone whose pitch glides from one frequency to another.
void add_glide(Buffer& out, double start, double length, double from_hz, double to_hz, Wave wave,
               double volume, double decay) {
    const std::size_t first = samples_of(start);
    const std::size_t count = samples_of(length);
    ensure(out, first + count);
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double k = t / length;
        const double f = from_hz * std::pow(to_hz / from_hz, k);
        phase += f / rate;
        const double env = std::exp(-decay * t) * std::min({1.0, t / 0.003, (length - t) / 0.01});
        out[first + i] += volume * env * voice(wave, phase);
    }
}

// A burst of noise; `pitch` is how often per second the noise steps.
void add_noise(Buffer& out, double start, double length, double pitch, double volume, double decay) {
    const std::size_t first = samples_of(start);
    const std::size_t count = samples_of(length);
    ensure(out, first + count);
    Noise noise;
    double held = noise.next(), clock = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        clock += pitch / rate;
        while (clock >= 1) {
            held = noise.next();
            clock -= 1;
        }
        const double env = std::exp(-decay * t) * std::min({1.0, t / 0.002, (length - t) / 0.008});
        out[first + i] += volume * env * held;
    }
}

// A bell-like tone: a few decaying sine partials.
void add_bell(Buffer& out, double start, double length, double hz, double volume) {
    const std::size_t first = samples_of(start);
    const std::size_t count = samples_of(length);
    ensure(out, first + count);
    const double partials[][3] = {{1.0, 1.0, 3.0}, {2.0, 0.45, 5.0}, {3.01, 0.25, 8.0}, {4.2, 0.12, 12.0}};
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (const auto& p : partials) v += p[1] * std::exp(-p[2] * t) * std::sin(2 * pi * hz * p[0] * t);
        v *= std::min({1.0, t / 0.002, (length - t) / 0.02});
        out[first + i] += volume * v;
    }
}

// A tune written as notes on a beat grid: MIDI note (0 = rest) and length
// in beats.
struct Step {
    int note;
    double beats;
};

double add_line(Buffer& out, double start, double beat, const std::vector<Step>& steps, Wave wave,
                double volume, double gate = 0.9, double decay = 6.0, double sustain = 0.35,
                double vibrato = 0.0) {
    double t = start;
    for (const Step& step : steps) {
        const double length = step.beats * beat;
        if (step.note > 0)
            add_note(out, t, length * gate, midi_hz(step.note), wave, volume, decay, sustain, vibrato);
        t += length;
    }
    return t;
}

// One gain for the whole sound, so its notes, rhythm and timbre stay as
// they were written: the one that brings it to the target loudness, or
// less where its peaks would pass the limit.
void level(Buffer& out) {
    double peak = 0, squares = 0;
    for (double v : out) {
        peak = std::max(peak, std::fabs(v));
        squares += v * v;
    }
    if (peak == 0) return;
    const double rms = std::sqrt(squares / static_cast<double>(out.size()));
    const double gain = std::min(target_rms / rms, peak_limit / peak);
    for (double& v : out) v *= gain;
}

// ---- the sounds ----------------------------------------------------------

// Title: a bouncy eight-bar tune over a walking bass, about 12 seconds.
Buffer title_tune() {
    Buffer out;
    const double beat = 60.0 / 160 / 2;  // eighth notes at 160 bpm
    const std::vector<Step> lead = {
        {72, 1}, {76, 1}, {79, 2}, {76, 1}, {79, 1}, {84, 2},   {83, 1}, {79, 1}, {76, 2}, {74, 2}, {0, 2},
        {72, 1}, {74, 1}, {76, 2}, {77, 1}, {76, 1}, {74, 2},   {71, 1}, {72, 1}, {74, 2}, {67, 2}, {0, 2},
        {72, 1}, {76, 1}, {79, 2}, {81, 1}, {79, 1}, {84, 2},   {86, 1}, {84, 1}, {81, 2}, {79, 2}, {0, 2},
        {77, 1}, {76, 1}, {74, 2}, {71, 2}, {74, 1}, {79, 1},   {72, 4}, {0, 4},
    };
    add_line(out, 0, beat, lead, Wave::Pulse25, 0.55, 0.85, 5.0, 0.45);
    const int roots[8] = {48, 53, 55, 48, 48, 53, 55, 48};
    std::vector<Step> bass;
    for (int root : roots)
        for (int i = 0; i < 4; ++i) bass.push_back({i % 2 == 0 ? root : root + 7, 2});
    add_line(out, 0, beat, bass, Wave::Triangle, 0.7, 0.8, 3.0, 0.6);
    return out;
}

// Dig: a dry click.
Buffer dig_click() {
    Buffer out;
    add_noise(out, 0, 0.05, 9000, 0.6, 70);
    add_glide(out, 0, 0.05, 180, 90, Wave::Pulse50, 0.5, 50);
    return out;
}

// Break: a crunch with a falling blip.
Buffer break_crunch() {
    Buffer out;
    add_noise(out, 0, 0.14, 4000, 0.7, 25);
    add_glide(out, 0, 0.12, 700, 220, Wave::Pulse25, 0.4, 15);
    return out;
}

// Up: three quick rising blips - air taken in.
Buffer air_blips() {
    Buffer out;
    add_note(out, 0.00, 0.055, midi_hz(84), Wave::Pulse50, 0.5, 8, 0.6);
    add_note(out, 0.06, 0.055, midi_hz(88), Wave::Pulse50, 0.5, 8, 0.6);
    add_note(out, 0.12, 0.09, midi_hz(91), Wave::Pulse50, 0.5, 8, 0.6);
    return out;
}

// Down: a falling tone - a hard block given way at a cost.
Buffer falling_tone() {
    Buffer out;
    add_glide(out, 0, 0.38, 880, 200, Wave::Pulse25, 0.6, 3);
    return out;
}

// Auu: a sad, wavering cry that sinks.
Buffer sad_cry() {
    Buffer out;
    const double length = 1.1;
    const std::size_t count = samples_of(length);
    ensure(out, count);
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        // "a" rises a little, then a long "uu" falls away.
        const double base = t < 0.18 ? 600 + 200 * t : 636 * std::pow(0.5, (t - 0.18) / 0.9);
        const double f = base * (1 + 0.03 * std::sin(2 * pi * 6 * t));
        phase += f / rate;
        // The cry goes from bright to dull: pulse into triangle.
        const double bright = std::clamp(1 - (t - 0.1) / 0.4, 0.0, 1.0);
        const double v = bright * pulse(phase, 0.3) + (1 - bright) * triangle(phase);
        const double env = std::min({1.0, t / 0.02, (length - t) / 0.25});
        out[i] = 0.6 * env * v;
    }
    return out;
}

// Maru: a bright chime - a quick arpeggio ringing out.
Buffer bright_chime() {
    Buffer out;
    const int notes[] = {84, 88, 91, 96};
    for (int i = 0; i < 4; ++i) add_bell(out, 0.07 * i, 1.0 - 0.07 * i, midi_hz(notes[i]), 0.35);
    return out;
}

// Otukare: a short, gentle closing melody, about 4.5 seconds.
Buffer closing_melody() {
    Buffer out;
    const double beat = 60.0 / 108 / 2;
    const std::vector<Step> lead = {
        {79, 2}, {76, 1}, {77, 1}, {79, 2}, {72, 2}, {74, 2}, {76, 1}, {74, 1}, {72, 4},
    };
    const double end = add_line(out, 0, beat, lead, Wave::Pulse12, 0.5, 0.9, 3.0, 0.5, 0.004);
    const std::vector<Step> bass = {{48, 4}, {53, 4}, {55, 4}, {48, 4}};
    add_line(out, 0, beat, bass, Wave::Triangle, 0.6, 0.95, 1.5, 0.6);
    add_bell(out, end - 4 * beat, 4 * beat, midi_hz(84), 0.25);
    return out;
}

// Ending: a thirty-second tune - a melody over arpeggiated chords, played
// twice with a higher second half, ending on a long chord.
Buffer ending_tune() {
    Buffer out;
    const double beat = 60.0 / 128;  // 64 beats make 30 seconds
    // Chords of the progression, one bar (four beats) each: root and the
    // two notes above it.
    const int bars[16][3] = {
        {60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62},
        {60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62},
        {53, 57, 60}, {55, 59, 62}, {52, 55, 59}, {57, 60, 64},
        {50, 53, 57}, {55, 59, 62}, {60, 64, 67}, {60, 64, 67},
    };
    // Melody, one line of notes per bar, in beats.
    const std::vector<Step> melody[16] = {
        {{76, 1.5}, {74, 0.5}, {72, 1}, {67, 1}},
        {{69, 1}, {72, 1}, {76, 2}},
        {{77, 1.5}, {76, 0.5}, {74, 1}, {72, 1}},
        {{71, 1}, {72, 1}, {74, 2}},
        {{76, 1.5}, {74, 0.5}, {72, 1}, {79, 1}},
        {{81, 1}, {79, 1}, {76, 2}},
        {{77, 1}, {81, 1}, {79, 1}, {77, 1}},
        {{74, 2}, {0, 1}, {71, 1}},
        {{72, 1}, {77, 1}, {81, 1.5}, {79, 0.5}},
        {{79, 1}, {74, 1}, {71, 2}},
        {{71, 1}, {76, 1}, {79, 1.5}, {76, 0.5}},
        {{81, 1}, {79, 1}, {76, 2}},
        {{77, 1}, {76, 1}, {74, 1}, {72, 1}},
        {{74, 1}, {79, 1}, {83, 2}},
        {{84, 3}, {79, 1}},
        {{84, 4}},
    };
    for (int bar = 0; bar < 16; ++bar) {
        const double start = bar * 4 * beat;
        const int* chord = bars[bar];
        if (bar < 15) {
            // Eighth-note arpeggio, up and back.
            const int pattern[8] = {0, 1, 2, 1, 0, 1, 2, 1};
            std::vector<Step> arp;
            for (int p : pattern) arp.push_back({chord[p], 0.5});
            add_line(out, start, beat, arp, Wave::Pulse12, 0.22, 0.7, 10, 0.2);
            add_line(out, start, beat, {{chord[0] - 12, 2}, {chord[0] - 5, 2}}, Wave::Triangle, 0.6,
                     0.9, 2, 0.5);
        } else {
            for (int i = 0; i < 3; ++i)
                add_note(out, start, 4 * beat, midi_hz(chord[i]), Wave::Pulse12, 0.18, 1.0, 0.3);
            add_note(out, start, 4 * beat, midi_hz(chord[0] - 12), Wave::Triangle, 0.6, 0.8, 0.3);
        }
        add_line(out, start, beat, melody[bar], Wave::Pulse25, 0.42, 0.92, 3.0, 0.5, 0.003);
    }
    return out;
}

}  // namespace

std::vector<double> synthesise(Sound sound) {
    Buffer samples;
    switch (sound) {
        case Sound::Title: samples = title_tune(); break;
        case Sound::Dig: samples = dig_click(); break;
        case Sound::Break: samples = break_crunch(); break;
        case Sound::Up: samples = air_blips(); break;
        case Sound::Down: samples = falling_tone(); break;
        case Sound::Auu: samples = sad_cry(); break;
        case Sound::Maru: samples = bright_chime(); break;
        case Sound::Otukare: samples = closing_melody(); break;
        case Sound::Ending: samples = ending_tune(); break;
    }
    level(samples);
    return samples;
}

}  // namespace murlo::sounds
