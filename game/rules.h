// Air, deaths, capsules collected by touch, levels and the win. These
// rules decide; the game cycle runs the closing pictures they call for.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "game/calls.h"

namespace murlo {

constexpr std::int32_t air_full = 10000;
constexpr std::int32_t capsule_air = 1000;   // a capsule's gift, never past air_full
constexpr std::int32_t hard_dig_air = 2000;  // the second dig of a Hard block costs this
// Level n is played with fall_delay first_fall_delay + 1 - n.
constexpr std::int8_t first_fall_delay = 24;
constexpr std::int32_t level_depth = 100;   // rows in a level
constexpr std::int32_t final_depth = 1000;  // the end of the tenth level wins

// The air one game frame drains at this depth: 10, and one more for every
// 50 rows (depth / 50 rounds toward zero; depth is never negative).
constexpr std::int32_t air_drain(std::int32_t depth) { return 10 + depth / 50; }

// What a capsule collected now adds to `air`: capsule_air, less whatever
// would go past air_full.
constexpr std::int32_t capsule_gift(std::int32_t air) {
    return air + capsule_air > air_full ? air_full - air : capsule_air;
}

// True when the player dies this frame: crushed by a block, or out of air.
// A player who lives collects the capsules it touches.
bool check_hazards(Game& g, Calls& calls);

enum class LevelGoal : std::uint8_t {
    Playing,    // nothing ended (the Hard floor may have been laid)
    LevelDone,  // a level below the last is complete; fall_delay is lowered
    Won,        // depth final_depth reached
};
LevelGoal check_level_goal(Game& g);

void drain_air(Game& g);  // air -= air_drain(depth), every frame

// A capsule dug or touched: it gives its air and is Doomed, so the next
// breaking pass takes it away and it pays only once.
void collect_capsule(Game& g, Calls& calls, std::int8_t column, std::int8_t row);

}  // namespace murlo
