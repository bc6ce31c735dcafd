// Writes the game's nine sounds (sounds/sounds.h) as WAV files: 22050 Hz,
// 16-bit mono PCM.
//
// usage: make_sounds OUTPUT_DIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sounds/sounds.h"

namespace {

using murlo::sounds::sample_rate;

bool write_wav(const std::string& dir, const char* name, const std::vector<double>& samples) {
    const std::uint32_t data_size = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> file;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { file.insert(file.end(), t, t + 4); };
    tag("RIFF");
    put(36 + data_size, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(sample_rate, 4);
    put(sample_rate * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(data_size, 4);
    for (double v : samples) {
        const long s = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put(static_cast<std::uint32_t>(static_cast<std::int16_t>(s)) & 0xFFFFu, 2);
    }
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_sounds OUTPUT_DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (int i = 0; i < murlo::sound_count; ++i) {
        const auto sound = static_cast<murlo::Sound>(i);
        ok = write_wav(dir, murlo::sound_name(sound), murlo::sounds::synthesise(sound)) && ok;
    }
    return ok ? 0 : 1;
}
