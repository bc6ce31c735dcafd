#include "host/replay/capture.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef O_BINARY
#define O_BINARY 0  // only Windows tells text files from binary ones
#endif

namespace murlo::replay {

namespace {

void fail(Capture& capture, std::string message) {
    if (capture.failed) return;
    capture.failed = true;
    capture.error = std::move(message);
}

// The frame at 8x as palette indices, row after row.
void expand_frame(Capture& capture, const LcdFrame& frame) {
    capture.pixels.resize(static_cast<std::size_t>(capture_size) * capture_size);
    std::uint8_t* out = capture.pixels.data();
    for (int y = 0; y < 32; ++y) {
        std::uint8_t* line = out;
        for (int x = 0; x < 32; ++x) {
            const std::uint8_t index = (frame.row[y] >> x) & 1u;
            std::memset(line + x * capture_scale, index, capture_scale);
        }
        out += capture_size;
        for (int copy = 1; copy < capture_scale; ++copy, out += capture_size)
            std::memcpy(out, line, capture_size);
    }
}

void write_png(Capture& capture) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png",
                  static_cast<unsigned long long>(capture.png_frames));
    const std::string path = capture.png_dir + name;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = capture_size;
    image.height = capture_size;
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = 2;  // two entries: written as a one-bit palette image
    const handheld::Palette& colours = handheld::palette(capture.palette);
    const std::uint8_t colormap[6] = {colours.clear.r, colours.clear.g, colours.clear.b,
                                      colours.ink.r,   colours.ink.g,   colours.ink.b};
    if (!png_image_write_to_file(&image, path.c_str(), 0, capture.pixels.data(), capture_size,
                                 colormap)) {
        fail(capture, "cannot write " + path + ": " + image.message);
        png_image_free(&image);
        return;
    }
    ++capture.png_frames;
}

std::string gif_error_text(int code) {
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "unknown GIF error";
}

// Close the GIF after a failure, keeping the first error.
void abandon_gif(Capture& capture, const std::string& what) {
    fail(capture, "cannot write " + capture.gif_path + ": " + what);
    if (capture.gif != nullptr) {
        int ignored = 0;
        EGifCloseFile(capture.gif, &ignored);
        capture.gif = nullptr;
    }
}

// Write the pending frame with the delay its waits earned. A delay longer
// than a GIF can say is split over repeats of the frame.
void write_gif_frame(Capture& capture) {
    capture.gif_pending = false;
    std::uint64_t delay = gif_delay(capture.gif_wait_ms, capture.gif_carry_ms);
    capture.gif_wait_ms = 0;
    expand_frame(capture, capture.gif_frame);
    while (delay > 0) {
        const std::uint64_t part = std::min<std::uint64_t>(delay, gif_max_delay);
        delay -= part;
        GraphicsControlBlock control;
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = static_cast<int>(part);
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(capture.gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_ERROR ||
            EGifPutImageDesc(capture.gif, 0, 0, capture_size, capture_size, false, nullptr) ==
                GIF_ERROR ||
            EGifPutLine(capture.gif, capture.pixels.data(), capture_size * capture_size) ==
                GIF_ERROR) {
            abandon_gif(capture, gif_error_text(capture.gif->Error));
            return;
        }
        ++capture.gif_frames;
    }
}

}  // namespace

std::uint64_t gif_delay(std::uint64_t wait_ms, std::uint64_t& carry_ms) {
    const std::uint64_t total = wait_ms + carry_ms;
    carry_ms = total % 10;
    return std::max<std::uint64_t>(total / 10, gif_min_delay);
}

bool start_png(Capture& capture, const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!error && !std::filesystem::is_directory(dir, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        fail(capture, "cannot make the directory " + dir + ": " + error.message());
        return false;
    }
    capture.png_dir = dir;
    capture.png_frames = 0;
    return true;
}

bool start_gif(Capture& capture, const std::string& path) {
    capture.gif_path = path;
    // Opened here rather than by giflib, which would make the file private
    // to its owner.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0666);
    if (fd < 0) {
        fail(capture, "cannot write " + path + ": " + std::strerror(errno));
        return false;
    }
    int code = 0;
    capture.gif = EGifOpenFileHandle(fd, &code);
    if (capture.gif == nullptr) {
        ::close(fd);
        fail(capture, "cannot write " + path + ": " + gif_error_text(code));
        return false;
    }
    EGifSetGifVersion(capture.gif, true);
    const handheld::Palette& palette = handheld::palette(capture.palette);
    GifColorType colours[2] = {{palette.clear.r, palette.clear.g, palette.clear.b},
                               {palette.ink.r, palette.ink.g, palette.ink.b}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    if (map == nullptr) {
        abandon_gif(capture, "out of memory");
        return false;
    }
    const int screen = EGifPutScreenDesc(capture.gif, capture_size, capture_size, 1, 0, map);
    GifFreeMapObject(map);
    // Loop for ever (the usual application extension for that).
    static const GifByteType loop_name[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                            '2', '.', '0'};
    static const GifByteType loop_count[] = {1, 0, 0};
    if (screen == GIF_ERROR ||
        EGifPutExtensionLeader(capture.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(capture.gif, sizeof loop_name, loop_name) == GIF_ERROR ||
        EGifPutExtensionBlock(capture.gif, sizeof loop_count, loop_count) == GIF_ERROR ||
        EGifPutExtensionTrailer(capture.gif) == GIF_ERROR) {
        abandon_gif(capture, gif_error_text(capture.gif->Error));
        return false;
    }
    capture.gif_pending = false;
    capture.gif_wait_ms = 0;
    capture.gif_carry_ms = 0;
    capture.gif_frames = 0;
    return true;
}

void capture_frame(Capture& capture, const LcdFrame& frame) {
    if (capture.failed) return;
    if (!capture.png_dir.empty()) {
        expand_frame(capture, frame);
        write_png(capture);
    }
    if (capture.gif != nullptr) {
        if (capture.gif_pending) write_gif_frame(capture);
        if (capture.failed) return;
        capture.gif_frame = frame;
        capture.gif_pending = true;
        capture.gif_wait_ms = 0;
    }
}

void capture_wait(Capture& capture, std::uint32_t ticks) {
    // Waits before the first frame show nothing and are not kept.
    if (capture.gif_pending) capture.gif_wait_ms += std::uint64_t{ticks} * murlo::tick_ms;
}

bool finish_capture(Capture& capture) {
    if (capture.gif != nullptr) {
        if (capture.gif_pending && !capture.failed) write_gif_frame(capture);
        if (capture.gif != nullptr) {
            int code = 0;
            errno = 0;
            const int closed = EGifCloseFile(capture.gif, &code);
            capture.gif = nullptr;
            if (closed == GIF_ERROR) {
                const int saved = errno;
                fail(capture, "cannot write " + capture.gif_path + ": " +
                                  (saved != 0 ? std::strerror(saved) : gif_error_text(code)));
            }
        }
    }
    capture.gif_pending = false;
    return !capture.failed;
}

}  // namespace murlo::replay
