// The study window's other kinds: its sensitivity and its targets are
// torv-batch's lines for the form's inputs, found on a thread while the
// window goes on.
#include "test_calc.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "scenarios/scenario.h"
#include "ui/studykinds.h"
#include "ui/studywindow.h"

using namespace torv;

namespace {

class StudyKinds : public CalcForm {
protected:
    // The first projectile preset without drag, the study window open.
    StudyWindow* open()
    {
        openWith(PresetList::Projectil, 0, 3);
        typeOver(form2->fieldControl(Field::Cx), QStringLiteral("0"));
        QTest::keyClick(form2.get(), Qt::Key_Y, Qt::ControlModifier);
        return form2->findChild<StudyWindow*>();
    }
    static void waitWhile(const std::function<bool()>& busy)
    {
        QElapsedTimer clock;
        clock.start();
        while (busy() && clock.elapsed() < 90000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::string batchLines(const QStringList& question)
    {
        const QString file = dir.filePath(QStringLiteral("form.toml"));
        writeScenario(file.toStdString(), currentScenario("form"));
        QProcess batch;
        batch.setWorkingDirectory(dir.path());
        batch.start(QStringLiteral(TORV_BATCH), QStringList { QStringLiteral("--scenario"), file } + question);
        EXPECT_TRUE(batch.waitForFinished(90000));
        EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
        return batch.readAllStandardOutput().toStdString();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(StudyKinds, SensitivityIsTheBatchProgramsForTheTickedInputs)
{
    StudyWindow* w = open();
    ASSERT_TRUE(w);
    auto* panel = w->findChild<SensitivityPanel*>();
    ASSERT_TRUE(panel);
    panel->setDelta(2);
    panel->tick({ Field::V0, Field::TTO });
    ASSERT_TRUE(panel->start());
    waitWhile([panel] { return panel->running(); });
    const std::string lines = panel->tableText();
    EXPECT_EQ(lines,
        batchLines({ QStringLiteral("--sensitivity"), QStringLiteral("--delta"), QStringLiteral("2"),
            QStringLiteral("--inputs"), QStringLiteral("Q0,V0") }));
    // The tornado: a row for each ticked input, the range's elasticity twice as
    // much to the speed as to the angle near 45 degrees, so the speed on top.
    ASSERT_TRUE(panel->chooseOutput(QStringLiteral("range_m")));
    const std::vector<TornadoBar> bars = panel->bars();
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_TRUE(bars[tornadoOrder(bars)[0]].label.endsWith(QStringLiteral("(V0)")));
    EXPECT_GT(bars[tornadoOrder(bars)[0]].high, 3.9); // +2 % of V0: about +4 % of range

    // An input drawn on the study page changes by its law's standard
    // deviation, as torv-batch changes one drawn with --vary.
    w->addRow(Field::TTO, StudyWindow::Law::Normal, QStringLiteral("45:3"));
    ASSERT_TRUE(panel->start());
    waitWhile([panel] { return panel->running(); });
    EXPECT_EQ(panel->tableText(),
        batchLines({ QStringLiteral("--sensitivity"), QStringLiteral("--delta"), QStringLiteral("2"),
            QStringLiteral("--inputs"), QStringLiteral("Q0,V0"), QStringLiteral("--vary"),
            QStringLiteral("Q0=normal:45:3") }));
}

TEST_F(StudyKinds, SolveFindsBothPathAnglesAndCancelEndsASearch)
{
    StudyWindow* w = open();
    ASSERT_TRUE(w);
    auto* panel = w->findChild<TargetPanel*>();
    ASSERT_TRUE(panel);
    panel->ask(TargetPanel::Question::Solve, Field::TTO, QStringLiteral("5"), QStringLiteral("85"),
        QStringLiteral("range_m"), QStringLiteral("200"));
    ASSERT_TRUE(panel->start());
    waitWhile([panel] { return panel->running(); });
    const std::string lines = panel->tableText();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    EXPECT_EQ(lines,
        batchLines({ QStringLiteral("--solve"), QStringLiteral("Q0=5:85"), QStringLiteral("--target"),
            QStringLiteral("range_m=200") }));

    // A search cut short leaves the answers shown as they were, and closing
    // the window during one ends it.
    panel->ask(TargetPanel::Question::Maximize, Field::TTO, QStringLiteral("5"), QStringLiteral("85"),
        QStringLiteral("range_m"));
    ASSERT_TRUE(panel->start());
    w->close();
    waitWhile([panel] { return panel->running(); });
    EXPECT_EQ(panel->tableText(), lines);

    // A target no run of the scan reaches: no line, and the note says so.
    panel->ask(TargetPanel::Question::Solve, Field::TTO, QStringLiteral("5"), QStringLiteral("85"),
        QStringLiteral("range_m"), QStringLiteral("5000"));
    ASSERT_TRUE(panel->start());
    waitWhile([panel] { return panel->running(); });
    EXPECT_EQ(panel->tableText(), "");
    EXPECT_TRUE(panel->notes().startsWith(QStringLiteral("range_m = 5000 is out of reach for ")))
        << panel->notes().toStdString();
}
