// What the step check found, in words: the table of the run at its step,
// at half and at a quarter of it, the converged answer, and the notice under
// the graph picture.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "analysis/stepcheck.h"

class QWidget;

namespace torv {

// The table of the run's quantities at dt0, dt0/2 and dt0/4, the ratio of
// their successive differences, the estimated error and the extrapolation
// where the quantity has settled, with the verdict, as a dialog over
// `parent`. Its Converge button closes it and calls `converge`.
void showStepTable(QWidget* parent, const StepCheck& check, const std::function<void()>& converge);

// What the converged answer reached: each quantity at the finest step with
// its estimated error, and how the search ended. Its button closes it and
// calls `runAt` with the finest step.
void showConverged(QWidget* parent, const ConvergeResult& result, const std::function<void(double)>& runAt);

// The notice's lines for the run on show: the offer to check a run that
// took `ms` and has no check yet, or what its check found where that is
// worth a notice, and the sample slots a run left unfilled; none if
// nothing is worth saying. `offer` tells which of the first two it is.
QStringList noticeLines(const std::optional<StepCheck>& check, qint64 ms, bool& offer);

} // namespace torv
