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
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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
        QFile::remove(QVDAHelper::portFilePath(bundleId_, false));
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

// The state letter of a process ("R", "S", "Z" …), empty when it is gone.
QByteArray processState(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 ? QByteArray() : text.mid(close + 2, 1);
}


std::pair<dev_t, ino_t> objectOf(int fd)
{
    struct stat info = {};
    ::fstat(fd, &info);
    return {info.st_dev, info.st_ino};
}

// What the descriptors of a process from `first` on point to (files, pipes, sockets).
std::set<std::pair<dev_t, ino_t>> openObjects(pid_t pid, int first)
{
    std::set<std::pair<dev_t, ino_t>> objects;
    const QDir folder(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& name : folder.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        struct stat info = {};
        if (name.toInt() >= first && ::stat(QFile::encodeName(folder.filePath(name)).constData(), &info) == 0) {
            objects.insert({info.st_dev, info.st_ino});
        }
    }
    return objects;
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

TEST_F(LinkServerTest, GoneHelperIsRestartedAtMostThreeTimesAMinuteAndLaterAgain)
{
    // A helper that ends at once: it is reaped and started again without
    // waiting for any link to drop, three times, then held back.
    QVDASocketServer::setHelperPathForTesting(QStringLiteral("/bin/true"));
    server_->setSpawnHelper(true);
    startServer();
    const auto starts = [&] { return logText().count(QStringLiteral("Statwick process server started with PID")); };
    ASSERT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("restarted too often")); }));
    ASSERT_TRUE(waitUntil([&] { return server_->clientPid() == 0; }));
    EXPECT_EQ(starts(), 1 + QVDASocketServer::maxRespawnsPerMinute);
    EXPECT_EQ(logText().count(QStringLiteral("ended (exit status 0)")), starts());

    // Held back, not given up: once the window has passed it starts again.
    server_.reset();
    server_ = std::make_unique<QVDASocketServer>();
    server_->setRespawnLimit(2, 300ms);
    server_->setSpawnHelper(true);
    RYLog::shared().resetForTesting();
    QFile::remove(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
    startServer();
    EXPECT_TRUE(waitUntil([&] { return starts() >= 7; }, 30s));
    EXPECT_TRUE(logText().contains(QStringLiteral("restarted too often")));
}

TEST_F(LinkServerTest, HelperKilledAtAnyMomentIsReapedAndReplaced)
{
    QVDASocketServer::setHelperPathForTesting(QStringLiteral(STATWICK_PATH));
    server_->setSpawnHelper(true);
    server_->setRespawnLimit(1000, std::chrono::minutes(1));
    startServer();
    std::mt19937 random(std::random_device{}());
    std::vector<pid_t> killed;
    const auto isNew = [&](pid_t pid) { return pid > 0 && std::find(killed.begin(), killed.end(), pid) == killed.end(); };
    for (int round = 0; round < 30; ++round) {
        pid_t helper = 0;
        switch (round % 3) {
        case 0:  // as soon as it is started, connected or not
            ASSERT_TRUE(waitUntil([&] { return isNew(helper = server_->clientPid()); }, 30s)) << "round " << round;
            break;
        case 1:  // while connected, a moment later
            ASSERT_TRUE(waitUntil([&] { return isNew(helper = server_->clientPid()) && server_->isConnected(); }, 30s))
                << "round " << round;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
            break;
        default: {  // 50 ms after its link dropped: the link's end comes first
            ASSERT_TRUE(waitUntil([&] { return isNew(helper = server_->clientPid()) && server_->isConnected(); }, 30s))
                << "round " << round;
            ::close(LinkTest::connectTo(server_->port()));  // displaces the helper's link, then goes
            ASSERT_TRUE(waitUntil([&] { return !server_->isConnected(); }));
            std::this_thread::sleep_for(50ms);
            break;
        }
        }
        ASSERT_EQ(::kill(helper, SIGKILL), 0);
        killed.push_back(helper);
    }
    // Every time a new helper came and connected; none of the killed stays a zombie.
    EXPECT_TRUE(waitUntil([&] { return isNew(server_->clientPid()) && server_->isConnected(); }, 30s));
    for (pid_t pid : killed) {
        EXPECT_TRUE(waitUntil([&] { return processState(pid).isEmpty(); })) << "helper " << pid << " left a zombie";
    }
    EXPECT_EQ(logText().count(QStringLiteral("Statwick process server started with PID")), 31);
    EXPECT_EQ(logText().count(QStringLiteral("ended (signal 9)")), 30);
    const pid_t last = server_->clientPid();
    server_.reset();
    ::kill(last, SIGKILL);
    ::waitpid(last, nullptr, 0);
}

TEST_F(LinkServerTest, ConnectionsOfOtherUsersAreClosedAtOnceAndLogged)
{
    startServer();
    const auto refusedWithoutData = [](int fd) {
        FrameStream stream(fd);
        return fd >= 0 && !stream.next(10s) && stream.waitClosed(1s);
    };
    if (runningAsRoot()) {
        // A real client of another user.
        const quint16 port = server_->port();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(3);
            }
            const int fd = LinkTest::connectTo(port);
            if (fd < 0) {
                ::_exit(2);
            }
            char byte = 0;
            ::_exit(::recv(fd, &byte, 1, 0) == 0 ? 0 : 1);  // closed before any frame
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: it was sent frames, 2: it could not connect";
        EXPECT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("it belongs to user 65534, not to this user")); }));
    } else {
        server_->setPeerUidLookup([](const sockaddr_in&, const sockaddr_in&) { return std::optional<uid_t>(::geteuid() + 1); });
        EXPECT_TRUE(refusedWithoutData(LinkTest::connectTo(server_->port())));
        EXPECT_TRUE(logText().contains(QStringLiteral("it belongs to user %1, not to this user").arg(::geteuid() + 1)));
    }
    server_->setPeerUidLookup([](const sockaddr_in&, const sockaddr_in&) { return std::nullopt; });
    EXPECT_TRUE(refusedWithoutData(LinkTest::connectTo(server_->port())));
    EXPECT_TRUE(logText().contains(QStringLiteral("it belongs to an unknown user")));
    EXPECT_FALSE(server_->isConnected());
    EXPECT_FALSE(logText().contains(QStringLiteral("Accepted new client")));

    // Our own connection, looked up for real, is kept and served.
    server_->setPeerUidLookup(nullptr);
    FrameStream ours(LinkTest::connectTo(server_->port()));
    EXPECT_TRUE(nextIsConfiguration(ours));
}

TEST(LinkPeerLookup, FindsTheOwnerOfTheConnectingSocketOnly)
{
    LinkTest::TestLinkServer listener;
    const int client = LinkTest::connectTo(listener.port());
    ASSERT_GE(client, 0);
    const int accepted = listener.accept();
    ASSERT_GE(accepted, 0);
    sockaddr_in peer = {};
    sockaddr_in local = {};
    socklen_t length = sizeof peer;
    ASSERT_EQ(::getpeername(accepted, reinterpret_cast<sockaddr*>(&peer), &length), 0);
    length = sizeof local;
    ASSERT_EQ(::getsockname(accepted, reinterpret_cast<sockaddr*>(&local), &length), 0);
    EXPECT_EQ(QVDASocketServer::peerUidFromProc(peer, local), std::optional<uid_t>(::geteuid()));
    sockaddr_in other = peer;
    other.sin_port = htons(static_cast<quint16>(ntohs(peer.sin_port) ^ 1));
    EXPECT_EQ(QVDASocketServer::peerUidFromProc(other, local), std::nullopt);
    ::close(client);
    ::close(accepted);
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
    const int marker = ::open(QFile::encodeName(scratch() + QStringLiteral("/marker")).constData(), O_RDONLY | O_CREAT, 0600);
    ASSERT_GE(marker, 3);
    startServer();
    ASSERT_TRUE(waitUntil([&] { return server_->clientPid() > 0; }));
    const pid_t helper = server_->clientPid();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(record); }));
    QFile recorded(record);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(recorded.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("3 %1 %2 %3").arg(bundleId_).arg(::getpid()).arg(RYLog::shared().logPath()));
    // The shell sets a few of its own; of ours only what names the port file's folder comes.
    for (const QString& line : lines.mid(1)) {
        const QString name = line.section(QLatin1Char('='), 0, 0);
        if (name == QLatin1String("XDG_RUNTIME_DIR") || name == QLatin1String("TMPDIR")) {
            EXPECT_EQ(line.section(QLatin1Char('='), 1), qEnvironmentVariable(name.toLatin1().constData()));
        } else {
            EXPECT_FALSE(name == QLatin1String("HOME") || name.startsWith(QLatin1String("XDG_"))) << line.toStdString();
        }
    }
    // A session of its own.
    ASSERT_TRUE(waitUntil([&] {
        return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(helper)).contains(QStringLiteral("sleep"));
    }));
    EXPECT_EQ(::getsid(helper), helper);
    // Nothing of ours is inherited beyond standard input, output and error.
    // Counting the helper's descriptors races with its own start-up (the
    // loader opens and closes its cache and libraries as descriptor 3), so
    // what each one points to is compared with what ours point to: an
    // inherited one would stay open on one of our objects (the marker above
    // first of all: it is not closed on exec).
    const std::set<std::pair<dev_t, ino_t>> ours = openObjects(::getpid(), 3);
    ASSERT_TRUE(ours.count(objectOf(marker)));
    for (const auto& object : openObjects(helper, 3)) {
        EXPECT_FALSE(ours.count(object)) << "the helper holds a descriptor of ours: " << object.first << ":" << object.second;
    }
    ::close(marker);
    {
        FrameStream stream(LinkTest::connectTo(server_->port()));
        EXPECT_TRUE(nextIsConfiguration(stream));
    }
    ASSERT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("Disconnected from client")); }));
    EXPECT_EQ(server_->clientPid(), helper);
    EXPECT_EQ(logText().count(QStringLiteral("Statwick process server started with PID")), 1);
    ::kill(helper, SIGKILL);
}

namespace {

// The port file's folder under a chosen runtime folder and temporary folder.
class LinkPortFileTest : public LinkServerTest {
protected:
    void SetUp() override
    {
        LinkServerTest::SetUp();
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        savedTemp_ = qgetenv("TMPDIR");
        // A shared temporary folder like /tmp: everyone may write, sticky.
        temp_ = scratch() + QStringLiteral("/tmp");
        QDir().mkpath(temp_);
        ::chmod(QFile::encodeName(scratch()).constData(), 0755);
        ::chmod(QFile::encodeName(home()).constData(), 0755);
        ::chmod(QFile::encodeName(temp_).constData(), 01777);
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(temp_));
    }
    void TearDown() override
    {
        server_.reset();
        savedRuntime_.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntime_);
        savedTemp_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp_);
        LinkServerTest::TearDown();
    }
    QString perUser() const { return temp_ + QStringLiteral("/QVDataAnalysis-%1").arg(::geteuid()); }
    static mode_t modeOf(const QString& path)
    {
        struct stat info = {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
    }
    // Starts the server and answers where its port file went (empty: nowhere).
    QString portFileWritten()
    {
        startServer();
        const QString path = server_->portFilePath();
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.readAll() != QByteArray::number(server_->port())) {
            return {};
        }
        EXPECT_EQ(modeOf(path), 0600u);
        return path;
    }

    QString temp_;
    QByteArray savedRuntime_;
    QByteArray savedTemp_;
};

}  // namespace

TEST_F(LinkPortFileTest, RuntimeFolderWhenPrivateElseAFolderOfOurOwnInTheTemporaryFolder)
{
    const QString runtime = scratch() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    EXPECT_EQ(portFileWritten(), runtime + QLatin1Char('/') + bundleId_ + QStringLiteral("_server_port.txt"));
    EXPECT_FALSE(QFile::exists(perUser()));

    // A runtime folder others may enter is not used.
    server_ = std::make_unique<QVDASocketServer>();
    server_->setSpawnHelper(false);
    ::chmod(QFile::encodeName(runtime).constData(), 0755);
    EXPECT_EQ(portFileWritten(), perUser() + QLatin1Char('/') + bundleId_ + QStringLiteral("_server_port.txt"));
    EXPECT_EQ(modeOf(perUser()), 0700u);

    // Neither is the shared temporary folder itself.
    EXPECT_FALSE(QFile::exists(temp_ + QLatin1Char('/') + bundleId_ + QStringLiteral("_server_port.txt")));
}

TEST_F(LinkPortFileTest, AFolderOfThatNameThatIsNotOursIsRefused)
{
    // Our own, left open by something else: narrowed.
    QDir().mkpath(perUser());
    ::chmod(QFile::encodeName(perUser()).constData(), 0777);
    EXPECT_FALSE(portFileWritten().isEmpty());
    EXPECT_EQ(modeOf(perUser()), 0700u);
    QDir(perUser()).removeRecursively();

    // A link planted by another user, to a folder of theirs.
    const QString elsewhere = scratch() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QFile::link(elsewhere, perUser()));
    server_ = std::make_unique<QVDASocketServer>();
    server_->setSpawnHelper(false);
    EXPECT_TRUE(portFileWritten().isEmpty());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    EXPECT_TRUE(logText().contains(QStringLiteral("cannot write the port file: no private folder for it")));
    QFile::remove(perUser());

    if (runningAsRoot()) {
        // A folder of another user.
        QDir().mkpath(perUser());
        ASSERT_EQ(::chown(QFile::encodeName(perUser()).constData(), 65534, 65534), 0);
        server_ = std::make_unique<QVDASocketServer>();
        server_->setSpawnHelper(false);
        EXPECT_TRUE(portFileWritten().isEmpty());
        EXPECT_TRUE(QDir(perUser()).isEmpty());
        EXPECT_TRUE(QVDAHelper::portFilePath(bundleId_, false).isEmpty()) << "the helper does not read from it either";
    }
}
