// murlo-autoplay: a developer's tool that plays the real game through one
// or more levels, or to the win, and prints the input script it used, in
// the script format of murlo-replay.
//
// It steps the game itself, one key per frame, and copies the Game to try
// things out (its board reading and moves are murlo-soak's too, in
// tools/bot). At each point where the player stands still it tries
// short plans (dig down, go left, go right, wait). It follows the lines of
// play that look best, side by side, and when a level is complete goes on
// from the best line that completed it. The script found is then played
// once more from start-up, step by step, exactly as murlo-replay would play
// it, and printed only if that run gets as far without dying.
//
// Two ways of playing, chosen by the number of levels:
// - One level (the default) is a sprint: a single line, each plan judged
//   by looking ahead 120 frames (the plan, one more, then plain digging
//   down), with air worth little next to depth.
// - More levels need air kept. Deeper down the air drains faster (10 +
//   depth / 50 a frame) and blocks fall sooner, so a Hard block, at 2000
//   air for its second dig, costs as much as many rows and capsules are
//   what keeps the player alive. Here the tool follows 200 lines at once,
//   each judged by where its plan has led (depth, with each row worth the
//   air ten frames drain at that level), and a completed level waits a
//   little for lines that arrive later with more air. Lines die where a
//   block falls on them and the others go on.
//
// usage: murlo-autoplay [--levels N] [--beam WIDTH] [MAX_TITLE_FRAMES]
// N is 1 to 10 (10: the whole game, to the ending and back on the title).
// WIDTH overrides the number of lines followed. The boards depend on how
// long the title screen ran; the tool tries 0, 1, 2, ... title frames up to
// the limit (default 50) until a run succeeds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"
#include "game/player.h"
#include "game/rules.h"
#include "runner/headless.h"
#include "runs/script.h"
#include "tools/bot/moves.h"
#include "tools/bot/stepping.h"

namespace {

using murlo::InputBits;
using murlo::bot::Act;
using murlo::bot::at_rest;
namespace key = murlo::input;

// ---- The game being searched ---------------------------------------------

// Every step's calls, listed and never carried out.
murlo::Calls calls;

// The game and what its steps have told so far. Copied whole to try things
// out and to follow many lines of play.
struct Snapshot {
    murlo::Game game;
    int levels_done;  // steps that completed a level, the win included
    bool died;        // a step ended in a death
    bool won;         // a step ended in the win
};

Snapshot now;

Snapshot save() { return now; }
void restore(const Snapshot& s) { now = s; }

constexpr int last_level = 10;  // completing it, at depth 1000, wins

bool level_done(int start_levels) { return now.levels_done != start_levels; }

// The last level ends the game in the frame that completes it: a win, not a
// death, although the game is over all the same.
bool won() { return now.won && !now.died; }

// One game frame with the key given; false when the game ended in it.
// Callers that go on after a false look at won(): the level is then done.
bool step(InputBits k, std::vector<InputBits>* record) {
    if (record != nullptr) record->push_back(k);
    const murlo::Outcome outcome = murlo::bot::step_with(now.game, calls, k);
    if (outcome == murlo::Outcome::LevelDone || outcome == murlo::Outcome::Won) ++now.levels_done;
    if (outcome == murlo::Outcome::Died) now.died = true;
    if (outcome == murlo::Outcome::Won) now.won = true;
    return !murlo::bot::ends_game(outcome);
}

// ---- Plans -----------------------------------------------------------------

// Each plan is one of the shared moves: dig down (a burrow, which after a
// scroll digs on: looking ahead, that sees further down), walk one column
// left or right, wait.
enum class Plan { DigDown, GoLeft, GoRight, Wait };
constexpr Plan plans[] = {Plan::DigDown, Plan::GoLeft, Plan::GoRight, Plan::Wait};

murlo::bot::Move move_of(Plan plan) {
    switch (plan) {
        case Plan::DigDown: return {Act::Burrow, 0, 0};
        case Plan::GoLeft: return {Act::Walk, -1, 1};
        case Plan::GoRight: return {Act::Walk, 1, 1};
        case Plan::Wait: break;
    }
    return {Act::Wait, 0, 0};
}

// Run a plan to its end. Returns false if the player died.
bool run_plan(Plan plan, std::vector<InputBits>* record, int& frames_left, int start_levels) {
    murlo::bot::Running run = murlo::bot::begin_move(now.game, move_of(plan));
    InputBits k = 0;
    while (frames_left > 0 && !level_done(start_levels) &&
           murlo::bot::move_key(now.game, run, k)) {
        --frames_left;
        if (!step(k, record)) return won();
    }
    return true;
}

// Until the player comes to rest (falling, finishing a walk), no keys.
bool settle(std::vector<InputBits>* record, int& frames_left, int start_levels) {
    while (frames_left > 0 && !level_done(start_levels) && !at_rest(now.game)) {
        --frames_left;
        if (!step(0, record)) return won();
    }
    return true;
}

// ---- How the player weighs its choices -------------------------------------

struct Style {
    int beam_width;      // lines followed side by side
    bool look_ahead;     // judge a plan by looking ahead, not by where it led
    double row_frames;   // a row of depth is worth the air drained in this many frames
    int extra_rounds;    // rounds the other lines go on once one completes a level
};

// One level: the greedy sprint. A row is worth 1000 air whatever the drain.
constexpr Style sprint{1, true, 0, 0};
// The whole game: many lines, each row worth ten frames of drain.
constexpr Style long_haul{200, false, 10, 20};

Style style = sprint;
double row_air = 1000;  // set for each level from the style

// What a position is worth: depth and air together, in tenths of air.
double value() { return now.game.depth * (row_air / 10.0) + now.game.air / 10.0; }

// How good the position reached is: dying is worst, then depth and air.
double outcome(bool alive, int frames_used, int start_levels) {
    if (!alive) return -1e9 + frames_used;
    if (level_done(start_levels)) return 1e8 - frames_used;
    return value();
}

constexpr int horizon = 120;

double try_plans(Plan first, Plan second, int start_levels) {
    int left = horizon;
    bool alive = run_plan(first, nullptr, left, start_levels) &&
                 settle(nullptr, left, start_levels) &&
                 run_plan(second, nullptr, left, start_levels);
    while (alive && left > 0 && !level_done(start_levels)) {
        alive = settle(nullptr, left, start_levels) &&
                run_plan(Plan::DigDown, nullptr, left, start_levels);
    }
    return outcome(alive, horizon - left, start_levels);
}

// The best that looking ahead finds after `first`: the most promising
// second plan, then digging down. Below -1e8 when all of them die.
double look_ahead(Plan first, int start_levels) {
    const Snapshot here = save();
    double best = -2e9;
    for (const Plan second : plans) {
        best = std::max(best, try_plans(first, second, start_levels));
        restore(here);
    }
    return best;
}

// ---- Lines of play ----------------------------------------------------------

// One line of play that the search follows: the game as it stands (at rest,
// or with the level done), the keys that led there since the level began,
// and how promising it is.
struct Line {
    Snapshot state;
    std::vector<InputBits> keys;
    double score = 0;
};

constexpr int level_budget = 4000;  // frames a line may take for one level

// Lines that reach the same position keep only the most promising: the
// board, the player and the keys it holds, not the air it took.
std::uint64_t position_key(const Snapshot& s) {
    std::uint64_t h = 14695981039346656037ull;
    auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    const murlo::Board& board = s.game.well.board;
    for (int i = 0; i < murlo::board_cells; ++i) {
        mix(board.cell[i]);
        mix(board.fall_timer[i]);
    }
    mix(static_cast<std::uint8_t>(s.game.player_x));
    mix(static_cast<std::uint32_t>(s.game.player_y));
    mix(static_cast<std::uint32_t>(s.game.depth));
    mix(s.game.cur_input);
    return h;
}

// Branch a line at its point of rest: each plan that does not lead to death
// (seen by looking ahead, or by what happens) makes a new line, carried on
// until the player is at rest again. Lines that complete the level go to
// `done`.
void expand(const Line& line, int start_levels, std::vector<Line>& children,
            std::vector<Line>& done) {
    for (const Plan plan : plans) {
        restore(line.state);
        Line child{line.state, line.keys, 0};
        if (style.look_ahead) {
            child.score = look_ahead(plan, start_levels);
            if (child.score < -1e8) continue;
        }
        int left = level_budget - static_cast<int>(child.keys.size());
        const int before = left;
        if (!run_plan(plan, &child.keys, left, start_levels)) continue;
        if (left == before) {  // a plan that could not start: wait a frame
            if (!step(0, &child.keys) && !won()) continue;
            --left;
        }
        if (!settle(&child.keys, left, start_levels)) continue;
        if (!style.look_ahead) child.score = value();
        child.state = save();
        if (level_done(start_levels))
            done.push_back(std::move(child));
        else if (at_rest(now.game))
            children.push_back(std::move(child));
        // else out of frames for this level
    }
}

// One level, from its fresh board until the next one is built (or the game
// is won). Each round every line followed branches; the most promising new
// lines, one per position, are followed in the next. Once a line completes
// the level the others get a few more rounds, and the most promising of
// those that completed it is played. False when every line dies, is
// trapped or runs out of frames.
bool play_level(std::vector<InputBits>& script) {
    const int start_levels = now.levels_done;
    // A row is worth the air that ten frames drain halfway down the level.
    if (style.row_frames > 0)
        row_air = style.row_frames * murlo::air_drain(now.game.depth + murlo::level_depth / 2);
    std::vector<Line> beam{{save(), {}, 0}};
    std::vector<Line> done;
    int deepest = now.game.depth;
    int rounds_left = style.extra_rounds;
    while (!beam.empty() && (done.empty() || rounds_left-- > 0)) {
        std::vector<Line> children;
        for (const Line& line : beam) expand(line, start_levels, children, done);
        std::stable_sort(children.begin(), children.end(),
                         [](const Line& a, const Line& b) { return a.score > b.score; });
        beam.clear();
        std::vector<std::uint64_t> seen;
        for (Line& child : children) {
            if (static_cast<int>(beam.size()) >= style.beam_width) break;
            const std::uint64_t key = position_key(child.state);
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
            seen.push_back(key);
            deepest = std::max(deepest, static_cast<int>(child.state.game.depth));
            beam.push_back(std::move(child));
        }
    }
    if (done.empty()) {
        std::fprintf(stderr, "murlo-autoplay: trapped, deepest line at depth %d\n", deepest);
        return false;
    }
    // Judged by position, all at the same depth: the most air is best.
    const Line* best = &done.front();
    for (const Line& line : done)
        if (line.score > best->score) best = &line;
    restore(best->state);
    script.insert(script.end(), best->keys.begin(), best->keys.end());
    std::fprintf(stderr, "murlo-autoplay: depth %d reached with %d air after %zu frames\n",
                 static_cast<int>(now.game.depth), static_cast<int>(now.game.air),
                 best->keys.size());
    return true;
}

// ---- One attempt -----------------------------------------------------------

// Start-up, `title_frames` title passes, then Z (which play never reads)
// leaves the title.
bool search(int title_frames, int levels, std::vector<InputBits>& script) {
    script.assign(static_cast<std::size_t>(title_frames), 0);
    script.push_back(key::Z);
    now = {};
    murlo::start_up(now.game, calls);
    murlo::bot::leave_title(now.game, calls, title_frames, key::Z, [] {});
    for (int level = 1; level <= levels; ++level)
        if (!play_level(script)) return false;
    if (won()) return true;
    // A few quiet frames on the next level's fresh board.
    for (int i = 0; i < 10; ++i)
        if (!step(0, &script)) return false;
    return true;
}

// The script played from start-up, one value per poll, as murlo-replay
// plays it: `levels` levels complete without a death, and after the last
// one the ending (the cycle is then back on the title, whose first poll
// ends the script) or play on the next level's board.
bool confirm(const std::vector<InputBits>& script, int levels) {
    const auto r = std::make_unique<murlo::Runner>();
    const murlo::Played run = murlo::play_headless(*r, murlo::runs::script_of(script));
    const murlo::Game& g = r->state.game;
    if (run.deaths != 0) return false;
    if (levels == last_level)
        return run.wins == 1 && run.levels_done == last_level - 1 && g.depth == murlo::final_depth;
    return run.wins == 0 && run.levels_done == levels &&
           g.well.fall_delay == murlo::first_fall_delay - levels &&
           g.depth >= murlo::level_depth * levels;
}

void print_script(const std::vector<InputBits>& script, int title_frames, int levels) {
    if (levels == 1)
        std::printf("# The first level played to its end by murlo-autoplay: %d title frame(s),\n"
                    "# then Z to start; the level is complete at depth 100.\n",
                    title_frames);
    else if (levels == last_level)
        std::printf("# The whole game won by murlo-autoplay --levels %d: %d title frame(s),\n"
                    "# then Z to start; ten levels to depth 1000, the ending, and back on\n"
                    "# the title.\n",
                    levels, title_frames);
    else
        std::printf("# %d levels played by murlo-autoplay --levels %d: %d title frame(s),\n"
                    "# then Z to start; play goes on at depth %d.\n",
                    levels, levels, title_frames, 100 * levels);
    int on_line = 0;
    for (std::size_t i = 0; i < script.size();) {
        std::size_t j = i;
        while (j < script.size() && script[j] == script[i]) ++j;
        if (j - i > 1)
            on_line += std::printf("%02x*%zu", script[i], j - i);
        else
            on_line += std::printf("%02x", script[i]);
        i = j;
        if (on_line >= 64 || i == script.size()) {
            std::printf("\n");
            on_line = 0;
        } else {
            std::printf(" ");
            ++on_line;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int max_title_frames = 50;
    int levels = 1;
    int beam_width = 0;  // 0: the style's own
    bool usage_error = false;
    bool have_max = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--beam" && i + 1 < argc) {
            beam_width = std::atoi(argv[++i]);
            usage_error |= beam_width < 1;
        } else if (arg == "--levels" && i + 1 < argc) {
            levels = std::atoi(argv[++i]);
            usage_error |= levels < 1 || levels > last_level;
        } else if (!have_max && !arg.empty() && arg[0] != '-') {
            max_title_frames = std::atoi(arg.c_str());
            have_max = true;
        } else {
            usage_error = true;
        }
    }
    if (usage_error || max_title_frames < 0) {
        std::fputs("usage: murlo-autoplay [--levels N] [--beam WIDTH] [MAX_TITLE_FRAMES]\n",
                   stderr);
        return 2;
    }
    style = levels == 1 ? sprint : long_haul;
    if (beam_width > 0) style.beam_width = beam_width;
    for (int title_frames = 0; title_frames <= max_title_frames; ++title_frames) {
        std::vector<InputBits> script;
        if (!search(title_frames, levels, script)) {
            std::fprintf(stderr, "murlo-autoplay: %d title frame(s): no way down found\n",
                         title_frames);
            continue;
        }
        if (!confirm(script, levels)) {
            std::fprintf(stderr,
                         "murlo-autoplay: %d title frame(s): the replayed script did not "
                         "get as far\n",
                         title_frames);
            continue;
        }
        print_script(script, title_frames, levels);
        std::fprintf(stderr, "murlo-autoplay: %d level(s) complete in %zu polls\n", levels,
                     script.size());
        return 0;
    }
    std::fputs("murlo-autoplay: no script found\n", stderr);
    return 1;
}
