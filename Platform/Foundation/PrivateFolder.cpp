#include "PrivateFolder.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

}  // namespace

bool isPrivateFolder(const QByteArray& path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 077) == 0;
}

bool ensurePrivateFolder(const QByteArray& path, QString* error)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0) {
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISDIR(info.st_mode)) {
        return fail(error, QStringLiteral("not a folder"));
    }
    if (info.st_uid != ::geteuid()) {
        return fail(error, QStringLiteral("owned by user %1").arg(info.st_uid));
    }
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) {
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return true;
}
