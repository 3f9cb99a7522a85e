#include <QTimer>

#include <cstdio>
#include <optional>

#include "app/commandline.h"
#include "app/forms.h"
#include "app/sprache.h"
#include "ui/guard.h"
#include "ui/haupt.h"
#include "ui/scenariofiles.h"

int main(int argc, char** argv)
{
    // What needs no window is answered before the application looks for a
    // display.
    if (const int status = torv::answerWithoutWindow(argc, argv); status >= 0)
        return status;

    std::optional<torv::DisplayCheck> displayCheck(std::in_place);
    torv::GuardedApplication app(argc, argv);
    displayCheck.reset();
    // Also where QSettings keeps what the program remembers.
    app.setOrganizationName(QStringLiteral("Torv"));
    app.setApplicationName(QStringLiteral("Torv"));
    // The start form alone decides when the program ends (its closeEvent
    // quits), not the last window to close.
    app.setQuitOnLastWindowClosed(false);

    // Qt has taken its own options out of argv by now.
    const char* scenario = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' || scenario) {
            std::fprintf(stderr, "torv: unexpected argument '%s' (torv --help)\n", argv[i]);
            return 2;
        }
        scenario = argv[i];
    }

    TForm1 Form1;
    TForm2 Form2;
    connectForms(Form1, Form2);
    Form1.show();
    if (scenario) {
        const QString path = QString::fromLocal8Bit(scenario);
        QTimer::singleShot(0, &Form1, [path] { torv::caught([&] { torv::ScenarioFiles::instance().open(path); }); });
    }
    return app.exec();
}
