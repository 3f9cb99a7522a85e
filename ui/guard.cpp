#include "ui/guard.h"

#include <QApplication>
#include <QMessageBox>

#include "physics/faults.h"

namespace torv {

namespace {
ErrorSink errorSink;
}

void fpClearFlags()
{
    fpClear();
}

void setErrorSink(ErrorSink sink)
{
    errorSink = std::move(sink);
}

void showErrorBox(const QString& message)
{
    const QString caption = QApplication::applicationName();
    const QString text = message + QLatin1Char('.');
    if (errorSink) {
        errorSink(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    // A message may repeat what the user typed: never read as markup (an
    // image tag would open whatever file it names).
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Whatever the box's own painting did to the flags is not ours.
    fpClear();
}

void reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
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
