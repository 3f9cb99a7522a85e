// One application object for every widget test; the offscreen platform
// lets them run without a display.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "ui/guard.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // What the program remembers goes to a folder of the test's own, never
    // into the user's settings.
    const QTemporaryDir settings;
    for (QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat })
        QSettings::setPath(format, QSettings::UserScope, settings.path());
    torv::GuardedApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Torv"));
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
