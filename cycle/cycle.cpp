#include "cycle/cycle.h"

#include "board/board.h"
#include "board/falling.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/status.h"
#include "screens/board_view.h"
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
    g.closing = Closing::Nothing;
    g.closing_step = 0;
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

void title_poll(Game& g, InputBits keys, Calls& calls, bool draw) {
    latch_input(g, keys);
    if (keys != 0) {
        leave_title(g, calls);
        return;
    }
    // The random state doubles as the title's clock.
    if (draw) draw_title(g.lcd, g.speck_seed, g.well.rng_state);
    present_frame(calls, g.lcd);
    ++g.well.rng_state;
    calls.outcome = Outcome::TitlePass;
}

// A frame ends with its wait, after which the air drains: nothing is
// listed between the two, so the drain is done with the wait listed.
void end_frame(Game& g, Calls& calls) {
    wait_ticks(calls, frame_wait_ticks);
    drain_air(g);
}

// The closing pictures, from where they stand up to their next wait; then
// what follows them: the next level on a fresh board (this level's last
// frame still waits and drains), or the title.
void run_closing(Game& g, Calls& calls) {
    for (;;) {
        switch (g.phase) {
            case Phase::Result:
                if (run_result(g, calls)) return;
                if (g.closing == Closing::LevelDone) {
                    new_board(g);
                    g.phase = Phase::Play;
                    g.closing = Closing::Nothing;
                    g.closing_step = 0;
                    end_frame(g, calls);
                    return;
                }
                g.phase = g.closing == Closing::Won ? Phase::Ending : Phase::GameOver;
                g.closing_step = 0;
                break;
            case Phase::Ending:
                if (run_ending(g, calls)) return;
                g.phase = Phase::GameOver;
                g.closing_step = 0;
                break;
            case Phase::GameOver:
                if (run_game_over(g, calls)) return;
                begin_title(g, calls);
                calls.outcome = Outcome::BackToTitle;
                return;
            default:
                return;
        }
    }
}

void begin_closing(Game& g, Calls& calls, Closing why) {
    g.phase = Phase::Result;
    g.closing = why;
    g.closing_step = 0;
    run_closing(g, calls);
}

// One game frame, from its poll. The last frame shown before a death or a
// win is the one it happened in; the closing pictures follow.
void game_frame(Game& g, InputBits keys, Calls& calls, bool draw) {
    if (draw) clear_frame(g.lcd);
    latch_input(g, keys);
    // Board steps first, so the player moves against this frame's board.
    advance_board(g.well);
    scroll_board(g);
    move_player(g);
    player_dig(g, calls);
    // The player goes under the board so a block falling onto it hides it.
    count_blink(g);
    if (draw) {
        draw_player(g.lcd, g);
        draw_board(g.lcd, g.well, g.player_x, g.player_y);
        draw_air_gauge(g.lcd, g);
    }
    count_depth_box(g);
    if (draw) draw_depth(g.lcd, g);
    present_frame(calls, g.lcd);
    if (check_hazards(g, calls)) {
        play_sound(calls, Sound::Auu);
        calls.outcome = Outcome::Died;
        begin_closing(g, calls, Closing::Died);
        return;
    }
    calls.outcome = Outcome::Frame;
    switch (check_level_goal(g)) {
        case LevelGoal::Playing: end_frame(g, calls); return;
        case LevelGoal::LevelDone:
            // The next level on a fresh board once the result is over,
            // keeping air and depth.
            calls.outcome = Outcome::LevelDone;
            begin_closing(g, calls, Closing::LevelDone);
            return;
        case LevelGoal::Won:
            calls.outcome = Outcome::Won;
            begin_closing(g, calls, Closing::Won);
            return;
    }
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

void advance(Game& g, InputBits keys, Calls& calls, bool draw) {
    clear_calls(calls);
    switch (g.phase) {
        case Phase::Title: title_poll(g, keys, calls, draw); return;
        case Phase::Play: game_frame(g, keys, calls, draw); return;
        default:
            calls.outcome = Outcome::Closing;
            run_closing(g, calls);
            return;
    }
}

Outcome step(Game& g, InputBits keys, Calls& calls) {
    advance(g, keys, calls);
    const Outcome outcome = calls.outcome;
    while (!awaits_poll(g)) advance(g, 0, calls);
    calls.outcome = outcome;
    return outcome;
}

}  // namespace murlo
