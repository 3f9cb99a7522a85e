#include "batch/studyfigures.h"

#include <algorithm>
#include <cmath>

#include "batch/study.h"
#include "model/quantities.h"

namespace torv::batch {

namespace {

// y at `at` on the line through the points (xs[k], ys[k]), xs never
// falling, from index `k` on (moved along for the next, larger `at`).
double interpolate(const std::vector<double>& xs, const std::vector<double>& ys, double at, size_t& k)
{
    while (k + 2 < xs.size() && xs[k + 1] < at)
        ++k;
    const double dx = xs[k + 1] - xs[k];
    if (!(dx > 0))
        return at <= xs[k] ? ys[k] : ys[k + 1];
    const double f = std::clamp((at - xs[k]) / dx, 0.0, 1.0);
    return ys[k] + f * (ys[k + 1] - ys[k]);
}

// The position j of `points` spread evenly from lo to hi.
double spreadPoint(double lo, double hi, int j, int points)
{
    return points > 1 ? lo + (hi - lo) * j / (points - 1) : lo;
}

} // namespace

double RunTrace::time(int j) const
{
    return spreadPoint(t0, t1, j, static_cast<int>(x.size()));
}

bool RunTrace::rising() const
{
    if (x.size() < 2 || !(x.back() > x.front()))
        return false;
    for (size_t j = 1; j < x.size(); ++j)
        if (x[j] < x[j - 1])
            return false;
    return true;
}

RunTrace traceOf(const SimState& state, int xCode, int yCode)
{
    const int n = state.NPunkte;
    // A series as the graph reads it, back in its recorded unit.
    const auto series = [&](int code) {
        std::vector<double> v;
        const double divisor = divisorFor(static_cast<Series>(code), state);
        const long long first
            = static_cast<long long>(state.GraphPage) * state.PageSize + static_cast<long long>(code) * n;
        for (int i = 1; i < n; ++i) {
            const long long e = first + i;
            const double value = e >= 0 && e < kErgebnisSize ? state.Ergebnis[static_cast<size_t>(e)] : 0.0;
            v.push_back(std::isfinite(value) ? value * divisor : 0.0);
        }
        return v;
    };
    RunTrace trace;
    if (n < 3)
        return trace;
    const std::vector<double> t = series(code(Series::Time)), x = series(xCode), y = series(yCode);
    trace.t0 = t.front();
    trace.t1 = t.back();
    if (!(trace.t1 >= trace.t0))
        return trace;
    size_t k = 0, l = 0;
    for (int j = 0; j < kTracePoints; ++j) {
        const double at = spreadPoint(trace.t0, trace.t1, j, kTracePoints);
        trace.x.push_back(interpolate(t, x, at, k));
        trace.y.push_back(interpolate(t, y, at, l));
    }
    return trace;
}

std::vector<std::pair<double, double>> alongBand(const RunTrace& run, bool overTime)
{
    std::vector<std::pair<double, double>> points;
    for (size_t j = 0; j < run.x.size(); ++j)
        points.emplace_back(overTime ? run.time(static_cast<int>(j)) : run.x[j], run.y[j]);
    return points;
}

Band bandOf(std::span<const RunTrace> runs, bool overTime, int points)
{
    Band band;
    band.overTime = overTime;
    for (const RunTrace& run : runs)
        if (!run.x.empty() && !run.rising())
            band.overTime = true;
    // Each run's positions along the common x.
    std::vector<std::vector<double>> along;
    double lo = INFINITY, hi = -INFINITY;
    for (const RunTrace& run : runs) {
        if (run.x.empty())
            continue;
        along.emplace_back();
        for (const auto& [x, y] : alongBand(run, band.overTime))
            along.back().push_back(x);
        lo = std::min(lo, along.back().front());
        hi = std::max(hi, along.back().back());
    }
    if (along.empty())
        return band;
    std::vector<std::vector<double>> ys(static_cast<size_t>(points));
    size_t r = 0;
    for (const RunTrace& run : runs) {
        if (run.x.empty())
            continue;
        const std::vector<double>& xs = along[r++];
        size_t k = 0;
        for (int j = 0; j < points; ++j) {
            const double at = spreadPoint(lo, hi, j, points);
            if (at >= xs.front() && at <= xs.back())
                ys[static_cast<size_t>(j)].push_back(interpolate(xs, run.y, at, k));
        }
    }
    for (int j = 0; j < points; ++j) {
        std::vector<double>& v = ys[static_cast<size_t>(j)];
        std::sort(v.begin(), v.end());
        const bool any = !v.empty();
        band.x.push_back(spreadPoint(lo, hi, j, points));
        band.p5.push_back(any ? percentile(v, 0.05) : NAN);
        band.p50.push_back(any ? percentile(v, 0.50) : NAN);
        band.p95.push_back(any ? percentile(v, 0.95) : NAN);
        band.n.push_back(static_cast<int>(v.size()));
    }
    return band;
}

std::vector<std::pair<double, double>> cumulative(std::span<const double> sorted)
{
    std::vector<std::pair<double, double>> line;
    if (sorted.size() == 1)
        return { { sorted[0], 0.0 }, { sorted[0], 1.0 } };
    for (size_t k = 0; k < sorted.size(); ++k)
        line.emplace_back(sorted[k], static_cast<double>(k) / static_cast<double>(sorted.size() - 1));
    return line;
}

Correlation correlation(std::span<const double> x, std::span<const double> y)
{
    Correlation c;
    const size_t n = std::min(x.size(), y.size());
    const auto paired = [&](size_t k) { return std::isfinite(x[k]) && std::isfinite(y[k]); };
    // Two passes: the means first, so that large values do not cancel.
    double mx = 0, my = 0;
    for (size_t k = 0; k < n; ++k)
        if (paired(k)) {
            ++c.n;
            mx += x[k];
            my += y[k];
        }
    if (c.n < 3)
        return c;
    mx /= static_cast<double>(c.n);
    my /= static_cast<double>(c.n);
    double sxx = 0, syy = 0, sxy = 0;
    for (size_t k = 0; k < n; ++k)
        if (paired(k)) {
            sxx += (x[k] - mx) * (x[k] - mx);
            syy += (y[k] - my) * (y[k] - my);
            sxy += (x[k] - mx) * (y[k] - my);
        }
    if (!(sxx > 0) || !(syy > 0)) {
        c.kind = Correlation::NoSpread;
        return c;
    }
    c.kind = Correlation::Some;
    c.r = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
    return c;
}

} // namespace torv::batch
