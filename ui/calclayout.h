// The calculation form's controls by name, and their layout: one table of
// rows in stacking order (a later row lies above an earlier one) created by
// one loop, the caption table of the three languages, and the Tab chain.
#pragma once

#include <QString>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace torv {

class GraphReadout;

// Every control of the calculation form, by the name the form's parts and
// its tests know it by.
struct CalcControls {
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
    QMenu* GraphMenu = nullptr;
    QAction* ActSaveGraph = nullptr;
    QAction* ActCopyGraph = nullptr;
    QAction* ActExportCsv = nullptr;
    QAction* ActCheckStep = nullptr;
    // Comparing runs and reading the graph: the current run kept to be
    // drawn under later ones (up to eight), the kept runs cleared, the
    // flight's events marked on the curves (a choice the program
    // remembers), and the read-out under the mouse.
    QAction* ActKeepRun = nullptr;
    QAction* ActClearKept = nullptr;
    QAction* ActMarkEvents = nullptr;
    GraphReadout* Readout = nullptr;
    // F1 (also in the graph area's menu): the help window in the form's
    // language; the About box.
    QAction* ActHelp = nullptr;
    QAction* ActAbout = nullptr;
    // Scenario files: one opened (Ctrl+O, the recent ones, or a file dropped
    // on the form), the inputs saved as one (Ctrl+Shift+S).
    QAction* ActOpenScenario = nullptr;
    QAction* ActSaveScenario = nullptr;
    QMenu* RecentScenarios = nullptr;

    // Below the graph picture: what the step check of the last run found,
    // or, after a long run, the offer to check it. A click opens the table.
    QLabel* Notice = nullptr;
};

class CalcLayout {
public:
    // Creates the controls of the layout table on `form`, in stacking
    // order, as they are before the first activation.
    CalcLayout(QWidget* form, CalcControls& controls);

    // The captions of the caption table in `language` (Sprache).
    void setCaptions(int language);
    // `label`'s caption in `language`, as setCaptions sets it; a label
    // outside the table keeps its text.
    QString captionIn(QLabel* CalcControls::*label, int language) const;
    // A caption too long for the room before the next field on its rows
    // takes the condensed face, then smaller sizes, down to 8 pixels.
    void fitCaptions();
    // The class picture control that shows `picture` (a resource name).
    QLabel* classPicture(const char* picture) const;
    // Top to bottom through the fields, then START, the graph and its
    // buttons row by row, and the commands.
    void setTabChain();

private:
    QWidget* form_;
    CalcControls& c_;
};

} // namespace torv
