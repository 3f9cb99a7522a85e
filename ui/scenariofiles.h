// Scenario files in the window, for both forms: opened with Ctrl+O, from the
// recent list, by dropping a file on a form or from the command line; the
// calculation form's inputs saved with Ctrl+Shift+S; the five most recent
// files remembered between sessions (QSettings).
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <utility>

#include "scenarios/scenario.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QWidget;

namespace torv {

class ScenarioFiles : public QObject {
    Q_OBJECT

public:
    static ScenarioFiles& instance();

    // Reads `path` and loads its record as a preset choice would; then
    // opened() brings up the calculation form. A file that cannot be read or
    // is no scenario gives an error box in the forms' language and changes
    // nothing. Before a language is chosen on the start form, the one last
    // used is taken, or English.
    bool open(const QString& path);
    void openWithDialog(QWidget* parent);
    // Writes the state's inputs to a file the user chooses, which is then
    // the open scenario: an opened file's text, name and comments kept with
    // only its changed values rewritten, as torv-batch's --save-scenario
    // writes it; a preset's under the preset's name; with `study`, its
    // [study] table too. Throws IoError.
    void saveWithDialog(QWidget* parent, const std::optional<StudyTable>& study = std::nullopt);
    // The [study] table of the file opened last, once: the study window
    // takes it.
    std::optional<StudyTable> takeOpenedStudy() { return std::exchange(openedStudy_, std::nullopt); }

    // The open scenario's name; empty while the record is a preset's.
    QString openName() const;

    // An "Open scenario…" action (Ctrl+O) for `form`, and a submenu of the
    // recent files, both in the forms' language when shown.
    QAction* makeOpenAction(QWidget* form);
    QAction* makeSaveAction(QWidget* form);
    QMenu* makeRecentMenu(QWidget* form);
    // The actions' and the submenu's texts in the forms' language now.
    void setTexts(QAction* open, QAction* save, QMenu* recent) const;

    // A file dragged over a form: whether it is one to open, and opening it.
    static bool acceptsDrag(QDragEnterEvent* event);
    bool dropped(QDropEvent* event);

    // The language chosen last, kept between sessions (0: none yet).
    static void rememberLanguage(int sprache);
    static int rememberedLanguage();

signals:
    // A scenario's record is loaded: the calculation form shows it.
    void opened();

private:
    ScenarioFiles() = default;
    QStringList recent() const;
    void setRecent(const QStringList& files) const;
    void putFirst(const QString& path) const;
    void openRecent(const QString& path);
    void fillRecentMenu(QMenu* menu);

    void forget(const QString& path) const;

    QString openName_;
    std::string openSource_; // the open file's text, kept when it is saved again
    std::optional<StudyTable> openedStudy_;
};

} // namespace torv
