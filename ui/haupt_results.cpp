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

#include "sim/presets.h"
#include "physics/faults.h"
#include "plot/catalog.h"
#include "plot/png.h"
#include "sim/atomicfile.h"
#include "sim/csvexport.h"
#include "sim/numfmt.h"
#include "sim/state.h"
#include "sim/stepcheck.h"
#include "ui/guard.h"
#include "ui/scenariofiles.h"

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
        { &TForm2::ActCheckStep, QKeySequence(), &TForm2::checkStepClick },
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
    // The check reruns the inputs, which must still be those of the run.
    ActCheckStep->setEnabled(picture && runComplete_ && !inputsChanged_);
    ActKeepRun->setEnabled(
        picture && runComplete_ && !runKept_ && keptRuns_.size() < static_cast<size_t>(torv::kMaxKeptRuns));
    ActClearKept->setEnabled(!keptRuns_.empty());
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
        if (shownGraph_.isNull() || !runComplete_ || inputsChanged_)
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

        const char sep = decimalSeparator();
        auto number
            = [sep](double v, int digits) { return QString::fromStdString(torv::formatGeneral(v, digits, 0, sep)); };
        struct Row {
            const QString* name;
            double torv::RunSummary::*value;
        };
        const Row rows[] = {
            { &TxtFlightTime, &torv::RunSummary::flightTime },
            { &TxtRange, &torv::RunSummary::range },
            { &TxtMaxAltitude, &torv::RunSummary::maxAltitude },
            { &TxtEndSpeed, &torv::RunSummary::endSpeed },
            { &TxtEndPathAngle, &torv::RunSummary::endPathAngle },
            { &TxtMaxLoadFactor, &torv::RunSummary::maxLoadFactor },
        };

        QDialog dialog(this);
        dialog.setWindowTitle(TxtAccuracyTitle);
        auto* table = new QTableWidget(std::size(rows), 4, &dialog);
        table->setHorizontalHeaderLabels({ TxtAccuracyQuantity, QStringLiteral("dt0 = %1 s").arg(number(st.dt0, 6)),
            QStringLiteral("dt0/2 = %1 s").arg(number(st.dt0 / 2, 6)), TxtAccuracyDifference });
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionMode(QAbstractItemView::NoSelection);
        table->setFocusPolicy(Qt::NoFocus);
        int r = 0;
        for (const Row& row : rows) {
            const double full = check.full.*row.value;
            const double half = check.half.*row.value;
            const QString cells[] = { *row.name, number(full, 9), check.halfFailed ? QString() : number(half, 9),
                check.halfFailed ? QString() : number(full - half, 3) };
            for (int c = 0; c < 4; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                if (c > 0)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(r, c, item);
            }
            ++r;
        }
        table->resizeColumnsToContents();
        table->horizontalHeader()->setStretchLastSection(true);

        auto* note = new QLabel(
            check.halfFailed ? TxtAccuracyFailed + QString::fromStdString(check.halfError) : TxtAccuracyNote, &dialog);
        note->setTextFormat(Qt::PlainText);
        note->setWordWrap(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(table);
        layout->addWidget(note);
        layout->addWidget(buttons);
        int width = 0;
        for (int c = 0; c < 4; ++c)
            width += table->columnWidth(c);
        table->setMinimumSize(width + 4, table->verticalHeader()->length() + table->horizontalHeader()->height() + 4);
        dialog.exec();
    });
}

// ---------------------------------------------------------------------------
// Scenario files

namespace {

enum class SaveText { UnreadField, NoClass };

struct SaveTextRow {
    SaveText which;
    const char* russian;
    const char* german;
    const char* english;
};

// clang-format off
const SaveTextRow kSaveTexts[] = {
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

QString saveText(SaveText which)
{
    for (const SaveTextRow& row : kSaveTexts)
        if (row.which == which)
            return QString::fromUtf8(st.Sprache == 1 ? row.russian : st.Sprache == 3 ? row.english : row.german);
    return {};
}

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
        QString caption;
        if (const QLineEdit* field = firstUnreadField(&caption))
            throw torv::TorvError(saveText(SaveText::UnreadField).arg(caption, field->text()).toStdString());
        if (torv::vehicleClass(st.Szenario.Klasse) == torv::VehicleClass::None)
            throw torv::TorvError(saveText(SaveText::NoClass).toStdString());
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
