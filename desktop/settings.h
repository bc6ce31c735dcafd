// The player's settings, kept between runs by both desktop games in a small
// text file of `key = value` lines: the window's scale, full screen, what
// is shown (the handheld, or its screen alone), mute and the LCD's
// palette. The keys of the game change them and each change is written at
// once; options on the command line change them for one run only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "handheld/palette.h"

namespace murlo::desktop {

enum class Shown : std::uint8_t { Handheld, ScreenOnly };

struct Settings {
    int scale = 1;  // 1..handheld::max_scale, 0: the largest that fits (auto)
    bool full_screen = false;
    Shown shown = Shown::Handheld;
    bool mute = false;
    handheld::PaletteId palette = handheld::PaletteId::Handheld;
    bool operator==(const Settings&) const = default;
};

// Settings given on the command line: each one set wins over the file.
struct SettingOptions {
    Settings values;
    bool scale = false, full_screen = false, shown = false, mute = false, palette = false;
};

// The file's text for `settings`: a comment line, then one line a key.
std::string settings_text(const Settings& settings);

// Reads the file's text: blank lines and lines starting with '#' aside,
// every line is `key = value` with a known key and a value it takes, spaces
// around either allowed; a key missing keeps its default. False with the
// reason (the line's number and what is wrong), `settings` then untouched.
bool parse_settings(std::string_view text, Settings& settings, std::string& why);

// The settings in the file at `path`: the defaults when there is none. A
// file that is there but cannot be read or used is named in one line on
// stderr and gives the defaults; the next change replaces it.
Settings read_settings(const std::filesystem::path& path);

// Writes the whole file at once (files/files.h). A failure is said in one
// line on stderr, once a run (`said`, kept by the caller).
bool write_settings(const std::filesystem::path& path, const Settings& settings, bool& said);

// One command-line option that is a setting, with its value taken from
// argv[i + 1] when it needs one (i is then moved on). Returns false when
// `arg` is no such option; `problem` is set when it is one but its value
// is missing or wrong.
bool parse_setting_option(int argc, const char* const* argv, int& i, SettingOptions& options,
                          std::string& problem);

// The settings for this run: the file's, with the options given over them.
Settings with_options(Settings settings, const SettingOptions& options);

// What the player's keys change: full screen (switched, or left by Escape,
// which the file does not keep: the next start is in full screen again),
// the screen alone or the handheld, mute, the palette, the window's scale
// (a step up or down, 1 to max_scale; not in full screen).
enum class Change : std::uint8_t { full_screen, leave_full_screen, shown, mute, palette, bigger, smaller };
// The change made to the settings in use (`now`) and to those kept
// (`kept`, which only it changes of them); false when it changes nothing.
bool change_settings(Change change, Settings& now, Settings& kept);

// The usage and help text of those options, shared by both games.
extern const char setting_usage[];
extern const char setting_help[];

}  // namespace murlo::desktop
