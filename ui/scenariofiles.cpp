#include "ui/scenariofiles.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QWidget>

#include <cstring>

#include "fault/faults.h"
#include "model/state.h"
#include "scenarios/presets.h"
#include "scenarios/scenario.h"
#include "ui/guard.h"
#include "ui/texts.h"

namespace torv {

namespace {

constexpr int kRecentFiles = 5;
const QString kRecentKey = QStringLiteral("scenarios/recent");
const QString kFolderKey = QStringLiteral("scenarios/folder");
const QString kLanguageKey = QStringLiteral("language");

// The forms' language; before one is chosen, the one last used or English.
int language()
{
    if (isLanguage(st.Sprache))
        return st.Sprache;
    const int remembered = ScenarioFiles::rememberedLanguage();
    return remembered != 0 ? remembered : 3;
}

QString said(Text which)
{
    return text(which, language());
}

// The most a recent entry's file name, and its folder, take of the menu's
// width, in pixels.
constexpr int kRecentPartWidth = 320;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ScenarioFiles& ScenarioFiles::instance()
{
    static ScenarioFiles files;
    return files;
}

bool ScenarioFiles::open(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Scenario scenario;
    try {
        scenario = readScenario(QFile::encodeName(absolute).toStdString());
    } catch (const ScenarioError& e) {
        // A folder, a pipe or a device in the recent list would stay there.
        if (e.problem() == ScenarioError::Problem::NotAFile)
            forget(absolute);
        showErrorBox(QString::fromStdString(e.text(language())));
        return false;
    } catch (const IoError& e) {
        showErrorBox(said(Text::ScenarioReadFailed)
                         .arg(shown(absolute), reasonOf(e) + " (" + QString::fromUtf8(e.what()) + ")"));
        return false;
    }
    st.Sprache = language();
    loadScenario(scenario);
    openName_ = QString::fromStdString(scenario.name);
    openSource_ = scenario.source;
    openedStudy_ = scenario.study;
    putFirst(absolute);
    emit opened();
    return true;
}

void ScenarioFiles::openWithDialog(QWidget* parent)
{
    const QString folder = QSettings().value(kFolderKey).toString();
    const QString path = QFileDialog::getOpenFileName(parent, said(Text::ScenarioOpen).remove(QChar(0x2026)), folder,
        said(Text::ScenarioFilter), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
    open(path);
}

void ScenarioFiles::saveWithDialog(QWidget* parent, const std::optional<StudyTable>& study)
{
    const QStringList files = recent();
    const QString start = !openName().isEmpty() && !files.isEmpty()
        ? files.first()
        : QDir(QSettings().value(kFolderKey, QDir::currentPath()).toString()).filePath(said(Text::ScenarioDefaultName));
    QString path = QFileDialog::getSaveFileName(parent, said(Text::ScenarioSave).remove(QChar(0x2026)), start,
        said(Text::ScenarioFilter), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".toml");
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // The name the batch program gives the same scenario: the open file's,
    // the preset's, else the file's own.
    std::string name = QFileInfo(absolute).completeBaseName().toStdString();
    if (!openName().isEmpty()) {
        name = openName_.toStdString();
    } else if (const Preset* preset = presetOf(st.Szenario)) {
        name = preset->label;
        name.erase(name.find_last_not_of(' ') + 1);
    }
    Scenario scenario = currentScenario(name);
    if (!openName().isEmpty())
        scenario.source = openSource_;
    scenario.study = study;
    writeScenario(shown(absolute).toStdString(), scenario);
    // The file as written is what a later save keeps.
    scenario.source = scenarioText(scenario);
    QSettings().setValue(kFolderKey, QFileInfo(absolute).absolutePath());
    // The saved file is the open scenario from now on.
    loadScenario(scenario);
    openName_ = QString::fromStdString(scenario.name);
    openSource_ = scenario.source;
    putFirst(absolute);
}

QString ScenarioFiles::openName() const
{
    return st.FileScenario.open ? openName_ : QString();
}

QAction* ScenarioFiles::makeOpenAction(QWidget* form)
{
    auto* action = new QAction(form);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    action->setShortcutContext(Qt::WindowShortcut);
    form->addAction(action);
    connect(action, &QAction::triggered, form, [this, form] { guarded([&] { openWithDialog(form); }); });
    return action;
}

QAction* ScenarioFiles::makeSaveAction(QWidget* form)
{
    auto* action = new QAction(form);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    action->setShortcutContext(Qt::WindowShortcut);
    form->addAction(action);
    return action;
}

QMenu* ScenarioFiles::makeRecentMenu(QWidget* form)
{
    auto* menu = new QMenu(form);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { caught([&] { fillRecentMenu(menu); }); });
    return menu;
}

void ScenarioFiles::setTexts(QAction* open, QAction* save, QMenu* recentMenu) const
{
    if (open)
        open->setText(said(Text::ScenarioOpen));
    if (save)
        save->setText(said(Text::ScenarioSave));
    if (recentMenu)
        recentMenu->setTitle(said(Text::ScenarioRecent));
}

void ScenarioFiles::fillRecentMenu(QMenu* menu)
{
    menu->clear();
    menu->setToolTipsVisible(true);
    const QStringList files = recent();
    for (int i = 0; i < files.size(); ++i) {
        const QFileInfo info(files[i]);
        // A long name keeps its start and its end; an "&" of the name is
        // shown as itself, not taken for a shortcut mark; the whole path is
        // the entry's tooltip.
        const QFontMetrics metrics(menu->font());
        const auto part = [&](const QString& text) {
            return metrics.elidedText(text, Qt::ElideMiddle, kRecentPartWidth).replace(u'&', QStringLiteral("&&"));
        };
        QAction* entry = menu->addAction(
            QStringLiteral("&%1  %2  (%3)").arg(i + 1).arg(part(info.fileName()), part(shown(info.absolutePath()))));
        entry->setToolTip(shown(files[i]));
        const QString path = files[i];
        connect(entry, &QAction::triggered, this, [this, path] { caught([&] { openRecent(path); }); });
    }
    if (files.isEmpty())
        menu->addAction(said(Text::ScenarioNoRecent))->setEnabled(false);
}

void ScenarioFiles::openRecent(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        QStringList files = recent();
        files.removeAll(path);
        setRecent(files);
        showErrorBox(said(Text::ScenarioGone).arg(shown(path)));
        return;
    }
    open(path);
}

bool ScenarioFiles::acceptsDrag(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool scenario = urls.size() == 1 && urls.first().isLocalFile()
        && urls.first().toLocalFile().endsWith(QStringLiteral(".toml"), Qt::CaseInsensitive);
    if (scenario)
        event->acceptProposedAction();
    return scenario;
}

bool ScenarioFiles::dropped(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return false;
    event->acceptProposedAction();
    return open(urls.first().toLocalFile());
}

void ScenarioFiles::rememberLanguage(int sprache)
{
    QSettings().setValue(kLanguageKey, sprache);
}

int ScenarioFiles::rememberedLanguage()
{
    const int sprache = QSettings().value(kLanguageKey, 0).toInt();
    return isLanguage(sprache) ? sprache : 0;
}

QStringList ScenarioFiles::recent() const
{
    return QSettings().value(kRecentKey).toStringList().mid(0, kRecentFiles);
}

void ScenarioFiles::setRecent(const QStringList& files) const
{
    QSettings().setValue(kRecentKey, files.mid(0, kRecentFiles));
}

void ScenarioFiles::forget(const QString& path) const
{
    QStringList files = recent();
    files.removeAll(path);
    setRecent(files);
}

void ScenarioFiles::putFirst(const QString& path) const
{
    QStringList files = recent();
    files.removeAll(path);
    files.prepend(path);
    setRecent(files);
}

} // namespace torv
