#pragma once

#include "SpawnedProcess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// A small file system made in an image file and mounted at a fresh folder
// for as long as the object lives: a real volume of its own kind for a
// test. Needs root; mounted() says whether it worked, and why() why not.
// Kept in this header, so the programs that use it need no source more
// than SpawnedProcess.cpp.
class MountedImage {
public:
    ~MountedImage();
    MountedImage(const MountedImage&) = delete;
    MountedImage& operator=(const MountedImage&) = delete;

    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    QString path() const { return folder_.path() + QStringLiteral("/volume"); }

protected:
    // Makes a 16 MiB image, formats it with the program `format` (its
    // arguments, then the image) and mounts it with the program `mount`
    // (its arguments, then the image and the mount point). `device` is what
    // the mount needs besides root (/dev/fuse, /dev/loop-control).
    MountedImage(const QString& device, const QString& format, const QStringList& formatArguments,
                 const QString& mount, const QStringList& mountArguments);

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    QString why_;
};

namespace mounted_image {

inline QString find(const QString& program)
{
    return QStandardPaths::findExecutable(program, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

}  // namespace mounted_image

inline MountedImage::MountedImage(const QString& device, const QString& format, const QStringList& formatArguments,
                           const QString& mount, const QStringList& mountArguments)
{
    const QString formatTool = mounted_image::find(format);
    const QString mountTool = mounted_image::find(mount);
    if (::geteuid() != 0 || ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0) {
        why_ = QStringLiteral("mounting it needs root and %1").arg(device);
        return;
    }
    if (formatTool.isEmpty() || mountTool.isEmpty() || !folder_.isValid()) {
        why_ = QStringLiteral("%1 or %2 is not installed").arg(format, mount);
        return;
    }
    const QString image = folder_.path() + QStringLiteral("/volume.img");
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(16 * 1024 * 1024)) {
        why_ = QStringLiteral("no room for the volume's image");
        return;
    }
    file.close();
    QDir().mkpath(path());
    if (!runToEnd(formatTool, formatArguments + QStringList{image})) {
        why_ = QStringLiteral("%1 could not make the volume").arg(format);
        return;
    }
    if (!runToEnd(mountTool, mountArguments + QStringList{image, path()})) {
        why_ = QStringLiteral("%1 could not mount the volume").arg(mount);
        return;
    }
    struct stat volume {};
    struct stat parent {};
    mounted_ = ::stat(QFile::encodeName(path()).constData(), &volume) == 0 &&
               ::stat(QFile::encodeName(folder_.path()).constData(), &parent) == 0 && volume.st_dev != parent.st_dev;
    if (!mounted_) {
        why_ = QStringLiteral("%1 returned but nothing is mounted").arg(mount);
    }
}

inline MountedImage::~MountedImage()
{
    if (mounted_ && ::umount2(QFile::encodeName(path()).constData(), 0) != 0) {
        ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
}
