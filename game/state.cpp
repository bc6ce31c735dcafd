#include "game/state.h"

namespace murlo {

GameState save_game_state() {
    GameState s;
#define MURLO_SAVE(name) std::memcpy(&s.name, &name, sizeof s.name);
    MURLO_GAME_GLOBALS(MURLO_SAVE)
#undef MURLO_SAVE
    return s;
}

void restore_game_state(const GameState& s) {
#define MURLO_RESTORE(name) std::memcpy(&name, &s.name, sizeof name);
    MURLO_GAME_GLOBALS(MURLO_RESTORE)
#undef MURLO_RESTORE
}

void reset_program_state() { restore_game_state(GameState{}); }

}  // namespace murlo
