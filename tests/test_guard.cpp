// The error box: every handler's error ends there with the application's
// name as caption and a full stop after the message, and nothing escapes
// into Qt's event loop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cfenv>
#include <functional>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "fault/faults.h"
#include "files/atomicfile.h"
#include "model/state.h"
#include "ui/guard.h"

namespace {

struct Shown {
    QString caption;
    QString text;
};

class ErrorBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        torv::setErrorSink([this](const QString& caption, const QString& text) { shown.push_back({ caption, text }); });
    }
    void TearDown() override { torv::setErrorSink(nullptr); }

    std::vector<Shown> shown;
};

volatile double zero = 0.0;
volatile double huge = 1e308;

struct Fault {
    const char* name;
    std::function<void()> body;
    const char* text;
};

const Fault kFaults[] = {
    { "division by zero",
        [] {
            double r = 1.0 / zero;
            torv::fpCheck(r);
        },
        "Floating point division by zero." },
    { "invalid operation",
        [] {
            double r = zero / zero;
            torv::fpCheck(r);
        },
        "Invalid floating point operation." },
    { "overflow",
        [] {
            double r = huge * 10.0;
            torv::fpCheck(r);
        },
        "Floating point overflow." },
    { "file error", [] { throw torv::IoError(13); }, "I/O error 13." },
    { "bad field", [] { throw torv::ConvertError("1,2,3"); }, "'1,2,3' is not a valid floating point value." },
    { "other library error", [] { throw std::out_of_range("index out of range"); }, "index out of range." },
    { "not an exception class", [] { throw 42; }, "Unknown error." },
};

TEST_F(ErrorBox, EachFaultShowsItsMessageWithAFullStopUnderTheApplicationName)
{
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.name);
        shown.clear();
        EXPECT_NO_THROW(torv::guarded(f.body));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, QStringLiteral("Torv"));
        EXPECT_EQ(shown[0].text, QString::fromUtf8(f.text));
    }
}

// A file error keeps its specified first line; below it the file and why,
// in the form's language, also where the writer words the reason itself.
TEST_F(ErrorBox, AFileErrorNamesTheFileAndTheReasonInTheFormsLanguage)
{
    const std::string absent = QDir::current().absoluteFilePath(QStringLiteral("gone/f.png")).toStdString();
    const std::tuple<int, std::function<void()>, std::string> kCases[] = {
        { 3, [] { throw torv::IoError(ENOSPC, "cannot write /x/Torv_500.txt"); },
            "I/O error 28.\nCannot write /x/Torv_500.txt: no space left on the disk." },
        { 2, [] { torv::writeFileAtomically("gone/f.png", "x"); },
            "I/O error 2.\n" + absent + " kann nicht geschrieben werden: Datei oder Ordner nicht vorhanden." },
        { 2, [] { torv::writeFileAtomically("/dev/null", "x"); },
            "I/O error 22.\n/dev/null kann nicht geschrieben werden: es ist keine gewöhnliche Datei." },
    };
    for (const auto& [sprache, body, text] : kCases) {
        shown.clear();
        torv::st.Sprache = sprache;
        torv::guarded(body);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text.toStdString(), text);
    }
    torv::st.Sprache = 3;
}

TEST_F(ErrorBox, WorkBeforeTheErrorStaysDoneAndNothingAfterItRuns)
{
    int before = 0, after = 0;
    torv::guarded([&] {
        before = 1;
        double r = zero / zero;
        torv::fpCheck(r);
        after = 1;
    });
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);
    ASSERT_EQ(shown.size(), 1u);
}

TEST_F(ErrorBox, AHandlerStartsWithCleanFlagsAndLeavesNoneBehind)
{
    std::feraiseexcept(FE_DIVBYZERO | FE_OVERFLOW);
    torv::guarded([] { torv::fpCheck(); });
    EXPECT_TRUE(shown.empty());

    torv::guarded([] {
        double r = 1.0 / zero;
        torv::fpCheck(r);
    });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(torv::fpPending(), 0);
}

// A receiver whose event handler is not guarded at all.
class Thrower : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw torv::IoError(28);
        return QObject::event(e);
    }
};

// An error that escapes a handler is a fault of the program: it does not
// unwind into the event loop, nor into a catch beyond it; the program ends
// with its message.
class EscapedError : public ::testing::TestWithParam<std::pair<const char*, void (*)()>> { };

TEST_P(EscapedError, EndsTheProgramWithItsMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(torv::guarded(GetParam().second), "torv: internal error, the program ends: I/O error 28");
}

INSTANTIATE_TEST_SUITE_P(Handlers, EscapedError,
    ::testing::Values(std::pair<const char*, void (*)()> { "SentEvent",
                          [] {
                              Thrower t;
                              QEvent direct(QEvent::User);
                              QCoreApplication::sendEvent(&t, &direct);
                          } },
        std::pair<const char*, void (*)()> { "PostedEvent",
            [] {
                Thrower t;
                QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
                QCoreApplication::processEvents();
            } },
        std::pair<const char*, void (*)()> { "ButtonSlot",
            [] {
                QPushButton button(QStringLiteral("go"));
                QObject::connect(&button, &QPushButton::clicked, [] { throw torv::IoError(28); });
                button.show();
                QTest::mouseClick(&button, Qt::LeftButton);
            } }),
    [](const auto& info) { return std::string(info.param.first); });

// A slot caught where Qt calls it reports in the box, and the loop goes on.
TEST_F(ErrorBox, ACaughtSlotOfAClickedButtonReportsAndTheLoopGoesOn)
{
    QPushButton button(QStringLiteral("go"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        torv::caught([&] {
            if (++clicks == 1)
                throw torv::FloatError("Floating point overflow");
        });
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Floating point overflow."));
}

// What the real box showed for the error `body` throws.
struct SeenBox {
    bool found = false;
    QString title, text;
    Qt::TextFormat format = Qt::RichText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = -1;
    bool fits = false; // the text's longest unbreakable piece is within the box
};

SeenBox realBox(const std::function<void()>& body)
{
    torv::setErrorSink(nullptr);
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            seen.found = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.format = box->textFormat();
            seen.icon = box->icon();
            seen.buttons = int(box->buttons().size());
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            seen.fits = label && label->width() >= label->minimumSizeHint().width();
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        }
    });
    // Should the box not be found, it must not hang the run.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->reject();
    });
    rescue.start(3000);
    torv::guarded(body);
    rescue.stop();
    // The breaks the box may add to a long word are not part of the text.
    seen.text.remove(QChar(0x200B));
    return seen;
}

// Pasted markup is shown as typed, and only its first 80 characters.
TEST(ErrorBoxWindow, IsACriticalBoxWithOneOkButtonAndPlainText)
{
    const std::string markup = "<b>bold</b> <font size=7 color=red>BIG</font>";
    const SeenBox box = realBox([&] { throw torv::ConvertError(markup + std::string(50, 'x')); });
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.title, QStringLiteral("Torv"));
    EXPECT_EQ(box.text.toStdString(),
        "'" + markup + std::string(80 - markup.size(), 'x') + "\u2026' is not a valid floating point value.");
    EXPECT_EQ(box.format, Qt::PlainText);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, 1);
}

// An echo wider than the box wraps: its end and closing quote stay in view.
TEST(ErrorBoxWindow, AnEchoWiderThanTheBoxKeepsItsClosingQuoteInView)
{
    const SeenBox box = realBox([] { throw torv::ConvertError(std::string(200, 'W')); });
    ASSERT_TRUE(box.found);
    EXPECT_TRUE(box.fits);
    EXPECT_EQ(box.text.toStdString(), "'" + std::string(80, 'W') + "\u2026' is not a valid floating point value.");
}

} // namespace
