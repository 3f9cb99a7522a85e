#include "ui/guard.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>

#include "fault/faults.h"
#include "model/languages.h"
#include "ui/texts.h"

namespace torv {

namespace {

ErrorSink errorSink;
ErrorSink infoSink;

// A word wider than the box (a pasted page, a long path) would run past its
// edge and lose its end, an echo's closing quote with it: such a word gets a
// break opportunity, a zero-width space, every few characters. Words of
// ordinary length are left as they are.
QString breakable(const QString& text)
{
    constexpr int kLongestWord = 40;
    constexpr int kPiece = 20;
    QString out;
    out.reserve(text.size() + text.size() / kPiece);
    int word = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isSpace()) {
            word = 0;
        } else if (!c.isLowSurrogate()) {
            if (word == 0) {
                // Where a long word starts, count it to its end.
                qsizetype end = i;
                while (end < text.size() && !text[end].isSpace())
                    ++end;
                word = end - i > kLongestWord ? 1 : -1;
            } else if (word > 0 && word++ % kPiece == 0) {
                out += QChar(0x200B);
            }
        }
        out += c;
    }
    return out;
}

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(
        icon, QApplication::applicationName(), breakable(text), QMessageBox::Ok, QApplication::activeWindow());
    // A message may repeat what the user typed: never read as markup (an
    // image tag would open whatever file it names).
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Whatever the box's own painting did to the flags is not ours.
    fpClear();
}

// The system's reasons the window words itself.
constexpr std::pair<int, Text> kSystemReasons[] = {
    { ENOSPC, Text::ReasonNoSpace },
    { EDQUOT, Text::ReasonQuota },
    { EACCES, Text::ReasonDenied },
    { EPERM, Text::ReasonNotPermitted },
    { EROFS, Text::ReasonReadOnly },
    { EFBIG, Text::ReasonTooLarge },
    { EIO, Text::ReasonDevice },
    { ENOENT, Text::ReasonMissing },
    { ENOTDIR, Text::ReasonNotFolder },
    { EISDIR, Text::ReasonIsFolder },
    { ENAMETOOLONG, Text::ReasonNameTooLong },
};

// The reasons the file writer gives, found by their English text.
constexpr Text kOwnReasons[] = { Text::ReasonSticky, Text::ReasonLink, Text::ReasonHardLinks, Text::ReasonNotRegular };

// What a file error's subject says was done to the file.
constexpr std::pair<std::string_view, Text> kSubjects[] = {
    { "cannot write ", Text::FileWriteFailed },
    { "cannot read ", Text::FileReadFailed },
    { "cannot create directory ", Text::FileFolderFailed },
};

} // namespace

QString reasonOf(const IoError& error)
{
    const std::string reason = error.reason();
    const char* system = strerrordesc_np(error.code());
    if (system && reason == system) {
        for (const auto& [code, words] : kSystemReasons)
            if (code == error.code())
                return text(words);
    } else {
        for (Text words : kOwnReasons)
            if (text(words, kEnglish) == QString::fromStdString(reason))
                return text(words);
    }
    return QString::fromStdString(reason);
}

QString fileErrorLine(const IoError& error)
{
    // The subject is what detail() holds before ": reason (I/O error N)".
    const std::string detail = error.detail();
    const size_t tail = error.reason().size() + std::strlen(error.what()) + 5;
    if (detail.size() <= tail)
        return {};
    const std::string subject = detail.substr(0, detail.size() - tail);
    for (const auto& [verb, words] : kSubjects) {
        if (subject.starts_with(verb)) {
            const QString path = QFileInfo(QString::fromStdString(subject.substr(verb.size()))).absoluteFilePath();
            return text(words).arg(QDir::toNativeSeparators(path), reasonOf(error));
        }
    }
    return {};
}

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

void showErrorBox(const QString& message, const QString& more)
{
    const QString caption = QApplication::applicationName();
    QString text = message + QLatin1Char('.');
    if (!more.isEmpty())
        text += QLatin1Char('\n') + more + QLatin1Char('.');
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
    } catch (const IoError& e) {
        showErrorBox(messageOf(e), fileErrorLine(e));
    } catch (const std::exception& e) {
        showErrorBox(messageOf(e));
    } catch (...) {
        showErrorBox(QStringLiteral("Unknown error"));
    }
}

namespace {

// What ends the program when an error escaped every handler: its message,
// then abort(), which leaves a core dump of the place it came from.
[[noreturn]] void endOnEscapedError()
{
    std::string what = "unknown error";
    try {
        if (const std::exception_ptr error = std::current_exception())
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "torv: internal error, the program ends: %s\n", what.c_str());
    std::abort();
}

} // namespace

GuardedApplication::GuardedApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    std::set_terminate(endOnEscapedError);
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) noexcept
{
    return QApplication::notify(receiver, event);
}

} // namespace torv
