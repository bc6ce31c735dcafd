// The handheld every skinned host shows: placement, scaling, the LCD hit
// area, waits on the wrapping millisecond clock, the title's pace and the
// controls drawn on the skin and the best depth printed on it; and what the
// desktop games share: their notices and the file of the best depth; and
// the sounds every host plays, level with each other. (The
// controller mapping is checked through the Windows game's XInput reading,
// test_win32_pure, and the SDL game's controllers under Xvfb.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <cmath>

#include "desktop/best.h"
#include "handheld/skin_art.h"
#include "desktop/notices.h"
#include "desktop/settings.h"
#include "desktop/view.h"
#include "handheld/handheld.h"
#include "handheld/palette.h"
#include "sounds/sounds.h"

namespace murlo::handheld {
namespace {

TEST(Handheld, WindowIsCentredWithHalvesTruncatedOnScreensOfAtLeast640By480) {
    const WindowPlace big = window_place(1024, 768);
    EXPECT_TRUE(big.centred);
    EXPECT_EQ(big.x, 256);
    EXPECT_EQ(big.y, 184);
    const WindowPlace odd = window_place(1025, 769);
    EXPECT_EQ(odd.x, 256);
    EXPECT_EQ(odd.y, 184);
    const WindowPlace least = window_place(640, 480);
    EXPECT_TRUE(least.centred);
    EXPECT_EQ(least.x, 64);
    EXPECT_EQ(least.y, 40);
    EXPECT_EQ(window_place(800, 600).x, 144);
    EXPECT_EQ(window_place(800, 600).y, 100);
    // One pixel short in either direction is enough to give up centring.
    EXPECT_FALSE(window_place(639, 480).centred);
    EXPECT_FALSE(window_place(640, 479).centred);
    EXPECT_FALSE(window_place(639, 768).centred);
    EXPECT_FALSE(window_place(1024, 479).centred);
    EXPECT_FALSE(window_place(0, 0).centred);
    // A window at scale 2 wants a screen twice as big to be centred on.
    const WindowPlace twice = window_place(2560, 1600, 2);
    EXPECT_TRUE(twice.centred);
    EXPECT_EQ(twice.x, 768);
    EXPECT_EQ(twice.y, 400);
    EXPECT_TRUE(window_place(1280, 960, 2).centred);
    EXPECT_FALSE(window_place(1279, 960, 2).centred);
}

TEST(Handheld, ScaledWindowsFitTwoThirdsOfTheUsableScreen) {
    const Geometry g = geometry(3);
    EXPECT_EQ(g.window_width, 1536);
    EXPECT_EQ(g.window_height, 1200);
    EXPECT_EQ(g.lcd_left, 384);
    EXPECT_EQ(g.lcd_top, 192);
    EXPECT_EQ(g.lcd_pixel, 24);
    EXPECT_EQ(g.lcd_span, 768);
    EXPECT_EQ(auto_scale(1024, 768), 1);
    EXPECT_EQ(auto_scale(1920, 1080 - 32), 1);  // 2 would need 1200 of 1048 rows' two thirds
    EXPECT_EQ(auto_scale(1920, 1200), 2);
    EXPECT_EQ(auto_scale(2560, 1600), 2);
    EXPECT_EQ(auto_scale(3840, 2160 - 48), 3);
    EXPECT_EQ(auto_scale(7680, 4320), 4);  // never more than 4
    EXPECT_EQ(auto_scale(1536, 1200), 2);  // exactly two thirds fits
    EXPECT_EQ(auto_scale(1535, 1200), 1);
    EXPECT_EQ(auto_scale(300, 200), 1);    // never less than 1
}

TEST(Handheld, LcdHitAreaIncludesOneExtraColumnAndRow) {
    EXPECT_TRUE(in_lcd_hit_area(128, 64));
    EXPECT_TRUE(in_lcd_hit_area(384, 320));  // one past the picture, still inside
    EXPECT_TRUE(in_lcd_hit_area(200, 200));
    EXPECT_TRUE(in_lcd_hit_area(256, 200));
    EXPECT_FALSE(in_lcd_hit_area(385, 200));
    EXPECT_FALSE(in_lcd_hit_area(127, 200));
    EXPECT_FALSE(in_lcd_hit_area(200, 63));
    EXPECT_FALSE(in_lcd_hit_area(200, 321));
    EXPECT_FALSE(in_lcd_hit_area(-200, -100));
    // At scale 3 the area is the scaled squares of those points.
    EXPECT_TRUE(in_lcd_hit_area(384, 192, 3));
    EXPECT_FALSE(in_lcd_hit_area(383, 400, 3));
    EXPECT_FALSE(in_lcd_hit_area(400, 191, 3));
    EXPECT_TRUE(in_lcd_hit_area(1154, 962, 3));  // the square of (384, 320)
    EXPECT_FALSE(in_lcd_hit_area(1155, 600, 3));
    EXPECT_FALSE(in_lcd_hit_area(600, 963, 3));
    EXPECT_FALSE(in_lcd_hit_area(-1, 600, 3));
}

TEST(Handheld, TouchesOnTheDrawnPadAndButtonHoldTheirKeys) {
    for (const Layout& l : {landscape, portrait, sideways, stretched(portrait, 200), stretched(sideways, 90)}) {
        const int x = l.pad_x, y = l.pad_y;
        // Each arm of the cross, out to the dish's rim, and never the centre.
        EXPECT_EQ(skin_keys_at(l, x + l.pad_reach, y), input::Right);
        EXPECT_EQ(skin_keys_at(l, x - l.pad_reach, y + 10), input::Left);
        EXPECT_EQ(skin_keys_at(l, x, y + l.pad_dish), input::Down);
        EXPECT_EQ(skin_keys_at(l, x - 5, y - l.pad_reach), input::Up);
        EXPECT_EQ(skin_keys_at(l, x, y), 0);
        EXPECT_EQ(skin_keys_at(l, x + l.pad_dish, y + 1), 0);  // just outside the dish
        // Sliding from the right arm to the bottom one turns Right into Down.
        EXPECT_EQ(skin_keys_at(l, x + 20, y + 19), input::Right);
        EXPECT_EQ(skin_keys_at(l, x + 19, y + 20), input::Down);
        EXPECT_EQ(skin_keys_at(l, l.button_x, l.button_y), input::Z);
        EXPECT_EQ(skin_keys_at(l, l.button_x - l.button_dish, l.button_y), input::Z);
        EXPECT_EQ(skin_keys_at(l, l.button_x - l.button_dish - 1, l.button_y), 0);
        // The screen and the rest of the body hold nothing.
        EXPECT_EQ(skin_keys_at(l, l.lcd_left + 100, l.lcd_top + 100), 0);
        EXPECT_EQ(skin_keys_at(l, l.width / 2, l.height - 10), 0);
    }
    // The window's controls are the landscape layout's.
    EXPECT_EQ(skin_keys_at(skin::pad_x + skin::pad_reach, skin::pad_y), input::Right);
    EXPECT_EQ(skin_keys_at(skin::button_x, skin::button_y), input::Z);
    // Held upright, the pad spans 40% of the skin's width and the button 20%.
    EXPECT_GE(2 * portrait.pad_reach * 10, 4 * portrait.width);
    EXPECT_GE(2 * portrait.button_key * 10, 2 * portrait.width);
}

// Each layout's skin, drawn at any size, shows its LCD, pad and button
// where the touches find them, and is see-through outside the body; held
// sideways at its own size it is the window's skin.
TEST(Handheld, EachLayoutsSkinShowsItsControlsWhereTheTouchesAre) {
    for (const Layout& l : {landscape, portrait, sideways, stretched(portrait, 200), stretched(sideways, 90)}) {
        for (const double k : {1.0, 2.5}) {
            const int columns = static_cast<int>(std::lround(l.width * k));
            const int rows = static_cast<int>(std::lround(l.height * k));
            std::vector<std::uint8_t> rgba(static_cast<std::size_t>(columns) * rows * 4);
            draw_skin_rows(l, k, columns, 0, rows / 2, rgba.data());
            draw_skin_rows(l, k, columns, rows / 2, rows - rows / 2, rgba.data() + (rows / 2) * columns * 4);
            const auto at = [&](double x, double y) {
                return &rgba[(static_cast<std::size_t>(y * k) * columns + static_cast<std::size_t>(x * k)) * 4];
            };
            const std::uint8_t* glass = at(l.lcd_left + l.lcd_span / 2, l.lcd_top + l.lcd_span / 2);
            EXPECT_EQ(std::vector<int>(glass, glass + 4), (std::vector<int>{lcd_clear.r, lcd_clear.g, lcd_clear.b, 255}));
            const std::uint8_t* button = at(l.button_x, l.button_y);
            EXPECT_TRUE(button[0] > 150 && button[1] < 100 && button[3] == 255) << k;
            const std::uint8_t* arm = at(l.pad_x + l.pad_reach - 6, l.pad_y + 2);
            EXPECT_TRUE(arm[0] < 100 && arm[3] == 255) << k;
            const std::uint8_t* dish = at(l.pad_x - 3, l.pad_y - l.pad_dish + 4);
            EXPECT_GT(dish[0], 120);
            EXPECT_EQ(at(0, 0)[3], 0);
            EXPECT_EQ(at(l.width - 1, l.height / 2)[3], 0);
            EXPECT_EQ(at(l.width / 2, l.height - 10)[3], 255);
        }
    }
    const std::vector<std::uint8_t> window = draw_skin();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(window_width) * window_height * 4);
    draw_skin_rows(landscape, 1, window_width, 0, window_height, rgba.data());
    int differ = 0;
    for (std::size_t i = 0; i < rgba.size() / 4; ++i)
        if (rgba[i * 4 + 3] == 255)
            for (int c = 0; c < 3; ++c) differ += rgba[i * 4 + c] != window[i * 3 + c];
    EXPECT_EQ(differ, 0);
}

TEST(Handheld, TheBestDepthIsPrintedInTheDisplaysShapes) {
    const auto picture = [](std::int32_t depth) {
        std::uint64_t rows[best::rows];
        best_label(depth, rows);
        std::string text;
        for (const std::uint64_t row : rows) {
            for (int c = 0; c < best::columns; ++c) text += (row >> c) & 1u ? '#' : '.';
            text += '\n';
        }
        return text;
    };
    EXPECT_EQ(picture(412),
              "##..###.###.###.....#.#..#..###....\n"
              "#.#.#...#....#......#.#..#....#....\n"
              "##..##..###..#......###..#..###....\n"
              "#.#.#.....#..#........#..#..#......\n"
              "##..###.###..#........#..#..###....\n");
    EXPECT_EQ(picture(1000).substr(20, 15), ".#..###.###.###");  // the widest fills the label
    EXPECT_EQ(picture(0), picture(-5));
    // The label lies on the body, right of the printed name, clear of the controls.
    EXPECT_GT(best::x + best::cell * best::columns, window_width / 2 + 60);
    EXPECT_LT(best::x + best::cell * best::columns, window_width - 40);
    EXPECT_GT(best::y, lcd_top + lcd_span + 20);
    EXPECT_LT(best::y + best::cell * best::rows, window_height - 20);
}

// Every host draws the LCD from these two palettes (the page gets them from
// the same code when it starts), so their ratios are what players see.
TEST(HandheldPalette, HighContrastIsReadablePlayingAndPausedAndNamesRoundTrip) {
    const auto ratio = [](Rgb a, Rgb b) { return contrast_ratio(a, b); };
    EXPECT_NEAR(ratio(handheld_palette.clear, handheld_palette.ink), 3.78, 0.01);
    EXPECT_NEAR(ratio(handheld_palette.paused_clear, handheld_palette.paused_ink), 1.71, 0.01);
    EXPECT_GE(ratio(high_contrast_palette.clear, high_contrast_palette.ink), 7.0);
    EXPECT_GE(ratio(high_contrast_palette.paused_clear, high_contrast_palette.paused_ink), 3.0);
    EXPECT_NEAR(ratio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(ratio({9, 9, 9}, {9, 9, 9}), 1.0);

    for (int i = 0; i < palette_count; ++i) {
        const auto id = static_cast<PaletteId>(i);
        PaletteId back = id == PaletteId::Handheld ? PaletteId::HighContrast : PaletteId::Handheld;
        EXPECT_TRUE(palette_from_name(palette_name(id), back));
        EXPECT_EQ(back, id);
    }
    PaletteId kept = PaletteId::HighContrast;
    EXPECT_FALSE(palette_from_name("High-Contrast", kept));
    EXPECT_FALSE(palette_from_name("", kept));
    EXPECT_EQ(kept, PaletteId::HighContrast);
}

// Every host plays the synthesiser's samples as they are (the WAV files, the
// page, the libretro core), so these are the levels heard: the nine sounds'
// loudness (RMS over each sound, as sox's "RMS lev dB") within 3 dB of each
// other, no peak above -3 dBFS, and none left near silence.
TEST(HandheldSounds, AllNineAreAsLoudAsEachOtherWithHeadroom) {
    const auto db = [](double level) { return 20 * std::log10(level); };
    double quietest = 0, loudest = -1000;
    for (int i = 0; i < sound_count; ++i) {
        const std::vector<double> samples = sounds::synthesise(static_cast<Sound>(i));
        ASSERT_GT(samples.size(), 1000u) << sound_names[i];
        double peak = 0, squares = 0;
        for (double v : samples) {
            peak = std::max(peak, std::fabs(v));
            squares += v * v;
        }
        const double rms = db(std::sqrt(squares / static_cast<double>(samples.size())));
        EXPECT_LE(db(peak), -3.0) << sound_names[i];
        EXPECT_GE(rms, -18.0) << sound_names[i];
        quietest = std::min(quietest, rms);
        loudest = std::max(loudest, rms);
    }
    EXPECT_LE(loudest - quietest, 3.0) << "from " << quietest << " to " << loudest << " dB";
}

}  // namespace
}  // namespace murlo::handheld

namespace murlo::desktop {
namespace {

TEST(DesktopNotices, EachNameIsNamedOnceAndTheTableNeverOverflows) {
    Notices notices;
    const auto first_time = [&notices](const char* name) { return desktop::first_time(notices, name); };
    EXPECT_TRUE(first_time("notice-test-dig.wav"));
    EXPECT_TRUE(first_time("notice-test-break.wav"));
    EXPECT_FALSE(first_time("notice-test-dig.wav"));
    EXPECT_FALSE(first_time("notice-test-break.wav"));
    // Once full it stays quiet, about new names and old ones alike.
    int newly = 0;
    for (int i = 0; i < 40; ++i) newly += first_time(("notice-test-" + std::to_string(i)).c_str());
    EXPECT_EQ(newly, 30);  // 32 places, 2 taken above
    EXPECT_FALSE(first_time("notice-test-another"));
    EXPECT_FALSE(first_time("notice-test-dig.wav"));

    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    say(out, "%s not played: %s", "dig.wav", "the file is empty");
    std::rewind(out);
    char line[128] = "";
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    EXPECT_STREQ(line, "murlo: dig.wav not played: the file is empty\n");
    std::fclose(out);
}

TEST(DesktopBest, KeptAsTheLargerDepthAndNeverLeftBroken) {
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("murlo-best-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::filesystem::path file = dir / "state" / "best";
    const auto contents = [&] {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    bool said = false;
    const auto write_best = [&said](const std::filesystem::path& path, std::int32_t depth) {
        return desktop::write_best(path, depth, said);
    };
    EXPECT_EQ(read_best(file), 0);  // none yet: folders made on the first write
    EXPECT_EQ(write_best(file, 412), 412);
    EXPECT_EQ(contents(), "412\n");
    EXPECT_EQ(write_best(file, 300), 412);  // a shallower game keeps the file's
    EXPECT_EQ(read_best(file), 412);
    EXPECT_EQ(write_best(file, 1000), 1000);
    for (const char* damaged : {"", "abc", "1001\n", "12x", "7\n\n", "-3", "99999999999"}) {
        std::ofstream(file, std::ios::binary) << damaged;
        EXPECT_EQ(read_best(file), 0) << damaged;
        EXPECT_EQ(write_best(file, 5), 5) << damaged;  // replaced whole
        EXPECT_EQ(contents(), "5\n");
    }
    // No temporary file stays behind, and a place that cannot hold the file
    // leaves the old one as it was.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "state"),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(said);
    EXPECT_EQ(write_best(file / "below-a-file", 9), -1);
    EXPECT_TRUE(said);  // named once, and not again
    EXPECT_EQ(contents(), "5\n");
    std::filesystem::remove_all(dir);
}

TEST(DesktopSettings, WrittenAndReadBackChangedByKeysAndRefusedWhole) {
    Settings s{.scale = 3, .full_screen = true, .shown = Shown::ScreenOnly, .mute = true,
               .palette = handheld::PaletteId::HighContrast};
    Settings read;
    std::string why;
    ASSERT_TRUE(parse_settings(settings_text(s), read, why)) << why;
    EXPECT_EQ(read, s);
    ASSERT_TRUE(parse_settings("\n# mine\n  palette=high-contrast \r\nscale = auto\n", read, why)) << why;
    EXPECT_EQ(read, (Settings{.scale = 0, .palette = handheld::PaletteId::HighContrast}));
    // Anything wrong refuses the whole file, saying where, settings untouched.
    for (const auto& [text, said] : {std::pair{"mute = yes\nscale = 5\n", "line 2: scale cannot be '5'"},
                                     {"volume = 3", "line 1: unknown key 'volume'"},
                                     {"mute yes", "line 1: no '='"},
                                     {"show = both", "line 1: show cannot be 'both'"}}) {
        EXPECT_FALSE(parse_settings(text, read, why)) << text;
        EXPECT_EQ(why, said);
        EXPECT_EQ(read.scale, 0);
    }
    // Keys change what is in use and what is kept alike; Escape leaving
    // full screen only what is in use; the scale stays in 1..4.
    Settings now{.scale = 4, .full_screen = true}, kept = now;
    EXPECT_TRUE(change_settings(Change::leave_full_screen, now, kept));
    EXPECT_FALSE(now.full_screen);
    EXPECT_TRUE(kept.full_screen);
    EXPECT_FALSE(change_settings(Change::bigger, now, kept));
    EXPECT_TRUE(change_settings(Change::smaller, now, kept));
    EXPECT_TRUE(change_settings(Change::palette, now, kept));
    EXPECT_EQ(kept, (Settings{.scale = 3, .full_screen = true, .palette = handheld::PaletteId::HighContrast}));
    // Options win for the run, each only where given.
    SettingOptions options;
    const char* argv[] = {"murlo", "--mute", "--palette", "handheld", "--show", "screen-only", "--scale", "9"};
    std::string problem;
    for (int i = 1; i < 6; ++i) ASSERT_TRUE(parse_setting_option(8, argv, i, options, problem) && problem.empty());
    EXPECT_EQ(with_options(kept, options), (Settings{.scale = 3, .full_screen = true, .shown = Shown::ScreenOnly,
                                                     .mute = true}));
    int at = 6;
    EXPECT_TRUE(parse_setting_option(8, argv, at, options, problem));
    EXPECT_EQ(problem, "--scale takes 1 to 4 or auto, not 9");
}

TEST(DesktopView, FullScreenCentresTheHandheldOrItsScreenAtWholeScales) {
    // 1920 x 1080: the handheld at 2 (1024 x 800), its screen alone at 33.
    const View hand = full_screen_view(Shown::Handheld, 1920, 1080);
    EXPECT_EQ(hand, (View{1920, 1080, true, 2, 448, 140, 448 + 256, 140 + 128, 16}));
    EXPECT_EQ(full_screen_view(Shown::ScreenOnly, 1920, 1080), (View{1920, 1080, false, 1, 0, 0, 432, 12, 33}));
    // A window showing its screen alone: 12 times at scale 1.
    EXPECT_EQ(window_view(Shown::ScreenOnly, 1), (View{512, 400, false, 1, 0, 0, 64, 8, 12}));
    // The LCD and the drawn controls where the scaled skin puts them.
    EXPECT_TRUE(on_lcd(hand, 704, 268));
    EXPECT_TRUE(on_lcd(hand, 704 + 512 + 1, 268 + 512 + 1));
    EXPECT_FALSE(on_lcd(hand, 703, 300));
    EXPECT_EQ(view_keys_at(hand, 448 + 2 * 94, 140 + 2 * 192), input::Right);
    EXPECT_EQ(view_keys_at(hand, 448 + 2 * 448, 140 + 2 * 192), input::Z);
    EXPECT_EQ(view_keys_at(hand, 447, 140 + 2 * 192), 0);
    EXPECT_EQ(view_keys_at(full_screen_view(Shown::ScreenOnly, 1920, 1080), 100, 300), 0);
}

}  // namespace
}  // namespace murlo::desktop
