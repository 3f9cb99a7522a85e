#include "ui/steptable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

#include "plot/grafik.h"
#include "sim/classes.h"
#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/state.h"
#include "sim/summary.h"
#include "ui/guard.h"
#include "ui/texts.h"

namespace torv {

namespace {

// The table's name of each quantity of the summary, with its unit.
QString summaryName(const SummaryQuantity& q)
{
    static const std::pair<double RunSummary::*, Text> kNames[] = {
        { &RunSummary::flightTime, Text::CheckFlightTime },
        { &RunSummary::range, Text::CheckRange },
        { &RunSummary::maxAltitude, Text::CheckMaxAltitude },
        { &RunSummary::endSpeed, Text::CheckEndSpeed },
        { &RunSummary::maxLoadFactor, Text::CheckMaxLoadFactor },
        { &RunSummary::maxDynamicPressure, Text::CheckMaxDynamicPressure },
        { &RunSummary::endPathAngle, Text::CheckEndPathAngle },
        { &RunSummary::maxDeceleration, Text::CheckMaxDeceleration },
    };
    for (const auto& [value, name] : kNames)
        if (value == q.value)
            return text(name);
    return QString::fromUtf8(q.column);
}

// The name without its unit, for a sentence.
QString bareName(const SummaryQuantity& q)
{
    const QString name = summaryName(q);
    return name.left(name.lastIndexOf(QStringLiteral(", ")));
}

QString number(double v, int digits, char sep)
{
    return QString::fromStdString(formatGeneral(v, digits, 0, sep));
}

QString percent(double fraction, char sep)
{
    return number(100 * fraction, 3, sep) + QStringLiteral(" %");
}

// What the check concludes, in a sentence.
QString verdictText(const StepCheck& check, char sep)
{
    const StepVerdict v = check.verdict();
    if (v.worst < 0)
        return text(Text::CheckNoneChanges);
    const QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    const QString name = bareName(*q.quantity);
    const QString change = percent(std::fabs(q.relative), sep);
    const QString target = percent(kTargetError, sep);
    if (v.step >= check.dt0)
        return text(Text::CheckWorstFine).arg(name, change, percent(v.error, sep), target);
    return text(Text::CheckWorst).arg(name, change, percent(v.error, sep), number(v.step, 2, sep), target);
}

} // namespace

void showStepTable(QWidget* parent, const StepCheck& check)
{
    const char sep = userDecimalSeparator();
    const int columns = 6;
    QDialog dialog(parent);
    dialog.setWindowTitle(text(Text::CheckTitle));
    const auto quantities = summaryQuantities();
    auto* table = new QTableWidget(static_cast<int>(quantities.size()), columns, &dialog);
    table->setHorizontalHeaderLabels(
        { text(Text::CheckQuantity), QStringLiteral("dt0 = %1 s").arg(number(check.dt0, 6, sep)),
            QStringLiteral("dt0/2 = %1 s").arg(number(check.dt0 / 2, 6, sep)), text(Text::CheckDifference),
            text(Text::CheckRelative), text(Text::CheckExtrapolated) });
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    QStringList floors;
    for (size_t r = 0; r < quantities.size(); ++r) {
        const SummaryQuantity& q = quantities[r];
        const QString name = summaryName(q);
        const QString unit = name.mid(name.lastIndexOf(QStringLiteral(", ")) + 2);
        if (const QString floor = number(q.floor, 3, sep) + u' ' + unit; !floors.contains(floor))
            floors << floor;
        QString cells[columns] = { name, number(check.full.*q.value, 9, sep) };
        if (!check.halfFailed) {
            const QuantityCheck& c = check.quantities[r];
            cells[2] = number(c.half, 9, sep);
            cells[3] = number(c.difference, 6, sep);
            cells[4] = percent(c.relative, sep);
            cells[5] = number(c.extrapolated, 9, sep);
        }
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(static_cast<int>(r), c, item);
        }
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);

    QStringList lines;
    if (check.halfFailed) {
        lines << text(Text::CheckFailed) + messageOf(check.halfException);
    } else {
        lines << verdictText(check, sep) << text(Text::CheckSamples).arg(check.full.samples).arg(check.half.samples);
    }
    lines << text(Text::CheckMethod).arg(floors.join(QStringLiteral(", ")));
    if (classRow(st.Szenario.Klasse).run.reentry)
        lines << text(Text::CheckReentryNote);
    auto* verdict = new QLabel(lines.takeFirst(), &dialog);
    verdict->setWordWrap(true);
    QFont bold = verdict->font();
    bold.setBold(true);
    verdict->setFont(bold);
    auto* note = new QLabel(lines.join(u'\n'), &dialog);
    note->setWordWrap(true);
    for (QLabel* l : { verdict, note })
        l->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(verdict);
    layout->addWidget(note);
    layout->addWidget(buttons);
    int width = 0;
    for (int c = 0; c < columns; ++c)
        width += table->columnWidth(c);
    table->setMinimumSize(width + 4, table->verticalHeader()->length() + table->horizontalHeader()->height() + 4);
    dialog.exec();
}

QStringList noticeLines(const std::optional<StepCheck>& check, qint64 ms, bool& offer)
{
    const char sep = userDecimalSeparator();
    QStringList lines;
    offer = false;
    if (!check) {
        lines << text(Text::NoticeOffer).arg(number(ms / 1000.0, 2, sep));
        offer = true;
    } else if (check->halfFailed) {
        lines << text(Text::NoticeFailed);
    } else if (check->worthNotice()) {
        const StepVerdict v = check->verdict();
        const QuantityCheck& q = check->quantities[static_cast<size_t>(v.worst)];
        lines << text(Text::NoticeChange)
                     .arg(bareName(*q.quantity), percent(std::fabs(q.relative), sep), percent(v.error, sep));
    }
    const RunSummary summary = runSummary();
    if (summary.samples < kSamples)
        lines << text(Text::NoticeSamples).arg(summary.samples);
    // Where every step records, the slots hold the flight's first steps only.
    const double last
        = st.Ergebnis[static_cast<size_t>(code(Series::Time) * kSamples + kSamples - 1)] * currentDivisor(Series::Time);
    if (summary.samples == kSamples && last < 0.5 * summary.flightTime)
        lines << text(Text::NoticePartCovered).arg(number(last, 4, sep), number(summary.flightTime, 4, sep));
    return lines;
}

} // namespace torv
