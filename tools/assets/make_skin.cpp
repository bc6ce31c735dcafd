// Writes the skin (handheld/skin_art.h) as window.bmp for the desktop
// games, magenta outside the rounded outline. (The web page draws the skin
// itself, at the screen's own pixel size.)
//
// usage: make_skin OUTPUT_DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "handheld/handheld.h"
#include "handheld/skin_art.h"

namespace {

using namespace murlo::handheld;
constexpr int width = window_width;
constexpr int height = window_height;

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

bool write_bmp(const std::string& path, const std::vector<std::uint8_t>& rgb) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t image_size = static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> file(54 + image_size, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        file[at] = static_cast<std::uint8_t>(v);
        file[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + image_size);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);  // positive: rows stored bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(34, image_size);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &file[54 + static_cast<std::size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            row[x * 3] = p[2];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[0];
        }
    }
    return write_file(path, file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_skin OUTPUT_DIR\n", stderr);
        return 2;
    }
    const std::vector<std::uint8_t> rgb = draw_skin();
    const std::string path = std::string(argv[1]) + "/window.bmp";
    if (!write_bmp(path, rgb)) {
        std::fprintf(stderr, "make_skin: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
