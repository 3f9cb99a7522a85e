// The step check: the same scenario run again at half the integration step
// on a copy of the state. For a first-order method such as this one the
// difference d between the two runs is about half the error of the original
// run, and 2*y(dt0/2) - y(dt0) is a better estimate than either.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "sim/summary.h"

namespace torv {

// One quantity of the summary at both steps (summaryQuantities() order).
struct QuantityCheck {
    const SummaryQuantity* quantity;
    double full; // at dt0
    double half; // at dt0 / 2
    double difference; // full - half
    double extrapolated; // 2 * half - full
    // The difference over the extrapolated value, or over the quantity's
    // floor where that is larger.
    double relative;
};

// What the check concludes: the quantity that changes most, and the step at
// which its estimated error would fall below kTargetError.
struct StepVerdict {
    int worst = -1; // index into StepCheck::quantities; -1: none changes at all
    double error = 0; // estimated relative error at dt0, 2 |relative| of the worst
    double step = 0; // s, dt0 * kTargetError / error
};

inline constexpr double kTargetError = 0.001; // 0.1 %
// A relative change beyond this is worth a notice after a run.
inline constexpr double kNoticeChange = 0.01; // 1 %

struct StepCheck {
    double dt0 = 0; // s, the step of the run in the state
    RunSummary full; // the run in the state, at dt0
    RunSummary half; // the same inputs at dt0 / 2
    bool halfFailed = false; // the half-step run ended with an error ...
    std::string halfError; // ... with this message
    std::exception_ptr halfException; // ... and this error, for its kind
    std::vector<QuantityCheck> quantities; // empty when the half-step run failed

    StepVerdict verdict() const;
    // Whether some quantity changes by more than kNoticeChange.
    bool worthNotice() const;
};

// Expects the state after a completed run (its inputs unchanged since).
// The half-step run writes no file and shows nothing: the form port only
// passes its progress on, so that the user can still cancel it. Afterwards
// the state is exactly as it was; an error of the half-step run, a cancel
// included, is reported in the result rather than thrown.
StepCheck checkStep();

// The check of two summaries of the same inputs at dt0 and dt0 / 2.
StepCheck compareSteps(double dt0, const RunSummary& full, const RunSummary& half);

} // namespace torv
