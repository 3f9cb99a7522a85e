// The one place where the errors of every handler of both forms end: the
// standard error box (error icon, one OK button, the application's title as
// caption, the message and a full stop). No exception crosses Qt's event loop.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace torv {

class IoError;

// Shows the error box for `message` (without its full stop), and `more`
// on a line of its own (also without its full stop) where given.
void showErrorBox(const QString& message, const QString& more = {});

// Shows an information box for `message` (a user's Cancel, say): the
// information icon, one OK button, the application's title as caption.
void showInfoBox(const QString& message);

// Tests replace the boxes with sinks that record (caption, text); nullptr
// puts the real box back.
using ErrorSink = std::function<void(const QString& caption, const QString& text)>;
void setErrorSink(ErrorSink sink);
void setInfoSink(ErrorSink sink);

// The message of `error` as the window shows it: the specified messages as
// specified, the program's own in the form's language.
QString messageOf(const std::exception& error);
QString messageOf(std::exception_ptr error);

// Why a file could not be written or read, in the form's language (the C
// library's English description where the window has no words of its own).
QString reasonOf(const IoError& error);
// A file error's line below "I/O error N": the file, as an absolute path,
// and why; empty for an error that names no file.
QString fileErrorLine(const IoError& error);

// Reports the exception currently being handled; a file error's box names
// the file and the reason on a second line.
void reportCurrentException();

// Clears the floating-point flags (a handler starts afresh).
void fpClearFlags();

// Runs a handler body: floating-point flags cleared first, any error
// reported in the box, nothing rethrown.
template <typename F> void guarded(F&& body)
{
    try {
        fpClearFlags();
        std::forward<F>(body)();
    } catch (...) {
        reportCurrentException();
    }
}

// The application object. Every handler runs its body through `guarded`;
// this is the last line of defence for an error from any other event
// handler, so that no exception ever unwinds through Qt's event loop.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace torv
