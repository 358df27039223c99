#include "DiskArbitration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "Foundation/ResourceValues.h"

namespace DiskArbitration {

namespace {

QString readTrimmed(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

bool isVirtualName(const QString& name)
{
    static const char* const prefixes[] = {"loop", "ram", "zram", "dm-", "md", "nbd"};
    for (const char* prefix : prefixes) {
        if (name.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    return false;
}

// The folder of a block device under <root>/dev/block/MAJ:MIN, resolved.
QString deviceFolder(dev_t device, const QString& root)
{
    const QString link = QStringLiteral("%1/dev/block/%2:%3").arg(root).arg(major(device)).arg(minor(device));
    const QFileInfo info(link);
    if (!info.exists()) {
        return {};
    }
    return info.canonicalFilePath();
}

QString wholeDiskOfFolder(const QString& folder, const QString& root, int depth)
{
    if (folder.isEmpty() || depth > 8) {
        return {};
    }
    QString disk = folder;
    if (QFileInfo::exists(folder + QStringLiteral("/partition"))) {
        disk = QFileInfo(folder).absolutePath();
    }
    const QString name = QFileInfo(disk).fileName();
    // Volumes built on other devices: follow the first slave down.
    const QStringList slaves = QDir(disk + QStringLiteral("/slaves")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    if (!slaves.isEmpty()) {
        const QString slave = QFileInfo(disk + QStringLiteral("/slaves/") + slaves.first()).canonicalFilePath();
        return wholeDiskOfFolder(slave, root, depth + 1);
    }
    return name;
}

}  // namespace

QString defaultSysfsRoot()
{
    return QStringLiteral("/sys");
}

std::vector<Disk> wholeDisks(const QString& sysfsRoot)
{
    std::vector<Disk> disks;
    const QString blockRoot = sysfsRoot + QStringLiteral("/block");
    const QStringList names = QDir(blockRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (isVirtualName(name)) {
            continue;
        }
        const QString folder = blockRoot + QLatin1Char('/') + name;
        if (QFileInfo::exists(folder + QStringLiteral("/partition"))) {
            continue;
        }
        Disk disk;
        disk.name = name;
        const struct {
            const char* key;
            const char* file;
        } fields[] = {
            {"Product Name", "device/model"},
            {"Vendor Name", "device/vendor"},
            {"Serial Number", "device/serial"},
            {"Product Revision Level", "device/rev"},
            {"Product Revision Level", "device/firmware_rev"},
        };
        for (const auto& field : fields) {
            const QString key = QLatin1String(field.key);
            if (disk.characteristics.contains(key)) {
                continue;
            }
            const QString path = folder + QLatin1Char('/') + QLatin1String(field.file);
            if (QFileInfo::exists(path)) {
                disk.characteristics.insert(key, readTrimmed(path));
            }
        }
        const QString rotational = folder + QStringLiteral("/queue/rotational");
        if (QFileInfo::exists(rotational)) {
            disk.characteristics.insert(QStringLiteral("Medium Type"),
                                        readTrimmed(rotational) == QLatin1String("0") ? QStringLiteral("Solid State")
                                                                                      : QStringLiteral("Rotational"));
        }
        disks.push_back(std::move(disk));
    }
    return disks;
}

QString wholeDiskOfDevice(dev_t device, const QString& sysfsRoot)
{
    return wholeDiskOfFolder(deviceFolder(device, sysfsRoot), sysfsRoot, 0);
}

QString deviceModelForDevice(dev_t device, const QString& sysfsRoot)
{
    const QString disk = wholeDiskOfDevice(device, sysfsRoot);
    if (disk.isEmpty()) {
        return {};
    }
    return readTrimmed(sysfsRoot + QStringLiteral("/block/") + disk + QStringLiteral("/device/model"));
}

QString wholeDiskOfPath(const QByteArray& path, const QString& sysfsRoot)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        return {};
    }
    const QString disk = wholeDiskOfDevice(st.st_dev, sysfsRoot);
    if (!disk.isEmpty()) {
        return disk;
    }
    // File systems such as btrfs give anonymous device numbers; the mount's
    // source names the real block device.
    const auto mounts = MountTable::read();
    if (const MountEntry* entry = mounts->volumeFor(FilePath::absolute(path), st.st_dev)) {
        struct stat source {};
        if (entry->source.startsWith("/dev/") && ::stat(entry->source.constData(), &source) == 0 &&
            S_ISBLK(source.st_mode)) {
            return wholeDiskOfDevice(source.st_rdev, sysfsRoot);
        }
    }
    return {};
}

QString deviceModelForVolume(const QByteArray& path, const QString& sysfsRoot)
{
    const QString disk = wholeDiskOfPath(path, sysfsRoot);
    if (disk.isEmpty()) {
        return {};
    }
    return readTrimmed(sysfsRoot + QStringLiteral("/block/") + disk + QStringLiteral("/device/model"));
}

bool isRemovableDisk(const QString& disk, const QString& sysfsRoot)
{
    if (disk.isEmpty()) {
        return false;
    }
    const QString folder = sysfsRoot + QStringLiteral("/block/") + disk;
    if (readTrimmed(folder + QStringLiteral("/removable")) == QLatin1String("1")) {
        return true;
    }
    // USB disks often call themselves fixed; the bus they hang on tells.
    const QStringList parts = QFileInfo(folder).canonicalFilePath().split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.startsWith(QLatin1String("usb"))) {
            return true;
        }
    }
    return false;
}

bool isRemovableDevice(dev_t device, const QString& sysfsRoot)
{
    return isRemovableDisk(wholeDiskOfDevice(device, sysfsRoot), sysfsRoot);
}

bool isRemovableVolume(const QByteArray& path, const QString& sysfsRoot)
{
    return isRemovableDisk(wholeDiskOfPath(path, sysfsRoot), sysfsRoot);
}

}  // namespace DiskArbitration
