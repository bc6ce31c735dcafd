// The daily well: the day's number of title passes, dates, and a day's
// game started in a session: recorded from its fresh start as the day's
// polls, traced as the replay tool traces that run, and the player's own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "runs/daily.h"
#include "session/session.h"
#include "support/helpers.h"

namespace murlo {
namespace {

TEST(Daily, EachDayItsTitlePassesAndItsDate) {
    const struct {
        const char* date;
        std::uint32_t passes;
    } days[] = {{"2026-12-07", 19338}, {"2026-12-08", 41803}, {"2026-12-09", 8564}};
    for (const auto& d : days) {
        const std::optional<runs::Day> day = runs::day_from_text(d.date);
        ASSERT_TRUE(day.has_value()) << d.date;
        EXPECT_EQ(runs::daily_passes(*day), d.passes) << d.date;
        EXPECT_EQ(runs::date_text(*day), d.date);
        EXPECT_EQ(runs::day_of(std::int64_t{*day} * 86400 + 86399), *day);  // the day's last second
    }
    EXPECT_EQ(runs::day_of(-1), -1);
    for (const char* bad : {"2026-02-29", "2026-13-01", "2026-1-01", "1969-12-31", "2026-12-0x", ""})
        EXPECT_FALSE(runs::day_from_text(bad).has_value()) << bad;
}

TEST(Daily, ADaysGameIsRecordedTracedAndCountedAsThePlayersOwn) {
    const runs::Day day = *runs::day_from_text("2026-12-08");
    auto s = std::make_unique<Session>();
    Opening opening;
    opening.tracing = true;
    open_session(*s, std::move(opening));
    run(s->runner, 0);
    take_trace(s->runner);
    start_daily(*s, day);
    // The player digs at once.
    ASSERT_EQ(s->runner.state.game.phase, Phase::Play);
    EXPECT_TRUE(s->runner.state.counts);
    session_run(*s, 0);
    session_event(*s, 0, {Event::Kind::Keys, input::Down});
    for (std::uint64_t t = 0; t <= 3000000; t += 45000) session_run(*s, t);
    const std::string record = recorded_script(s->runner);
    EXPECT_EQ(record.rfind("00*41803 01 ", 0), 0u) << record.substr(0, 40);
    // The same run, from the start, as the replay tool plays it.
    const std::string trace = take_trace(s->runner);
    const std::string replayed = testing::run_script(record.c_str());
    EXPECT_EQ(replayed.compare(0, trace.size(), trace), 0);
    EXPECT_GT(s->runner.state.game.depth, 0);
}

}  // namespace
}  // namespace murlo
