#include "game/game.h"

#include "board/board.h"
#include "board/falling.h"
#include "board/group.h"
#include "board/support.h"
#include "game/player.h"
#include "game/rules.h"
#include "screens/board_view.h"
#include "screens/status.h"
#include "screens/title.h"

namespace murlo {

InputBits cur_input = 0;
InputBits prev_input = 0;
std::int32_t air = 0;
std::int32_t depth = 0;

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
    fall_delay = 24;
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
    break_and_crumble();
    analyse_support();
    advance_fall_timers();
    drop_loose_blocks();
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
    if (check_hazards()) return true;
    if (check_level_goal()) return true;
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

void reset_program_state() {
    cur_input = 0;
    prev_input = 0;
    air = 0;
    depth = 0;
    lcd = {};
    board = {};
    fall_delay = 0;
    rng_state = 0;
    group_list = {};
    group_count = 0;
    for (std::uint8_t& mask : support_mask) mask = 0;
    player_x = 0;
    player_y = 0;
    facing = Facing::Right;
    blink_counter = 0;
    depth_shown = 0;
    depth_show_frames = 0;
}

}  // namespace murlo
