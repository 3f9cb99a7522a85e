#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <QDialog>
#include <QFile>
#include <QTableWidget>
#include <QTimer>

#include <array>
#include <functional>

#include "sim/summary.h"
#include "test_calc.h"

using torv::PresetList;

// The graph area's menu offers what the state can back: the picture once one
// is shown, the data and the step check only while the state holds a whole
// run, the check only while the fields still hold that run's inputs or once
// it was made (a short run is checked at once).
TEST_F(CalcForm, GraphMenuOffersWhatTheStateHolds)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    openWith(PresetList::Projectil, 0, 3);
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
    QDir::setCurrent(previous);
}

namespace {

// Runs `open` from `work`, and the first modal dialog it brings up hands its
// table's row count and its texts to the caller, then closes.
struct TableSeen {
    int rows = -1;
    QString texts;
};

TableSeen tableOpenedBy(const std::function<void()>& open)
{
    TableSeen seen;
    QTimer look;
    look.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, [&seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto* table = dialog->findChild<QTableWidget*>())
            seen.rows = table->rowCount();
        for (const QLabel* l : dialog->findChildren<QLabel*>())
            seen.texts += l->text() + u'\n';
        dialog->accept();
    });
    look.start(0);
    open();
    return seen;
}

} // namespace

struct NoticeCase {
    PresetList list;
    int index;
    int sprache;
    const char* shows; // a part of the notice; nullptr: no notice
};

class ConvergenceNotice : public CalcForm, public ::testing::WithParamInterface<NoticeCase> { };

// After a short run the step is checked at once. A change beyond 1 % is told
// below the picture, in the form's language, over no control; the run's file
// and graph stay as the run left them; a click or Ctrl+T opens the table.
TEST_P(ConvergenceNotice, TellsWhatChangesMostBelowThePicture)
{
    const NoticeCase& c = GetParam();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    openWith(c.list, c.index, c.sprache);
    form2->Button1->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const QImage drawn = form2->Image1->pixmap().toImage();
    QFile file(QStringLiteral("Torv_500.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray sampleFile = file.readAll();

    EXPECT_EQ(!form2->Notice->isHidden(), c.shows != nullptr);
    if (c.shows) {
        EXPECT_TRUE(form2->Notice->text().contains(QString::fromUtf8(c.shows))) << form2->Notice->text().toStdString();
        const QRect strip(276, 216 + 600, 941, 641 - 600);
        EXPECT_TRUE(strip.contains(form2->Notice->geometry()));
        for (const QWidget* w : form2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w != form2->Notice && w != form2->Image1 && w->isVisible()) {
                EXPECT_FALSE(w->geometry().intersects(form2->Notice->geometry())) << w->objectName().toStdString();
            }
        }

        const TableSeen keyed
            = tableOpenedBy([&] { QTest::keyClick(form2->EdCx, Qt::Key_T, Qt::ControlModifier); });
        EXPECT_EQ(keyed.rows, static_cast<int>(torv::summaryQuantities().size()));
        const TableSeen clicked = tableOpenedBy([&] { QTest::mouseClick(form2->Notice, Qt::LeftButton); });
        EXPECT_EQ(clicked.texts, keyed.texts);
    }
    form2->Button9->click();
    form2->Button10->click();
    EXPECT_EQ(form2->Image1->pixmap().toImage(), drawn);
    file.seek(0);
    EXPECT_EQ(file.readAll(), sampleFile);
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(Presets, ConvergenceNotice,
    ::testing::Values(NoticeCase { PresetList::Launcher, 0, 3, "Step check: “Greatest altitude” changes by 6.27 %" },
        NoticeCase { PresetList::Launcher, 0, 2, "„Größte Höhe“ ändert sich" },
        NoticeCase { PresetList::Projectil, 0, 1, nullptr }));

// A long run is not checked by itself: the notice offers the check until an
// input changes.
TEST_F(CalcForm, LongRunOnlyOffersTheCheck)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    openWith(PresetList::Projectil, 0, 3);
    form2->eddt0->setText(QStringLiteral("0.000001"));
    form2->Button1->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_TRUE(form2->Notice->text().startsWith(QStringLiteral("The run took "))) << form2->Notice->text().toStdString();
    EXPECT_TRUE(form2->Notice->text().contains(QStringLiteral("so its step was not checked. Check it: click here")));
    EXPECT_FALSE(form2->Notice->isHidden());
    form2->eddt0->setText(QStringLiteral("0.01"));
    EXPECT_TRUE(form2->Notice->isHidden());
    QDir::setCurrent(previous);
}
