#include "LinkTestSupport.h"

#include "Helper/QVDAHelper.h"

#include "Foundation/Bundle.h"
#include "Foundation/PropertyList.h"
#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The program (a probe linking the library) spawns the real helper, which
// writes its reports to the spool in the program's log folder.
class EndToEndTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        bundleId_ = LinkTest::uniqueBundleId();
        support_ = dataHome() + QLatin1Char('/') + Bundle::main().bundleIdentifier();
    }
    void TearDown() override
    {
        if (probe_.state() != QProcess::NotRunning) {
            probe_.kill();
            probe_.waitForFinished(10000);
        }
        QFile::remove(QVDAHelper::portFilePath(bundleId_, false));
        TempHomeTest::TearDown();
    }

    void startProbe(const char* mode)
    {
        probe_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        probe_.start(QStringLiteral(GAPROBE_PATH), {QString::fromLatin1(mode), bundleId_});
        ASSERT_TRUE(probe_.waitForStarted(10000));
    }

    QString reports() const
    {
        QFile file(support_ + QStringLiteral("/Logs/GALog/reports.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll());
    }

    bool reported(const QString& action) const
    {
        return reports().contains(QStringLiteral("ep.qv_category=CrashRate&ep.qv_action=%1&").arg(action));
    }

    QString bundleId_;
    QString support_;
    QProcess probe_;
};

}  // namespace

TEST_F(EndToEndTest, NormalEndIsReportedAsClose)
{
    startProbe("close");
    ASSERT_TRUE(probe_.waitForFinished(60000));
    EXPECT_EQ(probe_.exitCode(), 0) << probe_.readAllStandardError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return reported(QStringLiteral("Close")); }, 30s));
    const QString text = reports();
    EXPECT_TRUE(text.contains(QStringLiteral("&tid=G-PROBE&ep.qv_productname=Probe&")));
    EXPECT_TRUE(text.contains(QStringLiteral("ep.qv_category=Probe&ep.qv_action=Send&ep.qv_label1=one&")));
    EXPECT_TRUE(reported(QStringLiteral("Start")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"entry\": \"install\"")));
    EXPECT_FALSE(reported(QStringLiteral("Crash")));
}

TEST_F(EndToEndTest, AbortIsReportedAsCrash)
{
    startProbe("crash");
    ASSERT_TRUE(probe_.waitForFinished(60000));
    EXPECT_EQ(probe_.exitStatus(), QProcess::CrashExit);
    ASSERT_TRUE(waitUntil([&] { return reported(QStringLiteral("Crash")); }, 30s));
    EXPECT_TRUE(reports().contains(QStringLiteral("ep.qv_action=Send&")));
    EXPECT_FALSE(reported(QStringLiteral("Close")));
}

TEST_F(EndToEndTest, SigtermEndsWithStatusFifteenAndExited)
{
    startProbe("term");
    ASSERT_TRUE(waitUntil([&] {
        probe_.waitForReadyRead(100);
        return probe_.readAllStandardOutput().contains("ready") || probe_.state() == QProcess::NotRunning;
    }, 60s));
    ASSERT_EQ(probe_.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(probe_.processId()), SIGTERM);
    ASSERT_TRUE(probe_.waitForFinished(30000));
    EXPECT_EQ(probe_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe_.exitCode(), 15);
    const auto stored = PropertyList::readFile(support_ + QStringLiteral("/.config.plist"));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->value<PlistDict>().value(QStringLiteral("AppTerminationStatus")).toString(), QStringLiteral("exited"));
    EXPECT_TRUE(waitUntil([&] { return reported(QStringLiteral("Close")); }, 30s));
}

TEST_F(EndToEndTest, TwoUsersEachGetTheirOwnPortFileAndTheirOwnLink)
{
    // Two users of one machine run the program at once, sharing a temporary
    // folder like /tmp. As root the second is a real other user; otherwise
    // the two are told apart by their runtime folders.
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
    const QString temp = shared.path() + QStringLiteral("/tmp");
    QDir().mkpath(temp);
    ::chmod(QFile::encodeName(temp).constData(), 01777);
    const bool otherUid = runningAsRoot();

    struct User {
        QString home;
        uid_t uid;
        QString runtime;
        QString reports() const
        {
            QFile file(home + QStringLiteral("/.local/share/") + Bundle::main().bundleIdentifier()
                       + QStringLiteral("/Logs/GALog/reports.log"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        }
    };
    User users[2] = {{shared.path() + QStringLiteral("/a"), ::geteuid(), {}},
                     {shared.path() + QStringLiteral("/b"), otherUid ? uid_t(65534) : ::geteuid(), {}}};
    QProcess probes[2];
    for (int i = 0; i < 2; ++i) {
        User& user = users[i];
        QDir().mkpath(user.home + QStringLiteral("/.local/share"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), user.home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), user.home + QStringLiteral("/.local/share"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), user.home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), user.home + QStringLiteral("/.cache"));
        environment.insert(QStringLiteral("TMPDIR"), temp);
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        if (!otherUid) {
            user.runtime = user.home + QStringLiteral("/run");
            QDir().mkpath(user.runtime);
            ::chmod(QFile::encodeName(user.runtime).constData(), 0700);
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), user.runtime);
        }
        if (user.uid != ::geteuid()) {
            QStringList owned{user.home};
            QDirIterator it(user.home, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                owned << it.next();
            }
            for (const QString& path : owned) {
                ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0) << path.toStdString();
            }
            probes[i].setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
                    ::_exit(4);
                }
            });
        }
        probes[i].setProcessEnvironment(environment);
        probes[i].start(QStringLiteral(GAPROBE_PATH), {QStringLiteral("close"), bundleId_});
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(probes[i].waitForFinished(60000));
        EXPECT_EQ(probes[i].exitCode(), 0) << "user " << i << " (3: its helper never connected) "
                                           << probes[i].readAllStandardError().toStdString();
    }
    for (int i = 0; i < 2; ++i) {
        const User& user = users[i];
        EXPECT_TRUE(waitUntil([&] { return user.reports().contains(QStringLiteral("ep.qv_action=Close&")); }, 30s))
            << "user " << i;
        EXPECT_TRUE(user.reports().contains(QStringLiteral("ep.qv_category=Probe&ep.qv_action=Send&")));
        EXPECT_EQ(user.reports().count(QStringLiteral("ep.qv_action=Start&")), 1) << "one link each";
        const QString folder = otherUid ? temp + QStringLiteral("/QVDataAnalysis-%1").arg(user.uid) : user.runtime;
        struct stat info = {};
        ASSERT_EQ(::stat(QFile::encodeName(folder + QLatin1Char('/') + bundleId_ + QStringLiteral("_server_port.txt")).constData(),
                         &info), 0)
            << folder.toStdString();
        EXPECT_EQ(info.st_uid, user.uid);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(QFile::exists(temp + QLatin1Char('/') + bundleId_ + QStringLiteral("_server_port.txt")));
}
