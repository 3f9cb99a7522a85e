#include "batch/study.h"

#include <algorithm>
#include <cmath>

namespace torv::batch {

namespace {

std::uint64_t splitmix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

RunDraws::RunDraws(std::uint64_t seed, long long run)
{
    // The run's own stream: its index mixed into the seed, then spread over
    // the generator's state.
    std::uint64_t mix = static_cast<std::uint64_t>(run);
    std::uint64_t state = seed ^ splitmix64(mix);
    for (std::uint64_t& s : s_)
        s = splitmix64(state);
}

// xoshiro256** (Blackman and Vigna).
std::uint64_t RunDraws::next()
{
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

double RunDraws::unit()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double RunDraws::uniform(double lo, double hi)
{
    return lo + (hi - lo) * unit();
}

// Marsaglia's polar method: a point drawn evenly in the unit disc gives a
// normal deviate; the disc's other one is not kept, so that every normal
// value takes its draws afresh.
double RunDraws::normal(double mean, double sd)
{
    for (;;) {
        const double u = 2 * unit() - 1;
        const double v = 2 * unit() - 1;
        const double s = u * u + v * v;
        if (s > 0 && s < 1)
            return mean + sd * (u * std::sqrt(-2 * naturalLog(s) / s));
    }
}

// The inverse of the distribution function at a uniform draw: the rising
// side below the mode's share of the area, the falling side above it.
double RunDraws::triangular(double lo, double mode, double hi)
{
    const double u = unit();
    const double width = hi - lo;
    if (width <= 0)
        return lo;
    if (u * width < mode - lo)
        return lo + std::sqrt(u * width * (mode - lo));
    return hi - std::sqrt((1 - u) * width * (hi - mode));
}

double naturalLog(double x)
{
    constexpr double kLn2 = 0.693147180559945309417232121458;
    constexpr double kSqrtHalf = 0.707106781186547524400844362105;
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)); ln m = 2 atanh(s), s = (m-1)/(m+1),
    // |s| < 0.172, whose series has reached the last bit after 14 terms.
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < kSqrtHalf) {
        m *= 2;
        --e;
    }
    const double s = (m - 1) / (m + 1);
    const double s2 = s * s;
    double sum = 0;
    for (int k = 29; k >= 1; k -= 2)
        sum = sum * s2 + 1.0 / k;
    return 2 * s * sum + e * kLn2;
}

double percentile(std::span<const double> sorted, double p)
{
    if (sorted.empty())
        return 0;
    const double h = p * static_cast<double>(sorted.size() - 1);
    const size_t k = static_cast<size_t>(h);
    if (k + 1 >= sorted.size())
        return sorted.back();
    return sorted[k] + (h - static_cast<double>(k)) * (sorted[k + 1] - sorted[k]);
}

ColumnStatistics statistics(std::vector<double>& values)
{
    ColumnStatistics c;
    c.n = static_cast<long long>(values.size());
    if (values.empty())
        return c;
    // Welford's running mean and sum of squared deviations: a constant
    // column keeps its value as the mean and has no deviation at all.
    double mean = 0, squares = 0;
    long long k = 0;
    for (double v : values) {
        ++k;
        const double delta = v - mean;
        mean += delta / static_cast<double>(k);
        squares += delta * (v - mean);
    }
    c.mean = mean;
    if (c.n > 1)
        c.sd = std::sqrt(squares / static_cast<double>(c.n - 1));
    std::sort(values.begin(), values.end());
    c.p5 = percentile(values, 0.05);
    c.p50 = percentile(values, 0.50);
    c.p95 = percentile(values, 0.95);
    return c;
}

} // namespace torv::batch
