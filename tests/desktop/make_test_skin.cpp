// Writes skins for the window shape tests.
//   make_test_skin holes OUT.bmp  - magenta all round a 312 x 300 block at
//                                  (100, 50), with magenta holes in it (one in
//                                  the LCD area) and a near-magenta patch
//   make_test_skin magenta OUT.bmp - all magenta: no opaque pixel at all
//   make_test_skin block BITS WIDTH HEIGHT OUT.bmp
//                                - magenta all round a block the colour of
//                                  the fill at (100, 50), 312 x 300 (as far as
//                                  the picture reaches), stored uncompressed
//                                  at 1, 4, 8, 16, 24 or 32 bits a pixel
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: make_test_skin holes|magenta OUT.bmp\n"
               "       make_test_skin block BITS WIDTH HEIGHT OUT.bmp\n",
               stderr);
    return 2;
}

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A BMP written by hand, since SDL only saves 24 and 32 bits. Colour 0 is
// magenta and colour 1 the block's; 16 bits are 5-5-5, where 31 reads as 255.
int write_block(int bits, int width, int height, const char* path) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return usage();
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    std::vector<std::uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    put(head, static_cast<std::uint32_t>(offset + stride * height), 4);
    put(head, 0, 4);
    put(head, offset, 4);
    put(head, 40, 4);
    put(head, width, 4);
    put(head, height, 4);  // rows stored bottom-up
    put(head, 1, 2);
    put(head, bits, 2);
    put(head, 0, 4);  // uncompressed
    put(head, static_cast<std::uint32_t>(stride * height), 4);
    put(head, 2835, 4);
    put(head, 2835, 4);
    put(head, 0, 4);
    put(head, 0, 4);
    const std::uint8_t magenta[3] = {255, 0, 255}, block[3] = {117, 135, 176};  // red, green, blue
    for (int i = 0; i < colours; ++i) {
        const std::uint8_t* c = i == 1 ? block : magenta;
        head.insert(head.end(), {c[2], c[1], c[0], 0});
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 1;
    std::fwrite(head.data(), 1, head.size(), file);
    std::vector<std::uint8_t> row(stride);
    for (int y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= 100 && x < 412 && y >= 50 && y < 350;
            const std::uint8_t* c = inside ? block : magenta;
            switch (bits) {
                case 1: case 4: case 8:
                    if (inside) row[x * bits / 8] |= static_cast<std::uint8_t>(1u << (8 - bits - x * bits % 8));
                    break;
                case 16: {
                    const unsigned v = (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3;
                    row[2 * x] = static_cast<std::uint8_t>(v);
                    row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                }
                default:
                    for (int k = 0; k < 3; ++k) row[bits / 8 * x + k] = c[2 - k];
            }
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "block") == 0)
        return write_block(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
    if (argc != 3 || (std::strcmp(argv[1], "holes") != 0 && std::strcmp(argv[1], "magenta") != 0))
        return usage();
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
