// A long run under START: the progress dialog, Cancel, and the form after it.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "test_calc.h"

using torv::PresetList;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class LongRun : public CalcForm, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        CalcForm::SetUp();
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(work.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        CalcForm::TearDown();
    }
    QTemporaryDir work;
    QString previous;
};

TEST_P(LongRun, DialogAfterAMomentCancelKeepsTheOldFileAndTheForm)
{
    const int sprache = GetParam();
    const bool english = sprache == 3;
    openWith(PresetList::Projectil, 0, sprache);
    form2->Button1->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const QString sample = work.filePath(QStringLiteral("Torv_500.txt"));
    const QByteArray old = contents(sample);
    ASSERT_FALSE(old.isEmpty());

    const QString step = QStringLiteral("1.5e-7");
    form2->eddt0->setText(step);
    QElapsedTimer clock;
    qint64 shownAt = -1, cancelledAt = -1;
    QStringList labels;
    QString cancelText;
    bool modal = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (shownAt < 0) {
            shownAt = clock.elapsed();
            modal = dialog->windowModality() == Qt::ApplicationModal;
        }
        if (labels.isEmpty() || labels.last() != dialog->labelText())
            labels << dialog->labelText();
        // Cancel once the dialog has shown the run going on.
        if (labels.size() < 2)
            return;
        auto* cancel = dialog->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancelText = cancel->text();
        cancelledAt = clock.elapsed();
        QTest::mouseClick(cancel, Qt::LeftButton);
        poll.stop();
    });
    poll.start();
    clock.start();
    form2->Button1->click();
    const qint64 returnedAt = clock.elapsed();
    poll.stop();

    ASSERT_GE(cancelledAt, 0) << "no dialog seen";
    std::printf("language %d: dialog after %lld ms, form back %lld ms after Cancel\n", sprache,
        static_cast<long long>(shownAt), static_cast<long long>(returnedAt - cancelledAt));
    EXPECT_GE(shownAt, 300);
    EXPECT_LT(shownAt, 2000);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(labels.first().contains(QStringLiteral("1")) && labels.first().contains(QStringLiteral("100.00")))
        << labels.first().toStdString();
    ASSERT_EQ(errors.size(), 1);
    const QString englishMessage = QStringLiteral("The run was cancelled.");
    EXPECT_EQ(errors.first() == englishMessage, english) << errors.first().toStdString();
    EXPECT_EQ(labels.first().startsWith(QStringLiteral("Pass 1 of 2\n")), english);
    EXPECT_EQ(cancelText == QStringLiteral("Cancel"), english);

    // The old file, nothing beside it, and a form that works as before.
    EXPECT_EQ(contents(sample), old);
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("Torv_500.txt") });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form2->eddt0->text(), step) << "the form was laid out again";
    form2->eddt0->setText(QStringLiteral("0.01"));
    form2->Button1->click();
    EXPECT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_NE(contents(sample), old);
}

INSTANTIATE_TEST_SUITE_P(Languages, LongRun, ::testing::Values(1, 2, 3));
