#include <gif_lib.h>

#include <fstream>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/replay/capture.h"
#include "support/helpers.h"

namespace murlo {
namespace {

namespace fs = std::filesystem;
using replay::Capture;

// A fresh scratch directory per test, removed afterwards.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("murlo-capture-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

LcdFrame sample_frame() {
    LcdFrame frame = {};
    frame.row[0] = 0x00000001u;   // top-left pixel
    frame.row[5] = 0x80000000u;   // right edge
    frame.row[17] = 0x0F0F00F0u;
    frame.row[31] = 0xFFFFFFFFu;  // bottom row dark
    return frame;
}

bool lcd_pixel(const LcdFrame& frame, int x, int y) { return (frame.row[y] >> x) & 1u; }

// Decode a PNG file to RGB; false when it cannot be read.
bool read_png(const fs::path& path, std::vector<std::uint8_t>& rgb, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

void expect_rgb(const std::uint8_t* got, bool dark, int x, int y) {
    const handheld::Rgb want = dark ? handheld::lcd_ink : handheld::lcd_clear;
    EXPECT_TRUE(got[0] == want.r && got[1] == want.g && got[2] == want.b)
        << "screen pixel (" << x << ", " << y << ")";
}

TEST_F(CaptureTest, PngFramesDecodeToTheDisplayAtEightTimesItsSize) {
    Capture capture;
    const fs::path out = dir_ / "frames";  // made by start_png
    ASSERT_TRUE(replay::start_png(capture, out.string()));
    const LcdFrame first = sample_frame();
    LcdFrame second = {};
    second.row[12] = 0x0000F000u;
    replay::capture_frame(capture, first);
    replay::capture_wait(capture, 5);
    replay::capture_frame(capture, second);
    ASSERT_TRUE(replay::finish_capture(capture)) << capture.error;

    EXPECT_TRUE(fs::exists(out / "frame-000000.png"));
    EXPECT_TRUE(fs::exists(out / "frame-000001.png"));
    EXPECT_FALSE(fs::exists(out / "frame-000002.png"));

    std::vector<std::uint8_t> rgb;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png(out / "frame-000000.png", rgb, width, height));
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            expect_rgb(&rgb[3 * (y * 256 + x)], lcd_pixel(first, x / 8, y / 8), x, y);

    ASSERT_TRUE(read_png(out / "frame-000001.png", rgb, width, height));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            expect_rgb(&rgb[3 * (y * 256 + x)], lcd_pixel(second, x / 8, y / 8), x, y);
}

TEST(CaptureDelay, RoundingIsCarriedToLaterFrames) {
    std::uint64_t carry = 0;
    // 45 ms frames: 4.5 hundredths each, shown as 4, 5, 4, 5, ...
    std::uint64_t total = 0;
    for (int i = 0; i < 10; ++i) {
        const std::uint64_t delay = replay::gif_delay(45, carry);
        EXPECT_EQ(delay, i % 2 == 0 ? 4u : 5u) << "frame " << i;
        total += delay;
    }
    EXPECT_EQ(total, 45u);
    EXPECT_EQ(carry, 0u);
    // A frame with no wait gets the minimum and leaves the carry alone.
    EXPECT_EQ(replay::gif_delay(45, carry), 4u);
    EXPECT_EQ(replay::gif_delay(0, carry), replay::gif_min_delay);
    EXPECT_EQ(carry, 5u);
    EXPECT_EQ(replay::gif_delay(45, carry), 5u);
    // 9 ms ticks add up exactly over a long wait.
    carry = 0;
    EXPECT_EQ(replay::gif_delay(1000 * 9, carry), 900u);
    EXPECT_EQ(replay::gif_delay(7 * 9, carry), 6u);  // 63 ms
    EXPECT_EQ(replay::gif_delay(7 * 9, carry), 6u);  // 66 ms with the 3 carried
    EXPECT_EQ(replay::gif_delay(7 * 9, carry), 6u);  // 69
    EXPECT_EQ(replay::gif_delay(7 * 9, carry), 7u);  // 72 with 9 carried
    EXPECT_EQ(carry, 2u);
}

struct GifFrame {
    int delay;
    std::vector<std::uint8_t> pixels;  // colour indices
};

bool read_gif(const fs::path& path, std::vector<GifFrame>& frames, GifColorType colours[2]) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) return false;
    const bool ok = DGifSlurp(gif) == GIF_OK && gif->SColorMap != nullptr &&
                    gif->SWidth == 256 && gif->SHeight == 256;
    if (ok) {
        colours[0] = gif->SColorMap->Colors[0];
        colours[1] = gif->SColorMap->Colors[1];
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock control;
            control.DelayTime = -1;
            DGifSavedExtensionToGCB(gif, i, &control);
            const SavedImage& image = gif->SavedImages[i];
            const std::size_t size =
                static_cast<std::size_t>(image.ImageDesc.Width) * image.ImageDesc.Height;
            const std::uint8_t* bits = image.RasterBits;
            frames.push_back({control.DelayTime, std::vector<std::uint8_t>(bits, bits + size)});
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

TEST_F(CaptureTest, GifFramesLastForTheWaitsAfterThem) {
    Capture capture;
    const fs::path out = dir_ / "play.gif";
    ASSERT_TRUE(replay::start_gif(capture, out.string()));
    replay::capture_wait(capture, 100);  // nothing shown yet: not kept
    LcdFrame frame = {};
    for (int i = 0; i < 4; ++i) {
        frame.row[i] = 1u << i;
        replay::capture_frame(capture, frame);
        replay::capture_wait(capture, 5);  // 45 ms
    }
    frame.row[20] = 0xFFFFFFFFu;
    replay::capture_frame(capture, frame);  // no wait after it: title-like
    replay::capture_frame(capture, sample_frame());
    replay::capture_wait(capture, 10);   // two waits after one frame add up
    replay::capture_wait(capture, 100);  // 990 ms
    ASSERT_TRUE(replay::finish_capture(capture)) << capture.error;

    std::vector<GifFrame> frames;
    GifColorType colours[2];
    ASSERT_TRUE(read_gif(out, frames, colours));
    ASSERT_EQ(frames.size(), 6u);
    const int delays[] = {4, 5, 4, 5, 2, 99};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(frames[i].delay, delays[i]) << "frame " << i;
    EXPECT_EQ(colours[0].Red, 170);
    EXPECT_EQ(colours[0].Green, 182);
    EXPECT_EQ(colours[0].Blue, 198);
    EXPECT_EQ(colours[1].Red, 79);
    EXPECT_EQ(colours[1].Green, 80);
    EXPECT_EQ(colours[1].Blue, 110);

    const LcdFrame last = sample_frame();
    ASSERT_EQ(frames[5].pixels.size(), 256u * 256u);
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            wrong += frames[5].pixels[y * 256 + x] != (lcd_pixel(last, x / 8, y / 8) ? 1 : 0);
    EXPECT_EQ(wrong, 0);
}

TEST_F(CaptureTest, UnwritablePlacesAreReported) {
    // A file where the directory should go.
    const fs::path file = dir_ / "plain-file";
    { std::FILE* f = std::fopen(file.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
    Capture png;
    EXPECT_FALSE(replay::start_png(png, file.string()));
    EXPECT_TRUE(png.failed);
    EXPECT_NE(png.error.find("plain-file"), std::string::npos) << png.error;
    EXPECT_FALSE(replay::finish_capture(png));

    // A directory that disappears during the run: the failure is kept and
    // nothing more is tried.
    Capture gone;
    const fs::path out = dir_ / "gone";
    ASSERT_TRUE(replay::start_png(gone, out.string()));
    fs::remove_all(out);
    replay::capture_frame(gone, LcdFrame{});
    replay::capture_frame(gone, LcdFrame{});
    EXPECT_FALSE(replay::finish_capture(gone));
    EXPECT_NE(gone.error.find("frame-000000.png"), std::string::npos) << gone.error;
    EXPECT_EQ(gone.png_frames, 0u);
}

// The command-line tool itself.
testing::CommandResult run_tool(const std::string& arguments) {
    return testing::run_command(std::string(MURLO_REPLAY_PATH) + " " + arguments +
                                       " 2>/dev/null");
}

TEST_F(CaptureTest, ToolOptionsKeepTheTraceAndReportProblems) {
    const fs::path script = dir_ / "s.script";
    {
        std::FILE* f = std::fopen(script.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("00*3 10 08*6\n", f);
        std::fclose(f);
    }
    const std::string s = script.string();
    const testing::CommandResult plain = run_tool(s);
    ASSERT_EQ(plain.status, 0);

    // Options before the script: the same trace, and the pictures.
    const testing::CommandResult both = run_tool("--png " + (dir_ / "png").string() + " --gif " +
                                  (dir_ / "a.gif").string() + " " + s);
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.out, plain.out);
    std::size_t presents = 0;
    for (std::size_t pos = plain.out.find("present "); pos != std::string::npos;
         pos = plain.out.find("present ", pos + 1))
        ++presents;
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_ / "png")) ++files;
    EXPECT_EQ(files, presents);
    EXPECT_TRUE(fs::exists(dir_ / "a.gif"));

    // The same pictures in the high-contrast palette, and in the handheld's
    // when it is named: each pixel of each frame the other palette's colour
    // for the same display pixel.
    const testing::CommandResult high = run_tool("--palette high-contrast --png " + (dir_ / "high").string() +
                                                 " --gif " + (dir_ / "high.gif").string() + " " + s);
    const testing::CommandResult named = run_tool(s + " --png " + (dir_ / "named").string() + " --palette handheld");
    EXPECT_EQ(high.status, 0);
    EXPECT_EQ(high.out, plain.out);
    EXPECT_EQ(named.status, 0);
    const handheld::Palette& hc = handheld::high_contrast_palette;
    const auto is = [](const std::uint8_t* p, handheld::Rgb c) { return p[0] == c.r && p[1] == c.g && p[2] == c.b; };
    std::size_t wrong = 0, dark = 0;
    for (std::size_t i = 0; i < presents; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06zu.png", i);
        std::vector<std::uint8_t> usual, bold, again;
        int w = 0, h = 0;
        ASSERT_TRUE(read_png(dir_ / "png" / name, usual, w, h)) << name;
        ASSERT_TRUE(read_png(dir_ / "high" / name, bold, w, h)) << name;
        ASSERT_TRUE(read_png(dir_ / "named" / name, again, w, h)) << name;
        ASSERT_EQ(bold.size(), usual.size());
        EXPECT_EQ(again, usual) << name;
        for (std::size_t k = 0; k < usual.size(); k += 3) {
            const bool ink = is(&usual[k], handheld::lcd_ink);
            dark += ink;
            wrong += !is(&bold[k], ink ? hc.ink : hc.clear);
        }
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GT(dark, 0u);
    std::vector<GifFrame> frames;
    GifColorType colours[2];
    ASSERT_TRUE(read_gif(dir_ / "high.gif", frames, colours));
    EXPECT_TRUE(colours[0].Red == hc.clear.r && colours[0].Green == hc.clear.g && colours[0].Blue == hc.clear.b);
    EXPECT_TRUE(colours[1].Red == hc.ink.r && colours[1].Green == hc.ink.g && colours[1].Blue == hc.ink.b);

    // A ghost racing beside it: the same trace, other pictures. A ghost
    // file that is no script is a bad option.
    const testing::CommandResult raced =
        run_tool("--ghost " + std::string(MURLO_LEVEL1_SCRIPT) + " --gif " + (dir_ / "race.gif").string() + " " + s);
    EXPECT_EQ(raced.status, 0);
    EXPECT_EQ(raced.out, plain.out);
    const auto bytes_of = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_NE(bytes_of(dir_ / "race.gif"), bytes_of(dir_ / "a.gif"));

    // Bad options: status 2 and no trace.
    const std::vector<std::string> bad_options = {"--frames x " + s, "--png", s + " --gif", s + " " + s,
                                                  s + " --palette", "--palette High-Contrast " + s,
                                                  "--ghost " + (dir_ / "none.script").string() + " " + s};
    for (const std::string& bad : bad_options) {
        const testing::CommandResult run = run_tool(bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.out, "") << bad;
    }
    // A bad script is still status 2, and no picture is started.
    const fs::path bad_script = dir_ / "bad.script";
    {
        std::FILE* f = std::fopen(bad_script.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("00\n3g\n", f);
        std::fclose(f);
    }
    const testing::CommandResult bad = run_tool("--gif " + (dir_ / "b.gif").string() + " " + bad_script.string());
    EXPECT_EQ(bad.status, 2);
    EXPECT_FALSE(fs::exists(dir_ / "b.gif"));

    // A picture that cannot be written: status 1, before any trace.
    const testing::CommandResult unwritable = run_tool("--gif " + (dir_ / "none" / "c.gif").string() + " " + s);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
}

}  // namespace
}  // namespace murlo
