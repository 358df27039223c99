#include "GAEvent.h"
#include "QVDASocketServer.h"
#include "RYGALogManager.h"

#include "Helper/QVDAHelper.h"

#include "LinkTestSupport.h"
#include "QVBaseLib/RYLog.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QNetworkInterface>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using LinkTest::FrameStream;

namespace {

class LinkServerTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        bundleId_ = LinkTest::uniqueBundleId();
        QVDAHelper::setBundleOverrideForTesting(QVDAHelper::BundleOverride{bundleId_, {}});
        server_ = std::make_unique<QVDASocketServer>();
        server_->setSpawnHelper(false);
        server_->setConfigurationSource([] {
            RYGALogManager config;
            config.setProductName(QStringLiteral("P"));
            return config.archivedData();
        });
    }
    void TearDown() override
    {
        server_.reset();
        QFile::remove(QStringLiteral("/tmp/%1_server_port.txt").arg(bundleId_));
        QVDASocketServer::setHelperPathForTesting(QString());
        QVDAHelper::setBundleOverrideForTesting(std::nullopt);
        TempHomeTest::TearDown();
    }

    void startServer()
    {
        server_->start();
        ASSERT_TRUE(server_->waitUntilListening(10s));
    }

    static QByteArray event(const QString& action)
    {
        return GAEvent::eventWithCategory(QStringLiteral("Test"), action, QStringList{}).archivedData();
    }

    // The action of the next frame, which must be an event.
    static QString nextAction(FrameStream& stream)
    {
        const auto frame = stream.next();
        if (!frame || frame->tag != 2) {
            return QStringLiteral("<no event frame>");
        }
        const auto decoded = GAEvent::fromArchive(frame->payload);
        return decoded ? decoded->action() : QStringLiteral("<undecodable>");
    }

    static bool nextIsConfiguration(FrameStream& stream)
    {
        const auto frame = stream.next();
        return frame && frame->tag == 1 && RYGALogManager::fromArchive(frame->payload).has_value()
               && RYGALogManager::fromArchive(frame->payload)->productName() == QStringLiteral("P");
    }

    QString logText() const
    {
        QFile file(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll());
    }

    QString bundleId_;
    std::unique_ptr<QVDASocketServer> server_;
};

bool isZombieOrGone(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;
    }
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

}  // namespace

TEST_F(LinkServerTest, SendsConfigurationStartEventThenCacheInOrder)
{
    server_->sendData(event(QStringLiteral("one")), 2);
    startServer();
    server_->sendData(event(QStringLiteral("two")), 2);
    server_->sendData(QByteArray(), 2);  // no payload, no frame
    server_->sendData(event(QStringLiteral("three")), 2);
    EXPECT_EQ(server_->cachedFrameCount(), 3);

    QFile portFile(server_->portFilePath());
    ASSERT_TRUE(portFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(portFile.readAll(), QByteArray::number(server_->port()));
    struct stat info = {};
    ASSERT_EQ(::stat(server_->portFilePath().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    FrameStream stream(LinkTest::connectTo(server_->port()));
    ASSERT_GE(stream.fd(), 0);
    EXPECT_TRUE(nextIsConfiguration(stream));
    const auto start = stream.next();
    ASSERT_TRUE(start && start->tag == 2);
    const auto startEvent = GAEvent::fromArchive(start->payload);
    ASSERT_TRUE(startEvent);
    EXPECT_EQ(startEvent->category(), QStringLiteral("CrashRate"));
    EXPECT_EQ(startEvent->action(), QStringLiteral("Start"));
    EXPECT_EQ(startEvent->labels(), QVariant(QStringLiteral("null")));
    EXPECT_EQ(startEvent->coreFuncName(), QStringLiteral("null"));
    EXPECT_EQ(nextAction(stream), QStringLiteral("one"));
    EXPECT_EQ(nextAction(stream), QStringLiteral("two"));
    EXPECT_EQ(nextAction(stream), QStringLiteral("three"));

    server_->sendData(event(QStringLiteral("live")), 2);
    EXPECT_EQ(nextAction(stream), QStringLiteral("live"));
    EXPECT_TRUE(server_->waitUntilFlushed(10s));
    EXPECT_EQ(server_->cachedFrameCount(), 0);
}

TEST_F(LinkServerTest, ReconnectGetsConfigurationAgainButNoSecondStart)
{
    startServer();
    {
        FrameStream first(LinkTest::connectTo(server_->port()));
        EXPECT_TRUE(nextIsConfiguration(first));
        EXPECT_EQ(nextAction(first), QStringLiteral("Start"));
    }
    ASSERT_TRUE(waitUntil([&] { return !server_->isConnected(); }));
    server_->sendData(event(QStringLiteral("while away")), 2);

    FrameStream second(LinkTest::connectTo(server_->port()));
    EXPECT_TRUE(nextIsConfiguration(second));
    EXPECT_EQ(nextAction(second), QStringLiteral("while away"));
}

TEST_F(LinkServerTest, NewConnectionClosesTheEarlierOne)
{
    startServer();
    FrameStream first(LinkTest::connectTo(server_->port()));
    EXPECT_TRUE(nextIsConfiguration(first));
    FrameStream second(LinkTest::connectTo(server_->port()));
    EXPECT_TRUE(nextIsConfiguration(second));
    EXPECT_EQ(nextAction(first), QStringLiteral("Start"));
    EXPECT_TRUE(first.waitClosed());
    server_->sendData(event(QStringLiteral("to second")), 2);
    EXPECT_EQ(nextAction(second), QStringLiteral("to second"));
}

TEST_F(LinkServerTest, NothingAnswersOnOtherAddresses)
{
    startServer();
    QByteArray other;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            other = address.toString().toLatin1();
            break;
        }
    }
    if (other.isEmpty()) {
        GTEST_SKIP() << "no non-loopback IPv4 address on this machine";
    }
    EXPECT_LT(LinkTest::connectTo(server_->port(), other.constData()), 0);
    const int fd = LinkTest::connectTo(server_->port());
    EXPECT_GE(fd, 0);
    ::close(fd);
}

TEST_F(LinkServerTest, CacheKeepsTheNewestThousandFramesOrOneMebibyte)
{
    for (int i = 0; i < QVDASocketServer::maxCachedFrames + 5; ++i) {
        server_->sendData(event(QString::number(i)), 2);
    }
    EXPECT_EQ(server_->cachedFrameCount(), QVDASocketServer::maxCachedFrames);
    startServer();
    FrameStream stream(LinkTest::connectTo(server_->port()));
    EXPECT_TRUE(nextIsConfiguration(stream));
    EXPECT_EQ(nextAction(stream), QStringLiteral("Start"));
    EXPECT_EQ(nextAction(stream), QStringLiteral("5"));

    QVDASocketServer bytes;
    for (int i = 0; i < 5; ++i) {
        bytes.sendData(QByteArray(300 * 1024, 'x'), 2);
    }
    EXPECT_EQ(bytes.cachedFrameCount(), 3);
}

TEST_F(LinkServerTest, MissingHelperIsLoggedAndFramesStayCached)
{
    QVDASocketServer::setHelperPathForTesting(scratch() + QStringLiteral("/no/such/Statwick"));
    server_->setSpawnHelper(true);
    server_->sendData(event(QStringLiteral("kept")), 2);
    startServer();
    EXPECT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("Failed to start Statwick server process: ")); }));
    EXPECT_EQ(server_->clientPid(), 0);
    EXPECT_EQ(server_->cachedFrameCount(), 1);
}

TEST_F(LinkServerTest, GoneHelperIsRestartedAtMostThreeTimesAMinute)
{
    QVDASocketServer::setHelperPathForTesting(QStringLiteral("/bin/true"));
    server_->setSpawnHelper(true);
    startServer();
    ASSERT_TRUE(waitUntil([&] { return server_->clientPid() > 0; }));
    int starts = 1;
    for (int round = 0; round < 4; ++round) {
        const pid_t before = server_->clientPid();
        ASSERT_TRUE(waitUntil([&] { return isZombieOrGone(before); }));
        {
            FrameStream stream(LinkTest::connectTo(server_->port()));
            EXPECT_TRUE(nextIsConfiguration(stream));
        }
        if (round < QVDASocketServer::maxRespawnsPerMinute) {
            ASSERT_TRUE(waitUntil([&] { return server_->clientPid() != before && server_->clientPid() > 0; }));
            ++starts;
        } else {
            ASSERT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("restarted too often")); }));
            EXPECT_TRUE(server_->clientPid() == before || server_->clientPid() == 0);
        }
    }
    EXPECT_EQ(starts, 1 + QVDASocketServer::maxRespawnsPerMinute);
    EXPECT_EQ(logText().count(QStringLiteral("Statwick process server started with PID")), starts);
}

TEST_F(LinkServerTest, HelperStartsDetachedWithThreeArgumentsAndIsNotRestartedWhileAlive)
{
    const QString record = scratch() + QStringLiteral("/arguments.txt");
    const QString script = writeFile(QStringLiteral("helper.sh"),
                                     "#!/bin/sh\necho \"$# $1 $2 $3\" > " + record.toUtf8() + ".tmp\nenv >> "
                                         + record.toUtf8() + ".tmp\nmv " + record.toUtf8() + ".tmp " + record.toUtf8()
                                         + "\nexec sleep 60\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVDASocketServer::setHelperPathForTesting(script);
    server_->setSpawnHelper(true);
    startServer();
    ASSERT_TRUE(waitUntil([&] { return server_->clientPid() > 0; }));
    const pid_t helper = server_->clientPid();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(record); }));
    QFile recorded(record);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(recorded.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("3 %1 %2 %3").arg(bundleId_).arg(::getpid()).arg(RYLog::shared().logPath()));
    for (const QString& line : lines.mid(1)) {  // the shell sets a few of its own, nothing comes from us
        EXPECT_FALSE(line.startsWith(QStringLiteral("HOME=")) || line.startsWith(QStringLiteral("XDG_"))) << line.toStdString();
    }
    // A session of its own, and nothing inherited beyond standard input, output and error.
    ASSERT_TRUE(waitUntil([&] {
        return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(helper)).contains(QStringLiteral("sleep"));
    }));
    EXPECT_EQ(::getsid(helper), helper);
    // The helper's own start-up may hold a file open for a moment (its C
    // library reading locale data); an inherited descriptor never goes away.
    const QStringList standardOnly{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")};
    const auto openDescriptors = [helper] {
        return QDir(QStringLiteral("/proc/%1/fd").arg(helper))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    };
    waitUntil([&] { return openDescriptors() == standardOnly; }, std::chrono::seconds(5));
    EXPECT_EQ(openDescriptors(), standardOnly);
    {
        FrameStream stream(LinkTest::connectTo(server_->port()));
        EXPECT_TRUE(nextIsConfiguration(stream));
    }
    ASSERT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("Disconnected from client")); }));
    EXPECT_EQ(server_->clientPid(), helper);
    EXPECT_EQ(logText().count(QStringLiteral("Statwick process server started with PID")), 1);
    ::kill(helper, SIGKILL);
}
