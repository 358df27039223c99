#include "QVDAEventObserver.h"
#include "QVDASocketServer.h"
#include "QVDataAnalysis.h"

#include "Helper/QVDAHelper.h"

#include "LinkTestSupport.h"
#include "Main/Utilities.h"
#include "QVBaseLib/Helper.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>

namespace {

class EventFunctionsTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        // The process's own server may open its listener during the test; its
        // port file must not be the program's.
        bundleId_ = LinkTest::uniqueBundleId();
        QVDAHelper::setBundleOverrideForTesting(QVDAHelper::BundleOverride{bundleId_, {}});
    }
    void TearDown() override
    {
        Helper::setNetworkReachableOverride(std::nullopt);
        QFile::remove(QVDAHelper::portFilePath(bundleId_, false));
        TempHomeTest::TearDown();
    }
    QString bundleId_;
};

}  // namespace

TEST_F(EventFunctionsTest, ObserverSeesEveryCallWithItsLabels)
{
    QVDAEventRecorder recorder;
    RYAsyncGALog(QStringLiteral("Home"), QStringLiteral("Open"), QString());
    RYAsyncGALog(QStringLiteral("Scan"), QStringLiteral("Done"), QStringLiteral("12"));
    RYSyncGALog(QStringLiteral("App"), QStringLiteral("Quit"), QStringLiteral("x"));
    AsyncCoreFuncReport(QStringLiteral("event"), QStringLiteral("scan"), 3, QStringLiteral("Core"), QString(),
                        QStringList{QStringLiteral("a")});

    const QList<QVDAObservedEvent> events = recorder.events();
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(events[0].function, QStringLiteral("RYAsyncGALog"));
    EXPECT_EQ(events[0].label, QStringLiteral(""));
    EXPECT_EQ(events[0].event.labels(), QVariant(QStringList{}));
    EXPECT_EQ(events[1].event.labels(), QVariant(QStringList{QStringLiteral("12")}));
    EXPECT_TRUE(recorder.contains(QStringLiteral("Scan"), QStringLiteral("Done"), QStringLiteral("12")));
    EXPECT_EQ(events[2].function, QStringLiteral("RYSyncGALog"));
    EXPECT_EQ(events[3].function, QStringLiteral("AsyncCoreFuncReport"));
    EXPECT_EQ(events[3].event.coreFuncStep(), 3);
    EXPECT_EQ(events[3].action, QStringLiteral(""));
    EXPECT_EQ(events[3].label, QStringLiteral("a"));

    // While observed, nothing reaches the link and no log manager is made.
    EXPECT_EQ(QVDASocketServer::defaultManager().cachedFrameCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(QVDAHelper::configPlistPath()));
}

TEST_F(EventFunctionsTest, RecorderRestoresThePreviousObserver)
{
    QVDAEventRecorder outer;
    {
        QVDAEventRecorder inner;
        RYAsyncGALog(QStringLiteral("a"), QStringLiteral("b"), QString());
        EXPECT_EQ(inner.count(QStringLiteral("a"), QStringLiteral("b")), 1);
    }
    RYAsyncGALog(QStringLiteral("c"), QStringLiteral("d"), QString());
    EXPECT_EQ(outer.events().size(), 1);
    EXPECT_TRUE(outer.contains(QStringLiteral("c"), QStringLiteral("d")));
}

TEST_F(EventFunctionsTest, WrappersSendOnlyWhenTheNetworkIsReachable)
{
    QVDAEventRecorder recorder;
    Helper::setNetworkReachableOverride(false);
    asyncGALog(QStringLiteral("Scan"), QStringLiteral("Start"), QStringLiteral("1"));
    syncGALog(QStringLiteral("Scan"), QStringLiteral("Stop"), QStringLiteral("2"));
    EXPECT_TRUE(recorder.events().isEmpty());

    Helper::setNetworkReachableOverride(true);
    asyncGALog(QStringLiteral("Scan"), QStringLiteral("Start"), QStringLiteral("1"));
    syncGALog(QStringLiteral("Scan"), QStringLiteral("Stop"), QStringLiteral("2"));
    const QList<QVDAObservedEvent> events = recorder.events();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].function, QStringLiteral("RYAsyncGALog"));
    EXPECT_EQ(events[0].label, QStringLiteral("1"));
    EXPECT_EQ(events[1].function, QStringLiteral("RYSyncGALog"));
    EXPECT_EQ(events[1].action, QStringLiteral("Stop"));
}

TEST_F(EventFunctionsTest, UnreachableNetworkProducesNoFrame)
{
    // The real log manager of this process; its helper cannot start, so frames stay cached.
    QVDASocketServer::setHelperPathForTesting(scratch() + QStringLiteral("/none/Statwick"));
    QVDASocketServer& server = QVDASocketServer::defaultManager();
    Helper::setNetworkReachableOverride(false);
    RYAsyncGALog(QStringLiteral("Scan"), QStringLiteral("Done"), QStringLiteral("x"));
    AsyncGA4Log(QStringLiteral("Scan"), QStringLiteral("Done"), QStringList{});
    EXPECT_EQ(server.cachedFrameCount(), 0);

    Helper::setNetworkReachableOverride(true);
    RYAsyncGALog(QStringLiteral("Scan"), QStringLiteral("Done"), QStringLiteral("x"));
    SyncCoreFuncDataReport(QStringLiteral("event"), QStringLiteral("f"), -1, QStringLiteral("c"), QStringLiteral("a"),
                           QVariant());
    EXPECT_EQ(server.cachedFrameCount(), 2);
    EXPECT_TRUE(QFileInfo::exists(QVDAHelper::configPlistPath()));
}
