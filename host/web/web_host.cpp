// murlo in a web page: an adapter between the page and the runner. main()
// hands the page the handheld (its layouts, colours, key bits) and starts
// the runner; from then on the page calls murlo_web_run with the time that
// has passed, and the run applies the runner's report through the page:
// the picture when it changed, the sound started part way in or stopped,
// the best depth kept in the browser, and how long the page may sleep
// before the next run. Nothing blocks and nothing here keeps time, plays
// scripts, pauses or judges the best depth: the runner does all of that.
// The page side (page.js, reached through library.js) keeps the keys,
// pointers, pads, the picture on screen and the sound; every rule of the
// handheld comes from handheld.h.
//
// A game of the player's in the middle is kept through the page (in the
// browser's storage) when the page is hidden, frozen or closed, at each
// level and every 10 s of play, so that the next visit goes on with it,
// paused; a game that ends lets it go. The page decides whether this page
// is the one that keeps it.
//
// The page holds everything it needs as one Host, made in main() and
// handed to the page, which passes it back with every call: the page's
// exports are plain functions with no place of their own to keep it.
#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "handheld/handheld.h"
#include "handheld/skin_art.h"
#include "murlo/version.h"
#include "runner/runner.h"
#include "runner/snapshot.h"
#include "runs/run_link.h"
#include "runs/script.h"
#include "sounds/sounds.h"

namespace murlo {

// Everything the page's calls share.
struct Host {
    Runner runner;
    int layout = 0;               // the layout on screen, whose controls touches hold
    handheld::Layout layouts[3] = {handheld::landscape, handheld::portrait, handheld::sideways};  // as stretched
    bool told_playing = false;    // the page was last told a game is played
    bool told_watching = false;   // ... or a script watched
    std::string in, out;          // text from and to the page
    std::vector<std::uint8_t> skin_rows;  // the skin's rows last drawn for the page
    std::uint64_t label[handheld::best::rows] = {};
    bool own_game = false;          // the game in play at the last run was the player's own
    std::uint64_t since_kept_us = 0;  // its play since it was last kept
    std::uint64_t now_us = 0;         // the page's clock, as the runs have told it
};

constexpr std::uint64_t keep_every_us = 10000000;  // the most play a closed page may lose

}  // namespace murlo

using murlo::Host;

extern "C" {
// Implemented in library.js. murlo_web_start returns whether the page
// keeps a record of every call (its test interface): only then is the run
// traced.
void murlo_web_layout(int index, int width, int height, int lcd_left, int lcd_top, int lcd_span,
                      int corner, int best_x, int best_y, int best_right, int best_cell);
void murlo_web_palette(int index, const char* name, int clear, int ink, int paused_clear, int paused_ink);
int murlo_web_start(Host* host, int fill, int skin_ink,
                    int key_z, int key_right, int key_left, int key_down, int key_up, int sounds,
                    const char* version, double max_link_text);
int murlo_web_best();
int murlo_web_keep_best(int depth);
int murlo_web_keys();
int murlo_web_pointers(int* xy, int max);
int murlo_web_pads(int* state, int max);
void murlo_web_present(const std::uint32_t* rows);
void murlo_web_play(const char* name, int index, double at_ms);
void murlo_web_stop();
void murlo_web_trace(const char* lines, int size);
void murlo_web_sound_samples(int index, const float* samples, int count, int rate);
void murlo_web_watching(int on);
void murlo_web_playing(int on);
void murlo_web_keep_game(const char* bytes, int size);
void murlo_web_drop_game();
void murlo_web_game_over(int own);
}

namespace murlo {

namespace {

using namespace handheld;

int rgb(Rgb c) { return (c.r << 16) | (c.g << 8) | c.b; }

// The ways the page holds the handheld: 0 the landscape window (a
// desktop), 1 a phone upright, 2 a phone sideways; the last two stretched
// to the screen's shape.
constexpr Layout layouts[] = {landscape, portrait, sideways};
constexpr int layout_count = 3;

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
    // Sideways: under the pad, at the left edge.
    {sideways.pad_x - sideways.pad_dish + 8, sideways.pad_y + sideways.pad_dish + 22, false},
};

// Hands the page a layout's numbers (again when it is stretched).
void tell_layout(const Host& h, int index) {
    const Layout& l = h.layouts[index];
    const BestPlace& b = best_places[index];
    murlo_web_layout(index, l.width, l.height, l.lcd_left, l.lcd_top, l.lcd_span, l.corner, b.x, b.y, b.right,
                     best::cell);
}

// The keys held now: the keyboard's, each finger's or the mouse's control
// on the skin, and every pad plugged in, read as the desktop games read
// theirs. (Presses let go before the next poll reach the runner as they
// happen, through murlo_web_press.)
InputBits held_keys(const Host& h) {
    InputBits bits = static_cast<InputBits>(murlo_web_keys() & input::all);
    constexpr int most_pointers = 16;
    int xy[2 * most_pointers];
    const int pointers = murlo_web_pointers(xy, most_pointers);
    for (int i = 0; i < pointers; ++i) bits |= skin_keys_at(h.layouts[h.layout], xy[2 * i], xy[2 * i + 1]);
    constexpr int most_pads = 8;
    int state[8 * most_pads];
    const int pads = murlo_web_pads(state, most_pads);
    for (int i = 0; i < pads; ++i) {
        const int* p = state + 8 * i;
        bits |= pad_keys({p[0] != 0, p[1] != 0, p[2] != 0, p[3] != 0, p[4] != 0, p[5] != 0, p[6], p[7]});
    }
    return bits;
}

// What a run (or a change made between runs) means for the page.
void tell(Host& h, const Report& report) {
    Runner& r = h.runner;
    if (r.tracing && !r.trace.empty()) {
        const std::string lines = take_trace(r);
        murlo_web_trace(lines.data(), static_cast<int>(lines.size()));
    }
    if (report.picture) murlo_web_present(runner_picture(r).row);
    if (report.sound) {
        if (r.state.sound == no_sound)
            murlo_web_stop();
        else
            murlo_web_play(sound_name(static_cast<Sound>(r.state.sound)), r.state.sound,
                           static_cast<double>(report.sound_at_us) / 1000.0);
    }
    // The browser keeps the deeper of this and what it holds, which may
    // have grown meanwhile in another of its pages.
    if (report.best) set_best(r, murlo_web_keep_best(r.state.best));
    const bool playing = r.state.game.phase == Phase::Play;
    if (playing != h.told_playing) murlo_web_playing(h.told_playing = playing);
    if (watching(r) != h.told_watching) murlo_web_watching(h.told_watching = watching(r));
}

// Only the player's own games are kept: those that count for the best
// depth (never a watched script's, even taken over).
bool worth_keeping(const Runner& r) { return in_game(r) && r.state.counts && !watching(r); }

// The game in play, paused, handed to the page to keep, when it is the
// player's own.
void keep_game(Host& h) {
    const Runner& r = h.runner;
    if (!worth_keeping(r)) return;
    const auto held = std::make_unique<Runner>(r);
    hold(*held);
    const std::string bytes = write_snapshot(*held);
    murlo_web_keep_game(bytes.data(), static_cast<int>(bytes.size()));
    h.since_kept_us = 0;
}

// After a run: a game of the player's is kept as it starts (in place of
// the one kept before), at each level and every keep_every_us of play;
// when it ends, nothing is left to keep. The page hears of every game that
// ends, and whether it was the player's (whose run may go to a board).
void keep_as_it_goes(Host& h, const Report& report, std::uint64_t elapsed_us) {
    const Runner& r = h.runner;
    const bool own = worth_keeping(r);
    if (report.game_over && h.own_game) murlo_web_drop_game();
    if (report.game_over) murlo_web_game_over(h.own_game ? 1 : 0);
    if (own && !paused(r)) h.since_kept_us += elapsed_us;
    if (own && (!h.own_game || report.level_done || h.since_kept_us >= keep_every_us)) keep_game(h);
    h.own_game = own;
}

// Presses: a paused game goes on; otherwise they are held at the next
// poll even when let go before it (none are kept while a script plays).
void press(Host& h, InputBits keys) {
    handle(h.runner, h.now_us, {Event::Kind::Keys, static_cast<InputBits>(held_keys(h) | keys)});
}

}  // namespace

}  // namespace murlo

using namespace murlo;

// Time has passed (`elapsed_ms` on the page's clock, which stands still
// while the page is hidden or the game paused): the runner carries out
// what is due and the page is told what changed. Returns how many
// milliseconds may pass before the next run, or -1 for none until
// something happens.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_run(Host* host, double elapsed_ms) {
    const double us = std::round(elapsed_ms * 1000.0);
    const std::uint64_t elapsed_us = us > 0 ? static_cast<std::uint64_t>(us) : 0;
    host->now_us += elapsed_us;
    handle(host->runner, host->now_us, {Event::Kind::Keys, held_keys(*host)});
    const Report report = run(host->runner, host->now_us);
    tell(*host, report);
    keep_as_it_goes(*host, report, elapsed_us);
    if (report.wake_in_us == never) return -1;
    return static_cast<double>(report.wake_in_us) / 1000.0;
}

// A game key or the keys of a touch on the skin's controls pressed now.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_press(Host* host, int keys) {
    press(*host, static_cast<InputBits>(keys));
}

// The keys of a point of the shown layout.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_keys_at(Host* host, int x, int y) {
    return skin_keys_at(host->layouts[host->layout], x, y);
}

// A pad's buttons pressed now (bits 0..5: up, down, left, right, south,
// east), as pad_keys reads them.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_pad_press(Host* host, int buttons) {
    const auto on = [buttons](int bit) { return ((buttons >> bit) & 1) != 0; };
    press(*host, pad_keys({on(0), on(1), on(2), on(3), on(4), on(5), 0, 0}));
}

// P, Pause, a pad's Start or a touch on the screen; the page losing the
// focus.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_pause(Host* host) {
    handle(host->runner, host->now_us, {Event::Kind::Pause});
}
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_lose_focus(Host* host) {
    handle(host->runner, host->now_us, {Event::Kind::FocusLost});
}

extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_paused(Host* host) { return paused(host->runner) ? 1 : 0; }
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_watching_now(Host* host) { return watching(host->runner) ? 1 : 0; }

// The page is hidden, frozen or closed: the game in play is kept now, if
// it is the player's.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_keep_now(Host* host) { keep_game(*host); }

// Goes on with the game kept in `in` (a snapshot's bytes), paused: 1 when
// taken; else the game stays on the title, `out` says why, and the result
// is 2 when the game was kept by another version, 0 when damaged.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_resume(Host* host) {
    Runner& r = host->runner;
    StateKind kind = StateKind::Damaged;
    if (const char* why = read_snapshot(r, host->in, &kind)) {
        host->out = why;
        return kind == StateKind::OtherVersion ? 2 : 0;
    }
    host->in.clear();
    hold(r);
    set_best(r, murlo_web_best());
    host->own_game = worth_keeping(r);
    host->since_kept_us = 0;
    // A traced game's calls from the run's start, as if played here.
    if (r.tracing) r.trace = trace_before(r);
    return 1;
}

// The depth of the game in play when it counts for the best depth, for the
// page to keep when it is closed or hidden in the middle; else -1.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_depth(Host* host) { return depth_to_keep(host->runner); }

// The runner's clock in milliseconds: how long the game has run.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_clock(Host* host) {
    return static_cast<double>(host->runner.state.clock_us) / 1000.0;
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

// The best depth's label for `depth`: five rows of shape pixels, bit c of
// row r is cell (c, r) of best::columns.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint64_t* murlo_web_best_label(Host* host, int depth) {
    best_label(depth, host->label);
    return host->label;
}

// The layout on screen (0 landscape, 1 upright, 2 sideways): touches hold
// its controls.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_show_layout(Host* host, int index) {
    if (index >= 0 && index < layout_count) host->layout = index;
}

// A layout made `extra` of its pixels longer to fill the screen (see
// stretched); the page is handed its new numbers.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_stretch(Host* host, int index, int extra) {
    if (index < 0 || index >= layout_count) return;
    host->layouts[index] = stretched(layouts[index], extra);
    tell_layout(*host, index);
}

// Rows of a layout's skin at `k` screen pixels to a skin pixel, moved by
// a fraction of a pixel so that its LCD falls on whole screen pixels, as
// RGBA: the page draws the skin at the screen's own pixel size, a slice at
// a time.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* murlo_web_draw_skin(Host* host, int index, double k, int columns,
                                                                        int first, int count, double shift_x,
                                                                        double shift_y) {
    std::vector<std::uint8_t>& rows = host->skin_rows;
    rows.resize(static_cast<std::size_t>(columns) * count * 4);
    draw_skin_rows(host->layouts[index >= 0 && index < layout_count ? index : 0], k, columns, first, count,
                   rows.data(), shift_x, shift_y);
    return rows.data();
}

// A buffer of `size` bytes (and a 0 after them) for the page to write text
// into, for the calls below.
extern "C" EMSCRIPTEN_KEEPALIVE char* murlo_web_in(Host* host, int size) {
    host->in.assign(static_cast<std::size_t>(size), '\0');
    return host->in.data();
}

// What the last call below gave the page: its bytes and how many.
extern "C" EMSCRIPTEN_KEEPALIVE const char* murlo_web_out(Host* host) { return host->out.data(); }
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_out_size(Host* host) { return static_cast<int>(host->out.size()); }

// The deflated bytes of the link in `in` (from "#run=" on): their count,
// or -1 when the link is not of the form, with the reason in `out`.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_link_bytes(Host* host) {
    std::string problem;
    if (!runs::link_payload(host->in, host->out, problem)) {
        host->out = problem;
        return -1;
    }
    return static_cast<int>(host->out.size());
}

// The link of the run whose script the page deflated into `in`: its
// "#run=" part, in `out`, for the page to put after its own address.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_link_of(Host* host) {
    host->out = std::string(runs::link_mark) + runs::payload_of_deflated(host->in);
    return static_cast<int>(host->out.size());
}

// Watches the script whose text is in `in`: the game starts afresh and
// plays it (a game of the player's left in the middle keeps its depth).
// 0, with the reason in `out`, when it is not a script.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_watch(Host* host) {
    runs::Script script;
    if (!runs::read_script(host->in, "", script, host->out)) return 0;
    host->in.clear();
    host->in.shrink_to_fit();
    Runner& r = host->runner;
    if (depth_to_keep(r) >= 0) murlo_web_keep_best(depth_to_keep(r));
    keep_game(*host);  // kept as it was left
    host->own_game = false;
    start_runner(r, std::move(script), murlo_web_best());
    return 1;
}

// The run so far as script text, complete, in `out`.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_run_text(Host* host) {
    host->out = recorded_script(host->runner);
    return static_cast<int>(host->out.size());
}

// Watching faster: the game's clock runs `speed` times as fast from now
// on, so its waits are shorter and its polls the same.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_speed(Host* host, double speed) { set_speed(host->runner, speed); }

// Play from here: the player's keys take over from the watched script at
// the next poll, at the game's own pace; a paused game goes on.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_take_over(Host* host) {
    Runner& r = host->runner;
    take_over(r);
    if (paused(r)) handle(r, host->now_us, {Event::Kind::Pause});
}

int main() {
    // Lives as long as the page: main returns, the page goes on calling.
    Host* host = new Host{};
    for (int i = 0; i < layout_count; ++i) tell_layout(*host, i);
    // The LCD's palettes, by name; the page shows the one the player chose.
    for (int i = 0; i < palette_count; ++i) {
        const auto id = static_cast<PaletteId>(i);
        const Palette& p = palette(id);
        const std::string name(palette_name(id));
        murlo_web_palette(i, name.c_str(), rgb(p.clear), rgb(p.ink), rgb(p.paused_clear), rgb(p.paused_ink));
    }
    host->runner.tracing =
        murlo_web_start(host, rgb(fill_colour), rgb(skin_ink), input::Z, input::Right, input::Left, input::Down,
                        input::Up, sound_count, version, static_cast<double>(runs::max_link_text)) != 0;
    start_runner(host->runner, {}, murlo_web_best());
}
