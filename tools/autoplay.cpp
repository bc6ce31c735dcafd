// murlo-autoplay: a developer's tool that plays the real game through one
// or more levels, or to the win, and prints the input script it used, in
// the script format of murlo-replay.
//
// It brings its own host. While it searches, the host hands the game the
// key chosen for each frame and the tool saves and restores the whole game
// state to try things out. At each point where the player stands still it
// tries short plans (dig down, go left, go right, wait). It follows the
// lines of play that look best, side by side, and when a level is complete
// goes on from the best line that completed it. The script found is then
// played once more through game_main from start-up, exactly as
// murlo-replay would play it, and printed only if that run gets as far
// without dying.
//
// Two ways of playing, chosen by the number of levels:
// - One level (the default) is a sprint: a single line, each plan judged
//   by looking ahead 120 frames (the plan, one more, then plain digging
//   down), with air worth little next to depth.
// - More levels need air kept. Deeper down the air drains faster (10 +
//   depth / 50 a frame) and blocks fall sooner, so a Hard block, at 2000
//   air, costs as much as many rows and capsules are what keeps the player
//   alive. Here the tool follows 200 lines at once, each judged by where
//   its plan has led (depth, with each row worth the air ten frames drain
//   at that level), and a completed level waits a little for lines that
//   arrive later with more air. Lines die where a block falls on them and
//   the others go on.
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
#include <string>
#include <vector>

#include "board/board.h"
#include "board/group.h"
#include "board/support.h"
#include "game/game.h"
#include "game/host.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/state.h"
#include "lcd/lcd.h"
#include "screens/status.h"
#include "screens/title.h"

namespace {

using murlo::InputBits;
namespace key = murlo::input;

// ---- The host -------------------------------------------------------------

struct ScriptEnd {};

struct HostState {
    bool playback = false;
    const std::vector<InputBits>* script = nullptr;  // playback: the values in turn
    std::size_t next = 0;
    InputBits planned = 0;  // search: the value the next poll returns
    bool died = false;      // "auu.wav" was started
    bool ending = false;    // "ending.wav" was started: the game was won
    long polls = 0;
};

HostState host;

// ---- Whole game state, saved and restored for look-ahead -------------------

// The game's own state plus what this host saw happen.
struct Snapshot {
    murlo::GameState game;
    bool died;
    bool ending;
};

Snapshot save() { return {murlo::save_game_state(), host.died, host.ending}; }

void restore(const Snapshot& s) {
    murlo::restore_game_state(s.game);
    host.died = s.died;
    host.ending = s.ending;
}

// ---- Reading the board around the player -----------------------------------

int column_of(int x) { return x / 8; }
int row_of(int y) { return y / 8; }
int kind_at(int column, int row) {
    return murlo::get_kind(static_cast<std::int8_t>(column), static_cast<std::int8_t>(row));
}

bool centred() { return (murlo::player_x + 4) % 8 == 0; }
int player_row() { return row_of(murlo::player_y); }
int below_kind() { return kind_at(column_of(murlo::player_x), row_of(murlo::player_y + 4)); }

// The player stands centred on a block and will not move by itself: the
// moment to choose what to do next.
bool at_rest() { return centred() && below_kind() >= murlo::Hard; }

constexpr int last_level = 10;  // completing it, at depth 1000, wins

bool level_done(std::int8_t start_delay) { return murlo::fall_delay != start_delay; }

// The last level ends the game in the frame that completes it: a win, not a
// death, although the game is over all the same.
bool won() { return host.ending && !host.died; }

// ---- Plans -----------------------------------------------------------------

enum class Plan { DigDown, GoLeft, GoRight, Wait };
constexpr Plan plans[] = {Plan::DigDown, Plan::GoLeft, Plan::GoRight, Plan::Wait};

struct Running {
    Plan plan;
    int frames = 0;
    int start_x = 0;
    int start_row = 0;
};

Running start(Plan plan) { return {plan, 0, murlo::player_x, player_row()}; }

// A key aimed at a Hard block must be let go for a frame between its two
// digs; any other target just takes the key held.
InputBits press(InputBits k, int target_kind) {
    if (target_kind == murlo::Hard && (murlo::cur_input & k)) return 0;
    return k;
}

// The key for the next frame of a plan, or false when the plan is over.
bool next_key(Running& run, InputBits& out) {
    const int x = murlo::player_x;
    const int y = murlo::player_y;
    switch (run.plan) {
        case Plan::DigDown:
            if (player_row() > run.start_row && at_rest()) return false;
            if (run.frames >= 60) return false;
            out = centred() ? press(key::Down, kind_at(column_of(x), row_of(y + 5))) : 0;
            break;
        case Plan::GoLeft:
        case Plan::GoRight: {
            const bool right = run.plan == Plan::GoRight;
            if (x != run.start_x && centred()) return false;
            if (run.frames >= 40) return false;
            if (x == run.start_x && (right ? x >= murlo::player_x_max : x <= murlo::player_x_min)) return false;
            if (!centred() && !(below_kind() >= murlo::Hard)) {
                out = 0;  // the walk goes on by itself
                break;
            }
            const int target = right ? kind_at(column_of(x + 4), row_of(y))
                                     : kind_at(column_of(x - 5), row_of(y));
            out = press(right ? key::Right : key::Left, target);
            break;
        }
        case Plan::Wait:
            if (run.frames >= 4) return false;
            out = 0;
            break;
    }
    ++run.frames;
    return true;
}

// One game frame with the key given; false when the game ended in it.
// Callers that go on after a false look at won(): the level is then done.
bool step(InputBits k, std::vector<InputBits>* record) {
    host.planned = k;
    if (record != nullptr) record->push_back(k);
    return !murlo::game_frame();
}

// Run a plan to its end. Returns false if the player died.
bool run_plan(Plan plan, std::vector<InputBits>* record, int& frames_left,
              std::int8_t start_delay) {
    Running run = start(plan);
    InputBits k = 0;
    while (frames_left > 0 && !level_done(start_delay) && next_key(run, k)) {
        --frames_left;
        if (!step(k, record)) return won();
    }
    return true;
}

// Until the player comes to rest (falling, finishing a walk), no keys.
bool settle(std::vector<InputBits>* record, int& frames_left, std::int8_t start_delay) {
    while (frames_left > 0 && !level_done(start_delay) && !at_rest()) {
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
double value() { return murlo::depth * (row_air / 10.0) + murlo::air / 10.0; }

// How good the position reached is: dying is worst, then depth and air.
double outcome(bool alive, int frames_used, std::int8_t start_delay) {
    if (!alive) return -1e9 + frames_used;
    if (level_done(start_delay)) return 1e8 - frames_used;
    return value();
}

constexpr int horizon = 120;

double try_plans(Plan first, Plan second, std::int8_t start_delay) {
    int left = horizon;
    bool alive = run_plan(first, nullptr, left, start_delay) &&
                 settle(nullptr, left, start_delay) &&
                 run_plan(second, nullptr, left, start_delay);
    while (alive && left > 0 && !level_done(start_delay)) {
        alive = settle(nullptr, left, start_delay) &&
                run_plan(Plan::DigDown, nullptr, left, start_delay);
    }
    return outcome(alive, horizon - left, start_delay);
}

// The best that looking ahead finds after `first`: the most promising
// second plan, then digging down. Below -1e8 when all of them die.
double look_ahead(Plan first, std::int8_t start_delay) {
    const Snapshot here = save();
    double best = -2e9;
    for (const Plan second : plans) {
        best = std::max(best, try_plans(first, second, start_delay));
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
    for (int i = 0; i < murlo::board_cells; ++i) {
        mix(s.game.board.cell[i]);
        mix(s.game.board.fall_timer[i]);
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
void expand(const Line& line, std::int8_t start_delay, std::vector<Line>& children,
            std::vector<Line>& done) {
    for (const Plan plan : plans) {
        restore(line.state);
        Line child{line.state, line.keys, 0};
        if (style.look_ahead) {
            child.score = look_ahead(plan, start_delay);
            if (child.score < -1e8) continue;
        }
        int left = level_budget - static_cast<int>(child.keys.size());
        const int before = left;
        if (!run_plan(plan, &child.keys, left, start_delay)) continue;
        if (left == before) {  // a plan that could not start: wait a frame
            if (!step(0, &child.keys) && !won()) continue;
            --left;
        }
        if (!settle(&child.keys, left, start_delay)) continue;
        if (!style.look_ahead) child.score = value();
        child.state = save();
        if (level_done(start_delay))
            done.push_back(std::move(child));
        else if (at_rest())
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
    const std::int8_t start_delay = murlo::fall_delay;
    if (style.row_frames > 0) row_air = style.row_frames * (10 + (murlo::depth + 50) / 50);
    std::vector<Line> beam{{save(), {}, 0}};
    std::vector<Line> done;
    int deepest = murlo::depth;
    int rounds_left = style.extra_rounds;
    while (!beam.empty() && (done.empty() || rounds_left-- > 0)) {
        std::vector<Line> children;
        for (const Line& line : beam) expand(line, start_delay, children, done);
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
                 static_cast<int>(murlo::depth), static_cast<int>(murlo::air),
                 best->keys.size());
    return true;
}

// ---- One attempt -----------------------------------------------------------

// Start-up and the title as game_main runs them, leaving the title after
// `title_frames` frames with Z (which play never reads).
std::vector<InputBits> title_keys(int title_frames) {
    std::vector<InputBits> keys(static_cast<std::size_t>(title_frames), 0);
    keys.push_back(key::Z);
    return keys;
}

void start_game(const std::vector<InputBits>& title) {
    murlo::reset_program_state();
    host = {};
    host.playback = true;
    host.script = &title;
    murlo::start_up();
    murlo::begin_cycle();
    murlo::title_screen();
    murlo::begin_game();
    host.playback = false;
}

bool search(int title_frames, int levels, std::vector<InputBits>& script) {
    script = title_keys(title_frames);
    start_game(script);
    for (int level = 1; level <= levels; ++level)
        if (!play_level(script)) return false;
    if (won()) return true;
    // A few quiet frames on the next level's fresh board.
    for (int i = 0; i < 10; ++i)
        if (!step(0, &script)) return false;
    return true;
}

// The script played from start-up through game_main, as murlo-replay plays
// it: `levels` levels complete without a death, and after the last one the
// ending (the cycle is then back on the title, whose first poll ends the
// script) or play on the next level's board.
bool confirm(const std::vector<InputBits>& script, int levels) {
    murlo::reset_program_state();
    host = {};
    host.playback = true;
    host.script = &script;
    try {
        murlo::game_main();
    } catch (const ScriptEnd&) {
    }
    if (host.died || host.next != script.size()) return false;
    if (levels == last_level) return host.ending && murlo::depth == 1000;
    return !host.ending && murlo::fall_delay == 24 - levels && murlo::depth >= 100 * levels;
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

// ---- Host operations --------------------------------------------------------

namespace murlo {

void create_main_window() {}

InputBits poll_input() {
    ++host.polls;
    if (!host.playback) return host.planned;
    if (host.script == nullptr || host.next >= host.script->size()) throw ScriptEnd{};
    return (*host.script)[host.next++];
}

void present_frame(const LcdFrame&) {}
void wait_ticks(std::uint32_t) {}

void play_sound(const char* name) {
    if (name == nullptr) return;
    if (std::string(name) == "auu.wav") host.died = true;
    if (std::string(name) == "ending.wav") host.ending = true;
}

void stop_sound() {}

}  // namespace murlo

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
