#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <sys/types.h>

// Disks and their media from sysfs. Every function takes the sysfs root so
// tests can build a fake tree.
namespace DiskArbitration {

QString defaultSysfsRoot();

struct Disk {
    QString name;  // "sda", "nvme0n1"
    // "Product Name", "Vendor Name", "Serial Number", "Product Revision
    // Level" where sysfs has them; "Medium Type" "Solid State" or "Rotational".
    QVariantMap characteristics;
};

// The whole disks under <root>/block: no partitions, no loop, ram, zram,
// device-mapper or software-RAID devices. In name order.
std::vector<Disk> wholeDisks(const QString& sysfsRoot = defaultSysfsRoot());

// The whole disk a block device lies on: a partition gives its parent disk,
// a device-mapper or RAID volume the disk under its first slave. "" when the
// device is no block device sysfs knows.
QString wholeDiskOfDevice(dev_t device, const QString& sysfsRoot = defaultSysfsRoot());

// The whole disk (its sysfs name) that holds the item at `path`: through the
// path's device number, else through the block device the mount table names
// as the source of its mount (btrfs and the like give anonymous numbers).
// "" when none.
QString wholeDiskOfPath(const QByteArray& path, const QString& sysfsRoot = defaultSysfsRoot());

// The model text of the disk that holds the volume at `path` ("" when none):
// through the device number of the path, else through the block device the
// mount table names as the source of the mount.
QString deviceModelForVolume(const QByteArray& path, const QString& sysfsRoot = defaultSysfsRoot());
QString deviceModelForDevice(dev_t device, const QString& sysfsRoot = defaultSysfsRoot());

// Whether a whole disk can be taken away: sysfs marks it removable, or it
// hangs on a USB bus. False for "" and for disks sysfs does not know.
bool isRemovableDisk(const QString& disk, const QString& sysfsRoot = defaultSysfsRoot());
bool isRemovableDevice(dev_t device, const QString& sysfsRoot = defaultSysfsRoot());
// The same for the disk that holds the item at `path`.
bool isRemovableVolume(const QByteArray& path, const QString& sysfsRoot = defaultSysfsRoot());

}  // namespace DiskArbitration
