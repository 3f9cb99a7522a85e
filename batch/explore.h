// Questions asked around one run rather than of a set of runs: which inputs
// matter (sensitivity), which input value reaches a target, and which one
// gives the greatest or least output. Qt-free: torv-batch and the Python
// module both use it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/runs.h"

namespace torv::batch {

// Called before each run of a question; what it throws ends the question
// there (a window's Cancel, say), and counting its calls counts the runs.
using BeforeRun = std::function<void()>;

// The plan's single run with `values` typed over its fields.
RunResult runWith(const Plan& plan, const Assignments& values);

// One input changed by ±delta (a fraction) of its value, or by ±1 standard
// deviation of its law where the plan draws it, one output's answer;
// elasticity: per cent of output per per cent of input, by the central
// difference. NaN where an output has no value or its base or input is 0.
struct SensitivityRow {
    const FieldInfo* input = nullptr;
    int output = 0; // index into summaryQuantities()
    double base = 0, low = 0, high = 0, elasticity = 0;
    std::string error; // the message of a changed run that failed
};
// The standard deviation of a drawn input's law.
double standardDeviation(const Vary& v);
// The inputs the plan's run reads, in the order of the field table: those
// `--set` may change for its class.
std::vector<const FieldInfo*> readInputs(const Plan& plan);
// Every output for every input whose value is not 0 or that is drawn
// (`skipped` gets the others: a per cent of 0 changes nothing). The base run
// and the changed ones draw nothing. Throws the base run's error.
std::vector<SensitivityRow> sensitivity(const Plan& plan, const std::vector<const FieldInfo*>& inputs, double delta,
    std::vector<const FieldInfo*>* skipped = nullptr, const BeforeRun& beforeRun = {});
// The rows as --sensitivity writes them: the header (CSV), one line a row.
std::string sensitivityText(Format format, const std::vector<SensitivityRow>& rows);

// A value of the searched input and what the run gave there.
struct Solution {
    double value = 0; // the input
    double achieved = 0; // the output
    long long runs = 0; // the runs made to find it, the scan's included
    double slope = 0; // d output / d input near it, from the scan
    double curvature = 0; // second derivative near it (an optimum's), from the scan
};

// Runs at evenly spaced points of the input's range before a search, so that
// every crossing a little apart from its neighbour is found.
inline constexpr int kScanIntervals = 40;

// Every value of `field` in [lo, hi] where output `column` equals `target`:
// a scan for sign changes, then Brent's method in each. Empty: out of reach.
std::vector<Solution> solve(const Plan& plan, const FieldInfo& field, double lo, double hi, int column, double target,
    const BeforeRun& beforeRun = {});
// The value of `field` in [lo, hi] with the greatest (or least) output
// `column`: the best scanned point, then a golden-section search between its
// neighbours. Empty when no run of the scan had the output.
std::vector<Solution> optimize(const Plan& plan, const FieldInfo& field, double lo, double hi, int column,
    bool greatest, const BeforeRun& beforeRun = {});
// The solutions as --solve and --maximize write them: the header (CSV), one
// line a solution.
std::string searchText(Format format, const FieldInfo& field, int column, const std::vector<Solution>& found);

// The output's error at the run's step, as the step check estimates it
// (first order: the distance to the extrapolated value); NaN when the
// output has not settled or a run of the check failed.
double stepError(const Plan& plan, const FieldInfo& field, double value, int column);

// How far the step's own error lets an answer of the plan's --solve,
// --maximize or --minimize be trusted: the step check run at its value.
struct Trust {
    enum class Kind {
        Sound, // the error is smaller than what the answer claims
        NotSettled, // the step check finds the output not settled: its error cannot be stated
        WithinError, // a solution meets the target closer than the output's error
        FlatTop, // an optimum: inputs within `spread` of it give as much, to the error
    };
    Kind kind = Kind::Sound;
    double error = 0; // the output's error at the run's step
    double spread = 0; // how far the input is uncertain by it; 0 where unknown
};
Trust trustOf(const Plan& plan, const Solution& found);

// --sensitivity, --solve, --maximize and --minimize: the lines on standard
// output, the notes on standard error. Returns the exit status.
int runExplore(const Plan& plan);

} // namespace torv::batch
