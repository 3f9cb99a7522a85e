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
#include <QTimer>

#include <array>
#include <functional>

#include "test_calc.h"

using torv::PresetList;

// The graph area's menu offers what the state can back: the picture once one
// is shown, the data and the step check only while the state holds a whole
// run, the check once made or while the fields still hold the run's inputs.
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

// A short run is checked at once: a change beyond 1 % is told below the
// picture, in the form's language, over no control; Ctrl+T or a click shows
// the table. A long run's notice only offers the check.
TEST_P(ConvergenceNotice, TellsWhatChangesMostBelowThePicture)
{
    const NoticeCase& c = GetParam();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
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
        NoticeCase { PresetList::Launcher, 0, 3, nullptr, "Step check: “Greatest altitude” changes by 6.27 %" },
        NoticeCase { PresetList::Launcher, 0, 2, nullptr, "„Größte Höhe“ ändert sich" },
        NoticeCase { PresetList::Projectil, 0, 1, nullptr, nullptr },
        NoticeCase { PresetList::Projectil, 0, 3, "0.000001", "so its step was not checked. Check it: click here" }));
