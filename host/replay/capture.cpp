#include "host/replay/capture.h"
namespace murlo::replay {
struct Capture {};
void capture_frame(Capture&, const LcdFrame&) {}  // STUB
void capture_wait(Capture&, std::uint32_t) {}  // STUB
}  // namespace murlo::replay
