#include "ui/guard.h"

#include <QApplication>
#include <QMessageBox>

#include "fault/faults.h"
#include "ui/texts.h"

namespace torv {

namespace {

ErrorSink errorSink;
ErrorSink infoSink;

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok, QApplication::activeWindow());
    // A message may repeat what the user typed: never read as markup (an
    // image tag would open whatever file it names).
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Whatever the box's own painting did to the flags is not ours.
    fpClear();
}

} // namespace

void fpClearFlags()
{
    fpClear();
}

void setErrorSink(ErrorSink sink)
{
    errorSink = std::move(sink);
}

void setInfoSink(ErrorSink sink)
{
    infoSink = std::move(sink);
}

void showErrorBox(const QString& message)
{
    const QString caption = QApplication::applicationName();
    const QString text = message + QLatin1Char('.');
    if (errorSink) {
        errorSink(caption, text);
        return;
    }
    showBox(QMessageBox::Critical, text);
}

void showInfoBox(const QString& message)
{
    if (infoSink) {
        infoSink(QApplication::applicationName(), message);
        return;
    }
    showBox(QMessageBox::Information, message);
}

QString messageOf(const std::exception& error)
{
    if (const auto* refused = dynamic_cast<const StepRefused*>(&error))
        return text(refused->why() == StepRefused::Why::NotPositive ? Text::RunNonPositiveStep : Text::RunTooManySteps);
    if (dynamic_cast<const RunCancelled*>(&error))
        return text(Text::RunCancelled);
    return QString::fromUtf8(error.what());
}

QString messageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return messageOf(e);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        showErrorBox(messageOf(e));
    } catch (...) {
        showErrorBox(QStringLiteral("Unknown error"));
    }
}

GuardedApplication::GuardedApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return true;
    }
}

} // namespace torv
