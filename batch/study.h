// A seeded study's random numbers and its statistics. The numbers come from
// generators written out here (splitmix64, xoshiro256**, Marsaglia's polar
// method with a logarithm of our own), so that a seed gives the same draws
// with any compiler, library and processor.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace torv::batch {

// The random numbers of one run of a study: they depend on the seed and the
// run's index only, so that runs done in any order and in any process draw
// the same values.
class RunDraws {
public:
    RunDraws(std::uint64_t seed, long long run);
    // Uniform in [lo, hi).
    double uniform(double lo, double hi);
    // Normal with the given mean and standard deviation.
    double normal(double mean, double sd);
    // Triangular from lo to hi, most likely at mode.
    double triangular(double lo, double mode, double hi);

private:
    std::uint64_t next();
    double unit(); // [0, 1), 53 bits
    std::uint64_t s_[4];
};

// The natural logarithm of a positive finite x, from the four operations
// only, to within a few units in the last place.
double naturalLog(double x);

// Figures of one column over the runs that have a value in it.
struct ColumnStatistics {
    long long n = 0;
    double mean = 0;
    double sd = 0; // sample standard deviation (n - 1); 0 below two values
    double p5 = 0, p50 = 0, p95 = 0;
};

// The rows a study's statistics give after n, each with the values a column
// needs for it.
struct StatisticRow {
    const char* name;
    double ColumnStatistics::*value;
    long long least;
};
inline constexpr StatisticRow kStatisticRows[] = {
    { "mean", &ColumnStatistics::mean, 1 },
    { "sd", &ColumnStatistics::sd, 2 },
    { "p5", &ColumnStatistics::p5, 1 },
    { "p50", &ColumnStatistics::p50, 1 },
    { "p95", &ColumnStatistics::p95, 1 },
};

// The percentile p (0..1) of sorted values, interpolated linearly between
// the two closest ranks: x[k] + f (x[k+1] - x[k]) with k + f = p (n - 1),
// as spreadsheets' PERCENTILE.INC and numpy's default do.
double percentile(std::span<const double> sorted, double p);

// `values` in run order; sorted on return.
ColumnStatistics statistics(std::vector<double>& values);

} // namespace torv::batch
