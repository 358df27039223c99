#pragma once

#include <mutex>

#include <QFile>
#include <QString>

// The analytics library's log. Inside the program every line goes to the
// program's own logger; the helper program points it at a folder and a name
// of its own (<log folder>/GALog/Statwick.log). Safe from any thread.
class QVDALog {
public:
    static QVDALog& shared();

    void setLogPath(const QString& folder);
    void setLogName(const QString& name);
    QString logPath() const;

    void writeData(const QString& line);

private:
    QVDALog() = default;

    mutable std::mutex mutex_;
    QString folder_;
    QString name_;
    QFile file_;
};

// Logs one line through the shared analytics log.
void QVDALogLine(const QString& line);
