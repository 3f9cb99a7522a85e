// The calculation form: shows and edits the parameters of one trajectory,
// starts the run and chooses the graphs of its result.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QWidget>

#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "plot/catalog.h"
#include "plot/grafik.h"
#include "sim/activation.h"
#include "sim/formport.h"
#include "sim/keptruns.h"
#include "sim/state.h"
#include "sim/stepcheck.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;

namespace torv {
class FocusRules;
class GraphReadout;
class ScreenFit;
}

class TForm2 : public QWidget, public torv::FormPort, public torv::GraphTarget {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // START on the start form: show this form and run its activation once
    // (the window system's own activation that follows does not repeat it).
    void showFromStart();

    // The run's way to the form.
    char decimalSeparator() const override;
    void setEdS0(const std::string& text) override;
    void setEdBelastung(const std::string& text) override;
    void drawGraph() override;
    // From 0.3 s into a run started by START: a modal dialog with the pass,
    // the simulated time and Cancel, while the form goes on repainting.
    bool runProgress(int pass, double t, double tEnd) override;

    // The renderer's way to the graph area and its five buttons.
    void showGraph(const torv::DrawnGraph& graph) override;
    void setGraphButtonVisible(torv::GraphButton button, bool visible) override;

    // Sets a field's text and runs its change handler, also when the text
    // does not change (QLineEdit signals nothing then). A conversion error
    // of the handler is rethrown to the caller.
    void setFieldText(QLineEdit* field, const QString& text);

    // Lays the form out for the loaded scenario and language and fills
    // every field from the scenario.
    void FormAktivate();

    // The control of a parameter field of torv::fieldTable().
    QLineEdit* fieldControl(torv::Field field) const;

    // Field change handlers, run by a change of their field's text: each
    // stores its field's number in the state.
    void edMassaStartChange();
    void EdS0Change();
    void eddt0Change();
    void EdCxChange();
    void EdCyChange();
    void EdTTOChange();
    void edH0Change();
    void edV0Change();
    void edTkChange();
    void edVwindChange();
    void edHkkChange();
    void edVkChange();
    void EdGasChange();
    void EdHFlugChange();
    void EdGasverlustChange();
    void EdAuftriebplusChange();
    void EdMtChange();
    void EdIudChange();
    void EdSchubChange();
    void EdMdvChange();
    void EdRSATChange();

    void AeroBox1Change();

    // Command buttons.
    void Button1Click(); // START
    void Button5Click(); // MAIN
    void Button16Click(); // QUIT
    void Button19Click(); // I N F
    void ButtonHELPClick(); // H E L P

    // Graph buttons.
    void Button9Click();
    void Button10Click();
    void Button22Click();
    void Button27Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button11Click();
    void Button12Click();
    void Button14Click();
    void Button15Click();
    void Button17Click();
    void Button18Click();
    void ButtonPClick();
    void ButtonCyaClick();
    void Button13Click();

    // Bevel frames.
    QFrame* Bevel1 = nullptr; // class-specific fields
    QFrame* Bevel2 = nullptr; // aerodynamics
    QFrame* Bevel3 = nullptr; // vehicle data
    QFrame* Bevel4 = nullptr; // start conditions
    QFrame* Bevel5 = nullptr; // around EdBelastung
    QFrame* Bevel6 = nullptr; // end conditions
    QFrame* Bevel7 = nullptr; // pictures

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label23 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label25 = nullptr;
    QLabel* Label26 = nullptr;
    QLabel* Label27 = nullptr;
    QLabel* Label28 = nullptr;
    QLabel* edV = nullptr;

    // Parameter fields.
    QLineEdit* edMassaStart = nullptr;
    QLineEdit* EdS0 = nullptr;
    QLineEdit* eddt0 = nullptr;
    QLineEdit* EdCx = nullptr;
    QLineEdit* EdCy = nullptr;
    QLineEdit* EdTTO = nullptr;
    QLineEdit* edH0 = nullptr;
    QLineEdit* edV0 = nullptr;
    QLineEdit* edTk = nullptr;
    QLineEdit* edVwind = nullptr;
    QLineEdit* edHkk = nullptr;
    QLineEdit* edVk = nullptr;
    QLineEdit* EdGas = nullptr;
    QLineEdit* EdHFlug = nullptr;
    QLineEdit* EdGasverlust = nullptr;
    QLineEdit* EdAuftriebplus = nullptr;
    QLineEdit* EdMt = nullptr;
    QLineEdit* EdIud = nullptr;
    QLineEdit* EdSchub = nullptr;
    QLineEdit* EdMdv = nullptr;
    QLineEdit* EdRSAT = nullptr;

    // Display boxes (no change handler).
    QLineEdit* EdBelastung = nullptr;
    QLineEdit* EdiVopt = nullptr;

    QComboBox* AeroBox1 = nullptr;

    // Pictures; Image1 is the graph area.
    QLabel* Image1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image5 = nullptr;
    QLabel* Image7 = nullptr;
    QLabel* Image8 = nullptr;

    QFrame* Panel4 = nullptr; // frame of START
    QFrame* Panel6 = nullptr; // cover of the graph buttons
    QFrame* Panel7 = nullptr; // divider between the graph button groups

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button9 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button12 = nullptr;
    QPushButton* Button13 = nullptr;
    QPushButton* Button14 = nullptr;
    QPushButton* Button15 = nullptr;
    QPushButton* Button16 = nullptr;
    QPushButton* Button17 = nullptr;
    QPushButton* Button18 = nullptr;
    QPushButton* Button19 = nullptr;
    QPushButton* Button22 = nullptr;
    QPushButton* Button27 = nullptr;
    QPushButton* ButtonP = nullptr;
    QPushButton* ButtonCya = nullptr;
    QPushButton* ButtonHELP = nullptr;

    QPlainTextEdit* Memo1 = nullptr; // information
    QPlainTextEdit* Memo2 = nullptr; // help

    // Context menu of the graph area (right button or the menu key); the
    // entries are also the form's shortcuts.
    void saveGraphPngClick();
    void copyGraphClick();
    void exportCsvClick();
    void checkStepClick();
    QMenu* GraphMenu = nullptr;
    QAction* ActSaveGraph = nullptr;
    QAction* ActCopyGraph = nullptr;
    QAction* ActExportCsv = nullptr;
    QAction* ActCheckStep = nullptr;

    // Comparing runs and reading the graph: the current run kept to be
    // drawn under later ones (up to eight), the kept runs cleared, the
    // flight's events marked on the curves (a choice the program
    // remembers), and the read-out under the mouse.
    void keepRunClick();
    void clearKeptRunsClick();
    void markEventsClick();
    QAction* ActKeepRun = nullptr;
    QAction* ActClearKept = nullptr;
    QAction* ActMarkEvents = nullptr;
    torv::GraphReadout* Readout = nullptr;
    const std::vector<torv::KeptRun>& keptRuns() const { return keptRuns_; }

    // F1 (also in the graph area's menu): the help window in the form's
    // language; the About box; Escape closes the text box on top.
    void helpClick();
    void aboutClick();
    void escapeClick();
    QAction* ActHelp = nullptr;
    QAction* ActAbout = nullptr;

    // Scenario files: one opened (Ctrl+O, the recent ones, or a file dropped
    // on the form), the inputs saved as one (Ctrl+Shift+S); the caption
    // names the open one after the title text.
    void saveScenarioClick();
    QAction* ActOpenScenario = nullptr;
    QAction* ActSaveScenario = nullptr;
    QMenu* RecentScenarios = nullptr;

    // Below the graph picture: what the step check of the last run found,
    // or, after a long run, the offer to check it. A click opens the table.
    QLabel* Notice = nullptr;

signals:
    // MAIN: the start form takes over again.
    void backToStart();
    // QUIT: the program ends.
    void quitWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    using Handler = void (TForm2::*)();
    struct Control;
    struct Caption;
    struct FieldControl;
    static const FieldControl kFieldControls[];
    static const Control kLayout[];
    static const Caption kCaptions[];

    struct FieldTip;
    static const FieldTip kFieldTips[];
    // `label`'s caption in `language`, as activation sets it.
    QString captionIn(QLabel* TForm2::*label, int language) const;
    // A run starts: the progress dialog may show from 0.3 s on.
    void startProgress();
    void endProgress();
    // Runs `run` with the progress dialog armed, and takes it down after,
    // however `run` ends.
    template <typename F> void withProgress(F&& run)
    {
        struct Ending {
            TForm2* form;
            ~Ending() { form->endProgress(); }
        } ending { this };
        startProgress();
        run();
    }

    void createControls();
    void setTabChain();
    // Each parameter field's text change runs its change handler.
    void connectFields();
    void runFieldHandler(Handler handler);
    void fieldChanged(torv::Field field);
    void graphButton(torv::Sel selection);
    void hideClassControls();
    void setFieldVisible(torv::Field field, bool visible);
    void placeField(torv::Field field, int top, bool visible);
    void showActivation(const torv::Activation& shown);
    void setCaptions(int language);
    void fitCaptions();

    QHash<QLineEdit*, Handler> fieldHandlers_;
    int settingText_ = 0; // > 0 while setFieldText runs a handler
    std::exception_ptr handlerError_; // its error, rethrown by setFieldText
    QWidget* lastActiveForm_ = nullptr;
    QElapsedTimer runClock_; // valid while START's run goes on
    QElapsedTimer progressShown_; // since the dialog's last update
    QProgressDialog* progress_ = nullptr;

    void createGraphMenu();
    void updateGraphMenu();
    // The menu entries' texts and the fields' tooltips in the form's language.
    void setMenuTexts();
    void setFieldTips();
    void createScenarioTools();
    void showCaption();
    void showStepTable(const torv::StepCheck& check);
    void updateNotice();
    // START runs, and a scenario is saved, only when every visible field's
    // text reads as a number; else `message` with the field's caption (%1)
    // and text (%2) is thrown.
    void refuseUnreadFields(const QString& message);
    // The menu entries that compare runs and mark events, and the read-out.
    void createCompareTools();
    // What the graph shows beyond the run: the kept runs (their series,
    // converted to the current units, go into `series`) and the events.
    torv::GraphExtras graphExtras(std::vector<std::vector<double>>& series) const;
    // The kept runs' series in the current run's units.
    std::vector<std::vector<double>> keptSeries() const;
    void redrawShownGraph();
    std::vector<torv::KeptRun> keptRuns_;
    QImage shownGraph_; // the picture in the graph area; null: none
    // The run on show, and what the graph area's menu needs of it.
    struct ShownRun {
        bool complete = false; // the state holds its results, whole
        std::shared_ptr<const torv::SimState> state; // the state right after it
        std::optional<torv::StepCheck> check; // its step check, once made
        qint64 ms = 0; // how long it took
        torv::RunInputs inputs; // what it was run from
        bool kept = false; // it is among the kept runs
    };
    ShownRun shown_;
    // Runs `body` with the state of the run on show in place of the current
    // one (whose inputs may have changed since, or whose run was cut off).
    template <typename F> void withShownRun(F&& body);
    torv::ScreenFit* screenFit_ = nullptr;
    std::unique_ptr<torv::FocusRules> focusRules_;
};
