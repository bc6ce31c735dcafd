#include "cycle/cycle.h"

#include "board/board.h"
#include "board/falling.h"
#include "game/player.h"
#include "game/rules.h"
#include "screens/board_view.h"
#include "screens/sequences.h"
#include "screens/status.h"
#include "screens/title.h"

namespace murlo {

namespace {

void clear_calls(Calls& calls) {
    calls.count = 0;
    calls.frames = 0;
}

// Keep the last poll's keys in prev_input and take the new ones.
void latch_input(Game& g, InputBits keys) {
    g.prev_input = g.cur_input;
    g.cur_input = keys;
}

// A pass of the game cycle begins with the title music and the specks'
// seeds; the next poll is the title's. The last game stays as its final
// frame left it until a key starts the next one.
void begin_title(Game& g, Calls& calls) {
    play_sound(calls, Sound::Title);
    for (std::uint32_t& seed : g.speck_seed) seed = rng_next(g.well.rng_state);
    g.phase = Phase::Title;
}

// A key held at a title poll: the music stops and a game begins on a
// fresh board, up to its first frame's poll. (Air, the depth box and the
// fall delay are set for the game here rather than as the title begins:
// the title reads none of them.)
void leave_title(Game& g, Calls& calls) {
    g.air = air_full;
    g.depth_show_frames = 0;
    g.well.fall_delay = first_fall_delay;
    stop_sound(calls);
    g.depth = 0;
    g.depth_shown = 0;
    new_board(g);
    g.phase = Phase::Play;
    calls.outcome = Outcome::TitleLeft;
}

void title_poll(Game& g, InputBits keys, Calls& calls) {
    latch_input(g, keys);
    if (keys != 0) {
        leave_title(g, calls);
        return;
    }
    // The random state doubles as the title's clock.
    draw_title(g.lcd, g.speck_seed, g.well.rng_state);
    present_frame(calls, g.lcd);
    ++g.well.rng_state;
    calls.outcome = Outcome::TitlePass;
}

// One game frame, from its poll. The last frame shown before a death or a
// win is the one it happened in; the game then goes back to the title.
void game_frame(Game& g, InputBits keys, Calls& calls) {
    clear_frame(g.lcd);
    latch_input(g, keys);
    // Board steps first, so the player moves against this frame's board.
    advance_board(g.well);
    scroll_board(g);
    move_player(g);
    player_dig(g, calls);
    // The player goes under the board so a block falling onto it hides it.
    draw_player(g);
    draw_board(g.lcd, g.well, g.player_x, g.player_y);
    draw_air_gauge(g);
    draw_depth(g);
    present_frame(calls, g.lcd);
    if (check_hazards(g, calls)) {
        play_sound(calls, Sound::Auu);
        show_result(g, calls);
        show_game_over(g, calls);
        calls.outcome = Outcome::Died;
        begin_title(g, calls);
        return;
    }
    calls.outcome = Outcome::Frame;
    const LevelGoal goal = check_level_goal(g);
    if (goal != LevelGoal::Playing) {
        show_result(g, calls);
        if (goal == LevelGoal::Won) {
            show_ending(g, calls);
            calls.outcome = Outcome::Won;
            begin_title(g, calls);
            return;
        }
        // The next level on a fresh board, keeping air and depth; this
        // frame still waits and drains.
        new_board(g);
        calls.outcome = Outcome::LevelDone;
    }
    wait_ticks(calls, frame_wait_ticks);
    drain_air(g);
}

}  // namespace

void start_up(Game& g, Calls& calls, std::uint32_t seed) {
    clear_calls(calls);
    g = Game{};
    g.prev_input = 0;
    g.well.rng_state = seed;
    // Until the first game, an empty well with the digger at its top.
    g.player_x = player_x_start;
    g.player_y = player_y_start;
    g.facing = Facing::Down;
    g.air = air_full;
    g.well.fall_delay = first_fall_delay;
    begin_title(g, calls);
    calls.outcome = Outcome::Started;
}

void step(Game& g, InputBits keys, Calls& calls) {
    clear_calls(calls);
    if (g.phase == Phase::Title)
        title_poll(g, keys, calls);
    else
        game_frame(g, keys, calls);
}

}  // namespace murlo
