// The handheld every skinned host shows (the SDL and Windows games, the web
// page, and any other that draws the skin): its look and its controls. The
// window's size and caption, where the LCD picture sits in it and which
// points count as the LCD, the colours, where the window goes on the
// screen, the corner of the outline used without a skin, the controls drawn
// on the skin and how a controller's pad becomes keys. Plain computation
// without any platform header, so the native tests check the very code
// the hosts run. (Its pace, the waits and the title's, is the runner's.)
#pragma once

#include <cstdint>
#include <string_view>

#include "game/calls.h"
#include "handheld/palette.h"
#include "lcd/lcd.h"

namespace murlo::handheld {

// The window, which is all picture: no frame, no caption bar.
constexpr int window_width = 512;
constexpr int window_height = 400;
constexpr const char* window_caption = "Murlo Win";

// The LCD image: each display pixel an 8 x 8 square, top-left at (128, 64),
// so it covers columns 128..383 and rows 64..319.
constexpr int lcd_left = 128;
constexpr int lcd_top = 64;
constexpr int lcd_scale = 8;
constexpr int lcd_span = lcd_size * lcd_scale;  // 256

constexpr Rgb fill_colour{117, 135, 176};  // under the skin, everywhere without one
constexpr Rgb key_colour{255, 0, 255};     // skin pixels of exactly this are see-through
// The handheld's own LCD colours (handheld/palette.h has both palettes).
constexpr Rgb lcd_clear = handheld_palette.clear;  // a clear display pixel
constexpr Rgb lcd_ink = handheld_palette.ink;      // a set (dark) display pixel
constexpr Rgb backdrop_colour{35, 37, 47};  // around the handheld, where a host draws it
// The LCD of a paused game: the last frame at lower contrast, as if its
// light were turned down.
constexpr Rgb lcd_paused_clear = handheld_palette.paused_clear;
constexpr Rgb lcd_paused_ink = handheld_palette.paused_ink;

// The smallest screen the window is centred on.
constexpr int centring_min_width = 640;
constexpr int centring_min_height = 480;

// Corner size of the rounded-rectangle outline used when the skin gives
// none: quarters of a 64 x 64 ellipse.
constexpr int fallback_corner = 64;

// A bigger window (the SDL game's --scale): the whole window at N times the
// size, each window pixel above an exact N x N square, the skin, its shape,
// the LCD squares and the hit area alike.
constexpr int max_scale = 4;

struct Geometry {
    int window_width, window_height;
    int lcd_left, lcd_top;  // the LCD picture's top-left corner
    int lcd_pixel;          // the side of one display pixel's square
    int lcd_span;           // the side of the LCD picture
};

constexpr Geometry geometry(int scale) {
    return {window_width * scale, window_height * scale, lcd_left * scale, lcd_top * scale,
            lcd_scale * scale,    lcd_span * scale};
}

// The largest scale whose window fits in two thirds of the usable screen
// (the screen less task bars and panels), at least 1.
int auto_scale(int usable_width, int usable_height);

struct WindowPlace {
    bool centred;  // false: the window system's default place
    int x, y;      // offset from the screen's top-left corner; 0, 0 when not centred
};

// Centred (halves truncated) on a screen of at least 640 x 480, both
// scaled by `scale` along with the window.
WindowPlace window_place(int screen_width, int screen_height, int scale = 1);

// The LCD hit area, in window coordinates: 128 <= x <= 384, 64 <= y <= 320,
// both bounds included. One pixel wider and taller than the picture; there
// the pointer is hidden and the window cannot be dragged. In a window at
// `scale`, the points that lie in the hit area's scaled squares.
bool in_lcd_hit_area(int x, int y, int scale = 1);

// Game controllers. Both desktop games read a controller as its direction
// pad, its left stick and its two lower face buttons (south and east, A and
// B on most pads); each host fills this from its platform's controller API.
struct PadState {
    bool up, down, left, right;  // the direction pad
    bool south, east;            // the face buttons that give Z
    int stick_x, stick_y;        // the left stick, -32768..32767, positive right and down
};

// A stick pushed at least this far along an axis holds that arrow; a stick
// pushed half way along both holds both.
constexpr int stick_threshold = 16384;

// The keys a controller holds: the pad and the stick give the arrows, the
// south and east buttons give Z.
InputBits pad_keys(const PadState& pad);

// The controls drawn on the skin, in window coordinates: the direction pad
// left of the screen and the Z button right of it. The skin generator draws
// them from these numbers, and hosts that take touches or clicks on the
// skin as key presses find them with skin_keys_at.
namespace skin {
constexpr int pad_x = 64, pad_y = 192;  // centre of the cross
constexpr int pad_dish = 50;            // radius of the dish around it
constexpr int pad_arm = 14;             // half the width of an arm
constexpr int pad_reach = 40;           // centre to the end of an arm
constexpr int pad_mark = 29;            // centre to each arm's arrow mark
constexpr int button_x = 448, button_y = 192;
constexpr int button_key = 26;   // radius of the key itself
constexpr int button_dish = 34;  // radius of its dish
constexpr int pad_dead = 6;      // no direction this near the pad's centre
}  // namespace skin

// The skin's ink: the printed name, the Z under its button, the best depth.
constexpr Rgb skin_ink{52, 60, 116};

// The best depth on the handheld's body, right of the printed name:
// "BEST" and the number (no leading zeros) in the LCD's 3 x 5 shapes (the
// digits are the display's own), a shape pixel to a best_cell square of
// skin_ink. Cell (c, r) of the label lies at (best_x + best_cell * c,
// best_y + best_cell * r) in window coordinates.
namespace best {
constexpr int x = 334, y = 357;
constexpr int cell = 3;
constexpr int rows = 5;
constexpr int columns = 35;  // "BEST 1000", the widest: nine shapes of 3, gaps of 1
}  // namespace best

// The label's shape pixels for `depth` (0..1000): bit c of rows[r] is cell
// (c, r). Columns past the number stay clear.
void best_label(std::int32_t depth, std::uint64_t (&rows)[best::rows]);

// A race against a ghost, on the body left of the printed name, in the
// same shapes and ink: "GHOST +12", "GHOST DIED" (runner/ghost.h).
namespace ghost_label {
constexpr int x = 70, y = best::y;
constexpr int columns = 39;  // "GHOST STOP": ten shapes of 3, gaps of 1
}  // namespace ghost_label

// Any such words as shape pixels, four columns a character: the digits,
// the letters of "BEST", "GHOST", "DIED", "WON", "STOP", a space, + and -
// (any other character is a space). Columns past the words stay clear.
void text_label(std::string_view text, std::uint64_t (&rows)[best::rows]);

// The ways to hold the handheld, each a skin of its own with the screen and
// the controls in their places, in the skin's own pixels (a host scales the
// whole). Landscape is the window above, which the desktop games show and
// the page on wide screens. Portrait is a phone held upright: the screen
// on top, as wide as the body allows, and below it a pad and a button
// large enough for thumbs. The skin is drawn from these numbers
// (skin_art.h), and touches are read by them (skin_keys_at).
struct Layout {
    int width, height;  // the skin
    int corner;         // radius of the body's corners
    int lcd_left, lcd_top, lcd_span;
    int bezel_x, bezel_y;  // the bezel's margin around the LCD: sides, top and bottom
    int lamp_x, lamp_y;    // the power lamp on the bezel
    int pad_x, pad_y, pad_dish, pad_arm, pad_reach, pad_mark, pad_dead;  // as in skin::
    int button_x, button_y, button_key, button_dish;
    int label_x, label_y;            // the button's "Z": centre, top
    int name_x, name_y, name_scale;  // "Murlo": centre, top, font pixel size
    int speaker_x, speaker_y;        // the first of five speaker slots; 0: none
};

constexpr Layout landscape{
    .width = window_width, .height = window_height, .corner = 60,
    .lcd_left = lcd_left, .lcd_top = lcd_top, .lcd_span = lcd_span, .bezel_x = 22, .bezel_y = 20,
    .lamp_x = 115, .lamp_y = 110,
    .pad_x = skin::pad_x, .pad_y = skin::pad_y, .pad_dish = skin::pad_dish, .pad_arm = skin::pad_arm,
    .pad_reach = skin::pad_reach, .pad_mark = skin::pad_mark, .pad_dead = skin::pad_dead,
    .button_x = skin::button_x, .button_y = skin::button_y, .button_key = skin::button_key,
    .button_dish = skin::button_dish, .label_x = skin::button_x, .label_y = 238,
    .name_x = 256, .name_y = 349, .name_scale = 4, .speaker_x = 430, .speaker_y = 300};

// 360 wide: the LCD 288 (nine pixels a display pixel), the pad's cross 148
// across and the button 76, so on a phone as wide as the skin the pad
// spans 41% of the screen's width and the button 21%.
constexpr Layout portrait{
    .width = 360, .height = 548, .corner = 44,
    .lcd_left = 36, .lcd_top = 40, .lcd_span = 288, .bezel_x = 14, .bezel_y = 16,
    .lamp_x = 46, .lamp_y = 30,
    .pad_x = 108, .pad_y = 442, .pad_dish = 84, .pad_arm = 24, .pad_reach = 74, .pad_mark = 52,
    .pad_dead = 10,
    .button_x = 286, .button_y = 428, .button_key = 38, .button_dish = 48, .label_x = 216,
    .label_y = 418, .name_x = 286, .name_y = 494, .name_scale = 3, .speaker_x = 0, .speaker_y = 0};

// A phone held sideways: the screen in the middle as tall as the body
// allows, the pad at the left edge and the button at the right, under the
// thumbs. At 10 / 9 of a CSS pixel to one of the skin's (an 844 x 390
// phone), each arm of the cross is 64 x 63 CSS pixels beyond the centre
// square and the button 84 across.
constexpr Layout sideways{
    .width = 760, .height = 348, .corner = 44,
    .lcd_left = 236, .lcd_top = 30, .lcd_span = 288, .bezel_x = 14, .bezel_y = 14,
    .lamp_x = 246, .lamp_y = 23,
    .pad_x = 118, .pad_y = 180, .pad_dish = 98, .pad_arm = 29, .pad_reach = 86, .pad_mark = 62,
    .pad_dead = 10,
    .button_x = 642, .button_y = 180, .button_key = 40, .button_dish = 52, .label_x = 642,
    .label_y = 240, .name_x = 642, .name_y = 284, .name_scale = 3, .speaker_x = 0, .speaker_y = 0};

// A layout made `extra` of its pixels longer along the way it is held, to
// fill a screen of another shape: upright, the body between the screen and
// the controls grows, so the controls stay at the bottom; sideways, the pad
// stays at the left edge, the button moves with the right one and the
// screen stays in the middle. The landscape window keeps its shape.
constexpr Layout stretched(const Layout& l, int extra) {
    Layout s = l;
    if (extra <= 0 || l.width == landscape.width) return s;
    if (l.height > l.width) {
        s.height += extra;
        s.pad_y += extra;
        s.button_y += extra;
        s.label_y += extra;
        s.name_y += extra;
    } else {
        s.width += extra;
        s.lcd_left += extra / 2;
        s.lamp_x += extra / 2;
        s.button_x += extra;
        s.label_x += extra;
        s.name_x += extra;
    }
    return s;
}

// The key that a touch or click at point (x, y) of a layout's skin holds:
// anywhere in the pad's dish gives the arrow whose arm lies nearest (by the
// larger of the two distances from the centre, Left/Right on a tie), none
// in the centre; anywhere in the button's dish gives Z; elsewhere none.
InputBits skin_keys_at(const Layout& layout, int x, int y);
// The same in the landscape window.
InputBits skin_keys_at(int x, int y);

}  // namespace murlo::handheld
