// One whole game frame: a step at a game frame's poll with no key held,
// its calls listed and left unplayed. Every iteration starts from the same
// saved Game, so the board cannot drift (blocks would otherwise settle and
// the work would shrink). The copy back is part of the timed loop;
// BM_RestoreOnly times it alone.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "board/board.h"
#include "board/falling.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"

namespace murlo {
namespace {

// Every step's calls go here; too large for the stack, and made once.
Calls calls;

// The state right after the title: a fresh board, full air, the player at
// the top in cell (3, 2). The board is drawn straight from the start-up
// seed, without the title's draws, so it is the same from one version of
// the title to the next.
Game fresh_board() {
    Game g;
    start_up(g, calls);
    g.well.rng_state = rng_seed;
    step(g, input::Z, calls);  // leaves the title
    g.cur_input = 0;
    g.prev_input = 0;
    return g;
}

// Marks a block as a dig would (Doomed and Check), at a pseudo-random place
// below the top rows and never in the player's column (if one is found).
void dig_somewhere(Board& board, std::uint32_t& pick) {
    for (int tries = 0; tries < 1000; ++tries) {
        pick = pick * 1103515245u + 12345u;
        int column = static_cast<int>((pick >> 16) % 7);
        if (column >= 3) ++column;
        const auto c = static_cast<std::int8_t>(column);
        const auto r = static_cast<std::int8_t>(4 + (pick >> 8) % 24);
        if (!is_block(get_kind(board, c, r)) || test_flag(board, c, r, Loose)) continue;
        set_flag(board, c, r, Doomed);
        set_flag(board, c, r, Check);
        return;
    }
}

// A game some way in: blocks dug every few frames all over the well, so
// groups are breaking and crumbling, loose blocks shake and slide, and landed
// blocks drop and test their groups. The last dig was made in the frame
// before the measured one.
Game busy_board() {
    Game g = fresh_board();
    g.depth = 42;
    std::uint32_t pick = 12345;
    for (int frame = 0; frame < 90; ++frame) {
        if (frame % 4 == 0) dig_somewhere(g.well.board, pick);
        advance_board(g.well);
    }
    dig_somewhere(g.well.board, pick);
    return g;
}

// The support analysis at its most expensive: one kind everywhere over an
// empty bottom row, so every block hangs, each one's group search runs to the
// 25-entry cap, and no search finds a held member. Only the player's cell and
// the one above it are open. A frame makes at most one search per block in
// each of the two passes that search, and a capped search in the breaking
// pass breaks the cells it examined, which the support pass then skips; so
// the support pass searching every block to the cap is about the worst a
// frame can meet.
Game hanging_board(bool check_everywhere) {
    Game g = fresh_board();
    Board& board = g.well.board;
    for (int i = 0; i < board_cells - board_columns; ++i) board.cell[i] = Soft1 << 4;
    for (int i = board_cells - board_columns; i < board_cells; ++i) board.cell[i] = 0;
    board.cell[cell_index(3, 1)] = 0;
    board.cell[cell_index(3, 2)] = 0;
    // With Check on every block the breaking pass searches too (and breaks
    // what it finds, which then leaves gaps for the support pass).
    if (check_everywhere)
        for (int i = 0; i < board_cells; ++i)
            if (board.cell[i] != 0) board.cell[i] |= 1u << Check;
    return g;
}

struct Census {
    int loose = 0;
    int crumbling = 0;
    int sliding = 0;  // loose with the timer past fall_delay
    int checked = 0;
};

Census census(const Well& well) {
    Census n;
    for (int i = 0; i < board_cells; ++i) {
        const std::uint8_t cell = well.board.cell[i];
        if (cell & (1u << Loose)) ++n.loose;
        if ((cell & (1u << Loose)) && well.board.fall_timer[i] >= well.fall_delay) ++n.sliding;
        if ((cell >> 4) == Crumbling) ++n.crumbling;
        if ((cell & (1u << Check)) && is_block(cell >> 4)) ++n.checked;
    }
    return n;
}

// Shows what the measured frame starts from and what it leaves behind.
void report(benchmark::State& state, const Game& saved) {
    Game g = saved;
    const Census before = census(g.well);
    step(g, 0, calls);
    const Census after = census(g.well);
    state.counters["loose_before"] = before.loose;
    state.counters["sliding_before"] = before.sliding;
    state.counters["crumbling_before"] = before.crumbling;
    state.counters["check_before"] = before.checked;
    state.counters["loose_after"] = after.loose;
}

// The game being stepped lives outside the loop, as the game of a host does.
Game game;

void run_frames(benchmark::State& state, const Game& saved) {
    for (auto _ : state) {
        game = saved;
        step(game, 0, calls);
        if (calls.outcome != Outcome::Frame) {
            state.SkipWithError("the measured step was not a plain game frame");
            break;
        }
        benchmark::DoNotOptimize(calls);
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
    const Game saved = hanging_board(false);
    for (auto _ : state) {
        game = saved;
        advance_board(game.well);
        benchmark::DoNotOptimize(game);
        benchmark::ClobberMemory();
    }
}

void BM_RestoreOnly(benchmark::State& state) {
    const Game saved = busy_board();
    for (auto _ : state) {
        game = saved;
        benchmark::DoNotOptimize(game);
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
