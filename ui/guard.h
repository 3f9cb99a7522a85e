// The one place where the errors of every handler of both forms end: the
// standard error box (error icon, one OK button, the application's title as
// caption, the message and a full stop). No exception crosses Qt's event loop.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>
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

// Runs a body Qt calls (a slot, an event filter, a paint, a focus change)
// so that its error is reported in the box and goes no further: nothing
// unwinds through Qt's frames, which do not support it. The floating-point
// flags, which may belong to a run in progress, are left alone. Returns what
// the body returns, or a value-initialised result after an error.
template <typename F> auto caught(F&& body) -> std::invoke_result_t<F>
{
    try {
        return std::forward<F>(body)();
    } catch (...) {
        reportCurrentException();
    }
    if constexpr (!std::is_void_v<std::invoke_result_t<F>>)
        return {};
}

// Runs a handler body: floating-point flags cleared first, any error
// reported in the box, nothing rethrown.
template <typename F> void guarded(F&& body)
{
    caught([&] {
        fpClearFlags();
        std::forward<F>(body)();
    });
}

// The application object. Every handler catches its errors where Qt calls
// it (`guarded`, `caught`). An error that escapes one regardless is a fault
// of the program: it stops at `notify`, which lets nothing through, and the
// program ends with its message on standard error instead of running on in
// an event loop the error has left in an unknown state.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) noexcept override;
};

} // namespace torv
