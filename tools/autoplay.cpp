// murlo-autoplay: a developer's tool that plays the real game until the
// first level is complete and prints the input script it used, in the
// script format of murlo-replay.
//
// It brings its own host. While it searches, the host hands the game the
// key chosen for each frame and the tool saves and restores the whole game
// state to look ahead: at each point where the player stands still it tries
// short plans (dig down, go left, go right, wait), each followed by plain
// digging down, and keeps the plan whose outcome is best. The script found
// is then played once more through game_main from start-up, exactly as
// murlo-replay would play it, and printed only if that run completes the
// level without dying.
//
// usage: murlo-autoplay [MAX_TITLE_FRAMES]
// The board depends on how long the title screen ran; the tool tries 0, 1,
// 2, ... title frames up to the limit (default 50) until a run succeeds.
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
    long polls = 0;
};

HostState host;

// ---- Whole game state, saved and restored for look-ahead -------------------

struct Snapshot {
    murlo::Board board;
    std::int8_t fall_delay;
    std::uint32_t rng_state;
    murlo::LcdFrame lcd;
    murlo::GroupList group_list;
    std::int8_t group_count;
    std::uint8_t support_mask[30];
    std::int8_t player_x;
    std::int32_t player_y;
    murlo::Facing facing;
    InputBits cur_input;
    InputBits prev_input;
    std::int32_t air;
    std::int32_t depth;
    std::uint8_t blink_counter;
    std::int32_t depth_shown;
    std::int32_t depth_show_frames;
    bool died;
};

Snapshot save() {
    Snapshot s{};
    s.board = murlo::board;
    s.fall_delay = murlo::fall_delay;
    s.rng_state = murlo::rng_state;
    s.lcd = murlo::lcd;
    s.group_list = murlo::group_list;
    s.group_count = murlo::group_count;
    for (int i = 0; i < 30; ++i) s.support_mask[i] = murlo::support_mask[i];
    s.player_x = murlo::player_x;
    s.player_y = murlo::player_y;
    s.facing = murlo::facing;
    s.cur_input = murlo::cur_input;
    s.prev_input = murlo::prev_input;
    s.air = murlo::air;
    s.depth = murlo::depth;
    s.blink_counter = murlo::blink_counter;
    s.depth_shown = murlo::depth_shown;
    s.depth_show_frames = murlo::depth_show_frames;
    s.died = host.died;
    return s;
}

void restore(const Snapshot& s) {
    murlo::board = s.board;
    murlo::fall_delay = s.fall_delay;
    murlo::rng_state = s.rng_state;
    murlo::lcd = s.lcd;
    murlo::group_list = s.group_list;
    murlo::group_count = s.group_count;
    for (int i = 0; i < 30; ++i) murlo::support_mask[i] = s.support_mask[i];
    murlo::player_x = s.player_x;
    murlo::player_y = s.player_y;
    murlo::facing = s.facing;
    murlo::cur_input = s.cur_input;
    murlo::prev_input = s.prev_input;
    murlo::air = s.air;
    murlo::depth = s.depth;
    murlo::blink_counter = s.blink_counter;
    murlo::depth_shown = s.depth_shown;
    murlo::depth_show_frames = s.depth_show_frames;
    host.died = s.died;
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

bool level_done(std::int8_t start_delay) { return murlo::fall_delay != start_delay; }

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
            if (x == run.start_x && (right ? x >= 60 : x <= 4)) return false;
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
bool step(InputBits k, std::vector<InputBits>* record) {
    host.planned = k;
    if (record != nullptr) record->push_back(k);
    return !murlo::game_frame();
}

// Run a plan to its end. Returns false if the game ended (death).
bool run_plan(Plan plan, std::vector<InputBits>* record, int& frames_left,
              std::int8_t start_delay) {
    Running run = start(plan);
    InputBits k = 0;
    while (frames_left > 0 && !level_done(start_delay) && next_key(run, k)) {
        --frames_left;
        if (!step(k, record)) return false;
    }
    return true;
}

// Until the player comes to rest (falling, finishing a walk), no keys.
bool settle(std::vector<InputBits>* record, int& frames_left, std::int8_t start_delay) {
    while (frames_left > 0 && !level_done(start_delay) && !at_rest()) {
        --frames_left;
        if (!step(0, record)) return false;
    }
    return true;
}

constexpr int horizon = 120;

// How good the position reached is: dying is worst, then depth and air.
double outcome(bool alive, int frames_used, std::int8_t start_delay) {
    if (!alive) return -1e9 + frames_used;
    if (level_done(start_delay)) return 1e8 - frames_used;
    return murlo::depth * 100.0 + murlo::air / 10.0;
}

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

bool search(int title_frames, std::vector<InputBits>& script) {
    script = title_keys(title_frames);
    start_game(script);
    const std::int8_t start_delay = murlo::fall_delay;
    int budget = 4000;
    while (!level_done(start_delay)) {
        if (budget <= 0) return false;
        if (!at_rest()) {
            if (!step(0, &script)) return false;
            --budget;
            continue;
        }
        const Snapshot here = save();
        double best = -2e9;
        Plan chosen = Plan::DigDown;
        for (const Plan first : plans) {
            for (const Plan second : plans) {
                const double score = try_plans(first, second, start_delay);
                restore(here);
                if (score > best) {
                    best = score;
                    chosen = first;
                }
            }
        }
        if (best < -1e8) {  // every plan dies
            std::fprintf(stderr, "murlo-autoplay: trapped at depth %d, air %d\n",
                         static_cast<int>(murlo::depth), static_cast<int>(murlo::air));
            return false;
        }
        int left = budget;
        if (!run_plan(chosen, &script, left, start_delay)) return false;
        if (left == budget) {  // a plan that could not start: wait a frame
            if (!step(0, &script)) return false;
            --left;
        }
        budget = left;
    }
    // A few quiet frames on the next level's fresh board.
    for (int i = 0; i < 10; ++i)
        if (!step(0, &script)) return false;
    return true;
}

// The script played from start-up through game_main, as murlo-replay plays it.
bool confirm(const std::vector<InputBits>& script) {
    murlo::reset_program_state();
    host = {};
    host.playback = true;
    host.script = &script;
    try {
        murlo::game_main();
    } catch (const ScriptEnd&) {
    }
    return !host.died && murlo::fall_delay == 23 && murlo::depth >= 100 &&
           host.next == script.size();
}

void print_script(const std::vector<InputBits>& script, int title_frames) {
    std::printf("# The first level played to its end by murlo-autoplay: %d title frame(s),\n"
                "# then Z to start; the level is complete at depth 100.\n",
                title_frames);
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
    if (name != nullptr && std::string(name) == "auu.wav") host.died = true;
}

void stop_sound() {}

}  // namespace murlo

int main(int argc, char** argv) {
    int max_title_frames = 50;
    if (argc > 2 || (argc == 2 && (max_title_frames = std::atoi(argv[1])) < 0)) {
        std::fputs("usage: murlo-autoplay [MAX_TITLE_FRAMES]\n", stderr);
        return 2;
    }
    for (int title_frames = 0; title_frames <= max_title_frames; ++title_frames) {
        std::vector<InputBits> script;
        if (!search(title_frames, script)) {
            std::fprintf(stderr, "murlo-autoplay: %d title frame(s): no way down found\n",
                         title_frames);
            continue;
        }
        if (!confirm(script)) {
            std::fprintf(stderr,
                         "murlo-autoplay: %d title frame(s): the replayed script did not "
                         "complete the level\n",
                         title_frames);
            continue;
        }
        print_script(script, title_frames);
        std::fprintf(stderr, "murlo-autoplay: level complete in %zu polls, air left %d\n",
                     script.size(), static_cast<int>(murlo::air));
        return 0;
    }
    std::fputs("murlo-autoplay: no level-completing script found\n", stderr);
    return 1;
}
