#include "FuseView.h"

#include "SpawnedProcess.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

dev_t deviceOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : 0;
}

}  // namespace

FuseView::FuseView(Kind kind, const QString& folder, const QString& mountPoint) : mountPoint_(mountPoint)
{
    const QString program = kind == Kind::bindfs ? QStringLiteral("/usr/bin/bindfs") : QStringLiteral("/usr/bin/mergerfs");
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0 ||
        ::access(QFile::encodeName(program).constData(), X_OK) != 0 || !QDir().mkpath(mountPoint)) {
        return;
    }
    // Both start their daemon and return once the view is mounted.
    if (!runToEnd(program, {folder, mountPoint})) {
        return;
    }
    const dev_t view = deviceOf(mountPoint);
    mounted_ = view != 0 && view != deviceOf(folder);
    if (!mounted_) {
        ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
    }
}

FuseView::~FuseView()
{
    if (mounted_) {
        ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    }
}
