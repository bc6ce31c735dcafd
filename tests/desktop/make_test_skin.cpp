// Writes skins for the window shape tests.
//   make_test_skin holes OUT.bmp  - magenta all round a 312 x 300 block at
//                                  (100, 50), with magenta holes in it (one in
//                                  the LCD area) and a near-magenta patch
//   make_test_skin magenta OUT.bmp - all magenta: no opaque pixel at all
#include <SDL.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "holes") != 0 && std::strcmp(argv[1], "magenta") != 0)) {
        std::fputs("usage: make_test_skin holes|magenta OUT.bmp\n", stderr);
        return 2;
    }
    SDL_Surface* skin = SDL_CreateRGBSurfaceWithFormat(0, 512, 400, 24, SDL_PIXELFORMAT_BGR24);
    if (skin == nullptr) return 1;
    const Uint32 magenta = SDL_MapRGB(skin->format, 255, 0, 255);
    SDL_FillRect(skin, nullptr, magenta);
    if (std::strcmp(argv[1], "holes") == 0) {
        const SDL_Rect block{100, 50, 312, 300};
        SDL_FillRect(skin, &block, SDL_MapRGB(skin->format, 30, 90, 40));
        const SDL_Rect hole{105, 100, 10, 10};            // in the skin, left of the LCD
        const SDL_Rect lcd_hole{200, 150, 16, 16};        // inside the LCD area
        const SDL_Rect near1{300, 330, 10, 10};           // RGB(255, 0, 254): opaque
        const SDL_Rect near2{320, 330, 10, 10};           // RGB(254, 0, 255): opaque
        SDL_FillRect(skin, &hole, magenta);
        SDL_FillRect(skin, &lcd_hole, magenta);
        SDL_FillRect(skin, &near1, SDL_MapRGB(skin->format, 255, 0, 254));
        SDL_FillRect(skin, &near2, SDL_MapRGB(skin->format, 254, 0, 255));
    }
    const int result = SDL_SaveBMP(skin, argv[2]);
    SDL_FreeSurface(skin);
    return result == 0 ? 0 : 1;
}
