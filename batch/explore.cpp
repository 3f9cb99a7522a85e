#include "batch/explore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>

#include "analysis/stepcheck.h"
#include "fault/faults.h"
#include "files/numfmt.h"
#include "model/classes.h"
#include "model/state.h"
#include "model/summary.h"
#include "scenarios/presets.h"

namespace torv::batch {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
// Brent's and the golden-section search end when the bracket is this share
// of the searched range, or after this many runs.
constexpr double kSearchTolerance = 1e-10;
constexpr int kMostSearchRuns = 200;
// Outputs that differ by this share of themselves or less differ by the
// rounding of their steps alone.
constexpr double kRoundingShare = 1e-12;

double classOf(const Plan& plan)
{
    if (plan.scenario)
        return static_cast<double>(plan.scenario->klasse);
    const PresetRef ref = *presetNumber(presetOfRun(plan, 0));
    return presets(ref.list)[static_cast<size_t>(ref.index)].Klasse;
}

// The value every input has in the plan's run, as the run starts.
std::vector<double> startValues(const Plan& plan, const std::vector<const FieldInfo*>& inputs)
{
    const auto state = std::make_unique<SimState>();
    prepare(plan, {}, presetOfRun(plan, 0), *state);
    std::vector<double> values;
    for (const FieldInfo* f : inputs)
        values.push_back(state.get()->*f->var);
    return values;
}

// Output `column` of the run with `field` at `x`; NaN when it failed or has
// no value.
struct Probe {
    const Plan& plan;
    const FieldInfo& field;
    int column;
    const BeforeRun& beforeRun;
    long long runs = 0;
    double operator()(double x)
    {
        if (beforeRun)
            beforeRun();
        ++runs;
        const RunResult r = runWith(plan, { { &field, x } });
        return r.status == kOk ? r.numbers[static_cast<size_t>(column)] : kNone;
    }
};

// The scan's points, from lo to hi (both exactly).
std::vector<double> scanPoints(double lo, double hi)
{
    std::vector<double> xs;
    for (int k = 0; k <= kScanIntervals; ++k)
        xs.push_back(k == kScanIntervals ? hi : lo + (hi - lo) * k / kScanIntervals);
    return xs;
}

// Brent's method on [a, b], where g(a) and g(b) have opposite signs: inverse
// quadratic interpolation or the secant where it stays inside the bracket,
// bisection otherwise.
template <typename G> std::pair<double, double> brent(G&& g, double a, double b, double ga, double gb, double tol)
{
    double c = a, gc = ga, d = b - a, e = d;
    for (int run = 0; run < kMostSearchRuns; ++run) {
        if ((gb > 0) == (gc > 0)) {
            c = a;
            gc = ga;
            d = e = b - a;
        }
        if (std::fabs(gc) < std::fabs(gb)) {
            a = b;
            b = c;
            c = a;
            ga = gb;
            gb = gc;
            gc = ga;
        }
        const double tol1 = 2 * std::numeric_limits<double>::epsilon() * std::fabs(b) + tol / 2;
        const double m = (c - b) / 2;
        if (std::fabs(m) <= tol1 || gb == 0)
            return { b, gb };
        if (std::fabs(e) >= tol1 && std::fabs(ga) > std::fabs(gb)) {
            double p, q;
            const double s = gb / ga;
            if (a == c) {
                p = 2 * m * s;
                q = 1 - s;
            } else {
                const double r = gb / gc, t = ga / gc;
                p = s * (2 * m * t * (t - r) - (b - a) * (r - 1));
                q = (t - 1) * (r - 1) * (s - 1);
            }
            if (p > 0)
                q = -q;
            p = std::fabs(p);
            if (2 * p < std::min(3 * m * q - std::fabs(tol1 * q), std::fabs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = e = m;
            }
        } else {
            d = e = m;
        }
        a = b;
        ga = gb;
        b += std::fabs(d) > tol1 ? d : (m > 0 ? tol1 : -tol1);
        gb = g(b);
        // A failed run inside the bracket: bisect towards the known side.
        if (std::isnan(gb))
            return { a, ga };
    }
    return { b, gb };
}

std::string text(double v)
{
    return formatGeneral(v, 3, 0, '.');
}

using Cell = SummaryText::Cell;

std::string lineOf(Format format, const std::vector<std::string>& names, const std::vector<Cell>& cells)
{
    std::string line = format == Format::Jsonl ? "{" : "";
    for (size_t k = 0; k < cells.size(); ++k) {
        const Cell& c = cells[k];
        if (format == Format::Csv) {
            line += (k == 0 ? "" : ",") + (c.kind == Cell::Text ? csvField(c.text) : c.text);
        } else {
            line += (k == 0 ? "\"" : ",\"") + names[k] + "\":";
            line += c.kind == Cell::Empty ? "null" : c.kind == Cell::Text ? quotedText(c.text) : c.text;
        }
    }
    return line + (format == Format::Jsonl ? "}\n" : "\n");
}

std::string headerOf(Format format, const std::vector<std::string>& names)
{
    if (format == Format::Jsonl)
        return {};
    std::string h;
    for (const std::string& name : names)
        h += (h.empty() ? "" : ",") + name;
    return h + "\n";
}

const char* columnName(int column)
{
    return summaryQuantities()[static_cast<size_t>(column)].column;
}

// The law the plan draws `field` by, if it draws it.
const Vary* drawnLaw(const Plan& plan, const FieldInfo* field)
{
    for (const Vary& v : plan.varies)
        if (v.field == field)
            return &v;
    return nullptr;
}

int writeSensitivity(const Plan& plan)
{
    const Explore& e = plan.explore;
    std::vector<const FieldInfo*> skipped;
    const std::vector<SensitivityRow> rows
        = sensitivity(plan, e.inputs.empty() ? readInputs(plan) : e.inputs, e.delta, &skipped);
    for (const FieldInfo* f : skipped)
        std::fprintf(stderr, "torv-batch: %s is 0 in this run: a per cent of it changes nothing, so it is left out\n",
            legendName(*f));
    for (const SensitivityRow& r : rows)
        if (r.output == 0 && !r.error.empty()) {
            const Vary* drawn = drawnLaw(plan, r.input);
            const std::string by = drawn ? "one standard deviation (" + text(standardDeviation(*drawn)) + ")"
                                         : text(100 * e.delta) + " %";
            std::fprintf(
                stderr, "torv-batch: %s changed by %s: %s\n", legendName(*r.input), by.c_str(), r.error.c_str());
        }
    std::fputs(sensitivityText(plan.format, rows).c_str(), stdout);
    return kOk;
}

int writeSearch(const Plan& plan)
{
    const Explore& e = plan.explore;
    const bool solving = e.kind == Explore::Kind::Solve;
    const std::string input = legendName(*e.field), output = columnName(e.column);
    const std::string range = input + " from " + shortestText(e.lo) + " to " + shortestText(e.hi);
    const std::vector<Solution> found = solving
        ? solve(plan, *e.field, e.lo, e.hi, e.column, e.target)
        : optimize(plan, *e.field, e.lo, e.hi, e.column, e.kind == Explore::Kind::Maximize);
    if (found.empty()) {
        if (solving)
            std::fprintf(stderr, "torv-batch: %s=%s is out of reach for %s: no run of the scan crosses it\n",
                output.c_str(), shortestText(e.target).c_str(), range.c_str());
        else
            std::fprintf(stderr, "torv-batch: no run of the scan of %s gave %s\n", range.c_str(), output.c_str());
        return kOutOfReach;
    }
    for (const Solution& s : found) {
        // How far the step's own error lets the answer be trusted.
        const Trust trust = trustOf(plan, s);
        const std::string at = input + "=" + formatGeneral(s.value, 6, 0, '.');
        if (trust.kind == Trust::Kind::NotSettled) {
            std::fprintf(stderr,
                "torv-batch: at %s the step check finds %s not settled: its error at this step, and so how well %s "
                "is known, cannot be stated\n",
                at.c_str(), output.c_str(), input.c_str());
        } else if (trust.kind == Trust::Kind::WithinError) {
            const std::string spread
                = trust.spread != 0 ? ": " + input + " is uncertain by about \u00b1" + text(trust.spread) : "";
            std::fprintf(stderr,
                "torv-batch: at %s the target %s=%s is met closer than the step's own error of %s (%s, as the step "
                "check estimates it)%s\n",
                at.c_str(), output.c_str(), shortestText(e.target).c_str(), output.c_str(), text(trust.error).c_str(),
                spread.c_str());
        } else if (trust.kind == Trust::Kind::FlatTop) {
            std::fprintf(stderr,
                "torv-batch: at %s, %s is known only to the step's own error of %s (as the step check estimates "
                "it): any %s within about %s of it gives as much\n",
                at.c_str(), output.c_str(), text(trust.error).c_str(), input.c_str(), text(trust.spread).c_str());
        }
    }
    std::fputs(searchText(plan.format, *e.field, e.column, found).c_str(), stdout);
    return kOk;
}

} // namespace

RunResult runWith(const Plan& plan, const Assignments& values)
{
    Plan one = plan;
    one.sweeps.clear();
    one.varies.clear();
    one.explore = {};
    one.sets.insert(one.sets.end(), values.begin(), values.end());
    return runAlone(one, 0);
}

double standardDeviation(const Vary& v)
{
    switch (v.law) {
    case Vary::Law::Normal:
        return v.b;
    case Vary::Law::Uniform:
        return (v.b - v.a) / std::sqrt(12.0);
    case Vary::Law::Triangular:
        return std::sqrt((v.a * v.a + v.b * v.b + v.mode * v.mode - v.a * v.b - v.a * v.mode - v.b * v.mode) / 18);
    }
    return 0;
}

std::vector<const FieldInfo*> readInputs(const Plan& plan)
{
    const double klasse = classOf(plan);
    std::vector<const FieldInfo*> inputs;
    for (const FieldInfo& f : fieldTable())
        if ((f.shown == Shown::Never || fieldShown(f, klasse)) && runReads(classRow(klasse), f.field))
            inputs.push_back(&f);
    return inputs;
}

std::vector<SensitivityRow> sensitivity(const Plan& plan, const std::vector<const FieldInfo*>& inputs, double delta,
    std::vector<const FieldInfo*>* skipped, const BeforeRun& beforeRun)
{
    const auto run = [&](const Assignments& values) {
        if (beforeRun)
            beforeRun();
        return runWith(plan, values);
    };
    const RunResult base = run({});
    if (base.status != kOk)
        std::rethrow_exception(base.exception);
    const std::vector<double> start = startValues(plan, inputs);
    std::vector<SensitivityRow> rows;
    for (size_t k = 0; k < inputs.size(); ++k) {
        const double x = start[k];
        const Vary* drawn = drawnLaw(plan, inputs[k]);
        if (x == 0 && !drawn) {
            if (skipped)
                skipped->push_back(inputs[k]);
            continue;
        }
        // A drawn input changes by its law's standard deviation, any other
        // by the share delta of its value.
        const double sd = drawn ? standardDeviation(*drawn) : 0;
        const double xLow = drawn ? x - sd : x * (1 - delta);
        const double xHigh = drawn ? x + sd : x * (1 + delta);
        const RunResult low = run({ { inputs[k], xLow } });
        const RunResult high = run({ { inputs[k], xHigh } });
        for (size_t q = 0; q < summaryQuantities().size(); ++q) {
            SensitivityRow row;
            row.input = inputs[k];
            row.output = static_cast<int>(q);
            row.base = base.numbers[q];
            row.low = low.status == kOk ? low.numbers[q] : kNone;
            row.high = high.status == kOk ? high.numbers[q] : kNone;
            row.error = low.status != kOk ? low.error : high.error;
            // The relative change of the output over that of the input, as
            // the two inputs were rounded.
            row.elasticity = row.base != 0 && x != 0 ? ((row.high - row.low) / row.base) / ((xHigh - xLow) / x) : kNone;
            if (!std::isfinite(row.elasticity))
                row.elasticity = kNone;
            // A difference within the rounding of the runs' many steps is no
            // effect.
            else if (std::fabs(row.high - row.low) <= kRoundingShare * std::fabs(row.base))
                row.elasticity = 0;
            rows.push_back(row);
        }
    }
    return rows;
}

std::string sensitivityText(Format format, const std::vector<SensitivityRow>& rows)
{
    const std::vector<std::string> names = { "input", "output", "base", "low", "high", "elasticity" };
    std::string out = headerOf(format, names);
    for (const SensitivityRow& r : rows)
        out += lineOf(format, names,
            { { legendName(*r.input), Cell::Text }, { columnName(r.output), Cell::Text },
                SummaryText::numberCell(r.base), SummaryText::numberCell(r.low), SummaryText::numberCell(r.high),
                SummaryText::numberCell(r.elasticity) });
    return out;
}

std::string searchText(Format format, const FieldInfo& field, int column, const std::vector<Solution>& found)
{
    const std::vector<std::string> names = { "name", "value", "output", "achieved", "runs" };
    std::string out = headerOf(format, names);
    for (const Solution& s : found)
        out += lineOf(format, names,
            { { legendName(field), Cell::Text }, SummaryText::numberCell(s.value), { columnName(column), Cell::Text },
                SummaryText::numberCell(s.achieved), { std::to_string(s.runs), Cell::Number } });
    return out;
}

std::vector<Solution> solve(const Plan& plan, const FieldInfo& field, double lo, double hi, int column, double target,
    const BeforeRun& beforeRun)
{
    Probe probe { plan, field, column, beforeRun };
    const std::vector<double> xs = scanPoints(lo, hi);
    std::vector<double> gs;
    for (double x : xs)
        gs.push_back(probe(x) - target);
    const long long scanRuns = probe.runs;
    std::vector<Solution> found;
    const auto g = [&](double x) { return probe(x) - target; };
    for (size_t k = 0; k < xs.size(); ++k) {
        const double slope
            = k + 1 < xs.size() ? (gs[k + 1] - gs[k]) / (xs[k + 1] - xs[k]) : (gs[k] - gs[k - 1]) / (xs[k] - xs[k - 1]);
        if (gs[k] == 0) {
            found.push_back({ xs[k], target, scanRuns, slope, 0 });
            continue;
        }
        if (k + 1 == xs.size() || std::isnan(gs[k]) || std::isnan(gs[k + 1]) || gs[k + 1] == 0
            || (gs[k] > 0) == (gs[k + 1] > 0))
            continue;
        probe.runs = 0;
        const auto [x, gx] = brent(g, xs[k], xs[k + 1], gs[k], gs[k + 1], kSearchTolerance * (hi - lo));
        found.push_back({ x, gx + target, scanRuns + probe.runs, slope, 0 });
    }
    return found;
}

std::vector<Solution> optimize(const Plan& plan, const FieldInfo& field, double lo, double hi, int column,
    bool greatest, const BeforeRun& beforeRun)
{
    Probe probe { plan, field, column, beforeRun };
    const std::vector<double> xs = scanPoints(lo, hi);
    std::vector<double> ys;
    for (double x : xs)
        ys.push_back(probe(x));
    // Better: greater when maximizing, less when minimizing; NaN never.
    const auto better
        = [greatest](double a, double b) { return !std::isnan(a) && (std::isnan(b) || (greatest ? a > b : a < b)); };
    size_t best = 0;
    for (size_t k = 1; k < ys.size(); ++k)
        if (better(ys[k], ys[best]))
            best = k;
    if (std::isnan(ys[best]))
        return {};
    Solution s { xs[best], ys[best], 0, 0, 0 };
    if (best > 0 && best + 1 < xs.size()) {
        const double h = xs[best + 1] - xs[best];
        s.curvature = (ys[best - 1] - 2 * ys[best] + ys[best + 1]) / (h * h);
    }
    // Golden section between the best point's neighbours, keeping the best
    // run seen.
    double a = xs[best > 0 ? best - 1 : 0], b = xs[std::min(best + 1, xs.size() - 1)];
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    const auto at = [&](double x) {
        const double y = probe(x);
        if (better(y, s.achieved)) {
            s.value = x;
            s.achieved = y;
        }
        return y;
    };
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double yc = at(c), yd = at(d);
    const double tol = kSearchTolerance * (hi - lo);
    for (int run = 0; run < kMostSearchRuns && b - a > tol; ++run) {
        if (better(yc, yd) || (std::isnan(yd) && !std::isnan(yc))) {
            b = d;
            d = c;
            yd = yc;
            c = b - ratio * (b - a);
            yc = at(c);
        } else {
            a = c;
            c = d;
            yc = yd;
            d = a + ratio * (b - a);
            yd = at(d);
        }
    }
    s.runs = probe.runs;
    return { s };
}

double stepError(const Plan& plan, const FieldInfo& field, double value, int column)
{
    Plan checked = plan;
    checked.accuracy = true;
    const RunResult r = runWith(checked, { { &field, value } });
    if (r.status != kOk)
        return kNone;
    // The three runs' summaries again, for the check's reading of them.
    const std::vector<std::string> names = summaryColumns(true);
    const auto at = [&](const std::string& name) {
        return r.numbers[static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin())];
    };
    RunSummary runs[kCheckRuns] {};
    const char* suffixes[kCheckRuns] = { "", "_half", "_quarter" };
    for (int k = 0; k < kCheckRuns; ++k) {
        for (const SummaryQuantity& q : summaryQuantities())
            runs[k].*q.value = at(q.column + std::string(suffixes[k]));
        runs[k].samples = static_cast<int>(at("samples" + std::string(suffixes[k])));
    }
    const QuantityCheck q = compareSteps(kNone, runs, plan.target).quantities[static_cast<size_t>(column)];
    const double scale = std::max(std::fabs(q.values[2]), q.quantity->floor);
    // Unchanged: it moves by less than its change as the step halves.
    return q.settling == Settling::FirstOrder ? q.error * scale
        : q.settling == Settling::Unchanged   ? q.change * scale
                                              : kNone;
}

Trust trustOf(const Plan& plan, const Solution& found)
{
    const Explore& e = plan.explore;
    Trust t;
    t.error = stepError(plan, *e.field, found.value, e.column);
    if (std::isnan(t.error)) {
        t.kind = Trust::Kind::NotSettled;
    } else if (e.kind == Explore::Kind::Solve) {
        if (t.error > std::fabs(found.achieved - e.target)) {
            t.kind = Trust::Kind::WithinError;
            t.spread = found.slope != 0 ? t.error / std::fabs(found.slope) : 0;
        }
    } else if (t.error > 0 && found.curvature != 0 && std::isfinite(found.curvature)) {
        t.kind = Trust::Kind::FlatTop;
        t.spread = std::sqrt(2 * t.error / std::fabs(found.curvature));
    }
    return t;
}

int runExplore(const Plan& plan)
{
    return plan.explore.kind == Explore::Kind::Sensitivity ? writeSensitivity(plan) : writeSearch(plan);
}

} // namespace torv::batch
