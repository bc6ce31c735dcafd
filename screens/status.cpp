#include "screens/status.h"
namespace murlo {
const Sprite8 player_sprites[4] = {};
const Sprite8 player_down_sprite = {};
std::uint8_t blink_counter = 0;
std::int32_t depth_shown = 0;
std::int32_t depth_show_frames = 0;
void draw_player() {}  // STUB
void draw_air_gauge() {}  // STUB
void draw_depth() {}  // STUB
}  // namespace murlo
