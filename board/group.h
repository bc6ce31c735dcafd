// Same-kind groups, found breadth-first into one shared 25-entry list.
#pragma once

#include <cstdint>

namespace murlo {

constexpr int group_capacity = 25;

struct GroupEntry {
    std::uint8_t column;
    std::uint8_t row;
};

struct GroupList {
    GroupEntry entry[group_capacity];
};

extern GroupList group_list;
// After a search: the number of entries examined, which callers take as the
// group's size (less than the number listed when the search hit the cap).
extern std::int8_t group_count;

// Collect the group of `kind` that contains (column, row), neighbours taken
// up, right, down, left; never across the seam between column 7 and column 0.
void find_group(std::int8_t column, std::int8_t row, std::uint8_t kind);

}  // namespace murlo
