#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <functional>

#include "fault/faults.h"
#include "plot/grafik.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "test_calc.h"
#include "ui/readout.h"

using torv::PresetList;

// The first projectile's calculation form in English, run in a folder of
// the test's own.
class GraphArea : public CalcForm {
protected:
    void SetUp() override
    {
        CalcForm::SetUp();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        openWith(PresetList::Projectil, 0, 3);
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        CalcForm::TearDown();
    }
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
};

// The graph area's menu offers what the state can back: the picture once one
// is shown, the data and the step check only while the state holds a whole
// run, the check once made or while the fields still hold the run's inputs.
TEST_F(GraphArea, GraphMenuOffersWhatTheStateHolds)
{
    auto offered = [this] {
        return std::array { form2->ActSaveGraph->isEnabled(), form2->ActCopyGraph->isEnabled(),
            form2->ActExportCsv->isEnabled(), form2->ActCheckStep->isEnabled() };
    };
    using Offer = std::array<bool, 4>;
    EXPECT_EQ(offered(), (Offer { false, false, false, false }));

    form2->Button1->click();
    EXPECT_EQ(offered(), (Offer { true, true, true, true }));
    // Activation stores the fields' numbers itself: the same preset again
    // changes no input, another one does.
    openWith(PresetList::Projectil, 0, 3);
    EXPECT_EQ(offered(), (Offer { true, true, true, true }));
    openWith(PresetList::Projectil, 1, 3);
    EXPECT_EQ(offered(), (Offer { true, true, true, true }));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(10, 10), QPoint(10, 10));
    QCoreApplication::sendEvent(form2->Image1, &menuKey);
    EXPECT_TRUE(form2->GraphMenu->isVisible());
    form2->GraphMenu->hide();
    form2->ActCopyGraph->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
        form2->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32));

    // In a field, Ctrl+C still copies the field's text.
    form2->EdCx->setFocus();
    form2->EdCx->selectAll();
    QTest::keyClick(form2->EdCx, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), form2->EdCx->text());

    form2->EdCx->setText(QStringLiteral("0.02"));
    EXPECT_EQ(offered(), (Offer { true, true, true, true }));
    form2->eddt0->setText(QStringLiteral("0"));
    form2->Button1->click();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(offered(), (Offer { true, true, false, false }));
    form2->Button5->click();
    EXPECT_EQ(offered(), (Offer { false, false, false, false }));
}

// A sample file that cannot be written: the box names it and why under the
// specified line, and the graph buttons draw the run the file holds.
TEST_F(GraphArea, AFailedSampleFileKeepsThePreviousRunOnShow)
{
    form2->Button1->click();
    const std::vector<double> saved(torv::st.Ergebnis.begin(), torv::st.Ergebnis.end());
    ASSERT_TRUE(QFile::remove(QStringLiteral("Torv_500.txt")) && QDir().mkdir(QStringLiteral("Torv_500.txt")));
    typeOver(form2->EdTTO, QStringLiteral("30"));
    form2->Button1->click();
    EXPECT_EQ(errors,
        QStringList { QStringLiteral("I/O error 21.\nCannot write %1: it is a folder.\nThe graph, Torv_500.txt, the "
                                     "export and the step check still belong to the last complete run.")
                          .arg(QDir(dir.path()).absoluteFilePath(QStringLiteral("Torv_500.txt"))) });
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), torv::st.Ergebnis.begin()));
}

// Kept runs are drawn under the next ones, eight at most; clearing them
// gives back the picture of the run alone.
TEST_F(GraphArea, KeptRunsDrawnUnderLaterOnesUpToEightUntilCleared)
{
    EXPECT_FALSE(form2->ActKeepRun->isEnabled());
    form2->Button1->click();
    const QImage alone = form2->Image1->pixmap().toImage();
    // The first kept run's colour, somewhere in the plot.
    const auto keptInk = [this] {
        const QImage img = form2->Image1->pixmap().toImage();
        int n = 0;
        for (int y = 19; y < 460; ++y)
            for (int x = 100; x < 730; ++x)
                n += img.pixel(x, y) == qRgb(0, 80, 230);
        return n;
    };
    for (int kept = 1; kept <= 8; ++kept) {
        ASSERT_TRUE(form2->ActKeepRun->isEnabled()) << kept;
        QTest::keyClick(form2.get(), Qt::Key_K, Qt::ControlModifier);
        EXPECT_EQ(form2->keptRuns().size(), static_cast<size_t>(kept));
        EXPECT_FALSE(form2->ActKeepRun->isEnabled()) << "the same run twice";
        typeOver(form2->EdTTO, QString::number(10 + 5 * kept));
        form2->Button1->click();
        if (kept == 1) {
            EXPECT_GT(keptInk(), 100);
        }
    }
    EXPECT_GT(keptInk(), 0);
    EXPECT_FALSE(form2->ActKeepRun->isEnabled());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    QTest::keyClick(form2.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(form2->keptRuns().empty());
    EXPECT_EQ(keptInk(), 0);
    typeOver(form2->EdTTO, QStringLiteral("45"));
    form2->Button1->click();
    EXPECT_EQ(form2->Image1->pixmap().toImage(), alone);
}

// The mouse over the graph shows the nearest sample's values beside a
// cursor, the arrow keys step through the samples, and leaving hides it;
// the picture itself never changes.
TEST_F(GraphArea, ReadOutFollowsTheMouseAndTheKeysOverAnUnchangedPicture)
{
    form2->Button1->click();
    const QImage picture = form2->Image1->pixmap().toImage();
    torv::GraphReadout* readout = form2->Readout;
    EXPECT_EQ(readout->sample(), -1);

    // The default graph: time over 248 .. 730 for 14.04 s.
    const QPointF at(248 + 241, 300);
    QMouseEvent move(QEvent::MouseMove, at, form2->Image1->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form2->Image1, &move);
    const int middle = readout->sample();
    EXPECT_NEAR(middle, 249, 2);
    EXPECT_TRUE(readout->isVisible());
    const QStringList lines = readout->lines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("time: 7.0"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("altitude: 24"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" m")));

    form2->Image1->setFocus();
    QTest::keyClick(form2->Image1, Qt::Key_Right);
    EXPECT_EQ(readout->sample(), middle + 1);
    QTest::keyClick(form2->Image1, Qt::Key_Left);
    QTest::keyClick(form2->Image1, Qt::Key_Left);
    EXPECT_EQ(readout->sample(), middle - 1);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form2->Image1, &leave);
    EXPECT_EQ(readout->sample(), -1);
    EXPECT_FALSE(readout->isVisible());
    EXPECT_EQ(form2->Image1->pixmap().toImage(), picture);
    form2->ActCopyGraph->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);
}

// Marking the events is a choice the next start of the program finds again.
TEST_F(CalcForm, EventChoiceIsRemembered)
{
    const bool before = form2->ActMarkEvents->isChecked();
    form2->ActMarkEvents->trigger();
    EXPECT_EQ(QSettings().value(QStringLiteral("graph/events")).toBool(), !before);
    EXPECT_EQ(TForm2().ActMarkEvents->isChecked(), !before);
    form2->ActMarkEvents->trigger();
    EXPECT_EQ(TForm2().ActMarkEvents->isChecked(), before);
}

// The texts of the modal dialog that `open` brings up, which is then closed.
QString dialogTextsAfter(const std::function<void()>& open)
{
    QString texts;
    QObject scope; // takes the call along if no dialog came
    QTimer::singleShot(0, &scope, [&texts] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            for (const QLabel* l : dialog->findChildren<QLabel*>())
                texts += l->text() + u'\n';
            dialog->accept();
        }
    });
    open();
    return texts;
}

struct NoticeCase {
    PresetList list;
    int index, sprache;
    const char* dt0; // typed over the preset's; nullptr: the preset's
    const char* shows; // a part of the notice; nullptr: no notice
};

class ConvergenceNotice : public CalcForm, public ::testing::WithParamInterface<NoticeCase> { };

// A short run is checked at once: an estimated error beyond the table's
// 0.1 %, or a quantity that has not settled, is told below the picture, in
// the form's language, over no control; Ctrl+T or a click shows the table.
// A long run's notice only offers the check.
TEST_P(ConvergenceNotice, TellsWhatChangesMostBelowThePicture)
{
    const NoticeCase& c = GetParam();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    choosePreset(c.list, c.index); // the class too, as the start form chooses it
    openWith(c.list, c.index, c.sprache);
    if (c.dt0)
        form2->eddt0->setText(QString::fromUtf8(c.dt0));
    form2->Button1->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(form2->Notice->isHidden(), c.shows == nullptr);
    if (c.shows) {
        EXPECT_TRUE(form2->Notice->text().contains(QString::fromUtf8(c.shows))) << form2->Notice->text().toStdString();
        EXPECT_TRUE(QRect(276, 216 + 600, 941, 41).contains(form2->Notice->geometry()));
        for (const QWidget* w : form2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(w == form2->Notice || w == form2->Image1 || w->isHidden()
                || !w->geometry().intersects(form2->Notice->geometry()));
    }
    if (c.shows && !c.dt0) {
        const QString keyed = dialogTextsAfter([&] { QTest::keyClick(form2->EdCx, Qt::Key_T, Qt::ControlModifier); });
        EXPECT_TRUE(keyed.contains(QStringLiteral("500 "))) << keyed.toStdString();
        EXPECT_EQ(dialogTextsAfter([&] { QTest::mouseClick(form2->Notice, Qt::LeftButton); }), keyed);
    }
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(Presets, ConvergenceNotice,
    ::testing::Values(
        NoticeCase { PresetList::Launcher, 0, 3, nullptr, "Step check: “Range” has not settled at this step" },
        NoticeCase {
            PresetList::Launcher, 0, 2, nullptr, "„Reichweite“ hat sich bei diesem Schritt nicht eingependelt" },
        NoticeCase { PresetList::Landekapsel, 5, 3, nullptr,
            "Step check: “Speed at the end” has an estimated error of 1.07 %; the step is 10.7 times too coarse for "
            "0.1 %." },
        NoticeCase { PresetList::Projectil, 0, 1, nullptr, nullptr },
        NoticeCase { PresetList::Projectil, 0, 3, "0.000001", "so its step was not checked. Check it: click here" }));

// On every preset's default graph in every language, with the events marked
// and a run kept: no event label covers another text, and the read-out,
// wherever the mouse stands, stays in the picture and covers no text.
class EveryDefaultGraph : public ::testing::TestWithParam<int> { };

TEST_P(EveryDefaultGraph, LabelsAndTheReadOutCoverNoText)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QLabel area;
    area.resize(800, 600);
    torv::GraphReadout readout(&area);
    int labels = 0;
    for (int number = 1; number <= torv::presetCount(); ++number) {
        torv::resetState();
        const auto ref = torv::presetNumber(number);
        torv::choosePreset(ref->list, ref->index);
        torv::st.Sprache = GetParam();
        torv::activate('.');
        torv::fpClear();
        torv::Flugbahn();
        const std::vector<double> kept(torv::st.Ergebnis.begin(), torv::st.Ergebnis.end());
        torv::GraphExtras extras;
        extras.events = true;
        extras.kept.push_back({ kept.data(), static_cast<int>(kept.size()), "Q0 = 30, dt0 = 0.0025" });
        extras.currentLabel = "current run (Q0 = 45)";
        const torv::DrawnGraph g = torv::Grafik(
            torv::st.Ergebnis.data(), torv::st.GraphCodes.data(), torv::st.NPunkte, torv::st.GraphCount, extras);
        for (const QRect& label : g.labels) {
            ++labels;
            EXPECT_TRUE(QRect(0, 0, 800, 600).contains(label)) << "preset " << number;
            for (const QRect& text : g.texts)
                EXPECT_TRUE(text == label || !text.intersects(label)) << "preset " << number << " at " << label.x();
        }
        readout.setGraph(g, '.');
        for (int x = 10; x < 800; x += 60)
            for (int y = 30; y < 600; y += 110) {
                readout.pointAt(QPoint(x, y));
                if (readout.sample() < 0)
                    continue;
                const QRect panel = readout.panel();
                ASSERT_FALSE(panel.isNull()) << "preset " << number << " at " << x << "," << y;
                EXPECT_TRUE(QRect(0, 0, 800, 600).contains(panel));
                for (const QRect& text : g.texts)
                    EXPECT_FALSE(panel.intersects(text)) << "preset " << number << " at " << x << "," << y
                                                         << " over a text at " << text.x() << "," << text.y();
            }
    }
    EXPECT_GT(labels, 34);
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, EveryDefaultGraph, ::testing::Values(1, 2, 3));
