#pragma once

#include <cstdint>

#include <QString>

#include "QVDAGASender.h"

// The helper's end of the analytics link. It connects to the program's
// server on 127.0.0.1 (the port comes from <bundle id>_server_port.txt in the
// folder QVDAHelper::portFileFolder names, the same the program writes to),
// hands every event frame to the report sender and every configuration frame
// to it as the new configuration. When the link drops it waits a moment:
// while the program still runs it reconnects (at most maxReconnectAttempts
// times in a row); once the program is gone it reports "Close", or "Crash"
// when the program left its status at "running", and ends.
class QVDASocketClient {
public:
    QVDASocketClient();

    void setMainBundleID(const QString& id) { mainBundleID_ = id; }
    QString mainBundleID() const { return mainBundleID_; }
    void setParentPid(const QString& pid) { parentPid_ = pid; }
    QString parentPid() const { return parentPid_; }
    void setLogPath(const QString& path) { logPath_ = path; }
    QString logPath() const { return logPath_; }

    qint64 reconnectAttempts() const { return reconnectAttempts_; }
    qint64 maxReconnectAttempts() const { return maxReconnectAttempts_; }
    void setMaxReconnectAttempts(qint64 value) { maxReconnectAttempts_ = value; }
    // Seconds before each reconnect attempt, and before the check that follows a drop.
    double reconnectInterval() const { return reconnectInterval_; }
    void setReconnectInterval(double seconds) { reconnectInterval_ = seconds; }
    double disconnectDelay() const { return disconnectDelay_; }
    void setDisconnectDelay(double seconds) { disconnectDelay_ = seconds; }

    QVDAGASender& gaSender() { return gaSender_; }

    // Sets up the log, then connects and serves the link until the program
    // is gone or the reconnect limit is reached; returns the exit status.
    int run();

    // Whether an instance of the program still holds its running lock.
    bool isMainAppRunning() const;
    // The port the port file names: 0 unless it is a file of ours that holds
    // a decimal number from 1 to 65535.
    static quint16 readPort(const QString& path);
    QString portFilePath() const;

private:
    void start();
    int connectToServer(QString* error);
    QString serve(int fd);
    void reportClosing();

    QString mainBundleID_;
    QString parentPid_;
    QString logPath_;
    QVDAGASender gaSender_;
    qint64 reconnectAttempts_ = 0;
    qint64 maxReconnectAttempts_ = 5;
    double reconnectInterval_ = 5.0;
    double disconnectDelay_ = 1.0;
};
