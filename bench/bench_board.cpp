// What murlo-board spends on the game when a run is submitted, on one
// core: the run verified as the server does it (murlo::server::verify: from
// start-up through the runner, the pictures left undrawn), and beside it
// the same run stepped through the runner with every frame drawn, as a
// host plays it. Each iteration takes the next of the runs given, so the
// time is the mean over them.
// Runs are files of input scripts or run links, named after the
// benchmark's own flags; without any, the won game (tests/replay/
// win.script). Counters: the polls of a run on average, and runs verified
// a second (per core: the benchmark runs on one thread).
//
// usage: bench_board [--benchmark_...] [RUN_FILE...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "runner/headless.h"
#include "runner/runner.h"
#include "server/verify.h"
#include "runs/script.h"

namespace {

std::vector<murlo::runs::Script> runs;
double mean_polls = 0;

void BM_VerifyRun(benchmark::State& state) {
    std::size_t next = 0;
    std::int64_t deepest = 0;
    for (auto _ : state) {
        const murlo::server::Verdict verdict = murlo::server::verify(runs[next]);
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

void BM_StepRunDrawn(benchmark::State& state) {
    std::size_t next = 0;
    std::int64_t deepest = 0;
    for (auto _ : state) {
        const auto runner = std::make_unique<murlo::Runner>();
        murlo::play_headless(*runner, runs[next], [&](const murlo::Runner& r) {
            deepest = std::max<std::int64_t>(deepest, r.state.game.depth);
        });
        benchmark::DoNotOptimize(runner->state.game);
        next = (next + 1) % runs.size();
    }
    state.counters["polls"] = mean_polls;
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
        polls += static_cast<double>(murlo::server::count_polls(script, ~std::uint64_t{0}));
        runs.push_back(std::move(script));
    }
    mean_polls = polls / static_cast<double>(runs.size());
    benchmark::RegisterBenchmark("BM_VerifyRun", BM_VerifyRun)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_StepRunDrawn", BM_StepRunDrawn)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
