// What a study's pictures show, worked out without Qt: each run's graph
// pair kept at a few hundred points, the band the runs span, the cumulative
// distribution of an output and the correlation of two columns.
#pragma once

#include <span>
#include <vector>

#include "model/state.h"

namespace torv::batch {

// Points a run's graph pair is kept at: enough for a picture 640 pixels
// wide, little enough for thousands of runs (3.2 kB a run).
inline constexpr int kTracePoints = 200;

// A run's graph pair in the units they are recorded in (whatever unit flags
// the run set): x and y at kTracePoints instants spread evenly from the
// first sample's time to the last one's, interpolated linearly between the
// samples.
struct RunTrace {
    double t0 = 0, t1 = 0; // s
    std::vector<double> x, y;

    // The instant of point j.
    double time(int j) const;
    // Whether x rises over the run (never falling, the last point beyond
    // the first), so that y can be read as a function of x.
    bool rising() const;
};

// Series `xCode` and `yCode` of the run `state` holds (samples 1 ..
// NPunkte-1, as the graph draws them). Empty when the run has fewer than
// two samples or a time that is not finite.
RunTrace traceOf(const SimState& state, int xCode, int yCode);

// The spread of y over many runs along a common x: at each of `points`
// positions spread evenly from the lowest x of any run to the highest, the
// 5th, 50th and 95th percentiles of the y of the runs that reach there
// (NaN where none does), and how many those are.
struct Band {
    bool overTime = false; // x is each run's time: some run's x does not rise
    std::vector<double> x, p5, p50, p95;
    std::vector<int> n;
};
// Over time when `overTime` asks for it or some run's x does not rise.
Band bandOf(std::span<const RunTrace> runs, bool overTime, int points = kTracePoints);
// A run's y along the band's x: its x (or time) and y, the points where it
// has no value left out.
std::vector<std::pair<double, double>> alongBand(const RunTrace& run, bool overTime);

// The cumulative distribution of sorted values as a line through
// (values[k], k / (n - 1)): the inverse of percentile(), so that the line
// passes through (percentile(p), p) for every p. One value: a step from 0
// to 1 there.
std::vector<std::pair<double, double>> cumulative(std::span<const double> sorted);

// Pearson's correlation coefficient of the pairs (x[k], y[k]) where both
// are finite; none with fewer than three such pairs or where either column
// does not vary.
struct Correlation {
    enum Kind { Some, TooFew, NoSpread } kind = TooFew;
    double r = 0;
    long long n = 0;
};
Correlation correlation(std::span<const double> x, std::span<const double> y);

} // namespace torv::batch
