#include "GAEvent.h"
#include "QVDAFrame.h"
#include "QVDASocketClient.h"
#include "RYGALogManager.h"

#include "Helper/QVDAHelper.h"

#include "BinaryPlistBuilder.h"
#include "Foundation/PropertyList.h"
#include "LinkTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

class StatwickProcessTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        bundleId_ = LinkTest::uniqueBundleId();
        support_ = dataHome() + QStringLiteral("/app");
        logs_ = support_ + QStringLiteral("/Logs");
        QDir().mkpath(logs_);
        lock_ = std::make_unique<LinkTest::HeldLock>(support_ + QStringLiteral("/.running.lock"));
    }
    void TearDown() override
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
        QFile::remove(QVDAHelper::portFilePath(bundleId_, false));
        TempHomeTest::TearDown();
    }

    void startStatwick()
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("STATWICK_DISCONNECT_DELAY"), QStringLiteral("0.05"));
        environment.insert(QStringLiteral("STATWICK_RECONNECT_INTERVAL"), QStringLiteral("0.1"));
        environment.insert(QStringLiteral("TSAN_OPTIONS"), qEnvironmentVariable("TSAN_OPTIONS"));
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(STATWICK_PATH), {bundleId_, QString::number(::getpid()), logs_});
        ASSERT_TRUE(process_.waitForStarted(10000));
    }

    void setStatus(const QString& status)
    {
        PlistDict dict;
        dict.insert(QStringLiteral("AppTerminationStatus"), status);
        ASSERT_TRUE(PropertyList::writeFile(support_ + QStringLiteral("/.config.plist"), QVariant::fromValue(dict)));
    }

    static QByteArray configuration()
    {
        RYGALogManager config;
        config.setGa4Identifier(QStringLiteral("G-T"));
        config.setProductName(QStringLiteral("Probe"));
        return QVDAFrame::build(config.archivedData(), 1);
    }

    static QByteArray eventFrame(const QString& action)
    {
        return QVDAFrame::build(
            GAEvent::eventWithCategory(QStringLiteral("Test"), action, QStringList{QStringLiteral("x")}).archivedData(), 2);
    }

    QString reports() const { return readAll(logs_ + QStringLiteral("/GALog/reports.log")); }
    QString helperLog() const { return readAll(logs_ + QStringLiteral("/GALog/Statwick.log")); }

    bool finishedWithZero()
    {
        return process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit
               && process_.exitCode() == 0;
    }

    // Runs the helper against a test server through one normal session that ends with `status` left behind.
    void sessionEndingWith(const QString& status)
    {
        LinkTest::TestLinkServer server;
        server.writePortFile(bundleId_);
        startStatwick();
        LinkTest::FrameStream link(server.accept());
        ASSERT_GE(link.fd(), 0);
        ASSERT_TRUE(LinkTest::sendAll(link.fd(), configuration() + eventFrame(QStringLiteral("Done"))));
        ASSERT_TRUE(waitUntil([&] { return reports().contains(QStringLiteral("ep.qv_action=Done&")); }));
        setStatus(status);
        lock_->release();
    }

    QString bundleId_;
    QString support_;
    QString logs_;
    std::unique_ptr<LinkTest::HeldLock> lock_;
    QProcess process_;
};

}  // namespace

TEST_F(StatwickProcessTest, SurvivesMalformedFramesAndReportsCloseAfterANormalEnd)
{
    LinkTest::TestLinkServer server;
    server.writePortFile(bundleId_);
    startStatwick();
    {
        LinkTest::FrameStream link(server.accept());
        ASSERT_GE(link.fd(), 0);
        QByteArray traffic = configuration();
        traffic += QVDAFrame::build("not an archive", 2);
        traffic += QVDAFrame::build(RYGALogManager().archivedData(), 2);  // a configuration on the event tag
        traffic += QVDAFrame::build(GAEvent().archivedData(), 1);         // an event on the configuration tag
        traffic += QVDAFrame::build("whatever", 3);
        traffic += eventFrame(QStringLiteral("Done"));
        // Sent a byte at a time: frames split anywhere are read whole.
        for (char c : traffic) {
            ASSERT_TRUE(LinkTest::sendAll(link.fd(), QByteArray(1, c)));
        }
        ASSERT_TRUE(waitUntil([&] { return reports().contains(QStringLiteral("ep.qv_action=Done&")); }));
        EXPECT_EQ(reports().count(QStringLiteral("ga4 ")), 1);
        EXPECT_TRUE(helperLog().contains(QStringLiteral("receivedTag = 3, data length = 8")));
        EXPECT_TRUE(reports().contains(QStringLiteral("&tid=G-T&ep.qv_productname=Probe&")));

        setStatus(QStringLiteral("exited"));
        lock_->release();
    }
    ASSERT_TRUE(finishedWithZero());
    const QString text = reports();
    EXPECT_TRUE(text.contains(QStringLiteral("ep.qv_category=CrashRate&ep.qv_action=Close&ep.qv_label1=null&")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"event_action\":\"Close\"")));
    EXPECT_FALSE(text.contains(QStringLiteral("Crash&")));
    EXPECT_TRUE(helperLog().contains(QStringLiteral("mainAppStatus: exited")));
    EXPECT_TRUE(helperLog().contains(QStringLiteral("all GA operations are finished...")));
}

TEST_F(StatwickProcessTest, HostileArchivesAreDroppedAndTheNextFrameIsReported)
{
    // Archives that once killed the helper: 100,000 nested arrays (stack
    // overflow in the reader), texts and keys holding U+0000 (an assertion),
    // and a reference loop.
    QList<QByteArray> hostile;
    {
        BinaryPlistBuilder deep(4);
        int inner = deep.ascii("x");
        for (int i = 0; i < 100000; ++i) {
            inner = deep.array({inner});
        }
        hostile << deep.build(deep.dict({deep.ascii("$class"), deep.ascii("_labels")}, {deep.ascii("GAEvent"), inner}));
    }
    {
        BinaryPlistBuilder text;
        hostile << text.build(text.dict({text.ascii("$class"), text.ascii("_category")},
                                        {text.ascii("GAEvent"), text.utf16(QStringLiteral("Sc\u0000an"))}));
    }
    {
        BinaryPlistBuilder key;
        hostile << key.build(key.dict({key.ascii("$class"), key.utf16(QStringLiteral("_cat\u0000egory"))},
                                      {key.ascii("GAEvent"), key.ascii("Scan")}));
    }
    {
        BinaryPlistBuilder loop;
        const int labels = loop.array({});
        loop.setArray(labels, {loop.ascii("a"), labels});
        hostile << loop.build(loop.dict({loop.ascii("$class"), loop.ascii("_labels")}, {loop.ascii("GAEvent"), labels}));
    }
    EXPECT_LT(hostile.first().size(), 1000 * 1000);

    LinkTest::TestLinkServer server;
    server.writePortFile(bundleId_);
    startStatwick();
    LinkTest::FrameStream link(server.accept());
    ASSERT_GE(link.fd(), 0);
    ASSERT_TRUE(LinkTest::sendAll(link.fd(), configuration()));
    for (const QByteArray& archive : hostile) {
        ASSERT_TRUE(LinkTest::sendAll(link.fd(), QVDAFrame::build(archive, 2) + QVDAFrame::build(archive, 1)));
    }
    ASSERT_TRUE(LinkTest::sendAll(link.fd(), eventFrame(QStringLiteral("Done"))));
    ASSERT_TRUE(waitUntil([&] { return reports().contains(QStringLiteral("ep.qv_action=Done&")); }));
    EXPECT_EQ(process_.state(), QProcess::Running);
    EXPECT_EQ(reports().count(QStringLiteral("ga4 ")), 1);
    EXPECT_EQ(helperLog().count(QStringLiteral("dropped an event frame that holds no usage event")), hostile.size());
    EXPECT_EQ(helperLog().count(QStringLiteral("dropped a configuration frame that holds no configuration")),
              hostile.size());
    // The configuration sent first still holds.
    EXPECT_TRUE(reports().contains(QStringLiteral("&tid=G-T&ep.qv_productname=Probe&")));
}

TEST_F(StatwickProcessTest, ReportsCrashWhenTheStatusIsStillRunning)
{
    sessionEndingWith(QStringLiteral("running"));
    ASSERT_TRUE(finishedWithZero());
    EXPECT_TRUE(reports().contains(QStringLiteral("ep.qv_category=CrashRate&ep.qv_action=Crash&")));
    EXPECT_TRUE(reports().contains(QStringLiteral("\"event_action\":\"Crash\"")));
}

TEST_F(StatwickProcessTest, BadLengthClosesTheLinkAndTheHelperReconnects)
{
    LinkTest::TestLinkServer server;
    server.writePortFile(bundleId_);
    startStatwick();
    {
        LinkTest::FrameStream link(server.accept());
        ASSERT_GE(link.fd(), 0);
        QByteArray huge(8, '\0');
        const quint64 length = 1ULL << 40;
        std::memcpy(huge.data(), &length, 8);
        ASSERT_TRUE(LinkTest::sendAll(link.fd(), huge));
        EXPECT_TRUE(link.waitClosed());
    }
    // The program still runs: the helper comes back and reads normally.
    LinkTest::FrameStream again(server.accept(30s));
    ASSERT_GE(again.fd(), 0);
    ASSERT_TRUE(LinkTest::sendAll(again.fd(), configuration() + eventFrame(QStringLiteral("Again"))));
    EXPECT_TRUE(waitUntil([&] { return reports().contains(QStringLiteral("ep.qv_action=Again&")); }));
    EXPECT_TRUE(helperLog().contains(QStringLiteral("bad frame length 1099511627776")));
    EXPECT_TRUE(helperLog().contains(QStringLiteral("Attempting to reconnect in 0 seconds...")));
}

TEST_F(StatwickProcessTest, GivesUpAfterFiveFailedReconnectsWithoutAClosingReport)
{
    LinkTest::TestLinkServer server;
    server.writePortFile(bundleId_, "not a port");
    startStatwick();
    ASSERT_TRUE(finishedWithZero());
    const QString log = helperLog();
    EXPECT_EQ(log.count(QStringLiteral("Error connecting to Statwick Process Server")), 6);
    EXPECT_EQ(log.count(QStringLiteral("Attempting to reconnect")), 5);
    EXPECT_TRUE(log.contains(QStringLiteral("Max reconnect attempts reached. Will not attempt to reconnect.")));
    EXPECT_FALSE(reports().contains(QStringLiteral("CrashRate")));
}

TEST_F(StatwickProcessTest, WithoutArgumentsItEndsAtOnce)
{
    process_.start(QStringLiteral(STATWICK_PATH), {bundleId_});
    ASSERT_TRUE(process_.waitForFinished(10000));
    EXPECT_EQ(process_.exitCode(), 2);
}

TEST(StatwickPortFile, OnlyADecimalPortInAFileOfOurOwn)
{
    QTemporaryDir dir;
    const auto portOf = [&](const QByteArray& contents) {
        const QString path = dir.path() + QStringLiteral("/port.txt");
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(contents);
        file.close();
        return QVDASocketClient::readPort(path);
    };
    EXPECT_EQ(portOf("8080"), 8080);
    EXPECT_EQ(portOf("1"), 1);
    EXPECT_EQ(portOf("65535"), 65535);
    EXPECT_EQ(portOf("0"), 0);
    EXPECT_EQ(portOf("65536"), 0);
    EXPECT_EQ(portOf("-80"), 0);
    EXPECT_EQ(portOf(" 80"), 0);
    EXPECT_EQ(portOf("80\n"), 0);
    EXPECT_EQ(portOf("8o"), 0);
    EXPECT_EQ(portOf(""), 0);
    EXPECT_EQ(portOf("123456789"), 0);
    EXPECT_EQ(QVDASocketClient::readPort(dir.path() + QStringLiteral("/missing")), 0);
    if (runningAsRoot()) {
        const QString path = dir.path() + QStringLiteral("/port.txt");
        portOf("8080");
        ASSERT_EQ(::chown(path.toLocal8Bit().constData(), 65534, 65534), 0);
        EXPECT_EQ(QVDASocketClient::readPort(path), 0);
    }
}
