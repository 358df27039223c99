#include <QApplication>

#include <gtest/gtest.h>

#include "SanitizerDefaults.h"

// Widget tests: real widgets on the offscreen platform.
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
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
