// The batch program's parts on their own: the window that bounds what a
// long sweep holds, a study's random numbers and statistics, and runs on
// threads of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/stepcheck.h"
#include "batch/batch.h"
#include "batch/runs.h"
#include "batch/study.h"
#include "batch/studyfigures.h"
#include "batch/window.h"
#include "model/state.h"
#include "run/flugbahn.h"

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
