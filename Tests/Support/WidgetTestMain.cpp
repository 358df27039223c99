#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include "SanitizerDefaults.h"
#include "TestSupport.h"

namespace {

// The offscreen platform's screen is 800 × 600 unless told otherwise, smaller
// than the program's scan window: a window kept inside its screen could not
// be centred at all. The tests get a screen of a common desktop's size.
bool useDesktopSizedOffscreenScreen(QTemporaryFile& config)
{
    config.setFileTemplate(QDir::tempPath() + QStringLiteral("/twinsweep-offscreen-XXXXXX.json"));
    if (!config.open()) {
        return false;
    }
    config.write(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,
                   "logicalDpi": 96, "logicalBaseDpi": 96}]})");
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    return true;
}

}  // namespace

// Widget tests: real widgets on the offscreen platform.
int main(int argc, char** argv)
{
    // Before anything reads the home: no test writes where the user keeps
    // their own settings and data.
    const ProgramScratchHome home;
    if (!home.ready()) {
        return 1;
    }
    QTemporaryFile screenConfig;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !useDesktopSizedOffscreenScreen(screenConfig)) {
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
