// The session through a player's whole life with a program, on real
// files: a game kept as it starts and as it goes, a second program beside
// the first, a crash, going on where the crash left it, a close in the
// middle, a damaged file, and a game that ends.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "files/store.h"
#include "runner/snapshot.h"
#include "session/session.h"

namespace murlo {
namespace {

namespace fs = std::filesystem;

// A program: its session on the store in `folder`, the lock taken as a
// desktop game takes it, and its own clock.
struct Program {
    std::unique_ptr<Session> s = std::make_unique<Session>();
    files::FileStore store;
    std::uint64_t now = 0;

    explicit Program(const fs::path& folder, bool tracing = false) : store(files::store_in(folder)) {
        Opening o;
        o.tracing = tracing;
        o.best = store.read(Slot::Best);
        o.keeps = files::take_lock(store);
        o.kept = store.read(Slot::Kept);
        o.watched = store.read(Slot::Watched).kind == Stored::Kind::Bytes;
        open_session(*s, std::move(o));
        carry_out(*s, store);
        run_for(0);
    }
    ~Program() { files::let_go(store); }

    Runner& r() { return s->runner; }
    void event(Event e) {
        session_event(*s, now, e);
        carry_out(*s, store);
    }
    // `us` of the host's time, run as a host runs it, with `keys` held.
    void run_for(std::uint64_t us, InputBits keys = 0) {
        const std::uint64_t end = now + us;
        event({Event::Kind::Keys, keys});
        do {
            const Report report = session_run(*s, now);
            carry_out(*s, store);
            if (now >= end) break;
            now = std::min(end, now + std::max<std::uint64_t>(report.wake_in_us == never ? 1000 : report.wake_in_us, 1));
        } while (true);
    }
    void close() {
        close_session(*s);
        carry_out(*s, store);
        files::let_go(store);
    }
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Session, APlayersLifeWithTheProgramKeptGamesCrashesBadFilesAndTheBestDepth) {
    const fs::path folder = fs::temp_directory_path() / ("murlo-session-" + std::to_string(getpid()));
    fs::remove_all(folder);
    const fs::path kept = folder / "suspend", best = folder / "best";

    // A game of the player's is kept as it starts, and every 10 s of play.
    auto a = std::make_unique<Program>(folder, true);
    EXPECT_FALSE(fs::exists(kept));
    a->run_for(100000, input::Z);
    ASSERT_TRUE(in_game(a->r()));
    ASSERT_TRUE(fs::exists(kept));
    const std::string at_start = read_file(kept);
    a->run_for(9000000, input::Down);
    EXPECT_EQ(read_file(kept), at_start);  // not yet 10 s of play
    a->run_for(1500000, input::Down);
    const std::string after_ten = read_file(kept);
    EXPECT_NE(after_ten, at_start);
    ASSERT_GT(a->r().state.game.depth, 0);

    // A second program beside it goes on with nothing and keeps nothing.
    {
        Program b(folder);
        EXPECT_FALSE(in_game(b.r()));
        b.run_for(100000, input::Z);
        b.run_for(2000000, input::Down);
        EXPECT_TRUE(in_game(b.r()));
        b.close();
        EXPECT_EQ(read_file(kept), after_ten);
    }

    // The first crashes 3 s after it last kept the game (the system lets
    // its lock go); the next start goes on where it was kept, paused, with
    // the best depth as stored, and its trace is the first's up to there.
    const std::uint64_t crashed_depth = a->r().state.game.depth;
    a->run_for(3000000, input::Down);
    std::string traced = take_trace(a->r());
    files::let_go(a->store);
    a->store = files::FileStore{};  // killed: nothing more is written
    a.reset();
    std::ofstream(best) << "7\n";
    auto c = std::make_unique<Program>(folder, true);
    EXPECT_TRUE(paused(c->r()));
    EXPECT_LE(static_cast<std::uint64_t>(c->r().state.game.depth), crashed_depth);
    EXPECT_GT(c->r().state.game.depth, 0);
    EXPECT_EQ(c->r().state.best, 7);
    const std::string before = take_trace(c->r());
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(traced.compare(0, before.size(), before), 0) << "the trace before is not the run's";
    // A key goes on; closing in the middle keeps the game and its depth.
    c->run_for(45000, input::Right);
    EXPECT_FALSE(paused(c->r()));
    c->run_for(2000000, input::Down);
    const std::int32_t depth = c->r().state.game.depth;
    c->close();
    EXPECT_EQ(read_file(best), std::to_string(std::max(depth, 7)) + "\n");
    c.reset();

    // Goes on again, plays until the game ends: nothing is left kept, and
    // the best depth is the deepest.
    auto d = std::make_unique<Program>(folder);
    EXPECT_EQ(d->r().state.game.depth, depth);
    d->run_for(45000, input::Right);
    for (int i = 0; i < 2000 && d->r().state.game.phase != Phase::Title; ++i) d->run_for(100000, 0);
    EXPECT_EQ(d->r().state.game.phase, Phase::Title);
    EXPECT_FALSE(fs::exists(kept));
    d->close();
    d.reset();

    // A damaged kept game is set aside and named; the game starts on the
    // title. A damaged best depth is named and counts as 0.
    std::ofstream(kept, std::ios::binary) << "MURLOST2 and then nonsense";
    std::ofstream(best) << "deep\n";
    auto e = std::make_unique<Program>(folder);
    EXPECT_FALSE(in_game(e->r()));
    EXPECT_EQ(e->r().state.best, 0);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(read_file(folder / "suspend.bad"), "MURLOST2 and then nonsense");
    EXPECT_NE(e->store.said.find(best.string() + " holds no depth"), std::string::npos) << e->store.said;
    EXPECT_NE(e->store.said.find(kept.string() + " is damaged ("), std::string::npos) << e->store.said;
    e->close();
    e.reset();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace murlo
