#pragma once

#include <mutex>

#include <QFile>
#include <QString>

// The program's logger. Every entry is one time-stamped block in
// <application support>/Logs/Twinsweep.log; the file is rotated to
// Twinsweep.log.1 when it passes its size cap. Safe from any thread.
class RYLog {
public:
    static RYLog& shared();

    // The log folder, Logs directly inside the application-support folder.
    QString logPath() const;
    void writeData(const QString& entry);

    static constexpr qint64 defaultMaxSize = 10LL * 1000 * 1000;
    // Tests shrink the cap to see rotation; re-reads the folder from the environment.
    void resetForTesting(qint64 maxSize = defaultMaxSize);

private:
    RYLog() = default;
    bool openLocked();

    std::mutex mutex_;
    QFile file_;
    QString folder_;
    qint64 maxSize_ = defaultMaxSize;
};
