#include "host/sdl/pause.h"

#include <algorithm>
#include <cstdint>

#include "host/sdl/events.h"
#include "host/sdl/run_files.h"
#include "host/sdl/sound.h"
#include "host/sdl/window.h"

namespace murlo::sdl {

namespace {

bool can_pause = false;
bool is_paused = false;
InputBits resume_keys = 0;

void set_paused(bool on) {
    if (on == is_paused) return;
    is_paused = on;
    pause_sound(on);
    set_lcd_dimmed(on);
}

}  // namespace

void set_pausable(bool pausable) { can_pause = pausable; }

bool paused() { return is_paused; }

void toggle_pause() {
    if (is_paused || can_pause) set_paused(!is_paused);
}

void pause() {
    if (can_pause) set_paused(true);
}

void resume_with(InputBits keys) {
    if (!is_paused || keys == 0) return;
    resume_keys |= keys;
    set_paused(false);
}

void hold_while_paused() {
    while (is_paused) {
        // Written files still go to the system once a second: all of the
        // run so far is on disk while the game waits.
        flush_run_files_when_due();
        sleep_serving_events(std::max<std::uint32_t>(ms_until_flush(), 1));
    }
}

InputBits take_resume_keys() {
    const InputBits keys = resume_keys;
    resume_keys = 0;
    return keys;
}

}  // namespace murlo::sdl
