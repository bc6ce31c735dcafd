// The skin: a 512 x 400 handheld console seen from the front, drawn by
// signed distances from the handheld's own numbers (handheld.h). The LCD
// shows through at (128, 64) - (383, 319); a bezel frames it, the direction
// pad sits to its left, the Z button to its right and the name below.
#include "host/handheld/skin_art.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "host/handheld/handheld.h"
#include "host/handheld/shapes.h"

namespace murlo::handheld {

namespace {

using namespace art;
constexpr int width = window_width;
constexpr int height = window_height;

// A 5 x 7 pixel font, just the letters the skin needs.
struct Glyph {
    char letter;
    const char* rows[7];
};

const Glyph font[] = {
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
};

// True when point (px, py) falls on a lit font pixel of `text`, drawn with
// its top-left corner at (x, y), `scale` window pixels per font pixel and
// one empty font column between letters. Lower-right neighbours of lit
// pixels count as `shadow`.
bool text_pixel(const std::string& text, double x, double y, int scale, double px, double py) {
    const int col = static_cast<int>(std::floor((px - x) / scale));
    const int row = static_cast<int>(std::floor((py - y) / scale));
    if (row < 0 || row >= 7 || col < 0) return false;
    const std::size_t index = static_cast<std::size_t>(col / 6);
    const int within = col % 6;
    if (index >= text.size() || within == 5) return false;
    for (const Glyph& glyph : font)
        if (glyph.letter == text[index]) return glyph.rows[row][within] == '#';
    return false;
}

double text_width(const std::string& text, int scale) {
    return static_cast<double>(text.size() * 6 - 1) * scale;
}

// The body's outline: a wide rounded slab.
double body_distance(double px, double py) { return box(px, py, 4, 6, 508, 394, 60); }

Colour shade_pixel(int x, int y) {
    const double px = x + 0.5, py = y + 0.5;

    // Plastic body, lit from the top left: lighter towards the top, a bright
    // rim above and left, a shadowed rim below and right, a dark edge line.
    const double d = body_distance(px, py);
    Colour c = mix({218, 222, 232}, {178, 184, 200}, py / height);
    if (d > -10) {
        const double e = 0.5;
        const double nx = body_distance(px + e, py) - body_distance(px - e, py);
        const double ny = body_distance(px, py + e) - body_distance(px, py - e);
        const double light = -(nx * 0.6 + ny * 0.8);  // facing up-left is positive
        c = lighten(c, light * 0.35 * (1 + d / 10));
    }
    c = mix(c, {72, 76, 96}, cover(-d - 1.5));

    // A faint groove around the face of the console.
    const double groove = box(px, py, 18, 20, 494, 384, 48);
    c = mix(c, lighten(c, -0.12), cover(std::fabs(groove) - 0.8));
    c = mix(c, lighten(c, 0.25), cover(std::fabs(groove - 1.5) - 0.6));

    // The bezel around the LCD, with a lighter lip on its outer edge.
    const double bezel = box(px, py, 106, 44, 406, 340, 20);
    c = mix(c, lighten({60, 64, 86}, -0.25 * (py - 44) / 296), cover(bezel));
    c = mix(c, {120, 126, 150}, cover(std::fabs(bezel + 1.0) - 0.5) * 0.8);
    // A narrow darker frame right around the glass.
    c = mix(c, {34, 36, 50}, cover(box(px, py, 123, 59, 389, 325, 4)));
    // The glass itself (hidden under the LCD image when the game runs).
    c = mix(c, {lcd_clear.r, lcd_clear.g, lcd_clear.b},
            cover(box(px, py, lcd_left, lcd_top, lcd_left + lcd_span, lcd_top + lcd_span, 0)));

    // Power lamp on the bezel, left of the glass.
    const double lamp = circle(px, py, 115, 110, 3.6);
    c = mix(c, {150, 40, 50}, cover(lamp - 3) * 0.35);
    c = mix(c, {232, 56, 64}, cover(lamp));
    c = mix(c, {255, 190, 190}, cover(circle(px, py, 114, 109, 1.1)));

    // Direction pad: a shallow dish with a cross in it.
    const double pcx = skin::pad_x, pcy = skin::pad_y;
    const double dish = circle(px, py, pcx, pcy, skin::pad_dish);
    c = mix(c, lighten(c, -0.10 + 0.16 * (py - pcy) / skin::pad_dish), cover(dish));
    c = mix(c, lighten(c, -0.25), cover(std::fabs(dish) - 0.7));
    const double arm = skin::pad_arm, reach = skin::pad_reach;
    const double cross = std::min(box(px, py, pcx - reach, pcy - arm, pcx + reach, pcy + arm, 5),
                                  box(px, py, pcx - arm, pcy - reach, pcx + arm, pcy + reach, 5));
    // Its drop shadow, then the cross with a raised look.
    const double shadow = std::min(
        box(px - 3, py - 4, pcx - reach, pcy - arm, pcx + reach, pcy + arm, 5),
        box(px - 3, py - 4, pcx - arm, pcy - reach, pcx + arm, pcy + reach, 5));
    c = mix(c, lighten(c, -0.35), cover(shadow - 1) * 0.7);
    Colour pad = mix({70, 72, 88}, {40, 42, 54}, (py - (pcy - reach)) / (2 * reach));
    c = mix(c, pad, cover(cross));
    c = mix(c, {112, 116, 138}, cover(std::fabs(cross + 1.2) - 0.5) * (py < pcy ? 0.9 : 0.3));
    c = mix(c, lighten(pad, -0.25), cover(circle(px, py, pcx, pcy, 7)) * 0.8);
    // Raised arrow marks at the four ends.
    for (int k = 0; k < 4; ++k) {
        const double mark = skin::pad_mark;
        const double ax = pcx + (k == 0 ? mark : k == 1 ? -mark : 0);
        const double ay = pcy + (k == 2 ? mark : k == 3 ? -mark : 0);
        const double dx = px - ax, dy = py - ay;
        // Distance along the arm and across it, pointing outwards.
        const double along = k == 0 ? dx : k == 1 ? -dx : k == 2 ? dy : -dy;
        const double across = k < 2 ? std::fabs(dy) : std::fabs(dx);
        if (along > -4 && along < 4 && across < (4 - along) * 0.9)
            c = mix(c, {96, 100, 122}, 0.9);
    }

    // Z button: a round red key in its own dish.
    const double bcx = skin::button_x, bcy = skin::button_y;
    const double bdish = circle(px, py, bcx, bcy, skin::button_dish);
    c = mix(c, lighten(c, -0.10 + 0.16 * (py - bcy) / skin::button_dish), cover(bdish));
    c = mix(c, lighten(c, -0.25), cover(std::fabs(bdish) - 0.7));
    const double key_r = skin::button_key;
    c = mix(c, lighten(c, -0.4), cover(circle(px - 2, py - 4, bcx, bcy, key_r)) * 0.6);
    const double key = circle(px, py, bcx, bcy, key_r);
    Colour red = mix({206, 64, 98}, {132, 22, 56}, (py - (bcy - key_r)) / (2 * key_r));
    c = mix(c, red, cover(key));
    c = mix(c, {240, 150, 170}, cover(circle(px, py, bcx - 8, bcy - 9, 7)) * 0.45);
    c = mix(c, {90, 14, 38}, cover(std::fabs(key) - 0.6));

    // Labels: Z under its button, the name under the screen.
    const Colour ink{skin_ink.r, skin_ink.g, skin_ink.b};
    if (text_pixel("Z", bcx - text_width("Z", 3) / 2, 238, 3, px, py)) c = ink;
    const double name_x = 256 - text_width("Murlo", 4) / 2;
    if (text_pixel("Murlo", name_x + 2, 349 + 2, 4, px, py)) c = lighten(c, 0.45);
    if (text_pixel("Murlo", name_x, 349, 4, px, py)) c = ink;

    // Speaker slots, low on the right.
    for (int k = 0; k < 5; ++k) {
        const double sx = 430 + k * 11, sy = 300 - k * 4;
        const double slot = box(px, py, sx - 2.5, sy - 18, sx + 2.5, sy + 18, 2.5);
        c = mix(c, {86, 90, 110}, cover(slot));
    }

    if (d > 0) return {key_colour.r, key_colour.g, key_colour.b};  // outside: see-through
    return c;
}

}  // namespace

std::vector<std::uint8_t> draw_skin() {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = shade_pixel(x, y);
            auto byte = [](double v) {
                return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            };
            std::uint8_t r = byte(c.r), g = byte(c.g), b = byte(c.b);
            const bool outside = c.r == 255 && c.g == 0 && c.b == 255;
            if (!outside && r == 255 && g == 0 && b == 255) b = 254;
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    return rgb;
}

}  // namespace murlo::handheld
