#include "ui/steptable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

#include "files/numfmt.h"
#include "model/classes.h"
#include "model/quantities.h"
#include "model/state.h"
#include "model/summary.h"
#include "plot/grafik.h"
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

// Why a quantity has not settled, in a few words.
QString settlingWords(const QuantityCheck& q)
{
    return text(q.settling == Settling::NotYet ? Text::CheckNotYet : Text::CheckNotConvergent);
}

// What the check concludes, in a sentence.
QString verdictText(const StepCheck& check, char sep)
{
    const StepVerdict v = check.verdict();
    const QString target = percent(check.target, sep);
    if (v.worst < 0)
        return text(Text::CheckNoneChanges).arg(percent(kNegligibleShare * check.target, sep));
    const QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    const QString name = bareName(*q.quantity);
    switch (v.kind) {
    case StepVerdict::Kind::Unsettled:
        return text(Text::CheckUnsettled).arg(name, settlingWords(q));
    case StepVerdict::Kind::Coarse:
        return text(Text::CheckCoarse)
            .arg(name, percent(v.error, sep), number(v.factor, 3, sep), target, number(v.step, 2, sep));
    case StepVerdict::Kind::Fine:
        break;
    }
    return text(Text::CheckFine).arg(name, percent(v.error, sep), target);
}

// A table of quantities over `parent`'s dialog, read-only, sized to its
// contents.
QTableWidget* quantityTable(QDialog* dialog, const QStringList& headers, const std::vector<QStringList>& rows)
{
    auto* table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), dialog);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(static_cast<int>(r), c, item);
        }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    int width = 0;
    for (int c = 0; c < table->columnCount(); ++c)
        width += table->columnWidth(c);
    table->setMinimumSize(width + 4, table->verticalHeader()->length() + table->horizontalHeader()->height() + 4);
    return table;
}

// The first line in bold, the others under it, then the buttons.
// A button beside OK that closes the dialog and sets `chosen`, so that what
// it starts runs once the dialog is gone.
void addActionButton(QDialog& dialog, QDialogButtonBox* buttons, const QString& caption, bool& chosen)
{
    QPushButton* button = buttons->addButton(caption, QDialogButtonBox::ActionRole);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &chosen] {
        chosen = true;
        dialog.accept();
    });
}

void fillDialog(QDialog& dialog, QTableWidget* table, QStringList lines, QDialogButtonBox* buttons)
{
    auto* verdict = new QLabel(lines.takeFirst(), &dialog);
    verdict->setWordWrap(true);
    QFont bold = verdict->font();
    bold.setBold(true);
    verdict->setFont(bold);
    auto* note = new QLabel(lines.join(u'\n'), &dialog);
    note->setWordWrap(true);
    for (QLabel* l : { verdict, note })
        l->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(verdict);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

} // namespace

void showStepTable(QWidget* parent, const StepCheck& check, const std::function<void()>& converge)
{
    const char sep = userDecimalSeparator();
    QDialog dialog(parent);
    dialog.setWindowTitle(text(Text::CheckTitle));
    const auto quantities = summaryQuantities();
    const QString negligible = text(Text::CheckBelow).arg(percent(kNegligibleShare * check.target, sep));
    QStringList floors;
    std::vector<QStringList> rows;
    for (size_t r = 0; r < quantities.size(); ++r) {
        const SummaryQuantity& q = quantities[r];
        const QString name = summaryName(q);
        const QString unit = name.mid(name.lastIndexOf(QStringLiteral(", ")) + 2);
        if (const QString floor = number(q.floor, 3, sep) + u' ' + unit; !floors.contains(floor))
            floors << floor;
        QStringList cells(7);
        cells[0] = name;
        for (int k = 0; k < kCheckRuns; ++k)
            if (k == 0 || !check.failed())
                cells[1 + k] = number(check.runs[k].*q.value, 9, sep);
        if (!check.failed()) {
            const QuantityCheck& c = check.quantities[r];
            cells[4] = std::isnan(c.ratio) ? QString() : number(c.ratio, 3, sep);
            switch (c.settling) {
            case Settling::Unchanged:
                cells[5] = negligible;
                break;
            case Settling::FirstOrder:
                cells[5] = percent(c.error, sep);
                cells[6] = number(c.extrapolated, 9, sep);
                break;
            default:
                cells[5] = settlingWords(c);
                break;
            }
        }
        rows.push_back(cells);
    }
    QTableWidget* table = quantityTable(&dialog,
        { text(Text::CheckQuantity), QStringLiteral("dt0 = %1 s").arg(number(check.dt0, 6, sep)),
            QStringLiteral("dt0/2 = %1 s").arg(number(check.dt0 / 2, 6, sep)),
            QStringLiteral("dt0/4 = %1 s").arg(number(check.dt0 / 4, 6, sep)), text(Text::CheckRatio),
            text(Text::CheckError), text(Text::CheckExtrapolated) },
        rows);

    QStringList lines;
    if (check.failed()) {
        lines << text(Text::CheckFailed).arg(check.failedRun == 1 ? QStringLiteral("dt0/2") : QStringLiteral("dt0/4"))
                + messageOf(check.failureException);
    } else {
        lines << verdictText(check, sep)
              << text(Text::CheckSamples)
                     .arg(check.runs[0].samples)
                     .arg(check.runs[1].samples)
                     .arg(check.runs[2].samples);
    }
    lines << text(Text::CheckMethod).arg(floors.join(QStringLiteral(", ")));
    if (classRow(st.Szenario.Klasse).run.reentry)
        lines << text(Text::CheckReentryNote);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    bool converging = false;
    if (converge)
        addActionButton(dialog, buttons, text(Text::CheckConverge), converging);
    fillDialog(dialog, table, lines, buttons);
    dialog.exec();
    if (converging)
        converge();
}

void showConverged(QWidget* parent, const ConvergeResult& result, const std::function<void(double)>& runAt)
{
    const char sep = userDecimalSeparator();
    QDialog dialog(parent);
    dialog.setWindowTitle(text(Text::ConvergeTitle));
    const auto quantities = summaryQuantities();
    const QString step = number(result.step, 6, sep);
    std::vector<QStringList> rows;
    QStringList missing;
    for (size_t r = 0; r < quantities.size(); ++r) {
        const SummaryQuantity& q = quantities[r];
        QStringList cells(4);
        cells[0] = summaryName(q);
        cells[1] = number(result.finest.*q.value, 9, sep);
        if (!result.check.quantities.empty()) {
            const QuantityCheck& c = result.check.quantities[r];
            switch (c.settling) {
            case Settling::Unchanged:
                cells[2] = text(Text::CheckBelow).arg(percent(kNegligibleShare * result.check.target, sep));
                break;
            case Settling::FirstOrder:
                cells[2] = percent(c.finestError, sep);
                cells[3] = number(c.extrapolated, 9, sep);
                break;
            default:
                cells[2] = settlingWords(c);
                break;
            }
        }
        if (std::find(result.missing.begin(), result.missing.end(), static_cast<int>(r)) != result.missing.end())
            missing << bareName(q);
        rows.push_back(cells);
    }
    QTableWidget* table = quantityTable(&dialog,
        { text(Text::CheckQuantity), text(Text::ConvergeValue) + QStringLiteral(" %1 s").arg(step),
            text(Text::CheckError).replace(QStringLiteral("dt0"), step + QStringLiteral(" s")),
            text(Text::ConvergeExtrapolated) },
        rows);
    const QString target = percent(result.check.quantities.empty() ? kTargetError : result.check.target, sep);
    QStringList lines;
    switch (result.stop) {
    case ConvergeResult::Stop::Converged:
        lines << text(Text::ConvergeDone).arg(target, step, number(result.seconds, 3, sep));
        break;
    case ConvergeResult::Stop::Budget:
        lines << text(Text::ConvergeBudget).arg(number(kConvergeBudget, 3, sep), step);
        break;
    case ConvergeResult::Stop::TooManySteps:
        lines << text(Text::ConvergeSteps).arg(step);
        break;
    case ConvergeResult::Stop::Failed:
        lines << text(Text::ConvergeFailed).arg(QString::fromStdString(result.failure), step);
        break;
    case ConvergeResult::Stop::Cancelled:
        lines << text(Text::ConvergeCancelled).arg(step);
        break;
    }
    if (!missing.isEmpty())
        lines << text(Text::ConvergeMissing).arg(target, missing.join(QStringLiteral(", ")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    bool running = false;
    if (runAt && result.finestState)
        addActionButton(dialog, buttons, text(Text::ConvergeRun), running);
    fillDialog(dialog, table, lines, buttons);
    dialog.exec();
    if (running)
        runAt(result.step);
}

QStringList noticeLines(const std::optional<StepCheck>& check, qint64 ms, bool& offer)
{
    const char sep = userDecimalSeparator();
    QStringList lines;
    offer = false;
    if (!check) {
        lines << text(Text::NoticeOffer).arg(number(ms / 1000.0, 2, sep));
        offer = true;
    } else if (check->failed()) {
        lines << text(Text::NoticeFailed);
    } else if (check->worthNotice()) {
        const StepVerdict v = check->verdict();
        const QString name = bareName(*check->quantities[static_cast<size_t>(v.worst)].quantity);
        if (v.kind == StepVerdict::Kind::Unsettled)
            lines << text(Text::NoticeUnsettled).arg(name);
        else
            lines << text(Text::NoticeCoarse)
                         .arg(name, percent(v.error, sep), number(v.factor, 3, sep), percent(check->target, sep));
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
