// Cost of the physics per integration step: the atmosphere alone, and the
// whole per-step pipeline (atmosphere, Mach number, motion step).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "physics/faults.h"
#include "physics/subrout.h"
#include "sim/state.h"

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

// One step as the run performs it, without recording.
void pipelineStep(int klasse)
{
    Atmosphere(st.H, st.Temp, st.Druck, st.Aschall, st.Roh, st.Mu);
    if (st.H > 120000)
        st.Aschall = 290;
    st.Mach = st.V / st.Aschall;
    Bewegung(st.Auftrieb, st.P, st.S, klasse, st.qDyn, st.ny, st.nx, st.Q, st.V, st.X, st.H, st.t, st.CyRun, st.CxRun,
             st.Roh, st.dt0, st.Vwind, st.Belastung);
}

void BM_StepGeneral(benchmark::State& state)
{
    resetState();
    fpClear();
    auto start = [] {
        st.Massa = 1, st.S = 0.02, st.CxRun = 0.01, st.V = 100, st.Q = 45 / 57.3, st.H = 1, st.X = 0, st.t = 0;
        st.dt0 = 1e-5, st.Belastung = 50;
    };
    start();
    for (auto _ : state) {
        pipelineStep(1);
        if (st.H <= 0)
            start();
    }
    benchmark::DoNotOptimize(st.X);
}
BENCHMARK(BM_StepGeneral);

void BM_StepReentry(benchmark::State& state)
{
    resetState();
    fpClear();
    auto start = [] {
        st.Massa = 5560, st.S = 12, st.CxRun = 0.85, st.CyRun = 0.252, st.V = 11200, st.Q = -6.5 / 57.3;
        st.H = 120000, st.X = 0, st.t = 0, st.dt0 = 1e-4, st.Belastung = 5560 / 12.0;
    };
    start();
    for (auto _ : state) {
        pipelineStep(7);
        if (st.H <= 0 || st.t > 2000)
            start();
    }
    benchmark::DoNotOptimize(st.X);
}
BENCHMARK(BM_StepReentry);

}  // namespace
