// murlo in a web page: the game driven by the page's timers. main() hands
// the page the handheld (its layouts, colours, key bits) and starts the
// game; from then on the page calls murlo_web_run with its clock, and each
// run carries out the calls of the game's step whose time has come, polls
// and steps again, and says when it next needs to run. Nothing blocks: a
// wait is a time before which the next call may not be carried out, and
// the page sleeps until then. The page side (page.js, reached through
// library.js) keeps the keys, pointers, pads, the picture on screen and the
// sound; every rule of the handheld comes from handheld.h.
//
// The run is recorded from start-up as an input script, as murlo --record
// writes it, for the page to save or share as a link; and a script (a
// link's or a file's) can be watched: the game starts afresh and its polls
// come from the script until it runs out or the player takes over.
//
// A pause is the page's alone: it stops running the game, whose clock
// stands still meanwhile, so the game never sees one. The best depth is
// the page's to keep; the host says when a game the player began ends and
// how deep the one in play is.
#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"
#include "handheld/handheld.h"
#include "handheld/skin_art.h"
#include "runs/run_link.h"
#include "runs/script.h"
#include "sounds/sounds.h"
#include "murlo/version.h"

extern "C" {
// Implemented in library.js. murlo_web_start returns whether the page
// records the game's calls (its test interface); only then are polls and
// waits reported to it.
void murlo_web_layout(int index, int width, int height, int lcd_left, int lcd_top, int lcd_span,
                      int corner, int best_x, int best_y, int best_right, int best_cell);
int murlo_web_start(int clear, int ink, int paused_clear, int paused_ink, int fill, int skin_ink, int key_z,
                    int key_right, int key_left, int key_down, int key_up, int sounds, const char* version,
                    double max_link_text);
int murlo_web_keys();
int murlo_web_pointers(int* xy, int max);
int murlo_web_pads(int* state, int max);
void murlo_web_polled(int keys);
void murlo_web_present(const std::uint32_t* rows);
void murlo_web_waited(int ticks);
void murlo_web_play(const char* name, int index);
void murlo_web_stop();
void murlo_web_sound_samples(int index, const float* samples, int count, int rate);
void murlo_web_watching(int on);
void murlo_web_playing(int on);
void murlo_web_game_over(int depth);
}

namespace murlo {

namespace {

using namespace handheld;

int rgb(Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

const Layout layouts[] = {landscape, portrait};

// Where each layout shows the best depth's label: held sideways, right of
// the printed name as on the desktop (x is its left end); upright, just
// under the screen's bezel, ending where the screen ends (x is its right
// end): the name sits low there between the button and the rim, with no
// room beside it.
struct BestPlace {
    int x, y;
    bool right;
};
constexpr BestPlace best_places[] = {
    {best::x, best::y, false},
    {portrait.lcd_left + portrait.lcd_span, portrait.lcd_top + portrait.lcd_span + portrait.bezel_y + 2 * best::cell,
     true},
};

// Where the game stands between two runs. Its clock is the page's, run
// `speed` times as fast while a script is watched faster.
struct Driver {
    Game game;
    Calls calls;        // the latest step's
    int next = 0;       // its next call to carry out
    bool waiting = false;
    double wait_end = 0;  // game clock (ms): when the wait at `next` is over
    TitlePace pace;
    bool pass_slept = false;  // the next title pass was slept for ...
    double pass_due = 0;      // ... until then
    bool recording = false;   // the test interface's record of calls
    bool playing = false;     // the page was last told a game runs
    bool in_game = false;     // the calls being carried out are a game's
    bool counts = false;      // the game in play was begun by the player

    double speed = 1;
    double page_base = 0, game_base = 0;  // the clocks at the last change of speed

    int layout = 0;  // the layout on screen, whose controls touches hold

    runs::ScriptWriter writer;  // the run so far, as a script
    std::string script_text;
    runs::Script watched;       // the script being watched, if any
    std::size_t watched_run = 0;
    std::uint64_t watched_of_run = 0;
};
Driver driver;

// Text to and from the page: it writes into `in`, reads from `out`.
std::string in, out;

double game_clock(double now) { return driver.game_base + (now - driver.page_base) * driver.speed; }

// The keys held now: the keyboard's, each finger's or the mouse's control
// on the skin, and every pad plugged in, read as the desktop games read
// theirs. The page adds every press made since the last poll, even when
// it is already let go.
InputBits live_keys() {
    InputBits bits = static_cast<InputBits>(murlo_web_keys() & input::all);
    constexpr int most_pointers = 16;
    int xy[2 * most_pointers];
    const int pointers = murlo_web_pointers(xy, most_pointers);
    for (int i = 0; i < pointers; ++i) bits |= skin_keys_at(layouts[driver.layout], xy[2 * i], xy[2 * i + 1]);
    constexpr int most_pads = 8;
    int state[8 * most_pads];
    const int pads = murlo_web_pads(state, most_pads);
    for (int i = 0; i < pads; ++i) {
        const int* p = state + 8 * i;
        bits |= pad_keys({p[0] != 0, p[1] != 0, p[2] != 0, p[3] != 0, p[4] != 0, p[5] != 0, p[6], p[7]});
    }
    return bits;
}

void stop_watching() {
    if (driver.watched.empty()) return;
    driver.watched.clear();
    murlo_web_watching(0);
}

// The next poll's keys: the watched script's while it lasts (the keys
// still read, so presses made meanwhile are not kept for later), then the
// player's, as murlo --play does.
InputBits poll() {
    Driver& d = driver;
    const InputBits live = live_keys();
    while (d.watched_run < d.watched.size() && d.watched_of_run >= d.watched[d.watched_run].count) {
        ++d.watched_run;
        d.watched_of_run = 0;
    }
    if (d.watched_run >= d.watched.size()) {
        stop_watching();
        return live;
    }
    ++d.watched_of_run;
    return d.watched[d.watched_run].value;
}

void play(Sound sound) { murlo_web_play(sound_name(sound), static_cast<int>(sound)); }

// The depth of the game in play, if it counts for the best depth; else -1.
int counted_depth() {
    const Driver& d = driver;
    return d.counts && d.game.phase == Phase::Play ? static_cast<int>(d.game.depth) : -1;
}

// A fresh game, as the program loads, recorded afresh, its clock the
// page's again. A game of the player's left in the middle keeps its depth.
void restart() {
    Driver& d = driver;
    if (counted_depth() >= 0) murlo_web_game_over(counted_depth());
    d.counts = d.in_game = false;
    d.speed = 1;
    d.page_base = d.game_base = 0;
    d.game = Game{};
    d.next = 0;
    d.waiting = false;
    d.pace = TitlePace{};
    d.pass_slept = false;
    d.writer = runs::ScriptWriter{};
    d.script_text.clear();
    d.watched_run = 0;
    d.watched_of_run = 0;
    if (d.playing) murlo_web_playing(d.playing = false);
    start_up(d.game, d.calls);
}

}  // namespace

}  // namespace murlo

using namespace murlo;

extern "C" void murlo_web_speed(double now, double speed);

// Carries out what is due at `now` (ms on the page's clock, which stands
// still while the page is hidden, so the page does not run then) and
// returns how many milliseconds may pass before the next run. A wait of n
// ticks lets nothing else happen before 9n ms have passed on the game's
// clock since the wait was reached. Once a step's calls are done, the next
// poll follows at once in play; on the title it keeps the pace of
// title_wait_us, in bursts.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_run(double page_now) {
    Driver& d = driver;
    const double now = game_clock(page_now);
    const auto sleep = [](double ms) { return ms / driver.speed; };
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
                    if (now < d.wait_end) return sleep(d.wait_end - now);
                    d.waiting = false;
                    break;
            }
        }
        if (d.game.phase == Phase::Title) {
            if (!d.pass_slept) {
                const std::uint64_t wait = title_wait_us(d.pace, static_cast<std::uint64_t>(now * 1000.0));
                d.pass_slept = wait > 0;
                d.pass_due = now + static_cast<double>(wait) / 1000.0;
            }
            if (now < d.pass_due) return sleep(d.pass_due - now);
            d.pass_slept = false;
        }
        const bool watching = !d.watched.empty();
        const InputBits keys = poll();
        const bool players = d.watched.empty();  // the keys were the player's
        if (watching && players) murlo_web_speed(page_now, 1);  // the player's pace
        d.writer.add(keys, d.script_text);
        if (d.recording) murlo_web_polled(keys);
        const bool was_in_game = d.game.phase == Phase::Play;
        step(d.game, keys, d.calls);
        d.next = 0;
        // A game counts for the best depth when the player's keys began it
        // (not a watched script's, even one taken over later); it keeps its
        // depth when it ends, its closing pictures still to come.
        const Outcome outcome = d.calls.outcome;
        if (outcome == Outcome::TitleLeft) d.counts = players;
        if ((outcome == Outcome::Died || outcome == Outcome::Won) && d.counts)
            murlo_web_game_over(static_cast<int>(d.game.depth));
        d.in_game = was_in_game || d.game.phase == Phase::Play;
        const bool playing = d.game.phase == Phase::Play;
        if (playing != d.playing) murlo_web_playing(d.playing = playing);
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

// Whether a pause may begin: while a game's steps are carried out, its
// closing pictures too, not on the title.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_pausable() { return driver.in_game ? 1 : 0; }

// The depth of the game in play when it counts for the best depth, for the
// page to keep when it is closed or hidden in the middle; else -1.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_depth() { return counted_depth(); }

// The best depth's label for `depth`: five rows of shape pixels, bit c of
// row r is cell (c, r) of best::columns.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint64_t* murlo_web_best_label(int depth) {
    static std::uint64_t rows[best::rows];
    best_label(depth, rows);
    return rows;
}

// The layout on screen (0 landscape, 1 portrait): touches hold its controls.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_show_layout(int index) {
    if (index >= 0 && index < 2) driver.layout = index;
}

// Rows of a layout's skin at `k` screen pixels to a skin pixel, as RGBA:
// the page draws the skin at the screen's own pixel size, a slice at a time.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* murlo_web_draw_skin(int index, double k, int columns,
                                                                        int first, int count) {
    static std::vector<std::uint8_t> rows;
    rows.resize(static_cast<std::size_t>(columns) * count * 4);
    draw_skin_rows(layouts[index == 1 ? 1 : 0], k, columns, first, count, rows.data());
    return rows.data();
}

// A buffer of `size` bytes (and a 0 after them) for the page to write text
// into, for the calls below.
extern "C" EMSCRIPTEN_KEEPALIVE char* murlo_web_in(int size) {
    in.assign(static_cast<std::size_t>(size), '\0');
    return in.data();
}

// What the last call below gave the page: its bytes and how many.
extern "C" EMSCRIPTEN_KEEPALIVE const char* murlo_web_out() { return out.data(); }
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_out_size() { return static_cast<int>(out.size()); }

// The deflated bytes of the link in `in` (from "#run=" on): their count,
// or -1 when the link is not of the form, with the reason in `out`.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_link_bytes() {
    std::string problem;
    if (!runs::link_payload(in, out, problem)) {
        out = problem;
        return -1;
    }
    return static_cast<int>(out.size());
}

// Watches the script whose text is in `in`: the game starts afresh and
// plays it. 0, with the reason in `out`, when it is not a script.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_watch() {
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script(in, script, error)) {
        out = "line " + std::to_string(error.line) + ": bad token '" + error.token + "': " + error.message;
        return 0;
    }
    in.clear();
    in.shrink_to_fit();
    stop_watching();
    driver.watched = std::move(script);
    restart();
    if (!driver.watched.empty()) murlo_web_watching(1);
    return 1;
}

// The run so far as script text, complete, in `out`.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_run_text() {
    runs::ScriptWriter so_far = driver.writer;
    out = driver.script_text;
    so_far.finish(out);
    return static_cast<int>(out.size());
}

// Watching faster: the game's clock runs `speed` times as fast from `now`
// (the page's clock) on, so its waits are shorter and its polls the same.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_speed(double now, double speed) {
    driver.game_base = game_clock(now);
    driver.page_base = now;
    driver.speed = speed > 0 ? speed : 1;
}

// Play from here: the player's keys take over from the watched script at
// the next poll, at the game's own pace.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_take_over(double now) {
    murlo_web_speed(now, 1);
    stop_watching();
}

int main() {
    for (int i = 0; i < 2; ++i) {
        const Layout& l = layouts[i];
        const BestPlace& b = best_places[i];
        murlo_web_layout(i, l.width, l.height, l.lcd_left, l.lcd_top, l.lcd_span, l.corner, b.x, b.y, b.right,
                         best::cell);
    }
    driver.recording = murlo_web_start(rgb(lcd_clear), rgb(lcd_ink), rgb(lcd_paused_clear), rgb(lcd_paused_ink),
                                       rgb(fill_colour), rgb(skin_ink), input::Z, input::Right, input::Left,
                                       input::Down, input::Up, sound_count, version,
                                       static_cast<double>(runs::max_link_text)) != 0;
    start_up(driver.game, driver.calls);
}
