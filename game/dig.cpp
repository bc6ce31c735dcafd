#include "game/player.h"
namespace murlo {
void player_dig() {}  // STUB
}  // namespace murlo
