// One graph as the run draws it at its end: the default selection over a
// projectile's arc, 500 samples per series.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/catalog.h"
#include "model/state.h"
#include "plot/grafik.h"
#include "plot/scene.h"

namespace {

using torv::st;

// A 45-degree shot at 100 m/s without drag, sampled 500 times over its flight.
void fillArc()
{
    torv::resetState();
    const double g = 9.8, v0 = 100, q0 = 0.785, tEnd = 2 * v0 * std::sin(q0) / g;
    for (int i = 0; i < 500; ++i) {
        const double t = tEnd * (i + 1) / 500;
        const double vx = v0 * std::cos(q0), vy = v0 * std::sin(q0) - g * t;
        const double v = std::sqrt(vx * vx + vy * vy);
        st.Ergebnis[0 * 500 + i] = t;
        st.Ergebnis[1 * 500 + i] = v;
        st.Ergebnis[2 * 500 + i] = 0.5 * 1.225 * v * v;
        st.Ergebnis[3 * 500 + i] = std::max(0.0, v0 * std::sin(q0) * t - g * t * t / 2);
        st.Ergebnis[4 * 500 + i] = 57.3 * std::atan2(vy, vx);
        st.Ergebnis[9 * 500 + i] = -0.01 * v * v / 98;
    }
    st.NPunkte = 500;
    st.PageSize = 15000;
    st.Titel = "  TORV vers 1.16 Beta  ";
    torv::applyGraphSelection(torv::Sel::RunEnd);
}

void BM_DrawDefaultGraph(benchmark::State& state)
{
    fillArc();
    for (auto _ : state) {
        QImage img = torv::drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_DrawDefaultGraph)->Unit(benchmark::kMillisecond);

// The layout alone, without painting.
void BM_LayoutDefaultGraph(benchmark::State& state)
{
    fillArc();
    for (auto _ : state) {
        auto scene = torv::layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, '.');
        benchmark::DoNotOptimize(scene.ops.data());
    }
}
BENCHMARK(BM_LayoutDefaultGraph)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
