// What murlo-board spends on the game when a run is submitted: the run
// played from start-up through the runner, every frame drawn, as the
// server verifies it (murlo::board::verify), on one core. Each iteration
// verifies the next of the runs given, so the time is the mean over them.
// Runs are files of input scripts or run links, named after the
// benchmark's own flags; without any, the won game (tests/replay/
// win.script). Counters: the polls of a run on average, and runs verified
// a second (per core: the benchmark runs on one thread).
//
// usage: bench_board [--benchmark_...] [RUN_FILE...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/board-server/verify.h"
#include "runs/script.h"

namespace {

std::vector<murlo::runs::Script> runs;
double mean_polls = 0;

void BM_VerifyRun(benchmark::State& state) {
    std::size_t next = 0;
    std::int64_t deepest = 0;
    for (auto _ : state) {
        const murlo::board::Verdict verdict = murlo::board::verify(runs[next]);
        benchmark::DoNotOptimize(verdict);
        deepest = std::max<std::int64_t>(deepest, verdict.depth);
        next = (next + 1) % runs.size();
    }
    state.counters["polls"] = mean_polls;
    state.counters["runs"] = static_cast<double>(runs.size());
    state.counters["deepest"] = static_cast<double>(deepest);
    state.counters["runs_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<std::string> paths(argv + 1, argv + argc);
    if (paths.empty()) paths.emplace_back(MURLO_WIN_SCRIPT);
    double polls = 0;
    for (const std::string& path : paths) {
        murlo::runs::Script script;
        std::string problem;
        if (!murlo::runs::load_script(path.c_str(), script, problem)) {
            std::fprintf(stderr, "bench_board: %s\n", problem.c_str());
            return 2;
        }
        polls += static_cast<double>(murlo::board::count_polls(script, ~std::uint64_t{0}));
        runs.push_back(std::move(script));
    }
    mean_polls = polls / static_cast<double>(runs.size());
    benchmark::RegisterBenchmark("BM_VerifyRun", BM_VerifyRun)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
