#include <QGuiApplication>

#include <gtest/gtest.h>

#include "SanitizerDefaults.h"

// Engine and model tests: a GUI application on the offscreen platform, so
// images and colours work without a display.
int main(int argc, char** argv)
{
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
