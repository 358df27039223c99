#include "LinkTestSupport.h"

#include "Helper/QVDAHelper.h"

#include "Foundation/Bundle.h"
#include "Foundation/PropertyList.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>

#include <csignal>

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
