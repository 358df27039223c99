#include "BugsplatStartupManager.h"

#include "CrashNote.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/RYLog.h"

#include <QDir>
#include <QFile>

BugsplatStartupManager& BugsplatStartupManager::sharedManager()
{
    static BugsplatStartupManager manager;
    return manager;
}

QString BugsplatStartupManager::crashFolder() const
{
    return crashFolder_.isEmpty() ? RYLog::shared().logPath() : crashFolder_;
}

void BugsplatStartupManager::start()
{
    if (started_) {
        return;
    }
    const QString folder = crashFolder();
    QDir().mkpath(folder);
    const PlistDict& info = Bundle::main().infoDictionary();
    const QString header = QStringLiteral("%1 %2 (%3)")
                               .arg(info.value(QStringLiteral("CFBundleName")).toString(),
                                    info.value(QStringLiteral("CFBundleShortVersionString")).toString(),
                                    info.value(QStringLiteral("CFBundleVersion")).toString());
    // The handler cannot convert anything, so it gets the bytes ready-made.
    started_ = CrashNote::install(QFile::encodeName(folder).constData(), header.toUtf8().constData());
}

void BugsplatStartupManager::stop()
{
    CrashNote::uninstall();
    started_ = false;
}
