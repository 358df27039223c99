#include "RYLog.h"

#include "Helper.h"

#include <QDateTime>
#include <QDir>

RYLog& RYLog::shared()
{
    static RYLog log;
    return log;
}

QString RYLog::logPath() const
{
    const QString support = Helper::appSuportWithBundleIdentifier();
    const QString path = support + QStringLiteral("/Logs");
    QDir().mkpath(path);
    return path;
}

bool RYLog::openLocked()
{
    if (file_.isOpen()) {
        return true;
    }
    folder_ = logPath();
    file_.setFileName(folder_ + QStringLiteral("/Twinsweep.log"));
    return file_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void RYLog::writeData(const QString& entry)
{
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz "))
                             + entry + QLatin1Char('\n'))
                                .toUtf8();
    std::lock_guard lock(mutex_);
    if (!openLocked()) {
        return;
    }
    if (file_.size() + line.size() > maxSize_ && file_.size() > 0) {
        const QString current = file_.fileName();
        const QString rotated = current + QStringLiteral(".1");
        file_.close();
        QFile::remove(rotated);
        QFile::rename(current, rotated);
        if (!openLocked()) {
            return;
        }
    }
    file_.write(line);
    file_.flush();
}

void RYLog::resetForTesting(qint64 maxSize)
{
    std::lock_guard lock(mutex_);
    file_.close();
    maxSize_ = maxSize;
}
