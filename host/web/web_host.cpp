// murlo in a web page: an adapter between the page and the session. main()
// hands the page the handheld (its layouts, colours, key bits); the page
// opens the session once it knows whether it holds the lock, then hands it
// what happened and when (murlo_web_event) and runs it when it asks
// (murlo_web_run), both on the page's clock. Each tells the page the
// runner's report (the picture when it changed, the sound started part way
// in or stopped, the best depth and its label, whether a game is played,
// paused or watched) and has the browser's storage carry out what the
// session asks (WebStore), and says how long the page may sleep. Nothing
// here keeps time, pauses or decides what is kept: the runner and the
// session do. The page's modules (reached through library.js) keep the
// keys, pointers and pads, the picture on screen, the sound and the
// storage's bytes; every rule of the handheld comes from handheld.h.
//
// The page holds everything it needs as one Host, made in main() and
// handed to the page, which passes it back with every call: the exports
// are plain functions with no place of their own to keep it.
#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "handheld/handheld.h"
#include "handheld/skin_art.h"
#include "murlo/version.h"
#include "runs/run_link.h"
#include "runs/script.h"
#include "session/session.h"
#include "sounds/sounds.h"

namespace murlo {

// Everything the page's calls share.
struct Host {
    Session session;
    int layout = 0;               // the layout on screen, whose controls touches hold
    handheld::Layout layouts[3] = {handheld::landscape, handheld::portrait, handheld::sideways};  // as stretched
    int stretch[3] = {};          // ... by this many skin pixels
    int told_state = -1;          // what the page was last told of the game (see tell)
    std::int32_t told_best = -1;  // ... and of the best depth
    std::uint64_t label[handheld::best::rows] = {};
    std::string in;                       // bytes from the page (murlo_web_in)
    std::string kept_found, kept_read;    // the kept game's text as storage held it, and its bytes
    std::vector<std::uint8_t> skin_rows;  // the skin's rows last drawn for the page
};

}  // namespace murlo

using murlo::Host;

// What the game calls on the page, in library.js.
extern "C" {
// At the start: each layout's numbers (and again when one is stretched),
// each palette of the LCD, and the rest the page needs of the handheld.
void murlo_web_layout(int index, int width, int height, int lcd_left, int lcd_top, int lcd_span, int corner,
                      int best_x, int best_y, int best_right, int best_cell);
void murlo_web_palette(int index, const char* name, int clear, int ink, int paused_clear, int paused_ink);
void murlo_web_start(Host* host, int fill, int skin_ink, int key_z, int key_right, int key_left, int key_down,
                     int key_up, int sounds, const char* version, double max_link_text);
// What a run shows and plays: the picture (dimmed when paused); sound
// `index` from `at_ms` into it (-1: silence); the trace lines of a page
// that records every call; a sound's samples, made when asked for.
void murlo_web_present(const std::uint32_t* rows, int paused);
void murlo_web_sound(int index, const char* name, double at_ms);
void murlo_web_trace(const char* lines, int size);
void murlo_web_sound_samples(int index, const float* samples, int count, int rate);
// What the page shows beside the picture: whether a game is played,
// paused, a script watched; the best depth and its label; a game ended,
// and whether its run is all the player's (one a board may take).
void murlo_web_state(int playing, int paused, int watching);
void murlo_web_best(int depth, const std::uint64_t* label);
void murlo_web_game_over(int own);
// Bytes for the page, taken by the export that asked for them.
void murlo_web_give(const char* bytes, int size);
// The browser's storage, by key: read puts what it finds in Host::in and
// returns its size (-1: nothing there, -2: storage cannot be read); write
// returns 1 when the text is kept whole. And the session's notices, for
// the page to word.
int murlo_web_read(const char* key);
int murlo_web_write(const char* key, const char* text, int size);
void murlo_web_remove(const char* key);
void murlo_web_say(int notice, const char* detail, int size);
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

void tell_layout(const Host& h, int index) {
    const Layout& l = h.layouts[index];
    const BestPlace& b = best_places[index];
    murlo_web_layout(index, l.width, l.height, l.lcd_left, l.lcd_top, l.lcd_span, l.corner, b.x, b.y, b.right,
                     best::cell);
}

void give(std::string_view bytes) { murlo_web_give(bytes.data(), static_cast<int>(bytes.size())); }

// The bytes the page put in Host::in, taken.
std::string take_in(Host& h) {
    std::string in = std::move(h.in);
    h.in = std::string{};
    return in;
}

// The session's slots in the browser's storage, under the keys the page
// has always kept them by: the best depth as its digits, the kept game
// (and one set aside) as base64 of its bytes, and a mark while the kept
// game's run holds a watched script; and the best depth's run, a script.
// A kept game whose text is not base64 reads as that text, which is no
// game: it is set aside as it was found.
struct WebStore {
    Host& h;

    static const char* key(Slot slot) {
        switch (slot) {
            case Slot::Best: return "murlo.best";
            case Slot::Kept: return "murlo.suspend";
            case Slot::KeptBad: return "murlo.suspend.bad";
            case Slot::Watched: return "murlo.suspend.watched";
            case Slot::BestRun: return "murlo.best.run";
        }
        return "murlo.slot";
    }
    Stored read(Slot slot) {
        const int size = murlo_web_read(key(slot));
        if (size < 0) return {size == -1 ? Stored::Kind::Nothing : Stored::Kind::Unreadable, {}};
        Stored found{Stored::Kind::Bytes, take_in(h)};
        if (slot == Slot::Kept) {
            h.kept_found = found.bytes;
            std::string bytes;
            if (runs::bytes_of_base64(found.bytes, bytes)) found.bytes = std::move(bytes);
            h.kept_read = found.bytes;
        }
        return found;
    }
    bool write(Slot slot, std::string_view bytes, std::string&) {
        std::string text(bytes);
        if (slot == Slot::KeptBad && bytes == h.kept_read)
            text = h.kept_found;
        else if (slot == Slot::Kept || slot == Slot::KeptBad)
            text = runs::base64_of(bytes);
        else if ((slot == Slot::Best || slot == Slot::Watched) && text.ends_with('\n'))
            text.pop_back();  // a line, kept unended
        return murlo_web_write(key(slot), text.data(), static_cast<int>(text.size())) == 1;
    }
    void remove(Slot slot) { murlo_web_remove(key(slot)); }
    void say(Notice notice, std::string_view detail) {
        murlo_web_say(static_cast<int>(notice), detail.data(), static_cast<int>(detail.size()));
    }
};

// The page's clock, in milliseconds, as the session's microseconds.
std::uint64_t host_us(double ms) {
    const double us = std::round(ms * 1000.0);
    return us > 0 ? static_cast<std::uint64_t>(us) : 0;
}

// What a run (and the events before it) means for the page.
void tell(Host& h, const Report& report) {
    Session& s = h.session;
    Runner& r = s.runner;
    if (r.tracing && !r.trace.empty()) {
        const std::string lines = take_trace(r);
        murlo_web_trace(lines.data(), static_cast<int>(lines.size()));
    }
    if (report.picture) murlo_web_present(runner_picture(r).row, paused(r) ? 1 : 0);
    if (report.sound) {
        const bool silent = r.state.sound == no_sound;
        murlo_web_sound(r.state.sound, silent ? "" : sound_name(static_cast<Sound>(r.state.sound)),
                        static_cast<double>(report.sound_at_us) / 1000.0);
    }
    if (r.state.best != h.told_best) {
        best_label(h.told_best = r.state.best, h.label);
        murlo_web_best(h.told_best, h.label);
    }
    const bool playing = r.state.game.phase == Phase::Play;
    const int state = (playing ? 1 : 0) | (paused(r) ? 2 : 0) | (watching(r) ? 4 : 0);
    if (state != h.told_state) murlo_web_state(playing, paused(r), watching(r));
    h.told_state = state;
    if (report.game_over) murlo_web_game_over(s.ended_own && s.own_run ? 1 : 0);
}

// The session run at `now_us`, what it asks of storage carried out, and
// the page told: how many milliseconds may pass before the next run, or
// -1 for none until something happens.
double run_at(Host& h, std::uint64_t now_us) {
    const Report report = session_run(h.session, now_us);
    WebStore store{h};
    carry_out(h.session, store);
    tell(h, report);
    return report.wake_in_us == never ? -1 : static_cast<double>(report.wake_in_us) / 1000.0;
}

}  // namespace

}  // namespace murlo

using namespace murlo;

// Opens the session once the page knows whether it holds the lock (`keeps`
// the player's games) and whether it records every call (`tracing`): the
// kept game goes on, or the script whose text the page put in `in` is
// watched. 0 when that text is no script (the reason given): the player's
// start, then.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_open(Host* host, int keeps, int tracing) {
    Opening o;
    o.keeps = keeps != 0;
    o.tracing = tracing != 0;
    std::string problem;
    const std::string text = take_in(*host);
    const bool read = text.empty() || runs::read_script(text, "", o.script, problem);
    if (!read) o.script.clear();
    WebStore store{*host};
    o.best = store.read(Slot::Best);
    if (o.script.empty()) {
        o.kept = store.read(Slot::Kept);
        o.watched = store.read(Slot::Watched).kind == Stored::Kind::Bytes;
    }
    open_session(host->session, std::move(o));
    carry_out(host->session, store);
    host->kept_found.clear();
    host->kept_read.clear();
    if (!read) give(problem);
    return read ? 1 : 0;
}

// The page's clock reads `now_ms`: the session runs (see run_at).
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_run(Host* host, double now_ms) {
    return run_at(*host, host_us(now_ms));
}

// Something happened at `at_ms` on the page's clock, then the session runs
// at `now_ms`, as murlo_web_run. `kind`: 0 the game keys held are now
// `value`; 1 P, Pause, a pad's Start or a touch on the screen; 2 the focus
// lost; 3 the page hidden, frozen or left, which may be its end (what a
// close keeps is kept); 4 shown; 5 play from here (the watched script
// handed to the player, a paused game going on); 6 the watched script run
// `value` times as fast.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_event(Host* host, int kind, int value, double at_ms,
                                                       double now_ms) {
    constexpr Event::Kind kinds[] = {Event::Kind::Keys, Event::Kind::Pause, Event::Kind::FocusLost,
                                     Event::Kind::Hidden, Event::Kind::Shown};
    Session& s = host->session;
    const std::uint64_t at = host_us(at_ms);
    if (kind >= 0 && kind < 5) {
        session_event(s, at, {kinds[kind], static_cast<InputBits>(value)});
        if (kinds[kind] == Event::Kind::Hidden) close_session(s);
    } else if (kind == 5 || kind == 6) {
        run_at(*host, at);  // what was due by then, as it was
        if (kind == 6) {
            set_speed(s.runner, value);
        } else {
            take_over(s.runner);
            if (paused(s.runner)) session_event(s, at, {Event::Kind::Pause});
        }
    }
    return run_at(*host, host_us(now_ms));
}

// Watches the script whose text is in `in`: the player's game is kept as
// it was left and the script plays from the game's start. 0 when it is
// not a script (the reason given).
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_watch(Host* host) {
    runs::Script script;
    std::string problem;
    if (!runs::read_script(take_in(*host), "", script, problem)) {
        give(problem);
        return 0;
    }
    watch(host->session, std::move(script));
    WebStore store{*host};
    carry_out(host->session, store);
    return 1;
}

// The game keys a finger or the mouse holds at a point of the shown layout.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_keys_at(Host* host, int x, int y) {
    return skin_keys_at(host->layouts[host->layout], x, y);
}

// The game keys a pad holds: `buttons` bits 0..5 up, down, left, right,
// south, east; its left stick from -32767 to 32767.
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_pad_keys(int buttons, int stick_x, int stick_y) {
    const auto on = [buttons](int bit) { return ((buttons >> bit) & 1) != 0; };
    return handheld::pad_keys({on(0), on(1), on(2), on(3), on(4), on(5), stick_x, stick_y});
}

// The layout on screen (0 landscape, 1 upright, 2 sideways), made `extra`
// of its pixels longer to fill the screen (see stretched): touches hold
// its controls, and the page is handed its numbers when they change.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_fit(Host* host, int index, int extra) {
    if (index < 0 || index >= layout_count) return;
    host->layout = index;
    if (extra == host->stretch[index]) return;
    host->stretch[index] = extra;
    host->layouts[index] = handheld::stretched(layouts[index], extra);
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

// Makes sound `index` (a Sound id) and hands its samples to the page, which
// asks for each once sound can be heard, so a page that stays silent makes
// none.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_make_sound(int index) {
    if (index < 0 || index >= sound_count) return;
    const std::vector<double> samples = sounds::synthesise(static_cast<Sound>(index));
    const std::vector<float> floats(samples.begin(), samples.end());
    murlo_web_sound_samples(index, floats.data(), static_cast<int>(floats.size()), sounds::sample_rate);
}

// A buffer of `size` bytes for the page to write into, for the calls that
// read `in`.
extern "C" EMSCRIPTEN_KEEPALIVE char* murlo_web_in(Host* host, int size) {
    host->in.assign(static_cast<std::size_t>(size), '\0');
    return host->in.data();
}

// The deflated bytes of the link in `in` (from "#run=" on), given: their
// count, or -1 when the link is not of the form (the reason given).
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_link_bytes(Host* host) {
    std::string bytes, problem;
    const bool read = runs::link_payload(take_in(*host), bytes, problem);
    give(read ? bytes : problem);
    return read ? static_cast<int>(bytes.size()) : -1;
}

// The "#run=" part of the link of the run whose script the page deflated
// into `in`, given, for the page to put after its own address.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_link_of(Host* host) {
    give(std::string(runs::link_mark) + runs::payload_of_deflated(take_in(*host)));
}

// The run so far as script text, complete, given.
extern "C" EMSCRIPTEN_KEEPALIVE void murlo_web_run_text(Host* host) {
    give(recorded_script(host->session.runner));
}

// For the sound and the test interface: the runner's clock in milliseconds
// (how long the game has run), and the depth of the game in play when it
// counts for the best depth, else -1.
extern "C" EMSCRIPTEN_KEEPALIVE double murlo_web_clock(Host* host) {
    return static_cast<double>(host->session.runner.state.clock_us) / 1000.0;
}
extern "C" EMSCRIPTEN_KEEPALIVE int murlo_web_depth(Host* host) { return depth_to_keep(host->session.runner); }

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
    murlo_web_start(host, rgb(fill_colour), rgb(skin_ink), input::Z, input::Right, input::Left, input::Down,
                    input::Up, sound_count, version, static_cast<double>(runs::max_link_text));
}
