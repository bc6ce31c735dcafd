// The depths the games of an input script reach, as the desktop game counts
// them for its best depth: one line for each game begun at or after poll
// FIRST (0-based; the polls before it stand for a played script's), in
// order: "ended DEPTH" for a game that died or won, "playing DEPTH" for the
// one still going where the script ends.
//   game_depths SCRIPT [FIRST]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cycle/cycle.h"
#include "runs/script.h"

int main(int argc, char** argv) {
    using namespace murlo;
    if (argc != 2 && argc != 3) {
        std::fputs("usage: game_depths SCRIPT [FIRST]\n", stderr);
        return 2;
    }
    runs::Script script;
    std::string problem;
    if (!runs::load_script(argv[1], script, problem)) {
        std::fprintf(stderr, "game_depths: %s\n", problem.c_str());
        return 2;
    }
    const unsigned long long first = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 0;
    Game game{};
    const auto calls = std::make_unique<Calls>();
    start_up(game, *calls);
    unsigned long long poll = 0;
    bool counts = false;
    for (const runs::ScriptRun& run : script)
        for (std::uint64_t i = 0; i < run.count; ++i, ++poll) {
            // The poll's outcome: a frame that died is Died, though its
            // closing pictures came after it in the same step.
            const Outcome outcome = step(game, run.value, *calls);
            if (outcome == Outcome::TitleLeft) counts = poll >= first;
            if ((outcome == Outcome::Died || outcome == Outcome::Won) && counts) {
                std::printf("ended %d\n", static_cast<int>(game.depth));
                counts = false;
            }
        }
    if (game.phase == Phase::Play && counts) std::printf("playing %d\n", static_cast<int>(game.depth));
    return 0;
}
