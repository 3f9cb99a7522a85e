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
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
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
#include "ui/look.h"
#include "ui/scenariofiles.h"
#include "ui/texts.h"

using torv::st;

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

// The file dialog is Qt's own, the same on every desktop.
QString askSaveName(QWidget* parent, const QString& title, const QString& name, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, name, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString stripEllipsis(QString text)
{
    if (text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text;
}

} // namespace

namespace {

// What the step check's table and the notice say.
enum class CheckText {
    Title,
    Quantity,
    Difference,
    Relative,
    Extrapolated,
    Failed,
    FlightTime,
    Range,
    MaxAltitude,
    EndSpeed,
    MaxLoadFactor,
    MaxDynamicPressure,
    EndPathAngle,
    MaxDeceleration,
    Worst,
    WorstFine,
    NoneChanges,
    Method,
    ReentryNote,
    Samples,
    NoticeChange,
    NoticeFailed,
    NoticeOffer,
    NoticeSamples,
    NoticeTable,
    NoticeCheck,
};

// clang-format off
const torv::TextRow<CheckText> kCheckTexts[] = {
    {CheckText::Title,              "Проверка шага", "Schrittweite prüfen", "Check the step"},
    {CheckText::Quantity,           "Величина", "Größe", "Quantity"},
    {CheckText::Difference,         "Разность", "Differenz", "Difference"},
    {CheckText::Relative,           "Относительная разность", "Relative Differenz", "Relative difference"},
    {CheckText::Extrapolated,       "Экстраполяция 2·y(dt0/2) − y(dt0)", "Extrapoliert 2·y(dt0/2) − y(dt0)", "Extrapolated 2·y(dt0/2) − y(dt0)"},
    {CheckText::Failed,             "Расчёт с шагом dt0/2 не удался: ", "Der Lauf mit dt0/2 ist gescheitert: ", "The run at dt0/2 failed: "},
    {CheckText::FlightTime,         "Время полёта, с", "Flugzeit, s", "Flight time, s"},
    {CheckText::Range,              "Дальность, м", "Reichweite, m", "Range, m"},
    {CheckText::MaxAltitude,        "Наибольшая высота, м", "Größte Höhe, m", "Greatest altitude, m"},
    {CheckText::EndSpeed,           "Конечная скорость, м/с", "Geschwindigkeit am Ende, m/s", "Speed at the end, m/s"},
    {CheckText::MaxLoadFactor,      "Наибольшая перегрузка |nx|, g", "Größtes Lastvielfaches |nx|, g", "Greatest load factor |nx|, g"},
    {CheckText::MaxDynamicPressure, "Наибольший скоростной напор, Па", "Größter Staudruck, Pa", "Greatest dynamic pressure, Pa"},
    {CheckText::EndPathAngle,       "Конечный угол наклона траектории, град", "Bahnwinkel am Ende, grad", "Path angle at the end, grad"},
    {CheckText::MaxDeceleration,    "Наибольшее приложенное торможение, g", "Größte aufgebrachte Verzögerung, g", "Greatest applied deceleration, g"},
    {CheckText::Worst,
        "Сильнее всего меняется «%1»: на %2 при половинном шаге. Оценка её погрешности при dt0: %3; меньше %5 она станет при dt0 ≈ %4 с.",
        "Am stärksten ändert sich „%1“: um %2 beim halben Schritt. Ihr geschätzter Fehler bei dt0 ist %3 und fällt ab dt0 ≈ %4 s unter %5.",
        "“%1” changes most: by %2 at half the step. Its estimated error at dt0 is %3 and falls below %5 from dt0 ≈ %4 s."},
    {CheckText::WorstFine,
        "Сильнее всего меняется «%1»: на %2 при половинном шаге. Оценка её погрешности при dt0: %3, уже меньше %4.",
        "Am stärksten ändert sich „%1“: um %2 beim halben Schritt. Ihr geschätzter Fehler bei dt0 ist %3, schon unter %4.",
        "“%1” changes most: by %2 at half the step. Its estimated error at dt0 is %3, below %4 already."},
    {CheckText::NoneChanges,
        "При половинном шаге ни одна величина не меняется.",
        "Beim halben Schritt ändert sich keine Größe.",
        "No quantity changes at half the step."},
    {CheckText::Method,
        "Метод Эйлера первого порядка: погрешность расчёта с шагом dt0 примерно вдвое больше разности, а экстраполяция — лучшая оценка. Относительная разность берётся не менее чем от %1.",
        "Das Euler-Verfahren ist erster Ordnung: der Fehler des Laufs mit dt0 ist etwa doppelt so groß wie die Differenz, und die Extrapolation ist die bessere Schätzung. Relative Differenzen werden gegen mindestens %1 gebildet.",
        "Euler's method is first order: the error of the run at dt0 is about twice the difference, and the extrapolation is the better estimate. Relative differences are taken against at least %1."},
    {CheckText::ReentryNote,
        "Спускаемый аппарат: его уравнения прикладывают торможение, вдвое большее показанной nx; для нагрузок смотрите приложенное торможение.",
        "Wiedereintrittskörper: seine Gleichungen bringen die doppelte Verzögerung des gezeigten nx auf; für Lasten gilt die aufgebrachte Verzögerung.",
        "Reentry vehicle: its equations apply twice the deceleration that nx shows; for loads, read the applied deceleration."},
    {CheckText::Samples,
        "Заполнено точек: %1 из 500 при dt0, %2 из 500 при dt0/2.",
        "Belegte Messpunkte: %1 von 500 bei dt0, %2 von 500 bei dt0/2.",
        "Sample slots filled: %1 of 500 at dt0, %2 of 500 at dt0/2."},
    {CheckText::NoticeChange,
        "Проверка шага: «%1» меняется на %2 при половинном шаге (оценка погрешности %3).",
        "Schrittweitenprüfung: „%1“ ändert sich beim halben Schritt um %2 (geschätzter Fehler %3).",
        "Step check: “%1” changes by %2 at half the step (estimated error %3)."},
    {CheckText::NoticeFailed,
        "Проверка шага: расчёт с половинным шагом не удался.",
        "Schrittweitenprüfung: der Lauf mit halbem Schritt ist gescheitert.",
        "Step check: the run at half the step failed."},
    {CheckText::NoticeOffer,
        "Расчёт занял %1 с, шаг не проверялся.",
        "Der Lauf dauerte %1 s, seine Schrittweite wurde nicht geprüft.",
        "The run took %1 s, so its step was not checked."},
    {CheckText::NoticeSamples,
        "Заполнено только %1 из 500 точек; остальные хранят значения прежнего расчёта.",
        "Nur %1 der 500 Messpunkte wurden belegt; die übrigen behalten Werte eines früheren Laufs.",
        "Only %1 of the 500 sample slots were filled; the others keep an earlier run's values."},
    {CheckText::NoticeTable,        "Таблица: щёлкните здесь или %1.", "Tabelle: hier klicken oder %1.", "Table: click here or %1."},
    {CheckText::NoticeCheck,        "Проверить: щёлкните здесь или %1.", "Prüfen: hier klicken oder %1.", "Check it: click here or %1."},
};
// clang-format on

// `which` in the form's language.
QString checkText(CheckText which)
{
    return torv::textIn(kCheckTexts, which);
}

// The table's name of each quantity of the summary, with its unit.
QString quantityName(const torv::SummaryQuantity& q)
{
    using torv::RunSummary;
    static const std::pair<double RunSummary::*, CheckText> kNames[] = {
        { &RunSummary::flightTime, CheckText::FlightTime },
        { &RunSummary::range, CheckText::Range },
        { &RunSummary::maxAltitude, CheckText::MaxAltitude },
        { &RunSummary::endSpeed, CheckText::EndSpeed },
        { &RunSummary::maxLoadFactor, CheckText::MaxLoadFactor },
        { &RunSummary::maxDynamicPressure, CheckText::MaxDynamicPressure },
        { &RunSummary::endPathAngle, CheckText::EndPathAngle },
        { &RunSummary::maxDeceleration, CheckText::MaxDeceleration },
    };
    for (const auto& [value, text] : kNames)
        if (value == q.value)
            return checkText(text);
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
        return checkText(CheckText::NoneChanges);
    const torv::QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    const QString name = bareName(*q.quantity);
    const QString change = percent(std::fabs(q.relative), sep);
    const QString target = percent(torv::kTargetError, sep);
    if (v.step >= check.dt0)
        return checkText(CheckText::WorstFine).arg(name, change, percent(v.error, sep), target);
    return checkText(CheckText::Worst).arg(name, change, percent(v.error, sep), number(v.step, 2, sep), target);
}

} // namespace

void TForm2::createGraphMenu()
{
    GraphMenu = new QMenu(this);
    struct Entry {
        QAction* TForm2::*action;
        QKeySequence keys;
        void (TForm2::*handler)();
    };
    const Entry entries[] = {
        { &TForm2::ActSaveGraph, QKeySequence(Qt::CTRL | Qt::Key_S), &TForm2::saveGraphPngClick },
        { &TForm2::ActCopyGraph, QKeySequence(Qt::CTRL | Qt::Key_C), &TForm2::copyGraphClick },
        { &TForm2::ActExportCsv, QKeySequence(Qt::CTRL | Qt::Key_E), &TForm2::exportCsvClick },
        { &TForm2::ActCheckStep, QKeySequence(Qt::CTRL | Qt::Key_T), &TForm2::checkStepClick },
        { &TForm2::ActKeepRun, QKeySequence(Qt::CTRL | Qt::Key_K), &TForm2::keepRunClick },
        { &TForm2::ActClearKept, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), &TForm2::clearKeptRunsClick },
        { &TForm2::ActMarkEvents, QKeySequence(Qt::CTRL | Qt::Key_M), &TForm2::markEventsClick },
    };
    for (const Entry& e : entries) {
        QAction* a = GraphMenu->addAction(QString());
        a->setShortcut(e.keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a); // the shortcut works anywhere on the form
        const auto handler = e.handler;
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        this->*e.action = a;
    }
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
    connect(GraphMenu, &QMenu::aboutToShow, this, &TForm2::updateGraphMenu);

    // The menu key reaches the graph area once a click has given it focus.
    Image1->setFocusPolicy(Qt::ClickFocus);
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image1, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { GraphMenu->popup(Image1->mapToGlobal(pos)); });
}

void TForm2::updateGraphMenu()
{
    if (!GraphMenu)
        return; // field handlers run while the form is being built
    const bool picture = !shownGraph_.isNull();
    ActSaveGraph->setEnabled(picture);
    ActCopyGraph->setEnabled(picture);
    // The series of a run that failed half-way mix two runs: nothing to export.
    ActExportCsv->setEnabled(picture && runComplete_);
    // The check reruns the inputs, which must still be those of the run,
    // unless it was made already.
    ActCheckStep->setEnabled(picture && runComplete_ && (!inputsChanged_ || lastCheck_));
    ActKeepRun->setEnabled(
        picture && runComplete_ && !runKept_ && keptRuns_.size() < static_cast<size_t>(torv::kMaxKeptRuns));
    ActClearKept->setEnabled(!keptRuns_.empty());
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
        const QString path
            = askSaveName(this, stripEllipsis(ActSaveGraph->text()), defaultGraphName(), QStringLiteral("PNG (*.png)"));
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
        if (shownGraph_.isNull() || !runComplete_)
            return;
        const QString name = presetName() + QStringLiteral(".csv");
        const QString path
            = askSaveName(this, stripEllipsis(ActExportCsv->text()), name, QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty())
            torv::writeCsvFile(path.toStdString(), keptSeries());
    });
}

void TForm2::checkStepClick()
{
    torv::guarded([this] {
        if (shownGraph_.isNull() || !runComplete_)
            return;
        if (!lastCheck_) {
            if (inputsChanged_)
                return;
            // A long rerun shows the progress dialog like START's run does; a
            // cancel there ends up in the table's half-step column.
            torv::StepCheck check;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            withProgress([&] {
                struct Restore {
                    ~Restore() { QApplication::restoreOverrideCursor(); }
                } restore;
                check = torv::checkStep();
            });
            if (check.halfError == torv::RunCancelled().what()) {
                showStepTable(check);
                return;
            }
            lastCheck_ = check;
            updateNotice();
        }
        showStepTable(*lastCheck_);
    });
}

void TForm2::showStepTable(const torv::StepCheck& check)
{
    const char sep = decimalSeparator();
    const int columns = 6;
    QDialog dialog(this);
    dialog.setWindowTitle(checkText(CheckText::Title));
    const auto quantities = torv::summaryQuantities();
    auto* table = new QTableWidget(static_cast<int>(quantities.size()), columns, &dialog);
    table->setHorizontalHeaderLabels(
        { checkText(CheckText::Quantity), QStringLiteral("dt0 = %1 s").arg(number(check.dt0, 6, sep)),
            QStringLiteral("dt0/2 = %1 s").arg(number(check.dt0 / 2, 6, sep)), checkText(CheckText::Difference),
            checkText(CheckText::Relative), checkText(CheckText::Extrapolated) });
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
        lines << checkText(CheckText::Failed) + QString::fromStdString(check.halfError);
    } else {
        lines << verdictText(check, sep)
              << checkText(CheckText::Samples).arg(check.full.samples).arg(check.half.samples);
    }
    lines << checkText(CheckText::Method).arg(floors.join(QStringLiteral(", ")));
    if (torv::vehicleClass(st.Szenario.Klasse) == torv::VehicleClass::Reentry)
        lines << checkText(CheckText::ReentryNote);
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
    if (!lastCheck_) {
        lines << checkText(CheckText::NoticeOffer).arg(number(lastRunMs_ / 1000.0, 2, sep));
        offer = true;
    } else if (lastCheck_->halfFailed) {
        lines << checkText(CheckText::NoticeFailed);
    } else if (lastCheck_->worthNotice()) {
        const torv::StepVerdict v = lastCheck_->verdict();
        const torv::QuantityCheck& q = lastCheck_->quantities[static_cast<size_t>(v.worst)];
        lines << checkText(CheckText::NoticeChange)
                     .arg(bareName(*q.quantity), percent(std::fabs(q.relative), sep), percent(v.error, sep));
    }
    if (const int samples = torv::runSummary().samples; samples < torv::kSamples)
        lines << checkText(CheckText::NoticeSamples).arg(samples);
    if (lines.isEmpty()) {
        Notice->hide();
        return;
    }
    lines.first() += u' ' + checkText(offer ? CheckText::NoticeCheck : CheckText::NoticeTable).arg(keys);
    Notice->setText(lines.join(u'\n'));
    Notice->setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid %2; }")
                              .arg(offer ? QStringLiteral("#eef3fa") : QStringLiteral("#fff4c2"),
                                  offer ? QStringLiteral("#8ea6c8") : QStringLiteral("#d9a400")));
    Notice->show();
    Notice->raise();
}

// ---------------------------------------------------------------------------
// Scenario files

namespace {

enum class SaveText { UnreadField, NoClass };

// clang-format off
const torv::TextRow<SaveText> kSaveTexts[] = {
    {SaveText::UnreadField,
        "Поле «%1»: '%2' не является числом. Сценарий не сохранён: исправьте поле",
        "Feld „%1“: '%2' ist keine gültige Zahl. Das Szenario wurde nicht gespeichert: bitte das Feld korrigieren",
        "Field \"%1\": '%2' is not a valid floating point value. The scenario was not saved: correct the field first"},
    {SaveText::NoClass,
        "Класс аппарата не выбран: сначала выберите пример или откройте сценарий",
        "Keine Fahrzeugklasse: bitte zuerst ein Beispiel wählen oder ein Szenario öffnen",
        "No vehicle class: choose a preset or open a scenario first"},
};
// clang-format on

} // namespace

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
        refuseUnreadFields(torv::textIn(kSaveTexts, SaveText::UnreadField));
        if (torv::vehicleClass(st.Szenario.Klasse) == torv::VehicleClass::None)
            throw torv::TorvError(torv::textIn(kSaveTexts, SaveText::NoClass).toStdString());
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
