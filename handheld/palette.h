// The LCD's colours. Every host draws the display in one of two palettes:
// the handheld's own (a blue-grey glass, soft to look at) and a
// high-contrast one for players who see poorly, near black on a pale
// glass. Each palette has a second pair for a paused game, the last frame
// with its light turned down, still readable.
#pragma once

#include <cstdint>
#include <string_view>

namespace murlo::handheld {

struct Rgb {
    std::uint8_t r, g, b;
};

struct Palette {
    Rgb clear, ink;                // a clear and a set display pixel in play
    Rgb paused_clear, paused_ink;  // the same while the game is paused
};

enum class PaletteId : std::uint8_t { Handheld = 0, HighContrast = 1 };
constexpr int palette_count = 2;

constexpr Palette handheld_palette{{170, 182, 198}, {79, 80, 110}, {130, 139, 155}, {96, 99, 126}};
constexpr Palette high_contrast_palette{{226, 232, 214}, {18, 20, 30}, {150, 156, 142}, {46, 48, 62}};

constexpr const Palette& palette(PaletteId id) {
    return id == PaletteId::HighContrast ? high_contrast_palette : handheld_palette;
}

// The names settings, options and the page use: "handheld" and
// "high-contrast".
constexpr std::string_view palette_name(PaletteId id) {
    return id == PaletteId::HighContrast ? "high-contrast" : "handheld";
}

// The palette a name gives; false (and `id` untouched) for any other text.
constexpr bool palette_from_name(std::string_view name, PaletteId& id) {
    for (int i = 0; i < palette_count; ++i) {
        const auto each = static_cast<PaletteId>(i);
        if (name == palette_name(each)) {
            id = each;
            return true;
        }
    }
    return false;
}

// The contrast ratio of two colours as the web's accessibility guidelines
// define it, from 1 (the same) to 21 (black on white): the lighter one's
// relative luminance plus 0.05 over the darker's plus 0.05, sRGB decoded.
double contrast_ratio(Rgb a, Rgb b);

}  // namespace murlo::handheld
