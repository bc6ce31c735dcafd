#include "runner/headless.h"

namespace murlo {

void count_advance(Played& played, const Runner& r) {
    switch (r.calls.outcome) {
        case Outcome::TitleLeft:
            ++played.games;
            played.frames_in_game = 0;
            return;
        case Outcome::LevelDone: ++played.levels_done; break;
        case Outcome::Died: ++played.deaths; break;
        case Outcome::Won: ++played.wins; break;
        case Outcome::Frame: break;
        default: return;  // not a game frame
    }
    ++played.game_frames;
    ++played.frames_in_game;
    if (r.state.game.depth > played.depth) {
        played.depth = r.state.game.depth;
        played.frames = played.frames_in_game;
        played.scoring_polls = r.state.script_polls;
    }
}

}  // namespace murlo
