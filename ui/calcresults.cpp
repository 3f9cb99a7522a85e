#include "ui/calcresults.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>

#include <optional>
#include <utility>

#include <time.h>

#include "fault/faults.h"
#include "files/atomicfile.h"
#include "files/csvexport.h"
#include "files/numfmt.h"
#include "model/catalog.h"
#include "model/classes.h"
#include "plot/png.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "ui/focus.h"
#include "ui/guard.h"
#include "ui/look.h"
#include "ui/readout.h"
#include "ui/scenariofiles.h"
#include "ui/steptable.h"
#include "ui/studywindow.h"
#include "ui/texts.h"

namespace torv {

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
    const Preset* preset = presetOf(st.Szenario);
    const QString name = preset ? namePart(QString::fromUtf8(preset->label)) : QString();
    return name.isEmpty() ? QStringLiteral("torv") : name;
}

// "<preset>_<curves>(<horizontal>).png", e.g. "Apollo_H-V-Q-q-nx(t).png".
QString defaultGraphName()
{
    QStringList curves;
    for (int k = 1; k < st.GraphCount - 1; ++k)
        curves << symbol(curveTitle(st.GraphCodes[k], false, false).text);
    curves.removeAll(QString());
    return presetName() + u'_' + curves.join(u'-') + u'(' + symbol(horizontalTitle(st.GraphCodes[0])) + u')'
        + QStringLiteral(".png");
}

QString stripEllipsis(QString text)
{
    if (text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text;
}

// The graph area's menu, top to bottom; every entry's shortcut works
// anywhere on the form. The form connects Help to its own handler.
struct MenuEntry {
    QAction* CalcControls::*action;
    QKeyCombination keys;
    void (CalcResults::*handler)();
    Text caption;
};

using C = CalcControls;
using R = CalcResults;

const MenuEntry kMenu[] = {
    { &C::ActSaveGraph, Qt::CTRL | Qt::Key_S, &R::saveGraphPng, Text::MenuSaveGraph },
    { &C::ActCopyGraph, Qt::CTRL | Qt::Key_C, &R::copyGraph, Text::MenuCopyGraph },
    { &C::ActExportCsv, Qt::CTRL | Qt::Key_E, &R::exportCsv, Text::MenuExportCsv },
    { &C::ActCheckStep, Qt::CTRL | Qt::Key_T, &R::checkStep, Text::MenuCheckStep },
    { &C::ActKeepRun, Qt::CTRL | Qt::Key_K, &R::keepRun, Text::MenuKeepRun },
    { &C::ActClearKept, Qt::CTRL | Qt::SHIFT | Qt::Key_K, &R::clearKeptRuns, Text::MenuClearKept },
    { &C::ActMarkEvents, Qt::CTRL | Qt::Key_M, &R::markEvents, Text::MenuMarkEvents },
    { &C::ActHelp, Qt::Key_F1, nullptr, Text::MenuHelp },
    { &C::ActAbout, QKeyCombination(), &R::about, Text::MenuAbout },
};

// Where the program remembers whether the graphs mark the flight's events.
const QString kEventsKey = QStringLiteral("graph/events");

// A short run is checked at once, on a copy of the state; a long one only
// offers the check. The check's runs at half and a quarter of the step take
// six times as long as the run, without a progress dialog.
constexpr qint64 kCheckBelowMs = 100;

// The processor time the program's own thread has taken, in milliseconds:
// how long a run computes, whatever else the machine is doing meanwhile.
qint64 threadMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

CalcResults::CalcResults(QWidget* form, CalcControls& controls, const CalcFields& fields, RunProgress& progress)
    : form_(form)
    , c_(controls)
    , fields_(fields)
    , progress_(progress)
{
    c_.GraphMenu = new QMenu(form);
    // A greyed entry says why in its tooltip.
    c_.GraphMenu->setToolTipsVisible(true);
    for (const MenuEntry& e : kMenu) {
        if (e.action == &C::ActHelp)
            c_.GraphMenu->addSeparator();
        QAction* a = c_.GraphMenu->addAction(QString());
        a->setShortcut(QKeySequence(e.keys));
        a->setShortcutContext(Qt::WindowShortcut);
        form->addAction(a); // the shortcut works anywhere on the form
        if (const auto handler = e.handler)
            QObject::connect(a, &QAction::triggered, form, [this, handler] { caught([&] { (this->*handler)(); }); });
        c_.*e.action = a;
    }
    auto* escape = new QAction(form);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    form->addAction(escape);
    // Escape closes the text box on top.
    QObject::connect(escape, &QAction::triggered, form, [this] {
        c_.Memo1->hide();
        c_.Memo2->hide();
    });

    // The strip of the graph area below the picture: no control lies there.
    c_.Notice = new QLabel(form);
    c_.Notice->setGeometry(278, 818, 937, 37);
    c_.Notice->setFont(look::msSans(13));
    c_.Notice->setWordWrap(true);
    c_.Notice->setTextFormat(Qt::PlainText);
    c_.Notice->setContentsMargins(6, 0, 6, 0);
    c_.Notice->setCursor(Qt::PointingHandCursor);
    c_.Notice->hide();

    c_.GraphMenu->insertSeparator(c_.ActKeepRun);
    c_.ActMarkEvents->setCheckable(true);
    c_.ActMarkEvents->setChecked(QSettings().value(kEventsKey, false).toBool());
    c_.Readout = new GraphReadout(c_.Image1);
    createScenarioTools();
    createStudyTool();
    updateMenu();
    setTexts();
    QObject::connect(c_.GraphMenu, &QMenu::aboutToShow, form, [this] { caught([this] { updateMenu(); }); });

    // The graph area is in the Tab chain, framed while it has the focus;
    // the menu key opens its menu there.
    c_.Image1->setFocusPolicy(Qt::StrongFocus);
    frameWhileFocused(c_.Image1);
    c_.Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(c_.Image1, &QWidget::customContextMenuRequested, form,
        [this](const QPoint& pos) { caught([&] { c_.GraphMenu->popup(c_.Image1->mapToGlobal(pos)); }); });
}

void CalcResults::run()
{
    // What a Cancel puts back: the state and the run on show.
    const auto before = std::make_unique<SimState>(st);
    const ShownRun shownBefore = shown_;
    shown_ = ShownRun {};
    shown_.inputs = RunInputs::current();
    c_.Notice->hide();
    updateMenu();
    bool cancelled = false;
    std::optional<IoError> fileError;
    const qint64 started = threadMs();
    progress_.during([&] {
        try {
            Flugbahn();
        } catch (const RunCancelled&) {
            cancelled = true;
        } catch (const IoError& e) {
            fileError = e;
        }
    });
    // The last complete run on show again, with its state.
    const auto putBack = [&] {
        st = *before;
        shown_ = shownBefore;
        updateMenu();
        if (shown_.complete)
            updateNotice();
    };
    if (fileError) {
        // The run's files were not written: the run on show stays the one
        // they hold, as after a Cancel, and the box says so.
        putBack();
        showErrorBox(messageOf(*fileError),
            fileErrorLine(*fileError) + (shown_.complete ? ".\n" + text(Text::FileRunKept) : QString()));
        return;
    }
    if (cancelled) {
        // The samples the cut-off run overwrote are the last complete
        // run's again, so the graph, the export and the check on show
        // still agree; the user asked for this, so it is no error.
        putBack();
        showInfoBox(text(shown_.complete ? Text::RunCancelledKept : Text::RunCancelledFirst));
        return;
    }
    shown_.ms = threadMs() - started;
    shown_.complete = true;
    shown_.state = std::make_shared<const SimState>(st);
    if (shown_.ms < kCheckBelowMs)
        shown_.check = torv::checkStep();
    updateMenu();
    updateNotice();
}

void CalcResults::redraw()
{
    std::vector<std::vector<double>> series;
    const GraphExtras extras = graphExtras(series);
    // At the screen's pixel ratio, so that a dense screen shows it sharp.
    present(Grafik(
        st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, extras, form_->devicePixelRatioF()));
}

void CalcResults::present(const DrawnGraph& graph)
{
    const std::pair<GraphButton, QPushButton * C::*> kButtons[] = {
        { GraphButton::AerodynamicsOverTime, &C::ButtonCya },
        { GraphButton::NormalLoadOverTime, &C::Button6 },
        { GraphButton::LoadFactorsOverTime, &C::Button11 },
        { GraphButton::LiftOverTime, &C::Button14 },
        { GraphButton::BuoyancyOverTime, &C::Button18 },
    };
    for (const auto& [button, control] : kButtons)
        (c_.*control)->setVisible(graph.shows(button));
    c_.Image1->setPixmap(QPixmap::fromImage(graph.picture));
    c_.Readout->setGraph(graph, userDecimalSeparator());
    c_.Image1->repaint();
    shownGraph_ = graph.picture;
    updateMenu();
}

void CalcResults::clear()
{
    QPixmap blank(770, 515);
    blank.fill(Qt::white);
    c_.Image1->setPixmap(blank);
    c_.Readout->clear();
    c_.Image1->repaint();
    shownGraph_ = QImage();
    shown_.check.reset();
    c_.Notice->hide();
    updateMenu();
}

void CalcResults::setTexts()
{
    for (const MenuEntry& e : kMenu)
        (c_.*e.action)->setText(text(e.caption));
    study_->setText(text(Text::StudyMenu, st.Sprache != 0 ? st.Sprache : 3));
    ScenarioFiles::instance().setTexts(c_.ActOpenScenario, c_.ActSaveScenario, c_.RecentScenarios);
    if (st.Sprache == 0) {
        // Before a language is chosen the menu speaks English throughout, as
        // the help that lists it does.
        c_.ActOpenScenario->setText(text(Text::ScenarioOpen, 3));
        c_.ActSaveScenario->setText(text(Text::ScenarioSave, 3));
        c_.RecentScenarios->setTitle(text(Text::ScenarioRecent, 3));
    }
    updateMenu();
}

void CalcResults::updateMenu()
{
    const bool picture = !shownGraph_.isNull();
    const bool full = keptRuns_.size() >= static_cast<size_t>(kMaxKeptRuns);
    // Each entry with the reason it is off, if it is.
    const std::pair<QAction*, std::optional<Text>> why[] = {
        { c_.ActSaveGraph, picture ? std::nullopt : std::optional(Text::WhyNoGraph) },
        { c_.ActCopyGraph, picture ? std::nullopt : std::optional(Text::WhyNoGraph) },
        // The series of a run that failed half-way mix two runs: nothing to
        // export or check.
        { c_.ActExportCsv,
            !picture               ? Text::WhyNoGraph
                : !shown_.complete ? std::optional(Text::WhyRunFailed)
                                   : std::nullopt },
        { c_.ActCheckStep,
            !picture               ? Text::WhyNoGraph
                : !shown_.complete ? std::optional(Text::WhyRunFailed)
                                   : std::nullopt },
        { c_.ActKeepRun,
            !picture               ? Text::WhyNoGraph
                : !shown_.complete ? Text::WhyRunFailed
                : shown_.kept      ? Text::WhyKeptAlready
                : full             ? std::optional(Text::WhyKeptFull)
                                   : std::nullopt },
        { c_.ActClearKept, keptRuns_.empty() ? std::optional(Text::WhyNoneKept) : std::nullopt },
    };
    for (const auto& [action, reason] : why) {
        action->setEnabled(!reason);
        action->setToolTip(reason ? text(*reason) : action->text());
    }
    // An offer to check that can no longer be taken goes.
    if (!c_.ActCheckStep->isEnabled())
        c_.Notice->hide();
}

std::vector<HelpLine> CalcResults::menuLines() const
{
    std::vector<HelpLine> menu;
    for (const QAction* a : c_.GraphMenu->actions()) {
        if (a->isSeparator())
            continue;
        QString name = a->text();
        name.remove(QChar(0x2026));
        menu.push_back({ name, a->shortcut().toString(QKeySequence::NativeText) });
    }
    return menu;
}

void CalcResults::saveGraphPng()
{
    guarded([this] {
        if (shownGraph_.isNull())
            return;
        const QImage picture = shownGraph_;
        const QString path = look::askSaveName(form_, stripEllipsis(c_.ActSaveGraph->text()), defaultGraphName(),
            text(Text::FilterPng), QStringLiteral("png"));
        if (path.isEmpty())
            return;
        writeFileAtomically(path.toStdString(), pngBytes(picture));
    });
}

void CalcResults::copyGraph()
{
    if (!shownGraph_.isNull())
        QApplication::clipboard()->setImage(shownGraph_);
}

void CalcResults::exportCsv()
{
    guarded([this] {
        if (shownGraph_.isNull() || !shown_.complete)
            return;
        const QString name = presetName() + QStringLiteral(".csv");
        const QString path = look::askSaveName(
            form_, stripEllipsis(c_.ActExportCsv->text()), name, text(Text::FilterCsv), QStringLiteral("csv"));
        if (!path.isEmpty())
            writeCsvFile(path.toStdString(), keptSeries(), runLabels());
    });
}

template <typename F> void CalcResults::withShownRun(F&& body)
{
    // The fields keep their texts: the state's inputs come back after.
    struct Back {
        QLineEdit* area;
        SimState now = st;
        QString text = area->text();
        ~Back()
        {
            st = now;
            const QSignalBlocker quiet(area);
            area->setText(text);
        }
    } back { c_.EdS0 };
    st = *shown_.state;
    body();
}

void CalcResults::checkStep()
{
    guarded([this] {
        if (shownGraph_.isNull() || !shown_.complete)
            return;
        if (!shown_.check) {
            // A long rerun shows the progress dialog like START's run does; a
            // cancel there ends up in the table's half-step column.
            StepCheck check;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            progress_.during([&] {
                struct Restore {
                    ~Restore() { QApplication::restoreOverrideCursor(); }
                } restore;
                // The run on show, whatever the fields hold now.
                withShownRun([&] { check = torv::checkStep(); });
            });
            if (check.failure == RunCancelled().what()) {
                showStepTable(form_, check, {});
                return;
            }
            shown_.check = check;
            updateNotice();
        }
        showStepTable(form_, *shown_.check, [this] { convergeShown(); });
    });
}

void CalcResults::convergeShown()
{
    guarded([this] {
        if (!shown_.complete)
            return;
        ConvergeResult result;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        progress_.during([&] {
            struct Restore {
                ~Restore() { QApplication::restoreOverrideCursor(); }
            } restore;
            withShownRun([&] { result = torv::converge({}); });
        });
        // The run at the step found is START's run at that step: drawn, on
        // show and ready to keep.
        showConverged(form_, result, [this](double step) {
            c_.eddt0->setText(
                QString::fromStdString(shortestText(step)).replace(u'.', QChar::fromLatin1(userDecimalSeparator())));
            c_.Button1->click();
        });
    });
}

void CalcResults::updateNotice()
{
    const QString keys = c_.ActCheckStep->shortcut().toString(QKeySequence::NativeText);
    bool offer = false;
    QStringList lines = noticeLines(shown_.check, shown_.ms, offer);
    if (lines.isEmpty()) {
        c_.Notice->hide();
        return;
    }
    lines.first() += u' ' + text(offer ? Text::NoticeCheck : Text::NoticeTable).arg(keys);
    c_.Notice->setText(lines.join(u'\n'));
    c_.Notice->setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid %2; }")
                                 .arg(offer ? QStringLiteral("#eef3fa") : QStringLiteral("#fff4c2"),
                                     offer ? QStringLiteral("#8ea6c8") : QStringLiteral("#d9a400")));
    c_.Notice->show();
    c_.Notice->raise();
}

std::vector<std::vector<double>> CalcResults::keptSeries() const
{
    std::vector<std::vector<double>> series;
    for (const KeptRun& run : keptRuns_)
        series.push_back(inCurrentUnits(run));
    return series;
}

GraphExtras CalcResults::graphExtras(std::vector<std::vector<double>>& series) const
{
    GraphExtras extras;
    extras.events = c_.ActMarkEvents && c_.ActMarkEvents->isChecked();
    series = keptSeries();
    if (series.empty())
        return extras;
    const std::vector<std::string> labels = runLabels();
    for (size_t r = 0; r < series.size(); ++r)
        extras.kept.push_back({ series[r].data(), static_cast<int>(series[r].size()), labels[r + 1] });
    extras.currentLabel = labels.front();
    return extras;
}

std::vector<std::string> CalcResults::runLabels() const
{
    const char sep = userDecimalSeparator();
    std::vector<RunInputs> inputs;
    for (const KeptRun& run : keptRuns_)
        inputs.push_back(run.inputs);
    std::vector<std::string> labels { currentRunLabel(inputs, shown_.inputs, st.Sprache, sep) };
    for (std::string& label : keptRunLabels(inputs, shown_.inputs, st.Sprache, sep))
        labels.push_back(std::move(label));
    return labels;
}

void CalcResults::redrawShown()
{
    if (!shownGraph_.isNull())
        guarded([this] { redraw(); });
}

void CalcResults::keepRun()
{
    if (!c_.ActKeepRun->isEnabled())
        return;
    keptRuns_.push_back(torv::keepRun());
    keptRuns_.back().inputs = shown_.inputs;
    shown_.kept = true;
    updateMenu();
    redrawShown();
}

void CalcResults::keepRuns(std::vector<KeptRun> runs)
{
    for (KeptRun& run : runs)
        if (keptRuns_.size() < static_cast<size_t>(kMaxKeptRuns))
            keptRuns_.push_back(std::move(run));
    updateMenu();
    redrawShown();
}

void CalcResults::clearKeptRuns()
{
    if (keptRuns_.empty())
        return;
    keptRuns_.clear();
    shown_.kept = false;
    updateMenu();
    redrawShown();
}

void CalcResults::markEvents()
{
    QSettings().setValue(kEventsKey, c_.ActMarkEvents->isChecked());
    redrawShown();
}

void CalcResults::about()
{
    showAbout(form_);
}

// ---------------------------------------------------------------------------
// Scenario files

void CalcResults::createScenarioTools()
{
    ScenarioFiles& files = ScenarioFiles::instance();
    c_.GraphMenu->addSeparator();
    c_.ActOpenScenario = files.makeOpenAction(form_);
    c_.ActSaveScenario = files.makeSaveAction(form_);
    QObject::connect(c_.ActSaveScenario, &QAction::triggered, form_, [this] { caught([this] { saveScenario(); }); });
    c_.RecentScenarios = files.makeRecentMenu(form_);
    c_.GraphMenu->addAction(c_.ActOpenScenario);
    c_.GraphMenu->addAction(c_.ActSaveScenario);
    c_.GraphMenu->addMenu(c_.RecentScenarios);
    files.setTexts(c_.ActOpenScenario, c_.ActSaveScenario, c_.RecentScenarios);
    form_->setAcceptDrops(true);
}

void CalcResults::createStudyTool()
{
    c_.GraphMenu->addSeparator();
    study_ = c_.GraphMenu->addAction(QString());
    study_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    study_->setShortcutContext(Qt::WindowShortcut);
    form_->addAction(study_);
    QObject::connect(study_, &QAction::triggered, form_, [this] { caught([this] { openStudy(); }); });
}

void CalcResults::openStudy()
{
    guarded([this] {
        // A window for other inputs (another class, another language) is
        // made anew, unless its study still runs.
        const auto inputs = fields_.shownCaptions();
        if (studyWindow_ && !studyWindow_->running() && studyWindow_->inputs() != inputs) {
            delete studyWindow_;
            studyWindow_ = nullptr;
        }
        if (!studyWindow_) {
            studyWindow_ = new StudyWindow(form_, inputs);
            studyWindow_->setGraphKeeper([this] { return kMaxKeptRuns - static_cast<int>(keptRuns_.size()); },
                [this](std::vector<KeptRun> runs) { keepRuns(std::move(runs)); });
            studyWindow_->setSaveStudy([this](const StudyTable& study) { saveScenarioWith(study, studyWindow_); });
        }
        studyWindow_->show();
        studyWindow_->raise();
        studyWindow_->activateWindow();
    });
}

void CalcResults::openFileStudy()
{
    guarded([this] {
        const std::optional<StudyTable> study = ScenarioFiles::instance().takeOpenedStudy();
        if (!study)
            return;
        openStudy();
        if (studyWindow_)
            studyWindow_->setStudy(*study);
    });
}

void CalcResults::saveScenario()
{
    guarded([this] { saveScenarioWith(std::nullopt, form_); });
}

void CalcResults::saveScenarioWith(const std::optional<StudyTable>& study, QWidget* parent)
{
    // What is saved is what the fields show.
    fields_.refuseUnread(text(Text::SaveUnreadField));
    if (vehicleClass(st.Szenario.Klasse) == VehicleClass::None)
        throw TorvError(text(Text::SaveNoClass).toStdString());
    ScenarioFiles::instance().saveWithDialog(parent, study);
    showCaption();
}

void CalcResults::showCaption()
{
    // A file's name on one line, without control characters, not too long.
    const QString name = QString::fromStdString(echoed(ScenarioFiles::instance().openName().toStdString()));
    form_->setWindowTitle(
        QString::fromStdString(st.Titel) + (name.isEmpty() ? QString() : QStringLiteral("\u2014 ") + name));
}

} // namespace torv
