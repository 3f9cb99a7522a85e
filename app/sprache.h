// The start form: usage notice and language, then vehicle class, then a
// preset scenario and START. It is the program's main window: closing it
// ends the program.
#pragma once

#include <QWidget>

#include <memory>

#include "scenarios/presets.h"

class QAction;
class QButtonGroup;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace torv {
class FocusRules;
}

class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // MAIN on the calculation form: show this form again with the language
    // picture and the language choice visible and nothing selected.
    void showLanguageAgain();
    // A scenario file was opened: the preset lists go as START takes them.
    void leavePresetChoice();

    // Event handlers, one per control event.
    void RadioSprachClick();
    void RadioWahlClick();
    void WahlRUClick();
    void WahlENClick();
    void BitBtn1Click();
    void Button1Click();
    void FormActivate();
    void ListBoxProjectilClick();
    void ListBoxFallschirmClick();
    void ListBoxBallonClick();
    void ListBoxGliderClick();
    void ListBoxLandekapselClick();
    void ListBoxLauncherClick();

signals:
    // START with a preset chosen: the calculation form takes over.
    void calculationWanted();
    // F1: the help window.
    void helpWanted();

public:
    // Controls, bottom to top of the stacking order. A radio group is a
    // captioned frame plus the button group that numbers its entries 0..n-1.
    QLabel* Image2;
    QLabel* Image1;
    QLabel* Label1;
    QFrame* Panel4;
    QGroupBox* RadioWahl;
    QButtonGroup* RadioWahlItems;
    QGroupBox* WahlRU;
    QButtonGroup* WahlRUItems;
    QGroupBox* WahlEN;
    QButtonGroup* WahlENItems;
    QListWidget* ListBoxProjectil;
    QPushButton* BitBtn1;
    QListWidget* ListBoxFallschirm;
    QPushButton* Button1;
    QListWidget* ListBoxBallon;
    QGroupBox* RadioSprach;
    QButtonGroup* RadioSprachItems;
    QListWidget* ListBoxGlider;
    QListWidget* ListBoxLandekapsel;
    QListWidget* ListBoxLauncher;
    QFrame* Panel1;
    QFrame* Panel3;
    QPlainTextEdit* Memo1;

    // Scenario files: Ctrl+O, and the form's context menu with the recent
    // ones; a file dropped on the form opens too.
    QAction* ActOpenScenario;
    QMenu* ScenarioMenu;
    QMenu* RecentScenarios;

protected:
    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void chooseClass(QGroupBox* group, QButtonGroup* items);
    void choosePreset(QListWidget* list, torv::PresetList which);
    QListWidget* presetList(int klasse) const;
    QListWidget* makePresetList(const QRect& place, torv::PresetList which, void (TForm1::*handler)());

    std::unique_ptr<torv::FocusRules> focusRules_;
    // The list whose selection a mouse press has just changed.
    QListWidget* justSelected = nullptr;
};
