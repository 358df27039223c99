#pragma once

#include <mutex>

#include <QString>

#include "Foundation/RotatingLogFile.h"

// The analytics library's log. Inside the program every line goes to the
// program's own logger; the helper program points it at a folder and a name
// of its own (<log folder>/GALog/Statwick.log). That folder is made 0700 and
// the file 0600, since the lines carry the configuration's e-mail address;
// the file is rotated like the program's log. Safe from any thread.
class QVDALog {
public:
    static QVDALog& shared();

    void setLogPath(const QString& folder);
    void setLogName(const QString& name);
    QString logPath() const;
    // The cap after which the file is rotated (tests make it small).
    void setMaxSize(qint64 maxSize);

    void writeData(const QString& line);

private:
    QVDALog() = default;

    mutable std::mutex mutex_;
    QString folder_;
    QString name_;
    RotatingLogFile file_{RotatingLogFile::defaultMaxSize, 0600};
};

// Logs one line through the shared analytics log.
void QVDALogLine(const QString& line);
