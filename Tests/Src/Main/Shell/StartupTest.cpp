#include "ShellFixture.h"

#include "CrashReporter/BugsplatStartupManager.h"
#include "DaemonManager.h"
#include "LeftBehindCalls.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Main/AppDelegate.h"
#include "Main/AppTermination.h"
#include "Main/MainMenu.h"
#include "Main/MainWindow.h"
#include "Main/UpdateManager.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "Refreshkit/RYTUpdateManager.h"
#include "RYTFullSizeWindow.h"

#include <QDate>
#include <QFile>


#include <cstdio>

namespace {
QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
}  // namespace

using StartupTest = ShellTest;

TEST_F(StartupTest, LaunchRunsInItsOrderAndWritesItsValues)
{
    BugsplatStartupManager::sharedManager().stop();
    MainMenu& made = launch();
    EXPECT_EQ(made.appDelegate()->launchTrace(),
              (QStringList{"setupDataCollection", "setupMainView", "windowDelegate", "scanSetupObj",
                           "fullScreenObservers", "firstLaunchApp", "startBugsplat", "startForDaemon", "checkUpdate",
                           "gaCollection", "dupImageRemoveType"}));

    EXPECT_EQ(terminationStatus(), QStringLiteral("running"));
    EXPECT_TRUE(QFile::exists(supportFolder() + QStringLiteral("/Logs/AppOutPut.log")));

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.value<qint64>(QStringLiteral("Start")), 1);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("RunTime")),
              QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
    EXPECT_EQ(defaults.value<qint64>(QStringLiteral("Sysmac")), 1);
    EXPECT_EQ(defaults.value<qint64>(QStringLiteral("dupImageRemoveType")), 0);
    EXPECT_EQ(recorder->count(QStringLiteral("MacInfo"), QStringLiteral("Sysmac")), 1);
    EXPECT_EQ(recorder->count(QStringLiteral("MacInfo"), QStringLiteral("SysLanguage")), 1);

    RYTFullSizeWindow* window = made.window();
    EXPECT_TRUE(window->fullScreenBtnHidded());
    EXPECT_TRUE(window->showsToolbarButton());
    EXPECT_DOUBLE_EQ(window->topOffset(), 8.0);
    EXPECT_TRUE(BugsplatStartupManager::sharedManager().isStarted());
    EXPECT_TRUE(BugsplatStartupManager::sharedManager().autoSubmitCrashReport());
    EXPECT_FALSE(BugsplatStartupManager::sharedManager().askUserDetails());
    EXPECT_TRUE(DaemonManager::defaultManager().started());
    EXPECT_NE(ScanManager::default_().scanSetupObj(), nullptr);
    // The launch's update check is silent: it answers without a dialog.
    EXPECT_GE(UpdateManager::default_().updateManager()->checkCount(), 1);
    EXPECT_EQ(UpdateManager::default_().updateManager()->dialog(), nullptr);
    BugsplatStartupManager::sharedManager().stop();
}

TEST_F(StartupTest, LaterLaunchesCountOnAndKeepTheChosenRemovalMode)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    AppDelegate first;
    first.gaCollection();
    recorder->clear();
    AppDelegate second;
    second.gaCollection();
    EXPECT_EQ(defaults.value<qint64>(QStringLiteral("Start")), 2);
    EXPECT_TRUE(recorder->events().isEmpty());

    // A counter that is not a number is neither increased nor replaced.
    defaults.setObject(QStringLiteral("5"), QStringLiteral("Start"));
    defaults.setObject(QStringLiteral("2000/01/01"), QStringLiteral("RunTime"));
    second.gaCollection();
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("Start")).toString(), QStringLiteral("5"));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("RunTime")), QStringLiteral("2000/01/01"));

    defaults.setInteger(2, QStringLiteral("dupImageRemoveType"));
    launch();
    EXPECT_EQ(defaults.value<qint64>(QStringLiteral("dupImageRemoveType")), 2);
}

TEST_F(StartupTest, OutputIsAppendedToTheLogFileAndKeptWhenItCannotBeOpened)
{
    const QString log = scratch() + QStringLiteral("/AppOutPut.log");
    {
        SavedOutput saved;
        ASSERT_TRUE(AppDelegate::redirectOutput(log));
        std::printf("first launch\n");
        std::fflush(stdout);
        ASSERT_TRUE(AppDelegate::redirectOutput(log));
        std::fprintf(stderr, "second launch\n");
        std::fflush(stderr);
        // A log folder that is missing leaves both streams where they were.
        EXPECT_FALSE(AppDelegate::redirectOutput(scratch() + QStringLiteral("/missing/AppOutPut.log")));
        std::printf("still here\n");
        std::fflush(stdout);
    }
    EXPECT_EQ(readAll(log), QStringLiteral("first launch\nsecond launch\nstill here\n"));
}

TEST_F(StartupTest, FullScreenButtonFollowsTheNotificationsAndChildWindowsFollowResizes)
{
    MainMenu& made = launch();
    RYTFullSizeWindow* window = made.window();
    NotificationCenter::defaultCenter().post(didShowFullScreenNotification());
    EXPECT_FALSE(window->fullScreenBtnHidded());
    NotificationCenter::defaultCenter().post(didHiddenFullScreenNotification());
    EXPECT_TRUE(window->fullScreenBtnHidded());

    auto* panel = new QWidget(window, Qt::Tool);
    panel->show();
    window->resize(1100, 700);
    ASSERT_TRUE(waitUntil([&] { return window->centralWidget()->size().width() == 1100; }));
    made.appDelegate()->windowDidResize();
    EXPECT_EQ(panel->geometry().topLeft(), window->frameGeometry().topLeft());
    EXPECT_EQ(panel->size(), window->centralWidget()->size());
}

TEST_F(StartupTest, ClosingOnTheHomeScreenIsGrantedAndTerminationWritesExited)
{
    MainMenu& made = launch();
    EXPECT_TRUE(made.appDelegate()->windowShouldClose());
    EXPECT_TRUE(made.window()->close());
    made.appDelegate()->applicationWillTerminate();
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    EXPECT_TRUE(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
}

// A call still on a removal queue once its run has ended, as a stopped
// removal leaves one on a mount that stopped answering, is no removal: the
// exit does not wait for it (the run itself is waited for to its end).
TEST_F(StartupTest, ExitDoesNotWaitForACallARemovalLeftBehind)
{
    const LeftBehindCalls calls({&ScanManager::default_().removeQueue(), &LargeFilesManager::default_().removeQueue()});
    ASSERT_TRUE(calls.started());
    EXPECT_FALSE(AppTermination::removalBusy());
    AppTermination::stopEnginesAndTerminate(false, 30.0);
    EXPECT_TRUE(waitUntil([] { return quitCount == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    ScanManager::default_().setRemoveStop(false);
}
