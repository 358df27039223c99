#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>

// A log file that only grows to a cap: an append that would pass it first
// moves the file to <name>.1 (replacing the older one) and starts afresh,
// so at most one old file is kept. Not thread-safe; callers serialise.
class RotatingLogFile {
public:
    static constexpr qint64 defaultMaxSize = 10LL * 1000 * 1000;

    // `mode` is given to files this object creates, and when non-zero it is
    // also imposed on a file that exists already (a log that may carry
    // private data is kept at 0600 however it was made).
    explicit RotatingLogFile(qint64 maxSize = defaultMaxSize, mode_t mode = 0);
    ~RotatingLogFile();
    RotatingLogFile(const RotatingLogFile&) = delete;
    RotatingLogFile& operator=(const RotatingLogFile&) = delete;

    // Closes the current file; the next append opens `path`.
    void setPath(const QString& path);
    QString path() const { return path_; }
    void setMaxSize(qint64 maxSize) { maxSize_ = maxSize; }

    // Appends `bytes` whole; false when the file cannot be opened or written.
    bool append(const QByteArray& bytes);
    void close();

private:
    bool open();

    QString path_;
    qint64 maxSize_;
    mode_t mode_;
    int fd_ = -1;
};
