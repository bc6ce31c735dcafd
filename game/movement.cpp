#include "game/player.h"
namespace murlo {
std::int8_t player_x = 0;
std::int32_t player_y = 0;
Facing facing = Facing::Right;
void move_player() {}  // STUB
}  // namespace murlo
