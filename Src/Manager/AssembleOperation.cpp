#include "AssembleOperation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <unordered_map>
#include <mutex>

#include <QCryptographicHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/syscall.h>

#include "Main/Utilities.h"
#include "Manager/WalkTable.h"

namespace {

constexpr qsizetype kPieceSize = 1048576;

std::mutex hookMutex;
std::function<bool(const QByteArray&)> readFailureHook;

bool injectedFailure(const QByteArray& path)
{
    std::function<bool(const QByteArray&)> hook;
    {
        std::lock_guard lock(hookMutex);
        if (!readFailureHook) {
            return false;
        }
        hook = readFailureHook;
    }
    // Called unlocked: a hook that waits holds back only its own file.
    return hook(path);
}

void logReadFailure(const QByteArray& path)
{
    qDebug("%s", "\"文件读取异常，文件路径不存在\"");
    TSLOG("文件读取异常，文件路径不存在", " ", QFile::decodeName(path));
}

// Feeds the whole content of the regular file open at `fd` to `hash`;
// returns the number of bytes read, or -1 when a read failed. `stop` is
// asked between pieces, so a stop does not wait for the end of a large file
// (-2: the reading was stopped, and the file has no digest).
int64_t feed(int fd, QCryptographicHash& hash, const std::function<bool()>& stop = {})
{
    thread_local std::vector<char> buffer(kPieceSize);
    int64_t total = 0;
    for (;;) {
        if (stop && stop()) {
            return -2;
        }
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

namespace {

// The first and the last this many bytes of a file are compared before the
// whole content is read.
constexpr int64_t kEdge = 4096;
// What a group read on its own asks for ahead of its whole readings: the
// start of each file, and in all.
constexpr int64_t kWholeAheadPerFile = 4 << 20;
constexpr int64_t kWholeAhead = 32 << 20;
// Descriptors one operation keeps open between its two readings; the rest
// are opened again.
constexpr size_t kOpenBudget = 128;
// Bytes of small files one operation keeps between its two readings.
constexpr size_t kKeepLimit = 256 << 10;

std::mutex planMutex;
ReadPlanForTesting readPlan;

ReadPlanForTesting currentReadPlan()
{
    std::lock_guard lock(planMutex);
    return readPlan;
}

// A 64-bit hash of a byte range, enough to tell edges apart quickly; equal
// hashes of unequal edges only cost a whole reading.
uint64_t mix(uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

uint64_t edgeHash(const char* data, size_t length, uint64_t seed)
{
    uint64_t h = seed ^ (length * 0x9e3779b97f4a7c15ULL);
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        h = (h ^ mix(word)) * 0x9e3779b97f4a7c15ULL;
        h = (h << 27) | (h >> 37);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, data + i, length - i);
    return mix(h ^ mix(tail ^ (length - i)));
}

// Reads exactly `length` bytes at `offset`; false on a short read (the file
// shrank) or an error.
bool readAt(int fd, char* buffer, int64_t length, int64_t offset)
{
    int64_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, size_t(length - done), offset + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

// Whether every page of the range is in memory: asked of the page cache's
// statistics where the kernel has them, else of a mapping.
bool pagesResident(int fd, int64_t offset, int64_t length)
{
    if (length <= 0) {
        return true;
    }
    const int64_t page = sysconf(_SC_PAGESIZE);
    const int64_t first = offset / page * page;
    const auto pages = uint64_t((offset + length - first + page - 1) / page);
#ifndef __NR_cachestat
#define __NR_cachestat 451
#endif
    static std::atomic<bool> noCachestat{false};
    if (!noCachestat.load(std::memory_order_relaxed)) {
        struct {
            uint64_t offset, length;
        } range{uint64_t(first), pages * uint64_t(page)};
        struct {
            uint64_t cache, dirty, writeback, evicted, recentlyEvicted;
        } stat{};
        if (syscall(__NR_cachestat, fd, &range, &stat, 0) == 0) {
            return stat.cache >= pages;
        }
        if (errno != ENOSYS) {
            return false;
        }
        noCachestat.store(true, std::memory_order_relaxed);
    }
    const size_t span = size_t(pages * uint64_t(page));
    void* map = ::mmap(nullptr, span, PROT_READ, MAP_SHARED, fd, first);
    if (map == MAP_FAILED) {
        return false;
    }
    std::vector<unsigned char> residency(pages);
    bool all = ::mincore(map, span, residency.data()) == 0;
    for (size_t i = 0; all && i < residency.size(); ++i) {
        all = (residency[i] & 1) != 0;
    }
    ::munmap(map, span);
    return all;
}

// Where the file lies on its disk: the physical start of its first extent;
// (1, inode) where the file system cannot say.
std::pair<int, uint64_t> placeOnDisk(const QByteArray& path, uint64_t inode)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return {1, inode};
    }
    // One extent is enough: where the file begins.
    alignas(struct fiemap) char request[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
    auto* map = reinterpret_cast<struct fiemap*>(request);
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_extent_count = 1;
    const bool known = ::ioctl(fd, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents >= 1 &&
                       !(map->fm_extents[0].fe_flags &
                         (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_DATA_INLINE));
    const uint64_t physical = known ? map->fm_extents[0].fe_physical : 0;
    ::close(fd);
    return known ? std::pair<int, uint64_t>{0, physical} : std::pair<int, uint64_t>{1, inode};
}

// One file of the group while it is read.
struct Reading {
    uint32_t index = 0;
    QByteArray path;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    bool opened = false;  // found once to be the regular file of the walk's size
    bool edged = false;
    uint64_t edges = 0;
    int64_t keptAt = -1;  // where its bytes are kept, when they are

    void close()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

enum class Opening { ok, vanished, failed };

// Opens the file (again) and checks that it is the regular file of the
// walk's size, and the same one as at the first look. Failures other than a
// vanished file are logged when `log` is set.
Opening openReading(Reading& r, int64_t size, bool log)
{
    if (r.fd >= 0) {
        return Opening::ok;
    }
    if (injectedFailure(r.path)) {
        if (log) {
            logReadFailure(r.path);
        }
        return Opening::failed;
    }
    struct stat st {};
    const int fd = openRegular(AT_FDCWD, r.path.constData(), &st);
    if (fd < 0) {
        if (errno == ENOENT) {
            return Opening::vanished;
        }
        if (log) {
            TSLOG("打开文件失败:", QString::fromLocal8Bit(std::strerror(errno)), " ", QFile::decodeName(r.path));
        }
        return Opening::failed;
    }
    if (st.st_size != size || (r.opened && (st.st_dev != r.device || st.st_ino != r.inode))) {
        // Changed since the walk (or since the first look): what is there
        // now is not the file whose size grouped it.
        ::close(fd);
        return Opening::failed;
    }
    r.fd = fd;
    r.device = st.st_dev;
    r.inode = st.st_ino;
    r.opened = true;
    return Opening::ok;
}

}  // namespace

void setReadPlanForTesting(ReadPlanForTesting plan)
{
    std::lock_guard lock(planMutex);
    readPlan = std::move(plan);
}

AssembleOperation::AssembleOperation(std::shared_ptr<const WalkTable> table, uint32_t begin, uint32_t count,
                                     int64_t size)
    : table_(std::move(table)), begin_(begin), count_(count), size_(size)
{
}

void AssembleOperation::defer(const std::vector<uint32_t>& indices, bool wholeOnly)
{
    const ReadPlanForTesting plan = currentReadPlan();
    std::vector<std::pair<std::pair<int, uint64_t>, uint32_t>> places;
    for (uint32_t i : indices) {
        const WalkTable::File& file = table_->files()[i];
        const QByteArray path = table_->path(file);
        places.push_back({plan.firstBlock ? std::pair<int, uint64_t>{0, plan.firstBlock(path)}
                                          : placeOnDisk(path, file.inode),
                          i});
    }
    std::sort(places.begin(), places.end());
    diskOrder_.clear();
    for (const auto& place : places) {
        diskOrder_.push_back(place.second);
    }
    diskPlace_ = places.empty() ? std::pair<int, uint64_t>{1, 0} : places.front().first;
    deferredWholeOnly_ = wholeOnly;
    deferred_.store(true);
}

void AssembleOperation::prefetchEdges() const
{
    if (wholeOnly_ || size_ <= 0) {
        return;
    }
    const int64_t head = std::min(size_, kEdge);
    const int64_t tail = size_ > kEdge ? std::min(size_ - head, kEdge) : 0;
    const WalkTable& table = *table_;
    const auto ask = [&](uint32_t index) {
        const WalkTable::File& file = table.files()[index];
        if (file.flags & WalkTable::application) {
            return;  // a folder: its files are found when it is read
        }
        struct stat st {};
        const int fd = openRegular(AT_FDCWD, table.path(file).constData(), &st);
        if (fd < 0) {
            return;  // its reading will say why
        }
        if (st.st_size == size_) {
            ::posix_fadvise(fd, 0, head, POSIX_FADV_WILLNEED);
            if (tail > 0) {
                ::posix_fadvise(fd, size_ - tail, tail, POSIX_FADV_WILLNEED);
            }
        }
        ::close(fd);
    };
    if (readOrder_.empty()) {
        for (uint32_t i = begin_; i < begin_ + count_; ++i) {
            ask(i);
        }
    } else {
        for (uint32_t i : readOrder_) {
            ask(i);
        }
    }
}

void AssembleOperation::main()
{
    const auto stopped = [this] { return isCancelled() || (shouldStop && shouldStop()); };
    if (stopped()) {
        return;
    }
    const WalkTable& table = *table_;
    const ReadPlanForTesting plan = currentReadPlan();
    std::vector<Reading> files;
    files.reserve(count_);
    if (readOrder_.empty()) {
        for (uint32_t i = begin_; i < begin_ + count_; ++i) {
            files.push_back({i, table.path(table.files()[i])});
        }
    } else {
        for (uint32_t i : readOrder_) {
            files.push_back({i, table.path(table.files()[i])});
        }
    }
    const auto closeAll = [&files] {
        for (Reading& r : files) {
            r.close();
        }
    };
    const auto isBundle = [&table](const Reading& r) {
        return (table.files()[r.index].flags & WalkTable::application) != 0;
    };
    const auto report = [this](const Reading& r) {
        if (assemblingBlock) {
            assemblingBlock(QFile::decodeName(r.path));
        }
    };
    const auto tellReading = [&](const std::vector<Reading*>& reading) {
        if (plan.reading) {
            QList<QByteArray> paths;
            for (const Reading* r : reading) {
                paths << r->path;
            }
            plan.reading(parallelQueue, paths);
        }
    };
    // Whether the range is in memory; a file that cannot be opened has
    // nothing to wait for (its reading will say why it has no digest).
    const auto resident = [&](Reading& r, size_t position, int64_t offset, int64_t length) {
        if (plan.resident) {
            return plan.resident(r.path);
        }
        if (openReading(r, size_, false) != Opening::ok) {
            return true;
        }
        const bool answer = pagesResident(r.fd, offset, length);
        if (position >= kOpenBudget) {
            r.close();
        }
        return answer;
    };
    // Ordered by digest so that groups come out the same way on every run.
    std::map<QString, std::vector<uint32_t>> digests;
    const int64_t head = std::min(size_, kEdge);
    const int64_t tail = size_ > kEdge ? std::min(size_ - head, kEdge) : 0;

    if (size_ == 0) {
        // Empty files are never opened: they all share the digest "0".
        for (Reading& r : files) {
            struct stat st {};
            if (::lstat(r.path.constData(), &st) != 0) {
                continue;  // gone since the walk
            }
            if (stopped()) {
                break;
            }
            report(r);
            digests[QStringLiteral("0")].push_back(r.index);
        }
    } else {
        std::vector<Reading*> whole;  // what is read in full, in reading order
        bool stoppedEarly = false;
        // The edges cover a small file whole; its bytes are kept (up to a
        // limit) so that a matching one is hashed without a second reading.
        const bool small = size_ <= head + tail;
        std::vector<char> kept;
        std::vector<char> edge(size_t(2 * kEdge));
        const auto readEdges = [&](Reading& r, size_t position) {
            char* into = edge.data();
            const bool keep = small && kept.size() + size_t(size_) <= kKeepLimit;
            if (keep) {
                kept.resize(kept.size() + size_t(size_));
                into = kept.data() + kept.size() - size_t(size_);
            }
            if (!readAt(r.fd, into, head, 0) || (tail > 0 && !readAt(r.fd, into + head, tail, size_ - tail))) {
                if (keep) {
                    kept.resize(kept.size() - size_t(size_));
                }
                r.close();
                return;
            }
            r.edges = edgeHash(into, size_t(head + tail), 0);
            r.edged = true;
            if (keep) {
                r.keptAt = int64_t(kept.size()) - size_;
            }
            if (keep || position >= kOpenBudget) {
                r.close();
            }
        };
        const auto deferAll = [&] {
            closeAll();
            std::vector<uint32_t> indices;
            for (const Reading& r : files) {
                indices.push_back(r.index);
            }
            defer(indices, false);
        };
        if (wholeOnly_) {
            // Their edges were compared already, and their paths told.
            for (Reading& r : files) {
                whole.push_back(&r);
            }
        } else {
            std::vector<Reading*> all;
            for (Reading& r : files) {
                all.push_back(&r);
            }
            if (residentOnly_) {
                // Nothing is told or hashed unless every edge is in memory
                // already; the edges are read while that is asked.
                std::vector<bool> told(files.size(), false);
                for (size_t i = 0; i < files.size(); ++i) {
                    Reading& r = files[i];
                    if (stopped()) {
                        closeAll();
                        return;
                    }
                    // A bundle is a folder of many files: never taken as in memory.
                    if (isBundle(r)) {
                        deferAll();
                        return;
                    }
                    const Opening opening = openReading(r, size_, true);
                    told[i] = opening != Opening::vanished;
                    if (opening != Opening::ok) {
                        continue;  // nothing there to wait for
                    }
                    const bool inMemory = plan.resident ? plan.resident(r.path)
                                                        : pagesResident(r.fd, 0, head) &&
                                                              pagesResident(r.fd, size_ - tail, tail);
                    if (!inMemory) {
                        deferAll();
                        return;
                    }
                    readEdges(r, i);
                }
                tellReading(all);
                for (size_t i = 0; i < files.size(); ++i) {
                    if (!told[i]) {
                        continue;  // gone since the walk
                    }
                    if (stopped()) {
                        stoppedEarly = true;
                        break;
                    }
                    report(files[i]);
                }
            } else {
                tellReading(all);
                for (size_t i = 0; i < files.size(); ++i) {
                    Reading& r = files[i];
                    if (isBundle(r)) {
                        struct stat st {};
                        if (::lstat(r.path.constData(), &st) != 0) {
                            continue;  // gone since the walk
                        }
                        if (stopped()) {
                            stoppedEarly = true;
                            break;
                        }
                        report(r);
                        if (const std::optional<QString> digest = md5Bundle(r.path)) {
                            digests[*digest].push_back(r.index);
                        }
                        continue;
                    }
                    if (stopped()) {
                        stoppedEarly = true;
                        break;
                    }
                    const Opening opening = openReading(r, size_, true);
                    if (opening == Opening::vanished) {
                        continue;  // gone since the walk
                    }
                    report(r);
                    if (opening == Opening::ok) {
                        readEdges(r, i);
                    }
                }
            }
            // Only a file whose edges match another's can have its content.
            std::unordered_map<uint64_t, int> matches;
            for (const Reading& r : files) {
                if (r.edged) {
                    ++matches[r.edges];
                }
            }
            for (Reading& r : files) {
                if (r.edged && matches[r.edges] >= 2) {
                    whole.push_back(&r);
                } else {
                    r.close();
                }
            }
            if (!stoppedEarly && residentOnly_ && !small) {
                // The middles must be in memory as well, or they are read
                // one group at a time later, in the order of the disk.
                for (size_t i = 0; i < whole.size(); ++i) {
                    if (stopped()) {
                        stoppedEarly = true;
                        break;
                    }
                    if (!resident(*whole[i], i, 0, size_)) {
                        closeAll();
                        std::vector<uint32_t> rest;
                        for (const Reading* r : whole) {
                            rest.push_back(r->index);
                        }
                        defer(rest, true);
                        return;
                    }
                }
            }
        }
        if (wholeOnly_) {
            tellReading(whole);
        }
        if (!parallelQueue && !stoppedEarly) {
            // Read one group at a time, the files to read whole are all known
            // now: ask for their beginnings together, in reading order, so
            // the disk is not idle between one file and the next.
            int64_t asked = 0;
            for (Reading* r : whole) {
                if (r->keptAt >= 0 || r->fd < 0 || asked >= kWholeAhead) {
                    continue;
                }
                const int64_t length = std::min(size_, std::min(kWholeAheadPerFile, kWholeAhead - asked));
                ::posix_fadvise(r->fd, 0, length, POSIX_FADV_WILLNEED);
                asked += length;
            }
        }
        for (Reading* r : stoppedEarly ? std::vector<Reading*>() : whole) {
            if (stopped()) {
                break;
            }
            if (plan.wholeReading) {
                plan.wholeReading(r->path);
            }
            if (r->keptAt >= 0) {
                const QByteArrayView bytes(kept.data() + r->keptAt, size_);
                digests[QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())]
                    .push_back(r->index);
                continue;
            }
            if (openReading(*r, size_, true) != Opening::ok) {
                continue;
            }
#ifdef POSIX_FADV_SEQUENTIAL
            if (size_ > kPieceSize) {
                ::posix_fadvise(r->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            }
#endif
            QCryptographicHash hash(QCryptographicHash::Md5);
            const int64_t read = ::lseek(r->fd, 0, SEEK_SET) == 0 ? feed(r->fd, hash, stopped) : -1;
            r->close();
            if (read == -2) {
                break;  // stopped part-way: no digest, and no further file
            }
            if (read < 0) {
                logReadFailure(r->path);
                continue;
            }
            if (read != size_) {
                continue;  // changed while it was read
            }
            digests[QString::fromLatin1(hash.result().toHex())].push_back(r->index);
        }
        closeAll();
    }

    for (const auto& [digest, members] : digests) {
        if (members.size() < 2) {
            continue;
        }
        // Sorted by the decoded, canonically normalised path, the bytes
        // breaking ties; the keys are made once, not per comparison.
        struct Member {
            QList<uint> key;
            FileInfoPtr info;
        };
        std::vector<Member> sorted;
        uint64_t total = 0;
        for (uint32_t index : members) {
            const WalkTable::File& file = table.files()[index];
            auto info = std::make_shared<FileInfo>(table.resourceValueURL(file));
            // The size the file had when it was read whole (a bundle: its contents).
            info->setSize(static_cast<uint64_t>(size_));
            info->icon();
            total += info->size();
            QList<uint> key = QFile::decodeName(info->path()).normalized(QString::NormalizationForm_C).toUcs4();
            sorted.push_back({std::move(key), std::move(info)});
        }
        std::sort(sorted.begin(), sorted.end(), [](const Member& a, const Member& b) {
            if (a.key != b.key) {
                return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
            }
            return a.info->path() < b.info->path();
        });
        QList<FileInfoPtr> infos;
        for (Member& member : sorted) {
            infos.append(std::move(member.info));
        }
        auto group = std::make_shared<DuplicateFiles>();
        group->setInfos(std::move(infos));
        group->setTotalSize(total);
        if (assembleBlock) {
            assembleBlock(group);
        }
    }
}
