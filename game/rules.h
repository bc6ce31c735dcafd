// Air, deaths, capsules collected by touch, levels and the win. These
// rules decide; the game cycle runs the closing pictures they call for.
#pragma once

#include <cstdint>

namespace murlo {

extern std::int32_t air;    // at most air_full; may go below 0
extern std::int32_t depth;  // rows descended this game, 0..final_depth

constexpr std::int32_t air_full = 10000;
constexpr std::int32_t capsule_air = 1000;  // a capsule's gift, never past air_full
// Level n is played with fall_delay first_fall_delay + 1 - n.
constexpr std::int8_t first_fall_delay = 24;
constexpr std::int32_t level_depth = 100;   // rows in a level
constexpr std::int32_t final_depth = 1000;  // the end of the tenth level wins

// True when the player dies this frame: crushed by a block, or out of air.
// A player who lives collects the capsules it touches.
bool check_hazards();

enum class LevelGoal : std::uint8_t {
    Playing,    // nothing ended (the Hard floor may have been laid)
    LevelDone,  // a level below the last is complete; fall_delay is lowered
    Won,        // depth final_depth reached
};
LevelGoal check_level_goal();

void drain_air();  // air -= 10 + depth / 50, every frame

// A capsule dug or touched: it gives its air and is Doomed, so the next
// breaking pass takes it away and it pays only once.
void collect_capsule(std::int8_t column, std::int8_t row);

}  // namespace murlo
