#include "QVDASocketServer.h"

#include "GAEvent.h"
#include "QVDAFrame.h"
#include "RYGALogManager.h"

#include "Helper/QVDAHelper.h"
#include "Helper/QVDALog.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/RYLog.h"

#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::mutex helperPathMutex;
std::atomic<QVDASocketServer*> defaultServer{nullptr};
QString helperPathOverride;

QString errorText(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

// Frames move from the cache to the connection only while less than this
// is waiting for the system, so a helper that stops reading cannot make
// the out queue grow past the cache's bounds.
constexpr qsizetype outQueueHighWater = 256 * 1024;

// Without a process descriptor, how often a helper that may have ended is looked at.
constexpr int reapPollMilliseconds = 200;

QString addressText(const sockaddr_in& address)
{
    char host[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
    return QStringLiteral("%1:%2").arg(QString::fromLatin1(host)).arg(ntohs(address.sin_port));
}

// An address of /proc/net/tcp or tcp6 ("0100007F:1F90"): the address as
// 32-bit words printed in hexadecimal in the machine's order, then the port.
bool parseProcAddress(const QByteArray& text, QByteArray* address, quint16* port)
{
    const qsizetype colon = text.indexOf(':');
    if (colon != 8 && colon != 32) {
        return false;
    }
    address->clear();
    for (qsizetype at = 0; at < colon; at += 8) {
        bool ok = false;
        const quint32 word = static_cast<quint32>(text.mid(at, 8).toULong(&ok, 16));
        if (!ok) {
            return false;
        }
        address->append(reinterpret_cast<const char*>(&word), 4);
    }
    bool ok = false;
    *port = static_cast<quint16>(text.mid(colon + 1).toUInt(&ok, 16));
    return ok;
}

// The same IPv4 address as tcp6 shows it, mapped into IPv6.
QByteArray mappedAddress(const in_addr& address)
{
    QByteArray mapped(10, '\0');
    mapped.append(2, '\xff');
    mapped.append(reinterpret_cast<const char*>(&address.s_addr), 4);
    return mapped;
}

}  // namespace

QVDASocketServer& QVDASocketServer::defaultManager()
{
    static QVDASocketServer* server = [] {
        auto* created = new QVDASocketServer();
        defaultServer.store(created);
        return created;
    }();
    return *server;
}

QVDASocketServer::QVDASocketServer()
{
    if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakeFds_[0] = wakeFds_[1] = -1;
    }
}

QVDASocketServer::~QVDASocketServer()
{
    stopThread();
    if (connFd_ >= 0) {
        ::close(connFd_);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
    for (int fd : {wakeFds_[0], wakeFds_[1], pidFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (clientPid_ > 0) {
        int status = 0;
        ::waitpid(clientPid_, &status, WNOHANG);
    }
}

void QVDASocketServer::stopThread()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void QVDASocketServer::startAfter(std::chrono::milliseconds delay)
{
    // What the link thread uses must outlive it: make those objects now, so
    // that the stop registered below runs before any of them is destroyed
    // at exit.
    Bundle::main();
    RYLog::shared();
    QVDALog::shared();
    std::lock_guard lock(mutex_);
    if (started_ || stopping_) {
        return;
    }
    started_ = true;
    thread_ = std::thread([this, delay] { run(delay); });
    if (this == defaultServer.load()) {
        std::atexit([] { defaultServer.load()->stopThread(); });
    }
}

void QVDASocketServer::enqueueLocked(QByteArray frame, bool front)
{
    cacheBytes_ += frame.size();
    if (front) {
        cache_.push_front(std::move(frame));
    } else {
        cache_.push_back(std::move(frame));
    }
    while (!cache_.empty()
           && (static_cast<int>(cache_.size()) > maxCachedFrames || cacheBytes_ > maxCachedBytes)) {
        QVDALogLine(QStringLiteral("drop cached GA event, length = %1").arg(cache_.front().size()));
        cacheBytes_ -= cache_.front().size();
        cache_.pop_front();
    }
}

void QVDASocketServer::sendData(const QByteArray& payload, quint64 tag)
{
    QByteArray frame = QVDAFrame::build(payload, tag);
    if (frame.isEmpty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        enqueueLocked(std::move(frame), false);
    }
    wake();
}

void QVDASocketServer::wake()
{
    if (wakeFds_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFds_[1], &byte, 1);
    }
}

quint16 QVDASocketServer::port() const
{
    std::lock_guard lock(mutex_);
    return port_;
}

pid_t QVDASocketServer::clientPid() const
{
    std::lock_guard lock(mutex_);
    return clientPid_;
}

bool QVDASocketServer::isConnected() const
{
    std::lock_guard lock(mutex_);
    return connected_;
}

int QVDASocketServer::cachedFrameCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(cache_.size());
}

QString QVDASocketServer::portFilePath() const
{
    return QVDAHelper::portFilePath(QVDAHelper::bundleIdentifier(), false);
}

bool QVDASocketServer::isProcessRunning(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) == 0;
}

QString QVDASocketServer::helperPath()
{
    {
        std::lock_guard lock(helperPathMutex);
        if (!helperPathOverride.isEmpty()) {
            return helperPathOverride;
        }
    }
    Dl_info info = {};
    if (::dladdr(reinterpret_cast<void*>(&QVDASocketServer::isProcessRunning), &info) == 0 || !info.dli_fname) {
        return {};
    }
    const QString library = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return library + QStringLiteral("/QVDataAnalysis/PlugIns/Statwick");
}

void QVDASocketServer::setHelperPathForTesting(const QString& path)
{
    std::lock_guard lock(helperPathMutex);
    helperPathOverride = path;
}

void QVDASocketServer::setConfigurationSource(std::function<QByteArray()> source)
{
    std::lock_guard lock(mutex_);
    configurationSource_ = std::move(source);
}

void QVDASocketServer::setSpawnHelper(bool spawn)
{
    std::lock_guard lock(mutex_);
    spawnHelper_ = spawn;
}

void QVDASocketServer::setRespawnLimit(int count, std::chrono::milliseconds window)
{
    std::lock_guard lock(mutex_);
    respawnLimit_ = count;
    respawnWindow_ = window;
}

void QVDASocketServer::setPeerUidLookup(PeerUidLookup lookup)
{
    std::lock_guard lock(mutex_);
    peerUidLookup_ = std::move(lookup);
}

std::optional<uid_t> QVDASocketServer::peerUidFromProc(const sockaddr_in& peer, const sockaddr_in& local)
{
    // The peer's own socket is the one whose local end is the peer's
    // address and whose remote end is ours.
    const QByteArray peer4(reinterpret_cast<const char*>(&peer.sin_addr.s_addr), 4);
    const QByteArray local4(reinterpret_cast<const char*>(&local.sin_addr.s_addr), 4);
    const QByteArray peer6 = mappedAddress(peer.sin_addr);
    const QByteArray local6 = mappedAddress(local.sin_addr);
    const quint16 peerPort = ntohs(peer.sin_port);
    const quint16 localPort = ntohs(local.sin_port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        file.readLine();  // the heading
        for (;;) {
            const QByteArray line = file.readLine();
            if (line.isEmpty()) {
                break;
            }
            // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid …
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 8) {
                continue;
            }
            QByteArray from;
            QByteArray to;
            quint16 fromPort = 0;
            quint16 toPort = 0;
            if (!parseProcAddress(fields[1], &from, &fromPort) || !parseProcAddress(fields[2], &to, &toPort)
                || fromPort != peerPort || toPort != localPort) {
                continue;
            }
            const bool matches = from.size() == 4 ? (from == peer4 && to == local4) : (from == peer6 && to == local6);
            bool ok = false;
            const uint uid = fields[7].toUInt(&ok);
            if (matches && ok) {
                return static_cast<uid_t>(uid);
            }
        }
    }
    return std::nullopt;
}

bool QVDASocketServer::waitUntilFlushed(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return connected_ && cache_.empty() && outEmpty_; });
}

bool QVDASocketServer::waitUntilListening(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return listenAttempted_; });
    return port_ != 0;
}

void QVDASocketServer::run(std::chrono::milliseconds delay)
{
    const auto startAt = std::chrono::steady_clock::now() + delay;
    // Frames sent before the listener opens simply wait in the cache.
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(startAt - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd pfd = {wakeFds_[0], POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(left.count()));
        char buffer[64];
        while (::read(wakeFds_[0], buffer, sizeof buffer) > 0) {
        }
    }

    openListener();

    for (;;) {
        fillOutQueue();
        if (respawnAt_ && std::chrono::steady_clock::now() >= *respawnAt_) {
            respawnIfNeeded();
        }
        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {wakeFds_[0], POLLIN, 0};
        const int listenIndex = listenFd_ >= 0 ? static_cast<int>(count) : -1;
        if (listenFd_ >= 0) {
            fds[count++] = {listenFd_, POLLIN, 0};
        }
        const int connIndex = connFd_ >= 0 ? static_cast<int>(count) : -1;
        if (connFd_ >= 0) {
            fds[count++] = {connFd_, static_cast<short>(POLLIN | (outQueue_.empty() ? 0 : POLLOUT)), 0};
        }
        if (pidFd_ >= 0) {
            fds[count++] = {pidFd_, POLLIN, 0};
        }
        if (::poll(fds, count, pollTimeout()) < 0 && errno != EINTR) {
            QVDALogLine(QStringLiteral("link poll failed: %1").arg(errorText(errno)));
            return;
        }
        // Emptied before the stop mark is read: a stop that lands between
        // the two has already set the mark, so its wake-up byte is never
        // swallowed with an earlier one while the mark reads false, which
        // left the next poll waiting for ever.
        if (fds[0].revents & POLLIN) {
            char buffer[256];
            while (::read(wakeFds_[0], buffer, sizeof buffer) > 0) {
            }
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        if (listenIndex >= 0 && (fds[listenIndex].revents & POLLIN)) {
            acceptConnections();
        }
        if (connIndex >= 0 && connFd_ >= 0) {
            const short revents = fds[connIndex].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) {
                readConnection();
            }
            if (connFd_ >= 0 && (revents & POLLOUT)) {
                writeConnection();
            }
        }
        // Looked at after every wake-up: cheap, and it also serves where
        // there is no process descriptor to wait on.
        reapHelper();
    }
}

int QVDASocketServer::pollTimeout() const
{
    int timeout = -1;
    if (respawnAt_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*respawnAt_ - std::chrono::steady_clock::now());
        timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
    }
    std::lock_guard lock(mutex_);
    if (clientPid_ > 0 && pidFd_ < 0 && (timeout < 0 || timeout > reapPollMilliseconds)) {
        timeout = reapPollMilliseconds;
    }
    return timeout;
}

void QVDASocketServer::reapHelper()
{
    pid_t pid = 0;
    {
        std::lock_guard lock(mutex_);
        pid = clientPid_;
    }
    if (pid <= 0) {
        return;
    }
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == 0 || (result < 0 && errno != ECHILD)) {
        return;  // still running
    }
    if (pidFd_ >= 0) {
        ::close(pidFd_);
        pidFd_ = -1;
    }
    {
        std::lock_guard lock(mutex_);
        clientPid_ = 0;
    }
    QString how = QStringLiteral("gone");
    if (result == pid && WIFEXITED(status)) {
        how = QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    } else if (result == pid && WIFSIGNALED(status)) {
        how = QStringLiteral("signal %1").arg(WTERMSIG(status));
    }
    QVDALogLine(QStringLiteral("Statwick process %1 ended (%2)").arg(pid).arg(how));
    respawnIfNeeded();
}

void QVDASocketServer::openListener()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int error = 0;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        QVDALogLine(QStringLiteral("Error starting Statwick process server: %1").arg(errorText(error)));
        std::lock_guard lock(mutex_);
        listenAttempted_ = true;
        changed_.notify_all();
        return;
    }
    listenFd_ = fd;
    bool spawn = false;
    {
        std::lock_guard lock(mutex_);
        port_ = ntohs(address.sin_port);
        spawn = spawnHelper_;
    }
    QVDALogLine(QStringLiteral("Statwick Process Server started on port %1").arg(ntohs(address.sin_port)));
    writePortFile();
    {
        std::lock_guard lock(mutex_);
        listenAttempted_ = true;
        changed_.notify_all();
    }
    if (spawn) {
        runDetachedProcess(helperPath());
    }
}

void QVDASocketServer::writePortFile()
{
    QString error;
    const QString target = QVDAHelper::portFilePath(QVDAHelper::bundleIdentifier(), true, &error);
    if (target.isEmpty()) {
        QVDALogLine(QStringLiteral("cannot write the port file: no private folder for it (%1)").arg(error));
        return;
    }
    const QByteArray path = QFile::encodeName(target);
    QByteArray temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());  // created with mode 0600
    if (fd < 0) {
        QVDALogLine(QStringLiteral("cannot write the port file: %1").arg(errorText(errno)));
        return;
    }
    const QByteArray text = QByteArray::number(port());
    const bool written = ::write(fd, text.constData(), text.size()) == text.size() && ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!written || ::rename(temp.constData(), path.constData()) != 0) {
        QVDALogLine(QStringLiteral("cannot write the port file: %1").arg(errorText(errno)));
        ::unlink(temp.constData());
    }
}

bool QVDASocketServer::runDetachedProcess(const QString& path)
{
    const QByteArray program = path.toLocal8Bit();
    const QByteArray identifier = QVDAHelper::bundleIdentifier().toUtf8();
    const QByteArray parent = QByteArray::number(static_cast<int>(::getpid()));
    const QByteArray logFolder = RYLog::shared().logPath().toUtf8();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(identifier.constData()),
                    const_cast<char*>(parent.constData()), const_cast<char*>(logFolder.constData()), nullptr};
    // Nothing of our environment but what names the port file's folder, so
    // the helper finds the same folder.
    QList<QByteArray> variables;
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty()) {
            variables.append(QByteArray(name) + '=' + value);
        }
    }
    std::vector<char*> envp;
    for (QByteArray& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_init(&actions);
    // The helper inherits nothing beyond standard input, output and error.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, program.constData(), &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        QVDALogLine(QStringLiteral("Failed to start Statwick server process: %1").arg(errorText(result)));
        return false;
    }
    if (pidFd_ >= 0) {
        ::close(pidFd_);
    }
    // Called through syscall(): the C library's declaration of it is not
    // usable from C++ everywhere. Process descriptors are close-on-exec.
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    {
        std::lock_guard lock(mutex_);
        clientPid_ = pid;
    }
    QVDALogLine(QStringLiteral("Statwick process server started with PID %1").arg(pid));
    return true;
}

void QVDASocketServer::acceptConnections()
{
    for (;;) {
        sockaddr_in peer = {};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (!acceptedFromThisUser(fd, peer)) {
            ::close(fd);
            continue;
        }
        QVDALogLine(QStringLiteral("Statwick Process Server Accepted new client: %1").arg(addressText(peer)));
        // A new connection replaces an earlier one, which is closed; frames
        // it had not started to write go back to the cache.
        closeConnection(true);
        connFd_ = fd;

        std::function<QByteArray()> source;
        {
            std::lock_guard lock(mutex_);
            source = configurationSource_;
        }
        const QByteArray configuration = source ? source() : RYGALogManager::shared().archivedData();
        const QByteArray configurationFrame = QVDAFrame::build(configuration, QVDAFrame::tagConfiguration);
        if (!configurationFrame.isEmpty()) {
            outQueue_.push_back(configurationFrame);
            outBytes_ += configurationFrame.size();
        }
        if (!startEventSent_) {
            startEventSent_ = true;
            GAEvent start;
            start.setCategory(QStringLiteral("CrashRate"));
            start.setAction(QStringLiteral("Start"));
            start.setLabels(QStringLiteral("null"));
            const QByteArray frame = QVDAFrame::build(start.archivedData(), QVDAFrame::tagEvent);
            outQueue_.push_back(frame);
            outBytes_ += frame.size();
        }
        std::deque<QByteArray> cached;
        {
            std::lock_guard lock(mutex_);
            cached.swap(cache_);
            cacheBytes_ = 0;
            connected_ = true;
            outEmpty_ = false;
        }
        for (QByteArray& frame : cached) {
            QVDALogLine(QStringLiteral("send cache GA event, length = %1").arg(frame.size()));
            outBytes_ += frame.size();
            outQueue_.push_back(std::move(frame));
        }
        writeConnection();
        if (connFd_ < 0) {
            return;
        }
    }
}

bool QVDASocketServer::acceptedFromThisUser(int fd, const sockaddr_in& peer)
{
    sockaddr_in local = {};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        QVDALogLine(QStringLiteral("Refused a connection from %1: %2").arg(addressText(peer), errorText(errno)));
        return false;
    }
    PeerUidLookup lookup;
    {
        std::lock_guard lock(mutex_);
        lookup = peerUidLookup_;
    }
    const std::optional<uid_t> uid = lookup ? lookup(peer, local) : peerUidFromProc(peer, local);
    if (uid && *uid == ::geteuid()) {
        return true;
    }
    QVDALogLine(QStringLiteral("Refused a connection from %1: it belongs to %2, not to this user")
                    .arg(addressText(peer),
                         uid ? QStringLiteral("user %1").arg(*uid) : QStringLiteral("an unknown user")));
    return false;
}

void QVDASocketServer::fillOutQueue()
{
    if (connFd_ < 0) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        while (!cache_.empty() && outBytes_ < outQueueHighWater) {
            outBytes_ += cache_.front().size();
            cacheBytes_ -= cache_.front().size();
            outQueue_.push_back(std::move(cache_.front()));
            cache_.pop_front();
        }
    }
    if (!outQueue_.empty()) {
        writeConnection();
    }
}

void QVDASocketServer::writeConnection()
{
    while (connFd_ >= 0 && !outQueue_.empty()) {
        const QByteArray& frame = outQueue_.front();
        const ssize_t n = ::send(connFd_, frame.constData() + outOffset_, frame.size() - outOffset_, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            }
            disconnect(errorText(errno));
            return;
        }
        outOffset_ += n;
        if (outOffset_ == frame.size()) {
            outBytes_ -= frame.size();
            outQueue_.pop_front();
            outOffset_ = 0;
        }
    }
    if (connFd_ >= 0 && outQueue_.empty()) {
        std::lock_guard lock(mutex_);
        outEmpty_ = true;
        changed_.notify_all();
    }
}

void QVDASocketServer::readConnection()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(connFd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            QVDALogLine(QStringLiteral("Statwick Process ServerReceived message: %1")
                            .arg(QString::fromUtf8(buffer, static_cast<qsizetype>(n))));
            continue;
        }
        if (n == 0) {
            disconnect(QStringLiteral("the helper closed the link"));
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            disconnect(errorText(errno));
        }
        return;
    }
}

void QVDASocketServer::closeConnection(bool requeue)
{
    if (connFd_ < 0) {
        return;
    }
    ::close(connFd_);
    connFd_ = -1;
    if (outOffset_ > 0 && !outQueue_.empty()) {
        outQueue_.pop_front();  // partly written: the helper cannot use the rest
    }
    outOffset_ = 0;
    outBytes_ = 0;
    std::lock_guard lock(mutex_);
    if (requeue) {
        while (!outQueue_.empty()) {
            enqueueLocked(std::move(outQueue_.back()), true);
            outQueue_.pop_back();
        }
    }
    outQueue_.clear();
    connected_ = false;
    outEmpty_ = true;
    changed_.notify_all();
}

void QVDASocketServer::disconnect(const QString& error)
{
    QVDALogLine(QStringLiteral("Disconnected from client: %1").arg(error));
    closeConnection(true);
    // A helper that still runs reconnects by itself; one that has ended is
    // (or will be) reaped, and that starts the next.
    reapHelper();
    respawnIfNeeded();
}

void QVDASocketServer::respawnIfNeeded()
{
    bool spawn = false;
    pid_t pid = 0;
    int limit = 0;
    std::chrono::milliseconds window{};
    {
        std::lock_guard lock(mutex_);
        spawn = spawnHelper_;
        pid = clientPid_;
        limit = respawnLimit_;
        window = respawnWindow_;
    }
    if (!spawn || pid > 0 || connFd_ >= 0 || listenFd_ < 0 || limit <= 0) {
        respawnAt_.reset();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    while (!respawns_.empty() && now - respawns_.front() >= window) {
        respawns_.pop_front();
    }
    if (static_cast<int>(respawns_.size()) >= limit) {
        if (!respawnAt_) {
            QVDALogLine(QStringLiteral("Statwick restarted too often; not starting it again for now"));
        }
        respawnAt_ = respawns_.front() + window;
        return;
    }
    respawnAt_.reset();
    respawns_.push_back(now);
    runDetachedProcess(helperPath());
}
