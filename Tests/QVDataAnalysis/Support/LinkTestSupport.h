#pragma once

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QString>

#include "QVDAFrame.h"

// Small real-socket tools for the link tests.
namespace LinkTest {

using namespace std::chrono_literals;

// An identifier no other test process uses (it names the port file).
QString uniqueBundleId();

// Connects to 127.0.0.1:port (or to `host`); -1 on failure.
int connectTo(quint16 port, const char* host = "127.0.0.1");

// Reads frames from a connected socket with a time limit.
class FrameStream {
public:
    explicit FrameStream(int fd) : fd_(fd) {}
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    std::optional<QVDAFrame::Frame> next(std::chrono::milliseconds timeout = 10s);
    // True when the peer closes the link within the time limit.
    bool waitClosed(std::chrono::milliseconds timeout = 10s);
    int fd() const { return fd_; }

private:
    int fd_;
    QVDAFrame::Reader reader_;
};

// A listening socket on 127.0.0.1 standing in for the program's server.
class TestLinkServer {
public:
    TestLinkServer();
    ~TestLinkServer();
    quint16 port() const { return port_; }
    // Writes the port file the helper reads for `bundleId`; returns its path.
    QString writePortFile(const QString& bundleId, const QByteArray& contents = {}) const;
    // Accepts one connection; -1 when none comes in time.
    int accept(std::chrono::milliseconds timeout = 10s);

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

bool sendAll(int fd, const QByteArray& bytes);

// Holds a shared lock on a file, as a running program holds its running lock.
class HeldLock {
public:
    explicit HeldLock(const QString& path);
    ~HeldLock();
    void release();

private:
    int fd_ = -1;
};

}  // namespace LinkTest
