// The skin on SDL: window.bmp checked and loaded, and the window's picture
// and outline made from it at the window's scale.
#pragma once

#include <SDL.h>

namespace murlo::sdl {

// The skin at `path`, loaded. A file that cannot be the skin (damaged, of
// another size, of a kind no loader here reads, a folder) is named on
// stderr, as `name`, with the reason, and null returned: the window then
// takes the plain outline.
SDL_Surface* load_skin(const char* path, const char* name);

struct WindowPicture {
    // The fill colour with the skin over it from the top-left corner, as far
    // as the skin reaches, at `scale` times the window's size: each skin
    // pixel an exact scale x scale square. Null when memory runs out.
    SDL_Surface* picture;
    // Whether the picture gives the window its outline: it has a pixel that
    // is not exactly the key colour.
    bool shaped;
};

// The window's picture from a loaded skin of any size and pixel format, or
// from none (null). `scale` is 1..handheld::max_scale. The skin is left to
// the caller.
WindowPicture make_window_picture(SDL_Surface* skin, int scale);

// A copy of a 32-bit RGB888 picture `scale` times its size, each pixel an
// exact square. Null when memory runs out.
SDL_Surface* scale_picture(SDL_Surface* picture, int scale);

// The rounded-rectangle outline used without a skin's, colour-keyed, at
// `scale`. Null when memory runs out.
SDL_Surface* make_fallback_shape(int scale);

}  // namespace murlo::sdl
