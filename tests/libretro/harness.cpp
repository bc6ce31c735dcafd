// The libretro core as a frontend sees it: loaded from its shared library
// (dlopen, or LoadLibrary for the DLL under Wine), driven through the API
// alone, and checked against the replay tool's trace of the same script.
//
//   harness CORE replay SCRIPT...      each script as content (in turn in
//       both displays and both palettes): the distinct LCD pictures received, in order, are
//       the trace's presented frames, each in the run its time in the trace
//       falls in, and each sound the trace names starts at its own sample
//   harness CORE states SCRIPT         save states of a won game round trip
//       in the middle of a level and of the ending, bad ones are refused
//       with the game going on untouched, run-ahead as RetroArch does it
//       shows every frame two frames early, retro_reset starts over, and a
//       malformed script is refused with the replay tool's message
//   harness CORE pad                   the pad leaves the title and digs;
//       the display and palette options switch while the game runs, and
//       a paused game shows the palette's paused colours
//   harness CORE shot RUNS[+AHEAD] RGB [SCRIPT]  RGB (raw 8-bit RGB of a
//       frontend's screenshot after RUNS runs) is the handheld picture
//       received after RUNS runs, whose LCD is a frame of the trace; with
//       AHEAD, after RUNS + AHEAD runs, a picture that differs from the one
//       after RUNS (the frontend ran ahead)
//
// Exit status 0 when every check holds; each failure is one line on stderr.
#include <libretro.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdarg>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "game/state.h"
#include "handheld/handheld.h"
#include "host/libretro/core.h"
#include "runs/daily.h"
#include "host/replay/replay.h"
#include "runner/state.h"
#include "sounds/sounds.h"

namespace {

using namespace murlo;
namespace lr = murlo::libretro;

int failures = 0;
void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("FAIL ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    ++failures;
}

// --- the core, loaded ---

struct Api {
    void (*set_environment)(retro_environment_t);
    void (*set_video_refresh)(retro_video_refresh_t);
    void (*set_audio_sample)(retro_audio_sample_t);
    void (*set_audio_sample_batch)(retro_audio_sample_batch_t);
    void (*set_input_poll)(retro_input_poll_t);
    void (*set_input_state)(retro_input_state_t);
    void (*init)();
    void (*deinit)();
    void (*get_system_av_info)(retro_system_av_info*);
    bool (*load_game)(const retro_game_info*);
    void (*unload_game)();
    void (*run)();
    void (*reset)();
    size_t (*serialize_size)();
    bool (*serialize)(void*, size_t);
    bool (*unserialize)(const void*, size_t);
};

void* symbol(void* library, const char* name) {
#ifdef _WIN32
    void* f = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    void* f = dlsym(library, name);
#endif
    if (f == nullptr) {
        std::fprintf(stderr, "harness: the core has no %s\n", name);
        std::exit(1);
    }
    return f;
}

Api open_core(const char* path) {
#ifdef _WIN32
    void* library = LoadLibraryA(path);
#else
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    if (library == nullptr) {
        std::fprintf(stderr, "harness: cannot load %s\n", path);
        std::exit(1);
    }
    Api api;
#define MURLO_SYMBOL(field) api.field = reinterpret_cast<decltype(api.field)>(symbol(library, "retro_" #field))
    MURLO_SYMBOL(set_environment);
    MURLO_SYMBOL(set_video_refresh);
    MURLO_SYMBOL(set_audio_sample);
    MURLO_SYMBOL(set_audio_sample_batch);
    MURLO_SYMBOL(set_input_poll);
    MURLO_SYMBOL(set_input_state);
    MURLO_SYMBOL(init);
    MURLO_SYMBOL(deinit);
    MURLO_SYMBOL(get_system_av_info);
    MURLO_SYMBOL(load_game);
    MURLO_SYMBOL(unload_game);
    MURLO_SYMBOL(run);
    MURLO_SYMBOL(reset);
    MURLO_SYMBOL(serialize_size);
    MURLO_SYMBOL(serialize);
    MURLO_SYMBOL(unserialize);
#undef MURLO_SYMBOL
    return api;
}

// --- the frontend ---

struct Frontend {
    bool screen_only = false;  // the display option
    bool high_contrast = false;  // the palette option
    bool option_changed = false;
    std::string log;
    // What the runs gave: the picture after each run (dupes resolved) and
    // every sample (left channel; the right one must be the same).
    std::vector<std::uint32_t> pixels;
    unsigned width = 0, height = 0;
    std::vector<LcdFrame> lcd;  // one per run
    std::vector<bool> dim;      // each run's picture in the paused colours
    std::vector<std::int16_t> audio;
    unsigned dupes = 0;
    handheld::PadState pad{};
    bool hidden = false;  // running ahead: what the core gives is not shown
    std::string saves;    // the save folder the frontend names (none when empty)
    const char* start = "title";  // the Start option
};
Frontend front;

void log_line(retro_log_level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    front.log += text;
}

bool environment(unsigned cmd, void* data) {
    switch (cmd) {
    case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
    case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2:
    case RETRO_ENVIRONMENT_SET_SERIALIZATION_QUIRKS:
    case RETRO_ENVIRONMENT_SET_GEOMETRY: return true;
    case RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION: *static_cast<unsigned*>(data) = 2; return true;
    case RETRO_ENVIRONMENT_GET_CAN_DUPE: *static_cast<bool*>(data) = true; return true;
    case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
        static_cast<retro_log_callback*>(data)->log = log_line;
        return true;
    case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
        return *static_cast<retro_pixel_format*>(data) == RETRO_PIXEL_FORMAT_XRGB8888;
    case RETRO_ENVIRONMENT_GET_VARIABLE: {
        auto* variable = static_cast<retro_variable*>(data);
        if (std::strcmp(variable->key, "murlo_display") == 0)
            variable->value = front.screen_only ? "screen" : "handheld";
        else if (std::strcmp(variable->key, "murlo_palette") == 0)
            variable->value = front.high_contrast ? "high-contrast" : "handheld";
        else if (std::strcmp(variable->key, "murlo_start") == 0)
            variable->value = front.start;
        else
            return false;
        return true;
    }
    case RETRO_ENVIRONMENT_GET_SAVE_DIRECTORY:
        if (front.saves.empty()) return false;
        *static_cast<const char**>(data) = front.saves.c_str();
        return true;
    case RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE:
        *static_cast<bool*>(data) = front.option_changed;
        front.option_changed = false;
        return true;
    default: return false;
    }
}

constexpr std::uint32_t xrgb(handheld::Rgb c) {
    return std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
}

// The LCD in a picture: each display pixel one pixel (screen only) or an
// 8 x 8 square in place on the handheld, every one of its pixels in one of
// the two colours of the palette the frontend asks for, those of play or
// those of a paused game (`dim`).
bool read_lcd(const std::vector<std::uint32_t>& pixels, unsigned width, unsigned height, LcdFrame& lcd,
              bool& dim) {
    const bool screen = width == lcd_size && height == lcd_size;
    if (!screen && (width != handheld::window_width || height != handheld::window_height)) return false;
    const int scale = screen ? 1 : handheld::lcd_scale;
    const int left = screen ? 0 : handheld::lcd_left, top = screen ? 0 : handheld::lcd_top;
    const handheld::Palette& colours = handheld::palette(front.high_contrast ? handheld::PaletteId::HighContrast
                                                                             : handheld::PaletteId::Handheld);
    const std::uint32_t corner = pixels[top * width + left] & 0xFFFFFFu;
    dim = corner == xrgb(colours.paused_clear) || corner == xrgb(colours.paused_ink);
    const std::uint32_t clear = xrgb(dim ? colours.paused_clear : colours.clear);
    const std::uint32_t dark = xrgb(dim ? colours.paused_ink : colours.ink);
    lcd = {};
    for (int y = 0; y < lcd_size * scale; ++y)
        for (int x = 0; x < lcd_size * scale; ++x) {
            const std::uint32_t p = pixels[(top + y) * width + left + x] & 0xFFFFFFu;
            const bool ink = p == dark;
            if (!ink && p != clear) return false;
            const std::uint32_t bit = 1u << (x / scale);
            if (x % scale == 0 && y % scale == 0) {
                if (ink) lcd.row[y / scale] |= bit;
            } else if (ink != ((lcd.row[y / scale] & bit) != 0)) {
                return false;
            }
        }
    return true;
}

void video(const void* data, unsigned width, unsigned height, size_t pitch) {
    if (front.hidden) return;
    if (data == nullptr) {
        ++front.dupes;
        if (width != front.width || height != front.height) fail("a dupe of another size");
    } else {
        front.width = width;
        front.height = height;
        front.pixels.resize(static_cast<std::size_t>(width) * height);
        for (unsigned y = 0; y < height; ++y)
            std::memcpy(&front.pixels[y * width], static_cast<const char*>(data) + y * pitch, width * 4);
    }
    LcdFrame lcd{};
    bool dim = false;
    if (!read_lcd(front.pixels, front.width, front.height, lcd, dim))
        fail("run %zu: no LCD picture in the %s colours in a %ux%u frame", front.lcd.size() + 1,
             front.high_contrast ? "high-contrast" : "handheld", front.width, front.height);
    front.lcd.push_back(lcd);
    front.dim.push_back(dim);
}

size_t audio_batch(const std::int16_t* data, size_t frames) {
    if (front.hidden) return frames;
    if (frames != lr::samples_per_run) fail("run %zu: %zu samples", front.lcd.size(), frames);
    for (size_t i = 0; i < frames; ++i) {
        if (data[2 * i] != data[2 * i + 1]) fail("left and right differ");
        front.audio.push_back(data[2 * i]);
    }
    return frames;
}
void audio_sample(std::int16_t, std::int16_t) { fail("single samples sent"); }
void input_poll() {}
std::int16_t input_state(unsigned port, unsigned device, unsigned index, unsigned id) {
    if (port != 0) return 0;
    const handheld::PadState& p = front.pad;
    if (device == RETRO_DEVICE_JOYPAD) {
        switch (id) {
        case RETRO_DEVICE_ID_JOYPAD_UP: return p.up;
        case RETRO_DEVICE_ID_JOYPAD_DOWN: return p.down;
        case RETRO_DEVICE_ID_JOYPAD_LEFT: return p.left;
        case RETRO_DEVICE_ID_JOYPAD_RIGHT: return p.right;
        case RETRO_DEVICE_ID_JOYPAD_B: return p.south;
        case RETRO_DEVICE_ID_JOYPAD_A: return p.east;
        default: return 0;
        }
    }
    if (device == RETRO_DEVICE_ANALOG && index == RETRO_DEVICE_INDEX_ANALOG_LEFT)
        return static_cast<std::int16_t>(id == RETRO_DEVICE_ID_ANALOG_X ? p.stick_x : p.stick_y);
    return 0;
}

Api core;

void start_core(const char* path) {
    core = open_core(path);
    core.set_environment(environment);
    core.set_video_refresh(video);
    core.set_audio_sample(audio_sample);
    core.set_audio_sample_batch(audio_batch);
    core.set_input_poll(input_poll);
    core.set_input_state(input_state);
    core.init();
}

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "harness: cannot read %s\n", path);
        std::exit(1);
    }
    return {std::istreambuf_iterator<char>(in), {}};
}

// Load the text as content (none for nullptr); the runs start afresh.
bool load(const std::string* text, const char* path = "run.script") {
    front.lcd.clear();
    front.dim.clear();
    front.audio.clear();
    front.pixels.clear();
    front.width = front.height = 0;
    front.dupes = 0;
    front.log.clear();
    retro_game_info info{path, text ? text->data() : nullptr, text ? text->size() : 0, nullptr};
    return core.load_game(text ? &info : nullptr);
}

void run_for(std::size_t runs) {
    for (std::size_t i = 0; i < runs; ++i) core.run();
}

// --- what the replay tool says ---

// A presented frame or a sound started, at its time in microseconds: the
// trace's waits (9 ms a tick) up to it, and on the title a pass each
// millisecond from the title music on, the first at once.
struct Event {
    std::int64_t time;
    bool present;
    LcdFrame frame;
    std::string sound;
};

struct Expected {
    std::vector<Event> events;
    std::int64_t end;  // when the poll after the script's last one is taken
};

Expected expected_of(const std::string& script_text) {
    runs::Script script;
    runs::ScriptError error;
    if (!runs::parse_script(script_text, script, error)) {
        std::fprintf(stderr, "harness: a bad script\n");
        std::exit(1);
    }
    replay::Trace trace;
    replay::run(script, trace);
    Expected expected{{}, 0};
    std::istringstream lines(trace.text());
    std::string line;
    std::int64_t time = 0, title_start = 0, passes = 0;
    bool title = false;  // from the title music until a key stops it
    while (std::getline(lines, line)) {
        if (line.rfind("poll ", 0) == 0 || line == "quit") {
            if (title) time = title_start + 1000 * passes++;
            expected.end = time;
        } else if (line.rfind("wait ", 0) == 0) {
            time += std::stoll(line.substr(5)) * tick_ms * 1000;
        } else if (line.rfind("present ", 0) == 0) {
            Event e{time, true, {}, {}};
            for (int y = 0; y < lcd_size; ++y)
                e.frame.row[y] = static_cast<std::uint32_t>(std::stoul(line.substr(8 + 9 * y, 8), nullptr, 16));
            expected.events.push_back(e);
        } else if (line.rfind("sound ", 0) == 0) {
            expected.events.push_back({time, false, {}, line.substr(6)});
            if (line == "sound title.wav") {
                title = true;
                title_start = time;
                passes = 0;
            }
        } else if (line == "stop") {
            expected.events.push_back({time, false, {}, ""});
            title = false;
        }
    }
    return expected;
}

// The run in which something at `time` happens: the first whose end has
// reached it, a run being 1/60 s to the microsecond.
constexpr std::int64_t run_us = 16667;
std::int64_t run_of(std::int64_t time) { return std::max<std::int64_t>(1, (time + run_us - 1) / run_us); }
// The sample from which something at `time` is heard: each run's samples
// spread evenly over its time.
std::int64_t sample_of(std::int64_t time) {
    return time / run_us * lr::samples_per_run + (time % run_us * lr::samples_per_run + run_us - 1) / run_us;
}

bool same(const LcdFrame& a, const LcdFrame& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The sounds as the harness hears them: the synthesiser's samples at the
// core's rate.
std::vector<std::vector<double>> sound_samples() {
    std::vector<std::vector<double>> all;
    for (int id = 0; id < sound_count; ++id) {
        const std::vector<double> in = sounds::synthesise(static_cast<Sound>(id));
        std::vector<double> out;
        for (double at = 0; at + 1 < static_cast<double>(in.size());
             at += static_cast<double>(sounds::sample_rate) / lr::sample_rate) {
            const auto k = static_cast<std::size_t>(at);
            out.push_back((in[k] + (in[k + 1] - in[k]) * (at - static_cast<double>(k))) * 32767.0);
        }
        all.push_back(out);
    }
    return all;
}

int sound_id(const std::string& name) {
    for (int id = 0; id < sound_count; ++id)
        if (name == sound_names[id]) return id;
    return -1;
}

// Where, in the first `frames` samples from `from` on, the sound begins
// (compared over `length` samples): -1 when nowhere.
std::int64_t find_sound(const std::vector<double>& sound, std::int64_t from, std::int64_t frames,
                        std::size_t length) {
    length = std::min(length, sound.size());
    for (std::int64_t at = std::max<std::int64_t>(0, from); at < from + frames; ++at) {
        if (at + static_cast<std::int64_t>(length) > static_cast<std::int64_t>(front.audio.size())) break;
        std::size_t i = 0;
        while (i < length && std::abs(front.audio[at + i] - sound[i]) <= 64.0) ++i;
        if (i == length) return at;
    }
    return -1;
}

void check_replay(const char* path, bool screen_only, bool high_contrast) {
    const std::string text = read_file(path);
    const Expected expected = expected_of(text);
    // Runs wholly inside the script and the calls of its last step: later
    // ones also poll the pad.
    const std::int64_t runs = run_of(expected.end) - 1;
    front.screen_only = screen_only;
    front.high_contrast = high_contrast;  // read as the game loads
    if (!load(&text, path)) {
        fail("%s not loaded: %s", path, front.log.c_str());
        return;
    }
    run_for(static_cast<std::size_t>(runs));

    // The picture each run should end on, and its changes.
    struct Change {
        std::int64_t run;
        LcdFrame frame;
    };
    std::vector<Change> want, got;
    LcdFrame shown{};
    std::size_t next = 0;
    for (std::int64_t r = 1; r <= runs; ++r) {
        for (; next < expected.events.size() && run_of(expected.events[next].time) <= r; ++next)
            if (expected.events[next].present) shown = expected.events[next].frame;
        if (want.empty() || !same(want.back().frame, shown)) want.push_back({r, shown});
    }
    for (std::int64_t r = 1; r <= runs; ++r)
        if (got.empty() || !same(got.back().frame, front.lcd[r - 1])) got.push_back({r, front.lcd[r - 1]});
    std::size_t presented = 0;
    for (const Event& e : expected.events) presented += e.present && run_of(e.time) <= runs;
    std::size_t i = 0;
    for (; i < want.size() && i < got.size(); ++i) {
        if (!same(want[i].frame, got[i].frame)) {
            fail("%s: picture %zu (run %lld) is not the trace's (due at run %lld)", path, i + 1,
                 static_cast<long long>(got[i].run), static_cast<long long>(want[i].run));
            break;
        }
        if (want[i].run != got[i].run)
            fail("%s: picture %zu came at run %lld, due at run %lld", path, i + 1,
                 static_cast<long long>(got[i].run), static_cast<long long>(want[i].run));
    }
    if (i == want.size() && want.size() != got.size())
        fail("%s: %zu distinct pictures, the trace has %zu", path, got.size(), want.size());

    // Each sound that is heard (not cut off at once by another) starts at
    // the sample of its time.
    static const std::vector<std::vector<double>> bank = sound_samples();
    std::size_t heard = 0;
    for (std::size_t k = 0; k < expected.events.size(); ++k) {
        const Event& e = expected.events[k];
        if (e.present || e.sound.empty() || run_of(e.time) > runs - 1) continue;
        std::int64_t until = expected.end;
        for (std::size_t n = k + 1; n < expected.events.size(); ++n)
            if (!expected.events[n].present) {
                until = expected.events[n].time;
                break;
            }
        const std::size_t length = static_cast<std::size_t>(std::min<std::int64_t>(
            sample_of(until) - sample_of(e.time), 2 * lr::samples_per_run));
        if (length < 100) continue;
        const std::int64_t due = sample_of(e.time);
        const std::int64_t at = find_sound(bank[sound_id(e.sound)], due - lr::samples_per_run,
                                           2 * lr::samples_per_run, length);
        if (at != due)
            fail("%s: %s, due at sample %lld, %s %lld", path, e.sound.c_str(), static_cast<long long>(due),
                 at < 0 ? "not heard near it" : "heard from", static_cast<long long>(at));
        ++heard;
    }
    std::printf("%s (%s, %s colours): %lld runs, %zu distinct pictures of %zu presented, %u dupes, %zu sounds heard\n",
                path, screen_only ? "screen only" : "handheld", high_contrast ? "high-contrast" : "handheld",
                static_cast<long long>(runs), got.size(), presented, front.dupes, heard);
    core.unload_game();
    front.high_contrast = false;
}

// --- save states ---

struct Recording {
    std::vector<LcdFrame> lcd;
    std::vector<std::int16_t> audio;
};

Recording record(std::size_t runs) {
    const std::size_t lcd_from = front.lcd.size(), audio_from = front.audio.size();
    run_for(runs);
    return {{front.lcd.begin() + static_cast<std::ptrdiff_t>(lcd_from), front.lcd.end()},
            {front.audio.begin() + static_cast<std::ptrdiff_t>(audio_from), front.audio.end()}};
}

bool operator==(const Recording& a, const Recording& b) {
    return a.audio == b.audio && a.lcd.size() == b.lcd.size() &&
           std::equal(a.lcd.begin(), a.lcd.end(), b.lcd.begin(), same);
}

std::vector<std::uint8_t> save_state() {
    std::vector<std::uint8_t> state(core.serialize_size());
    if (!core.serialize(state.data(), state.size())) fail("retro_serialize failed");
    return state;
}

// At `run`: a state saved, bad ones refused, then the next runs played from
// it twice give the same pictures and samples.
void round_trip(const char* what, std::size_t run) {
    run_for(run - front.lcd.size());
    const std::vector<std::uint8_t> state = save_state();
    if (state.size() != state_bytes) fail("%s: a state of %zu bytes", what, state.size());

    // The game in a state changed as `change` says.
    const auto with_game = [&](auto change) {
        std::vector<std::uint8_t> bytes = state;
        Game g;
        ByteReader in{bytes.data() + state_header_bytes};
        read_game(in, g);
        change(g);
        ByteWriter out{bytes.data() + state_header_bytes};
        write_game(out, g);
        return bytes;
    };
    std::vector<std::vector<std::uint8_t>> bad(4, state);
    bad[0].pop_back();                        // short
    bad[1][0] ^= 1;                           // not ours
    bad[2][sizeof state_magic] ^= 4;          // another version
    bad[3][state_bytes - 1] = 2;              // a flag neither on nor off
    bad.push_back(with_game([](Game& g) { g.player_x = 99; }));                   // off the well
    bad.push_back(with_game([](Game& g) { g.phase = static_cast<Phase>(7); }));  // no such phase
    front.log.clear();
    for (std::size_t i = 0; i < bad.size(); ++i)
        if (core.unserialize(bad[i].data(), bad[i].size())) fail("%s: bad state %zu taken", what, i);
    for (const char* why : {"not a Murlo state", "cut short", "of another version", "a flag that is neither on nor off"})
        if (front.log.find(why) == std::string::npos)
            fail("%s: no \"%s\" in the log: %s", what, why, front.log.c_str());

    const Recording first = record(600);
    if (!core.unserialize(state.data(), state.size())) fail("%s: state refused: %s", what, front.log.c_str());
    const Recording again = record(600);
    if (!(first == again)) fail("%s: the runs after loading differ", what);
    std::printf("%s: state of %zu bytes round trips over 600 runs\n", what, state.size());
}

// RetroArch's run-ahead of `ahead` frames as it makes it with one
// instance: each frame runs unseen, the state is saved, the next frames run
// with only the last seen and heard, and the state is loaded back. Over the
// whole script, what is seen and heard at each frame is what a plain run
// gives `ahead` frames later.
void check_run_ahead(const std::string& text, const char* path, std::size_t runs, std::size_t ahead) {
    load(&text, path);
    const Recording plain = record(runs + ahead);
    core.unload_game();
    load(&text, path);
    for (std::size_t frame = 0; frame < runs; ++frame) {
        front.hidden = true;
        core.run();
        const std::vector<std::uint8_t> state = save_state();
        for (std::size_t i = 1; i <= ahead; ++i) {
            front.hidden = i < ahead;
            core.run();
        }
        if (!core.unserialize(state.data(), state.size()))
            fail("run-ahead: state refused: %s", front.log.c_str());
    }
    front.hidden = false;
    std::size_t changes = 0;
    for (std::size_t i = 1; i < plain.lcd.size(); ++i) changes += !same(plain.lcd[i], plain.lcd[i - 1]);
    const auto later = plain.lcd.begin() + static_cast<std::ptrdiff_t>(ahead);
    if (front.lcd.size() != runs || !std::equal(front.lcd.begin(), front.lcd.end(), later, same))
        fail("run-ahead of %zu: the pictures are not the plain run's %zu frames later", ahead, ahead);
    if (!std::equal(front.audio.begin(), front.audio.end(), plain.audio.begin() + ahead * lr::samples_per_run,
                    plain.audio.end()))
        fail("run-ahead of %zu: the sound is not the plain run's %zu frames later", ahead, ahead);
    std::printf("run-ahead of %zu over %zu frames (%zu picture changes): the plain run's, %zu frames early\n",
                ahead, runs, changes, ahead);
    core.unload_game();
}

void check_states(const char* path) {
    const std::string text = read_file(path);
    const Expected expected = expected_of(text);
    std::int64_t ending = 0;
    for (const Event& e : expected.events)
        if (e.sound == "ending.wav") ending = e.time;
    if (ending == 0) fail("%s has no ending", path);

    front.screen_only = true;
    if (!load(&text, path)) fail("%s not loaded", path);
    round_trip("in the first level", 900);
    round_trip("in the ending", static_cast<std::size_t>(run_of(ending) + 200));

    // Starting over gives the runs of a fresh load.
    core.reset();
    const Recording reset = record(300);
    core.unload_game();
    load(&text, path);
    if (!(record(300) == reset)) fail("retro_reset is not a fresh start");
    core.unload_game();

    check_run_ahead(text, path, static_cast<std::size_t>(run_of(expected.end)), 2);

    // Started on the day's well: its first game frame at once, the one the
    // replay tool plays after the day's title passes and Z; its states
    // round trip too.
    front.start = "daily";
    const runs::Day today = runs::day_of(static_cast<std::int64_t>(std::time(nullptr)));
    const std::string day = "00*" + std::to_string(runs::daily_passes(today)) + " 01 00\n";
    if (!load(nullptr)) fail("no start on the day's well");
    run_for(1);
    const Expected daily = expected_of(day);
    LcdFrame first_frame{};
    for (const Event& e : daily.events)
        if (e.present) first_frame = e.frame;
    if (!same(front.lcd.back(), first_frame)) fail("the day's well is not the one the day's run plays");
    round_trip("in the day's well", front.lcd.size() + 300);
    core.unload_game();
    front.start = "title";

    // A malformed script, in the replay tool's words.
    const std::string broken = "00*3 10\n08 zz\n";
    if (load(&broken, "broken.script")) fail("a malformed script loaded");
    if (front.log.find("broken.script: line 2: bad token 'zz': expected one or two hex digits") ==
        std::string::npos)
        fail("the log says: %s", front.log.c_str());
}

// --- the pad ---

void check_pad() {
    static const std::vector<std::vector<double>> bank = sound_samples();
    // The player's best depth is kept in the frontend's save folder.
    const std::filesystem::path saves =
        std::filesystem::temp_directory_path() /
        ("murlo-saves-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    front.saves = saves.string();
    front.screen_only = false;
    front.pad = {};
    if (!load(nullptr)) fail("no start without content");
    run_for(30);
    const LcdFrame title = front.lcd.back();
    const std::vector<std::uint32_t> first_picture = front.pixels;
    // The display option changed while it runs: the next picture is the
    // screen alone, then the handheld again.
    front.screen_only = front.option_changed = true;
    run_for(1);
    if (front.width != lcd_size) fail("the display option did not take");
    front.screen_only = false;
    front.option_changed = true;
    front.pad.east = true;  // A is Z: a new game
    run_for(3);
    front.pad = {};
    front.pad.down = true;  // the pad down digs down
    run_for(20);
    front.pad = {};
    front.pad.stick_x = -32767;  // the stick walks and digs left,
    run_for(40);
    front.pad = {};
    front.pad.stick_y = 32767;  // and down
    run_for(60);
    const auto first_run = [](std::int64_t at) { return at < 0 ? -1 : at / lr::samples_per_run + 1; };
    // A dug block sounds (a Hard one) or breaks with its group: the first
    // run from `from` on, within `runs`, where one is heard.
    const auto dug = [&](std::int64_t from, std::int64_t runs) {
        std::int64_t first = -1;
        for (const Sound sound : {Sound::Dig, Sound::Break}) {
            const std::int64_t at = find_sound(bank[static_cast<int>(sound)], (from - 1) * lr::samples_per_run,
                                               runs * lr::samples_per_run, 400);
            if (at >= 0 && (first < 0 || at < first)) first = at;
        }
        return first_run(first);
    };
    const std::int64_t music = find_sound(bank[static_cast<int>(Sound::Title)], 0, 1, 4000);
    const std::int64_t pad_dig = dug(35, 20), stick_dig = dug(55, 100);
    if (pad_dig < 0 || stick_dig < 0) fail("no dig heard with the %s", pad_dig < 0 ? "pad" : "stick");
    if (music != 0) fail("the title music does not start at once");
    if (same(front.lcd.back(), title) || same(front.lcd[40], title)) fail("the title did not end");
    std::printf("pad: title music from run 1, digs heard in runs %lld (pad) and %lld (stick)\n",
                static_cast<long long>(pad_dig), static_cast<long long>(stick_dig));

    // The palette option while the game runs: the next picture is drawn in
    // high contrast (video() reads every picture in the colours asked for,
    // so a dupe of the old picture fails), the game going on as it was.
    front.pad = {};
    front.high_contrast = front.option_changed = true;
    const std::size_t before = front.lcd.size();
    run_for(2);
    if (front.dim[before] || !same(front.lcd[before], front.lcd[before - 1]))
        fail("the palette changed the picture, not only its colours");
    // A state paused (as a pausing host leaves one): the last picture in
    // the palette's paused colours, in either palette, until a key.
    Runner paused_runner;
    start_runner(paused_runner, {}, 0);
    const std::vector<std::uint8_t> playing = save_state();
    if (const char* refused = load_state(paused_runner, playing.data(), playing.size()))
        fail("the core's state refused: %s", refused);
    hold(paused_runner);
    std::vector<std::uint8_t> state(state_bytes);
    save_state(paused_runner, state.data());
    if (!core.unserialize(state.data(), state.size())) fail("a paused state refused: %s", front.log.c_str());
    run_for(2);
    const bool dim_high = front.dim.back();
    front.high_contrast = false;
    front.option_changed = true;
    run_for(1);
    const bool dim_handheld = front.dim.back();
    front.pad.down = true;
    run_for(1);
    if (!dim_high || !dim_handheld || front.dim.back())
        fail("paused in high contrast %s, in the handheld's %s, after a key %s", dim_high ? "dim" : "not dim",
             dim_handheld ? "dim" : "not dim", front.dim.back() ? "dim" : "not dim");
    if (!same(front.lcd[front.lcd.size() - 2], front.lcd[before + 1])) fail("the paused picture is another");
    std::printf("palette: switched to high contrast and back, paused colours in both\n");
    // Unloaded in the middle of the game, its depth is kept as the best,
    // and the body shows it at the next load.
    core.unload_game();
    const std::string best = read_file((saves / "murlo" / "best").string().c_str());
    if (best.empty() || best == "0\n" || best.back() != '\n') fail("the best depth kept is \"%s\"", best.c_str());
    if (!load(nullptr)) fail("no start without content");
    run_for(30);
    std::size_t differ = 0;
    for (int y = handheld::best::y; y < handheld::best::y + handheld::best::rows * handheld::best::cell; ++y)
        for (int x = handheld::best::x; x < handheld::best::x + handheld::best::columns * handheld::best::cell; ++x)
            differ += front.pixels[y * front.width + x] != first_picture[y * front.width + x];
    if (differ == 0) fail("the body does not show the best depth kept");
    std::printf("best depth: %.*s kept, and shown\n", static_cast<int>(best.size() - 1), best.c_str());
    core.unload_game();
    // The run of the best depth, kept beside it, races as a ghost: its
    // words on the body, and its states round trip.
    front.start = "race";
    if (!load(nullptr)) fail("no start racing the best");
    run_for(60);
    differ = 0;
    for (int y = handheld::ghost_label::y; y < handheld::ghost_label::y + handheld::best::rows * handheld::best::cell; ++y)
        for (int x = handheld::ghost_label::x;
             x < handheld::ghost_label::x + handheld::ghost_label::columns * handheld::best::cell; ++x)
            differ += front.pixels[y * front.width + x] != first_picture[y * front.width + x];
    if (differ == 0) fail("no ghost on the body: %s", front.log.c_str());
    round_trip("in a race", front.lcd.size() + 300);
    core.unload_game();
    front.start = "title";
    front.saves.clear();
    std::filesystem::remove_all(saves);
}

// --- a frontend's screenshot ---

void check_shot(std::size_t runs, std::size_t ahead, const char* rgb_path, const char* script_path) {
    // Without content the title runs on; its frames are those of a script
    // that never presses a key.
    std::string text = "00*" + std::to_string((runs + ahead) * 20) + "\n";
    if (script_path != nullptr) text = read_file(script_path);
    front.screen_only = false;
    if (!load(script_path ? &text : nullptr, script_path ? script_path : "")) fail("not loaded");
    run_for(runs);
    const LcdFrame unseen = front.lcd.back();
    run_for(ahead);
    if (ahead != 0 && same(unseen, front.lcd.back()))
        fail("the pictures after %zu and %zu runs are the same: running ahead shows nothing", runs,
             runs + ahead);
    runs += ahead;
    const std::string shot = read_file(rgb_path);
    if (shot.size() != front.pixels.size() * 3) {
        fail("the screenshot has %zu bytes, not %zu", shot.size(), front.pixels.size() * 3);
        return;
    }
    std::vector<std::uint32_t> pixels(front.pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = xrgb({static_cast<std::uint8_t>(shot[3 * i]), static_cast<std::uint8_t>(shot[3 * i + 1]),
                          static_cast<std::uint8_t>(shot[3 * i + 2])});
    LcdFrame lcd{};
    bool dim = false;
    if (!read_lcd(pixels, front.width, front.height, lcd, dim) || dim)
        fail("the screenshot has no LCD in place");
    if (!same(lcd, front.lcd.back())) fail("the screenshot's LCD is not the picture of run %zu", runs);
    std::size_t differ = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) differ += pixels[i] != (front.pixels[i] & 0xFFFFFFu);
    if (differ != 0) fail("%zu pixels of the screenshot differ from the core's picture", differ);
    const Expected expected = expected_of(text);
    bool in_trace = false;
    for (const Event& e : expected.events) in_trace = in_trace || (e.present && same(e.frame, lcd));
    if (!in_trace) fail("the screenshot's LCD is no frame of the trace");
    std::printf("screenshot after %zu runs: the handheld with the LCD of the trace\n", runs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: harness CORE replay SCRIPT... | states SCRIPT | pad | shot RUNS[+AHEAD] RGB [SCRIPT]\n",
                   stderr);
        return 2;
    }
    start_core(argv[1]);
    const std::string what = argv[2];
    if (what == "replay") {
        for (int i = 3; i < argc; ++i) check_replay(argv[i], i % 2 == 0, i % 4 >= 2);
    } else if (what == "states" && argc == 4) {
        check_states(argv[3]);
    } else if (what == "pad") {
        check_pad();
    } else if (what == "shot" && argc >= 5) {
        char* plus = nullptr;
        const std::size_t runs = std::strtoul(argv[3], &plus, 10);
        const std::size_t ahead = *plus == '+' ? std::strtoul(plus + 1, nullptr, 10) : 0;
        check_shot(runs, ahead, argv[4], argc > 5 ? argv[5] : nullptr);
    } else {
        std::fputs("harness: unknown check\n", stderr);
        return 2;
    }
    core.deinit();
    if (failures != 0) return 1;
    std::puts("ok");
    return 0;
}
