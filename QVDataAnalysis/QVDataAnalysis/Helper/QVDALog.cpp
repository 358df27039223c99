#include "QVDALog.h"

#include "QVBaseLib/RYLog.h"

#include <QDateTime>
#include <QDir>

QVDALog& QVDALog::shared()
{
    static QVDALog log;
    return log;
}

void QVDALog::setLogPath(const QString& folder)
{
    std::lock_guard lock(mutex_);
    folder_ = folder;
    file_.close();
}

void QVDALog::setLogName(const QString& name)
{
    std::lock_guard lock(mutex_);
    name_ = name;
    file_.close();
}

QString QVDALog::logPath() const
{
    std::lock_guard lock(mutex_);
    return folder_;
}

void QVDALog::writeData(const QString& line)
{
    std::unique_lock lock(mutex_);
    if (folder_.isEmpty()) {
        lock.unlock();
        RYLog::shared().writeData(line);
        return;
    }
    if (!file_.isOpen()) {
        QDir().mkpath(folder_);
        const QString name = name_.isEmpty() ? QStringLiteral("QVDataAnalysis") : name_;
        file_.setFileName(folder_ + QLatin1Char('/') + name + QStringLiteral(".log"));
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
            return;
        }
    }
    const QByteArray bytes =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + line + QLatin1Char('\n'))
            .toUtf8();
    file_.write(bytes);
    file_.flush();
}

void QVDALogLine(const QString& line)
{
    QVDALog::shared().writeData(line);
}
