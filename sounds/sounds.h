// The game's nine sounds, synthesised: small chiptune-style pieces of pulse
// and triangle voices, a noise channel and simple envelopes, each levelled
// to the same loudness. The desktop games play them as WAV files written at
// build time (tools/assets/make_sounds); the web page makes them in the
// browser from this same code.
#pragma once

#include <vector>

#include "game/calls.h"

namespace murlo::sounds {

constexpr int sample_rate = 22050;  // samples a second, one channel

// The samples of a sound at sample_rate, from -1 to 1: levelled to an RMS
// of -15 dBFS over the sound, peaks at most -3.1 dBFS (a sound with high
// peaks stays a little quieter, within 3 dB of the others).
std::vector<double> synthesise(Sound sound);

}  // namespace murlo::sounds
