// Whole runs against closed forms, the order of the method, the summary
// where every step records, and the fast path against the checked one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "physics/faults.h"
#include "physics/subrout.h"
#include "sim/activation.h"
#include "sim/flugbahn.h"
#include "sim/presets.h"
#include "sim/resultfiles.h"
#include "sim/state.h"
#include "sim/stepcheck.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

namespace {

constexpr double g = 9.8;
constexpr double kDegPerRad = 57.3;

// Preset `number` as the form leaves it after activation; `adjust` types
// over some fields.
void loadNumber(int number, void (*adjust)() = nullptr)
{
    resetState();
    fpClear();
    const PresetRef p = *presetNumber(number);
    choosePreset(p.list, p.index);
    st.Sprache = 3;
    activate('.');
    if (adjust)
        adjust();
}

RunSummary runNumber(int number, void (*adjust)() = nullptr)
{
    loadNumber(number, adjust);
    Flugbahn(RunFiles::Skip);
    return runSummary();
}

struct ClosedForm {
    const char* name;
    int preset;
    void (*adjust)();
    double (*measured)(const RunSummary&);
    double (*expected)(); // from the inputs in the state
    double tolerance; // relative
};

// Without drag: the parabola of the model's own angle (57.3 per radian),
// from H0 down to Hk.
void vacuum()
{
    st.Cx = 0;
    st.dt0 = 0.0005;
}
double vacuumTime()
{
    const double up = st.V0 * std::sin(st.TTO / kDegPerRad);
    return (up + std::sqrt(up * up + 2 * g * (st.H0 - st.Hk))) / g;
}
double vacuumRange()
{
    return st.V0 * std::cos(st.TTO / kDegPerRad) * vacuumTime();
}

// A parachute lands at the speed where drag carries its weight.
double terminalVelocity()
{
    double temp, druck, aschall, roh, mu;
    Atmosphere(0, temp, druck, aschall, roh, mu);
    return std::sqrt(2 * st.MassaStart * g / (roh * st.Cx * st.S0));
}

// A rocket in vacuum, straight up to the end of its burn: Tsiolkovsky less
// the gravity loss. It starts fast, so that gravity hardly turns its path
// (at 1 m/s the turn rate g cos Q / V would bend it over by 14 degrees).
void burnInVacuum()
{
    st.Cx = 0;
    st.TTO = 90;
    st.V0 = 1000;
    st.Tk = st.Mt * st.Iud / st.Schub;
}
double burnoutSpeed()
{
    return st.V0 + st.Iud * std::log(st.MassaStart / (st.MassaStart - st.Mt)) - g * st.Tk;
}

// A glider settles where lift carries the weight and drag its share along
// the path: tan Q = -Cx/Cy.
double glideAngle()
{
    return -kDegPerRad * std::atan(st.Cx / st.Cy);
}

class ClosedForms : public ::testing::TestWithParam<ClosedForm> { };

TEST_P(ClosedForms, RunsAgree)
{
    const ClosedForm& c = GetParam();
    const RunSummary s = runNumber(c.preset, c.adjust);
    const double expected = c.expected();
    EXPECT_NEAR(c.measured(s), expected, c.tolerance * std::fabs(expected));
}

INSTANTIATE_TEST_SUITE_P(Validation, ClosedForms,
    ::testing::Values(
        ClosedForm { "VacuumRange", 1, vacuum, [](const RunSummary& s) { return s.range; }, vacuumRange, 2e-4 },
        ClosedForm { "VacuumTime", 1, vacuum, [](const RunSummary& s) { return s.flightTime; }, vacuumTime, 2e-4 },
        ClosedForm { "ParachuteTerminalVelocity", 10, nullptr, [](const RunSummary& s) { return s.endSpeed; },
            terminalVelocity, 5e-4 },
        ClosedForm { "RocketBurnout", 29, burnInVacuum, [](const RunSummary& s) { return s.endSpeed; }, burnoutSpeed,
            2e-3 },
        ClosedForm { "GlideAngle", 16, nullptr, [](const RunSummary& s) { return s.endPathAngle; }, glideAngle,
            5e-3 }),
    [](const auto& info) { return std::string(info.param.name); });

// Euler's method is first order: each halving of the step halves the
// difference. The greatest altitude shows it cleanly; the range, placed on
// the ground within the last step, within a quarter.
TEST(Validation, DifferencesHalveWithTheStepOverFourHalvings)
{
    constexpr int kRuns = 6;
    RunSummary s[kRuns];
    loadNumber(1);
    const double dt0 = st.dt0;
    for (int k = 0; k < kRuns; ++k) {
        st.dt0 = dt0 / (1 << k);
        Flugbahn(RunFiles::Skip);
        s[k] = runSummary();
    }
    for (int k = 0; k + 2 < kRuns; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR((s[k].maxAltitude - s[k + 1].maxAltitude) / (s[k + 1].maxAltitude - s[k + 2].maxAltitude), 2, 0.05);
        EXPECT_NEAR((s[k].range - s[k + 1].range) / (s[k + 1].range - s[k + 2].range), 2, 0.5);
    }
}

// A step of 2.5e-6 s records every step, so the samples hold the first 500
// steps only; the summary still sees the whole flight: the apex and the
// landing agree with the coarse step's extrapolation. The start counts: a
// capsule that only descends peaks where it starts.
TEST(Validation, SummaryCoversEveryStepWhereEveryStepRecords)
{
    loadNumber(1);
    Flugbahn(RunFiles::Skip);
    const StepCheck coarse = checkStep();
    st.dt0 = 2.5e-6;
    Flugbahn(RunFiles::Skip);
    const RunSummary fine = runSummary();
    const double* altitude = &st.Ergebnis[3 * kSamples];
    EXPECT_LT(*std::max_element(altitude, altitude + kSamples), 2.0);
    EXPECT_EQ(fine.samples, kSamples);
    for (const QuantityCheck& q : coarse.quantities) {
        if (q.quantity->value == &RunSummary::endPathAngle)
            continue; // still 0.03 % from the extrapolation at the coarse step
        EXPECT_NEAR(fine.*q.quantity->value, q.extrapolated, 1e-4 * std::fabs(q.extrapolated)) << q.quantity->column;
    }

    EXPECT_EQ(runNumber(22).maxAltitude, st.H0);
}

// A flight of few steps fills fewer slots than 500, and says how many.
TEST(Validation, SummaryCountsTheSlotsARunFilled)
{
    loadNumber(1);
    st.dt0 = 0.1;
    constexpr double kUntouched = -1;
    st.Ergebnis.fill(kUntouched);
    Flugbahn(RunFiles::Skip);
    const double* time = &st.Ergebnis[0];
    EXPECT_EQ(runSummary().samples, std::count_if(time, time + kSamples - 1, [](double t) { return t != kUntouched; }));
    EXPECT_LT(runSummary().samples, 100);
}

// The deceleration the reentry equations apply is twice the nx they report;
// elsewhere drag alone decelerates, and nx is the same number.
TEST(Validation, AppliedDecelerationIsTwiceNxForReentryOnly)
{
    const RunSummary luna = runNumber(25);
    EXPECT_NEAR(luna.maxDeceleration, 2 * luna.maxLoadFactor, 1e-3 * luna.maxDeceleration);
    const RunSummary projectile = runNumber(1);
    EXPECT_NEAR(projectile.maxDeceleration, projectile.maxLoadFactor, 1e-6);
}

// The step check names what changes most and how small a step would do.
TEST(Validation, StepCheckNamesTheWorstQuantityAndAStep)
{
    loadNumber(29);
    Flugbahn(RunFiles::Skip);
    const StepCheck check = checkStep();
    const StepVerdict v = check.verdict();
    ASSERT_GE(v.worst, 0);
    const QuantityCheck& worst = check.quantities[static_cast<size_t>(v.worst)];
    EXPECT_EQ(worst.quantity->value, &RunSummary::maxAltitude);
    EXPECT_NEAR(worst.extrapolated, 66160, 0.015 * 66160);
    EXPECT_TRUE(check.worthNotice());
    EXPECT_NEAR(v.step, check.dt0 * 0.001 / (2 * std::fabs(worst.relative)), 1e-15);

    // Negligible quantities do not count, however large their relative change.
    RunSummary a = check.full, b = check.full;
    a.range = 0.002, b.range = 0.001;
    EXPECT_FALSE(compareSteps(0.01, a, b).worthNotice());
}

// The fast path leaves the fault tests to the end of a stretch and
// precomputes some quotients; the checked one tests after every formula.
// Both must make the same run.
class FastAndChecked : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { checkEveryStep(false); }
    TempWorkDir dir;
};

TEST_P(FastAndChecked, WriteTheSameSampleFile)
{
    loadNumber(GetParam());
    Flugbahn();
    const std::string fast = readFile(kSampleFileName);
    const auto fastState = std::make_unique<SimState>(st);
    ASSERT_FALSE(fast.empty());

    loadNumber(GetParam());
    checkEveryStep(true);
    Flugbahn();
    EXPECT_EQ(readFile(kSampleFileName), fast);
    EXPECT_TRUE(st == *fastState);
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, FastAndChecked, ::testing::Range(1, 35));

} // namespace
