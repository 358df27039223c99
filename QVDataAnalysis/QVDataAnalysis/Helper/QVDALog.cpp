#include "QVDALog.h"

#include "Foundation/PrivateFolder.h"
#include "QVBaseLib/RYLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QVDALog& QVDALog::shared()
{
    static QVDALog log;
    return log;
}

void QVDALog::setLogPath(const QString& folder)
{
    std::lock_guard lock(mutex_);
    folder_ = folder;
    file_.setPath(QString());
}

void QVDALog::setLogName(const QString& name)
{
    std::lock_guard lock(mutex_);
    name_ = name;
    file_.setPath(QString());
}

QString QVDALog::logPath() const
{
    std::lock_guard lock(mutex_);
    return folder_;
}

void QVDALog::setMaxSize(qint64 maxSize)
{
    std::lock_guard lock(mutex_);
    file_.setMaxSize(maxSize);
}

void QVDALog::writeData(const QString& line)
{
    std::unique_lock lock(mutex_);
    if (folder_.isEmpty()) {
        lock.unlock();
        RYLog::shared().writeData(line);
        return;
    }
    if (file_.path().isEmpty()) {
        QDir().mkpath(QFileInfo(folder_).absolutePath());
        if (!ensurePrivateFolder(QFile::encodeName(folder_))) {
            return;  // no private place for the line: it is dropped
        }
        const QString name = name_.isEmpty() ? QStringLiteral("QVDataAnalysis") : name_;
        file_.setPath(folder_ + QLatin1Char('/') + name + QStringLiteral(".log"));
    }
    const QByteArray bytes =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + line + QLatin1Char('\n'))
            .toUtf8();
    if (!file_.append(bytes)) {
        file_.setPath(QString());
    }
}

void QVDALogLine(const QString& line)
{
    QVDALog::shared().writeData(line);
}
