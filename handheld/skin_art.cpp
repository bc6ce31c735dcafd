// The skin: a handheld console seen from the front, drawn by signed
// distances from the handheld's own numbers (handheld.h), in either layout.
// A bezel frames the LCD, the direction pad and the Z button sit where the
// layout puts them, and the name with them. Held sideways (the 512 x 400
// window) the LCD shows through at (128, 64) - (383, 319), the pad to its
// left, the button to its right and the name below.
#include "handheld/skin_art.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "handheld/handheld.h"
#include "handheld/shapes.h"

namespace murlo::handheld {

namespace {

using namespace art;

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

// The body's outline: a rounded slab.
double body_distance(const Layout& l, double px, double py) {
    return box(px, py, 4, 6, l.width - 4, l.height - 6, l.corner);
}

// The colour at point (px, py) of the skin, in the layout's pixels, with
// `k` picture pixels to one of them: edges are smoothed over a picture
// pixel. Outside the body it is as if the body went on.
Colour shade_point(const Layout& l, double px, double py, double k) {
    const auto cover = [k](double distance) { return art::cover(distance * k); };

    // Plastic body, lit from the top left: lighter towards the top, a bright
    // rim above and left, a shadowed rim below and right, a dark edge line.
    const double d = body_distance(l, px, py);
    Colour c = mix({218, 222, 232}, {178, 184, 200}, py / l.height);
    if (d > -10) {
        const double e = 0.5;
        const double nx = body_distance(l, px + e, py) - body_distance(l, px - e, py);
        const double ny = body_distance(l, px, py + e) - body_distance(l, px, py - e);
        const double light = -(nx * 0.6 + ny * 0.8);  // facing up-left is positive
        c = lighten(c, light * 0.35 * (1 + d / 10));
    }
    c = mix(c, {72, 76, 96}, cover(-d - 1.5));

    // A faint groove around the face of the console.
    const double groove = box(px, py, 18, 20, l.width - 18, l.height - 16, l.corner - 12);
    c = mix(c, lighten(c, -0.12), cover(std::fabs(groove) - 0.8));
    c = mix(c, lighten(c, 0.25), cover(std::fabs(groove - 1.5) - 0.6));

    // The bezel around the LCD, with a lighter lip on its outer edge.
    const double lcd_right = l.lcd_left + l.lcd_span, lcd_bottom = l.lcd_top + l.lcd_span;
    const double bezel_top = l.lcd_top - l.bezel_y;
    const double bezel = box(px, py, l.lcd_left - l.bezel_x, bezel_top, lcd_right + l.bezel_x,
                             lcd_bottom + l.bezel_y, 20);
    c = mix(c, lighten({60, 64, 86}, -0.25 * (py - bezel_top) / (l.lcd_span + 2 * l.bezel_y)),
            cover(bezel));
    c = mix(c, {120, 126, 150}, cover(std::fabs(bezel + 1.0) - 0.5) * 0.8);
    // A narrow darker frame right around the glass.
    c = mix(c, {34, 36, 50}, cover(box(px, py, l.lcd_left - 5, l.lcd_top - 5, lcd_right + 5, lcd_bottom + 5, 4)));
    // The glass itself (hidden under the LCD image when the game runs).
    c = mix(c, {lcd_clear.r, lcd_clear.g, lcd_clear.b},
            cover(box(px, py, l.lcd_left, l.lcd_top, lcd_right, lcd_bottom, 0)));

    // Power lamp on the bezel.
    const double lamp = circle(px, py, l.lamp_x, l.lamp_y, 3.6);
    c = mix(c, {150, 40, 50}, cover(lamp - 3) * 0.35);
    c = mix(c, {232, 56, 64}, cover(lamp));
    c = mix(c, {255, 190, 190}, cover(circle(px, py, l.lamp_x - 1, l.lamp_y - 1, 1.1)));

    // Direction pad: a shallow dish with a cross in it (nothing of it shows
    // beyond the dish's rim).
    const double pcx = l.pad_x, pcy = l.pad_y;
    if (std::fabs(px - pcx) < l.pad_dish + 2 && std::fabs(py - pcy) < l.pad_dish + 2) {
        const double dish = circle(px, py, pcx, pcy, l.pad_dish);
        c = mix(c, lighten(c, -0.10 + 0.16 * (py - pcy) / l.pad_dish), cover(dish));
        c = mix(c, lighten(c, -0.25), cover(std::fabs(dish) - 0.7));
        const double arm = l.pad_arm, reach = l.pad_reach;
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
        c = mix(c, lighten(pad, -0.25), cover(circle(px, py, pcx, pcy, arm / 2)) * 0.8);
        // Raised arrow marks at the four ends.
        const double size = arm / 3.5;
        for (int k = 0; k < 4; ++k) {
            const double mark = l.pad_mark;
            const double ax = pcx + (k == 0 ? mark : k == 1 ? -mark : 0);
            const double ay = pcy + (k == 2 ? mark : k == 3 ? -mark : 0);
            const double dx = px - ax, dy = py - ay;
            // Distance along the arm and across it, pointing outwards.
            const double along = k == 0 ? dx : k == 1 ? -dx : k == 2 ? dy : -dy;
            const double across = k < 2 ? std::fabs(dy) : std::fabs(dx);
            if (along > -size && along < size && across < (size - along) * 0.9)
                c = mix(c, {96, 100, 122}, 0.9);
        }
    }

    // Z button: a round red key in its own dish.
    const double bcx = l.button_x, bcy = l.button_y;
    if (std::fabs(px - bcx) < l.button_dish + 2 && std::fabs(py - bcy) < l.button_dish + 2) {
        const double bdish = circle(px, py, bcx, bcy, l.button_dish);
        c = mix(c, lighten(c, -0.10 + 0.16 * (py - bcy) / l.button_dish), cover(bdish));
        c = mix(c, lighten(c, -0.25), cover(std::fabs(bdish) - 0.7));
        const double key_r = l.button_key, f = key_r / 26;
        c = mix(c, lighten(c, -0.4), cover(circle(px - 2, py - 4, bcx, bcy, key_r)) * 0.6);
        const double key = circle(px, py, bcx, bcy, key_r);
        Colour red = mix({206, 64, 98}, {132, 22, 56}, (py - (bcy - key_r)) / (2 * key_r));
        c = mix(c, red, cover(key));
        c = mix(c, {240, 150, 170}, cover(circle(px, py, bcx - 8 * f, bcy - 9 * f, 7 * f)) * 0.45);
        c = mix(c, {90, 14, 38}, cover(std::fabs(key) - 0.6));
    }

    // Labels: the button's Z, the name.
    const Colour ink{skin_ink.r, skin_ink.g, skin_ink.b};
    if (text_pixel("Z", l.label_x - text_width("Z", 3) / 2, l.label_y, 3, px, py)) c = ink;
    const int scale = l.name_scale;
    const double name_x = l.name_x - text_width("Murlo", scale) / 2;
    if (text_pixel("Murlo", name_x + scale / 2, l.name_y + scale / 2, scale, px, py)) c = lighten(c, 0.45);
    if (text_pixel("Murlo", name_x, l.name_y, scale, px, py)) c = ink;

    // Speaker slots.
    for (int k = 0; l.speaker_x > 0 && k < 5; ++k) {
        const double sx = l.speaker_x + k * 11, sy = l.speaker_y - k * 4;
        const double slot = box(px, py, sx - 2.5, sy - 18, sx + 2.5, sy + 18, 2.5);
        c = mix(c, {86, 90, 110}, cover(slot));
    }
    return c;
}

std::uint8_t byte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

std::vector<std::uint8_t> draw_skin() {
    const Layout& l = landscape;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(l.width) * l.height * 3);
    for (int y = 0; y < l.height; ++y) {
        for (int x = 0; x < l.width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * l.width + x) * 3];
            if (body_distance(l, px, py) > 0) {  // outside: see-through
                p[0] = key_colour.r;
                p[1] = key_colour.g;
                p[2] = key_colour.b;
                continue;
            }
            const Colour c = shade_point(l, px, py, 1);
            p[0] = byte(c.r);
            p[1] = byte(c.g);
            p[2] = byte(c.b);
            if (p[0] == key_colour.r && p[1] == key_colour.g && p[2] == key_colour.b) p[2] = 254;
        }
    }
    return rgb;
}

void draw_skin_rows(const Layout& layout, double k, int columns, int first, int count,
                    std::uint8_t* out, double shift_x, double shift_y) {
    for (int y = first; y < first + count; ++y) {
        for (int x = 0; x < columns; ++x, out += 4) {
            const double px = (x + 0.5 - shift_x) / k, py = (y + 0.5 - shift_y) / k;
            const double inside = art::cover(body_distance(layout, px, py) * k);
            if (inside <= 0) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const Colour c = shade_point(layout, px, py, k);
            out[0] = byte(c.r);
            out[1] = byte(c.g);
            out[2] = byte(c.b);
            out[3] = byte(inside * 255);
        }
    }
}

}  // namespace murlo::handheld
