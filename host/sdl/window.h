// The window: a borderless 512 x 400 window shaped by the skin (exact
// magenta is see-through), dragged by any visible point outside the LCD,
// with the LCD picture magnified eight times in it. At a scale of N
// (--scale) all of it is N times the size, each of its pixels an N x N
// square.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "handheld/handheld.h"
#include "lcd/lcd.h"

namespace murlo::sdl {

struct Window {
    SDL_Window* window = nullptr;  // none until open_window has made it
    int scale = 1;                 // 1 to max_scale
    // The window's sizes and the LCD's place in it, at its scale.
    handheld::Geometry scaled = handheld::geometry(1);

    // Fill colour with the skin over it, at the window's size: what the
    // window shows outside the LCD area. Drawn once; copied to the window
    // on repaints.
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

    // The best depth's label on the body, drawn into the window's picture;
    // what the picture held there before, to draw a new number on.
    SDL_Rect label_area{};
    SDL_Surface* under_label = nullptr;

    bool pointer_hidden = false;
};

// Start SDL's video and show the window at `scale`, 1 to
// handheld::max_scale, or 0 for the largest that fits the screen. False
// without a display or when no window can be had: the reason has gone to
// stderr (and into a box where there is a display), SDL is shut down and
// the program is to end with code 1.
bool open_window(Window& w, int scale);

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
