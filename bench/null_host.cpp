// A host that does nothing: no window, no keys held, no picture, no waiting
// and no sound, so a benchmark measures only the game's own work.
#include "game/host.h"

namespace murlo {

void create_main_window() {}
InputBits poll_input() { return 0; }
void present_frame(const LcdFrame&) {}
void wait_ticks(std::uint32_t) {}
void play_sound(const char*) {}
void stop_sound() {}

}  // namespace murlo
