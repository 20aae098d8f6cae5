#include <gtest/gtest.h>

#include <QApplication>

#include "GuiTestEnvironment.h"

// Runs the widget tests inside one QApplication, with HOME and the XDG
// folders in a temporary directory; without a display the offscreen
// platform is used.
int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
