// What the step check found, in words: the table of the run at its step
// and at half the step, and the notice under the graph picture.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "sim/stepcheck.h"

class QWidget;

namespace torv {

// The table beside the run's quantities at dt0 and dt0/2, the difference,
// the relative difference and the extrapolation, with the verdict, as a
// dialog over `parent`.
void showStepTable(QWidget* parent, const StepCheck& check);

// The notice's lines for the run on show: the offer to check a run that
// took `ms` and has no check yet, or what its check found where that is
// worth a notice, and the sample slots a run left unfilled; none if
// nothing is worth saying. `offer` tells which of the first two it is.
QStringList noticeLines(const std::optional<StepCheck>& check, qint64 ms, bool& offer);

} // namespace torv
