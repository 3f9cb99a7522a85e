// Cost of the physics per integration step: the atmosphere alone, and the
// whole step of a run without its sampling.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "fault/faults.h"
#include "physics/constants.h"
#include "physics/subrout.h"
#include "run/step.h"

using namespace torv;

namespace {

void BM_AtmosphereRandom(benchmark::State& state)
{
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-1000, 250000);
    std::vector<double> hs(4096);
    for (double& h : hs)
        h = u(rng);
    double T, p, a, rho, mu;
    size_t i = 0;
    for (auto _ : state) {
        Atmosphere(hs[i++ & 4095], T, p, a, rho, mu);
        benchmark::DoNotOptimize(rho);
    }
}
BENCHMARK(BM_AtmosphereRandom);

void BM_AtmosphereClimb(benchmark::State& state)
{
    double h = 0, T, p, a, rho, mu;
    for (auto _ : state) {
        h += 0.5;
        if (h > 150000)
            h = 0;
        Atmosphere(h, T, p, a, rho, mu);
        benchmark::DoNotOptimize(rho);
    }
}
BENCHMARK(BM_AtmosphereClimb);

// One step as the run performs it (run/step.h), without its sampling, from
// `start` until `restart` says the flight is over.
template <class F>
void runStep(benchmark::State& state, const StepState& start, const PassInputs& in, bool (*restart)(const StepState&))
{
    fpClear();
    StepState s = start;
    for (auto _ : state) {
        step<F, ByInputs>(s, in);
        if (restart(s))
            s = start;
    }
    benchmark::DoNotOptimize(s.X);
}

void BM_StepGeneral(benchmark::State& state)
{
    StepState s;
    s.Massa = 1, s.CxRun = 0.01, s.V = 100, s.Q = 45 / kDegPerRad, s.H = 1;
    PassInputs in;
    in.S = 0.02, in.dt0 = 1e-5, in.motion = MotionSet::kGeneral;
    runStep<Unchecked>(state, s, in, [](const StepState& s) { return s.H <= 0; });
}
BENCHMARK(BM_StepGeneral);

void BM_StepReentry(benchmark::State& state)
{
    StepState s;
    s.Massa = 5560, s.CxRun = 0.85, s.CyRun = 0.252, s.V = 11200, s.Q = -6.5 / kDegPerRad, s.H = 120000;
    PassInputs in;
    in.S = 12, in.dt0 = 1e-4, in.motion = MotionSet::kReentry, in.heating = true, in.RSAT = 1;
    runStep<Unchecked>(state, s, in, [](const StepState& s) { return s.H <= 0 || s.t > 2000; });
}
BENCHMARK(BM_StepReentry);

} // namespace
