// The step check: the same scenario run again at half the integration step
// on a copy of the state. For a first-order method such as this one the
// difference between the two runs estimates the error of the original run.
#pragma once

#include <exception>
#include <string>

#include "sim/summary.h"

namespace torv {

struct StepCheck {
    RunSummary full; // the run in the state, at dt0
    RunSummary half; // the same inputs at dt0 / 2
    bool halfFailed = false; // the half-step run ended with an error ...
    std::string halfError; // ... with this message
    std::exception_ptr halfException; // ... and this error, for its kind
};

// Expects the state after a completed run (its inputs unchanged since).
// The half-step run writes no file and shows nothing: the form port only
// passes its progress on, so that the user can still cancel it. Afterwards
// the state is exactly as it was; an error of the half-step run, a cancel
// included, is reported in the result rather than thrown.
StepCheck checkStep();

} // namespace torv
