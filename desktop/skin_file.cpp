#include "desktop/skin_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "handheld/handheld.h"

namespace murlo::desktop {

namespace {

std::uint32_t le16(const std::uint8_t* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

[[gnu::format(printf, 3, 4)]] bool refuse(char* why, std::size_t why_size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(why, why_size, format, args);
    va_end(args);
    return false;
}

}  // namespace

bool check_skin_file(const std::uint8_t* head, std::size_t head_size, std::uint64_t file_size,
                     char* why, std::size_t why_size) {
    constexpr std::uint32_t file_header = 14;
    if (head_size > file_size) head_size = static_cast<std::size_t>(file_size);
    if (file_size == 0) return refuse(why, why_size, "the file is empty");
    if (head_size < 2 || head[0] != 'B' || head[1] != 'M')
        return refuse(why, why_size, "not a BMP picture");
    if (head_size < file_header + 4) return refuse(why, why_size, "cut short in its header");
    // BITMAPCOREHEADER (12 bytes) or BITMAPINFOHEADER (40) and its longer kinds.
    const std::uint32_t info_size = le32(head + 14);
    const bool core = info_size == 12;
    if (!core && info_size != 40 && info_size != 52 && info_size != 56 && info_size != 108 &&
        info_size != 124)
        return refuse(why, why_size, "a BMP header of %u bytes, which the game does not read",
                      static_cast<unsigned>(info_size));
    if (head_size < file_header + info_size) return refuse(why, why_size, "cut short in its header");

    const std::uint8_t* info = head + file_header;
    std::int64_t width, height;
    std::uint32_t planes, bits, compression = 0, image_size = 0, colours_used = 0;
    if (core) {
        width = le16(info + 4);
        height = le16(info + 6);
        planes = le16(info + 8);
        bits = le16(info + 10);
    } else {
        width = static_cast<std::int32_t>(le32(info + 4));
        height = static_cast<std::int32_t>(le32(info + 8));  // negative: top row first
        planes = le16(info + 12);
        bits = le16(info + 14);
        compression = le32(info + 16);
        image_size = le32(info + 20);
        colours_used = le32(info + 32);
    }
    if (planes != 1) return refuse(why, why_size, "a damaged header (%u planes)", static_cast<unsigned>(planes));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse(why, why_size, "%u bits a pixel, which the game does not read",
                      static_cast<unsigned>(bits));
    const bool run_length = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    const bool bit_fields = compression == 3 && (bits == 16 || bits == 32);
    if ((compression != 0 && !run_length && !bit_fields) || (run_length && height < 0))
        return refuse(why, why_size, "compressed in a way the game does not read");
    const std::int64_t rows = height < 0 ? -height : height;
    if (width != handheld::window_width || rows != handheld::window_height)
        return refuse(why, why_size, "%lld x %lld pixels, not %d x %d", static_cast<long long>(width),
                      static_cast<long long>(rows), handheld::window_width, handheld::window_height);

    // Between the info header and the pixels: the three colour masks of a
    // bit-field picture with the shortest header, then the colour table,
    // counted the way the loader counts it.
    std::uint64_t table_end;
    if (core) {
        table_end = file_header + info_size + (bits <= 8 ? 3u << bits : 0u);
    } else {
        std::uint64_t colours = colours_used > 256 ? 256 : colours_used;
        if (colours == 0 && bits <= 8) colours = 1u << bits;
        const std::uint64_t header = info_size == 40 && bit_fields ? 40 + 12 : info_size;
        table_end = file_header + header + 4 * colours;
    }
    const std::uint32_t offset = le32(head + 10);
    const std::uint64_t pixels_start = offset != 0 ? offset : table_end;
    std::uint64_t pixel_bytes;
    if (run_length) {
        // The packed pixels end where the header says; without that size a
        // reader could only go on until the end-of-picture code.
        if (image_size == 0) return refuse(why, why_size, "a damaged header (no size for its packed pixels)");
        pixel_bytes = image_size;
    } else {
        pixel_bytes = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4 * static_cast<std::uint64_t>(rows);
    }
    const std::uint64_t needed = std::max(table_end, pixels_start + pixel_bytes);
    if (needed > file_size)
        return refuse(why, why_size, "cut short (%llu bytes of the %llu its header calls for)",
                      static_cast<unsigned long long>(file_size), static_cast<unsigned long long>(needed));
    return true;
}

}  // namespace murlo::desktop
