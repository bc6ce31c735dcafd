#include "game/game.h"

#include "board/board.h"
#include "board/falling.h"
#include "game/player.h"
#include "game/rules.h"
#include "screens/board_view.h"
#include "screens/sequences.h"
#include "screens/status.h"
#include "screens/title.h"

namespace murlo {

InputBits cur_input = 0;
InputBits prev_input = 0;

InputBits latch_input() {
    prev_input = cur_input;
    cur_input = poll_input();
    return cur_input;
}

void start_up() {
    prev_input = 0;
    rng_state = rng_seed;
}

void begin_cycle() {
    air = air_full;
    depth_show_frames = 0;
    fall_delay = first_fall_delay;
}

void begin_game() {
    depth = 0;
    depth_shown = 0;
    new_board();
}

bool game_frame() {
    clear_frame();
    latch_input();
    // Board steps first, so the player moves against this frame's board.
    advance_board();
    scroll_board();
    move_player();
    player_dig();
    // The player goes under the board so a block falling onto it hides it.
    draw_player();
    draw_board(player_x, player_y);
    draw_air_gauge();
    draw_depth();
    present_frame(lcd);
    // The last frame shown before a death or a win is the one it happened in.
    if (check_hazards()) {
        play_sound("auu.wav");
        show_result();
        show_game_over();
        return true;
    }
    const LevelGoal goal = check_level_goal();
    if (goal != LevelGoal::Playing) {
        show_result();
        if (goal == LevelGoal::Won) {
            show_ending();
            return true;
        }
        // The next level on a fresh board, keeping air and depth; this
        // frame still waits and drains.
        new_board();
    }
    wait_ticks(frame_wait_ticks);
    drain_air();
    return false;
}

void game_main() {
    start_up();
    create_main_window();
    for (;;) {
        begin_cycle();
        play_sound("title.wav");
        title_screen();
        stop_sound();
        begin_game();
        while (!game_frame()) {
        }
    }
}

}  // namespace murlo
