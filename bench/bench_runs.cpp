// Whole runs of every preset as the calculation form's START would make them,
// and two long runs that show the cost of one integration step, of the whole
// run and of its timing pass alone.
#include <benchmark/benchmark.h>

#include <string>
#include <tuple>

#include "fault/faults.h"
#include "model/state.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "run/formport.h"
#include "run/steploop.h"
#include "scenarios/presets.h"
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

// Time per integration step of a whole run (from START to the drawn graph),
// over the steps of the two passes the run stands for (the recording pass
// integrates the timing pass's trajectory), the figure to compare with one
// pass of the step alone. Steps per pass are counted from its end time.
void BM_Steps(benchmark::State& state, PresetList list, int index, double dt0)
{
    TempWorkDir dir;
    double steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(list, index, dt0);
        state.ResumeTiming();
        runOnce(state);
        steps += 2 * (st.t / st.dt0);
    }
    state.counters["per_step"] = benchmark::Counter(steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A form that ends the run at its first report from the recording pass.
class TimingPassOnly : public FormPort {
public:
    bool runProgress(int pass, double, double) override { return pass != 2; }
};

// The timing pass alone, per step: the run ends at the first report from
// the recording pass, run in full, kCheckpointSteps - 1 steps into it.
void BM_TimingPass(benchmark::State& state, PresetList list, int index, double dt0)
{
    TempWorkDir dir;
    TimingPassOnly form;
    setFormPort(&form);
    recordInFull(true);
    double steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(list, index, dt0);
        state.ResumeTiming();
        try {
            Flugbahn();
            state.SkipWithError("the run was not cancelled");
        } catch (const RunCancelled&) {
        }
        steps += st.dtProbe * kSamples / st.dt0 + (kCheckpointSteps - 1);
    }
    recordInFull(false);
    setFormPort(nullptr);
    state.counters["per_step"] = benchmark::Counter(steps, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A rocket whose 1 N of thrust at 1 N*s/kg uses up its mass in step
// 245 * 4096 - 1 of the timing pass, the last step before a test of the fault
// flags: the run pays for the longest replay there is.
void BM_FaultingRun(benchmark::State& state)
{
    constexpr double dt0 = 1.0 / 1024;
    constexpr long long faultStep = 245 * kCheckpointSteps - 1;

    TempWorkDir dir;
    double steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(PresetList::Projectil, 0, dt0);
        st.Szenario.Klasse = 8;
        st.Schub = 1, st.Iud = 1, st.Mt = 1e9;
        st.MassaStart = faultStep * dt0, st.H0 = 1e5, st.Hk = -1e12, st.Tk = 1e9;
        state.ResumeTiming();
        try {
            Flugbahn();
            state.SkipWithError("the run did not fail");
        } catch (const FloatError&) {
        }
        steps += faultStep;
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
    for (const auto& [name, list, index, dt0] : { std::tuple { "projectile dt0=1e-5", PresetList::Projectil, 0, 1e-5 },
             std::tuple { "Apollo K=0,3 dt0=1e-4", PresetList::Landekapsel, 2, 1e-4 } }) {
        benchmark::RegisterBenchmark((std::string("Steps/") + name).c_str(), BM_Steps, list, index, dt0)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("Timing pass/") + name).c_str(), BM_TimingPass, list, index, dt0)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    }
    benchmark::RegisterBenchmark("Fault/rocket out of mass in step 1003519", BM_FaultingRun)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    return 0;
}

const int registered = registerAll();

} // namespace
