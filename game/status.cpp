#include "game/status.h"

namespace murlo {

void count_blink(Game& g) { ++g.blink_counter; }

bool digger_shown(const Game& g) { return g.air >= low_air || (g.blink_counter & 3u) >= 2; }

void count_depth_box(Game& g) {
    if (g.depth_shown != g.depth)
        g.depth_show_frames = 0;
    else if (g.depth_show_frames <= depth_show_length)
        ++g.depth_show_frames;
    g.depth_shown = g.depth;
}

bool depth_box_shown(const Game& g) { return g.depth_show_frames <= depth_show_length; }

}  // namespace murlo
