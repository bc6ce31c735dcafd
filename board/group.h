// Same-kind groups, found breadth-first into the well's one 25-entry list.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace murlo {

// Collect the group of `kind` that contains (column, row) into
// well.group_list and well.group_count; neighbours are taken up, right,
// down, left, never across the seam between column 7 and column 0.
void find_group(Well& well, std::int8_t column, std::int8_t row, std::uint8_t kind);

}  // namespace murlo
