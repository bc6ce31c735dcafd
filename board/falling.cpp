#include "board/falling.h"
namespace murlo {
void break_and_crumble() {}  // STUB
void advance_fall_timers() {}  // STUB
void drop_loose_blocks() {}  // STUB
}  // namespace murlo
