// The calculation form: shows and edits the parameters of one trajectory,
// starts the run and chooses the graphs of its result. Its controls are its
// public face (CalcControls); its parts each have one role: the layout of
// the controls, the parameter fields, and the graph area with the results.
// The handlers, one per control event, live here and hand the work on.
#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "analysis/keptruns.h"
#include "model/catalog.h"
#include "model/fields.h"
#include "plot/grafik.h"
#include "run/formport.h"
#include "ui/calclayout.h"

class QLineEdit;

namespace torv {
class CalcFields;
class CalcResults;
class FocusRules;
class RunProgress;
class ScreenFit;
struct Activation;
} // namespace torv

class TForm2 : public QWidget, public torv::CalcControls, public torv::FormPort {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // START on the start form: show this form and run its activation once
    // (the window system's own activation that follows does not repeat it).
    void showFromStart();
    // A scenario file opened: as START, with the graph and the notice of
    // the run before it taken away first, as MAIN takes them.
    void showOpenedScenario();

    // The run's way to the form.
    char decimalSeparator() const override;
    void setEdS0(const std::string& text) override;
    void setEdBelastung(const std::string& text) override;
    void drawGraph() override;
    // From 0.3 s into a run started by START: a modal dialog with the pass,
    // the simulated time and Cancel, while the form goes on repainting.
    bool runProgress(int pass, double t, double tEnd) override;

    // Shows a graph the renderer drew, with the graph buttons that go with it.
    void showGraph(const torv::DrawnGraph& graph);

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

    // F1 (also in the graph area's menu): the help window in the form's
    // language.
    void helpClick();

    // The runs kept for comparison, in the order they were kept.
    const std::vector<torv::KeptRun>& keptRuns() const;

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
    void connectHandlers();
    void graphButton(torv::Sel selection);
    void showActivation(const torv::Activation& shown);
    // Hides what an activation shows for a class: the classes' pictures and
    // own fields, and the graph buttons and display only some classes have.
    void hideClassControls();

    std::unique_ptr<torv::CalcLayout> layout_;
    std::unique_ptr<torv::CalcFields> fields_;
    std::unique_ptr<torv::RunProgress> progress_;
    std::unique_ptr<torv::CalcResults> results_;
    torv::ScreenFit* screenFit_ = nullptr;
    std::unique_ptr<torv::FocusRules> focusRules_;
    QWidget* lastActiveForm_ = nullptr;
};
