// Saving the frames a replay presents as pictures: one PNG per frame, and/or
// one animated GIF whose frame delays follow the game's waits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "handheld/handheld.h"
#include "lcd/lcd.h"

struct GifFileType;  // giflib's encoder state

namespace murlo::replay {

// The display as the desktop shows it: each LCD pixel an 8 x 8 square in
// two colours, the handheld's own unless another palette is chosen.
constexpr int capture_scale = handheld::lcd_scale;
constexpr int capture_size = handheld::lcd_span;  // 256 x 256
// GIF delays count hundredths of a second. Frames shown with no wait after
// them (the title screen runs as fast as it can) get the shortest delay
// viewers honour; below 2 most of them slow the frame down to 10.
constexpr std::uint32_t gif_min_delay = 2;
constexpr std::uint32_t gif_max_delay = 0xFFFF;

struct Capture {
    // The colours of every picture: set before start_png and start_gif.
    handheld::PaletteId palette = handheld::PaletteId::Handheld;

    // PNG: DIR/frame-000000.png, frame-000001.png, ... (empty: none).
    std::string png_dir;
    std::uint64_t png_frames = 0;

    // GIF: a frame is written once the next one arrives (or at the end),
    // when the waits after it are known.
    GifFileType* gif = nullptr;
    std::string gif_path;
    bool gif_pending = false;
    LcdFrame gif_frame = {};
    std::uint64_t gif_wait_ms = 0;   // waited since the pending frame was shown
    std::uint64_t gif_carry_ms = 0;  // time below a hundredth left from earlier delays
    std::uint64_t gif_frames = 0;

    std::vector<std::uint8_t> pixels;  // one frame at 8x, 0 light / 1 dark

    // The first failure; after it nothing more is written.
    bool failed = false;
    std::string error;
};

// Prepare PNG output into `dir`, creating it if needed. False with
// capture.error set when it cannot be made.
bool start_png(Capture& capture, const std::string& dir);
// Create the GIF file and write its header. False with capture.error set on failure.
bool start_gif(Capture& capture, const std::string& path);

// Called by the replay host for every present_frame and wait_ticks.
void capture_frame(Capture& capture, const LcdFrame& frame);
void capture_wait(Capture& capture, std::uint32_t ticks);

// Write the last GIF frame and close the file. False if anything failed
// along the way, with capture.error saying what.
bool finish_capture(Capture& capture);

// The delay in hundredths of a second for a frame followed by `wait_ms` of
// waiting. Whole hundredths are taken and the rest carried to the next
// frame, so the delays add up to the waits; never below gif_min_delay (a
// frame with no wait then leaves the carry as it was).
std::uint64_t gif_delay(std::uint64_t wait_ms, std::uint64_t& carry_ms);

}  // namespace murlo::replay
