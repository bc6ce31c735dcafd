// The game driven: its calls carried out in order, and one turn of the
// loop WinMain runs until the quit message ends the process.
#include "game/cycle.h"
#include "host/win32/win32_host.h"

namespace murlo {

void carry_out(const Calls& calls) {
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        switch (call.kind) {
            case Call::Kind::Present:
                show_frame(calls.frame[call.frame]);
                break;
            case Call::Kind::Wait:
                wait_for_ticks(call.ticks);
                break;
            case Call::Kind::Sound:
                start_sound(sound_name(call.sound));
                break;
            case Call::Kind::Stop:
                stop_sounds();
                break;
        }
    }
}

Outcome play_turn(Game& game, Calls& calls, handheld::TitlePace& pace) {
    // The title has no wait of its own: its passes are paced here, in
    // bursts, so it neither spins a core nor wakes a thousand times a second.
    if (game.phase == Phase::Title) {
        const std::uint64_t pause = handheld::title_wait_us(pace, clock_us());
        if (pause > 0) pause_us(pause);
    }
    const InputBits keys = poll_keys();
    step(game, keys, calls);
    carry_out(calls);
    return calls.outcome;
}

}  // namespace murlo
