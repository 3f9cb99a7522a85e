// The batch program's parts on their own: the window that bounds what a
// long sweep holds, a study's random numbers and statistics, and runs on
// threads of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfenv>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/stepcheck.h"
#include "batch/batch.h"
#include "batch/engine.h"
#include "batch/runs.h"
#include "batch/shares.h"
#include "batch/study.h"
#include "batch/studyfigures.h"
#include "batch/window.h"
#include "model/state.h"
#include "run/flugbahn.h"
#include "scenarios/scenario.h"

using namespace torv::batch;

namespace {

// Two workers; run 0 is slow and finishes only after all the others the
// window lets out: nothing goes further than the window, and the lines come
// out in order.
TEST(RunWindow, HoldsNoMoreThanTheWindowWhateverTheCount)
{
    constexpr long long kWindow = 3;
    RunWindow<long long> window(10'000'000, kWindow);
    std::vector<long long> written;
    auto put = [&](long long i, long long r) {
        EXPECT_EQ(i, r);
        written.push_back(i);
    };
    const long long slow = *window.next();
    long long fast = *window.next();
    for (int step = 0; step < 10; ++step) {
        window.done(fast, fast, put);
        const auto next = window.next();
        if (!next)
            break;
        fast = *next;
    }
    EXPECT_EQ(window.handedOut(), kWindow) << "runs went out beyond the window";
    EXPECT_EQ(window.held(), kWindow - 1);
    EXPECT_TRUE(written.empty());
    window.done(slow, slow, put);
    EXPECT_EQ(written, (std::vector<long long> { 0, 1, 2 }));
    EXPECT_EQ(window.held(), 0);
    for (int i = 0; i < 5; ++i)
        window.done(*window.next(), 3 + i, put);
    EXPECT_EQ(written.size(), 8u);
}

// The same seed and run give the same values, another run others; many
// normal draws have the mean and spread asked for, uniform ones stay inside.
TEST(RunDraws, DependOnSeedAndRunOnlyAndFollowTheirLaw)
{
    RunDraws a(42, 7), b(42, 7), c(42, 8);
    const double first = a.normal(0, 1);
    EXPECT_EQ(first, b.normal(0, 1));
    EXPECT_NE(first, c.normal(0, 1));

    constexpr int kDraws = 200'000;
    constexpr double kTolerance = 0.01; // about four standard errors
    double sum = 0, squares = 0, triangular = 0;
    int belowMode = 0;
    for (int run = 0; run < kDraws; ++run) {
        RunDraws d(1, run);
        const double z = d.normal(3, 2);
        sum += z;
        squares += z * z;
        const double u = d.uniform(-1, 5);
        ASSERT_TRUE(u >= -1 && u < 5) << u;
        const double t = d.triangular(2, 3, 6);
        ASSERT_TRUE(t >= 2 && t <= 6) << t;
        triangular += t;
        belowMode += t < 3;
    }
    // Mean (lo + mode + hi) / 3; the rising side holds (mode - lo) / (hi - lo).
    EXPECT_NEAR(triangular / kDraws, 11.0 / 3, kTolerance);
    EXPECT_NEAR(static_cast<double>(belowMode) / kDraws, 0.25, kTolerance / 2);
    const double mean = sum / kDraws;
    EXPECT_NEAR(mean, 3, 2 * kTolerance);
    EXPECT_NEAR(std::sqrt(squares / kDraws - mean * mean), 2, 2 * kTolerance);
}

// Within a few units in the last place, from the smallest to the largest
// numbers and close to 1, where the logarithm is small.
TEST(RunDraws, LogarithmOfOurOwnAgreesWithTheLibrary)
{
    constexpr double kUlps = 4;
    for (double x = 1e-300; x < 1e300; x *= 1.37)
        for (double y : { x, 1 + 1e-12 * x, 1 / (1 + 1e-12 * x) }) {
            const double expected = std::log(y);
            EXPECT_NEAR(naturalLog(y), expected, kUlps * DBL_EPSILON * std::fabs(expected)) << y;
        }
}

// numpy.percentile([3, 1, 4, 2], [5, 50, 95]) = 1.15, 2.5, 3.85.
TEST(Statistics, MeanSampleDeviationAndInterpolatedPercentiles)
{
    std::vector<double> values { 3, 1, 4, 2 };
    const ColumnStatistics s = statistics(values);
    EXPECT_EQ(s.n, 4);
    EXPECT_DOUBLE_EQ(s.mean, 2.5);
    EXPECT_DOUBLE_EQ(s.sd, std::sqrt(5.0 / 3.0));
    EXPECT_DOUBLE_EQ(s.p5, 1.15);
    EXPECT_DOUBLE_EQ(s.p50, 2.5);
    EXPECT_DOUBLE_EQ(s.p95, 3.85);

    // A constant column: its value exactly, and no deviation at all.
    std::vector<double> constant(100000, 0.055);
    const ColumnStatistics c = statistics(constant);
    EXPECT_EQ(c.mean, 0.055);
    EXPECT_EQ(c.sd, 0.0);
}

} // namespace

// Runs of a plan on threads of their own: each line (with the step check's)
// as one after the other gives it, and the simulation state left alone.
TEST(RunsOfAPlan, SideBySideGiveTheLinesOfOneAfterTheOtherAndLeaveTheStateAlone)
{
    Options options;
    options.preset = "all";
    options.accuracy = true;
    options.sets = { "dt0=0.02" }; // short runs
    const Plan plan = makePlan(options);
    const SummaryText text(plan);
    auto line = [&](long long i) {
        const RunResult r = runAlone(plan, i);
        return text.runLine(plan, i, r) + r.verdict;
    };
    std::vector<std::string> alone, together(static_cast<size_t>(plan.count()));
    for (long long i = 0; i < plan.count(); ++i)
        alone.push_back(line(i));
    torv::st.H0 = 1234.5;
    constexpr int kThreads = 3;
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k)
        threads.emplace_back([&, k] {
            for (long long i = k; i < plan.count(); i += kThreads)
                together[static_cast<size_t>(i)] = line(i);
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(together, alone);
    EXPECT_EQ(torv::st.H0, 1234.5);
    EXPECT_EQ(torv::st.Summary.samples, 0);
}

// A run whose state nobody takes (it keeps no samples) gives the line of one
// whose state is taken, also on threads of their own.
TEST(RunsOfAPlan, WithoutTheirStateGiveTheLinesOfRunsWithIt)
{
    Options options;
    options.preset = "all";
    const Plan plan = makePlan(options);
    const SummaryText text(plan);
    std::vector<std::string> taken, alone(static_cast<size_t>(plan.count()));
    for (long long i = 0; i < plan.count(); ++i)
        taken.push_back(text.runLine(plan, i, runAlone(plan, i, [](torv::SimState&) {})));
    std::vector<std::thread> threads;
    for (int k = 0; k < 2; ++k)
        threads.emplace_back([&, k] {
            for (long long i = k; i < plan.count(); i += 2)
                alone[static_cast<size_t>(i)] = text.runLine(plan, i, runAlone(plan, i));
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(alone, taken);
}

// One run checks its step with the two finer runs side by side: the numbers
// of the check on the simulation state, which runs them one after the other.
TEST(RunsOfAPlan, OneRunsStepCheckEqualsTheWindowsCheck)
{
    for (const char* preset : { "1", "12", "29" }) {
        Options options;
        options.preset = preset;
        options.accuracy = true;
        const Plan plan = makePlan(options);
        const RunResult r = runAlone(plan, 0);
        prepare(plan, {}, presetOfRun(plan, 0));
        torv::Flugbahn(torv::RunFiles::Skip);
        const torv::StepCheck check = torv::checkStep(plan.target);
        ASSERT_FALSE(check.failed()) << preset;
        std::vector<double> expected;
        for (const torv::QuantityCheck& q : check.quantities)
            expected.insert(expected.end(), { q.values[1], q.values[2], q.extrapolated });
        ASSERT_EQ(r.status, kOk) << r.error;
        const size_t first = summaryColumns(false).size();
        for (size_t k = 0; k < expected.size(); ++k)
            EXPECT_TRUE(
                std::isnan(expected[k]) ? std::isnan(r.numbers[first + k]) : expected[k] == r.numbers[first + k])
                << preset << " column " << first + k;
    }
}

// A run's preparation is a fresh state's, whatever the thread prepared and
// ran before and whatever the state held: every preset after another and
// after itself, a scenario file after one that differs in an input, and a
// fault still flagged from before.
TEST(RunsOfAPlan, PreparationIsAFreshOneWhateverCameBefore)
{
    Options options;
    options.preset = "all";
    options.sets = { "dt0=0.05" }; // short runs
    const Plan presets = makePlan(options);
    auto source = std::make_unique<torv::SimState>();
    prepare(presets, {}, 16, *source);
    torv::Scenario file = torv::currentScenario("file", *source);
    const Plan first = makePlan(Options(), file);
    file[torv::Field::H0] += 1;
    const Plan second = makePlan(Options(), file);
    std::vector<std::pair<const Plan*, int>> cases;
    for (long long i = 0; i < presets.count(); ++i)
        cases.emplace_back(&presets, presetOfRun(presets, i));
    cases.insert(cases.end(), { { &first, 0 }, { &second, 0 } });
    const auto state = std::make_unique<torv::SimState>();
    for (const auto& [plan, number] : cases) {
        const auto fresh = std::make_unique<torv::SimState>();
        std::thread([&] { prepare(*plan, {}, number, *fresh); }).join();
        for (int again = 0; again < 2; ++again) {
            prepare(*plan, {}, number, *state);
            EXPECT_TRUE(static_cast<const torv::SimStateCore&>(*state) == *fresh) << number << " " << again;
            torv::runOn(*state);
        }
    }
    // As after an activation, no fault of before stays flagged.
    for (int again = 0; again < 2; ++again) {
        std::feraiseexcept(FE_DIVBYZERO);
        prepare(presets, {}, 1, *state);
        EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO)) << again;
    }
}

// Each drawn input's share of a linear model's variance is its coefficient's
// square over the sum of all, and the shares add up to 1; an output that
// does not vary has no shares.
TEST(VarianceShares, OfALinearModelAreItsCoefficientsSquaredAndAddUpToOne)
{
    struct Model {
        double a, b;
    };
    constexpr double kSampleError = 0.03; // 5000 draws
    for (const Model m : { Model { 3, 2 }, Model { 1, 0 }, Model { 1, -1 } }) {
        std::vector<double> x1, x2, y;
        for (long long run = 0; run < 5000; ++run) {
            RunDraws d(11, run);
            x1.push_back(d.normal(10, 1));
            x2.push_back(d.uniform(-std::sqrt(3.0), std::sqrt(3.0))); // the same variance, 1
            y.push_back(m.a * x1.back() + m.b * x2.back());
        }
        const double s1 = squaredCorrelation(x1, y), s2 = squaredCorrelation(x2, y);
        const double total = m.a * m.a + m.b * m.b;
        EXPECT_NEAR(s1, m.a * m.a / total, kSampleError) << m.a << "," << m.b;
        EXPECT_NEAR(s2, m.b * m.b / total, kSampleError) << m.a << "," << m.b;
        EXPECT_NEAR(s1 + s2, 1, kSampleError) << m.a << "," << m.b;
    }
    const std::vector<double> x = { 1, 2, 3, 4 }, flat = { 5, 5, 5, 5 };
    EXPECT_TRUE(std::isnan(squaredCorrelation(x, flat)));
}

namespace {

struct EngineCase {
    const char* name;
    std::vector<std::string> sweeps, varies;
    int threads;
    const char* window;
};

class EngineLines : public ::testing::TestWithParam<EngineCase> { };

} // namespace

// The engine's results come in run order, each the line of its run alone,
// a failed one's too, whatever the threads and however small the window.
TEST_P(EngineLines, AreTheSeparateRunsInRunOrder)
{
    const EngineCase& c = GetParam();
    Options o;
    o.preset = "1";
    o.sweeps = c.sweeps;
    o.varies = c.varies;
    o.window = c.window;
    if (!c.varies.empty())
        o.runs = "40";
    const Plan plan = makePlan(o);
    const SummaryText text(plan);
    std::vector<std::string> alone, engine;
    for (long long i = 0; i < plan.count(); ++i)
        alone.push_back(text.runLine(plan, i, runAlone(plan, i)));
    runAll(plan, c.threads, [&](long long i, RunResult& r) {
        EXPECT_EQ(i, static_cast<long long>(engine.size()));
        engine.push_back(text.runLine(plan, i, r));
    });
    EXPECT_EQ(engine, alone);
}

INSTANTIATE_TEST_SUITE_P(Plans, EngineLines,
    ::testing::Values(EngineCase { "SweepOnOneThread", { "Q0=10:80:30" }, {}, 1, "1024" },
        EngineCase { "FailingRunsOnThreeThreadsWindowOfTwo", { "MassaStart=-1:1:9" }, {}, 3, "2" },
        EngineCase { "StudyOnTwoThreads", {}, { "Q0=normal:45:3", "V0=triangular:50:55:60" }, 2, "4" }),
    [](const auto& info) { return std::string(info.param.name); });

// Cancel stops the runs under way (runs 5 and later go on until then) and
// keeps the runs that finished in order; nothing comes after them.
TEST(Engine, CancelStopsTheRunsUnderWayAndKeepsTheFinishedOnes)
{
    Options o;
    o.preset = "1";
    o.sweeps = { "H0=0:10:1000" };
    const Plan plan = makePlan(o);
    Engine engine(plan, 3, 16, [&](long long i, torv::RunObserver& observer) {
        while (i >= 5 && observer.progress(1, 0, 1))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return runAlone(plan, i);
    });
    engine.start();
    std::vector<long long> got;
    while (got.size() < 5)
        for (const auto& [i, r] : engine.take(std::chrono::milliseconds(100)))
            got.push_back(i);
    engine.cancel();
    while (!engine.finished())
        for (const auto& [i, r] : engine.take(std::chrono::milliseconds(100)))
            got.push_back(i);
    EXPECT_EQ(got, (std::vector<long long> { 0, 1, 2, 3, 4 }));
    EXPECT_TRUE(engine.take().empty());
}

namespace {

struct PairCase {
    const char* name;
    const char* preset;
    std::vector<std::string> sweeps;
};

class RunsTwoAtATime : public ::testing::TestWithParam<PairCase> { };

} // namespace

// Every run beside the next gives the line it gives alone: runs of different
// length, a run that fails beside one that does not, presets of one class
// and of different classes side by side.
TEST_P(RunsTwoAtATime, GiveTheLinesOfRunsAlone)
{
    Options o;
    o.preset = GetParam().preset;
    o.sweeps = GetParam().sweeps;
    const Plan plan = makePlan(o);
    const SummaryText text(plan);
    for (long long i = 0; i + 1 < plan.count(); ++i) {
        const auto two = runTwo(plan, i, i + 1, torv::quietObserver());
        for (long long k = 0; k < 2; ++k)
            EXPECT_EQ(text.runLine(plan, i + k, two[static_cast<size_t>(k)]),
                text.runLine(plan, i + k, runAlone(plan, i + k)))
                << "run " << i + k << " beside run " << i + 1 - k;
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, RunsTwoAtATime,
    ::testing::Values(PairCase { "EveryPreset", "all", {} },
        PairCase { "FaultsAndLengths", "1", { "V0=100,1e200,300,1e300,100" } },
        PairCase { "ReentryFaults", "7", { "V0=7000,11200,1e200" } },
        PairCase { "RefusedSteps", "1", { "dt0=0,0.005,-1,0.01" } },
        PairCase { "StillAirAndNot", "16", { "MassaStart=300,1e-281,1e-279,300", "Vwind=0,3" } }),
    [](const auto& info) { return std::string(info.param.name); });

// Two runs that go on to their end are stepped together, not one after the
// other, and each leaves the summary and samples of its run alone.
TEST(RunsTwoAtATime, StepTogetherAndLeaveWhatEachLeavesAlone)
{
    Options o;
    o.preset = "1";
    o.sweeps = { "V0=100:300:2" };
    const Plan plan = makePlan(o);
    std::array<std::unique_ptr<torv::RunRequest>, 2> in;
    std::array<std::unique_ptr<torv::RunOutcome>, 2> two, alone;
    for (size_t k = 0; k < 2; ++k) {
        const auto state = std::make_unique<torv::SimState>();
        prepare(plan, plan.assignments(static_cast<long long>(k)), 1, *state);
        in[k] = std::make_unique<torv::RunRequest>(torv::runRequest(*state, false));
        two[k] = std::make_unique<torv::RunOutcome>();
        alone[k] = std::make_unique<torv::RunOutcome>();
    }
    std::array<std::exception_ptr, 2> errors;
    ASSERT_TRUE(torv::runFlightPair(*in[0], *two[0], *in[1], *two[1], torv::quietObserver(), errors));
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_FALSE(errors[k]);
        torv::runFlight(*in[k], *alone[k]);
        for (const torv::SummaryQuantity& q : torv::summaryQuantities())
            EXPECT_EQ(two[k]->summary.*q.value, alone[k]->summary.*q.value) << k << " " << q.column;
        EXPECT_EQ(two[k]->summary.samples, alone[k]->summary.samples) << k;
        EXPECT_EQ(two[k]->series, alone[k]->series) << k;
    }
    EXPECT_NE(two[0]->summary.flightTime, two[1]->summary.flightTime);
}

// The band of many runs: runs y = k x (k = 0 .. 20) over x from 0 to 1 give
// the percentiles k = 1, 10 and 19 everywhere; a run reaching beyond the
// others is the only one there; an x that turns back puts the band over time.
TEST(StudyFigures, BandHasThePercentilesOfTheRunsThatReachEachPoint)
{
    const auto trace = [](double x0, double x1, double k) {
        torv::batch::RunTrace t { 0, 10, {}, {} };
        for (int j = 0; j < kTracePoints; ++j) {
            t.x.push_back(x0 + (x1 - x0) * j / (kTracePoints - 1));
            t.y.push_back(k * t.x.back());
        }
        return t;
    };
    std::vector<RunTrace> runs;
    for (int k = 0; k <= 20; ++k)
        runs.push_back(trace(0, 1, k));
    runs.push_back(trace(0.5, 2, 100));
    const Band band = bandOf(runs, false, 41);
    ASSERT_FALSE(band.overTime);
    ASSERT_EQ(band.x.size(), 41u);
    for (size_t j = 0; j < band.x.size(); ++j) {
        const double x = band.x[j];
        SCOPED_TRACE(x);
        ASSERT_NEAR(x, 2.0 * j / 40, 1e-12);
        if (x < 0.5) {
            EXPECT_EQ(band.n[j], 21);
            EXPECT_NEAR(band.p5[j], 1 * x, 1e-9);
            EXPECT_NEAR(band.p50[j], 10 * x, 1e-9);
            EXPECT_NEAR(band.p95[j], 19 * x, 1e-9);
        } else if (x > 1) {
            EXPECT_EQ(band.n[j], 1);
            EXPECT_NEAR(band.p5[j], 100 * x, 1e-9);
            EXPECT_NEAR(band.p95[j], 100 * x, 1e-9);
        }
    }
    runs[3].x[100] = -1;
    const Band overTime = bandOf(runs, false, 41);
    EXPECT_TRUE(overTime.overTime);
    EXPECT_NEAR(overTime.x.back(), 10, 1e-12);
}

// A run's graph pair comes back in its recorded units, whatever larger unit
// the run chose, at instants spread evenly over its time.
TEST(StudyFigures, TraceIsInRecordedUnitsOverTheRunsTime)
{
    auto state = std::make_unique<torv::SimState>();
    state->NPunkte = torv::kSamples;
    state->FlagX = 1; // range in km
    const int range = torv::code(torv::Series::Range), time = torv::code(torv::Series::Time);
    for (int i = 1; i < torv::kSamples; ++i) {
        state->Ergebnis[static_cast<size_t>(time * torv::kSamples + i)] = 0.5 * i;
        state->Ergebnis[static_cast<size_t>(range * torv::kSamples + i)] = 0.002 * i;
    }
    const RunTrace t = traceOf(*state, time, range);
    ASSERT_EQ(t.y.size(), static_cast<size_t>(kTracePoints));
    EXPECT_DOUBLE_EQ(t.t0, 0.5);
    EXPECT_DOUBLE_EQ(t.t1, 0.5 * (torv::kSamples - 1));
    for (int j = 0; j < kTracePoints; j += 37) {
        EXPECT_NEAR(t.x[static_cast<size_t>(j)], t.time(j), 1e-9);
        EXPECT_NEAR(t.y[static_cast<size_t>(j)], 4 * t.time(j), 1e-9) << "2 m per 0.5 s";
    }
    EXPECT_TRUE(t.rising());
}

// Pearson's r of known sets, and none where it would mean nothing.
TEST(StudyFigures, CorrelationOfKnownSets)
{
    const std::vector<double> x { 1, 2, 3, 4, 5 };
    struct Case {
        std::vector<double> y;
        Correlation::Kind kind;
        double r;
    };
    const Case cases[] = {
        { { 2, 4, 5, 4, 5 }, Correlation::Some, 6 / std::sqrt(60.0) },
        { { 1, -2, -5, -8, -11 }, Correlation::Some, -1 },
        { { 7, 7, 7, 7, 7 }, Correlation::NoSpread, 0 },
        { { 2, 4 }, Correlation::TooFew, 0 },
    };
    for (const Case& c : cases) {
        const Correlation r = correlation(x, c.y);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_NEAR(r.r, c.r, 1e-12);
    }
}

// The cumulative distribution passes through each percentile at its share:
// 0 .. 100 in any order has p5 = 5, p50 = 50 and p95 = 95, read off the line.
TEST(StudyFigures, CumulativeDistributionMeetsItsPercentileMarks)
{
    std::vector<double> values;
    for (int k = 0; k <= 100; ++k)
        values.push_back((k * 37) % 101);
    const ColumnStatistics s = statistics(values);
    const auto line = cumulative(values);
    ASSERT_EQ(line.size(), 101u);
    for (const auto& [p, mark] : { std::pair { 0.05, s.p5 }, { 0.5, s.p50 }, { 0.95, s.p95 } }) {
        EXPECT_DOUBLE_EQ(mark, 100 * p);
        const auto at = std::find_if(line.begin(), line.end(), [&](const auto& pt) { return pt.first == mark; });
        ASSERT_NE(at, line.end());
        EXPECT_NEAR(at->second, p, 1e-12);
    }
    EXPECT_EQ(cumulative(std::vector<double> { 4 }), (std::vector<std::pair<double, double>> { { 4, 0 }, { 4, 1 } }));
}
