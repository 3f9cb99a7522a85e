// Whole runs of every preset as the calculation form's START would make them,
// and two long runs that show the cost of one integration step.
#include <benchmark/benchmark.h>

#include <string>

#include "app/presets.h"
#include "physics/faults.h"
#include "sim/activation.h"
#include "sim/flugbahn.h"
#include "sim/state.h"
#include "support/runfixtures.h"

using namespace torv;
using torv::testing::TempWorkDir;

namespace {

void prepare(PresetList list, int index, double dt0 = 0)
{
    resetState();
    choosePreset(list, index);
    activate('.');
    if (dt0 > 0)
        st.dt0 = dt0;
}

void runOnce(benchmark::State& state)
{
    fpClear();
    try {
        Flugbahn();
    } catch (const TorvError& e) {
        state.SkipWithError(e.what());
    }
}

void BM_Preset(benchmark::State& state, PresetList list, int index)
{
    TempWorkDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(list, index);
        state.ResumeTiming();
        runOnce(state);
    }
}

// Steps per run are counted from the end times of the two passes.
void BM_Steps(benchmark::State& state, PresetList list, int index, double dt0)
{
    TempWorkDir dir;
    double steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(list, index, dt0);
        state.ResumeTiming();
        runOnce(state);
        // Both passes integrate the same trajectory.
        steps += 2 * (st.t / st.dt0);
    }
    state.counters["per_step"] = benchmark::Counter(steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

int registerAll()
{
    for (PresetList list : kPresetLists) {
        const auto entries = presets(list);
        for (size_t i = 0; i < entries.size(); ++i) {
            std::string name
                = "Run/" + std::to_string(static_cast<int>(list)) + "." + std::to_string(i) + " " + entries[i].label;
            benchmark::RegisterBenchmark(name.c_str(), BM_Preset, list, static_cast<int>(i))
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("Steps/projectile dt0=1e-5", BM_Steps, PresetList::Projectil, 0, 1e-5)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("Steps/Apollo K=0,3 dt0=1e-4", BM_Steps, PresetList::Landekapsel, 2, 1e-4)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    return 0;
}

const int registered = registerAll();

} // namespace
