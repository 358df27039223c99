#include "WindowsNamesVolume.h"

#include "SpawnedProcess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>



WindowsNamesVolume::WindowsNamesVolume()
{
    const QString mkntfs = QStandardPaths::findExecutable(QStringLiteral("mkntfs"), {"/usr/sbin", "/sbin", "/usr/bin"});
    const QString ntfs3g = QStandardPaths::findExecutable(QStringLiteral("ntfs-3g"), {"/usr/bin", "/bin"});
    if (geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = QStringLiteral("mounting through FUSE needs root and /dev/fuse");
        return;
    }
    if (mkntfs.isEmpty() || ntfs3g.isEmpty() || !folder_.isValid()) {
        why_ = QStringLiteral("the ntfs-3g tools are not installed");
        return;
    }
    const QString image = folder_.path() + QStringLiteral("/ntfs.img");
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(16 * 1024 * 1024)) {
        why_ = QStringLiteral("no room for the volume's image");
        return;
    }
    file.close();
    QDir().mkpath(path());
    if (!runToEnd(mkntfs, {"-F", "-Q", "-q", image})) {
        why_ = QStringLiteral("mkntfs could not make the volume");
        return;
    }
    if (!runToEnd(ntfs3g, {"-o", "windows_names", image, path()})) {
        why_ = QStringLiteral("ntfs-3g could not mount the volume");
        return;
    }
    struct stat volume {};
    struct stat parent {};
    mounted_ = ::stat(QFile::encodeName(path()).constData(), &volume) == 0 &&
               ::stat(QFile::encodeName(folder_.path()).constData(), &parent) == 0 && volume.st_dev != parent.st_dev;
    if (!mounted_) {
        why_ = QStringLiteral("ntfs-3g returned but nothing is mounted");
    }
}

WindowsNamesVolume::~WindowsNamesVolume()
{
    if (mounted_ && ::umount2(QFile::encodeName(path()).constData(), 0) != 0) {
        ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
}
