// Every global of the game logic in one list. Saving, restoring and the
// program-load reset are all made from it, so none of them can leave a
// variable out: a new global goes into the list and nowhere else.
#pragma once

#include <cstring>
#include <type_traits>

#include "board/board.h"
#include "board/group.h"
#include "board/support.h"
#include "game/game.h"
#include "game/player.h"
#include "game/rules.h"
#include "lcd/lcd.h"
#include "screens/status.h"

// X(name) for each global, by its name in namespace murlo.
#define MURLO_GAME_GLOBALS(X) \
    X(board)                  \
    X(fall_delay)             \
    X(rng_state)              \
    X(lcd)                    \
    X(group_list)             \
    X(group_count)            \
    X(support_mask)           \
    X(player_x)               \
    X(player_y)               \
    X(facing)                 \
    X(cur_input)              \
    X(prev_input)             \
    X(air)                    \
    X(depth)                  \
    X(blink_counter)          \
    X(depth_shown)            \
    X(depth_show_frames)

namespace murlo {

// The whole game in one value, for tools that rewind it (look-ahead
// players, benchmarks, the soak). A zero GameState is the program as it
// loads.
struct GameState {
#define MURLO_STATE_FIELD(name) std::remove_cv_t<decltype(::murlo::name)> name;
    MURLO_GAME_GLOBALS(MURLO_STATE_FIELD)
#undef MURLO_STATE_FIELD
};
static_assert(std::is_trivially_copyable_v<GameState>);

GameState save_game_state();
void restore_game_state(const GameState& state);

// Every global of the game back to how the program loads it.
void reset_program_state();

}  // namespace murlo
