// Draws the program icons: the picture of assets/murlo.svg (a little
// handheld with the digger on its screen), on the same 64 x 64 grid, with
// smooth edges in the alpha channel. The name written under the screen is
// left out: at icon sizes it would be a smudge.
//   make_icon OUTPUT.ico   the Windows game's icon, at 16, 24, 32, 48, 64
//                          and 256 pixels
//   make_icon --web DIR    the web page's: DIR/icon-192.png and
//                          icon-512.png, and icon-maskable-192.png and
//                          icon-maskable-512.png, the picture small enough
//                          for any mask on the page's backdrop colour
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <png.h>

#include "handheld/handheld.h"
#include "handheld/shapes.h"

namespace {

using namespace murlo::art;

struct Pixel {
    Colour c{0, 0, 0};  // premultiplied by a
    double a = 0;
    // Paint `colour` over what is there, covering `amount` of the pixel.
    void over(Colour colour, double amount) {
        c = {colour.r * amount + c.r * (1 - amount), colour.g * amount + c.g * (1 - amount),
             colour.b * amount + c.b * (1 - amount)};
        a = amount + a * (1 - amount);
    }
};

Colour hex(std::uint32_t rgb) {
    return {static_cast<double>(rgb >> 16), static_cast<double>((rgb >> 8) & 0xFF),
            static_cast<double>(rgb & 0xFF)};
}

// The picture at point (u, v) of its 64-unit grid, `k` pixels to a unit.
Pixel shade(double u, double v, double k) {
    const auto fill = [k](double distance) { return cover(distance * k); };
    const auto line = [k](double distance, double width) { return cover((std::fabs(distance) - width / 2) * k); };
    Pixel p;
    // The body, lighter at the top, with a dark edge line.
    const double body = box(u, v, 2, 8, 62, 56, 9);
    p.over(mix(hex(0xdadee8), hex(0xb2b8c8), (v - 8) / 48), fill(body));
    p.over(hex(0x484c60), line(body, 1.5));
    // The bezel and the screen.
    p.over(hex(0x3c4056), fill(box(u, v, 16, 12, 48, 44, 3)));
    p.over(hex(0xaab6c6), fill(box(u, v, 20, 16, 44, 40, 0)));
    // Blocks and the digger, in the screen's ink.
    const double ink[][4] = {{20, 34, 6, 6}, {26, 34, 6, 6}, {38, 34, 6, 6},
                             {38, 28, 6, 6}, {33, 26, 3, 3}, {32, 29, 5, 4}};
    for (const auto& r : ink) p.over(hex(0x4f506e), fill(box(u, v, r[0], r[1], r[0] + r[2], r[1] + r[3], 0)));
    // The direction pad and the button.
    p.over(hex(0x2e3040), fill(std::min(box(u, v, 6, 30, 18, 34, 0), box(u, v, 10, 26, 14, 38, 0))));
    const double button = circle(u, v, 55, 32, 4.5);
    p.over(hex(0xb82a52), fill(button));
    p.over(hex(0x5a0e26), line(button, 1));
    return p;
}

// Pixel (x, y) of the icon at `size` pixels.
Pixel shade_pixel(int x, int y, int size) {
    const double k = size / 64.0;
    return shade((x + 0.5) / k, (y + 0.5) / k, k);
}

// The same, for an icon the system may cut to any shape: the picture at
// `maskable_scale` of the size, well inside the circle every mask keeps
// (40% of the size from the centre), on the page's backdrop colour.
constexpr double maskable_scale = 0.64;
Pixel shade_maskable(int x, int y, int size) {
    const double k = size / 64.0 * maskable_scale;
    const double u = 32 + ((x + 0.5) - size / 2.0) / k, v = 32 + ((y + 0.5) - size / 2.0) / k;
    const Pixel picture = shade(u, v, k);
    const murlo::handheld::Rgb back = murlo::handheld::backdrop_colour;
    Pixel p;
    p.over({static_cast<double>(back.r), static_cast<double>(back.g), static_cast<double>(back.b)}, 1);
    p.c = {picture.c.r + p.c.r * (1 - picture.a), picture.c.g + p.c.g * (1 - picture.a),
           picture.c.b + p.c.b * (1 - picture.a)};
    return p;
}

std::uint8_t byte(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

// The icon at `size` pixels as a PNG file: RGBA, or RGB when maskable.
bool write_png(const std::string& path, int size, bool maskable) {
    const int channels = maskable ? 3 : 4;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const Pixel p = maskable ? shade_maskable(x, y, size) : shade_pixel(x, y, size);
            const double a = p.a > 0 ? p.a : 1;
            pixels.push_back(byte(p.c.r / a));
            pixels.push_back(byte(p.c.g / a));
            pixels.push_back(byte(p.c.b / a));
            if (!maskable) pixels.push_back(byte(p.a * 255));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: a 32-bit bitmap, rows bottom-up, followed by its
// one-bit mask (set where the picture is see-through).
std::vector<std::uint8_t> image(int size) {
    std::vector<std::uint8_t> out;
    const std::uint32_t mask_stride = static_cast<std::uint32_t>((size + 31) / 32 * 4);
    const std::uint32_t pixels = static_cast<std::uint32_t>(size * size * 4);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(2 * size));  // the picture and its mask
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, pixels + mask_stride * static_cast<std::uint32_t>(size));
    for (int i = 0; i < 4; ++i) put32(out, 0);
    std::vector<std::uint8_t> mask;
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> mask_row(mask_stride, 0);
        for (int x = 0; x < size; ++x) {
            const Pixel p = shade_pixel(x, y, size);
            const auto byte = [](double value) {
                return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            };
            const double a = p.a > 0 ? p.a : 1;
            out.push_back(byte(p.c.b / a));
            out.push_back(byte(p.c.g / a));
            out.push_back(byte(p.c.r / a));
            out.push_back(byte(p.a * 255));
            if (byte(p.a * 255) == 0) mask_row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        mask.insert(mask.end(), mask_row.begin(), mask_row.end());
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--web") == 0) {
        for (const int size : {192, 512})
            for (const bool maskable : {false, true}) {
                const std::string path = std::string(argv[2]) + (maskable ? "/icon-maskable-" : "/icon-") +
                                         std::to_string(size) + ".png";
                if (!write_png(path, size, maskable)) {
                    std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
                    return 1;
                }
            }
        return 0;
    }
    if (argc != 2) {
        std::fputs("usage: make_icon OUTPUT.ico | make_icon --web DIR\n", stderr);
        return 2;
    }
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    const int count = static_cast<int>(std::size(sizes));
    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, 1);  // an icon
    put16(file, static_cast<unsigned>(count));
    std::vector<std::uint8_t> images;
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(count);
    for (const int size : sizes) {
        const std::vector<std::uint8_t> one = image(size);
        file.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
        file.push_back(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        file.push_back(0);  // no palette
        file.push_back(0);
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<std::uint32_t>(one.size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(one.size());
        images.insert(images.end(), one.begin(), one.end());
    }
    file.insert(file.end(), images.begin(), images.end());
    std::FILE* out = std::fopen(argv[1], "wb");
    const bool ok = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out == nullptr || std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
