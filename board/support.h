// Which blocks have lost their support this frame.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace murlo {

void clear_hanging(Well& well, std::int8_t column, std::int8_t row);

// Mark every unsupported block Loose and start its fall timer.
void analyse_support(Well& well);

}  // namespace murlo
