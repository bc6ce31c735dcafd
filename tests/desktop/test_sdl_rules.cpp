// The SDL game's own decisions that need no window system: the fallback
// outline as pixels and where data files are found.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "host/sdl/sdl_rules.h"

namespace murlo::desktop {
namespace {

TEST(SdlRules, FallbackOutlineRoundsEachCornerWithA64By64Ellipse) {
    // Straight edges and the middle are inside.
    EXPECT_TRUE(in_fallback_outline(256, 0));
    EXPECT_TRUE(in_fallback_outline(0, 200));
    EXPECT_TRUE(in_fallback_outline(511, 200));
    EXPECT_TRUE(in_fallback_outline(256, 399));
    EXPECT_TRUE(in_fallback_outline(32, 32));
    // The corner pixels themselves are cut off, at all four corners alike.
    for (const auto& [x, y] : {std::pair{0, 0}, {511, 0}, {0, 399}, {511, 399}})
        EXPECT_FALSE(in_fallback_outline(x, y)) << x << "," << y;
    // Along the diagonal the curve passes between pixels 8 and 9 from each corner.
    EXPECT_FALSE(in_fallback_outline(8, 8));
    EXPECT_TRUE(in_fallback_outline(9, 9));
    EXPECT_FALSE(in_fallback_outline(503, 391));
    EXPECT_TRUE(in_fallback_outline(502, 390));
    // The curve meets the edges 32 pixels in.
    EXPECT_TRUE(in_fallback_outline(32, 0));
    EXPECT_FALSE(in_fallback_outline(0, 20));
    // Symmetric left to right and top to bottom.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = in_fallback_outline(x, y);
            EXPECT_EQ(inside, in_fallback_outline(511 - x, y));
            EXPECT_EQ(inside, in_fallback_outline(x, 399 - y));
        }
    EXPECT_FALSE(in_fallback_outline(-1, 200));
    EXPECT_FALSE(in_fallback_outline(512, 200));
}

// A scratch directory to run in, removed afterwards.
class DataFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/murlo-rules-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        old_cwd_ = std::filesystem::current_path();
        std::filesystem::create_directories(root_ / "work");
        std::filesystem::create_directories(root_ / "game/bin");
        std::filesystem::create_directories(root_ / "game/share/murlo");
        std::filesystem::current_path(root_ / "work");
    }
    void TearDown() override {
        std::filesystem::current_path(old_cwd_);
        std::filesystem::remove_all(root_);
    }
    void touch(const std::filesystem::path& path) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    std::string exe_dir() const { return (root_ / "game/bin").string() + "/"; }

    std::filesystem::path root_, old_cwd_;
};

TEST_F(DataFiles, WorkingDirectoryFirstThenTheGamesShareDirectory) {
    char out[4096];
    const std::string exe = exe_dir();
    // Neither place has it.
    EXPECT_FALSE(find_data_file("title.wav", exe.c_str(), out, sizeof out));
    EXPECT_STREQ(out, "");
    // Beside the installed program only.
    touch(root_ / "game/share/murlo/title.wav");
    ASSERT_TRUE(find_data_file("title.wav", exe.c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), exe + "../share/murlo/title.wav");
    // A copy in the working directory wins.
    touch(root_ / "work/title.wav");
    ASSERT_TRUE(find_data_file("title.wav", exe.c_str(), out, sizeof out));
    EXPECT_STREQ(out, "title.wav");
    // With the program's directory unknown only the working directory counts.
    EXPECT_TRUE(find_data_file("title.wav", nullptr, out, sizeof out));
    EXPECT_FALSE(find_data_file("window.bmp", nullptr, out, sizeof out));
    // A path that does not fit the buffer is not found rather than cut short.
    char small[16];
    touch(root_ / "game/share/murlo/window.bmp");
    EXPECT_FALSE(find_data_file("window.bmp", exe.c_str(), small, sizeof small));
    EXPECT_TRUE(find_data_file("window.bmp", exe.c_str(), out, sizeof out));
}

}  // namespace
}  // namespace murlo::desktop
