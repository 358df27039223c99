#include "CrashReporter/BugsplatStartupManager.h"
#include "CrashReporter/CrashNote.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `crash` in a child that started the reporter; returns the wait status.
int crashInChild(const QString& folder, void (*crash)())
{
    const pid_t pid = fork();
    if (pid == 0) {
        BugsplatStartupManager& manager = BugsplatStartupManager::sharedManager();
        manager.stop();
        manager.setCrashFolder(folder);
        manager.start();
        crash();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

QStringList notes(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Crash *.txt")}, QDir::Files);
}

QString readNote(const QString& folder)
{
    QFile file(folder + QLatin1Char('/') + notes(folder).value(0));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool diedOf(int status, int signal)
{
    // Under a sanitizer its own handler takes the signal over and exits non-zero.
    return (WIFSIGNALED(status) && WTERMSIG(status) == signal) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
}

}  // namespace

class CrashReporterTest : public TempHomeTest {};

TEST_F(CrashReporterTest, AbortLeavesANoteAndStillKillsTheProcess)
{
    const QString folder = scratch() + QStringLiteral("/Logs");
    const int status = crashInChild(folder, [] { std::abort(); });
    EXPECT_TRUE(diedOf(status, SIGABRT)) << status;
    ASSERT_EQ(notes(folder).size(), 1);
    const QString note = readNote(folder);
    EXPECT_TRUE(note.startsWith(QStringLiteral("Twinsweep 1.0.0 (100)\n"))) << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("Crashed with SIGABRT (6)"))) << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("Process "))) << note.toStdString();
}

TEST_F(CrashReporterTest, SegmentationFaultLeavesANoteAndDies)
{
    const QString folder = scratch() + QStringLiteral("/Logs");
    // Raised rather than caused: the undefined-behaviour sanitizer would
    // stop a real null store before the signal.
    const int status = crashInChild(folder, [] { std::raise(SIGSEGV); });
    EXPECT_TRUE(diedOf(status, SIGSEGV)) << status;
    ASSERT_EQ(notes(folder).size(), 1);
    EXPECT_TRUE(readNote(folder).contains(QStringLiteral("Crashed with SIGSEGV (11)")));
}

TEST_F(CrashReporterTest, ANormalEndLeavesNoNote)
{
    const QString folder = scratch() + QStringLiteral("/Logs");
    const int status = crashInChild(folder, [] {});
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(notes(folder).isEmpty());
}

TEST_F(CrashReporterTest, NotesGoToTheLogFolderByDefaultAndStartOnlyOnce)
{
    BugsplatStartupManager& manager = BugsplatStartupManager::sharedManager();
    manager.setCrashFolder({});
    EXPECT_EQ(manager.crashFolder(), dataHome() + QStringLiteral("/example.twinsweep.Twinsweep/Logs"));
    manager.setAutoSubmitCrashReport(true);
    manager.setAskUserDetails(false);
    manager.start();
    EXPECT_TRUE(manager.isStarted());
    EXPECT_TRUE(CrashNote::isInstalled());
    manager.start();
    EXPECT_TRUE(CrashNote::writeNote(SIGBUS));
    EXPECT_EQ(notes(manager.crashFolder()).size(), 1);
    manager.stop();
    EXPECT_FALSE(CrashNote::isInstalled());
}

TEST(CrashNoteTest, PathAndNamesAreFormattedWithoutTheLibrary)
{
    ASSERT_TRUE(CrashNote::install("/var/log/x", "header"));
    char buffer[64];
    EXPECT_GT(CrashNote::formatPath(buffer, sizeof buffer, 1790000000, 4321), 0u);
    EXPECT_STREQ(buffer, "/var/log/x/Crash 1790000000-4321.txt");
    // Too small a buffer gives nothing rather than a cut path.
    EXPECT_EQ(CrashNote::formatPath(buffer, 12, 1790000000, 4321), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_STREQ(CrashNote::signalName(SIGFPE), "SIGFPE");
    EXPECT_STREQ(CrashNote::signalName(SIGUSR1), "signal");
    const std::string tooLong(5000, 'a');
    EXPECT_FALSE(CrashNote::install(tooLong.c_str(), "header"));
    CrashNote::uninstall();
}
