#include "app/commandline.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "version.h"

namespace torv {

namespace {

const char* const kUsage = "Usage: torv [FILE.toml]\n"
                           "       torv --version | --help\n"
                           "\n"
                           "Torv computes the flight of a point-mass vehicle in a vertical plane through the\n"
                           "standard atmosphere and draws graphs of it. It opens its start form: choose the\n"
                           "language, the class of vehicle and a preset scenario, then START. Every run\n"
                           "writes Torv_500.txt into the working directory. F1 in the program opens its help.\n"
                           "With a scenario file, the calculation form shows it.\n"
                           "\n"
                           "  --version  print the version and exit\n"
                           "  --help     print this text and exit\n"
                           "\n"
                           "Torv needs a display (X11 through DISPLAY, or a Qt platform chosen with\n"
                           "QT_QPA_PLATFORM). torv-batch runs presets without one.\n"
                           "\n"
                           "Exit status: 0 when the program ends, 1 when no window can be opened,\n"
                           "2 for an unexpected argument.\n";

// The options QGuiApplication and QApplication take out of the arguments.
constexpr std::initializer_list<const char*> kQtOptionsWithValue = { "platform", "platformpluginpath", "platformtheme",
    "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle", "qmljsdebugger", "session", "display", "geometry",
    "title", "name", "style", "stylesheet", "visual", "ncols", "cmap", "fontengine", "dialogs" };
constexpr std::initializer_list<const char*> kQtFlags
    = { "reverse", "widgetcount", "testability", "nograb", "dograb", "sync" };

struct Held {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previous = nullptr;
QList<Held>* held = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY");
        std::fprintf(stderr, "torv: cannot open a window: no display could be reached (%s)\n",
            display.isEmpty() ? "DISPLAY is not set" : ("DISPLAY=" + display).constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    held->append({ type, QByteArray(context.category), text });
}

} // namespace

int answerWithoutWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("torv %s\n", TORV_VERSION_TEXT);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    // The arguments are checked before a display is needed: Qt's own
    // options (one dash or two) with their values, and one scenario file.
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' && !file) {
            file = arg;
            continue;
        }
        const std::string_view option = arg[0] == '-' ? arg + (arg[1] == '-' ? 2 : 1) : "";
        const std::string_view name = option.substr(0, option.find('='));
        const auto among = [name](std::initializer_list<const char*> names) {
            return std::any_of(names.begin(), names.end(), [name](const char* n) { return name == n; });
        };
        if (among(kQtOptionsWithValue) && name.size() < option.size())
            continue; // -style=fusion
        if (among(kQtOptionsWithValue) && i + 1 < argc) {
            ++i;
            continue;
        }
        if (!name.empty() && among(kQtFlags))
            continue;
        std::fprintf(stderr, "torv: unexpected argument '%s' (torv --help)\n", arg);
        return 2;
    }
    return -1;
}

DisplayCheck::DisplayCheck()
{
    held = new QList<Held>;
    previous = qInstallMessageHandler(handler);
}

DisplayCheck::~DisplayCheck()
{
    qInstallMessageHandler(previous);
    for (const Held& h : *held)
        qt_message_output(h.type, QMessageLogContext(nullptr, 0, nullptr, h.category.constData()), h.text);
    delete held;
    held = nullptr;
}

} // namespace torv
