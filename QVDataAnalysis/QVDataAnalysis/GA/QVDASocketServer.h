#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <QByteArray>
#include <QString>

#include <netinet/in.h>
#include <sys/types.h>

// The program's end of the analytics link. It listens on 127.0.0.1 on a
// port the system picks, writes the port to <bundle id>_server_port.txt in a
// folder of this user's own (QVDAHelper::portFileFolder), starts the helper
// program Statwick and writes every configuration and event to it as
// frames. While no helper is connected, frames wait in a bounded cache
// (1,000 frames or 1 MiB; the oldest go first).
//
// Only connections from this user are kept: the owner of the connecting
// socket is looked up in /proc/net/tcp and tcp6, and any other is closed at
// once and logged, since the configuration carries the user's e-mail.
//
// The helper is watched itself (through a process descriptor): whenever it
// ends it is reaped, and while no helper is connected a new one is started,
// at most maxRespawnsPerMinute times a minute (later when over the limit).
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
    // Replaces the limit of helper restarts (count within window).
    void setRespawnLimit(int count, std::chrono::milliseconds window);
    // Replaces the lookup of the user that owns a connecting socket, given
    // the peer's address and the server's side of the connection; nothing
    // means unknown (and the connection is refused).
    using PeerUidLookup = std::function<std::optional<uid_t>(const sockaddr_in& peer, const sockaddr_in& local)>;
    void setPeerUidLookup(PeerUidLookup lookup);
    // The owner of the socket at `peer` connected to `local`, from /proc/net/tcp and tcp6.
    static std::optional<uid_t> peerUidFromProc(const sockaddr_in& peer, const sockaddr_in& local);
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
    bool acceptedFromThisUser(int fd, const sockaddr_in& peer);
    void reapHelper();
    void respawnIfNeeded();
    int pollTimeout() const;
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
    int respawnLimit_ = maxRespawnsPerMinute;
    std::chrono::milliseconds respawnWindow_ = std::chrono::minutes(1);
    std::function<QByteArray()> configurationSource_;
    PeerUidLookup peerUidLookup_;

    // Touched by the link thread only.
    int wakeFds_[2] = {-1, -1};
    int listenFd_ = -1;
    int connFd_ = -1;
    std::deque<QByteArray> outQueue_;
    qsizetype outOffset_ = 0;
    qsizetype outBytes_ = 0;
    bool startEventSent_ = false;
    std::deque<std::chrono::steady_clock::time_point> respawns_;
    // Readable once the helper ends; -1 where the system has no process
    // descriptors (then a short timer asks instead).
    int pidFd_ = -1;
    std::optional<std::chrono::steady_clock::time_point> respawnAt_;
};
