// Air, deaths, capsules collected by touch, levels and the win.
#pragma once

namespace murlo {

// Crushes and running out of air end the game (after the closing sequences
// have run: then true); capsules touched give air.
bool check_hazards();
// Lays the Hard floor near a level's end and finishes levels; true when the
// game has been won and its closing sequences have run.
bool check_level_goal();
void drain_air();  // air -= 10 + depth / 50, every frame

constexpr int air_full = 10000;

// An air capsule's 1000, never past a full supply.
void gain_capsule_air();

}  // namespace murlo
