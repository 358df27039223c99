#include "LinkTestSupport.h"

#include "Helper/QVDAHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace LinkTest {

QString uniqueBundleId()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("test.twinsweep.link.%1.%2").arg(::getpid()).arg(counter.fetch_add(1));
}

int connectTo(quint16 port, const char* host)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FrameStream::~FrameStream()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<QVDAFrame::Frame> FrameStream::next(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto frame = reader_.next()) {
            return frame;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd pfd = {fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return std::nullopt;
        }
        reader_.feed(buffer, n);
    }
}

bool FrameStream::waitClosed(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd pfd = {fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return true;
        }
    }
}

TestLinkServer::TestLinkServer()
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 8);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

TestLinkServer::~TestLinkServer()
{
    ::close(fd_);
}

QString TestLinkServer::writePortFile(const QString& bundleId, const QByteArray& contents) const
{
    const QString path = QVDAHelper::portFilePath(bundleId, true);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(contents.isNull() ? QByteArray::number(port_) : contents);
    file.close();
    return path;
}

int TestLinkServer::accept(std::chrono::milliseconds timeout)
{
    pollfd pfd = {fd_, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) {
        return -1;
    }
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

bool sendAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

HeldLock::HeldLock(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ::flock(fd_, LOCK_SH);
}

HeldLock::~HeldLock()
{
    release();
}

void HeldLock::release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace LinkTest
