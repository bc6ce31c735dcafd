// A desktop game kept as it closes and gone on with at the next start:
// one end-to-end pass through the file, its lock, a damaged file and the
// end of a game.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "desktop/kept_game.h"
#include "cycle/cycle.h"
#include "runner/state.h"

namespace murlo {
namespace {

std::unique_ptr<Runner> in_a_game() {
    auto r = std::make_unique<Runner>();
    start_runner(*r, {}, 0);
    handle(*r, 0, {Event::Kind::Keys, input::Z});
    run(*r, 0);
    handle(*r, 1000, {Event::Kind::Keys, input::Down});
    for (int i = 0; i < 60; ++i) run(*r, 1000 + 45000 * i);
    return r;
}

TEST(KeptGame, KeptAsItClosesGoneOnWithOnceAndSetAsideWhenDamaged) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("murlo-kept-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    const std::filesystem::path path = dir / "murlo" / "suspend";

    const auto a = in_a_game();
    ASSERT_TRUE(in_game(*a) && awaits_poll(a->state.game));
    ASSERT_GT(a->state.game.depth, 0);
    desktop::KeptGame first;
    desktop::resume_kept(first, path, *a);  // nothing kept yet
    EXPECT_TRUE(first.holding);
    desktop::keep_now(first, *a);
    ASSERT_TRUE(std::filesystem::exists(path));

    // A second game while the first runs starts on the title.
    auto b = std::make_unique<Runner>();
    start_runner(*b, {}, 0);
    desktop::KeptGame second;
    desktop::resume_kept(second, path, *b);
    EXPECT_FALSE(second.holding);
    EXPECT_FALSE(in_game(*b));

    // Once the first is gone, the next start goes on with its game, paused.
    desktop::let_go(first);
    auto c = std::make_unique<Runner>();
    start_runner(*c, {}, 0);
    desktop::KeptGame third;
    desktop::resume_kept(third, path, *c);
    EXPECT_TRUE(paused(*c));
    EXPECT_EQ(c->state.game.depth, a->state.game.depth);
    EXPECT_EQ(recorded_script(*c), recorded_script(*a));
    std::uint8_t was[state_bytes], now[state_bytes];
    hold(*a);
    save_state(*a, was);
    save_state(*c, now);
    EXPECT_EQ(std::memcmp(was, now, state_bytes), 0);

    // It goes on keeping the game, and a game that ends removes it.
    Report over{};
    over.game_over = true;
    desktop::keep_as_it_goes(third, *c, over, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    desktop::keep_now(third, *c);
    desktop::let_go(third);

    // A damaged file: the title, and the file kept beside for a report.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "MURLOST2 and then nonsense";
    auto d = std::make_unique<Runner>();
    start_runner(*d, {}, 0);
    desktop::KeptGame fourth;
    desktop::resume_kept(fourth, path, *d);
    EXPECT_FALSE(in_game(*d));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::exists(dir / "murlo" / "suspend.bad"));
    desktop::let_go(fourth);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace murlo
