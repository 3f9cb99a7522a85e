// A sweep of short runs, run by run as a worker of torv-batch makes them:
// the state prepared for the run, both passes, the summary and its line.
// Beside the long runs of bench_runs, whose cost is that of their steps,
// this shows what a short run pays around its steps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/runs.h"
#include "model/state.h"

using namespace torv;
using namespace torv::batch;

namespace {

// The integration step of run `i`, where the sweep gives it, else `step`.
double stepOf(const Plan& plan, long long i, double step)
{
    for (const auto& [field, value] : plan.assignments(i))
        if (field->var == &SimState::dt0)
            return value;
    return step;
}

// Per run, and per step of one pass of it: the figure to set beside one
// pass of the step alone. `kept`: the run's state with its samples is
// handed on, as with --out.
void BM_SweepRun(benchmark::State& state, const char* preset, const char* sweep, bool kept = false, bool two = false)
{
    Options options;
    options.preset = preset;
    options.sweeps = { sweep };
    options.jobs = "1";
    const Plan plan = makePlan(options);
    const SummaryText text(plan);
    const auto first = std::make_unique<SimState>();
    prepare(plan, {}, presetOfRun(plan, 0), *first);
    long long i = 0;
    double steps = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        // As a sweep without files runs it, nobody reads the run's state
        // after it, only its summary, whose flight time gives the steps.
        // Without files, two runs at a time, as torv-batch makes them.
        const long long run = i % plan.count();
        std::vector<RunResult> results;
        if (two) {
            for (RunResult& r : runTwo(plan, run, (run + 1) % plan.count(), quietObserver()))
                results.push_back(std::move(r));
        } else {
            results.push_back(kept ? runAlone(plan, run, [&bytes](SimState& s) { bytes += s.Ergebnis[1] > 0; })
                                   : runAlone(plan, run));
        }
        for (const RunResult& r : results) {
            const long long at = i % plan.count();
            bytes += text.runLine(plan, at, r).size();
            if (r.status != kOk)
                state.SkipWithError(r.error.c_str());
            steps += std::ceil(r.numbers[0] / stepOf(plan, at, first->dt0));
            ++i;
        }
    }
    state.SetItemsProcessed(i);
    benchmark::DoNotOptimize(bytes);
    state.counters["per_step"] = benchmark::Counter(steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
}

BENCHMARK_CAPTURE(BM_SweepRun, first projectile at its step, "1", "V0=100:101:20000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SweepRun, first projectile at a tenth of it, "1", "dt0=0.0005:0.0005:1")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SweepRun, first projectile at a hundredth of it, "1", "dt0=0.00005:0.00005:1")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SweepRun, first glider, "16", "V0=25:26:1000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SweepRun, first projectile at its step with its samples, "1", "V0=100:101:20000", true)
    ->Unit(benchmark::kMicrosecond);

} // namespace

namespace {
BENCHMARK_CAPTURE(BM_SweepRun, first projectile at its step two at a time, "1", "V0=100:101:20000", false, true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SweepRun, first projectile at a tenth of it two at a time, "1", "dt0=0.0005:0.0005:1", false, true)
    ->Unit(benchmark::kMicrosecond);
} // namespace
