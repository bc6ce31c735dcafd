#include "runs/daily.h"

#include <chrono>
#include <cstdio>

namespace murlo::runs {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

}  // namespace

Day day_of(std::int64_t unix_seconds) {
    // Whole days, rounding down before 1970 too.
    const std::int64_t day = unix_seconds >= 0 ? unix_seconds / 86400 : -((-unix_seconds + 86399) / 86400);
    return static_cast<Day>(day);
}

std::uint32_t daily_passes(Day day) {
    const std::uint32_t mixed = static_cast<std::uint32_t>(day) * 2654435761u;  // mod 2^32
    return 1000 + mixed % 59000;
}

Script daily_script(Day day) { return {{0x00, daily_passes(day)}, {0x01, 1}}; }

std::string date_text(Day day) {
    const year_month_day date{sys_days{days{day}}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::optional<Day> day_from_text(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int parts[3] = {};
    const std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i)
        for (std::size_t k = 0; k < lengths[i]; ++k) {
            const char c = text[starts[i] + k];
            if (c < '0' || c > '9') return std::nullopt;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    const year_month_day date{std::chrono::year{parts[0]}, std::chrono::month{static_cast<unsigned>(parts[1])},
                              std::chrono::day{static_cast<unsigned>(parts[2])}};
    if (parts[0] < 1970 || !date.ok()) return std::nullopt;
    return static_cast<Day>(sys_days{date}.time_since_epoch().count());
}

}  // namespace murlo::runs
