#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The program's end of the analytics link. It listens on 127.0.0.1 on a
// port the system picks, writes the port to /tmp/<bundle id>_server_port.txt,
// starts the helper program Statwick and writes every configuration and
// event to it as frames. While no helper is connected, frames wait in a
// bounded cache (1,000 frames or 1 MiB; the oldest go first).
//
// All socket work happens on one link thread; sendData() only queues the
// frame and wakes that thread, so it may be called from any thread and no
// frame is lost between a cache flush and a new connection.
class QVDASocketServer {
public:
    // The server of the program (created on first use, never destroyed).
    static QVDASocketServer& defaultManager();

    // An independent server, for tests; the destructor stops its thread.
    QVDASocketServer();
    ~QVDASocketServer();
    QVDASocketServer(const QVDASocketServer&) = delete;
    QVDASocketServer& operator=(const QVDASocketServer&) = delete;

    // Opens the listener and starts the helper, now or after `delay`. Only
    // the first call counts.
    void start() { startAfter(std::chrono::milliseconds(0)); }
    void startAfter(std::chrono::milliseconds delay);

    // Frames `payload` with `tag` and writes it to the helper, or caches it.
    // An empty payload produces no frame.
    void sendData(const QByteArray& payload, quint64 tag);

    quint16 port() const;
    pid_t clientPid() const;
    bool isConnected() const;
    int cachedFrameCount() const;
    QString portFilePath() const;

    // Whether signal 0 can be delivered to `pid`.
    static bool isProcessRunning(pid_t pid);

    // Where the helper program lies: <folder of this library>/QVDataAnalysis/PlugIns/Statwick.
    static QString helperPath();

    // Test hooks. A helper path of "" restores the default. A configuration
    // source replaces the shared RYGALogManager's archive sent on every
    // connection. With spawning off, the server starts no helper at all.
    static void setHelperPathForTesting(const QString& path);
    void setConfigurationSource(std::function<QByteArray()> source);
    void setSpawnHelper(bool spawn);
    // Waits until a helper is connected and every queued frame was handed to the system.
    bool waitUntilFlushed(std::chrono::milliseconds timeout);
    // Waits until the listener is open (or failed to open); true when listening.
    bool waitUntilListening(std::chrono::milliseconds timeout);

    // Limits of the cache and of helper restarts.
    static constexpr int maxCachedFrames = 1000;
    static constexpr qsizetype maxCachedBytes = 1024 * 1024;
    static constexpr int maxRespawnsPerMinute = 3;

private:
    void run(std::chrono::milliseconds delay);
    void stopThread();
    void openListener();
    void acceptConnections();
    void readConnection();
    void writeConnection();
    void disconnect(const QString& error);
    void closeConnection(bool requeue);
    void fillOutQueue();
    void respawnIfGone();
    bool runDetachedProcess(const QString& path);
    void writePortFile();
    void wake();
    void enqueueLocked(QByteArray frame, bool front);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    bool started_ = false;
    bool stopping_ = false;
    bool listenAttempted_ = false;
    std::deque<QByteArray> cache_;
    qsizetype cacheBytes_ = 0;
    bool connected_ = false;
    bool outEmpty_ = true;
    quint16 port_ = 0;
    pid_t clientPid_ = 0;
    bool spawnHelper_ = true;
    std::function<QByteArray()> configurationSource_;

    // Touched by the link thread only.
    int wakeFds_[2] = {-1, -1};
    int listenFd_ = -1;
    int connFd_ = -1;
    std::deque<QByteArray> outQueue_;
    qsizetype outOffset_ = 0;
    qsizetype outBytes_ = 0;
    bool startEventSent_ = false;
    std::deque<std::chrono::steady_clock::time_point> respawns_;
};
