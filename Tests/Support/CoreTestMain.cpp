#include <QGuiApplication>

#include <gtest/gtest.h>

#include "SanitizerDefaults.h"
#include "TestSupport.h"

// Engine and model tests: a GUI application on the offscreen platform, so
// images and colours work without a display.
int main(int argc, char** argv)
{
    // Before anything reads the home: no test writes where the user keeps
    // their own settings and data.
    const ProgramScratchHome home;
    if (!home.ready()) {
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("TWINSWEEP_RESOURCE_DIR")) {
        qputenv("TWINSWEEP_RESOURCE_DIR", TWINSWEEP_TEST_RESOURCE_DIR);
    }
    passSanitizerSettingsToChildren();
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
