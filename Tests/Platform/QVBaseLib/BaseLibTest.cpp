#include "Foundation/Bundle.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <thread>
#include <vector>

class BaseLibTest : public TempHomeTest {};

TEST_F(BaseLibTest, FoldersLieUnderTheDataHome)
{
    const QString support = Helper::appSuportWithBundleIdentifier();
    EXPECT_EQ(support, dataHome() + QLatin1Char('/') + Bundle::main().bundleIdentifier());
    EXPECT_TRUE(QFileInfo(support).isDir());
    EXPECT_EQ(RYLog::shared().logPath(), support + QStringLiteral("/Logs"));
    EXPECT_TRUE(QFileInfo(RYLog::shared().logPath()).isDir());
}

TEST_F(BaseLibTest, LogEntriesAreWholeFromManyThreadsAndTheFileIsRotated)
{
    RYLog::shared().resetForTesting(4000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                RYLog::shared().writeData(QStringLiteral("thread %1 entry %2 end").arg(t).arg(i));
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    const QString logFile = RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log");
    QFile current(logFile);
    ASSERT_TRUE(current.open(QIODevice::ReadOnly));
    EXPECT_LE(current.size(), 4000);
    EXPECT_TRUE(QFileInfo::exists(logFile + QStringLiteral(".1"))) << "the full file was rotated";
    const QList<QByteArray> lines = current.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) {
            continue;
        }
        // "yyyy-MM-dd HH:mm:ss.zzz thread t entry i end": no entry cut or mixed with another.
        EXPECT_EQ(line.at(4), '-');
        EXPECT_TRUE(line.endsWith(" end")) << line.toStdString();
        EXPECT_EQ(line.count("thread"), 1) << line.toStdString();
    }
}

TEST_F(BaseLibTest, ReachabilityCanBeDecidedByTests)
{
    Helper::setNetworkReachableOverride(false);
    EXPECT_FALSE(Helper::isConnectNetwork());
    Helper::setNetworkReachableOverride(true);
    EXPECT_TRUE(Helper::isConnectNetwork());
    Helper::setNetworkReachableOverride(std::nullopt);
    (void)Helper::isConnectNetwork();  // the real answer depends on the machine; it must not crash
}

TEST_F(BaseLibTest, FirstLaunchIsReportedOnceAndBuildDateIsValid)
{
    std::vector<std::pair<bool, bool>> calls;
    Helper::firstLaunchApp(false, [&](bool first, bool firstOfVersion) { calls.emplace_back(first, firstOfVersion); });
    Helper::firstLaunchApp(false, [&](bool first, bool firstOfVersion) { calls.emplace_back(first, firstOfVersion); });
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(true, true));
    EXPECT_EQ(calls[1], std::make_pair(false, false));

    const QDateTime built = Helper::compileDate();
    EXPECT_TRUE(built.isValid());
    EXPECT_GT(built.date().year(), 2020);
    EXPECT_FALSE(Helper::macOSVersion().isEmpty());
}
