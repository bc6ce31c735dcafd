// The libretro API over the core's host (core.h): what a frontend calls.
// Pictures in XRGB8888: the handheld's skin with the LCD in place, or the
// LCD alone; the RetroPad gives the keys; a run script is the optional
// content; save states are the runner's state bytes (runner/state.h).
#include <libretro.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <filesystem>

#include "files/store.h"
#include "handheld/handheld.h"
#include "handheld/skin_art.h"
#include "host/libretro/core.h"
#include "murlo/version.h"
#include "runner/state.h"
#include "session/session.h"

namespace {

using namespace murlo;
namespace lr = murlo::libretro;

// The frontend's callbacks and the host: the API hands the callbacks over
// one by one, as plain function pointers with no user data, and calls the
// core's functions with none either, so these must live at file level.
// Nothing else does: all the core's state is in *host.
retro_environment_t environment;
retro_video_refresh_t video;
retro_audio_sample_batch_t audio_batch;
retro_input_poll_t input_poll;
retro_input_state_t input_state;

enum class Display { Handheld, Screen };

constexpr const char* display_key = "murlo_display";
// The LCD's colours, by the names of handheld/palette.h.
constexpr const char* palette_key = "murlo_palette";
// What a load or a reset starts: the title, or the day's well (UTC, by
// the machine's clock).
constexpr const char* start_key = "murlo_start";

struct Host {
    lr::SoundBank bank = lr::make_sound_bank();
    Session session;
    runs::Script script;      // the content's, played again at a reset
    files::FileStore store;   // the best depth, in the frontend's save folder
    std::int32_t shown_best = -1;  // the best depth on the skin
    std::string shown_ghost;       // and the race's words
    Display display = Display::Handheld;
    handheld::PaletteId palette = handheld::PaletteId::Handheld;
    bool can_dupe = false;
    bool fresh = true;  // the next picture is drawn and sent whatever was sent before
    std::vector<std::uint32_t> plain;   // the handheld with the backdrop around it
    std::vector<std::uint32_t> skin;    // ... and the best depth on its body
    std::vector<std::uint32_t> pixels;  // the picture sent
    std::int16_t audio[2 * lr::samples_per_run];
};
Host* host = nullptr;

void say(retro_log_level level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    retro_log_callback logging{};
    if (environment != nullptr && environment(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &logging) &&
        logging.log != nullptr)
        logging.log(level, "Murlo: %s\n", text);
    else
        std::fprintf(stderr, "Murlo: %s\n", text);
}

constexpr std::uint32_t xrgb(handheld::Rgb c) {
    return std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
}

int picture_width() { return host->display == Display::Handheld ? handheld::window_width : lcd_size; }
int picture_height() { return host->display == Display::Handheld ? handheld::window_height : lcd_size; }

retro_game_geometry geometry() {
    const int w = picture_width(), h = picture_height();
    return {static_cast<unsigned>(w), static_cast<unsigned>(h), handheld::window_width,
            handheld::window_height, static_cast<float>(w) / static_cast<float>(h)};
}

// An option's value, or nullptr when the frontend has none.
const char* option(const char* key) {
    retro_variable variable{key, nullptr};
    return environment(RETRO_ENVIRONMENT_GET_VARIABLE, &variable) ? variable.value : nullptr;
}

// The display and the palette as the options say (as they start, where a
// value is missing or unknown); a change is drawn afresh.
void read_options() {
    const char* shown = option(display_key);
    const Display display = shown != nullptr && std::strcmp(shown, "screen") == 0 ? Display::Screen
                                                                                    : Display::Handheld;
    const char* colours = option(palette_key);
    handheld::PaletteId palette = handheld::PaletteId::Handheld;
    if (colours != nullptr) handheld::palette_from_name(colours, palette);
    if (display != host->display || palette != host->palette) {
        host->display = display;
        host->palette = palette;
        host->fresh = true;
    }
}

// What the session's storage had to say, logged.
void speak() {
    std::string& said = host->store.said;
    for (std::size_t at = 0, end; (end = said.find('\n', at)) != std::string::npos; at = end + 1)
        say(RETRO_LOG_WARN, "%s", said.substr(at, end - at).c_str());
    said.clear();
}

// Words in the skin's ink at (x, y) of the handheld, each shape pixel a
// best::cell square.
void put_label(const std::uint64_t (&cells)[handheld::best::rows], int columns, int x, int y) {
    const std::uint32_t ink = xrgb(handheld::skin_ink);
    constexpr int k = handheld::best::cell;
    for (int r = 0; r < handheld::best::rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if ((cells[r] >> c & 1u) == 0) continue;
            for (int dy = 0; dy < k; ++dy)
                for (int dx = 0; dx < k; ++dx)
                    host->skin[(y + r * k + dy) * handheld::window_width + x + c * k + dx] = ink;
        }
}

// The session's storage requests carried out; the best depth and the
// race's words on the skin when they changed.
void store_and_show() {
    carry_out(host->session, host->store);
    speak();
    const std::int32_t best = host->session.runner.state.best;
    const std::string ghost = ghost_words(host->session.runner);
    if (best == host->shown_best && ghost == host->shown_ghost) return;
    host->shown_best = best;
    host->shown_ghost = ghost;
    host->skin = host->plain;
    std::uint64_t cells[handheld::best::rows];
    handheld::best_label(best, cells);
    put_label(cells, handheld::best::columns, handheld::best::x, handheld::best::y);
    handheld::text_label(ghost, cells);
    put_label(cells, handheld::ghost_label::columns, handheld::ghost_label::x, handheld::ghost_label::y);
    host->pixels = host->skin;
    host->fresh = true;
}

// The session opened on the content's script, the best depth read from the
// frontend's save folder (a core keeps no game of its own: the frontend has
// its states for that).
void open(runs::Script script) {
    Opening opening;
    opening.script = std::move(script);
    opening.best = host->store.read(Slot::Best);
    const bool players = opening.script.empty();
    open_session(host->session, std::move(opening));
    const char* start = option(start_key);
    if (players && start != nullptr && std::strcmp(start, "daily") == 0)
        start_daily(host->session, runs::day_of(static_cast<std::int64_t>(std::time(nullptr))));
    std::string problem;
    if (players && start != nullptr && std::strcmp(start, "race") == 0 &&
        !race_best(host->session, host->store.read(Slot::BestRun), problem))
        say(RETRO_LOG_WARN, "no race: %s", problem.c_str());
    store_and_show();
}

// The runner's picture, dimmed while paused.
void draw() {
    const LcdFrame& lcd = runner_picture(host->session.runner);
    const bool dim = paused(host->session.runner);
    const handheld::Palette& colours = handheld::palette(host->palette);
    const std::uint32_t ink = xrgb(dim ? colours.paused_ink : colours.ink);
    const std::uint32_t clear = xrgb(dim ? colours.paused_clear : colours.clear);
    if (host->display == Display::Screen) {
        host->pixels.resize(lcd_size * lcd_size);
        for (int y = 0; y < lcd_size; ++y)
            for (int x = 0; x < lcd_size; ++x)
                host->pixels[y * lcd_size + x] = (lcd.row[y] >> x & 1u) ? ink : clear;
        return;
    }
    if (host->pixels.size() != host->skin.size()) host->pixels = host->skin;
    using namespace handheld;
    // Each display row is drawn once and copied down its square's rows.
    for (int y = 0; y < lcd_size; ++y) {
        std::uint32_t* first = &host->pixels[(lcd_top + y * lcd_scale) * window_width + lcd_left];
        for (int x = 0; x < lcd_span; ++x) first[x] = (lcd.row[y] >> (x / lcd_scale) & 1u) ? ink : clear;
        for (int copy = 1; copy < lcd_scale; ++copy)
            std::memcpy(first + copy * window_width, first, lcd_span * sizeof *first);
    }
}

InputBits pad_keys() {
    const auto button = [](unsigned id) { return input_state(0, RETRO_DEVICE_JOYPAD, 0, id) != 0; };
    const auto stick = [](unsigned axis) {
        return static_cast<int>(input_state(0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, axis));
    };
    handheld::PadState pad{};
    pad.up = button(RETRO_DEVICE_ID_JOYPAD_UP);
    pad.down = button(RETRO_DEVICE_ID_JOYPAD_DOWN);
    pad.left = button(RETRO_DEVICE_ID_JOYPAD_LEFT);
    pad.right = button(RETRO_DEVICE_ID_JOYPAD_RIGHT);
    pad.south = button(RETRO_DEVICE_ID_JOYPAD_B);
    pad.east = button(RETRO_DEVICE_ID_JOYPAD_A);
    pad.stick_x = stick(RETRO_DEVICE_ID_ANALOG_X);
    pad.stick_y = stick(RETRO_DEVICE_ID_ANALOG_Y);
    return handheld::pad_keys(pad);
}

// Hands the frontend a table it only reads (the API takes a void*).
void give(unsigned cmd, const void* table) { environment(cmd, const_cast<void*>(table)); }

void set_options() {
    static const retro_core_option_v2_definition definitions[] = {
        {display_key, "Display", nullptr,
         "Handheld: the console with its screen in place. Screen only: the 32 x 32 screen "
         "alone, for integer scaling and shaders.",
         nullptr, nullptr, {{"handheld", "Handheld"}, {"screen", "Screen only"}, {nullptr, nullptr}},
         "handheld"},
        {palette_key, "Screen colours", nullptr,
         "Handheld: the handheld's own blue-grey glass. High contrast: near black on a pale "
         "glass, easier to see, in play and paused.",
         nullptr, nullptr, {{"handheld", "Handheld"}, {"high-contrast", "High contrast"}, {nullptr, nullptr}},
         "handheld"},
        {start_key, "Start", nullptr,
         "Title: the title screen, as the handheld starts. Daily well: today's well (UTC), the same for "
         "every player on every machine, dug at once. Race your best: the run of your best depth plays "
         "beside you as a ghost. Applies at the next start or reset.",
         nullptr, nullptr, {{"title", "Title"}, {"daily", "Daily well"}, {"race", "Race your best"}, {nullptr, nullptr}},
         "title"},
        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {{nullptr, nullptr}}, nullptr},
    };
    static const retro_core_options_v2 options{
        nullptr, const_cast<retro_core_option_v2_definition*>(definitions)};
    unsigned version = 0;
    if (environment(RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION, &version) && version >= 2) {
        give(RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2, &options);
    } else {
        static const retro_variable variables[] = {{display_key, "Display; handheld|screen"},
                                                   {palette_key, "Screen colours; handheld|high-contrast"},
                                                   {start_key, "Start; title|daily|race"},
                                                   {nullptr, nullptr}};
        give(RETRO_ENVIRONMENT_SET_VARIABLES, variables);
    }
}

void set_input_descriptors() {
    static const retro_input_descriptor descriptors[] = {
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_LEFT, "Walk and dig left"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_RIGHT, "Walk and dig right"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_DOWN, "Dig down"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_UP, "Dig up"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_B, "Z"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_A, "Z"},
        {0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_X, "Walk and dig left / right"},
        {0, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_Y, "Dig up / down"},
        {0, 0, 0, 0, nullptr},
    };
    give(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, descriptors);
}

// The content: a run script, as text in memory or in a file.
bool load_content(const retro_game_info* info, runs::Script& script) {
    const char* path = info->path != nullptr ? info->path : "content";
    std::string problem;
    bool ok = false;
    if (info->data != nullptr) {
        const std::string_view text(static_cast<const char*>(info->data), info->size);
        ok = runs::read_script(text, path, script, problem);
    } else if (info->path != nullptr) {
        ok = runs::load_script(info->path, script, problem);
    }
    if (!ok) say(RETRO_LOG_ERROR, "%s", problem.empty() ? "no script given" : problem.c_str());
    return ok;
}

}  // namespace

RETRO_API unsigned retro_api_version() { return RETRO_API_VERSION; }

RETRO_API void retro_set_environment(retro_environment_t callback) {
    environment = callback;
    bool yes = true;
    environment(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &yes);
    set_options();
}
RETRO_API void retro_set_video_refresh(retro_video_refresh_t callback) { video = callback; }
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t callback) { audio_batch = callback; }
RETRO_API void retro_set_input_poll(retro_input_poll_t callback) { input_poll = callback; }
RETRO_API void retro_set_input_state(retro_input_state_t callback) { input_state = callback; }

RETRO_API void retro_init() {
    host = new Host;
    start_runner(host->session.runner, {}, 0);  // a game to go on with until one is loaded
    const std::vector<std::uint8_t> rgb = handheld::draw_skin();
    const std::uint32_t key = xrgb(handheld::key_colour), backdrop = xrgb(handheld::backdrop_colour);
    host->plain.resize(rgb.size() / 3);
    for (std::size_t i = 0; i < host->plain.size(); ++i) {
        const std::uint32_t c = xrgb({rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
        host->plain[i] = c == key ? backdrop : c;
    }
    host->skin = host->plain;
}

RETRO_API void retro_deinit() {
    delete host;
    host = nullptr;
}

RETRO_API void retro_get_system_info(retro_system_info* info) {
    *info = {};
    info->library_name = "Murlo";
    info->library_version = murlo::version;
    info->valid_extensions = "script";
    info->need_fullpath = false;
    info->block_extract = false;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
    info->geometry = geometry();
    info->timing = {lr::frames_per_second, lr::sample_rate};
}

RETRO_API void retro_set_controller_port_device(unsigned, unsigned) {}

RETRO_API bool retro_load_game(const retro_game_info* info) {
    retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
    if (!environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
        say(RETRO_LOG_ERROR, "the frontend cannot show XRGB8888 pictures");
        return false;
    }
    runs::Script script;
    if (info != nullptr && (info->data != nullptr || info->path != nullptr) && !load_content(info, script))
        return false;
    host->can_dupe = false;
    environment(RETRO_ENVIRONMENT_GET_CAN_DUPE, &host->can_dupe);
    set_input_descriptors();
    read_options();
    const char* saves = nullptr;
    if (environment(RETRO_ENVIRONMENT_GET_SAVE_DIRECTORY, &saves) && saves != nullptr && saves[0] != '\0')
        host->store = files::store_in(std::filesystem::path(reinterpret_cast<const char8_t*>(saves)) / "murlo");
    host->script = script;
    host->fresh = true;
    open(std::move(script));
    draw();  // the skin in place before the first run
    return true;
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) { return false; }
// Unloaded in the middle of a game of the player's: its depth is kept as
// the best when deeper.
RETRO_API void retro_unload_game() {
    close_session(host->session);
    store_and_show();
}
RETRO_API void retro_reset() {
    open(host->script);
    host->fresh = true;
}

RETRO_API void retro_run() {
    bool changed = false;
    if (environment(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &changed) && changed) {
        const Display was = host->display;
        read_options();
        if (host->display != was) {
            retro_game_geometry g = geometry();
            environment(RETRO_ENVIRONMENT_SET_GEOMETRY, &g);
        }
    }
    input_poll();
    const Report report = lr::run_once(host->session, host->bank, pad_keys(), host->audio);
    store_and_show();

    const bool same = !host->fresh && !report.picture;
    const unsigned pitch = static_cast<unsigned>(picture_width()) * sizeof(std::uint32_t);
    if (same && host->can_dupe) {
        video(nullptr, picture_width(), picture_height(), pitch);
    } else {
        if (!same) draw();
        host->fresh = false;
        video(host->pixels.data(), picture_width(), picture_height(), pitch);
    }
    audio_batch(host->audio, lr::samples_per_run);
}

RETRO_API size_t retro_serialize_size() { return state_bytes; }

RETRO_API bool retro_serialize(void* data, size_t size) {
    if (size < state_bytes) return false;
    save_state(host->session.runner, static_cast<std::uint8_t*>(data));
    return true;
}

RETRO_API bool retro_unserialize(const void* data, size_t size) {
    if (const char* refused = lr::load(host->session.runner, static_cast<const std::uint8_t*>(data), size)) {
        say(RETRO_LOG_WARN, "state not loaded: %s", refused);
        return false;
    }
    host->fresh = true;
    return true;
}

RETRO_API void retro_cheat_reset() {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}
RETRO_API unsigned retro_get_region() { return RETRO_REGION_NTSC; }
RETRO_API void* retro_get_memory_data(unsigned) { return nullptr; }
RETRO_API size_t retro_get_memory_size(unsigned) { return 0; }
