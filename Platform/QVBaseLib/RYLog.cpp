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

void RYLog::writeData(const QString& entry)
{
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz "))
                             + entry + QLatin1Char('\n'))
                                .toUtf8();
    std::lock_guard lock(mutex_);
    if (file_.path().isEmpty()) {
        file_.setPath(logPath() + QStringLiteral("/Twinsweep.log"));
    }
    if (!file_.append(line)) {
        file_.setPath(QString());  // dropped; the folder is made again for the next entry
    }
}

void RYLog::resetForTesting(qint64 maxSize)
{
    std::lock_guard lock(mutex_);
    file_.setPath(QString());  // the folder is looked up again at the next entry
    file_.setMaxSize(maxSize);
}
