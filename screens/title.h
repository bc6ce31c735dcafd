// The title screen: picture, blinking prompt, drifting specks.
#pragma once

#include <cstdint>

namespace murlo {

extern const std::uint32_t title_picture[32];

// Runs until a key is held; returns at once, drawing nothing, if one already is.
void title_screen();

}  // namespace murlo
