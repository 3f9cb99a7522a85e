// The step check: the same scenario run again at half and at a quarter of
// the integration step on a copy of the state, and the converged answer on
// request. Euler's method is of first order only once the step is small
// enough; until then the difference between two runs says little about the
// error. The order each quantity shows is read from the ratio of its two
// successive differences, (y(dt0) - y(dt0/2)) / (y(dt0/2) - y(dt0/4)): near 2
// the error shrinks in proportion to the step, and only then does the check
// extrapolate and suggest a step.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/summary.h"

namespace torv {

struct SimState;

inline constexpr double kTargetError = 0.001; // 0.1 %
// The ratio of successive differences that counts as first order.
inline constexpr double kFirstOrderLow = 1.6;
inline constexpr double kFirstOrderHigh = 2.5;
// Changes below this share of the target, at both halvings, are too small
// to tell an order from; the quantity has settled whatever its ratio.
inline constexpr double kNegligibleShare = 0.01;

// The share of the step that would just meet the target which a suggested
// step takes.
inline constexpr double kStepMargin = 0.9;

// The runs of a check: dt0, dt0/2 and dt0/4.
inline constexpr int kCheckRuns = 3;

// How a quantity behaves as the step halves.
enum class Settling {
    Unchanged, // both changes negligible
    FirstOrder, // ratio within kFirstOrderLow..kFirstOrderHigh
    NotYet, // the changes shrink, but not yet in proportion to the step
    NotConvergent, // the changes do not shrink (or change sign)
};

// One quantity of the summary at the check's steps (summaryQuantities()
// order).
struct QuantityCheck {
    const SummaryQuantity* quantity;
    double values[kCheckRuns]; // at dt0, dt0/2, dt0/4
    double ratio; // of the successive differences; NaN where the second is 0
    Settling settling;
    // FirstOrder only (NaN otherwise): the estimated relative error of the
    // run at the finest step and at dt0 (four times as large), and the
    // first-order extrapolation 2*y(dt0/4) - y(dt0/2).
    double finestError;
    double error;
    double extrapolated;
    // The largest of the two relative changes.
    double change;
};

// What the check concludes about the run at dt0.
struct StepVerdict {
    enum class Kind {
        Fine, // every quantity settled, the worst estimated error below target
        Coarse, // first order, but the worst estimated error above target
        Unsettled, // a quantity has not settled at this step
    };
    Kind kind = Kind::Fine;
    int worst = -1; // index into StepCheck::quantities; -1 when none changes
    double error = 0; // Fine, Coarse: estimated relative error at dt0
    double factor = 0; // Coarse: how many times too coarse the step is
    double step = 0; // Coarse: s, a step that meets the target
};

struct StepCheck {
    double dt0 = 0; // s, the step of the run in the state
    double target = kTargetError;
    RunSummary runs[kCheckRuns]; // at dt0, dt0/2, dt0/4
    int failedRun = -1; // the trial run that ended with an error, if any ...
    std::string failure; // ... with this message
    std::exception_ptr failureException; // ... and this error, for its kind
    std::vector<QuantityCheck> quantities; // empty when a trial run failed

    bool failed() const { return failedRun >= 0; }
    StepVerdict verdict() const;
    // Whether the run on show deserves a notice: the verdict is not Fine.
    bool worthNotice() const;
};

// `step` rounded down to two significant digits, so that a step suggested
// for a target still meets it.
double roundDownTwoDigits(double step);

// Expects the state after a completed run (its inputs unchanged since).
// The trial runs write no file and show nothing: the form port only hears
// of their progress, so that the user can still cancel them. Afterwards the
// state is exactly as it was; an error of a trial run, a cancel included,
// is reported in the result rather than thrown.
StepCheck checkStep(double target = kTargetError);
// The same for a run left in a caller's own state, which stays as it is,
// each trial run on a copy of it. With `sideBySide` the two go on at once,
// the finer on a thread of its own (which costs the thread's start: worth
// it for one run, not where every core has runs already).
StepCheck checkStep(const SimState& state, double target, bool sideBySide);

// The check of three summaries of the same inputs at dt0, dt0/2 and dt0/4.
StepCheck compareSteps(double dt0, const RunSummary (&runs)[kCheckRuns], double target = kTargetError);

// The summaries of the state's inputs at each of `steps`, each on a copy of
// the state (which is left as it was). Independent of each other: they may
// run in any order. Throws the first trial run's error.
std::vector<RunSummary> summariesAtSteps(const std::vector<double>& steps);

// The converged answer: the step halved from the state's dt0 until every
// chosen quantity has settled with an estimated error below the target, or
// the time budget would be overrun.
inline constexpr double kConvergeBudget = 60; // s

struct ConvergeRequest {
    double target = kTargetError;
    double budget = kConvergeBudget; // s of computing
    std::vector<int> quantities; // indices into summaryQuantities(); empty: all
    // Before each run: the step it is at and the seconds spent; false cancels.
    std::function<bool(double step, double elapsed)> progress;
};

struct ConvergeResult {
    enum class Stop {
        Converged,
        Budget, // the next halving would overrun the time budget
        TooManySteps, // the next halving needs more steps than a pass may take
        Failed, // a run ended with an error
        Cancelled,
    };
    Stop stop = Stop::Converged;
    std::string failure; // Failed: the run's message ...
    std::exception_ptr failureException; // ... and its error
    double step = 0; // s, the finest step run
    double seconds = 0; // spent
    RunSummary finest; // the run at `step`
    // The last three steps compared (dt0 = 4 * step); empty when fewer ran.
    StepCheck check;
    // Indices of the quantities that did not meet the target (all chosen
    // quantities when fewer than three runs were made).
    std::vector<int> missing;
    // The state right after the run at `step`, to draw or keep it; null when
    // no run was made.
    std::shared_ptr<const SimState> finestState;
};

ConvergeResult converge(const ConvergeRequest& request);

} // namespace torv
