#pragma once

#include <mutex>

#include <QString>

#include "Foundation/RotatingLogFile.h"

// The program's logger. Every entry is one time-stamped block in
// <application support>/Logs/Twinsweep.log; the file is rotated to
// Twinsweep.log.1 when it passes its size cap. Safe from any thread.
class RYLog {
public:
    static RYLog& shared();

    // The log folder, Logs directly inside the application-support folder.
    QString logPath() const;
    void writeData(const QString& entry);

    static constexpr qint64 defaultMaxSize = RotatingLogFile::defaultMaxSize;
    // Tests shrink the cap to see rotation; re-reads the folder from the environment.
    void resetForTesting(qint64 maxSize = defaultMaxSize);

private:
    RYLog() = default;
    std::mutex mutex_;
    RotatingLogFile file_;
};
