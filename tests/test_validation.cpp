// Whole runs against closed forms, the order of the method, the summary
// where every step records, and the fast path against the checked one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "physics/faults.h"
#include "sim/activation.h"
#include "sim/flugbahn.h"
#include "sim/presets.h"
#include "sim/resultfiles.h"
#include "sim/stepcheck.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

namespace {

constexpr double g = 9.8, kDegPerRad = 57.3;

// Preset `number` as activated, `adjust` typing over some fields, then run.
RunSummary runNumber(int number, void (*adjust)() = nullptr, RunFiles files = RunFiles::Skip)
{
    resetState();
    fpClear();
    const PresetRef p = *presetNumber(number);
    choosePreset(p.list, p.index);
    activate('.');
    if (adjust)
        adjust();
    Flugbahn(files);
    return runSummary();
}

// Without drag: from H0 down to Hk, at the model's own angle.
double vacuumTime()
{
    const double up = st.V0 * std::sin(st.TTO / kDegPerRad);
    return (up + std::sqrt(up * up + 2 * g * (st.H0 - st.Hk))) / g;
}

// Closed forms: vacuum flight; terminal velocity; Tsiolkovsky less gravity loss
// straight up (fast, or gravity turns the path); a glider's tan Q = -Cx/Cy.
TEST(Validation, RunsAgreeWithClosedForms)
{
    const struct {
        int preset;
        void (*adjust)();
        double RunSummary::*measured;
        double (*expected)(), tolerance; // relative
    } kCases[] = {
        { 1, [] { st.Cx = 0, st.dt0 = 0.0005; }, &RunSummary::flightTime, vacuumTime, 2e-4 },
        { 1, [] { st.Cx = 0, st.dt0 = 0.0005; }, &RunSummary::range,
            [] { return st.V0 * std::cos(st.TTO / kDegPerRad) * vacuumTime(); }, 2e-4 },
        { 10, nullptr, &RunSummary::endSpeed, [] { return std::sqrt(2 * st.MassaStart * g / (1.225 * st.Cx * st.S0)); },
            5e-4 },
        { 29, [] { st.Cx = 0, st.TTO = 90, st.V0 = 1000, st.Tk = st.Mt * st.Iud / st.Schub; }, &RunSummary::endSpeed,
            [] { return st.V0 + st.Iud * std::log(st.MassaStart / (st.MassaStart - st.Mt)) - g * st.Tk; }, 2e-3 },
        { 16, nullptr, &RunSummary::endPathAngle, [] { return -kDegPerRad * std::atan(st.Cx / st.Cy); }, 5e-3 },
    };
    for (const auto& c : kCases) {
        const double measured = runNumber(c.preset, c.adjust).*c.measured;
        EXPECT_NEAR(measured, c.expected(), c.tolerance * std::fabs(c.expected())) << "preset " << c.preset;
    }
}

// First order: each halving of the step halves the difference, cleanly for the
// apex, within a quarter for the range (placed on the ground within a step).
TEST(Validation, DifferencesHalveWithTheStep)
{
    RunSummary s[6];
    runNumber(1);
    for (int k = 0; k < 6; ++k, st.dt0 /= 2) {
        Flugbahn(RunFiles::Skip);
        s[k] = runSummary();
    }
    for (int k = 0; k + 2 < 6; ++k) {
        EXPECT_NEAR((s[k].maxAltitude - s[k + 1].maxAltitude) / (s[k + 1].maxAltitude - s[k + 2].maxAltitude), 2, 0.05);
        EXPECT_NEAR((s[k].range - s[k + 1].range) / (s[k + 1].range - s[k + 2].range), 2, 0.5);
    }
}

// At 2.5e-6 s the samples hold the first 500 steps; the summary sees the whole
// flight, as extrapolated from the preset's step. A flight of 141 steps fills
// fewer slots. The start counts. Reentry applies twice the nx it reports.
TEST(Validation, SummaryCoversEveryStep)
{
    runNumber(1);
    const StepCheck coarse = checkStep();
    st.dt0 = 2.5e-6;
    Flugbahn(RunFiles::Skip);
    EXPECT_LT(*std::max_element(&st.Ergebnis[3 * kSamples], &st.Ergebnis[4 * kSamples]), 2.0); // altitude
    EXPECT_EQ(runSummary().samples, kSamples);
    for (const QuantityCheck& q : coarse.quantities) // the end path angle: 0.03 % off at the coarse step
        EXPECT_NEAR(runSummary().*q.quantity->value, q.extrapolated,
            (q.quantity->value == &RunSummary::endPathAngle ? 1e-3 : 1e-4) * std::fabs(q.extrapolated));

    st.dt0 = 0.1;
    st.Ergebnis.fill(-1);
    Flugbahn(RunFiles::Skip);
    const auto untouched = std::count(st.Ergebnis.begin(), st.Ergebnis.begin() + kSamples - 1, -1);
    EXPECT_EQ(runSummary().samples, kSamples - 1 - untouched);

    EXPECT_EQ(runNumber(22).maxAltitude, st.H0);
    const RunSummary luna = runNumber(25);
    EXPECT_NEAR(luna.maxDeceleration, 2 * luna.maxLoadFactor, 1e-3 * luna.maxDeceleration);
}

// The V-2's apogee is 13 % high: the check names it, extrapolates it close to
// the converged one, and scales the step. A quantity below its floor does not count.
TEST(Validation, StepCheckNamesWhatChangesMost)
{
    runNumber(29);
    const StepCheck check = checkStep();
    const QuantityCheck& worst = check.quantities[static_cast<size_t>(check.verdict().worst)];
    EXPECT_EQ(worst.quantity->value, &RunSummary::maxAltitude);
    EXPECT_NEAR(worst.extrapolated, 66160, 0.015 * 66160);
    EXPECT_DOUBLE_EQ(check.verdict().step, check.dt0 * 0.001 / (2 * std::fabs(worst.relative)));
    EXPECT_TRUE(check.worthNotice());
    RunSummary a = check.full, b = a;
    a.range = 0.002, b.range = 0.001;
    EXPECT_FALSE(compareSteps(check.dt0, a, b).worthNotice());
}

// The fast path and the one that tests the fault flags after every formula.
class FastAndChecked : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { checkEveryStep(false); }
    TempWorkDir dir;
};

TEST_P(FastAndChecked, WriteTheSameSampleFile)
{
    runNumber(GetParam(), nullptr, RunFiles::Write);
    const std::string fast = readFile(kSampleFileName);
    const auto fastState = std::make_unique<SimState>(st);
    checkEveryStep(true);
    runNumber(GetParam(), nullptr, RunFiles::Write);
    EXPECT_EQ(readFile(kSampleFileName), fast);
    EXPECT_TRUE(st == *fastState);
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, FastAndChecked, ::testing::Range(1, 35));

} // namespace
