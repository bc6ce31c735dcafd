// The window: a borderless 512 x 400 window shaped by the skin (exact
// magenta is see-through), dragged by any visible point outside the LCD,
// with the LCD picture magnified eight times in it. At a scale of N
// (--scale) all of it is N times the size, each of its pixels an N x N
// square.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo::sdl {

// Start SDL's video and show the window at `scale`, 1 to
// handheld::max_scale, or 0 for the largest that fits the screen. Without
// a display, or when no window can be had, the reason goes to stderr (and
// into a box where there is a display) and the program ends with code 1.
void open_window(int scale);
// The scale the window was made at; 1 before it is made.
int window_scale();

// Where the skin and sounds are looked for besides the working directory:
// the folder of the program, or null when unknown.
const char* exe_dir();

// Show the frame: only the LCD rows that differ from the last one shown
// are drawn and sent to the screen.
void show_frame(const LcdFrame& frame);
// Paint the whole window again, the last frame in it (when uncovered).
void repaint_window();
// The LCD at lower contrast while the game is paused, the last frame in it
// (drawn by the host alone: the game never sees it), or as it was again.
void set_lcd_dimmed(bool dimmed);
// The best depth on the handheld's body, right of the printed name, in the
// skin's ink over the skin (or the plain outline), replacing the number
// shown before. The window's shape stays the skin's.
void show_best(std::int32_t depth);
// Hide the pointer over the LCD, show it elsewhere.
void set_pointer_hidden(bool hidden);
// Let go of the window and its pictures.
void close_window();

}  // namespace murlo::sdl
