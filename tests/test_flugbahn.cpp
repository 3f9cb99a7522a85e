#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fault/faults.h"
#include "files/resultfiles.h"
#include "model/state.h"
#include "physics/subrout.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "run/steploop.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

// Every allocation of this test program is counted. The replacement pair
// uses malloc/free on purpose, which GCC mistakes for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::atomic<long> allocations { 0 };

void* operator new(std::size_t n)
{
    ++allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr double kSentinel = 7.5; // marks slots an earlier run left behind
constexpr double kTimeTol = 1e-9; // s, accumulated rounding of t

double& sample(int series, int slot)
{
    return st.Ergebnis[static_cast<size_t>(series * kSamples + slot - 1)];
}

void fillSentinel()
{
    st.Ergebnis.fill(kSentinel);
}

// A flight set up as the form's fields would leave it.
struct Flight {
    double klasse = 1;
    double m = 1, s0 = 0.02, cx = 0.45, cy = 0;
    double h0 = 0, v0 = 0, tto = 0;
    double tk = 100, dt0 = 0.01, hk = 0;
};

void load(const Flight& f)
{
    st.Szenario.Klasse = f.klasse;
    st.Klasse = static_cast<int>(f.klasse);
    st.g = 9.8;
    st.MassaStart = f.m, st.S0 = f.s0, st.Cx = f.cx, st.Cy = f.cy;
    st.H0 = f.h0, st.V0 = f.v0, st.TTO = f.tto;
    st.Tk = f.tk, st.dt0 = f.dt0, st.Hk = f.hk;
}

// A heavy body falling from 0 m with the end altitude far below: it keeps
// falling for as long as Tk allows.
Flight endlessFall(double tk, double dt0)
{
    Flight f;
    f.m = 1000, f.tto = -90, f.tk = tk, f.dt0 = dt0, f.hk = -1e12;
    return f;
}

// A reentry vehicle at H0 that stops after one step (H0 <= Hk).
Flight reentryStep(double h0, double v0)
{
    Flight f;
    f.klasse = 7, f.m = 5560, f.s0 = 12, f.cx = 0.85, f.cy = 0.252;
    f.h0 = h0, f.v0 = v0, f.tto = -6.5, f.hk = h0 + 1;
    return f;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t pos = 0;
    for (size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        out.push_back(text.substr(pos, end - pos));
    EXPECT_EQ(pos, text.size()) << "text after the last CRLF";
    return out;
}

std::vector<double> numbers(const std::string& line)
{
    std::istringstream in(line);
    std::vector<double> out;
    for (double v; in >> v;)
        out.push_back(v);
    return out;
}

// The first n graph codes the run chose.
std::vector<int> graphCodes(size_t n)
{
    return { st.GraphCodes.begin(), st.GraphCodes.begin() + n };
}

// The message of the E that Flugbahn throws; a failure if it throws none.
template <class E> std::string errorOf(const std::string& what = "")
{
    try {
        Flugbahn();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << what << ": no error";
    return {};
}

class Run : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        fpClear();
    }
    TempWorkDir dir;
    RecordingPort form;
};

} // namespace

TEST_F(Run, SamplesAtEveryFiftiethOfTheDuration)
{
    // 100 s at 0.01 s: samples at 0.01, 0.21, ... 99.61 s; slot 500 repeats 499.
    load({ .h0 = 100000, .tto = -90, .tk = 100, .dt0 = 0.01 });
    Flugbahn();
    for (int i = 1; i <= 499; ++i)
        ASSERT_NEAR(sample(0, i), 0.01 + 0.2 * (i - 1), kTimeTol) << "slot " << i;
    for (int k = 0; k <= 30; ++k)
        EXPECT_EQ(sample(k, 500), sample(k, 499)) << "series " << k;
    EXPECT_NEAR(st.dtProbe, 0.2, kTimeTol);
    EXPECT_EQ(form.graphs, 1);
}

TEST_F(Run, VeryLongPassRecordsItsFirstSteps)
{
    // 10 million steps per pass: dt0 <= 0.0001 dtProbe, so every step records,
    // the later ones all into slot 500. Their times, up to 100 000 s, put the
    // whole time series into hours.
    load(endlessFall(100000, 0.01));
    Flugbahn();
    EXPECT_EQ(st.FlagT, 3);
    for (int i = 1; i <= 499; ++i)
        ASSERT_NEAR(sample(0, i) * 3600, 0.01 * i, kTimeTol) << "slot " << i;
    EXPECT_EQ(sample(0, 500), sample(0, 499));
    // It fell below 0 m from the first step: recorded as 0, H stays negative.
    for (int i = 1; i <= 500; ++i)
        ASSERT_EQ(sample(3, i), 0.0) << "slot " << i;
    EXPECT_LT(st.H, -1e6);
}

TEST_F(Run, EndConditionMetAtStartStillTakesOneStep)
{
    struct Row {
        double h0, hk, tk;
    } rows[] = { { 0, 0, 100 }, { 5, 10, 100 }, { 100, 0, 0 }, { 100, 0, -5 }, { 100, 0, -1e300 } };
    for (const Row& r : rows) {
        SetUp();
        fillSentinel();
        load({ .h0 = r.h0, .v0 = 10, .tk = r.tk, .dt0 = 0.05, .hk = r.hk });
        Flugbahn();
        SCOPED_TRACE(::testing::Message() << "H0 " << r.h0 << " Hk " << r.hk << " Tk " << r.tk);
        EXPECT_EQ(st.t, 0.05);
        EXPECT_EQ(st.dtProbe, 0.05 / 500);
        EXPECT_EQ(sample(0, 1), 0.05);
        // Slots the run did not reach keep what an earlier run left.
        for (int k = 0; k < kSeriesCount; ++k)
            for (int i = 2; i <= 500; ++i)
                ASSERT_EQ(sample(k, i), kSentinel) << "series " << k << " slot " << i;
        for (int k = kRecordedSeries; k < kSeriesCount; ++k)
            ASSERT_EQ(sample(k, 1), kSentinel) << "series " << k;
    }
}

TEST_F(Run, RocketBurnsWhileTimeIsWithinBurnTime)
{
    // Mdot = 1000/1000 = 1 kg/s, tBurn = 0.625 s; at dt0 = 1/16 s the steps
    // starting at t = 0 .. 0.625 burn: floor(0.625/0.0625) + 1 = 11 steps.
    // Tk = 500 dt0: dtProbe = dt0, every step records.
    load({ .klasse = 8,
        .m = 10,
        .s0 = 0.01,
        .cx = 0.1,
        .h0 = 10000,
        .v0 = 0.01,
        .tto = 90,
        .tk = 500 * 0.0625,
        .dt0 = 0.0625 });
    st.Schub = 1000, st.Iud = 1000, st.Mt = 0.625;
    Flugbahn();
    const int burning = 11;
    for (int i = 1; i <= 499; ++i) {
        const double mass = 10 - std::min(i, burning) * 0.0625;
        const double thrust = i <= burning ? 1000 : 0;
        ASSERT_EQ(sample(0, i), i * 0.0625) << "slot " << i;
        ASSERT_EQ(sample(16, i), mass) << "slot " << i;
        ASSERT_EQ(sample(15, i), thrust) << "slot " << i;
        ASSERT_EQ(sample(17, i), thrust / mass) << "slot " << i;
    }
    EXPECT_EQ(st.Massa, 10 - 0.6875); // one step's fuel more than Mt
    EXPECT_EQ(st.P, 0);
}

TEST_F(Run, OtherClassesFlyWithoutThrust)
{
    for (double klasse : { 1.0, 4.0 }) {
        SetUp();
        load({ .klasse = klasse, .h0 = 100, .v0 = 10, .tk = 5 });
        st.Schub = 5000, st.Iud = 100, st.Mt = 50;
        st.VolumenStart = 100, st.HFlug = 1e9; // an airship with no buoyancy
        Flugbahn();
        for (int i = 1; i <= 500; ++i)
            ASSERT_EQ(sample(15, i), 0.0) << "class " << klasse << " slot " << i;
        if (klasse == 4) { // the airship still forms Mdot and tBurn
            EXPECT_EQ(st.Mdot, 50);
            EXPECT_EQ(st.tBurn, 1);
        }
    }
}

TEST_F(Run, DynamicPressureUnitFollowsTheLastSampleAbove1000Pa)
{
    // 1000 m/s at sea level: q = 1.225 * 1000^2 / 2 in the first step.
    const double q1 = 1.225 * (1000.0 * 1000.0) / 2;
    struct Row {
        double tk;
        int flagQ;
        double divisor;
    } rows[] = {
        { 0.05, 2, 1e6 }, // still above 100 kPa when time runs out
        { 100, 1, 1e3 }, // slows down to a few kPa before it lands
    };
    for (const Row& r : rows) {
        SetUp();
        load({ .cx = 1, .v0 = 1000, .tto = 10, .tk = r.tk, .hk = -1 });
        Flugbahn();
        EXPECT_EQ(st.FlagQ, r.flagQ) << "Tk " << r.tk;
        EXPECT_EQ(sample(2, 1), q1 / r.divisor) << "Tk " << r.tk;
    }
    double peak = 0;
    for (int i = 1; i <= 500; ++i)
        peak = std::max(peak, sample(2, i));
    EXPECT_GT(peak, 100.0) << "the long flight passed 100 kPa first";
}

TEST_F(Run, LongFlightsConvertTheWholeTimeSeries)
{
    // dtProbe = Tk/500 is a whole multiple of dt0: samples at dt0, then at
    // every dtProbe.
    struct Row {
        double tk, dt0;
        int flagT;
        double divisor;
    } rows[] = { { 4000, 1, 2, 60 }, { 40000, 10, 3, 3600 } };
    for (const Row& r : rows) {
        SetUp();
        load(endlessFall(r.tk, r.dt0));
        Flugbahn();
        const double dtProbe = r.tk / 500;
        EXPECT_EQ(st.FlagT, r.flagT);
        EXPECT_DOUBLE_EQ(sample(0, 1), r.dt0 / r.divisor);
        for (int i = 2; i <= 499; ++i)
            ASSERT_DOUBLE_EQ(sample(0, i), (i - 1) * dtProbe / r.divisor) << "slot " << i;
        EXPECT_EQ(sample(0, 500), sample(0, 499));
    }
}

TEST_F(Run, UnitFlagsConvertTheirSeries)
{
    // A heavy, fast rocket passes 10 km, 1 km/s, 10 kN and 10 t at once;
    // sample 1 is the state after the first step, in the larger units.
    load({ .klasse = 8, .m = 20000, .s0 = 1, .cx = 0.1, .h0 = 5000, .v0 = 2000, .tto = 45, .tk = 60 });
    st.Schub = 500000, st.Iud = 3000, st.Mt = 5000, st.Vwind = 5;
    Flugbahn();
    EXPECT_EQ(st.FlagH + st.FlagV + st.FlagX + st.FlagP + st.FlagM, 5);

    const double dt = 0.01, W = 5, Q = 45 / 57.3, P = 500000, S = 1, Cx = 0.1, g = 9.8;
    const double m = 20000 - P / 3000 * dt;
    double T, p, a, rho, mu;
    Atmosphere(5000, T, p, a, rho, mu);
    const double acc
        = (P - Cx * rho * (2000.0 * 2000.0) / 2 * S + Cx * rho * (W * W) / 2 * S * std::cos(Q) - m * g * std::sin(Q))
        / m;
    const double rel = 1e-12;
    EXPECT_NEAR(sample(16, 1), m / 1000, rel * m);
    EXPECT_EQ(sample(15, 1), P / 1000);
    EXPECT_NEAR(sample(7, 1), (2000 + W * std::cos(Q)) * std::cos(Q) * dt / 1000, rel * 20);
    EXPECT_NEAR(sample(3, 1), (5000 + 2000 * std::sin(Q) * dt) / 1000, rel * 5);
    EXPECT_NEAR(sample(1, 1), (2000 + acc * dt) / 1000, rel * 2);
    for (int i = 1; i <= 500; ++i)
        ASSERT_EQ(sample(13, i), W) << "slot " << i;
}

TEST_F(Run, ReservedAndDuplicateSeries)
{
    struct Row {
        PresetList list;
        int index;
    } rows[] = { { PresetList::Ballon, 1 }, { PresetList::Launcher, 1 }, { PresetList::Landekapsel, 6 } };
    for (const Row& r : rows) {
        SetUp();
        fillSentinel();
        choosePreset(r.list, r.index);
        activate('.');
        Flugbahn();
        SCOPED_TRACE(presets(r.list)[r.index].label);
        for (int i = 1; i <= 500; ++i) {
            ASSERT_EQ(sample(5, i), 0.0);
            ASSERT_EQ(sample(6, i), 0.0);
            ASSERT_EQ(sample(18, i), 0.0);
            ASSERT_EQ(sample(8, i), sample(11, i));
            ASSERT_EQ(sample(12, i), sample(20, i));
        }
    }
}

TEST_F(Run, BalloonEnvelopeAndFloatAltitude)
{
    choosePreset(PresetList::Ballon, 0); // hydrogen, 1000 kg, float at 1000 m
    activate('.');
    const double gasLoss = 4400; // L/m2 in 24 h: leaky enough to sink again
    st.Gasverlust = gasLoss;
    Flugbahn();

    // The envelope that carries 1000 kg at sea level (1.225 kg/m3), with the
    // force over the density difference as the volume.
    const double weight = 1000 * 9.8;
    const double volume = weight / (1.225 - 0.085);
    const double radius = std::pow(3 * volume / 4 / 3.14, 0.33);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.4g", 3.14 * radius * radius);
    ASSERT_EQ(form.edS0.size(), 2u); // once per pass
    EXPECT_EQ(form.edS0[0], shown);
    EXPECT_EQ(st.S0, std::strtod(shown, nullptr));
    EXPECT_EQ(st.S, st.S0);
    char loading[32];
    std::snprintf(loading, sizeof loading, "%.4g", 1000 / st.S0);
    ASSERT_EQ(form.edBelastung.size(), 2u);
    EXPECT_EQ(form.edBelastung[1], loading);

    // Rising: the buoyancy is the weight plus 1 %. After the float altitude
    // has been reached: the weight less the buoyancy of the lost gas, even
    // when it sinks below that altitude again.
    EXPECT_EQ(sample(12, 1), weight + weight / 100 * 1);
    const double surface = 12.56 * (radius * radius);
    bool floating = false, sankBelow = false;
    for (int i = 2; i <= 499; ++i) {
        if (floating) {
            const double tStep = sample(0, i) - 0.1; // time at the start of the step
            const double lost = gasLoss / 86400 / 1000 * surface * 0.1 * tStep;
            ASSERT_NEAR(sample(30, i), weight * lost / volume, 1e-9 * weight) << "slot " << i;
            ASSERT_NEAR(sample(12, i), weight - sample(30, i), 1e-9 * weight) << "slot " << i;
            sankBelow = sankBelow || sample(3, i) < 1000;
        }
        floating = floating || sample(3, i) >= 1000;
    }
    EXPECT_TRUE(floating);
    EXPECT_TRUE(sankBelow) << "the balloon never sank below its float altitude";
    EXPECT_EQ(st.GraphCount, 8);
    EXPECT_EQ(graphCodes(7), (std::vector<int> { 0, 3, 1, 21, 2, 9, 19 }));
}

TEST_F(Run, HeatFluxAndSpeedOfSoundByAltitude)
{
    const double v0 = 7800, rsat = 2;
    // Density at H0 as the step sees it (series 28 records it).
    auto heat
        = [&](double rho) { return 223200 / std::sqrt(rsat) * std::pow(rho / 1.225, 0.5) * std::pow(v0 / 8000, 3.22); };
    struct Row {
        double h0;
        bool heated;
        double soundSpeed; // 0: the table's value
    } rows[] = {
        { 200000, false, 290 },
        { 160000, false, 290 },
        { 150000, true, 290 },
        { 120000, true, 0 },
        { 60000, true, 0 },
    };
    for (const Row& r : rows) {
        SetUp();
        load(reentryStep(r.h0, v0));
        st.RSAT = rsat;
        Flugbahn();
        SCOPED_TRACE(::testing::Message() << "H0 " << r.h0);
        double T, p, a, rho, mu;
        Atmosphere(r.h0, T, p, a, rho, mu);
        EXPECT_EQ(sample(28, 1), rho);
        EXPECT_EQ(sample(14, 1), r.heated ? heat(rho) : 0.0);
        EXPECT_EQ(sample(25, 1), v0 / (r.soundSpeed ? r.soundSpeed : a));
    }
    // The 290 m/s above 120 km hold for every class.
    SetUp();
    load({ .h0 = 130000, .v0 = 580, .hk = 140000 });
    Flugbahn();
    EXPECT_EQ(sample(25, 1), 2.0);
}

TEST_F(Run, InputsThatTakeNoPartLeaveTheRunUnchanged)
{
    auto run = [&](void (*change)()) {
        SetUp();
        load({ .h0 = 50, .v0 = 30, .tto = 30, .tk = 20 });
        change();
        Flugbahn();
        return readFile(kSampleFileName);
    };
    const std::string base = run([] {});
    ASSERT_FALSE(base.empty());
    EXPECT_EQ(run([] { st.Vk = 40; }), base) << "Vk ends no run";
    EXPECT_EQ(run([] { st.Mdv = 1e6; }), base);
    EXPECT_EQ(run([] { st.Schub = 5000; }), base) << "no thrust but for rockets";
    EXPECT_EQ(run([] { st.Iud = 0; }), base);
    EXPECT_EQ(run([] { st.Auftrieb = 5000; }), base) << "buoyancy left by an earlier balloon";
}

TEST_F(Run, DefaultGraphIsDrawnOnce)
{
    load({ .h0 = 10, .v0 = 20, .tto = 45, .tk = 10 });
    st.GraphPage = 1;
    Flugbahn();
    EXPECT_EQ(graphCodes(6), (std::vector<int> { 0, 3, 1, 4, 2, 9 }));
    EXPECT_EQ(st.GraphCount, 7);
    EXPECT_EQ(st.GraphPage, 0);
    EXPECT_EQ(st.PageSize, 15000);
    EXPECT_EQ(form.graphs, 1);
}

TEST_F(Run, StepLogLinesOfBothPasses)
{
    struct Row {
        double klasse;
        size_t perLine;
        std::string heading;
        std::vector<std::string> extra; // after the recording pass's line
    } rows[] = {
        { 1, 13,
            "    t,s      X,km     H,km   V,m/s  Q,grad,  roh,kg/m3     nx,g,    ny,g    m    Schub   cya     cx    "
            "Mach "
            "Volumen   Auftrieb     VT    Wiederstand   dVx   delta",
            {} },
        { 3, 10, "    t,s      X,km     H,km   V,m/s  Q,grad,  roh,kg/m3   Volumen   Auftrieb   Widerstand",
            { "(1)",
                "    t,s      X,km     H,km  V,m/s  Q,grad, roh,kg/m3 nx,g, ny,g    Volumen,m3  Auftrieb,N,   VT   "
                "Wiederstand  dVx  dh" } },
    };
    for (const Row& r : rows) {
        SetUp();
        load({ .klasse = r.klasse, .h0 = 100, .v0 = 10, .dt0 = 0.1, .hk = 200 }); // one step per pass
        st.DatenSchalter = 1;
        st.GasDensity = 0.178, st.HFlug = 1000, st.Auftriebplus = 1, st.Gasverlust = 4.4;
        Flugbahn();
        const auto log = lines(readFile(kStepLogName));
        ASSERT_EQ(log.size(), 5 + r.extra.size()) << "class " << r.klasse;
        EXPECT_EQ(log[0], " ");
        EXPECT_EQ(log[1], r.heading);
        EXPECT_EQ(log[2], " ");
        for (int pass = 0; pass < 2; ++pass) {
            const std::string& line = log[3 + pass];
            EXPECT_EQ(line.substr(0, 8), "    0.10");
            EXPECT_NE(line.back(), ' ');
            const auto v = numbers(line);
            ASSERT_EQ(v.size(), r.perLine);
            EXPECT_NEAR(v[1], st.X / 1000, 0.0005);
            EXPECT_NEAR(v[2], st.H / 1000, 0.0005);
            EXPECT_NEAR(v[3], st.V, 0.0005);
        }
        for (size_t i = 0; i < r.extra.size(); ++i)
            EXPECT_EQ(log[5 + i], r.extra[i]);
    }
}

TEST_F(Run, StepLoopDoesNotAllocate)
{
    // Two runs that differ only in their number of steps allocate alike.
    for (int logging : { 0, 1 }) {
        auto allocationsOfRun = [&](double tk) {
            SetUp();
            load({ .h0 = 1e5, .tk = tk, .dt0 = 0.01 });
            st.DatenSchalter = logging;
            form.edS0.clear(), form.edBelastung.clear();
            const long before = allocations;
            Flugbahn();
            return allocations - before;
        };
        allocationsOfRun(1); // the form double's lists reach their size
        EXPECT_EQ(allocationsOfRun(1), allocationsOfRun(20)) << "step log " << logging;
    }
}

TEST_F(Run, FaultEndsTheRunWithoutFileOrGraph)
{
    struct Row {
        const char* what;
        void (*setup)();
        const char* message;
    } rows[] = {
        { "zero area", [] { st.S0 = 0; }, "Floating point division by zero" },
        { "zero mass and area", [] { st.MassaStart = 0, st.S0 = 0; }, "Invalid floating point operation" },
        { "zero mass", [] { st.MassaStart = 0; }, "Floating point division by zero" },
        { "rocket without impulse", [] { st.Szenario.Klasse = 8, st.Schub = 100, st.Iud = 0; },
            "Floating point division by zero" },
        { "rocket without thrust or impulse", [] { st.Szenario.Klasse = 8, st.Schub = 0, st.Iud = 0; },
            "Invalid floating point operation" },
        { "balloon gas as dense as air", [] { st.Szenario.Klasse = 3, st.GasDensity = 1.225; },
            "Floating point division by zero" },
        { "balloon gas denser than air", [] { st.Szenario.Klasse = 3, st.GasDensity = 2; },
            "Invalid floating point operation" },
        { "reentry without nose radius", [] { st.Szenario.Klasse = 7, st.Klasse = 7, st.RSAT = 0, st.Cy = 0.1; },
            "Floating point division by zero" },
        { "reentry without drag", [] { st.Szenario.Klasse = 7, st.Klasse = 7, st.RSAT = 1, st.Cx = 0, st.Cy = 0.1; },
            "Floating point division by zero" },
        { "model 2 at Mach 1", [] { st.H0 = 130000, st.V0 = 290, st.AeroModel = 2; },
            "Floating point division by zero" },
        // Steps whose equations are fixed for a whole stretch, run again checked.
        { "speed beyond squaring", [] { st.V0 = 1e160; }, "Floating point overflow" },
        { "reentry beyond squaring", [] { st.Szenario.Klasse = 7, st.Klasse = 7, st.RSAT = 1, st.V0 = 1e160; },
            "Floating point overflow" },
    };
    const Flight good { .h0 = 100, .v0 = 10, .tk = 3 };
    for (const Row& r : rows) {
        SetUp();
        load(good);
        Flugbahn();
        const std::string previous = readFile(kSampleFileName);
        const auto series = st.Ergebnis;
        const int graphs = form.graphs;

        load(good);
        r.setup();
        EXPECT_EQ(errorOf<FloatError>(r.what), r.message) << r.what;
        EXPECT_EQ(readFile(kSampleFileName), previous) << r.what;
        EXPECT_EQ(form.graphs, graphs) << r.what;
        EXPECT_TRUE(st.Ergebnis == series) << r.what << ": nothing was recorded before the fault";
        EXPECT_TRUE(std::isfinite(st.Massa) && std::isfinite(st.V) && std::isfinite(st.Mdot)
            && std::isfinite(st.Volumen) && std::isfinite(st.qWaerme) && std::isfinite(st.Belastung))
            << r.what;
    }
}

TEST_F(Run, UnwritableResultFiles)
{
    load({ .h0 = 100, .v0 = 10, .tk = 3 });
    std::filesystem::create_directory(kSampleFileName);
    EXPECT_EQ(errorOf<IoError>(), "I/O error " + std::to_string(EISDIR));
    EXPECT_EQ(form.graphs, 0);
    std::filesystem::remove(kSampleFileName);

    st.DatenSchalter = 1;
    std::filesystem::create_directory(kStepLogName);
    EXPECT_THROW(Flugbahn(), IoError);
    std::filesystem::remove(kStepLogName);

    st.DatenSchalter = 0;
    auto message = inReadOnlyDir(dir, [] { Flugbahn(); });
    if (!message)
        GTEST_SKIP() << "cannot make an unwritable directory here";
    EXPECT_EQ(*message, "I/O error 13");
}

TEST_F(Run, StepTooSmallForTheFlightEndsWithAClearError)
{
    // 1e-6 s steps: 1e8 steps reach only 100 s of the 1000.
    fillSentinel();
    load(endlessFall(1000, 1e-6));
    const std::string message = errorOf<TorvError>();
    EXPECT_NE(message.find("integration steps"), std::string::npos) << message;
    EXPECT_FALSE(fileExists(kSampleFileName));
    EXPECT_EQ(form.graphs, 0);
    EXPECT_EQ(sample(0, 1), kSentinel); // the timing pass was stopped: nothing recorded
}

TEST_F(Run, UnusableStepIsRefusedBeforeAnythingChanges)
{
    for (double dt0 : { 0.0, -0.01, std::nan(""), HUGE_VAL }) {
        SetUp();
        fillSentinel();
        load({ .h0 = 100, .v0 = 10, .dt0 = dt0 });
        st.t = 12, st.H = 34, st.NPunkte = 9, st.Trenn = "x", st.GraphCount = 3, st.dtProbe = 5;
        const SimState before = st;
        const std::string message = errorOf<TorvError>((::testing::Message() << dt0).GetString());
        EXPECT_NE(message.find("integration step"), std::string::npos) << message;
        EXPECT_TRUE(st.Ergebnis == before.Ergebnis);
        EXPECT_EQ(st.t, 12);
        EXPECT_EQ(st.H, 34);
        EXPECT_EQ(st.NPunkte, 9);
        EXPECT_EQ(st.Trenn, "x");
        EXPECT_EQ(st.GraphCount, 3);
        EXPECT_EQ(st.dtProbe, 5);
        EXPECT_FALSE(fileExists(kSampleFileName));
        EXPECT_EQ(form.graphs, 0);
    }
    // A step lost in the rounding of the end time still ends at the ground.
    SetUp();
    load({ .v0 = 100, .tto = 45, .tk = 1e16, .dt0 = 0.75 });
    Flugbahn();
    EXPECT_LE(st.H, 0);
    EXPECT_LT(st.t, 100);
}

namespace {

// A fault in step `step` of a pass: at the ends of the stretches between two
// tests of the fault flags, and (step 0) a NaN in a pass without end.
struct StretchFault {
    const char* what;
    long long step;
};

class FaultAroundCheckpoints : public Run, public ::testing::WithParamInterface<StretchFault> { };

} // namespace

TEST_P(FaultAroundCheckpoints, StopsWhereATestAfterEveryFormulaWould)
{
    constexpr double dt0 = 1.0 / 1024;
    constexpr long long passSteps = 3 * kCheckpointSteps;
    struct Port : RecordingPort {
        std::vector<std::pair<int, double>> progress;
        bool runProgress(int pass, double t, double) override
        {
            progress.emplace_back(pass, t);
            return true;
        }
    } port;
    const StretchFault c = GetParam();
    fillSentinel();
    Flight f;
    if (c.step > 0) {
        // 1 N of thrust at 1 N*s/kg takes exactly dt0 kg per step: the
        // step-th step divides by a zero mass.
        f.klasse = 8, f.m = c.step * dt0, f.s0 = 1, f.cx = 0, f.h0 = 1e5, f.v0 = 100;
        f.tk = passSteps * dt0, f.dt0 = dt0, f.hk = -1e12;
        load(f);
        st.Schub = 1, st.Iud = 1, st.Mt = 1e9;
    } else {
        // A NaN heat flux takes no part in the motion; nothing ends the pass
        // (Tk is far beyond the step limit, yet still advanced by a step).
        f = reentryStep(120000, 11200);
        f.tk = 1e12, f.hk = -1e300;
        load(f);
        st.RSAT = -1;
    }
    st.DatenSchalter = 1;
    EXPECT_EQ(errorOf<FloatError>(c.what),
        c.step > 0 ? "Floating point division by zero" : "Invalid floating point operation");
    const double faultTime = c.step > 0 ? (c.step - 1) * dt0 : 0;
    EXPECT_EQ(st.t, faultTime) << c.what;
    for (int slot = 1; slot <= kSamples; ++slot) {
        if (slot < st.iPunkt) {
            EXPECT_LE(sample(0, slot), faultTime) << c.what << " slot " << slot;
            continue;
        }
        for (int k = 0; k <= 30; ++k)
            ASSERT_EQ(sample(k, slot), kSentinel) << c.what << " series " << k << " slot " << slot;
    }
    if (st.iPunkt > 1 && st.iPunkt < kSamples) {
        EXPECT_GT(sample(0, st.iPunkt - 1), faultTime - st.dtProbe - dt0) << c.what;
    }
    // Progress is reported before every kCheckpointSteps-th step, and only
    // once the steps before it are known to be free of faults.
    long long reports = 0;
    for (const auto& [pass, t] : port.progress) {
        EXPECT_EQ(pass, 1) << c.what;
        if (c.step > 0) {
            EXPECT_EQ(t, (++reports * kCheckpointSteps - 1) * dt0) << c.what;
        }
    }
    EXPECT_EQ(reports, c.step / kCheckpointSteps) << c.what;
    const auto log = lines(readFile(kStepLogName));
    const size_t stepLines = c.step > 0 ? c.step - 1 : 0;
    ASSERT_EQ(log.size(), 3 + stepLines) << c.what;
    if (stepLines > 0) {
        EXPECT_NEAR(numbers(log.back())[0], faultTime, 0.005) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Replay, FaultAroundCheckpoints,
    ::testing::Values(StretchFault { "first step of a pass", 1 },
        StretchFault { "last step before a checkpoint", kCheckpointSteps - 1 },
        StretchFault { "first step after a checkpoint", kCheckpointSteps },
        StretchFault { "last step of a pass", 3 * kCheckpointSteps }, StretchFault { "NaN in an endless pass", 0 }),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// Runs side by side on threads of their own give the very bytes they give
// one after the other: a run shares nothing with another.
TEST(RunFunction, RunsOnTwoThreadsGiveTheBytesOfRunsOneAfterTheOther)
{
    auto requestFor = [](PresetList list, int index) {
        resetState();
        choosePreset(list, index);
        activate('.');
        st.dt0 /= 8; // long enough to overlap
        return std::make_unique<RunRequest>(runRequest(st, false));
    };
    // Replayed recording passes from checkpoints; a balloon's envelope.
    const auto apollo = requestFor(PresetList::Landekapsel, 2), balloon = requestFor(PresetList::Ballon, 0);
    const auto rocket = requestFor(PresetList::Launcher, 0);
    auto runOf = [](const RunRequest& in) {
        auto out = std::make_unique<RunOutcome>();
        runFlight(in, *out);
        return out;
    };
    const auto apolloAlone = runOf(*apollo), balloonAlone = runOf(*balloon), rocketAlone = runOf(*rocket);
    auto same = [](const RunOutcome& a, const RunOutcome& b) {
        return sameBits(a, b) && static_cast<const SamplingState&>(a) == b
            && std::memcmp(a.series.data(), b.series.data(), sizeof a.series) == 0 && a.summary == b.summary
            && static_cast<const RunSettings&>(a).dtProbe == b.dtProbe;
    };
    std::atomic<int> differing = 0;
    auto runsOf = [&](const RunRequest& a, const RunOutcome& aAlone, const RunRequest& b, const RunOutcome& bAlone) {
        for (int i = 0; i < 3; ++i)
            differing += !same(*runOf(a), aAlone) + !same(*runOf(b), bAlone);
    };
    std::thread first(
        runsOf, std::cref(*apollo), std::cref(*apolloAlone), std::cref(*balloon), std::cref(*balloonAlone));
    std::thread second(
        runsOf, std::cref(*rocket), std::cref(*rocketAlone), std::cref(*apollo), std::cref(*apolloAlone));
    first.join();
    second.join();
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(apolloAlone->summary.samples, kSamples);
    EXPECT_EQ(balloonAlone->summary.samples, kSamples);
    EXPECT_EQ(rocketAlone->summary.samples, kSamples);
}
