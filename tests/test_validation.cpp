// Whole runs against closed forms, the order of the method, the summary
// where every step records, and the fast path against the checked one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "analysis/stepcheck.h"
#include "fault/faults.h"
#include "files/resultfiles.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "run/steploop.h"
#include "scenarios/presets.h"
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
    for (const QuantityCheck& q : coarse.quantities) { // the end path angle: 0.03 % off at the coarse step
        const double expected = q.settling == Settling::FirstOrder ? q.extrapolated : q.values[2];
        EXPECT_NEAR(runSummary().*q.quantity->value, expected,
            (q.quantity->value == &RunSummary::endPathAngle ? 1e-3 : 1e-4) * std::fabs(expected));
    }

    st.dt0 = 0.1;
    st.Ergebnis.fill(-1);
    Flugbahn(RunFiles::Skip);
    const auto untouched = std::count(st.Ergebnis.begin(), st.Ergebnis.begin() + kSamples - 1, -1);
    EXPECT_EQ(runSummary().samples, kSamples - 1 - untouched);

    EXPECT_EQ(runNumber(22).maxAltitude, st.H0);
    const RunSummary luna = runNumber(25);
    EXPECT_NEAR(luna.maxDeceleration, 2 * luna.maxLoadFactor, 1e-3 * luna.maxDeceleration);
}

// Where successive differences do not halve, the check states no error,
// extrapolation or step: the model rocket's range (not yet first order at
// its step), a balloon's landing time (the gas loss grows with the step).
TEST(Validation, StepCheckStatesNothingItCannotStandBehind)
{
    const struct {
        int preset;
        void (*adjust)();
        double RunSummary::*quantity;
    } kCases[] = {
        { 30, nullptr, &RunSummary::range },
        { 12, [] { st.Tk = 200000; }, &RunSummary::flightTime },
    };
    for (const auto& c : kCases) {
        runNumber(c.preset, c.adjust);
        const StepCheck check = checkStep();
        const StepVerdict v = check.verdict();
        EXPECT_EQ(v.kind, StepVerdict::Kind::Unsettled) << c.preset;
        EXPECT_EQ(v.step, 0) << c.preset;
        for (const QuantityCheck& q : check.quantities)
            if (q.quantity->value == c.quantity) {
                EXPECT_NE(q.settling, Settling::FirstOrder) << c.preset;
                EXPECT_TRUE(std::isnan(q.error) && std::isnan(q.extrapolated)) << c.preset;
            }
    }
}

// A suggested step, run, meets the target it was suggested for.
TEST(Validation, SuggestedStepMeetsItsTarget)
{
    for (const auto& [preset, dt0] : { std::pair(22, 0.0), std::pair(29, 0.005), std::pair(33, 0.0025) }) {
        runNumber(preset);
        if (dt0 > 0)
            st.dt0 = dt0;
        Flugbahn(RunFiles::Skip);
        const StepVerdict coarse = checkStep().verdict();
        ASSERT_EQ(coarse.kind, StepVerdict::Kind::Coarse) << preset;
        st.dt0 = coarse.step;
        Flugbahn(RunFiles::Skip);
        const StepVerdict v = checkStep().verdict();
        EXPECT_EQ(v.kind, StepVerdict::Kind::Fine) << preset << " at " << coarse.step;
        EXPECT_LE(v.error, kTargetError) << preset << " at " << coarse.step;
    }
}

// A flight that ends on its time lasts exactly that long, whatever the step.
TEST(Validation, FlightEndingOnItsTimeLastsTk)
{
    EXPECT_EQ(runNumber(2, [] { st.dt0 = 0.3; }).flightTime, 100);
    EXPECT_EQ(runNumber(31).flightTime, 380);
}

// The converged V-2 lies within its own error estimate of a run at a step 64
// times finer.
TEST(Validation, ConvergedValuesHoldAtAFinerStep)
{
    runNumber(29);
    ConvergeRequest request;
    request.target = 0.01;
    const ConvergeResult c = converge(request);
    ASSERT_EQ(c.stop, ConvergeResult::Stop::Converged);
    EXPECT_TRUE(c.missing.empty());
    st.dt0 = c.step / 64;
    Flugbahn(RunFiles::Skip);
    for (const QuantityCheck& q : c.check.quantities) {
        const double scale = std::max(std::fabs(q.values[2]), q.quantity->floor);
        const double error = q.settling == Settling::FirstOrder ? q.finestError : kNegligibleShare * request.target;
        EXPECT_LE(std::fabs(c.finest.*q.quantity->value - runSummary().*q.quantity->value), error * scale)
            << q.quantity->column;
    }
}

// What a run leaves: the sample file, the step log, the error and the state.
struct Outcome {
    std::string samples, log, error;
    std::unique_ptr<SimState> state;
};

Outcome runOutcome(int number, void (*adjust)())
{
    Outcome o;
    try {
        runNumber(number, adjust, RunFiles::Write);
    } catch (const TorvError& e) {
        o.error = e.what();
    }
    o.samples = readFile(kSampleFileName);
    o.log = readFile(kStepLogName);
    o.state = std::make_unique<SimState>(st);
    return o;
}

void expectSame(const Outcome& a, const Outcome& b)
{
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_EQ(a.log, b.log);
    EXPECT_TRUE(*a.state == *b.state);
}

// The run in full: both passes step by step, a test after every
// formula; the test hooks put back as they were.
class AgainstTheRunInFull : public ::testing::Test {
protected:
    void TearDown() override
    {
        checkEveryStep(false);
        recordInFull(false);
        takeUnkeptSamples(false);
    }
    Outcome inFull(int number, void (*adjust)() = nullptr)
    {
        checkEveryStep(true);
        recordInFull(true);
        Outcome o = runOutcome(number, adjust);
        TearDown();
        return o;
    }
    TempWorkDir dir;
};

// The fast path, the one that tests the fault flags after every formula, and
// the recording pass replayed from the timing pass's checkpoints or run in
// full: every way writes the same sample file and leaves the same state.
class FastAndChecked : public AgainstTheRunInFull, public ::testing::WithParamInterface<int> { };

TEST_P(FastAndChecked, WriteTheSameSampleFile)
{
    const Outcome reference = inFull(GetParam());
    ASSERT_EQ(reference.error, "");
    for (const bool checked : { false, true })
        for (const bool full : { false, true }) {
            SCOPED_TRACE(::testing::Message() << "checked " << checked << ", recording in full " << full);
            checkEveryStep(checked);
            recordInFull(full);
            expectSame(runOutcome(GetParam(), nullptr), reference);
        }
}

// The run on a copy of the state, and its error.
std::pair<std::unique_ptr<SimState>, std::string> runOnCopy(RunSamples samples)
{
    auto state = std::make_unique<SimState>(st);
    std::string error;
    try {
        runOn(*state, quietObserver(), samples);
    } catch (const TorvError& e) {
        error = e.what();
    }
    return { std::move(state), error };
}

// A run that keeps no samples leaves what one that keeps them leaves, but
// the samples, which stay as they were, and the unit flags and Reynolds
// number, which only samples form; taking them all the same (as where no
// sample can be shown free of faults) leaves those too. So does a run that
// fails.
TEST_P(FastAndChecked, WithoutSamplesLeavesAllButTheSamples)
{
    const PresetRef p = *presetNumber(GetParam());
    for (const double speed : { 0.0, 1e200 }) {
        resetState();
        choosePreset(p.list, p.index);
        activate('.');
        st.V0 += speed;
        st.Ergebnis.fill(7);
        const auto [kept, keptError] = runOnCopy(RunSamples::Keep);
        takeUnkeptSamples(true);
        const auto [taken, takenError] = runOnCopy(RunSamples::Skip);
        takeUnkeptSamples(false);
        const auto [skipped, skippedError] = runOnCopy(RunSamples::Skip);
        EXPECT_EQ(takenError, keptError);
        EXPECT_EQ(skippedError, keptError);
        EXPECT_EQ(keptError.empty(), speed == 0);
        EXPECT_TRUE(static_cast<const SimStateCore&>(*taken) == *kept);
        SamplingState formed = *kept;
        formed.iPunkt = skipped->iPunkt, formed.FracNeu = skipped->FracNeu, formed.FracAlt = skipped->FracAlt;
        static_cast<SamplingState&>(*skipped) = formed;
        EXPECT_TRUE(static_cast<const SimStateCore&>(*skipped) == *kept);
        EXPECT_TRUE(skipped->Ergebnis == st.Ergebnis && taken->Ergebnis == st.Ergebnis);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, FastAndChecked, ::testing::Range(1, presetCount() + 1));

// A cancel at the recording pass's first report leaves the samples as they
// were: taken from the moving variables of every step, or from thinned-out
// checkpoints.
TEST(RecordingPass, CancelledLeavesTheSamplesAsTheyWere)
{
    struct : RunObserver {
        bool progress(int pass, double, double) override { return pass != 2; }
    } cancel;
    const PresetRef p = *presetNumber(1);
    for (const double dt0 : { 0.0025, 0.0005 }) {
        resetState();
        choosePreset(p.list, p.index);
        activate('.');
        st.dt0 = dt0;
        st.Ergebnis.fill(7);
        auto state = std::make_unique<SimState>(st);
        EXPECT_THROW(runOn(*state, cancel), RunCancelled) << dt0;
        EXPECT_TRUE(state->Ergebnis == st.Ergebnis) << dt0;
    }
}

// Where the recording pass is replayed, and where it must run in full.
struct Regime {
    const char* what;
    int preset;
    void (*adjust)();
};

void PrintTo(const Regime& r, std::ostream* os)
{
    *os << r.what;
}

class RecordingPass : public AgainstTheRunInFull, public ::testing::WithParamInterface<Regime> { };

TEST_P(RecordingPass, LeavesWhatTheRecordingPassRunInFullLeaves)
{
    const Regime& r = GetParam();
    expectSame(runOutcome(r.preset, r.adjust), inFull(r.preset, r.adjust));
}

// Every step records at dt0 <= 0.0001 dtProbe: 5.5 million steps a pass.
constexpr double kEveryStep = 100 / 5.5e6;

INSTANTIATE_TEST_SUITE_P(Regimes, RecordingPass,
    ::testing::Values(Regime { "checkpoints thinned out", 1, [] { st.dt0 = 1e-5; } },
        Regime { "fewer than 500 steps", 1, [] { st.dt0 = 0.1; } },
        // Samples more than every other step, every other step, every fifty.
        Regime { "about 600 steps", 1, [] { st.dt0 = 0.0235; } },
        Regime { "about 1000 steps", 1, [] { st.dt0 = 0.014; } },
        Regime { "checkpoints thinned out twice", 1, [] { st.dt0 = 0.0005; } },
        // Above 100 kPa, then between 1 and 100 kPa at its last sample above 1 kPa.
        Regime { "every step records, slowing down", 1,
            [] { st.V0 = 1000, st.TTO = 10, st.Cx = 1, st.Hk = -1e12, st.Tk = 100, st.dt0 = kEveryStep; } },
        // Above 10 t, 10 kN, 1 km/s and 10 km; thrust and mass drop at burnout.
        Regime { "every step records, a rocket", 29, [] { st.Hk = -1e12, st.Tk = 100, st.dt0 = kEveryStep; } },
        Regime { "after a run whose checkpoints thinned out", 1,
            [] {
                const double own = std::exchange(st.dt0, 0.0005);
                Flugbahn(RunFiles::Skip);
                st.dt0 = own;
            } },
        // Samples taken straight into the series: km/s, km and kPa, the
        // last of them after MPa.
        Regime { "larger units in a short run", 1, [] { st.V0 = 3000, st.dt0 = 0.05; } },
        // Above 10 t and 10 kN, until the fuel is gone.
        Regime { "a rocket in a short run", 29, [] { st.dt0 = 0.1; } },
        Regime { "step log", 1, [] { st.DatenSchalter = 1; } },
        Regime { "balloon above its float altitude", 12, nullptr },
        Regime { "airship after a balloon", 12,
            [] {
                Flugbahn(RunFiles::Skip);
                st.Szenario.Klasse = 4, st.Klasse = 4, st.Schub = 1, st.Iud = 1, st.Mt = 1;
            } },
        Regime { "reentry with an aerodynamic model", 22, [] { st.AeroModel = 1; } },
        // Still air at the edges of what it takes, where leaving out its zero
        // terms and forming its loads late could show: the lightest mass, and
        // one below it; signed zeros; a first path angle whose cosine may be
        // nearly zero; no air; a load factor past the largest double.
        Regime { "still air, the lightest mass", 1, [] { st.MassaStart = 1e-280; } },
        Regime { "below the lightest mass", 1, [] { st.MassaStart = 9.9e-281; } },
        Regime { "signed zeros", 16, [] { st.Cy = -0.0, st.TTO = -0.0, st.Vwind = -0.0; } },
        Regime { "a path angle of 1e22 degrees", 1, [] { st.TTO = 1e22; } },
        Regime { "no air", 1, [] { st.H0 = 2e6, st.Hk = 1e6; } },
        Regime { "a load factor past the largest double", 1, [] { st.S0 = 1e300, st.Cx = 1e10; } }),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

} // namespace
