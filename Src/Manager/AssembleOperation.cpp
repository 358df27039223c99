#include "AssembleOperation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include <QCryptographicHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Main/Utilities.h"

namespace {

constexpr qsizetype kPieceSize = 1048576;

std::mutex hookMutex;
std::function<bool(const QByteArray&)> readFailureHook;

bool injectedFailure(const QByteArray& path)
{
    std::lock_guard lock(hookMutex);
    return readFailureHook && readFailureHook(path);
}

void logReadFailure(const QByteArray& path)
{
    qDebug("%s", "\"文件读取异常，文件路径不存在\"");
    TSLOG("文件读取异常，文件路径不存在", " ", QFile::decodeName(path));
}

// Feeds the whole content of the regular file open at `fd` to `hash`;
// returns the number of bytes read, or -1 when a read failed.
int64_t feed(int fd, QCryptographicHash& hash)
{
    thread_local std::vector<char> buffer(kPieceSize);
    int64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            return total;
        }
        hash.addData(QByteArrayView(buffer.data(), n));
        total += n;
    }
}

// Opens `name` relative to `dirFd` only if it is a regular file; never
// blocks on a FIFO that took its place.
int openRegular(int dirFd, const char* name, struct stat* st)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::optional<QByteArray> digestOfFile(int dirFd, const char* name, const QByteArray& path, int64_t expectedSize)
{
    if (injectedFailure(path)) {
        logReadFailure(path);
        return std::nullopt;
    }
    struct stat st {};
    const int fd = openRegular(dirFd, name, &st);
    if (fd < 0) {
        if (errno != ENOENT) {
            TSLOG("打开文件失败:", QString::fromLocal8Bit(std::strerror(errno)), " ", QFile::decodeName(path));
        }
        return std::nullopt;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    QCryptographicHash hash(QCryptographicHash::Md5);
    const int64_t read = feed(fd, hash);
    ::close(fd);
    if (read < 0) {
        logReadFailure(path);
        return std::nullopt;
    }
    if (expectedSize >= 0 && read != expectedSize) {
        // The file changed since the walk: what was read is not the file
        // whose size grouped it.
        return std::nullopt;
    }
    return hash.result();
}

struct BundleItem {
    QByteArray relativePath;
    char kind;  // 'd' folder, 'f' file, 'l' link, 'o' other
    QByteArray content;
};

// Lists a bundle folder below `dirFd` (taken over); false when anything in it
// could not be listed or read.
bool listBundle(int dirFd, const QByteArray& absolute, const QByteArray& relative, std::vector<BundleItem>& items)
{
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    errno = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
            continue;
        }
        const QByteArray rel = relative.isEmpty() ? QByteArray(name) : relative + '/' + name;
        const QByteArray abs = absolute + '/' + name;
        struct stat st {};
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            items.push_back({rel, 'd', {}});
            const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0 || !listBundle(child, abs, rel, items)) {
                ok = false;
                break;
            }
        } else if (S_ISREG(st.st_mode)) {
            const std::optional<QByteArray> digest =
                st.st_size == 0 ? std::optional<QByteArray>(QByteArray()) : digestOfFile(dirfd(dir), name, abs, st.st_size);
            if (!digest) {
                ok = false;
                break;
            }
            items.push_back({rel, 'f', *digest});
        } else if (S_ISLNK(st.st_mode)) {
            QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
            const ssize_t n = readlinkat(dirfd(dir), name, target.data(), target.size());
            if (n < 0) {
                ok = false;
                break;
            }
            target.truncate(n);
            items.push_back({rel, 'l', target});
        } else {
            items.push_back({rel, 'o', QByteArray::number(static_cast<int>(st.st_mode & S_IFMT))});
        }
    }
    closedir(dir);
    return ok;
}

}  // namespace

void setMd5ReadFailureForTesting(std::function<bool(const QByteArray& path)> hook)
{
    std::lock_guard lock(hookMutex);
    readFailureHook = std::move(hook);
}

std::optional<QString> md5File(const QByteArray& path, int64_t size)
{
    if (size == 0) {
        return QStringLiteral("0");
    }
    const std::optional<QByteArray> digest = digestOfFile(AT_FDCWD, path.constData(), path, size);
    if (!digest) {
        return std::nullopt;
    }
    return QString::fromLatin1(digest->toHex());
}

std::optional<QString> md5Bundle(const QByteArray& path)
{
    if (injectedFailure(path)) {
        logReadFailure(path);
        return std::nullopt;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<BundleItem> items;
    if (!listBundle(fd, path, {}, items)) {
        return std::nullopt;
    }
    std::sort(items.begin(), items.end(),
              [](const BundleItem& a, const BundleItem& b) { return a.relativePath < b.relativePath; });
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (const BundleItem& item : items) {
        // Lengths make the encoding unambiguous whatever bytes the names hold.
        hash.addData(QByteArray::number(item.relativePath.size()) + ':' + item.relativePath + item.kind +
                     QByteArray::number(item.content.size()) + ':' + item.content + '\n');
    }
    return QString::fromLatin1(hash.result().toHex());
}

AssembleOperation::AssembleOperation(std::vector<ResourceValueURL> data, int64_t size)
    : data_(std::move(data)), size_(size)
{
}

void AssembleOperation::main()
{
    const auto stopped = [this] { return isCancelled() || (shouldStop && shouldStop()); };
    if (stopped()) {
        return;
    }
    // Ordered by digest so that groups come out the same way on every run.
    std::map<QString, std::vector<const ResourceValueURL*>> table;
    for (const ResourceValueURL& record : data_) {
        struct stat st {};
        if (::lstat(record.path.constData(), &st) != 0) {
            continue;  // gone since the walk
        }
        if (stopped()) {
            break;
        }
        if (assemblingBlock) {
            assemblingBlock(record.displayPath());
        }
        std::optional<QString> digest;
        if (size_ == 0) {
            digest = QStringLiteral("0");
        } else if (record.resourceValues.isApplication) {
            digest = md5Bundle(record.path);
        } else if (record.resourceValues.isRegularFile) {
            digest = md5File(record.path, size_);
        }
        if (digest) {
            table[*digest].push_back(&record);
        }
    }
    for (const auto& [digest, records] : table) {
        if (records.size() < 2) {
            continue;
        }
        auto group = std::make_shared<DuplicateFiles>();
        QList<FileInfoPtr> infos;
        uint64_t total = 0;
        for (const ResourceValueURL* record : records) {
            auto info = std::make_shared<FileInfo>(*record);
            info->icon();
            if (record->resourceValues.isApplication) {
                // A bundle's size is its contents, not its folder entry.
                info->setSize(static_cast<uint64_t>(size_));
            }
            total += info->size();
            infos.append(std::move(info));
        }
        std::sort(infos.begin(), infos.end(),
                  [](const FileInfoPtr& a, const FileInfoPtr& b) { return pathLessThan(a->path(), b->path()); });
        group->setInfos(std::move(infos));
        group->setTotalSize(total);
        if (assembleBlock) {
            assembleBlock(group);
        }
    }
}
