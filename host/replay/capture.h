// Saving the frames a replay presents as pictures.
#pragma once

#include <cstdint>

#include "lcd/lcd.h"

namespace murlo::replay {

struct Capture;

void capture_frame(Capture& capture, const LcdFrame& frame);
void capture_wait(Capture& capture, std::uint32_t ticks);

}  // namespace murlo::replay
