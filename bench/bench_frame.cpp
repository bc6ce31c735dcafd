// One whole game frame, run against a host that neither draws nor waits.
// Every iteration starts from the same saved game state, so the board cannot
// drift (blocks would otherwise settle and the work would shrink). The copy
// back is part of the timed loop; BM_RestoreOnly times it alone.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "board/board.h"
#include "board/falling.h"
#include "game/game.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/state.h"
#include "lcd/lcd.h"

namespace murlo {
namespace {

using Snapshot = GameState;

Snapshot take_snapshot() { return save_game_state(); }
void restore(const Snapshot& s) { restore_game_state(s); }

// The state right after the title: a fresh board, full air, the player at
// the top in cell (3, 2).
void start_game() {
    reset_program_state();
    start_up();
    begin_cycle();
    begin_game();
}

Snapshot fresh_board() {
    start_game();
    return take_snapshot();
}

// Marks a block as a dig would (Doomed and Check), at a pseudo-random place
// below the top rows and never in the player's column (if one is found).
void dig_somewhere(std::uint32_t& pick) {
    for (int tries = 0; tries < 1000; ++tries) {
        pick = pick * 1103515245u + 12345u;
        int column = static_cast<int>((pick >> 16) % 7);
        if (column >= 3) ++column;
        const auto c = static_cast<std::int8_t>(column);
        const auto r = static_cast<std::int8_t>(4 + (pick >> 8) % 24);
        if (!is_block(get_kind(c, r)) || test_flag(c, r, Loose)) continue;
        set_flag(c, r, Doomed);
        set_flag(c, r, Check);
        return;
    }
}

// A game some way in: blocks dug every few frames all over the well, so
// groups are breaking and crumbling, loose blocks shake and slide, and landed
// blocks drop and test their groups. The last dig was made in the frame
// before the measured one.
Snapshot busy_board() {
    start_game();
    depth = 42;
    std::uint32_t pick = 12345;
    for (int frame = 0; frame < 90; ++frame) {
        if (frame % 4 == 0) dig_somewhere(pick);
        advance_board();
    }
    dig_somewhere(pick);
    return take_snapshot();
}

// The support analysis at its most expensive: one kind everywhere over an
// empty bottom row, so every block hangs, each one's group search runs to the
// 25-entry cap, and no search finds a held member. Only the player's cell and
// the one above it are open. A frame makes at most one search per block in
// each of the two passes that search, and a capped search in the breaking
// pass breaks the cells it examined, which the support pass then skips; so
// the support pass searching every block to the cap is about the worst a
// frame can meet.
Snapshot hanging_board(bool check_everywhere) {
    start_game();
    for (int i = 0; i < board_cells - board_columns; ++i) board.cell[i] = Soft1 << 4;
    for (int i = board_cells - board_columns; i < board_cells; ++i) board.cell[i] = 0;
    board.cell[cell_index(3, 1)] = 0;
    board.cell[cell_index(3, 2)] = 0;
    // With Check on every block the breaking pass searches too (and breaks
    // what it finds, which then leaves gaps for the support pass).
    if (check_everywhere)
        for (int i = 0; i < board_cells; ++i)
            if (board.cell[i] != 0) board.cell[i] |= 1u << Check;
    return take_snapshot();
}

struct Census {
    int loose = 0;
    int crumbling = 0;
    int sliding = 0;  // loose with the timer past fall_delay
    int checked = 0;
};

Census census() {
    Census n;
    for (int i = 0; i < board_cells; ++i) {
        const std::uint8_t cell = board.cell[i];
        if (cell & (1u << Loose)) ++n.loose;
        if ((cell & (1u << Loose)) && board.fall_timer[i] >= fall_delay) ++n.sliding;
        if ((cell >> 4) == Crumbling) ++n.crumbling;
        if ((cell & (1u << Check)) && is_block(cell >> 4)) ++n.checked;
    }
    return n;
}

// Shows what the measured frame starts from and what it leaves behind.
void report(benchmark::State& state, const Snapshot& saved) {
    restore(saved);
    const Census before = census();
    game_frame();
    const Census after = census();
    state.counters["loose_before"] = before.loose;
    state.counters["sliding_before"] = before.sliding;
    state.counters["crumbling_before"] = before.crumbling;
    state.counters["check_before"] = before.checked;
    state.counters["loose_after"] = after.loose;
}

void run_frames(benchmark::State& state, const Snapshot& saved) {
    for (auto _ : state) {
        restore(saved);
        if (game_frame()) {
            state.SkipWithError("the game ended in the measured frame");
            break;
        }
        benchmark::DoNotOptimize(lcd);
        benchmark::ClobberMemory();
    }
    report(state, saved);
}

void BM_FrameFreshBoard(benchmark::State& state) { run_frames(state, fresh_board()); }
void BM_FrameBusyBoard(benchmark::State& state) { run_frames(state, busy_board()); }
void BM_FrameAllHanging(benchmark::State& state) { run_frames(state, hanging_board(false)); }
void BM_FrameAllHangingAllChecked(benchmark::State& state) {
    run_frames(state, hanging_board(true));
}

// The four board steps alone on the worst board, to see their share.
void BM_BoardStepsAllHanging(benchmark::State& state) {
    const Snapshot saved = hanging_board(false);
    for (auto _ : state) {
        restore(saved);
        advance_board();
        benchmark::DoNotOptimize(board);
        benchmark::ClobberMemory();
    }
}

void BM_RestoreOnly(benchmark::State& state) {
    const Snapshot saved = busy_board();
    for (auto _ : state) {
        restore(saved);
        benchmark::DoNotOptimize(board);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_FrameFreshBoard)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameBusyBoard)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAllHanging)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAllHangingAllChecked)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BoardStepsAllHanging)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RestoreOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace murlo
