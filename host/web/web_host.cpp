// The web host: the six host operations in a browser page. The game's loop
// never returns, so it runs under Asyncify: every wait, every paced present
// and every poll of a hidden page hands control back to the browser through
// one sleeping import (murlo_web_sleep), and the game resumes where it
// stopped. The page side (page.js, library.js) keeps the keys, pointers,
// pads, the picture on screen and the sound; what the desktop games share
// (window size, LCD place, colours, waits, present pacing, the controls on
// the skin) comes from desktop_rules.h and is handed to the page here.
#include <emscripten.h>

#include <cstdint>
#include <vector>

#include "game/host.h"
#include "host/handheld/handheld.h"
#include "host/sounds/sounds.h"

extern "C" {
// Implemented in library.js.
void murlo_web_start(int width, int height, int lcd_left, int lcd_top, int lcd_span, int clear,
                     int ink, int fill, int corner, int key_z, int key_right, int key_left,
                     int key_down, int key_up);
int murlo_web_keys();
int murlo_web_pointers(int* xy, int max);
int murlo_web_pads(int* state, int max);
void murlo_web_present(const std::uint32_t* rows);
double murlo_web_clock();
void murlo_web_sleep(double ms);  // the one import that may suspend the game (ms < 0: only while hidden)
void murlo_web_play(const char* name, int index);
void murlo_web_stop();
int murlo_web_sound_wanted(int count);
void murlo_web_sound_samples(int index, const float* samples, int count, int rate);
}

namespace murlo {

namespace {

using namespace desktop;

int rgb(Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

// The page's clock: milliseconds since the page started, standing still
// while the page is hidden, so a wait goes on where it stopped.
std::uint64_t clock_us() { return static_cast<std::uint64_t>(murlo_web_clock() * 1000.0); }
std::uint32_t clock_ms() { return static_cast<std::uint32_t>(clock_us() / 1000); }

// Hand control to the browser for about `ms` milliseconds (browsers make
// it at least 4 when timers nest); returns only while the page is shown.
std::uint64_t last_yield_us = 0;
void sleep_ms(double ms) {
    murlo_web_sleep(ms);
    last_yield_us = clock_us();
}

// Returns at once while the page is shown; while it is hidden, holds the
// game until it is shown again.
void hold_while_hidden() { murlo_web_sleep(-1.0); }

// Title pacing. The title screen presents in a loop with no wait; the
// desktop games keep the ends of two presents a spacing (1 ms) apart. A
// page cannot sleep that briefly (a timer lasts at least 4 ms, and each
// sleep costs a trip out of the game and back), so presents here keep a
// schedule instead: each pass is due a spacing after the one before, and
// once the game is ahead of the schedule it sleeps until a burst of passes
// has fallen due, then runs them at once: about a thousand passes a second
// all the same, in a hundred bursts; the page shows the latest frame. The
// schedule never lags more than two bursts (a slow machine drops passes
// rather than racing to catch up), and the game yields at least every
// 25 ms, however far behind it is.
constexpr std::uint64_t burst_us = 10 * present_spacing_us;
constexpr std::uint64_t most_behind_us = 2 * burst_us;
constexpr std::uint64_t longest_run_us = 25000;
std::uint64_t last_due_us = 0;  // when the previous present was due

void pace_present() {
    const std::uint64_t now = clock_us();
    const std::uint64_t since = now > last_due_us ? now - last_due_us : 0;
    const std::uint64_t ahead = now < last_due_us ? last_due_us - now : 0;
    const std::uint64_t pause = present_pause_us(since) + ahead;
    last_due_us += present_spacing_us;
    if (pause > 0) {
        sleep_ms(static_cast<double>(pause + burst_us) / 1000.0);
        return;
    }
    if (now > last_due_us + most_behind_us) last_due_us = now - most_behind_us;
    if (now - last_yield_us >= longest_run_us) sleep_ms(0.0);
}

// Sounds are made in the page from the generator the desktop games' WAV
// files come from, one at a time when the page asks for one (once sound
// can be heard), so nothing is made for a page that stays silent.
void make_wanted_sound() {
    const int index = murlo_web_sound_wanted(static_cast<int>(sounds::count));
    if (index < 0 || index >= static_cast<int>(sounds::count)) return;
    const std::vector<double> samples = sounds::synthesise(static_cast<std::size_t>(index));
    const std::vector<float> floats(samples.begin(), samples.end());
    murlo_web_sound_samples(index, floats.data(), static_cast<int>(floats.size()),
                            sounds::sample_rate);
}

}  // namespace

void create_main_window() {
    murlo_web_start(window_width, window_height, lcd_left, lcd_top, lcd_span, rgb(lcd_clear),
                    rgb(lcd_ink), rgb(fill_colour), fallback_corner, input::Z, input::Right,
                    input::Left, input::Down, input::Up);
    last_due_us = last_yield_us = clock_us();
}

InputBits poll_input() {
    hold_while_hidden();
    make_wanted_sound();
    InputBits bits = static_cast<InputBits>(murlo_web_keys() & input::all);
    // Each finger or the mouse holds the control of the skin under it.
    constexpr int most_pointers = 16;
    int xy[2 * most_pointers];
    const int pointers = murlo_web_pointers(xy, most_pointers);
    for (int i = 0; i < pointers; ++i) bits |= skin_keys_at(xy[2 * i], xy[2 * i + 1]);
    // Every pad plugged in, read as the desktop games read theirs.
    constexpr int most_pads = 8;
    int state[8 * most_pads];
    const int pads = murlo_web_pads(state, most_pads);
    for (int i = 0; i < pads; ++i) {
        const int* p = state + 8 * i;
        bits |= pad_keys({p[0] != 0, p[1] != 0, p[2] != 0, p[3] != 0, p[4] != 0, p[5] != 0, p[6], p[7]});
    }
    return bits;
}

void present_frame(const LcdFrame& frame) {
    murlo_web_present(frame.row);
    pace_present();
}

void wait_ticks(std::uint32_t n) {
    const std::uint32_t limit = wait_limit(n);
    const std::uint32_t start = clock_ms();
    for (;;) {
        const std::uint32_t left = wait_left(start, clock_ms(), limit);
        if (left == 0) break;
        sleep_ms(left);
    }
}

void play_sound(const char* name) {
    if (name == nullptr) return;
    murlo_web_play(name, sounds::index_of(name));
}

void stop_sound() { murlo_web_stop(); }

}  // namespace murlo
