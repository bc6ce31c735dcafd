// The game's nine sounds, synthesised: small chiptune-style pieces of pulse
// and triangle voices, a noise channel and simple envelopes, each levelled
// to the same peak. make_sounds writes them as WAV files for the desktop
// games; the web page makes them in the browser from this same code.
#pragma once

#include <cstddef>
#include <vector>

namespace murlo::sounds {

constexpr int sample_rate = 22050;  // samples a second, one channel

// The file names the game plays them by, in the order of their indices.
constexpr std::size_t count = 9;
constexpr const char* names[count] = {"title.wav", "dig.wav",  "break.wav",
                                      "up.wav",    "down.wav", "auu.wav",
                                      "maru.wav",  "otukare.wav", "ending.wav"};

// The index of the sound called `name`, or -1 when there is none.
int index_of(const char* name);

// The samples of sound `index` (below count), from -1 to 1 and levelled to
// a peak of 0.5 (about -6 dBFS).
std::vector<double> synthesise(std::size_t index);

}  // namespace murlo::sounds
