#include "tools/bot/stepping.h"

namespace murlo::bot {

ScriptRun play_script(Game& g, Calls& calls, const InputBits* keys, std::size_t count) {
    ScriptRun run{0, 0, 0, 0};
    start_up(g, calls);
    for (std::size_t i = 0; i < count; ++i) {
        const Outcome o = step_with(g, calls, keys[i]);
        if (is_game_frame(o)) ++run.game_frames;
        if (o == Outcome::LevelDone) ++run.levels_done;
        if (o == Outcome::Died) ++run.deaths;
        if (o == Outcome::Won) ++run.wins;
    }
    return run;
}

}  // namespace murlo::bot
