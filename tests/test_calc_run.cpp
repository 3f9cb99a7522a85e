// A long run under START: the progress dialog, Cancel, and the form after it.
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "test_calc.h"

class LongRun : public CalcForm, public ::testing::WithParamInterface<int> { };

TEST_P(LongRun, DialogAfterAMomentCancelKeepsTheOldFileAndTheForm)
{
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    auto contents = [] {
        QFile f(QStringLiteral("Torv_500.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    openWith(torv::PresetList::Projectil, 0, GetParam());
    form2->Button1->click();
    const QByteArray old = contents();
    form2->eddt0->setText(QStringLiteral("1.5e-7"));

    // Cancel once the (modal) dialog has shown the run moving on.
    QElapsedTimer clock;
    qint64 shownAt = -1;
    QStringList labels;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            shownAt = shownAt < 0 ? clock.elapsed() : shownAt;
            labels << dialog->labelText();
            if (labels.last() != labels.first())
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    poll.start(10);
    clock.start();
    form2->Button1->click();

    EXPECT_TRUE(shownAt >= 300 && shownAt < 2000) << shownAt << " ms";
    ASSERT_EQ(errors.size(), 1);
    const bool english = GetParam() == 3;
    EXPECT_EQ(errors.first() == QStringLiteral("The run was cancelled."), english) << errors.first().toStdString();
    EXPECT_EQ(labels.value(0).startsWith(QStringLiteral("Pass 1 of 2\nSimulated time: ")), english);
    EXPECT_EQ(contents(), old);
    EXPECT_EQ(form2->eddt0->text(), QStringLiteral("1.5e-7")) << "the form was laid out again";
    form2->eddt0->setText(QStringLiteral("0.01"));
    form2->Button1->click();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_NE(contents(), old);
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(Languages, LongRun, ::testing::Values(1, 2, 3));
