#include "desktop/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/files.h"
#include "desktop/notices.h"
#include "handheld/handheld.h"

namespace murlo::desktop {

using files::open_file;
using files::write_whole_file;

namespace {

constexpr std::string_view spaces = " \t\r";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(spaces);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(spaces) - first + 1);
}

bool yes_no(std::string_view text, bool& value) {
    if (text == "yes") value = true;
    else if (text == "no") value = false;
    else return false;
    return true;
}

bool scale_from(std::string_view text, int& scale) {
    if (text == "auto") {
        scale = 0;
        return true;
    }
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '0' + handheld::max_scale) {
        scale = text[0] - '0';
        return true;
    }
    return false;
}

bool shown_from(std::string_view text, Shown& shown) {
    if (text == "handheld") shown = Shown::Handheld;
    else if (text == "screen-only") shown = Shown::ScreenOnly;
    else return false;
    return true;
}

// One key set from its text; false when the value is not one it takes.
// The key is known (checked by the caller).
bool set_key(std::string_view key, std::string_view value, Settings& s) {
    if (key == "scale") return scale_from(value, s.scale);
    if (key == "full-screen") return yes_no(value, s.full_screen);
    if (key == "show") return shown_from(value, s.shown);
    if (key == "mute") return yes_no(value, s.mute);
    return handheld::palette_from_name(value, s.palette);
}

constexpr const char* keys[] = {"scale", "full-screen", "show", "mute", "palette"};

bool known_key(std::string_view key) {
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

bool read_text(const std::filesystem::path& path, std::string& text, bool& there) {
    std::FILE* file = open_file(path, false);
    there = file != nullptr || errno != ENOENT;
    if (file == nullptr) return false;
    char buffer[4096];
    std::size_t n;
    // A settings file is a few lines; one far larger is not one.
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= 65536) text.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

}  // namespace

std::string settings_text(const Settings& s) {
    std::string text = "# Murlo's settings, written by the game as they change.\n";
    text += "scale = " + (s.scale == 0 ? std::string("auto") : std::to_string(s.scale)) + "\n";
    text += std::string("full-screen = ") + (s.full_screen ? "yes" : "no") + "\n";
    text += std::string("show = ") + (s.shown == Shown::ScreenOnly ? "screen-only" : "handheld") + "\n";
    text += std::string("mute = ") + (s.mute ? "yes" : "no") + "\n";
    text += "palette = " + std::string(handheld::palette_name(s.palette)) + "\n";
    return text;
}

bool parse_settings(std::string_view text, Settings& settings, std::string& why) {
    if (text.size() > 65536) {
        why = "it is far too long";
        return false;
    }
    Settings read;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::string at = "line " + std::to_string(number) + ": ";
        if (line.find('\0') != std::string_view::npos) {
            why = at + "a zero byte";
            return false;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            why = at + "no '='";
            return false;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (!known_key(key)) {
            why = at + "unknown key '" + std::string(key.substr(0, 40)) + "'";
            return false;
        }
        if (!set_key(key, value, read)) {
            why = at + std::string(key) + " cannot be '" + std::string(value.substr(0, 40)) + "'";
            return false;
        }
    }
    settings = read;
    return true;
}

Settings read_settings(const std::filesystem::path& path) {
    Settings settings;
    if (path.empty()) return settings;
    std::string text, why;
    bool there = false;
    if (!read_text(path, text, there)) {
        if (there) say(stderr, "%s not used: it cannot be read (%s)", path.string().c_str(), std::strerror(errno));
        return settings;
    }
    if (!parse_settings(text, settings, why)) say(stderr, "%s not used: %s", path.string().c_str(), why.c_str());
    return settings;
}

bool write_settings(const std::filesystem::path& path, const Settings& settings, bool& said) {
    if (path.empty()) return false;
    std::string why;
    if (write_whole_file(path, settings_text(settings), why)) return true;
    if (!said) say(stderr, "cannot write %s: %s", path.string().c_str(), why.c_str());
    said = true;
    return false;
}

bool change_settings(Change change, Settings& now, Settings& kept) {
    switch (change) {
    case Change::full_screen:
        kept.full_screen = now.full_screen = !now.full_screen;
        return true;
    case Change::leave_full_screen:
        if (!now.full_screen) return false;
        now.full_screen = false;
        return true;
    case Change::shown:
        kept.shown = now.shown = now.shown == Shown::Handheld ? Shown::ScreenOnly : Shown::Handheld;
        return true;
    case Change::mute:
        kept.mute = now.mute = !now.mute;
        return true;
    case Change::palette:
        kept.palette = now.palette = now.palette == handheld::PaletteId::Handheld ? handheld::PaletteId::HighContrast
                                                                                  : handheld::PaletteId::Handheld;
        return true;
    case Change::bigger:
    case Change::smaller: {
        if (now.full_screen) return false;  // the window's size, not the screen's
        const int scale = std::clamp(now.scale + (change == Change::bigger ? 1 : -1), 1, handheld::max_scale);
        if (scale == now.scale) return false;
        kept.scale = now.scale = scale;
        return true;
    }
    }
    return false;
}

const char setting_usage[] =
    "[--scale N|auto] [--fullscreen|--windowed] [--show handheld|screen-only]\n"
    "             [--mute|--unmute] [--palette handheld|high-contrast]";

const char setting_help[] =
    "  --scale N       a window N times the size, N from 1 to 4 (default 1);\n"
    "                  auto: the largest that fits in two thirds of the screen\n"
    "  --fullscreen, --windowed\n"
    "                  start in full screen, or in a window\n"
    "  --show handheld|screen-only\n"
    "                  the whole handheld, or its screen alone\n"
    "  --mute, --unmute\n"
    "                  start without sound, or with it\n"
    "  --palette handheld|high-contrast\n"
    "                  the screen's colours: the handheld's own, or near black\n"
    "                  on a pale screen\n";

bool parse_setting_option(int argc, const char* const* argv, int& i, SettingOptions& options,
                          std::string& problem) {
    const std::string_view arg = argv[i];
    Settings& v = options.values;
    if (arg == "--fullscreen" || arg == "--windowed") {
        v.full_screen = arg == "--fullscreen";
        options.full_screen = true;
        return true;
    }
    if (arg == "--mute" || arg == "--unmute") {
        v.mute = arg == "--mute";
        options.mute = true;
        return true;
    }
    if (arg != "--scale" && arg != "--show" && arg != "--palette") return false;
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        problem = "missing value for " + std::string(arg);
        return true;
    }
    const std::string_view value = argv[++i];
    bool ok = false;
    if (arg == "--scale") {
        ok = options.scale = scale_from(value, v.scale);
        if (!ok)
            problem = "--scale takes 1 to " + std::to_string(handheld::max_scale) + " or auto, not " +
                      std::string(value);
    } else if (arg == "--show") {
        ok = options.shown = shown_from(value, v.shown);
        if (!ok) problem = "--show takes handheld or screen-only, not " + std::string(value);
    } else {
        ok = options.palette = handheld::palette_from_name(value, v.palette);
        if (!ok) problem = "--palette takes handheld or high-contrast, not " + std::string(value);
    }
    return true;
}

Settings with_options(Settings s, const SettingOptions& o) {
    if (o.scale) s.scale = o.values.scale;
    if (o.full_screen) s.full_screen = o.values.full_screen;
    if (o.shown) s.shown = o.values.shown;
    if (o.mute) s.mute = o.values.mute;
    if (o.palette) s.palette = o.values.palette;
    return s;
}

}  // namespace murlo::desktop
