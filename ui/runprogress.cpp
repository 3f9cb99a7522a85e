#include "ui/runprogress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <utility>

#include "model/state.h"
#include "plot/grafik.h"
#include "ui/texts.h"

namespace torv {

namespace {

// Library code may leave the upper halves of the AVX registers in use; until
// they are cleared, every SSE instruction of the step loop pays for it (runs
// took four times as long after a progress dialog had been shown).
void clearUpperVectorState()
{
#if defined(__x86_64__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

// Seconds with two decimals and the user's separator.
QString seconds(double v, char sep)
{
    return QString::number(v, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(sep));
}

} // namespace

KeepRunState::KeepRunState()
{
    std::fegetexceptflag(&flags_, FE_ALL_EXCEPT);
}

KeepRunState::~KeepRunState()
{
    std::fesetexceptflag(&flags_, FE_ALL_EXCEPT);
    clearUpperVectorState();
}

RunProgress::RunProgress(QWidget* form)
    : form_(form)
{
}

bool RunProgress::update(int pass, double t, double tEnd)
{
    constexpr qint64 kShowAfterMs = 300;
    // Often enough for a live dialog, rarely enough to cost the run nothing.
    constexpr qint64 kUpdateEveryMs = 50;
    constexpr int kSteps = 1000;
    if (!runClock_.isValid() || runClock_.elapsed() < kShowAfterMs)
        return true;
    if (dialog_ && shown_.elapsed() < kUpdateEveryMs)
        return !dialog_->wasCanceled();

    KeepRunState keep;
    if (!dialog_) {
        dialog_ = new QProgressDialog(form_);
        dialog_->setWindowTitle(text(Text::RunTitle));
        dialog_->setCancelButtonText(text(Text::RunCancel));
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setMinimumWidth(380);
    }
    const char sep = userDecimalSeparator();
    if (pass == 1) {
        // How long the flight lasts is what this pass finds out: the end
        // time is only an upper bound, so the bar shows activity, no share.
        dialog_->setRange(0, 0);
        dialog_->setLabelText(text(Text::RunPass1) + QLatin1Char('\n') + text(Text::RunTime1).arg(seconds(t, sep)));
    } else {
        // The recording pass ends where the timing pass ended.
        tEnd = std::min(tEnd, st.dtProbe * st.NPunkte);
        dialog_->setRange(0, kSteps);
        dialog_->setLabelText(
            text(Text::RunPass2) + QLatin1Char('\n') + text(Text::RunTime2).arg(seconds(t, sep), seconds(tEnd, sep)));
        const double done = tEnd > 0 ? std::clamp(t / tEnd, 0.0, 1.0) : 0.0;
        dialog_->setValue(static_cast<int>(done * kSteps));
    }
    dialog_->show();
    QCoreApplication::processEvents();
    shown_.start();
    return !dialog_->wasCanceled();
}

void RunProgress::start()
{
    runClock_.start();
    clearUpperVectorState();
}

void RunProgress::end()
{
    runClock_.invalidate();
    delete std::exchange(dialog_, nullptr);
    clearUpperVectorState();
}

} // namespace torv
