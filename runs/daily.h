// The daily well: one well for the whole world each day. The first game of
// a fresh start depends only on how many title passes ran before a key
// left the title (the start draws its title specks, and each idle pass
// adds one to the random source), so the same count gives the same well on
// every host, at any pace. A day's run begins with that many idle title
// polls, then Z, which leaves the title and does nothing in play.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runs/script.h"

namespace murlo::runs {

// Days since 1970-01-01 (UTC), the day's number.
using Day = std::int32_t;

// The day a moment falls in: seconds since 1970-01-01 00:00 UTC.
Day day_of(std::int64_t unix_seconds);

// The idle title passes before the day's Z: 1000 + ((day * 2654435761)
// mod 2^32) mod 59000, from 1,000 to 59,999 (a second to a minute of title).
std::uint32_t daily_passes(Day day);

// The day's start as polls: 00*N, then 01.
Script daily_script(Day day);

// "YYYY-MM-DD", and back (nullopt for anything that is not a real date of
// the years 1970 to 9999 in that form).
std::string date_text(Day day);
std::optional<Day> day_from_text(std::string_view text);

}  // namespace murlo::runs
