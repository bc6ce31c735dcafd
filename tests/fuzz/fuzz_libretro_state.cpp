// Fuzz target: any bytes handed to the libretro core's retro_unserialize.
//
// The core starts without content and runs a moment of the title; each
// input begins from that same state. A state that is refused leaves the
// game exactly as it was (it saves to the same bytes). One that is taken
// runs on for a few runs with some keys held, saves, and that save loads
// again. The seed corpus holds states saved on the title, in a level, in a
// level's result, in the ending and on the wipe after a death.
#include <libretro.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_libretro_state: %s\n", what);
    std::abort();
}

bool environment(unsigned cmd, void* data) {
    switch (cmd) {
    case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT: return true;
    case RETRO_ENVIRONMENT_GET_CAN_DUPE: *static_cast<bool*>(data) = true; return true;
    default: return false;
    }
}
void video(const void*, unsigned, unsigned, size_t) {}
size_t audio(const std::int16_t*, size_t frames) { return frames; }
void poll() {}
int keys = 0;
std::int16_t input(unsigned, unsigned device, unsigned, unsigned id) {
    return device == RETRO_DEVICE_JOYPAD && id < 16 && (keys >> id & 1);
}

std::vector<std::uint8_t> save() {
    std::vector<std::uint8_t> state(retro_serialize_size());
    if (!retro_serialize(state.data(), state.size())) fail("retro_serialize failed");
    return state;
}

std::vector<std::uint8_t> start_state;

void start() {
    retro_set_environment(environment);
    retro_set_video_refresh(video);
    retro_set_audio_sample_batch(audio);
    retro_set_input_poll(poll);
    retro_set_input_state(input);
    retro_init();
    if (!retro_load_game(nullptr)) fail("no start without content");
    for (int i = 0; i < 10; ++i) retro_run();
    start_state = save();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (start_state.empty()) start();
    if (!retro_unserialize(start_state.data(), start_state.size())) fail("the start state refused");
    if (!retro_unserialize(data, size)) {
        if (save() != start_state) fail("a refused state changed the game");
        return 0;
    }
    // Taken: the game goes on from it, with the keys of its last byte.
    keys = size > 0 ? data[size - 1] : 0;
    for (int i = 0; i < 4; ++i) retro_run();
    keys = 0;
    const std::vector<std::uint8_t> later = save();
    if (!retro_unserialize(later.data(), later.size())) fail("a state the core saved was refused");
    if (save() != later) fail("a state does not load to itself");
    return 0;
}
