#pragma once

#include <vector>

#include <QString>
#include <QVariantMap>

// One physical disk and its "Device Characteristics".
class DiskInfo {
public:
    explicit DiskInfo(const QVariantMap& diskInfos, QString bsdName = {})
        : diskInfos_(diskInfos), bsdName_(std::move(bsdName))
    {
    }

    const QVariantMap& diskInfos() const { return diskInfos_; }
    void setDiskInfos(const QVariantMap& diskInfos) { diskInfos_ = diskInfos; }

    QString serialNumber() const { return value("Serial Number"); }
    QString mediumType() const { return value("Medium Type"); }
    QString productName() const { return value("Product Name"); }
    QString vendorName() const { return value("Vendor Name"); }
    QString productRevisonLevel() const { return value("Product Revision Level"); }
    bool SSD() const { return mediumType() == QLatin1String("Solid State"); }
    // The disk's device name ("sda", "nvme0n1"): what ties a volume to it.
    QString bsdName() const { return bsdName_; }

    // The whole disks of the machine, in sysfs order; empty when none is found.
    static std::vector<DiskInfo> allDevices(const QString& sysfsRoot = defaultSysfsRoot());
    // The model of the disk holding the volume at `path`; "" when none.
    static QString getDeviceModel(const QString& path, const QString& sysfsRoot = defaultSysfsRoot());
    // The device name of the disk holding the volume at `path`, found through
    // its device number; "" when none. Models are no key: virtual disks often
    // have none, and two disks of one make share theirs.
    static QString getDiskName(const QByteArray& path, const QString& sysfsRoot = defaultSysfsRoot());
    static QString customHomeDirectory();

    static QString defaultSysfsRoot();
    // Points every default lookup at another sysfs tree (tests); empty restores /sys.
    static void setDefaultSysfsRootForTesting(const QString& root);

private:
    QString value(const char* key) const { return diskInfos_.value(QLatin1String(key)).toString(); }

    QVariantMap diskInfos_;
    QString bsdName_;
};
