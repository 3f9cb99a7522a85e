#include <optional>

#include "app/commandline.h"
#include "app/forms.h"
#include "app/sprache.h"
#include "ui/guard.h"
#include "ui/haupt.h"

int main(int argc, char** argv)
{
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

    TForm1 Form1;
    TForm2 Form2;
    connectForms(Form1, Form2);
    Form1.show();
    return app.exec();
}
