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

GameState save_game_state() {
    GameState s{};
    s.board = board;
    s.fall_delay = fall_delay;
    s.rng_state = rng_state;
    s.lcd = lcd;
    s.group_list = group_list;
    s.group_count = group_count;
    for (int i = 0; i < 30; ++i) s.support_mask[i] = support_mask[i];
    s.player_x = player_x;
    s.player_y = player_y;
    s.facing = facing;
    s.cur_input = cur_input;
    s.prev_input = prev_input;
    s.air = air;
    s.depth = depth;
    s.blink_counter = blink_counter;
    s.depth_shown = depth_shown;
    s.depth_show_frames = depth_show_frames;
    return s;
}

void restore_game_state(const GameState& s) {
    board = s.board;
    fall_delay = s.fall_delay;
    rng_state = s.rng_state;
    lcd = s.lcd;
    group_list = s.group_list;
    group_count = s.group_count;
    for (int i = 0; i < 30; ++i) support_mask[i] = s.support_mask[i];
    player_x = s.player_x;
    player_y = s.player_y;
    facing = s.facing;
    cur_input = s.cur_input;
    prev_input = s.prev_input;
    air = s.air;
    depth = s.depth;
    blink_counter = s.blink_counter;
    depth_shown = s.depth_shown;
    depth_show_frames = s.depth_show_frames;
}

void reset_program_state() { restore_game_state(GameState{}); }

}  // namespace murlo
