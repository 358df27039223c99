#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "DiskArbitration/DiskArbitration.h"
#include "Manager/DiskInfo.h"
#include "TestSupport.h"

namespace {

// A fake sysfs: devices/... folders, block/<disk> links to them, and
// dev/block/MAJ:MIN links to disks and partitions.
class FakeSysfs {
public:
    FakeSysfs() { QDir(root()).mkpath("block"), QDir(root()).mkpath("dev/block"); }
    QString root() const { return dir_.path(); }

    void put(const QString& relative, const QByteArray& text)
    {
        const QString path = root() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
    void link(const QString& target, const QString& relative)
    {
        const QString path = root() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0);
    }
    // A whole disk; rotational "" leaves the queue file out.
    QString disk(const QString& name, const QByteArray& model, const QByteArray& rotational, dev_t dev)
    {
        const QString folder = "devices/pci0/" + name + "/block/" + name;
        if (!model.isNull()) {
            put(folder + "/device/model", model + "\n");
        }
        if (!rotational.isEmpty()) {
            put(folder + "/queue/rotational", rotational + "\n");
        }
        put(folder + "/dev", QByteArray());
        link(root() + "/" + folder, "block/" + name);
        link(root() + "/" + folder, devName(dev));
        return folder;
    }
    void partition(const QString& diskFolder, const QString& name, dev_t dev)
    {
        put(diskFolder + "/" + name + "/partition", "1\n");
        link(root() + "/" + diskFolder + "/" + name, devName(dev));
    }
    static QString devName(dev_t dev) { return QStringLiteral("dev/block/%1:%2").arg(major(dev)).arg(minor(dev)); }

private:
    QTemporaryDir dir_;
};

}  // namespace

TEST(DiskArbitrationTest, WholeDisksAndTheirMedia)
{
    FakeSysfs sys;
    sys.disk("nvme0n1", "Samsung SSD 980", "0", makedev(259, 0));
    const QString sda = sys.disk("sda", "CT500MX500SSD1  ", "0", makedev(8, 0));
    sys.put(sda.section('/', 0, -3) + "/sda/device/vendor", "ATA     \n");
    sys.put(sda + "/device/vendor", "ATA     \n");
    sys.put(sda + "/device/rev", "M3CR\n");
    sys.partition(sda, "sda1", makedev(8, 1));
    sys.disk("sdb", "WDC WD40EFRX", "1", makedev(8, 16));
    sys.disk("vdc", "Odd disk", "", makedev(252, 32));
    sys.disk("loop0", "", "0", makedev(7, 0));
    sys.disk("dm-0", QByteArray(), "0", makedev(254, 0));
    sys.put("devices/pci0/dm-0/block/dm-0/slaves/.keep", "");

    const auto disks = DiskArbitration::wholeDisks(sys.root());
    QStringList names;
    for (const auto& disk : disks) {
        names << disk.name;
    }
    EXPECT_EQ(names, QStringList({"nvme0n1", "sda", "sdb", "vdc"}));

    const auto devices = DiskInfo::allDevices(sys.root());
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].productName(), "Samsung SSD 980");
    EXPECT_TRUE(devices[0].SSD());
    EXPECT_EQ(devices[1].productName(), "CT500MX500SSD1");
    EXPECT_EQ(devices[1].vendorName(), "ATA");
    EXPECT_EQ(devices[1].productRevisonLevel(), "M3CR");
    EXPECT_EQ(devices[1].mediumType(), "Solid State");
    EXPECT_TRUE(devices[1].SSD());
    EXPECT_EQ(devices[2].mediumType(), "Rotational");
    EXPECT_FALSE(devices[2].SSD());
    EXPECT_TRUE(devices[3].mediumType().isEmpty());
    EXPECT_FALSE(devices[3].SSD());

    EXPECT_TRUE(DiskInfo::allDevices(sys.root() + "/nothing").empty());
}

TEST(DiskArbitrationTest, VolumesMapToTheirDiskModel)
{
    FakeSysfs sys;
    sys.disk("nvme0n1", "Samsung SSD 980", "0", makedev(259, 0));
    const QString sda = sys.disk("sda", "CT500MX500SSD1", "0", makedev(8, 0));
    sys.partition(sda, "sda2", makedev(8, 2));
    // A device-mapper volume (LUKS, LVM) over sda2.
    const QString dm = sys.disk("dm-0", QByteArray(), "0", makedev(254, 0));
    sys.link(sys.root() + "/" + sda + "/sda2", dm + "/slaves/sda2");

    EXPECT_EQ(DiskArbitration::deviceModelForDevice(makedev(259, 0), sys.root()), "Samsung SSD 980");
    EXPECT_EQ(DiskArbitration::deviceModelForDevice(makedev(8, 2), sys.root()), "CT500MX500SSD1");
    EXPECT_EQ(DiskArbitration::wholeDiskOfDevice(makedev(8, 2), sys.root()), "sda");
    EXPECT_EQ(DiskArbitration::deviceModelForDevice(makedev(254, 0), sys.root()), "CT500MX500SSD1");
    EXPECT_EQ(DiskArbitration::deviceModelForDevice(makedev(0, 45), sys.root()), "");

    // A real folder whose device the fake tree knows.
    QTemporaryDir folder;
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(folder.path()).constData(), &st), 0);
    if (!QFileInfo::exists(sys.root() + "/" + FakeSysfs::devName(st.st_dev))) {
        sys.partition(sda, "sda9", st.st_dev);
    }
    EXPECT_EQ(DiskInfo::getDeviceModel(folder.path(), sys.root()), "CT500MX500SSD1");
    EXPECT_EQ(DiskInfo::getDeviceModel(folder.path() + "/missing", sys.root()), "");
    EXPECT_EQ(DiskInfo::getDiskName(QFile::encodeName(folder.path()), sys.root()), "sda");
    EXPECT_EQ(DiskInfo::getDiskName(QFile::encodeName(folder.path() + "/missing"), sys.root()), "");
}

// Disks are named by their device; that name, not the model, ties a volume
// to its disk.
TEST(DiskArbitrationTest, DisksKnowTheirDeviceNames)
{
    FakeSysfs sys;
    sys.disk("vda", QByteArray(), "0", makedev(254, 0));
    sys.disk("vdb", QByteArray(), "1", makedev(254, 16));
    const auto devices = DiskInfo::allDevices(sys.root());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].bsdName(), "vda");
    EXPECT_TRUE(devices[0].SSD());
    EXPECT_EQ(devices[1].bsdName(), "vdb");
    EXPECT_EQ(devices[0].productName(), devices[1].productName());
}

TEST(DiskArbitrationTest, HomeDirectoryIsTheUsersHome)
{
    EXPECT_EQ(DiskInfo::customHomeDirectory(), QDir::homePath());
}

TEST(DiskArbitrationTest, RemovableDisksAreMarkedOrHangOnUsb)
{
    FakeSysfs sys;
    const QString fixed = sys.disk("sda", "Fixed", "0", makedev(8, 0));
    sys.put(fixed + "/removable", "0\n");
    sys.partition(fixed, "sda1", makedev(8, 1));
    const QString card = sys.disk("mmcblk0", "Card", "0", makedev(179, 0));
    sys.put(card + "/removable", "1\n");
    // A USB stick that calls itself fixed: its device path tells.
    const QString stickFolder = "devices/pci0/usb2/2-1/host6/sdb/block/sdb";
    sys.put(stickFolder + "/removable", "0\n");
    sys.link(sys.root() + "/" + stickFolder, "block/sdb");
    sys.link(sys.root() + "/" + stickFolder, FakeSysfs::devName(makedev(8, 16)));
    sys.put(stickFolder + "/sdb1/partition", "1\n");
    sys.link(sys.root() + "/" + stickFolder + "/sdb1", FakeSysfs::devName(makedev(8, 17)));

    EXPECT_FALSE(DiskArbitration::isRemovableDevice(makedev(8, 1), sys.root()));
    EXPECT_TRUE(DiskArbitration::isRemovableDevice(makedev(179, 0), sys.root()));
    EXPECT_TRUE(DiskArbitration::isRemovableDevice(makedev(8, 17), sys.root()));
    // A device sysfs does not know (tmpfs, a network share) is not removable.
    EXPECT_FALSE(DiskArbitration::isRemovableDevice(makedev(0, 45), sys.root()));

    QTemporaryDir folder;
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(folder.path()).constData(), &st), 0);
    EXPECT_FALSE(DiskArbitration::isRemovableVolume(QFile::encodeName(folder.path()), sys.root()));
    QFile::remove(sys.root() + "/" + FakeSysfs::devName(st.st_dev));
    sys.link(sys.root() + "/" + stickFolder + "/sdb1", FakeSysfs::devName(st.st_dev));
    EXPECT_TRUE(DiskArbitration::isRemovableVolume(QFile::encodeName(folder.path()), sys.root()));
    EXPECT_FALSE(DiskArbitration::isRemovableVolume("/nonexistent/path", sys.root()));
}
