// The calculation form's graph area menu: the picture saved or copied, the
// last run's data exported, and the step check with its accuracy table.
#include "ui/haupt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QSignalBlocker>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include <utility>

#include "physics/faults.h"
#include "plot/catalog.h"
#include "plot/png.h"
#include "sim/atomicfile.h"
#include "sim/csvexport.h"
#include "sim/numfmt.h"
#include "sim/presets.h"
#include "sim/state.h"
#include "sim/stepcheck.h"
#include "sim/summary.h"
#include "ui/guard.h"
#include "ui/focus.h"
#include "ui/look.h"
#include "ui/scenariofiles.h"
#include "ui/texts.h"

using torv::st;
using torv::Text;
using torv::text;

namespace {

// Letters and digits of `text` up to its first bracket or comma, the rest
// as single underscores: a file name part without spaces.
QString namePart(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == u'(' || c == u',')
            break;
        if (c.isLetterOrNumber() || c == u'-')
            out += c;
        else if (!out.isEmpty() && !out.endsWith(u'_'))
            out += u'_';
    }
    while (out.endsWith(u'_'))
        out.chop(1);
    return out;
}

// The symbol of a graph title (the text before its comma) as a name part.
QString symbol(const std::string& title)
{
    return namePart(QString::fromStdString(title.substr(0, title.find(','))));
}

// The loaded preset's short name, "torv" without one.
QString presetName()
{
    const torv::Preset* preset = torv::presetOf(st.Szenario);
    const QString name = preset ? namePart(QString::fromUtf8(preset->label)) : QString();
    return name.isEmpty() ? QStringLiteral("torv") : name;
}

// "<preset>_<curves>(<horizontal>).png", e.g. "Apollo_H-V-Q-q-nx(t).png".
QString defaultGraphName()
{
    QStringList curves;
    for (int k = 1; k < st.GraphCount - 1; ++k)
        curves << symbol(torv::curveTitle(st.GraphCodes[k], false, false).text);
    curves.removeAll(QString());
    return presetName() + u'_' + curves.join(u'-') + u'(' + symbol(torv::horizontalTitle(st.GraphCodes[0])) + u')'
        + QStringLiteral(".png");
}

// The file dialog is Qt's own, the same on every desktop, in the form's
// language; a name typed without `suffix` gets it.
QString askSaveName(QWidget* parent, const QString& title, const QString& name, const QString& filter,
    const QString& suffix)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(name);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString stripEllipsis(QString text)
{
    if (text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text;
}

} // namespace

namespace {


// The table's name of each quantity of the summary, with its unit.
QString quantityName(const torv::SummaryQuantity& q)
{
    using torv::RunSummary;
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
QString bareName(const torv::SummaryQuantity& q)
{
    const QString name = quantityName(q);
    return name.left(name.lastIndexOf(QStringLiteral(", ")));
}

QString number(double v, int digits, char sep)
{
    return QString::fromStdString(torv::formatGeneral(v, digits, 0, sep));
}

QString percent(double fraction, char sep)
{
    return number(100 * fraction, 3, sep) + QStringLiteral(" %");
}

// What the check concludes, in a sentence.
QString verdictText(const torv::StepCheck& check, char sep)
{
    const torv::StepVerdict v = check.verdict();
    if (v.worst < 0)
        return text(Text::CheckNoneChanges);
    const torv::QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    const QString name = bareName(*q.quantity);
    const QString change = percent(std::fabs(q.relative), sep);
    const QString target = percent(torv::kTargetError, sep);
    if (v.step >= check.dt0)
        return text(Text::CheckWorstFine).arg(name, change, percent(v.error, sep), target);
    return text(Text::CheckWorst).arg(name, change, percent(v.error, sep), number(v.step, 2, sep), target);
}

} // namespace

namespace {

// The graph area's menu, top to bottom; every entry's shortcut works
// anywhere on the form.
struct MenuEntry {
    QAction* TForm2::*action;
    QKeyCombination keys;
    void (TForm2::*handler)();
    Text caption;
};

const MenuEntry kMenu[] = {
    { &TForm2::ActSaveGraph, Qt::CTRL | Qt::Key_S, &TForm2::saveGraphPngClick, Text::MenuSaveGraph },
    { &TForm2::ActCopyGraph, Qt::CTRL | Qt::Key_C, &TForm2::copyGraphClick, Text::MenuCopyGraph },
    { &TForm2::ActExportCsv, Qt::CTRL | Qt::Key_E, &TForm2::exportCsvClick, Text::MenuExportCsv },
    { &TForm2::ActCheckStep, Qt::CTRL | Qt::Key_T, &TForm2::checkStepClick, Text::MenuCheckStep },
    { &TForm2::ActKeepRun, Qt::CTRL | Qt::Key_K, &TForm2::keepRunClick, Text::MenuKeepRun },
    { &TForm2::ActClearKept, Qt::CTRL | Qt::SHIFT | Qt::Key_K, &TForm2::clearKeptRunsClick, Text::MenuClearKept },
    { &TForm2::ActMarkEvents, Qt::CTRL | Qt::Key_M, &TForm2::markEventsClick, Text::MenuMarkEvents },
    { &TForm2::ActHelp, Qt::Key_F1, &TForm2::helpClick, Text::MenuHelp },
    { &TForm2::ActAbout, QKeyCombination(), &TForm2::aboutClick, Text::MenuAbout },
};

} // namespace

void TForm2::createGraphMenu()
{
    GraphMenu = new QMenu(this);
    // A greyed entry says why in its tooltip.
    GraphMenu->setToolTipsVisible(true);
    for (const MenuEntry& e : kMenu) {
        if (e.action == &TForm2::ActHelp)
            GraphMenu->addSeparator();
        QAction* a = GraphMenu->addAction(QString());
        a->setShortcut(QKeySequence(e.keys));
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a); // the shortcut works anywhere on the form
        const auto handler = e.handler;
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        this->*e.action = a;
    }
    auto* escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    addAction(escape);
    connect(escape, &QAction::triggered, this, &TForm2::escapeClick);

    // The strip of the graph area below the picture: no control lies there.
    Notice = new QLabel(this);
    Notice->setGeometry(278, 818, 937, 37);
    Notice->setFont(torv::look::msSans(13));
    Notice->setWordWrap(true);
    Notice->setTextFormat(Qt::PlainText);
    Notice->setContentsMargins(6, 0, 6, 0);
    Notice->setCursor(Qt::PointingHandCursor);
    Notice->hide();

    createCompareTools();
    createScenarioTools();
    updateGraphMenu();
    setMenuTexts();
    connect(GraphMenu, &QMenu::aboutToShow, this, &TForm2::updateGraphMenu);

    // The graph area is in the Tab chain, framed while it has the focus;
    // the menu key opens its menu there.
    Image1->setFocusPolicy(Qt::StrongFocus);
    torv::frameWhileFocused(Image1);
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image1, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { GraphMenu->popup(Image1->mapToGlobal(pos)); });
}

void TForm2::setMenuTexts()
{
    for (const MenuEntry& e : kMenu)
        (this->*e.action)->setText(text(e.caption));
    updateGraphMenu();
}

void TForm2::updateGraphMenu()
{
    if (!GraphMenu)
        return; // field handlers run while the form is being built
    const bool picture = !shownGraph_.isNull();
    const bool full = keptRuns_.size() >= static_cast<size_t>(torv::kMaxKeptRuns);
    // Each entry with the reason it is off, if it is.
    const std::pair<QAction*, std::optional<Text>> why[] = {
        { ActSaveGraph, picture ? std::nullopt : std::optional(Text::WhyNoGraph) },
        { ActCopyGraph, picture ? std::nullopt : std::optional(Text::WhyNoGraph) },
        // The series of a run that failed half-way mix two runs: nothing to
        // export or check.
        { ActExportCsv, !picture ? Text::WhyNoGraph : !shown_.complete ? std::optional(Text::WhyRunFailed) : std::nullopt },
        { ActCheckStep, !picture ? Text::WhyNoGraph : !shown_.complete ? std::optional(Text::WhyRunFailed) : std::nullopt },
        { ActKeepRun,
            !picture           ? Text::WhyNoGraph
                : !shown_.complete ? Text::WhyRunFailed
                : shown_.kept      ? Text::WhyKeptAlready
                : full             ? std::optional(Text::WhyKeptFull)
                                   : std::nullopt },
        { ActClearKept, keptRuns_.empty() ? std::optional(Text::WhyNoneKept) : std::nullopt },
    };
    for (const auto& [action, reason] : why) {
        action->setEnabled(!reason);
        action->setToolTip(reason ? text(*reason) : action->text());
    }
    // An offer to check that can no longer be taken goes.
    if (Notice && !ActCheckStep->isEnabled())
        Notice->hide();
}

void TForm2::saveGraphPngClick()
{
    torv::guarded([this] {
        if (shownGraph_.isNull())
            return;
        const QImage picture = shownGraph_;
        const QString path = askSaveName(
            this, stripEllipsis(ActSaveGraph->text()), defaultGraphName(), text(Text::FilterPng), QStringLiteral("png"));
        if (path.isEmpty())
            return;
        torv::writeFileAtomically(path.toStdString(), torv::pngBytes(picture));
    });
}

void TForm2::copyGraphClick()
{
    if (!shownGraph_.isNull())
        QApplication::clipboard()->setImage(shownGraph_);
}

void TForm2::exportCsvClick()
{
    torv::guarded([this] {
        if (shownGraph_.isNull() || !shown_.complete)
            return;
        const QString name = presetName() + QStringLiteral(".csv");
        const QString path = askSaveName(
            this, stripEllipsis(ActExportCsv->text()), name, text(Text::FilterCsv), QStringLiteral("csv"));
        if (!path.isEmpty())
            torv::writeCsvFile(path.toStdString(), keptSeries());
    });
}

template <typename F> void TForm2::withShownRun(F&& body)
{
    // The fields keep their texts: the state's inputs come back after.
    struct Back {
        TForm2* form;
        torv::SimState now = st;
        QString area = form->EdS0->text();
        ~Back()
        {
            st = now;
            const QSignalBlocker quiet(form->EdS0);
            form->EdS0->setText(area);
        }
    } back { this };
    st = *shown_.state;
    body();
}

void TForm2::checkStepClick()
{
    torv::guarded([this] {
        if (shownGraph_.isNull() || !shown_.complete)
            return;
        if (!shown_.check) {
            // A long rerun shows the progress dialog like START's run does; a
            // cancel there ends up in the table's half-step column.
            torv::StepCheck check;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            withProgress([&] {
                struct Restore {
                    ~Restore() { QApplication::restoreOverrideCursor(); }
                } restore;
                // The run on show, whatever the fields hold now.
                withShownRun([&] { check = torv::checkStep(); });
            });
            if (check.halfError == torv::RunCancelled().what()) {
                showStepTable(check);
                return;
            }
            shown_.check = check;
            updateNotice();
        }
        showStepTable(*shown_.check);
    });
}

void TForm2::showStepTable(const torv::StepCheck& check)
{
    const char sep = decimalSeparator();
    const int columns = 6;
    QDialog dialog(this);
    dialog.setWindowTitle(text(Text::CheckTitle));
    const auto quantities = torv::summaryQuantities();
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
        const torv::SummaryQuantity& q = quantities[r];
        const QString name = quantityName(q);
        const QString unit = name.mid(name.lastIndexOf(QStringLiteral(", ")) + 2);
        if (const QString floor = number(q.floor, 3, sep) + u' ' + unit; !floors.contains(floor))
            floors << floor;
        QString cells[columns] = { name, number(check.full.*q.value, 9, sep) };
        if (!check.halfFailed) {
            const torv::QuantityCheck& c = check.quantities[r];
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
        lines << text(Text::CheckFailed) + torv::messageOf(check.halfException);
    } else {
        lines << verdictText(check, sep)
              << text(Text::CheckSamples).arg(check.full.samples).arg(check.half.samples);
    }
    lines << text(Text::CheckMethod).arg(floors.join(QStringLiteral(", ")));
    if (torv::vehicleClass(st.Szenario.Klasse) == torv::VehicleClass::Reentry)
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
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
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

void TForm2::updateNotice()
{
    const char sep = decimalSeparator();
    const QString keys = ActCheckStep->shortcut().toString(QKeySequence::NativeText);
    QStringList lines;
    bool offer = false;
    if (!shown_.check) {
        lines << text(Text::NoticeOffer).arg(number(shown_.ms / 1000.0, 2, sep));
        offer = true;
    } else if (shown_.check->halfFailed) {
        lines << text(Text::NoticeFailed);
    } else if (shown_.check->worthNotice()) {
        const torv::StepVerdict v = shown_.check->verdict();
        const torv::QuantityCheck& q = shown_.check->quantities[static_cast<size_t>(v.worst)];
        lines << text(Text::NoticeChange)
                     .arg(bareName(*q.quantity), percent(std::fabs(q.relative), sep), percent(v.error, sep));
    }
    if (const int samples = torv::runSummary().samples; samples < torv::kSamples)
        lines << text(Text::NoticeSamples).arg(samples);
    if (lines.isEmpty()) {
        Notice->hide();
        return;
    }
    lines.first() += u' ' + text(offer ? Text::NoticeCheck : Text::NoticeTable).arg(keys);
    Notice->setText(lines.join(u'\n'));
    Notice->setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid %2; }")
                              .arg(offer ? QStringLiteral("#eef3fa") : QStringLiteral("#fff4c2"),
                                  offer ? QStringLiteral("#8ea6c8") : QStringLiteral("#d9a400")));
    Notice->show();
    Notice->raise();
}

// ---------------------------------------------------------------------------
// Scenario files

void TForm2::createScenarioTools()
{
    torv::ScenarioFiles& files = torv::ScenarioFiles::instance();
    GraphMenu->addSeparator();
    ActOpenScenario = files.makeOpenAction(this);
    ActSaveScenario = files.makeSaveAction(this);
    connect(ActSaveScenario, &QAction::triggered, this, &TForm2::saveScenarioClick);
    RecentScenarios = files.makeRecentMenu(this);
    GraphMenu->addAction(ActOpenScenario);
    GraphMenu->addAction(ActSaveScenario);
    GraphMenu->addMenu(RecentScenarios);
    files.setTexts(ActOpenScenario, ActSaveScenario, RecentScenarios);
    setAcceptDrops(true);
}

void TForm2::saveScenarioClick()
{
    torv::guarded([this] {
        // What is saved is what the fields show.
        refuseUnreadFields(text(Text::SaveUnreadField));
        if (torv::vehicleClass(st.Szenario.Klasse) == torv::VehicleClass::None)
            throw torv::TorvError(text(Text::SaveNoClass).toStdString());
        torv::ScenarioFiles::instance().saveWithDialog(this);
        showCaption();
    });
}

void TForm2::showCaption()
{
    const QString name = torv::ScenarioFiles::instance().openName();
    setWindowTitle(QString::fromStdString(st.Titel) + (name.isEmpty() ? QString() : QStringLiteral("\u2014 ") + name));
}

void TForm2::dragEnterEvent(QDragEnterEvent* event)
{
    torv::ScenarioFiles::acceptsDrag(event);
}

void TForm2::dropEvent(QDropEvent* event)
{
    torv::guarded([&] { torv::ScenarioFiles::instance().dropped(event); });
}
