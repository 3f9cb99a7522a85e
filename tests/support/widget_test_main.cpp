// One application object for every widget test; the offscreen platform
// lets them run without a display.
#include <gtest/gtest.h>

#include "ui/guard.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    torv::GuardedApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Torv"));
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
