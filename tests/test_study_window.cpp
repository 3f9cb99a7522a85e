// The study window: its lines are torv-batch's for the same plan, Cancel
// keeps the runs that finished, and the picture exports as PNG.
#include "test_calc.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "batch/batch.h"
#include "plot/grafik.h"
#include "scenarios/scenario.h"
#include "ui/guard.h"
#include "ui/studywindow.h"

using namespace torv;

namespace {

struct StudyCase {
    const char* name;
    Field field;
    StudyWindow::Law law;
    const char* numbers;
    const char* batchArg; // what torv-batch takes for the same row
    int runs;
    const char* gridNumbers = nullptr; // a second row sweeping the path angle
    std::vector<StudyWindow::Picture> pictures = {};
};

using P = StudyWindow::Picture;
const StudyCase kStudies[] = {
    { "Sweep", Field::V0, StudyWindow::Law::Sweep, "20:40:3", "--sweep=V0=20:40:3", 0, nullptr, { P::Curve, P::Band } },
    { "Grid", Field::V0, StudyWindow::Law::Sweep, "20:40:3", "--sweep=V0=20:40:3", 0, "30,60", { P::Family, P::Band } },
    { "Study", Field::TTO, StudyWindow::Law::Normal, "45:3", "--vary=Q0=normal:45:3", 24, nullptr,
        { P::Histogram, P::Cdf, P::Scatter, P::Band } },
};

class StudyWindowTest : public CalcForm, public ::testing::WithParamInterface<StudyCase> {
protected:
    StudyWindow* open()
    {
        openWith(PresetList::Projectil, 0, 3);
        QTest::keyClick(form2.get(), Qt::Key_Y, Qt::ControlModifier);
        auto* w = form2->findChild<StudyWindow*>();
        EXPECT_TRUE(w && w->isVisible()) << "Ctrl+Y opens the study window";
        return w;
    }
    static void add(StudyWindow& w, const StudyCase& c)
    {
        w.addRow(c.field, c.law, QString::fromUtf8(c.numbers));
        if (c.gridNumbers)
            w.addRow(Field::TTO, StudyWindow::Law::Sweep, QString::fromUtf8(c.gridNumbers));
        w.setRuns(c.runs > 0 ? c.runs : 1, 7);
    }
    static void waitUntil(const std::function<bool()>& done)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // torv-batch's summary for the form's inputs saved as a scenario.
    std::string batchLines(const StudyCase& c, const char* format = "csv")
    {
        const QString file = dir.filePath(QStringLiteral("form.toml"));
        writeScenario(file.toStdString(), currentScenario("form"));
        QStringList args { QStringLiteral("--scenario"), file, QString::fromUtf8(c.batchArg), QStringLiteral("--jobs"),
            QStringLiteral("1"), QStringLiteral("--format"), QString::fromUtf8(format) };
        if (c.gridNumbers)
            args << QStringLiteral("--sweep=Q0=") + QString::fromUtf8(c.gridNumbers);
        if (c.runs > 0)
            args << QStringLiteral("--runs") << QString::number(c.runs) << QStringLiteral("--seed")
                 << QStringLiteral("7");
        QProcess batch;
        batch.setWorkingDirectory(dir.path());
        batch.start(QStringLiteral(TORV_BATCH), args);
        EXPECT_TRUE(batch.waitForFinished(60000));
        EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
        return batch.readAllStandardOutput().toStdString();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_P(StudyWindowTest, LinesAreTheBatchProgramsAndThePictureExports)
{
    const StudyCase& c = GetParam();
    StudyWindow* w = open();
    ASSERT_TRUE(w);
    const Scenario before = currentScenario("form");
    add(*w, c);
    ASSERT_TRUE(w->start());
    waitUntil([w] { return !w->running(); });
    ASSERT_EQ(w->finishedRuns(), w->plannedRuns());
    // The form's inputs are as they were.
    EXPECT_TRUE(currentScenario("form") == before);
    EXPECT_EQ(w->summaryText(), batchLines(c));
    EXPECT_EQ(w->summaryText(batch::Format::Jsonl), batchLines(c, "jsonl"));

    // Every picture the runs offer exports at the screen's pixel ratio, with
    // something drawn in colour: curves, points, bars or the band.
    ASSERT_EQ(w->pictures(), c.pictures);
    for (const StudyWindow::Picture kind : c.pictures) {
        SCOPED_TRACE(static_cast<int>(kind));
        ASSERT_TRUE(w->choosePicture(kind));
        const QString png = dir.filePath(QStringLiteral("study%1.png").arg(static_cast<int>(kind)));
        w->writePng(png);
        const QImage picture(png);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), QSize(640, 400) * w->devicePixelRatioF());
        int coloured = 0, nominal = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                coloured += qRed(p) != qGreen(p) || qGreen(p) != qBlue(p) || p == qRgb(0xC0, 0xC0, 0xC0);
                nominal += p == runColour(2).rgb();
            }
        EXPECT_GT(coloured, 50);
        // The band has the nominal run beside it, in its own colour.
        if (kind == StudyWindow::Picture::Band)
            EXPECT_GT(nominal, 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Laws, StudyWindowTest, ::testing::ValuesIn(kStudies),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalcForm, StudyCancelKeepsTheFinishedRuns)
{
    openWith(PresetList::Projectil, 0, 3);
    QTest::keyClick(form2.get(), Qt::Key_Y, Qt::ControlModifier);
    auto* w = form2->findChild<StudyWindow*>();
    ASSERT_TRUE(w);
    w->addRow(Field::TTO, StudyWindow::Law::Uniform, QStringLiteral("20:70"));
    w->setRuns(100000, 3);
    ASSERT_TRUE(w->start());
    QElapsedTimer clock;
    clock.start();
    while (w->finishedRuns() < 5 && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    w->cancel();
    while (w->running() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(w->running());
    const long long kept = w->finishedRuns();
    EXPECT_GE(kept, 5);
    EXPECT_LT(kept, 100000);
    // Header and one line per kept run, the runs numbered from 1 in order.
    const QStringList lines = QString::fromStdString(w->summaryText()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kept + 1);
    for (long long i = 1; i <= kept; ++i)
        EXPECT_TRUE(lines[static_cast<int>(i)].startsWith(QString::number(i) + u','))
            << lines[static_cast<int>(i)].toStdString();
    // Closing the window cancels its runs; the form going with a study
    // under way takes the window and its threads with it.
    ASSERT_TRUE(w->start());
    w->close();
    while (w->running() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(w->finishedRuns(), 100000);
    ASSERT_TRUE(w->start());
}

// Rows that make no plan are refused in the form's language, the input
// named by its caption on the form; every button has its caption there.
TEST_F(CalcForm, StudyRowsThatMakeNoPlanAreRefusedInTheFormsLanguage)
{
    const std::pair<int, const char*> languages[]
        = { { 1, ": СКО не может быть отрицательным" }, { 2, ": die Standardabweichung darf nicht negativ sein" },
              { 3, ": the standard deviation must not be negative" } };
    for (const auto& [sprache, said] : languages) {
        openWith(PresetList::Projectil, 0, sprache);
        QTest::keyClick(form2.get(), Qt::Key_Y, Qt::ControlModifier);
        auto* w = form2->findChild<StudyWindow*>();
        ASSERT_TRUE(w);
        for (const QPushButton* b : w->findChildren<QPushButton*>())
            EXPECT_FALSE(b->text().isEmpty()) << sprache << " " << b->objectName().toStdString();
        QString box;
        setErrorSink([&](const QString&, const QString& message) { box = message; });
        w->addRow(Field::V0, StudyWindow::Law::Normal, QStringLiteral("50:-1"));
        EXPECT_FALSE(w->start());
        setErrorSink(nullptr);
        const auto v0
            = std::find_if(w->inputs().begin(), w->inputs().end(), [](const auto& i) { return i.first == Field::V0; });
        ASSERT_NE(v0, w->inputs().end());
        EXPECT_TRUE(box.startsWith(v0->second + QStringLiteral(" (V0)") + QString::fromUtf8(said)))
            << box.toStdString();
    }
}

// Rows chosen in the table, sorted another way than the runs went, are run
// again and kept on the form's graph with the inputs their rows show.
TEST_F(CalcForm, StudyRowsAreDrawnOnTheGraphAsKeptRuns)
{
    openWith(PresetList::Projectil, 0, 3);
    QTest::keyClick(form2.get(), Qt::Key_Y, Qt::ControlModifier);
    auto* w = form2->findChild<StudyWindow*>();
    ASSERT_TRUE(w);
    w->addRow(Field::V0, StudyWindow::Law::Sweep, QStringLiteral("20:40:5"));
    ASSERT_TRUE(w->start());
    QElapsedTimer clock;
    clock.start();
    while (w->running() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The table of the runs: the one headed by the swept input.
    QTableWidget* table = nullptr;
    for (auto* t : w->findChildren<QTableWidget*>())
        if (t->columnCount() > 0 && t->horizontalHeaderItem(0)->text() == QStringLiteral("V0"))
            table = t;
    ASSERT_TRUE(table);
    table->sortItems(0, Qt::DescendingOrder);
    table->selectRow(1);
    table->selectionModel()->select(
        table->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->drawOnGraph();
    ASSERT_EQ(form2->keptRuns().size(), 2u);
    const size_t v0 = static_cast<size_t>(&fieldInfo(Field::V0) - fieldTable().data());
    EXPECT_EQ(form2->keptRuns()[0].inputs.fields[v0], 25);
    EXPECT_EQ(form2->keptRuns()[1].inputs.fields[v0], 35);
}
