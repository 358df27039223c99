#include "FileManager.h"

#include "Bundle.h"
#include "ResourceValues.h"

#include <QFile>

#include <atomic>
#include <functional>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::mutex faultsMutex;
std::shared_ptr<const FileManagerFaults> currentFaults;
std::atomic<bool> haveFaults{false};

std::shared_ptr<const FileManagerFaults> faults()
{
    if (!haveFaults.load()) {
        return nullptr;
    }
    std::lock_guard lock(faultsMutex);
    return currentFaults;
}

QByteArray baseName(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray dirName(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QString display(const QByteArray& path)
{
    return QFile::decodeName(path);
}

// A rename that never replaces. File systems without RENAME_NOREPLACE get a
// hard link plus unlink for files (link refuses an existing name as well);
// folders there fall back to a checked rename.
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int code = errno;
    if (code != EINVAL && code != ENOSYS && code != EOPNOTSUPP) {
        return code;
    }
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0) {
        return errno;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return 0;
        }
        if (errno == EEXIST || errno == EXDEV) {
            return errno;
        }
    }
    if (::lstat(to.constData(), &st) == 0) {
        return EEXIST;
    }
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// Calls `visit` with the name of every entry of a folder except "." and "..",
// until it returns false. Gives errno when the folder cannot be listed, else 0.
int forEachEntry(const QByteArray& folder, const std::function<bool(const QByteArray&)>& visit)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return errno;
    }
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) {
            continue;
        }
        if (!visit(QByteArray(n))) {
            break;
        }
    }
    ::closedir(dir);
    return 0;
}

// Deletes a tree; `inject` decides whether test faults apply (they do not
// to the clean-up of a failed copy).
int removeTree(const QByteArray& path, bool inject)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return errno;
    }
    if (S_ISDIR(st.st_mode)) {
        int result = 0;
        const int listed = forEachEntry(path, [&](const QByteArray& name) {
            const int code = removeTree(path + '/' + name, inject);
            if (code != 0 && result == 0) {
                result = code;
            }
            return true;  // remove what can be removed, report the first failure
        });
        if (listed != 0) {
            return listed;
        }
        if (result != 0) {
            return result;
        }
        if (inject) {
            if (const int code = FileManager::injectedFailure(FileStep::remove, path)) {
                return code;
            }
        }
        return ::rmdir(path.constData()) == 0 ? 0 : errno;
    }
    if (inject) {
        if (const int code = FileManager::injectedFailure(FileStep::remove, path)) {
            return code;
        }
    }
    return ::unlink(path.constData()) == 0 ? 0 : errno;
}

void keepOwnerAndTimes(int fd, const QByteArray& path, const struct stat& st, bool isLink)
{
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (isLink) {
        // Owner and times of a link: best effort, the link itself is what counts.
        (void)::lchown(path.constData(), st.st_uid, st.st_gid);
        (void)::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
        return;
    }
    (void)::fchown(fd, st.st_uid, st.st_gid);
    (void)::fchmod(fd, st.st_mode & 07777);
    (void)::futimens(fd, times);
}

int syncFolder(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot sync a folder; that is no reason to fail.
    return result == EINVAL || result == EROFS ? 0 : result;
}

int copyFile(const QByteArray& from, const QByteArray& to, const struct stat& st)
{
    const int in = ::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        return errno;
    }
    struct stat inSt {};
    if (::fstat(in, &inSt) != 0 || !S_ISREG(inSt.st_mode)) {
        const int code = errno ? errno : EINVAL;
        ::close(in);
        return code;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int code = errno;
        ::close(in);
        return code;
    }
    int result = 0;
    uint64_t written = 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                result = errno;
                break;
            }
            done += put;
        }
        if (result != 0) {
            break;
        }
        written += static_cast<uint64_t>(got);
        if ((result = FileManager::injectedFailure(FileStep::copyData, from)) != 0) {
            break;
        }
    }
    if (result == 0 && ::fsync(out) != 0) {
        result = errno;
    }
    if (result == 0) {
        struct stat outSt {};
        struct stat nowSt {};
        if (::fstat(out, &outSt) != 0 || ::fstat(in, &nowSt) != 0) {
            result = errno;
        } else if (static_cast<uint64_t>(outSt.st_size) != written ||
                   static_cast<uint64_t>(nowSt.st_size) != written) {
            // Short copy, or the source changed while it was copied.
            result = EIO;
        }
    }
    if (result == 0) {
        keepOwnerAndTimes(out, to, st, false);
    }
    if (::close(out) != 0 && result == 0) {
        result = errno;
    }
    ::close(in);
    return result;
}

int copyTree(const QByteArray& from, const QByteArray& to)
{
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0) {
        return errno;
    }
    if (S_ISREG(st.st_mode)) {
        return copyFile(from, to, st);
    }
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(static_cast<int>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), static_cast<size_t>(target.size()));
        if (n < 0) {
            return errno;
        }
        if (n >= target.size()) {
            return ENAMETOOLONG;
        }
        target.truncate(static_cast<int>(n));
        if (::symlink(target.constData(), to.constData()) != 0) {
            return errno;
        }
        keepOwnerAndTimes(-1, to, st, true);
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.constData(), 0700) != 0) {
            return errno;
        }
        int result = 0;
        const int listed = forEachEntry(from, [&](const QByteArray& name) {
            result = copyTree(from + '/' + name, to + '/' + name);
            return result == 0;  // a copy stops at its first failure
        });
        if (listed != 0) {
            return listed;
        }
        if (result != 0) {
            return result;
        }
        const int fd = ::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        (void)::fsync(fd);
        keepOwnerAndTimes(fd, to, st, false);
        ::close(fd);
        return 0;
    }
    // Pipes, sockets and devices are never copied.
    return EOPNOTSUPP;
}

// A fresh name beside `to` for the copy in progress.
QByteArray temporaryNameBeside(const QByteArray& to)
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    const QByteArray folder = dirName(to);
    for (;;) {
        const QByteArray candidate = folder + "/.twinsweep-move-" + QByteArray::number(::getpid()) + '-' +
                                     QByteArray::number(counter.fetch_add(1)) + '-' +
                                     QByteArray::number(static_cast<quint32>(random()), 16);
        struct stat st {};
        if (::lstat(candidate.constData(), &st) != 0 && errno == ENOENT) {
            return candidate;
        }
    }
}

QByteArray unescapeLabel(const QByteArray& label)
{
    // udev writes unsafe characters of a label as \xHH.
    QByteArray out;
    for (int i = 0; i < label.size(); ++i) {
        if (label[i] == '\\' && i + 3 < label.size() && label[i + 1] == 'x') {
            bool ok = false;
            const int value = label.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(label[i]);
    }
    return out;
}

QByteArray resolved(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) {
        return {};
    }
    QByteArray result(real);
    ::free(real);
    return result;
}

// The label of the device mounted from `source`, through /dev/disk/by-label.
QString labelOf(const QByteArray& source)
{
    if (!source.startsWith('/')) {
        return {};
    }
    const QByteArray device = resolved(source);
    if (device.isEmpty()) {
        return {};
    }
    const QByteArray folder = "/dev/disk/by-label";
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return {};
    }
    QString label;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray n(entry->d_name);
        if (n == "." || n == "..") {
            continue;
        }
        if (resolved(folder + '/' + n) == device) {
            label = QString::fromUtf8(unescapeLabel(n));
            break;
        }
    }
    ::closedir(dir);
    return label;
}

}  // namespace

FileManager& FileManager::default_()
{
    static FileManager manager;
    return manager;
}

void FileManager::setFaults(FileManagerFaults faults)
{
    std::lock_guard lock(faultsMutex);
    currentFaults = std::make_shared<const FileManagerFaults>(std::move(faults));
    haveFaults.store(true);
}

void FileManager::clearFaults()
{
    std::lock_guard lock(faultsMutex);
    currentFaults.reset();
    haveFaults.store(false);
}

int FileManager::injectedFailure(FileStep step, const QByteArray& path)
{
    const auto f = faults();
    return f && f->fail ? f->fail(step, path) : 0;
}

Error FileManager::posixError(int code, const QString& description)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(code));
    return Error::make(QStringLiteral("NSPOSIXErrorDomain"), code,
                       description + QStringLiteral(" (") + reason + QLatin1Char(')'), reason);
}

bool FileManager::fileExists(const QByteArray& path) const
{
    struct stat st {};
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0;
}

bool FileManager::moveItem(const QByteArray& from, const QByteArray& to, Error* error) const
{
    const auto fail = [&](int code) {
        if (error) {
            *error = posixError(code, localized("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D.")
                                          .arg(display(baseName(from)), display(dirName(to))));
        }
        return false;
    };
    if (from.isEmpty() || to.isEmpty()) {
        return fail(ENOENT);
    }
    struct stat st {};
    if (::lstat(from.constData(), &st) != 0) {
        return fail(errno);
    }
    int code = injectedFailure(FileStep::rename, from);
    if (code == 0) {
        code = renameNoReplace(from, to);
        if (code == 0) {
            return true;
        }
    }
    if (code != EXDEV) {
        return fail(code);
    }
    if (::lstat(to.constData(), &st) == 0) {
        return fail(EEXIST);
    }

    // Across file systems: copy beside the destination, then put it in place.
    const QByteArray temporary = temporaryNameBeside(to);
    code = copyTree(from, temporary);
    if (code == 0) {
        code = syncFolder(dirName(to));
    }
    if (code == 0) {
        code = injectedFailure(FileStep::finalRename, temporary);
    }
    if (code == 0) {
        code = renameNoReplace(temporary, to);
    }
    if (code != 0) {
        removeTree(temporary, false);
        return fail(code);
    }
    (void)syncFolder(dirName(to));

    code = removeTree(from, true);
    if (code != 0) {
        struct stat now {};
        if (::lstat(from.constData(), &now) == 0 && !S_ISDIR(now.st_mode)) {
            // The source is whole: take the copy back so the file is in one place.
            removeTree(to, false);
        }
        // A folder partly removed keeps its full copy at the destination.
        return fail(code);
    }
    return true;
}

bool FileManager::removeItem(const QByteArray& path, Error* error) const
{
    const int code = path.isEmpty() ? ENOENT : removeTree(path, true);
    if (code != 0) {
        if (error) {
            *error = posixError(code, localized("\u201C%1\u201D couldn\u2019t be removed.").arg(display(baseName(path))));
        }
        return false;
    }
    return true;
}

std::optional<uint64_t> FileManager::systemFreeSize(const QByteArray& path) const
{
    if (const auto f = faults(); f && f->freeSize) {
        return f->freeSize(path);
    }
    struct statvfs vfs {};
    if (path.isEmpty() || ::statvfs(path.constData(), &vfs) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
}

std::optional<VolumeInfo> FileManager::volume(const QByteArray& path) const
{
    const QByteArray real = path.isEmpty() ? QByteArray() : resolved(path);
    struct stat st {};
    if (real.isEmpty() || ::stat(real.constData(), &st) != 0) {
        return std::nullopt;
    }
    const auto mounts = MountTable::read();
    const MountEntry* entry = mounts->volumeFor(real, st.st_dev);
    if (!entry) {
        return std::nullopt;
    }
    VolumeInfo v;
    v.mountPoint = entry->mountPoint;
    v.source = entry->source;
    v.fsType = entry->fileSystemType;
    v.isLocal = MountTable::isLocalFileSystem(entry->fileSystemType);
    v.name = labelOf(v.source);
    if (v.name.isEmpty()) {
        v.name = display(v.mountPoint);
    }
    return v;
}

std::optional<QByteArray> FileManager::volumePath(const QByteArray& path) const
{
    const auto v = volume(path);
    return v ? std::optional<QByteArray>(v->mountPoint) : std::nullopt;
}

std::optional<QString> FileManager::volumeName(const QByteArray& path) const
{
    const auto v = volume(path);
    return v ? std::optional<QString>(v->name) : std::nullopt;
}
