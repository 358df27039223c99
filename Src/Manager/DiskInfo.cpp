#include "DiskInfo.h"

#include <mutex>

#include <QDir>
#include <QFile>

#include "DiskArbitration/DiskArbitration.h"

namespace {
std::mutex rootMutex;
QString rootOverride;
}  // namespace

QString DiskInfo::defaultSysfsRoot()
{
    std::lock_guard lock(rootMutex);
    return rootOverride.isEmpty() ? DiskArbitration::defaultSysfsRoot() : rootOverride;
}

void DiskInfo::setDefaultSysfsRootForTesting(const QString& root)
{
    std::lock_guard lock(rootMutex);
    rootOverride = root;
}

std::vector<DiskInfo> DiskInfo::allDevices(const QString& sysfsRoot)
{
    std::vector<DiskInfo> out;
    for (const DiskArbitration::Disk& disk : DiskArbitration::wholeDisks(sysfsRoot)) {
        out.emplace_back(disk.characteristics, disk.name);
    }
    return out;
}

QString DiskInfo::getDeviceModel(const QString& path, const QString& sysfsRoot)
{
    return DiskArbitration::deviceModelForVolume(QFile::encodeName(path), sysfsRoot);
}

QString DiskInfo::getDiskName(const QByteArray& path, const QString& sysfsRoot)
{
    return DiskArbitration::wholeDiskOfPath(path, sysfsRoot);
}

QString DiskInfo::customHomeDirectory()
{
    return QDir::homePath();
}
