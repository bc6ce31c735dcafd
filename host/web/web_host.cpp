// murlo in a web page: the game driven by the page's timers. main() hands
// the page the handheld (sizes, LCD place, colours, key bits) and starts
// the game; from then on the page calls murlo_web_run with its clock, and
// each run carries out the calls of the game's step whose time has come,
// polls and steps again, and says when it next needs to run. Nothing
// blocks: a wait is a time before which the next call may not be carried
// out, and the page sleeps until then. The page side (page.js, reached
// through library.js) keeps the keys, pointers, pads, the picture on
// screen and the sound; every rule of the handheld comes from handheld.h.
#include <emscripten.h>

#include <cstdint>
#include <vector>

#include "game/cycle.h"
#include "game/game.h"
#include "game/host.h"
#include "host/handheld/handheld.h"
#include "host/sounds/sounds.h"

extern "C" {
// Implemented in library.js. murlo_web_start returns whether the page
// records the game's calls (its test interface); only then are polls and
// waits reported to it.
int murlo_web_start(int width, int height, int lcd_left, int lcd_top, int lcd_span, int clear,
                    int ink, int fill, int corner, int key_z, int key_right, int key_left,
                    int key_down, int key_up, int sounds);
int murlo_web_keys();
int murlo_web_pointers(int* xy, int max);
int murlo_web_pads(int* state, int max);
void murlo_web_polled(int keys);
void murlo_web_present(const std::uint32_t* rows);
void murlo_web_waited(int ticks);
void murlo_web_play(const char* name, int index);
void murlo_web_stop();
void murlo_web_sound_samples(int index, const float* samples, int count, int rate);
}

namespace murlo {

namespace {

using namespace handheld;

int rgb(Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

// Where the game stands between two runs.
struct Driver {
    Game game;
    Calls calls;        // the latest step's
    int next = 0;       // its next call to carry out
    bool waiting = false;
    double wait_end = 0;  // page clock (ms): when the wait at `next` is over
    TitlePace pace;
    bool pass_slept = false;  // the next title pass was slept for ...
    double pass_due = 0;      // ... until then
    bool recording = false;
};
Driver driver;

// The keys held now: the keyboard's, each finger's or the mouse's control
// on the skin, and every pad plugged in, read as the desktop games read
// theirs.
InputBits poll() {
    InputBits bits = static_cast<InputBits>(murlo_web_keys() & input::all);
    constexpr int most_pointers = 16;
    int xy[2 * most_pointers];
    const int pointers = murlo_web_pointers(xy, most_pointers);
    for (int i = 0; i < pointers; ++i) bits |= skin_keys_at(xy[2 * i], xy[2 * i + 1]);
    constexpr int most_pads = 8;
    int state[8 * most_pads];
    const int pads = murlo_web_pads(state, most_pads);
    for (int i = 0; i < pads; ++i) {
        const int* p = state + 8 * i;
        bits |= pad_keys({p[0] != 0, p[1] != 0, p[2] != 0, p[3] != 0, p[4] != 0, p[5] != 0, p[6], p[7]});
    }
    return bits;
}

void play(Sound sound) { murlo_web_play(sound_name(sound), static_cast<int>(sound)); }

}  // namespace

}  // namespace murlo

using namespace murlo;

// Carries out what is due at `now` (ms on the page's clock, which stands
// still while the page is hidden, so the page does not run then) and
// returns how many milliseconds may pass before the next run. A wait of n
// ticks lets nothing else happen before 9n ms have passed on that clock
// since the wait was reached. Once a step's calls are done, the next poll
// follows at once in play; on the title it keeps the pace of
// title_wait_us, in bursts.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_run(double now) {
    Driver& d = driver;
    for (;;) {
        for (; d.next < d.calls.count; ++d.next) {
            const Call& call = d.calls.call[d.next];
            switch (call.kind) {
                case Call::Kind::Present: murlo_web_present(d.calls.frame[call.frame].row); break;
                case Call::Kind::Sound: play(call.sound); break;
                case Call::Kind::Stop: murlo_web_stop(); break;
                case Call::Kind::Wait:
                    if (!d.waiting) {
                        d.waiting = true;
                        d.wait_end = now + static_cast<double>(call.ticks) * tick_ms;
                        if (d.recording) murlo_web_waited(static_cast<int>(call.ticks));
                    }
                    if (now < d.wait_end) return d.wait_end - now;
                    d.waiting = false;
                    break;
            }
        }
        if (d.game.phase == Phase::Title) {
            if (!d.pass_slept) {
                const std::uint64_t sleep = title_wait_us(d.pace, static_cast<std::uint64_t>(now * 1000.0));
                d.pass_slept = sleep > 0;
                d.pass_due = now + static_cast<double>(sleep) / 1000.0;
            }
            if (now < d.pass_due) return d.pass_due - now;
            d.pass_slept = false;
        }
        const InputBits keys = poll();
        if (d.recording) murlo_web_polled(keys);
        step(d.game, keys, d.calls);
        d.next = 0;
    }
}

// Makes sound `index` (a Sound id) and hands its samples to the page, which
// asks for each once sound can be heard, so a page that stays silent makes
// none.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_make_sound(int index) {
    if (index < 0 || index >= sound_count) return;
    const std::vector<double> samples = sounds::synthesise(static_cast<Sound>(index));
    const std::vector<float> floats(samples.begin(), samples.end());
    murlo_web_sound_samples(index, floats.data(), static_cast<int>(floats.size()), sounds::sample_rate);
}

int main() {
    driver.recording =
        murlo_web_start(window_width, window_height, lcd_left, lcd_top, lcd_span, rgb(lcd_clear),
                        rgb(lcd_ink), rgb(fill_colour), fallback_corner, input::Z, input::Right,
                        input::Left, input::Down, input::Up, sound_count) != 0;
    start_up(driver.game, driver.calls);
}
