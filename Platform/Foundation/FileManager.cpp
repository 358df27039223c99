#include "FileManager.h"

#include "Bundle.h"
#include "ResourceValues.h"
#include "TemporaryItems.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

// A descriptor closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Fd()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

// An item reached through its parent folder, which is held open: every step
// after the look-up acts on that folder's entry, wherever the path's folders
// lead by then.
struct Entry {
    Fd parent;
    QByteArray name;
    QByteArray path;  // for messages and injected faults
    struct stat st {};
};

// Whether the folder entry `name` of the open folder `parentFd` (looked up
// as `st`) still holds the members a scan read in it.
bool holdsMembers(int parentFd, const QByteArray& name, const struct stat& st, const MembersDigest& members);

// Opens the parent folder of `path` and looks the entry up in it without
// following it. A path's own folders may be links (a home folder reached
// through one); what counts is that the entry found is the item expected.
int openEntry(const QByteArray& path, const ItemIdentity* expected, Entry& entry)
{
    QByteArray clean = path;
    while (clean.size() > 1 && clean.endsWith('/')) {
        clean.chop(1);
    }
    if (clean.isEmpty()) {
        return ENOENT;
    }
    const int slash = clean.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : clean.left(slash);
    entry.name = clean.mid(slash + 1);
    entry.path = clean;
    if (entry.name.isEmpty() || entry.name == "." || entry.name == "..") {
        return EINVAL;
    }
    entry.parent = Fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!entry.parent.valid()) {
        return errno;
    }
    if (::fstatat(entry.parent.get(), entry.name.constData(), &entry.st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (expected && !expected->matches(entry.st)) {
        return FileManager::changedCode;
    }
    if (expected && expected->members && !holdsMembers(entry.parent.get(), entry.name, entry.st, *expected->members)) {
        return FileManager::changedCode;
    }
    return 0;
}

bool sameNode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens an entry of an open folder without following it, and only when it is
// still the node looked up before.
int openAt(int dirFd, const QByteArray& name, const struct stat& st, int flags, Fd& out)
{
    out = Fd(::openat(dirFd, name.constData(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (!out.valid()) {
        return errno;
    }
    struct stat now {};
    if (::fstat(out.get(), &now) != 0) {
        return errno;
    }
    return sameNode(now, st) ? 0 : FileManager::changedCode;
}

// The names of an open folder's entries except "." and "..". Gives errno when
// it cannot be listed, else 0. Names are taken first, so the caller may
// change the folder while it goes through them.
int listEntries(int dirFd, std::vector<QByteArray>& names)
{
    const int copy = ::dup(dirFd);
    if (copy < 0) {
        return errno;
    }
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        const int code = errno;
        ::close(copy);
        return code;
    }
    ::rewinddir(dir);
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0) {
            names.emplace_back(n);
        }
    }
    ::closedir(dir);
    return 0;
}

// Opens the folder entry `name` of an open folder (still the node `st`) and
// lists what it holds.
int openFolderAt(int dirFd, const QByteArray& name, const struct stat& st, Fd& folder, std::vector<QByteArray>& names)
{
    if (const int code = openAt(dirFd, name, st, O_RDONLY | O_DIRECTORY, folder)) {
        return code;
    }
    return listEntries(folder.get(), names);
}

bool forEachMemberBelow(int dirFd, const QByteArray& relative, const FolderMembers::Visit& visit)
{
    std::vector<QByteArray> names;
    if (listEntries(dirFd, names) != 0) {
        return false;
    }
    for (const QByteArray& name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return false;
        }
        const QByteArray path = relative.isEmpty() ? name : relative + '/' + name;
        if (!visit(path, dirFd, name.constData(), st)) {
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            Fd folder;
            if (openAt(dirFd, name, st, O_RDONLY | O_DIRECTORY, folder) != 0 ||
                !forEachMemberBelow(folder.get(), path, visit)) {
                return false;
            }
        }
    }
    return true;
}

bool holdsMembers(int parentFd, const QByteArray& name, const struct stat& st, const MembersDigest& members)
{
    Fd folder;
    if (!S_ISDIR(st.st_mode) || openAt(parentFd, name, st, O_RDONLY | O_DIRECTORY, folder) != 0) {
        return false;
    }
    const std::optional<MembersDigest> now = FolderMembers::of(folder.get());
    return now && *now == members;
}

// A rename that never replaces, of an entry of an open folder. File systems
// without RENAME_NOREPLACE get a hard link plus unlink for files (link
// refuses an existing name as well); folders there fall back to a checked
// rename.
int renameNoReplaceAt(int fromDir, const QByteArray& fromName, int toDir, const QByteArray& to)
{
    if (::renameat2(fromDir, fromName.constData(), toDir, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int code = errno;
    if (code != EINVAL && code != ENOSYS && code != EOPNOTSUPP) {
        return code;
    }
    struct stat st {};
    if (::fstatat(fromDir, fromName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::linkat(fromDir, fromName.constData(), toDir, to.constData(), 0) == 0) {
            ::unlinkat(fromDir, fromName.constData(), 0);
            return 0;
        }
        if (errno == EEXIST || errno == EXDEV) {
            return errno;
        }
    }
    if (::fstatat(toDir, to.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(fromDir, fromName.constData(), toDir, to.constData()) == 0 ? 0 : errno;
}

int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    return renameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to);
}

// How a tree is deleted.
struct RemoveMode {
    // Whether test faults apply (they do not to the clean-up of our own copies).
    bool inject = true;
    // A moved item's source stops at its first failure, so that what has not
    // gone yet stays whole; a deletion removes what can be removed.
    bool stopAtFailure = false;
    // Entries unlinked so far.
    int64_t removed = 0;
};

// Deletes the entry `name` of the open folder `dirFd`, a folder with all it
// holds; `st` is what the entry was when looked up. Folders are entered
// through their own descriptors, never through a path, so a folder swapped
// for a link on the way is not followed.
int removeTreeAt(int dirFd, const QByteArray& name, const QByteArray& path, const struct stat& st, RemoveMode& mode)
{
    if (S_ISDIR(st.st_mode)) {
        Fd folder;
        std::vector<QByteArray> names;
        if (const int code = openFolderAt(dirFd, name, st, folder, names)) {
            return code;
        }
        int result = 0;
        for (const QByteArray& child : names) {
            struct stat childSt {};
            int code = ::fstatat(folder.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
            if (code == 0) {
                code = removeTreeAt(folder.get(), child, path + '/' + child, childSt, mode);
            }
            if (code != 0 && code != ENOENT && result == 0) {
                result = code;  // remove what can be removed, report the first failure
                if (mode.stopAtFailure) {
                    return result;
                }
            }
        }
        if (result != 0) {
            return result;
        }
        if (mode.inject) {
            if (const int code = FileManager::injectedFailure(FileStep::remove, path)) {
                return code;
            }
        }
        if (::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0) {
            return errno;
        }
        ++mode.removed;
        return 0;
    }
    if (mode.inject) {
        if (const int code = FileManager::injectedFailure(FileStep::remove, path)) {
            return code;
        }
    }
    if (::unlinkat(dirFd, name.constData(), 0) != 0) {
        return errno;
    }
    ++mode.removed;
    return 0;
}

int removeTreeAt(int dirFd, const QByteArray& name, const QByteArray& path, const struct stat& st, bool inject)
{
    RemoveMode mode;
    mode.inject = inject;
    return removeTreeAt(dirFd, name, path, st, mode);
}

// Deletes what is at `path` now (clean-up of our own copies).
int removeTree(const QByteArray& path, bool inject)
{
    Entry entry;
    if (const int code = openEntry(path, nullptr, entry)) {
        return code;
    }
    return removeTreeAt(entry.parent.get(), entry.name, entry.path, entry.st, inject);
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

// Flushes the open folder `fd`'s entries to disk.
int flushFolderAt(int fd)
{
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    // Some file systems cannot sync a folder; that is no reason to fail.
    return result == EINVAL || result == EROFS ? 0 : result;
}

int syncFolder(const QByteArray& path)
{
    const Fd fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() ? flushFolderAt(fd.get()) : errno;
}

// Copies the regular file open as `in` (whose values are `st`) to the new
// file `to`; `from` names the source for injected faults. `record`, when
// given, learns what was made as soon as it exists.
int copyFile(int in, const QByteArray& from, const QByteArray& to, const struct stat& st,
             TemporaryItems::Record* record)
{
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        return errno;
    }
    if (record) {
        record->created(out);
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
    return result;
}

// Copies the entry `name` of the open folder `dirFd` (looked up as `st`) to
// the new path `to`. The source is read through descriptors only. `record`,
// when given, is told of the copy's top as soon as it exists.
int copyTreeAt(int dirFd, const QByteArray& name, const QByteArray& from, const struct stat& st, const QByteArray& to,
               TemporaryItems::Record* record = nullptr)
{
    if (S_ISREG(st.st_mode)) {
        Fd in;
        if (const int code = openAt(dirFd, name, st, O_RDONLY | O_NONBLOCK | O_NOCTTY, in)) {
            return code;
        }
        return copyFile(in.get(), from, to, st, record);
    }
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(static_cast<int>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlinkat(dirFd, name.constData(), target.data(), static_cast<size_t>(target.size()));
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
        if (record) {
            record->created();
        }
        keepOwnerAndTimes(-1, to, st, true);
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        Fd folder;
        std::vector<QByteArray> names;
        if (const int code = openFolderAt(dirFd, name, st, folder, names)) {
            return code;
        }
        if (::mkdir(to.constData(), 0700) != 0) {
            return errno;
        }
        if (record) {
            record->created();
        }
        for (const QByteArray& child : names) {
            struct stat childSt {};
            if (::fstatat(folder.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
                return errno;  // a copy stops at its first failure
            }
            if (const int code = copyTreeAt(folder.get(), child, from + '/' + child, childSt, to + '/' + child)) {
                return code;
            }
        }
        const Fd copied(::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!copied.valid()) {
            return errno;
        }
        // What the folder holds must be on disk before the copy counts as made.
        if (const int code = flushFolderAt(copied.get())) {
            return code;
        }
        keepOwnerAndTimes(copied.get(), to, st, false);
        return 0;
    }
    // Pipes, sockets and devices are never copied.
    return EOPNOTSUPP;
}

// Whether the open file or folder `fd` is immutable or append-only, which
// keeps even root from removing it (or, for a folder, what it holds). File
// systems without such flags say so, and then nothing is pinned.
bool isPinned(int fd)
{
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// Whether entries can be removed from the open folder `fd`.
int takesRemovals(int fd)
{
    if (::faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return errno;  // no permission, or a read-only disk
    }
    return isPinned(fd) ? EPERM : 0;
}

// Whether the entry `name` of the open folder `dirFd` (whose values are
// `dirSt`) can be removed with all it holds, as far as can be told without
// removing anything: no member is pinned, every folder takes removals, and
// no sticky folder keeps another user's entry. 0 when it can.
int removableAt(int dirFd, const struct stat& dirSt, const QByteArray& name, const struct stat& st)
{
    const uid_t user = ::geteuid();
    if ((dirSt.st_mode & S_ISVTX) != 0 && user != 0 && st.st_uid != user && dirSt.st_uid != user) {
        return EPERM;
    }
    if (S_ISREG(st.st_mode)) {
        Fd file;
        // A file that cannot be opened cannot be copied either; the copy says why.
        const bool opened = openAt(dirFd, name, st, O_RDONLY | O_NONBLOCK | O_NOCTTY, file) == 0;
        return opened && isPinned(file.get()) ? EPERM : 0;
    }
    if (!S_ISDIR(st.st_mode)) {
        return 0;  // links cannot carry the flags
    }
    Fd folder;
    std::vector<QByteArray> names;
    if (const int code = openFolderAt(dirFd, name, st, folder, names)) {
        return code;
    }
    if (isPinned(folder.get())) {
        return EPERM;
    }
    if (!names.empty()) {
        if (const int code = takesRemovals(folder.get())) {
            return code;
        }
    }
    for (const QByteArray& child : names) {
        struct stat childSt {};
        if (::fstatat(folder.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
            return errno;
        }
        if (const int code = removableAt(folder.get(), st, child, childSt)) {
            return code;
        }
    }
    return 0;
}

// The same for an entry looked up through its parent folder.
int removable(const Entry& entry, const struct stat& st)
{
    struct stat parent {};
    if (::fstat(entry.parent.get(), &parent) != 0) {
        return errno;
    }
    if (const int code = takesRemovals(entry.parent.get())) {
        return code;
    }
    return removableAt(entry.parent.get(), parent, entry.name, st);
}

const QByteArray movePrefix = QByteArrayLiteral(".twinsweep-move-");

// A fresh name beside `to` for the copy in progress.
QByteArray temporaryNameBeside(const QByteArray& to)
{
    const QByteArray folder = dirName(to);
    for (;;) {
        const QByteArray candidate = folder + '/' + FileManager::temporaryName(movePrefix);
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

QByteArray FileManager::temporaryName(const QByteArray& prefix)
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return prefix + QByteArray::number(::getpid()) + '-' + QByteArray::number(counter.fetch_add(1)) + '-' +
           QByteArray::number(static_cast<quint32>(random()), 16);
}

bool FileManager::fileExists(const QByteArray& path) const
{
    struct stat st {};
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0;
}

Error FileManager::partlyMovedError(int code, const QString& description)
{
    Error error = posixError(code, description);
    error.domain = QString::fromLatin1(partlyMovedDomain);
    return error;
}

Error FileManager::changedError()
{
    return Error::make(QStringLiteral("file has changed."), 2, localized("The file has changed since the scan."));
}

namespace {

int64_t nanoseconds(const struct timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void appendRaw(QByteArray& out, uint64_t value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

bool ItemIdentity::matches(const struct stat& st) const
{
    if (!isKnown() || st.st_dev != device || st.st_ino != inode) {
        return false;
    }
    if (type != 0 && (st.st_mode & S_IFMT) != type) {
        return false;
    }
    if (S_ISREG(st.st_mode)) {
        return st.st_size == size && (modificationTimeNs == 0 || nanoseconds(st.st_mtim) == modificationTimeNs) &&
               (statusChangeTimeNs == 0 || nanoseconds(st.st_ctim) == statusChangeTimeNs);
    }
    // A folder's size and times follow its contents; a link's say nothing.
    return true;
}

ItemIdentity ItemIdentity::of(const struct stat& st)
{
    ItemIdentity identity;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.type = st.st_mode & S_IFMT;
    identity.size = st.st_size;
    identity.modificationTimeNs = nanoseconds(st.st_mtim);
    identity.statusChangeTimeNs = nanoseconds(st.st_ctim);
    return identity;
}

bool FolderMembers::forEach(int dirFd, const Visit& visit)
{
    return forEachMemberBelow(dirFd, QByteArray(), visit);
}

void FolderMembers::add(const QByteArray& relativePath, const struct stat& st)
{
    // What ItemIdentity compares of each: a folder is its node (what it
    // holds is noted member by member), anything else its node, size and
    // times as well.
    QByteArray what;
    what.reserve(48);
    appendRaw(what, st.st_mode & S_IFMT);
    appendRaw(what, st.st_dev);
    appendRaw(what, st.st_ino);
    if (!S_ISDIR(st.st_mode)) {
        appendRaw(what, static_cast<uint64_t>(st.st_size));
        appendRaw(what, static_cast<uint64_t>(nanoseconds(st.st_mtim)));
        appendRaw(what, static_cast<uint64_t>(nanoseconds(st.st_ctim)));
    }
    members_.emplace_back(relativePath, std::move(what));
}

MembersDigest FolderMembers::digest() const
{
    std::vector<const std::pair<QByteArray, QByteArray>*> sorted;
    sorted.reserve(members_.size());
    for (const auto& member : members_) {
        sorted.push_back(&member);
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (const auto* member : sorted) {
        // Lengths make the encoding unambiguous whatever bytes the names hold.
        hash.addData(QByteArray::number(member->first.size()) + ':' + member->first +
                     QByteArray::number(member->second.size()) + ':' + member->second);
    }
    const QByteArray result = hash.result();
    MembersDigest out{};
    std::copy_n(result.constData(), std::min<size_t>(out.size(), size_t(result.size())), out.begin());
    return out;
}

std::optional<MembersDigest> FolderMembers::of(int dirFd)
{
    FolderMembers members;
    const bool whole = forEach(dirFd, [&](const QByteArray& path, int, const char*, const struct stat& st) {
        members.add(path, st);
        return true;
    });
    return whole ? std::optional<MembersDigest>(members.digest()) : std::nullopt;
}

namespace {

Error errorFor(int code, const QString& description)
{
    return code == FileManager::changedCode ? FileManager::changedError() : FileManager::posixError(code, description);
}

// What a move that failed left at its destination.
enum class MoveLeft {
    nothing,        // the item is at its place, as it was
    partOfSource,   // the full copy arrived, part of the source stayed
    sourceGone,     // the full copy arrived, and the source was gone before it could be removed
};

// What a record of a copy that took its final name keeps of the item it
// was made from: its path and its identity when it was copied.
QByteArray arrivalNote(const QByteArray& sourcePath, const struct stat& st)
{
    const ItemIdentity was = ItemIdentity::of(st);
    QByteArray note;
    for (const uint64_t value :
         {uint64_t(was.device), uint64_t(was.inode), uint64_t(was.type), uint64_t(was.size),
          uint64_t(was.modificationTimeNs), uint64_t(was.statusChangeTimeNs)}) {
        appendRaw(note, value);
    }
    return note + sourcePath;
}

bool readArrivalNote(const QByteArray& note, QByteArray& sourcePath, ItemIdentity& was)
{
    constexpr qsizetype fields = 6;
    if (note.size() <= fields * qsizetype(sizeof(uint64_t))) {
        return false;
    }
    uint64_t values[fields];
    std::memcpy(values, note.constData(), sizeof values);
    was.device = static_cast<dev_t>(values[0]);
    was.inode = static_cast<ino_t>(values[1]);
    was.type = static_cast<mode_t>(values[2]);
    was.size = static_cast<int64_t>(values[3]);
    was.modificationTimeNs = static_cast<int64_t>(values[4]);
    was.statusChangeTimeNs = static_cast<int64_t>(values[5]);
    sourcePath = note.mid(sizeof values);
    return sourcePath.startsWith('/');
}

// What a copy has of its original, member by member (the item itself
// first): the path inside, the kind, and for a file its size and
// modification time, which the copy is given. A faithful copy and its
// original that did not change since show the same; nothing when it
// cannot be gone through whole.
std::optional<QByteArray> shapeOf(int dirFd, const QByteArray& name, const struct stat& st)
{
    std::vector<QByteArray> members;
    const auto note = [&members](const QByteArray& relativePath, const struct stat& member) {
        QByteArray what;
        appendRaw(what, uint64_t(relativePath.size()));
        what += relativePath;
        appendRaw(what, member.st_mode & S_IFMT);
        if (!S_ISDIR(member.st_mode)) {
            appendRaw(what, uint64_t(member.st_size));
        }
        if (S_ISREG(member.st_mode)) {
            appendRaw(what, uint64_t(nanoseconds(member.st_mtim)));
        }
        members.push_back(std::move(what));
        return true;
    };
    note(QByteArray(), st);
    if (S_ISDIR(st.st_mode)) {
        Fd folder;
        if (openAt(dirFd, name, st, O_RDONLY | O_DIRECTORY, folder) != 0 || !FolderMembers::forEach(folder.get(), [&](const QByteArray& path, int, const char*, const struct stat& member) { return note(path, member); })) {
            return std::nullopt;
        }
    }
    std::sort(members.begin(), members.end());
    QByteArray shape;
    for (const QByteArray& member : members) {
        shape += member;
    }
    return shape;
}

// Whether the entry `name` of the open folder `dirFd` (looked up as `st`),
// a copy that arrived whole, is no more than a second copy: the item it
// was made from is still at its place as it was copied, and the two are
// alike.
bool isSecondCopy(int dirFd, const QByteArray& name, const struct stat& st, const QByteArray& note)
{
    QByteArray sourcePath;
    ItemIdentity was;
    Entry source;
    if (!readArrivalNote(note, sourcePath, was) || openEntry(sourcePath, &was, source) != 0) {
        return false;
    }
    const std::optional<QByteArray> copy = shapeOf(dirFd, name, st);
    return copy && copy == shapeOf(source.parent.get(), source.name, source.st);
}

// Removes the copy that arrived at `to`, while it is still `copy`, to
// undo a move whose source stays.
int takeBack(const QByteArray& to, const struct stat& copy)
{
    Entry entry;
    if (const int code = openEntry(to, nullptr, entry)) {
        return code;
    }
    if (!sameNode(entry.st, copy)) {
        return FileManager::changedCode;
    }
    return removeTreeAt(entry.parent.get(), entry.name, entry.path, entry.st, false);
}

// Moves the item at `from` to `to`. When the item had to be copied and the
// move failed after the full copy arrived, `left` says what stays where.
int moveEntry(const QByteArray& from, const QByteArray& to, const ItemIdentity* expected, MoveLeft& left)
{
    left = MoveLeft::nothing;
    if (from.isEmpty() || to.isEmpty()) {
        return ENOENT;
    }
    Entry source;
    if (const int code = openEntry(from, expected, source)) {
        return code;
    }
    if (const int code = FileManager::injectedFailure(FileStep::name, to)) {
        return code;
    }
    int code = FileManager::injectedFailure(FileStep::rename, from);
    if (code == 0) {
        code = renameNoReplaceAt(source.parent.get(), source.name, AT_FDCWD, to);
        if (code == 0) {
            return 0;
        }
    }
    if (code != EXDEV) {
        return code;
    }
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) {
        return EEXIST;
    }
    // An item that cannot leave its place whole (a member that is immutable
    // or append-only, a folder that takes no removals) is not copied at all.
    if (const int code = removable(source, source.st)) {
        return code;
    }

    // Across file systems: copy beside the destination, then put it in place.
    // The copy is recorded before it is made, so that a run killed meanwhile
    // leaves something the next one can prove is its own.
    const QByteArray temporary = temporaryNameBeside(to);
    TemporaryItems::Record record = TemporaryItems::recordBefore(temporary, FileManager::temporaryCopyKind);
    code = copyTreeAt(source.parent.get(), source.name, source.path, source.st, temporary, &record);
    if (code == 0) {
        code = syncFolder(dirName(to));
    }
    // Recorded before the copy takes its final name, with what it is a copy
    // of: a run killed after that, with the source still at its place,
    // tells the next one that this copy is a second one.
    TemporaryItems::Record arrival;
    struct stat copy {};
    if (code == 0) {
        arrival = TemporaryItems::recordBefore(to, FileManager::arrivedCopyKind, arrivalNote(source.path, source.st));
        const Fd node(::open(temporary.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!node.valid() || ::fstat(node.get(), &copy) != 0) {
            code = errno;
        } else {
            arrival.created(node.get());
        }
    }
    if (code == 0) {
        code = FileManager::injectedFailure(FileStep::finalRename, temporary);
    }
    if (code == 0) {
        code = renameNoReplace(temporary, to);
    }
    if (code != 0) {
        const int stays = removeTree(temporary, false);
        if (stays != 0 && stays != ENOENT) {
            record.keep();
        }
        return code;
    }
    record.forget();
    // The source goes only once the copy's name is on disk.
    code = syncFolder(dirName(to));

    // The source goes only if it is still what was copied, and can still go
    // whole (its flags may have changed while it was copied).
    struct stat now {};
    RemoveMode mode;
    mode.stopAtFailure = true;
    if (code == 0) {
        if (::fstatat(source.parent.get(), source.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
            code = errno;
        } else if (!ItemIdentity::of(source.st).matches(now) ||
                   (expected && expected->members &&
                    !holdsMembers(source.parent.get(), source.name, now, *expected->members))) {
            code = FileManager::changedCode;
        } else if ((code = removable(source, now)) == 0) {
            code = removeTreeAt(source.parent.get(), source.name, source.path, now, mode);
        }
    }
    if (code == 0) {
        return 0;
    }
    if (mode.removed > 0) {
        // Part of it is gone already: the full copy stays where it arrived.
        left = MoveLeft::partOfSource;
    } else if (::fstatat(source.parent.get(), source.name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
        // The source is whole: take the copy back so the item is in one
        // place. Should that fail, the record of the arrival stays, and the
        // next run takes it back.
        if (takeBack(to, copy) != 0) {
            arrival.keep();
        }
    } else if (errno == ENOENT) {
        // Taken from its place by other hands: the copy is all there is now.
        left = MoveLeft::sourceGone;
    } else {
        // Where the source is cannot be told: the copy stays, and its record
        // lets the next run take it back once it can.
        arrival.keep();
    }
    return code;
}

int removeEntry(const QByteArray& path, const ItemIdentity* expected)
{
    Entry entry;
    if (const int code = openEntry(path, expected, entry)) {
        return code;
    }
    return removeTreeAt(entry.parent.get(), entry.name, entry.path, entry.st, true);
}

// Removes from the open folder `dir` the items of `kind` that the records
// prove a process that ended made there, and that `mayGo` lets go.
int clearRecorded(int dir, const QByteArray& folder, const char* kind,
                  const std::function<bool(const QByteArray& name, const struct stat& st,
                                           const TemporaryItems::Leftover& leftover)>& mayGo)
{
    int cleared = 0;
    for (const TemporaryItems::Leftover& leftover : TemporaryItems::leftoversIn(folder, kind)) {
        const QByteArray name = baseName(leftover.path);
        struct stat st {};
        if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                TemporaryItems::forget(leftover);
            }
            continue;
        }
        if (!leftover.isStillAt(dir, name) || !mayGo(name, st, leftover)) {
            TemporaryItems::forget(leftover);
            continue;
        }
        // An item that cannot be removed whole keeps its record for next time.
        if (removeTreeAt(dir, name, folder + '/' + name, st, false) == 0) {
            TemporaryItems::forget(leftover);
            ++cleared;
        }
    }
    return cleared;
}

}  // namespace

int FileManager::clearLeftoverMoves(const QByteArray& folder) const
{
    const Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) {
        return 0;
    }
    // A copy cut short is of no use to anyone. One that arrived whole goes
    // only while it is a second copy: with its original gone or changed it
    // is what the user has of it now.
    return clearRecorded(dir.get(), folder, temporaryCopyKind, [](auto&&...) { return true; }) +
           clearRecorded(dir.get(), folder, arrivedCopyKind,
                         [&dir](const QByteArray& name, const struct stat& st, const TemporaryItems::Leftover& leftover) {
                             return isSecondCopy(dir.get(), name, st, leftover.extra);
                         });
}

int FileManager::flushFolder(const QByteArray& path)
{
    return syncFolder(path);
}

bool FileManager::moveItem(const QByteArray& from, const QByteArray& to, Error* error) const
{
    return moveItem(from, to, nullptr, error);
}

bool FileManager::moveItem(const QByteArray& from, const QByteArray& to, const ItemIdentity& expected,
                           Error* error) const
{
    return moveItem(from, to, &expected, error);
}

bool FileManager::moveItem(const QByteArray& from, const QByteArray& to, const ItemIdentity* expected,
                           Error* error) const
{
    MoveLeft left = MoveLeft::nothing;
    const int code = moveEntry(from, to, expected, left);
    if (code != 0 && error) {
        const QString item = display(baseName(from));
        const QString folder = display(dirName(to));
        switch (left) {
        case MoveLeft::partOfSource:
            *error = partlyMovedError(code, localized("A full copy of \u201C%1\u201D is in \u201C%2\u201D, but part of it could not be removed and stayed at its place.")
                                                .arg(item, folder));
            break;
        case MoveLeft::sourceGone:
            *error = Error::make(QString::fromLatin1(sourceGoneDomain), code,
                                 localized("\u201C%1\u201D was copied to \u201C%2\u201D, but meanwhile something else removed it from its place: the copy there is the only one left.")
                                     .arg(item, folder));
            break;
        case MoveLeft::nothing:
            *error = errorFor(code, localized("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D.").arg(item, folder));
            break;
        }
    }
    return code == 0;
}

bool FileManager::removeItem(const QByteArray& path, Error* error) const
{
    return removeItem(path, nullptr, error);
}

bool FileManager::removeItem(const QByteArray& path, const ItemIdentity& expected, Error* error) const
{
    return removeItem(path, &expected, error);
}

bool FileManager::removeItem(const QByteArray& path, const ItemIdentity* expected, Error* error) const
{
    const int code = removeEntry(path, expected);
    if (code != 0 && error) {
        *error = errorFor(code, localized("\u201C%1\u201D couldn\u2019t be removed.").arg(display(baseName(path))));
    }
    return code == 0;
}

std::optional<bool> FileManager::isItem(const QByteArray& path, const ItemIdentity& expected) const
{
    Entry entry;
    const int code = openEntry(path, &expected, entry);
    if (code == 0 || code == changedCode) {
        return code == 0;
    }
    return std::nullopt;
}

bool FileManager::writeFileAtomically(const QByteArray& requested, const QByteArray& data, Error* error,
                                      mode_t mode) const
{
    const auto fail = [&](int code) {
        if (error) {
            *error = posixError(code, localized("\u201C%1\u201D couldn\u2019t be saved.").arg(display(baseName(requested))));
        }
        return false;
    };
    if (requested.isEmpty() || requested.endsWith('/')) {
        return fail(EINVAL);
    }
    // A file kept as a link elsewhere (a settings file in a dotfiles folder)
    // is replaced where it lies; the link stays.
    struct stat existing {};
    QByteArray path = requested;
    if (::lstat(requested.constData(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        if (const QByteArray target = resolved(requested); !target.isEmpty()) {
            path = target;
        }
    }
    const bool replaces = ::stat(path.constData(), &existing) == 0;
    const QByteArray temporary = temporaryNameBeside(path);
    Fd out(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!out.valid()) {
        return fail(errno);
    }
    int code = 0;
    qsizetype done = 0;
    while (code == 0 && done < data.size()) {
        code = injectedFailure(FileStep::writeData, path);
        if (code != 0) {
            break;
        }
        const ssize_t put = ::write(out.get(), data.constData() + done, static_cast<size_t>(data.size() - done));
        if (put < 0) {
            code = errno == EINTR ? 0 : errno;
            continue;
        }
        done += put;
    }
    if (code == 0) {
        code = injectedFailure(FileStep::writeData, path);
    }
    // The flush is where a full disk shows on some file systems.
    if (code == 0 && ::fsync(out.get()) != 0) {
        code = errno;
    }
    struct stat written {};
    if (code == 0 && ::fstat(out.get(), &written) != 0) {
        code = errno;
    } else if (code == 0 && written.st_size != data.size()) {
        code = EIO;
    }
    if (code == 0 && replaces) {
        (void)::fchmod(out.get(), existing.st_mode & 07777);
    }
    if (::close(out.release()) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0 && ::rename(temporary.constData(), path.constData()) != 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlink(temporary.constData());
        return fail(code);
    }
    (void)syncFolder(dirName(path));
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

std::optional<uint64_t> FileManager::linkCount(const QByteArray& path) const
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    return S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_nlink) : 1;
}

const QByteArray FileManager::asidePrefix = QByteArrayLiteral(".twinsweep-aside-");

std::optional<FileManager::Aside> FileManager::moveAside(const QByteArray& path, const ItemIdentity& expected,
                                                         const QByteArray& asideName, Error* error) const
{
    Entry entry;
    int code = asideName.startsWith(asidePrefix) ? openEntry(path, &expected, entry) : EINVAL;
    Aside aside;
    if (code == 0) {
        aside.name = entry.name;
        aside.folderPath = dirName(entry.path);
        aside.asideName = asideName;
        const ItemIdentity was = ItemIdentity::of(entry.st);
        aside.device = was.device;
        aside.type = was.type;
        aside.size = was.size;
        aside.modificationTimeNs = was.modificationTimeNs;
        code = renameNoReplaceAt(entry.parent.get(), entry.name, entry.parent.get(), asideName);
    }
    if (code != 0) {
        if (error) {
            *error = errorFor(code, localized("\u201C%1\u201D couldn\u2019t be moved.").arg(display(baseName(path))));
        }
        return std::nullopt;
    }
    aside.folder = Aside::holdFolder(entry.parent.release());
    return aside;
}

std::shared_ptr<const int> FileManager::Aside::holdFolder(int fd)
{
    return std::shared_ptr<const int>(new int(fd), [](const int* held) {
        ::close(*held);
        delete held;
    });
}

std::optional<ItemIdentity> FileManager::putBack(const Aside& aside, Error* error) const
{
    const int folder = aside.folder ? *aside.folder : -1;
    const auto fail = [&](int code) -> std::optional<ItemIdentity> {
        if (error) {
            *error = errorFor(code, localized("\u201C%1\u201D couldn\u2019t be moved.").arg(display(aside.name)));
        }
        return std::nullopt;
    };
    const auto same = [&aside](const struct stat& st) {
        const ItemIdentity now = ItemIdentity::of(st);
        if (aside.device != 0 && now.device != aside.device) {
            return false;
        }
        if (aside.type != 0 && now.type != aside.type) {
            return false;
        }
        return now.type != S_IFREG || aside.size == 0 ||
               (now.size == aside.size && now.modificationTimeNs == aside.modificationTimeNs);
    };
    struct stat st {};
    if (!aside.asideName.startsWith(asidePrefix) ||
        ::fstatat(folder, aside.asideName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return fail(errno);
    }
    if (!same(st)) {
        return fail(changedCode);
    }
    if (const int code = renameNoReplaceAt(folder, aside.asideName, folder, aside.name)) {
        return fail(code);
    }
    if (::fstatat(folder, aside.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return fail(errno);
    }
    return ItemIdentity::of(st);
}

std::optional<bool> FileManager::opensAs(const QByteArray& path, const ItemIdentity& expected, bool reading) const
{
    if (path.isEmpty()) {
        return std::nullopt;
    }
    // Non-blocking and without a terminal: a FIFO or a device that took the
    // item's place is not waited on (and is no regular file to read).
    Fd fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        return errno == ELOOP ? std::optional<bool>(false) : std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return std::nullopt;
    }
    if (!expected.matches(st) || !reading) {
        return expected.matches(st);
    }
    if (S_ISREG(st.st_mode)) {
        // Pages cached from an earlier read would answer without the daemon.
        char first[4096];
        (void)::posix_fadvise(fd.get(), 0, sizeof first, POSIX_FADV_DONTNEED);
        ssize_t got = 0;
        do {
            got = ::pread(fd.get(), first, sizeof first, 0);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            return std::nullopt;
        }
        // A file with nothing to read where it had bytes is not that file.
        return got > 0 || st.st_size == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        DIR* folder = ::fdopendir(fd.get());
        if (!folder) {
            return std::nullopt;
        }
        fd.release();
        errno = 0;
        const bool listed = ::readdir(folder) != nullptr || errno == 0;
        ::closedir(folder);
        return listed ? std::optional<bool>(true) : std::nullopt;
    }
    return true;
}

std::optional<bool> FileManager::lists(const QByteArray& folder, const QByteArray& name) const
{
    DIR* listing = folder.isEmpty() ? nullptr : ::opendir(folder.constData());
    if (!listing) {
        return std::nullopt;
    }
    std::optional<bool> found = false;
    for (;;) {
        errno = 0;
        const struct dirent* entry = ::readdir(listing);
        if (!entry) {
            if (errno != 0) {
                found.reset();
            }
            break;
        }
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(listing);
    return found;
}
