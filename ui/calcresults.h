// The calculation form's graph area and what it offers of the run on show:
// the graph as the renderer draws it with the buttons that go with it, the
// run started by START, the menu (the picture saved or copied, the data
// exported, the step check, runs kept for comparison, the flight's events,
// scenario files), and the notice under the picture.
#pragma once

#include <QImage>

#include <memory>
#include <optional>
#include <vector>

#include "analysis/keptruns.h"
#include "analysis/stepcheck.h"
#include "model/state.h"
#include "plot/grafik.h"
#include "ui/calcfields.h"
#include "ui/calclayout.h"
#include "ui/help.h"
#include "ui/runprogress.h"

class QAction;
class QWidget;

namespace torv {

class StudyWindow;
struct StudyTable;

class CalcResults {
public:
    // Creates the graph area's menu, its shortcuts on `form`, the read-out
    // and the notice.
    CalcResults(QWidget* form, CalcControls& controls, const CalcFields& fields, RunProgress& progress);

    // START's run, with the progress dialog. A Cancel puts the state and the
    // run on show back and says so; a run that fails leaves the graph of
    // the steps before the fault. A short run is checked at once.
    void run();
    // Draws the state's graph selection of the last run, with the kept runs
    // and the events, at the screen's pixel ratio, and shows it.
    void redraw();
    // Shows a drawn graph and the graph buttons that go with it.
    void present(const DrawnGraph& graph);
    // MAIN: the graph area blank, nothing on show.
    void clear();

    // The menu entries' texts in the form's language, and which of them
    // can be used now (a greyed one says why in its tooltip).
    void setTexts();
    void updateMenu();
    // The menu entries as the help lists them, with their shortcuts.
    std::vector<HelpLine> menuLines() const;
    // The form's caption: the title text and the open scenario's name.
    void showCaption();

    const std::vector<KeptRun>& keptRuns() const { return keptRuns_; }

    // The menu's entries.
    void saveGraphPng();
    void copyGraph();
    void exportCsv();
    void checkStep();
    // The step halved until the run on show converges, then what it reached.
    void convergeShown();
    void keepRun();
    // Runs made elsewhere (the study window's) kept as far as there is room.
    void keepRuns(std::vector<KeptRun> runs);
    void clearKeptRuns();
    void markEvents();
    void about();
    void saveScenario();
    // The study window, from the form's current inputs.
    void openStudy();
    // The study window with the rows of the scenario file opened last, if
    // it has a [study] table.
    void openFileStudy();

private:
    void createScenarioTools();
    void createStudyTool();
    // The form's inputs into a file the user chooses, with `study`'s table.
    void saveScenarioWith(const std::optional<StudyTable>& study, QWidget* parent);
    void updateNotice();
    // Runs `body` with the state of the run on show in place of the current
    // one (whose inputs may have changed since, or whose run was cut off).
    template <typename F> void withShownRun(F&& body);
    // What the graph shows beyond the run: the kept runs (their series,
    // converted to the current units, go into `series`) and the events.
    GraphExtras graphExtras(std::vector<std::vector<double>>& series) const;
    // The runs' names as the legend gives them: the current run's, then
    // each kept run's.
    std::vector<std::string> runLabels() const;
    // The kept runs' series in the current run's units.
    std::vector<std::vector<double>> keptSeries() const;
    void redrawShown();

    QWidget* form_;
    CalcControls& c_;
    const CalcFields& fields_;
    RunProgress& progress_;
    std::vector<KeptRun> keptRuns_;
    QImage shownGraph_; // the picture in the graph area; null: none
    // The run on show, and what the graph area's menu needs of it.
    struct ShownRun {
        bool complete = false; // the state holds its results, whole
        std::shared_ptr<const SimState> state; // the state right after it
        std::optional<StepCheck> check; // its step check, once made
        qint64 ms = 0; // how long it computed (processor time of its thread)
        RunInputs inputs; // what it was run from
        bool kept = false; // it is among the kept runs
    };
    ShownRun shown_;
    QAction* study_ = nullptr;
    StudyWindow* studyWindow_ = nullptr;
};

} // namespace torv
