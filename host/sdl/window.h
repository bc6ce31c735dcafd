// The window: a borderless 512 x 400 window shaped by the skin (exact
// magenta is see-through), dragged by any visible point outside the LCD
// and the drawn controls, with the LCD picture magnified eight times in it.
// At a scale of N all of it is N times the size, each of its pixels an
// N x N square. Showing the screen alone, the window is a plain rectangle
// of that size with the LCD at the largest whole scale in it; in full
// screen it covers the screen, the handheld or its screen centred on the
// backdrop at the largest whole scale that fits.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "desktop/settings.h"
#include "desktop/view.h"
#include "handheld/handheld.h"
#include "lcd/lcd.h"

namespace murlo::sdl {

struct Window {
    SDL_Window* window = nullptr;  // none until open_window has made it
    // How it is shown: scale (1 to max_scale), full screen, the handheld or
    // its screen alone, the palette, and the mark of a muted game.
    desktop::Settings settings;
    // What the window shows where, at its size.
    desktop::View view = desktop::window_view(desktop::Shown::Handheld, 1);

    // The skin as loaded, made into the handheld's picture at scale 1 (the
    // fill colour under it), and whether it gives the window its outline.
    SDL_Surface* skin = nullptr;
    bool skin_shaped = false;
    // What the window shows outside the LCD, at its size: the backdrop,
    // the handheld's picture with the best depth and the mute mark on its
    // body. Drawn when the window is made or they change; copied to the
    // window on repaints.
    SDL_Surface* background = nullptr;
    // The window's own surface as last fully painted; when SDL hands out a
    // different one, everything is painted again.
    SDL_Surface* painted_surface = nullptr;
    // The folder of the program, where ../share/murlo is looked for.
    char program_dir[4096] = "";
    bool have_program_dir = false;

    LcdFrame presented{};        // the last frame shown; all clear before the first
    LcdFrame on_surface{};       // what the window surface holds of it
    bool lcd_on_screen = false;  // on_surface is on the screen
    bool dimmed = false;         // the game is paused: the LCD at lower contrast
    std::int32_t best = 0;       // the best depth on the body

    bool pointer_hidden = false;
};

// Start SDL's video and show the window as `settings` say (a scale of 0:
// the largest that fits the screen, which settings.scale then holds).
// False without a display or when no window can be had: the reason has
// gone to stderr (and into a box where there is a display), SDL is shut
// down and the program is to end with code 1.
bool open_window(Window& w, const desktop::Settings& settings);
// Show the window as `settings` now say: made again at another scale, in
// or out of full screen, with or without the handheld; repainted in
// another palette or with the mute mark changed. False when no window can
// be had any more (said on stderr): the program is to end.
bool change_window(Window& w, const desktop::Settings& settings);

// The window's id, for its events (0 when there is none).
std::uint32_t window_id(const Window& w);

// Where the skin and sounds are looked for besides the working directory:
// the folder of the program, or null when unknown.
const char* exe_dir(const Window& w);

// Show the frame, dimmed or not: only the LCD rows that differ from the
// last one shown are drawn and sent to the screen, or all of the window
// when the dimming changed.
void show_frame(Window& w, const LcdFrame& frame, bool dimmed = false);
// Paint the whole window again, the last frame in it (when uncovered).
void repaint_window(Window& w);
// The best depth on the handheld's body, right of the printed name, in the
// skin's ink over the skin (or the plain outline), replacing the number
// shown before. The window's shape stays the skin's.
void show_best(Window& w, std::int32_t depth);
// Hide the pointer over the LCD, show it elsewhere.
void set_pointer_hidden(Window& w, bool hidden);
// Let go of the window and its pictures.
void close_window(Window& w);

}  // namespace murlo::sdl
