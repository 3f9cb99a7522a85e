#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <array>

#include "test_calc.h"

using torv::PresetList;

// The graph area's menu offers what the state can back: the picture once one
// is shown, the data and the step check only while the state holds a whole
// run, the check only while the fields still hold that run's inputs.
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
    EXPECT_EQ(offered(), (Offer { true, true, true, false }));
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
    EXPECT_EQ(offered(), (Offer { true, true, true, false }));
    form2->eddt0->setText(QStringLiteral("0"));
    form2->Button1->click();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(offered(), (Offer { true, true, false, false }));
    form2->Button5->click();
    EXPECT_EQ(offered(), (Offer { false, false, false, false }));
    QDir::setCurrent(previous);
}
