// Which blocks have lost their support this frame.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace murlo {

// One byte per row; bit (7 - column) set means the cell is hanging.
extern std::uint8_t support_mask[board_rows];

void clear_hanging(std::int8_t column, std::int8_t row);

// Mark every unsupported block Loose and start its fall timer.
void analyse_support();

}  // namespace murlo
