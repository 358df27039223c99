#include "Ext4Volume.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

static_assert(FS_IMMUTABLE_FL == 0x10 && FS_APPEND_FL == 0x20);

namespace {

// Changes the inode flags of `path` (not followed): `add` set, `take` cleared.
bool changeFlags(const QString& path, int add, int take)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = (flags | add) & ~take;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

}  // namespace

// A loop mount frees its device again when it is unmounted.
Ext4Volume::Ext4Volume()
    : MountedImage(QStringLiteral("/dev/loop-control"), QStringLiteral("mkfs.ext4"), {"-q", "-F"},
                   QStringLiteral("mount"), {"-t", "ext4", "-o", "loop"})
{
}

Ext4Volume::~Ext4Volume()
{
    for (const QString& flagged : flagged_) {
        clearFlags(flagged);
    }
}

bool Ext4Volume::addFlags(const QString& path, int flags)
{
    if (!mounted() || !changeFlags(path, flags, 0)) {
        return false;
    }
    flagged_.append(path);
    return true;
}

bool Ext4Volume::clearFlags(const QString& path)
{
    return changeFlags(path, 0, immutable | appendOnly);
}
