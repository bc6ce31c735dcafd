// The game's nine sounds, synthesised: small chiptune-style pieces of pulse
// and triangle voices, a noise channel and simple envelopes, each levelled
// to the same peak. The desktop games play them as WAV files written at
// build time (tools/assets/make_sounds); the web page makes them in the
// browser from this same code.
#pragma once

#include <vector>

#include "game/calls.h"

namespace murlo::sounds {

constexpr int sample_rate = 22050;  // samples a second, one channel

// The samples of a sound, from -1 to 1 and levelled to a peak of 0.5
// (about -6 dBFS), at sample_rate.
std::vector<double> synthesise(Sound sound);

}  // namespace murlo::sounds
