#include "AssembleOperation.h"

#include <algorithm>
#include <array>
#include <chrono>
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

#include "Foundation/IoBatch.h"
#include "Main/Utilities.h"
#include "Manager/WalkTable.h"
#include "Md5/Md5.h"

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
    // Not cleared: pages are touched only by what is read into them.
    thread_local const std::unique_ptr<char[]> buffer(new char[size_t(kPieceSize)]);
    int64_t total = 0;
    for (;;) {
        if (stop && stop()) {
            return -2;
        }
        const ssize_t n = ::read(fd, buffer.get(), size_t(kPieceSize));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            return total;
        }
        hash.addData(QByteArrayView(buffer.get(), n));
        total += n;
    }
}

// Never follows a link, never blocks on a FIFO that took a file's place.
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Opens `name` relative to `dirFd` only if it is a regular file.
int openRegular(int dirFd, const char* name, struct stat* st)
{
    const int fd = ::openat(dirFd, name, kOpenFlags);
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

// The digest of the regular file `name` of `dirFd`. With `listed`, the file
// must be that very one when it is opened and still be it, unchanged, when
// its reading ends: a file written to meanwhile has no digest.
std::optional<QByteArray> digestOfFile(int dirFd, const char* name, const QByteArray& path, int64_t expectedSize,
                                       const struct stat* listed = nullptr)
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
    const std::optional<ItemIdentity> expected =
        listed ? std::optional<ItemIdentity>(ItemIdentity::of(*listed)) : std::nullopt;
    if (expected && !expected->matches(st)) {
        ::close(fd);
        return std::nullopt;  // not the member listed
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    const int64_t read = feed(fd, hash);
    struct stat after {};
    const bool unchanged = !expected || (::fstat(fd, &after) == 0 && expected->matches(after));
    ::close(fd);
    if (read < 0) {
        logReadFailure(path);
        return std::nullopt;
    }
    if (!unchanged || (expectedSize >= 0 && read != expectedSize)) {
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

// Reads a bundle's member as the walk of its folder gives it; false when it
// could not be read.
bool readBundleMember(const QByteArray& bundle, const QByteArray& relative, int dirFd, const char* name,
                      const struct stat& st, std::vector<BundleItem>& items)
{
    if (S_ISDIR(st.st_mode)) {
        items.push_back({relative, 'd', {}});
    } else if (S_ISREG(st.st_mode)) {
        const std::optional<QByteArray> digest =
            st.st_size == 0 ? std::optional<QByteArray>(QByteArray())
                            : digestOfFile(dirFd, name, bundle + '/' + relative, st.st_size, &st);
        if (!digest) {
            return false;
        }
        items.push_back({relative, 'f', *digest});
    } else if (S_ISLNK(st.st_mode)) {
        QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = readlinkat(dirFd, name, target.data(), target.size());
        if (n < 0) {
            return false;
        }
        target.truncate(n);
        items.push_back({relative, 'l', target});
    } else {
        items.push_back({relative, 'o', QByteArray::number(static_cast<int>(st.st_mode & S_IFMT))});
    }
    return true;
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

std::optional<QString> md5Bundle(const QByteArray& path, MembersDigest* members)
{
    if (injectedFailure(path)) {
        logReadFailure(path);
        return std::nullopt;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // Each member is noted as it was before its bytes were read; its
    // reading ends on that same member or the bundle has no digest.
    std::vector<BundleItem> items;
    FolderMembers seen;
    const bool whole =
        FolderMembers::forEach(fd, [&](const QByteArray& relative, int dirFd, const char* name, const struct stat& st) {
            seen.add(relative, st);
            return readBundleMember(path, relative, dirFd, name, st, items);
        });
    ::close(fd);
    if (!whole) {
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
    if (members) {
        *members = seen.digest();
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
// Files whose calls go to the kernel in one batch.
constexpr size_t kBatch = 64;

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

// Four chains side by side, one multiplication a word each: every step is
// one-to-one in its chain's state, so edges that differ in a single word
// (a first or last byte changed) never hash alike, and the chains do not
// wait for one another.
uint64_t edgeHash(const char* data, size_t length, uint64_t seed)
{
    constexpr uint64_t kOdd = 0x9e3779b97f4a7c15ULL;
    uint64_t h[4] = {seed ^ (length * kOdd), seed ^ 0xc2b2ae3d27d4eb4fULL, seed ^ 0x165667b19e3779f9ULL,
                     seed ^ 0x27d4eb2f165667c5ULL};
    const auto step = [](uint64_t state, const char* at) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        state = (state ^ word) * kOdd;
        return (state << 31) | (state >> 33);
    };
    size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        h[0] = step(h[0], data + i);
        h[1] = step(h[1], data + i + 8);
        h[2] = step(h[2], data + i + 16);
        h[3] = step(h[3], data + i + 24);
    }
    for (size_t lane = 0; i + 8 <= length; i += 8, ++lane) {
        h[lane] = step(h[lane], data + i);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, data + i, length - i);
    return mix(h[0] ^ mix(h[1] ^ mix(h[2] ^ mix(h[3] ^ mix(tail ^ (length - i))))));
}

// How a read ended: as the file's size leaves it; early, when asked not to
// wait for the disk; at another length (the file changed); or failed.
enum class Read { ok, notInMemory, otherLength, failed };

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
    bool opened = false;  // opened once already: opened again, it must be the same file
    bool edged = false;
    uint64_t edges = 0;
    int64_t keptAt = -1;  // where its bytes are kept, when they are

    // With the next calls of the batch.
    void close(IoBatch& io)
    {
        io.closeLater(fd);
        fd = -1;
    }
};

enum class Opening { ok, vanished, failed };

// Opens those of `files` not open yet, in one batch, by name in their folder
// where the table has its descriptor (the kernel then looks up one name, not
// the whole path). Failures other than a vanished file are logged when `log`
// is set. Whether a file is still the regular file of the walk's size is
// told by its reads, which ask for one byte more than the size leaves: a
// file of another size or kind (a FIFO, a device or a folder that took its
// place) reads another length, or fails, and gets no digest. A file opened
// again is also checked to be the same one the walk saw.
std::vector<Opening> openAll(const std::vector<Reading*>& files, const WalkTable& table, int64_t size, bool log,
                             IoBatch& io)
{
    std::vector<Opening> out(files.size(), Opening::ok);
    // Kept on the thread: the names are written before they are asked for,
    // so neither a fresh allocation nor its clearing is needed per batch.
    thread_local std::vector<std::array<char, 256>> names;
    if (names.size() < files.size()) {
        names.resize(files.size());
    }
    std::vector<size_t> asked(files.size(), SIZE_MAX);
    for (size_t i = 0; i < files.size(); ++i) {
        Reading& r = *files[i];
        if (r.fd >= 0) {
            continue;
        }
        if (injectedFailure(r.path)) {
            if (log) {
                logReadFailure(r.path);
            }
            out[i] = Opening::failed;
            continue;
        }
        const WalkTable::File& file = table.files()[r.index];
        const int folder = table.folderDescriptor(file);
        if (folder >= 0) {
            table.nameInto(file, names[i].data());
        }
        asked[i] = io.openAt(folder >= 0 ? folder : AT_FDCWD, folder >= 0 ? names[i].data() : r.path.constData(),
                             kOpenFlags);
    }
    io.run();
    for (size_t i = 0; i < files.size(); ++i) {
        if (asked[i] == SIZE_MAX) {
            continue;
        }
        Reading& r = *files[i];
        const int answer = io.result(asked[i]);
        if (answer < 0) {
            if (answer == -ENOENT) {
                out[i] = Opening::vanished;
            } else {
                if (log) {
                    TSLOG("打开文件失败:", QString::fromLocal8Bit(std::strerror(-answer)), " ", QFile::decodeName(r.path));
                }
                out[i] = Opening::failed;
            }
            continue;
        }
        if (r.opened) {
            struct stat st {};
            if (::fstat(answer, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != size || st.st_dev != r.device ||
                st.st_ino != r.inode) {
                // Replaced since its first reading.
                io.closeLater(answer);
                out[i] = Opening::failed;
                continue;
            }
        }
        r.fd = answer;
        r.opened = true;
    }
    return out;
}

// Whether the file is still there, asked by its name in its folder.
bool stillThere(const WalkTable& table, const Reading& r)
{
    const WalkTable::File& file = table.files()[r.index];
    const int folder = table.folderDescriptor(file);
    struct stat st {};
    if (folder < 0) {
        return ::lstat(r.path.constData(), &st) == 0;
    }
    char name[256];
    table.nameInto(file, name);
    return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// How a read of the batch ended. `expected` is what the file holds there;
// a read that asked for one byte more and got it found the file longer.
// Asked not to wait for the disk, a read that ends early may have found the
// rest out of memory (or the file shorter): it is read again later, waiting.
Read readOutcome(int answer, int64_t expected, bool noWait)
{
    if (answer == expected) {
        return Read::ok;
    }
    if (noWait && (answer == -EAGAIN || (answer >= 0 && answer < expected))) {
        return Read::notInMemory;
    }
    return answer < 0 ? Read::failed : Read::otherLength;
}

enum class Hashed { done, notInMemory };

// Bytes read for whole contents, told to the operation's progress block in
// steps, so a group of a few very large files moves the scan's progress
// while it is read instead of at its end only. Each step also names the
// file in hand again: the screen shows the file named last by any group,
// and a small file named beside a large one would otherwise stand there for
// as long as the large one takes. A slow mount still moves every so often.
constexpr uint64_t kProgressStep = 16 << 20;
constexpr auto kProgressPace = std::chrono::milliseconds(250);
class ReadProgress {
public:
    // What is left short of a step is told by the group's end.
    ReadProgress(const std::function<void(uint64_t)>& block, const std::function<void(const QString&)>& naming)
        : block_(block), naming_(naming), last_(std::chrono::steady_clock::now())
    {
    }
    ReadProgress(const ReadProgress&) = delete;
    ReadProgress& operator=(const ReadProgress&) = delete;
    // `bytes` more were read, while `inHand` was read.
    void add(uint64_t bytes, const QByteArray& inHand)
    {
        pending_ += bytes;
        if (pending_ == 0) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (pending_ >= kProgressStep || now - last_ >= kProgressPace) {
            last_ = now;
            if (block_) {
                block_(pending_);
            }
            pending_ = 0;
            if (naming_) {
                naming_(QFile::decodeName(inHand));
            }
        }
    }

private:
    const std::function<void(uint64_t)>& block_;
    const std::function<void(const QString&)>& naming_;
    std::chrono::steady_clock::time_point last_;
    uint64_t pending_ = 0;
};

// Files whose edges match are mostly copies of one another, and equal bytes
// make equal digests: each file that starts with the same bytes as the
// first live one follows it, unhashed, for as long as its bytes stay the
// same; one that differs from then on is hashed on its own from there.
void followFirst(Md5Lanes& lanes, const std::vector<const uint8_t*>& data, size_t length)
{
    size_t first = 0;
    while (first < lanes.count() && lanes.dropped(first)) {
        ++first;
    }
    for (size_t i = first + 1; i < lanes.count(); ++i) {
        if (!lanes.dropped(i) && std::memcmp(data[i], data[first], length) == 0) {
            lanes.follow(i, first);
        }
    }
}

// Before each further piece: a follower whose piece differs from its
// leader's goes on alone.
void keepFollowing(Md5Lanes& lanes, const std::vector<const uint8_t*>& data, size_t length)
{
    for (size_t i = 0; i < lanes.count(); ++i) {
        if (lanes.following(i) && std::memcmp(data[i], data[lanes.leaderOf(i)], length) != 0) {
            lanes.unfollow(i);
        }
    }
}

// Hashes the files of a group's `whole` list (all of one size) in full, side
// by side in the lanes of the MD5 kernel, and files each under its digest.
// Small files come from `kept`; the others are read in lock-step, a piece of
// each in turn, into one buffer shared by the lanes, each round of pieces as
// one batch. A stop ends the reading before the next piece. With `noWait`, a
// piece not in memory ends it all: the group is to be read later, in full.
//
// `alone`: no other digest of the group is compared with these (no bundle
// among its files). When, besides, all of them are read in one batch and
// every one holds the same bytes as the first, their common digest is never
// looked at: they make the group's only set, and nothing sorts it against
// another. Such files are compared and not hashed; the first is hashed
// after all, from its start, once one of them turns out otherwise.
class WholeHashing {
public:
    WholeHashing(const WalkTable& table, int64_t size, const std::vector<char>& kept, bool noWait, bool alone,
                 IoBatch& io, const std::function<bool()>& stopped, const ReadPlanForTesting& plan,
                 ReadProgress& progress, std::map<QString, std::vector<uint32_t>>& digests)
        : table(table), size(size), kept(kept), noWait(noWait), alone(alone), io(io), stopped(stopped), plan(plan),
          progress(progress), digests(digests)
    {
    }

    Hashed run(const std::vector<Reading*>& whole, bool oneFileAtATime);

private:
    enum class Batch { next, stopped, notInMemory };
    enum class Compared { same, differs, away };
    Compared compareRound(const Md5Lanes& lanes, const std::vector<const uint8_t*>& data,
                          const std::vector<Read>& outcome, size_t leader, int64_t length);
    bool hashKept(const std::vector<Reading*>& inMemory, bool nothingOnDisk);
    Batch hashBatch(const std::vector<Reading*>& files, bool oneBatch);
    void readRound(const std::vector<Reading*>& files, const Md5Lanes& lanes, const std::vector<const uint8_t*>& data,
                   int64_t offset, int64_t length, std::vector<Read>& outcome);
    Read hashLeaderUpTo(const std::vector<Reading*>& files, Md5Lanes& lanes, int64_t piece, int64_t end);
    bool dropUnread(const std::vector<Reading*>& files, Md5Lanes& lanes, const std::vector<Read>& outcome,
                    size_t& live);
    void fileBatch(const std::vector<Reading*>& files, Md5Lanes& lanes, bool unhashed);

    void fileUnder(const Reading& r, const Md5Digest& digest)
    {
        const std::array<char, 32> hex = Md5::hex(digest);
        digests[QString::fromLatin1(hex.data(), qsizetype(hex.size()))].push_back(r.index);
    }
    // The one set of equal files: under a key no digest has.
    void fileUnhashed(const Reading& r) { digests[QString()].push_back(r.index); }

    const WalkTable& table;
    const int64_t size;
    const std::vector<char>& kept;
    const bool noWait;
    const bool alone;
    IoBatch& io;
    const std::function<bool()>& stopped;
    const ReadPlanForTesting& plan;
    ReadProgress& progress;
    std::map<QString, std::vector<uint32_t>>& digests;
};

// Each file's piece has room for one byte more, which the last piece asks
// for to find the file still ends at its size.
constexpr int64_t kSpare = 64;

// The kept ones at once: their bytes are all in memory already. True when
// that was all (they were compared, and none of them hashed).
bool WholeHashing::hashKept(const std::vector<Reading*>& inMemory, bool nothingOnDisk)
{
    if (inMemory.empty() || stopped()) {
        return false;
    }
    Md5Lanes lanes(inMemory.size());
    std::vector<const uint8_t*> data;
    for (const Reading* r : inMemory) {
        if (plan.wholeReading) {
            plan.wholeReading(r->path);
        }
        data.push_back(reinterpret_cast<const uint8_t*>(kept.data() + r->keptAt));
    }
    if (alone && nothingOnDisk &&
        std::all_of(data.begin() + 1, data.end(),
                    [&](const uint8_t* bytes) { return std::memcmp(bytes, data[0], size_t(size)) == 0; })) {
        for (const Reading* r : inMemory) {
            fileUnhashed(*r);
        }
        return true;
    }
    followFirst(lanes, data, size_t(size));
    lanes.add(data.data(), size_t(size));
    const std::vector<std::optional<Md5Digest>> out = lanes.finish();
    for (size_t i = 0; i < inMemory.size(); ++i) {
        fileUnder(*inMemory[i], *out[i]);
    }
    return false;
}

// One batch of files read in lock-step, piece by piece.
WholeHashing::Batch WholeHashing::hashBatch(const std::vector<Reading*>& files, bool oneBatch)
{
    // The buffer is not cleared: pages are touched only by what is read into it.
    thread_local const std::unique_ptr<char[]> buffer(new char[size_t(kPieceSize + 16 * kSpare)]);
    const size_t count = files.size();
    for (const Reading* r : files) {
        if (plan.wholeReading) {
            plan.wholeReading(r->path);
        }
    }
    const std::vector<Opening> opened = openAll(files, table, size, true, io);
    Md5Lanes lanes(count);
    size_t live = count;
    for (size_t i = 0; i < count; ++i) {
        if (opened[i] != Opening::ok) {
            lanes.drop(i);
            --live;
            continue;
        }
#ifdef POSIX_FADV_SEQUENTIAL
        if (size > kPieceSize) {
            ::posix_fadvise(files[i]->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
#endif
    }
    // The buffer is shared: a piece of each file, in whole blocks of 64 KiB.
    const int64_t piece = std::max<int64_t>(65536, int64_t(kPieceSize / count) / 65536 * 65536);
    std::vector<const uint8_t*> data(count, nullptr);
    for (size_t i = 0; i < count; ++i) {
        data[i] = reinterpret_cast<const uint8_t*>(buffer.get() + int64_t(i) * (piece + kSpare));
    }
    std::vector<Read> outcome(count, Read::ok);
    // Whether the pieces so far were only compared: every live file
    // holds the first live one's bytes, and none of them is hashed yet.
    bool unhashed = oneBatch;
    for (int64_t offset = 0; offset < size && live > 0; offset += piece) {
        if (stopped()) {
            // Between pieces, so a stop does not wait for the end of a
            // large file; these files have no digest.
            for (Reading* r : files) {
                r->close(io);
            }
            return Batch::stopped;
        }
        const int64_t length = std::min(piece, size - offset);
        readRound(files, lanes, data, offset, length, outcome);
        // The first file still read; the loop runs while one is.
        size_t leader = 0;
        while (leader < count && lanes.dropped(leader)) {
            ++leader;
        }
        progress.add(uint64_t(length) * uint64_t(live), files[leader]->path);
        if (unhashed) {
            const Compared compared = compareRound(lanes, data, outcome, leader, length);
            if (compared == Compared::away) {
                unhashed = false;
            } else if (compared == Compared::differs) {
                // From here on as if every piece had been hashed.
                unhashed = false;
                const Read read = hashLeaderUpTo(files, lanes, piece, offset);
                if (read == Read::notInMemory) {
                    for (Reading* r : files) {
                        r->close(io);
                    }
                    return Batch::notInMemory;
                }
                if (read != Read::ok) {
                    // The first file changed under the reading: those
                    // that follow it have no digest either.
                    logReadFailure(files[leader]->path);
                    for (size_t i = 0; i < count; ++i) {
                        files[i]->close(io);
                        if (!lanes.dropped(i)) {
                            lanes.drop(i);
                        }
                    }
                    live = 0;
                    break;
                }
            } else {
                for (size_t i = leader + 1; offset == 0 && i < count; ++i) {
                    if (!lanes.dropped(i)) {
                        lanes.follow(i, leader);
                    }
                }
                continue;
            }
        }
        if (!dropUnread(files, lanes, outcome, live)) {
            for (Reading* r : files) {
                r->close(io);
            }
            return Batch::notInMemory;
        }
        if (offset == 0) {
            followFirst(lanes, data, size_t(length));
        } else {
            keepFollowing(lanes, data, size_t(length));
        }
        lanes.add(data.data(), size_t(length));
    }
    fileBatch(files, lanes, unhashed);
    return Batch::next;
}

// While the batch's files are only compared: whether this round's pieces
// all hold the first live file's bytes, or one differs, or one was not in
// memory (all is read again later).
WholeHashing::Compared WholeHashing::compareRound(const Md5Lanes& lanes, const std::vector<const uint8_t*>& data,
                                                  const std::vector<Read>& outcome, size_t leader, int64_t length)
{
    bool same = true;
    for (size_t i = leader; i < outcome.size(); ++i) {
        if (lanes.dropped(i)) {
            continue;
        }
        const Read read = outcome[i];
        if (read == Read::notInMemory) {
            return Compared::away;
        }
        same = same && read == Read::ok && (i == leader || std::memcmp(data[i], data[leader], size_t(length)) == 0);
    }
    return same ? Compared::same : Compared::differs;
}

// Reads the piece at `offset` of every live file of the batch, asking for
// one byte more with the last piece; how each read ended goes to `outcome`
// (taken at once: a reading of the first file's earlier pieces runs the
// batch again).
void WholeHashing::readRound(const std::vector<Reading*>& files, const Md5Lanes& lanes,
                             const std::vector<const uint8_t*>& data, int64_t offset, int64_t length,
                             std::vector<Read>& outcome)
{
    const bool last = offset + length == size;
    std::vector<size_t> asked(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!lanes.dropped(i)) {
            asked[i] = io.read(files[i]->fd, const_cast<uint8_t*>(data[i]), size_t(length + (last ? 1 : 0)), offset,
                               noWait);
        }
    }
    io.run();
    for (size_t i = 0; i < files.size(); ++i) {
        outcome[i] = lanes.dropped(i) ? Read::failed : readOutcome(io.result(asked[i]), length, noWait);
    }
}

// Hashes the first live file's bytes before `end` (whole pieces), which the
// others follow; anything but ok when they could not be read as they were.
Read WholeHashing::hashLeaderUpTo(const std::vector<Reading*>& files, Md5Lanes& lanes, int64_t piece, int64_t end)
{
    // Where the first file's bytes are read again; made the first time that
    // happens on this thread.
    thread_local std::unique_ptr<char[]> again;
    const size_t count = files.size();
    size_t leader = 0;
    while (leader < count && lanes.dropped(leader)) {
        ++leader;
    }
    if (end == 0 || leader == count) {
        return Read::ok;
    }
    if (!again) {
        again.reset(new char[size_t(kPieceSize)]);
    }
    std::vector<const uint8_t*> bytes(count, nullptr);
    bytes[leader] = reinterpret_cast<const uint8_t*>(again.get());
    for (int64_t at = 0; at < end; at += piece) {
        const size_t length = size_t(std::min(piece, end - at));
        const size_t index = io.read(files[leader]->fd, again.get(), length, at, noWait);
        io.run();
        const Read read = readOutcome(io.result(index), int64_t(length), noWait);
        if (read != Read::ok) {
            return read;
        }
        lanes.add(bytes.data(), length);
    }
    return Read::ok;
}

// A file whose piece could not be read as its size leaves it has no digest:
// its lane is dropped. False when a piece was not in memory (the group is
// to be read later, in full).
bool WholeHashing::dropUnread(const std::vector<Reading*>& files, Md5Lanes& lanes, const std::vector<Read>& outcome,
                              size_t& live)
{
    for (size_t i = 0; i < files.size(); ++i) {
        if (lanes.dropped(i)) {
            continue;
        }
        const Read read = outcome[i];
        if (read == Read::notInMemory) {
            return false;
        }
        if (read != Read::ok) {
            if (read == Read::failed) {
                logReadFailure(files[i]->path);
            }
            // Another length: changed since the walk. Either way no digest.
            files[i]->close(io);
            lanes.drop(i);
            --live;
        }
    }
    return true;
}

// Files each read file under its digest, or, when they were only compared,
// all of them under the key of the group's one set.
void WholeHashing::fileBatch(const std::vector<Reading*>& files, Md5Lanes& lanes, bool unhashed)
{
    if (unhashed) {
        for (size_t i = 0; i < files.size(); ++i) {
            if (!lanes.dropped(i)) {
                fileUnhashed(*files[i]);
            }
            files[i]->close(io);
        }
        return;
    }
    const std::vector<std::optional<Md5Digest>> out = lanes.finish();
    for (size_t i = 0; i < files.size(); ++i) {
        if (out[i]) {
            fileUnder(*files[i], *out[i]);
        }
        files[i]->close(io);
    }
}

Hashed WholeHashing::run(const std::vector<Reading*>& whole, bool oneFileAtATime)
{
    std::vector<Reading*> inMemory;
    std::vector<Reading*> onDisk;
    for (Reading* r : whole) {
        (r->keptAt >= 0 ? inMemory : onDisk).push_back(r);
    }
    if (hashKept(inMemory, onDisk.empty())) {
        return Hashed::done;
    }
    // As many files at once as the kernel has lanes (four, as two pairs of
    // chains, without wide ones).
    const size_t batch = oneFileAtATime ? 1 : std::max<size_t>(4, size_t(Md5Lanes::lanesOf(Md5Lanes::kernel())));
    const bool oneBatch = alone && inMemory.empty() && onDisk.size() <= batch;
    for (size_t first = 0; first < onDisk.size(); first += batch) {
        if (stopped()) {
            return Hashed::done;
        }
        const std::vector<Reading*> files(onDisk.begin() + std::ptrdiff_t(first),
                                          onDisk.begin() + std::ptrdiff_t(std::min(onDisk.size(), first + batch)));
        switch (hashBatch(files, oneBatch)) {
        case Batch::next:
            break;
        case Batch::stopped:
            return Hashed::done;
        case Batch::notInMemory:
            return Hashed::notInMemory;
        }
    }
    return Hashed::done;
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
        const int folder = table.folderDescriptor(file);
        char name[256];
        if (folder >= 0) {
            table.nameInto(file, name);
        }
        const int fd = folder >= 0 ? openRegular(folder, name, &st)
                                   : openRegular(AT_FDCWD, table.path(file).constData(), &st);
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

// One run of an operation over its group: the files, the calls' batch and
// the digests found, with the steps the run takes.
class GroupReading {
public:
    explicit GroupReading(AssembleOperation& op)
        : op_(op),
          table(*op.table_),
          plan(currentReadPlan()),
          inOrder(false),
          io(op.parallelQueue ? IoBatch::ofThisThread() : inOrder),
          size(op.size_),
          head(std::min(size, kEdge)),
          tail(size > kEdge ? std::min(size - head, kEdge) : 0),
          noWait(op.residentOnly_ && !plan.resident),
          small(size <= head + tail),
          slot(size_t(head + tail) + 1)
    {
    }

    void run();

private:
    bool stopped() const { return op_.isCancelled() || (op_.shouldStop && op_.shouldStop()); }
    bool isBundle(const Reading& r) const { return (table.files()[r.index].flags & WalkTable::application) != 0; }
    void takeFiles();
    void closeAll();
    void report(const Reading& r) const;
    void tellReading(const std::vector<Reading*>& reading) const;
    void deferAll();
    void deferWhole(const std::vector<Reading*>& toRead);
    void digestEmptyFiles();
    bool readEdges(const std::vector<Reading*>& batch, const std::vector<size_t>& positions);
    bool readEdgesIfInMemory();
    void readEdgesInOrder();
    void keepMatchingEdges();
    bool middlesInMemory();
    void askAheadForWhole();
    void handOver();

    AssembleOperation& op_;
    const WalkTable& table;
    const ReadPlanForTesting plan;
    // Calls go to the kernel in batches; where one group is read at a time
    // from a disk that moves its head, one after the other in reading order.
    IoBatch inOrder;
    IoBatch& io;
    const int64_t size;
    const int64_t head;
    const int64_t tail;
    // Where several groups are read at once from a disk that moves its
    // head, no read may wait for it: a read that would is told, and the
    // group goes to be read later in the order of the disk.
    const bool noWait;
    // The edges cover a small file whole; its bytes are kept (up to a
    // limit) so that a matching one is hashed without a second reading.
    const bool small;
    // Each read asks for one byte past the file's end: getting none
    // tells the file still ends where the walk saw it end.
    const size_t slot;
    std::vector<Reading> files;
    std::vector<Reading*> whole;  // what is read in full, in reading order
    bool stoppedEarly = false;
    // Ordered by digest so that groups come out the same way on every run.
    std::map<QString, std::vector<uint32_t>> digests;
    // What each bundle read held, by its table index.
    std::unordered_map<uint32_t, MembersDigest> bundleMembers;
};

void GroupReading::takeFiles()
{
    files.reserve(op_.count_);
    const auto take = [&](uint32_t i) {
        Reading r;
        r.index = i;
        r.path = table.path(table.files()[i]);
        r.device = table.device(table.files()[i]);
        r.inode = ino_t(table.files()[i].inode);
        files.push_back(std::move(r));
    };
    if (op_.readOrder_.empty()) {
        for (uint32_t i = op_.begin_; i < op_.begin_ + op_.count_; ++i) {
            take(i);
        }
    } else {
        for (uint32_t i : op_.readOrder_) {
            take(i);
        }
    }
}

void GroupReading::closeAll()
{
    for (Reading& r : files) {
        r.close(io);
    }
    if (io.queued() > 0) {
        io.run();
    }
}

void GroupReading::report(const Reading& r) const
{
    if (op_.assemblingBlock) {
        op_.assemblingBlock(QFile::decodeName(r.path));
    }
}

void GroupReading::tellReading(const std::vector<Reading*>& reading) const
{
    if (plan.reading) {
        QList<QByteArray> paths;
        for (const Reading* r : reading) {
            paths << r->path;
        }
        plan.reading(op_.parallelQueue, paths);
    }
}

void GroupReading::deferAll()
{
    closeAll();
    std::vector<uint32_t> indices;
    for (const Reading& r : files) {
        indices.push_back(r.index);
    }
    op_.defer(indices, false);
}

// Their edges are known; what they lack is read one group at a time.
void GroupReading::deferWhole(const std::vector<Reading*>& toRead)
{
    closeAll();
    std::vector<uint32_t> indices;
    for (const Reading* r : toRead) {
        indices.push_back(r->index);
    }
    op_.defer(indices, true);
}

// Empty files are never opened: they all share the digest "0".
void GroupReading::digestEmptyFiles()
{
    for (Reading& r : files) {
        if (!stillThere(table, r)) {
            continue;  // gone since the walk
        }
        if (stopped()) {
            break;
        }
        report(r);
        digests[QStringLiteral("0")].push_back(r.index);
    }
}

// Kept from one operation to the next on this thread: no fresh pages to
// fault in for every group.
thread_local std::vector<char> keptBytes = [] {
    std::vector<char> bytes;
    bytes.reserve(kKeepLimit);  // never moves while reads land in it
    return bytes;
}();
thread_local std::vector<char> edgeBytes;

// Reads the edges of `batch` (open files, at their places in the group) in
// one batch; false when one was not in memory.
bool GroupReading::readEdges(const std::vector<Reading*>& batch, const std::vector<size_t>& positions)
{
    std::vector<char>& kept = keptBytes;
    std::vector<char>& edges = edgeBytes;
    if (edges.size() < batch.size() * slot) {
        edges.resize(batch.size() * slot);  // grows to what the largest batch needs, once
    }
    std::vector<char*> into(batch.size());
    std::vector<bool> keep(batch.size(), false);
    std::vector<std::pair<size_t, size_t>> asked(batch.size(), {SIZE_MAX, SIZE_MAX});
    for (size_t i = 0; i < batch.size(); ++i) {
        Reading& r = *batch[i];
        into[i] = edges.data() + i * slot;
        keep[i] = small && kept.size() + size_t(size) + 1 <= kKeepLimit;
        if (keep[i]) {
            r.keptAt = int64_t(kept.size());
            kept.resize(kept.size() + size_t(size) + 1);
            into[i] = kept.data() + r.keptAt;
        }
        // A small file's edges are all of it: one read.
        if (small) {
            asked[i].first = io.read(r.fd, into[i], size_t(size) + 1, 0, noWait);
        } else {
            asked[i].first = io.read(r.fd, into[i], size_t(head), 0, noWait);
            asked[i].second = io.read(r.fd, into[i] + head, size_t(tail) + 1, size - tail, noWait);
        }
    }
    io.run();
    bool allInMemory = true;
    for (size_t i = 0; i < batch.size(); ++i) {
        Reading& r = *batch[i];
        Read read = readOutcome(io.result(asked[i].first), small ? size : head, noWait);
        if (read == Read::ok && !small) {
            read = readOutcome(io.result(asked[i].second), tail, noWait);
        }
        if (read != Read::ok) {
            allInMemory = allInMemory && read != Read::notInMemory;
            r.keptAt = -1;  // its place stays unused: the limit counts it
            r.close(io);
            continue;
        }
        r.edges = edgeHash(into[i], size_t(head + tail), 0);
        r.edged = true;
        if (keep[i] || positions[i] >= kOpenBudget) {
            r.close(io);
        }
    }
    return allInMemory;
}

// Nothing is told or hashed unless every edge is in memory already; the
// edges are read while that is found out. False when the group went to be
// read later, or a stop came before anything was told.
bool GroupReading::readEdgesIfInMemory()
{
    std::vector<bool> told(files.size(), false);
    bool probed = false;
    for (size_t first = 0; first < files.size(); first += kBatch) {
        if (stopped()) {
            closeAll();
            return false;
        }
        const size_t end = std::min(files.size(), first + kBatch);
        std::vector<Reading*> batch;
        for (size_t i = first; i < end; ++i) {
            // A bundle is a folder of many files: never taken as in memory.
            if (isBundle(files[i])) {
                deferAll();
                return false;
            }
            batch.push_back(&files[i]);
        }
        const std::vector<Opening> opened = openAll(batch, table, size, true, io);
        std::vector<Reading*> reading;
        std::vector<size_t> positions;
        for (size_t k = 0; k < batch.size(); ++k) {
            told[first + k] = opened[k] != Opening::vanished;
            if (opened[k] != Opening::ok) {
                continue;  // nothing there to wait for
            }
            Reading& r = *batch[k];
            // Asked of the first file only: a group out of memory is found
            // so without a read that would start the disk; the reads of the
            // others tell for themselves.
            const bool inMemory = plan.resident ? plan.resident(r.path)
                                                : probed || pagesResident(r.fd, 0, size) ||
                                                      (!small && pagesResident(r.fd, 0, head) &&
                                                       pagesResident(r.fd, size - tail, tail));
            probed = true;
            if (!inMemory) {
                deferAll();
                return false;
            }
            reading.push_back(&r);
            positions.push_back(first + k);
        }
        if (!readEdges(reading, positions)) {
            deferAll();
            return false;
        }
    }
    std::vector<Reading*> all;
    for (Reading& r : files) {
        all.push_back(&r);
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
    return true;
}

// Each file is told just before it is read, in the group's order, until a
// stop; a bundle is digested whole on the spot.
void GroupReading::readEdgesInOrder()
{
    std::vector<Reading*> all;
    for (Reading& r : files) {
        all.push_back(&r);
    }
    tellReading(all);
    for (size_t first = 0; first < files.size() && !stoppedEarly; first += kBatch) {
        const size_t end = std::min(files.size(), first + kBatch);
        std::vector<Reading*> batch;
        for (size_t i = first; i < end; ++i) {
            if (!isBundle(files[i])) {
                batch.push_back(&files[i]);
            }
        }
        const std::vector<Opening> opened = openAll(batch, table, size, true, io);
        std::vector<Reading*> reading;
        std::vector<size_t> positions;
        for (size_t i = first, k = 0; i < end; ++i) {
            Reading& r = files[i];
            if (isBundle(r)) {
                if (!stillThere(table, r)) {
                    continue;  // gone since the walk
                }
                if (stopped()) {
                    stoppedEarly = true;
                    break;
                }
                report(r);
                MembersDigest members{};
                if (const std::optional<QString> digest = md5Bundle(r.path, &members)) {
                    digests[*digest].push_back(r.index);
                    bundleMembers[r.index] = members;
                }
                continue;
            }
            const Opening opening = opened[k++];
            if (stopped()) {
                stoppedEarly = true;
                break;
            }
            if (opening == Opening::vanished) {
                continue;  // gone since the walk
            }
            report(r);
            if (opening == Opening::ok) {
                reading.push_back(&r);
                positions.push_back(i);
            }
        }
        readEdges(reading, positions);
    }
}

// Only a file whose edges match another's can have its content.
void GroupReading::keepMatchingEdges()
{
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
            r.close(io);
        }
    }
}

// The middles must be in memory as well, or they are read one group at a
// time later, in the order of the disk. False when the group went so.
bool GroupReading::middlesInMemory()
{
    for (Reading* r : whole) {
        if (stopped()) {
            stoppedEarly = true;
            return true;
        }
        if (!plan.resident(r->path)) {
            deferWhole(whole);
            return false;
        }
    }
    return true;
}

// Read one group at a time, the files to read whole are all known now: ask
// for their beginnings together, in reading order, so the disk is not idle
// between one file and the next.
void GroupReading::askAheadForWhole()
{
    int64_t asked = 0;
    for (Reading* r : whole) {
        if (r->keptAt >= 0 || r->fd < 0 || asked >= kWholeAhead) {
            continue;
        }
        const int64_t length = std::min(size, std::min(kWholeAheadPerFile, kWholeAhead - asked));
        ::posix_fadvise(r->fd, 0, length, POSIX_FADV_WILLNEED);
        asked += length;
    }
}

// Every set of two or more equal digests goes over as one group, its files
// sorted by the decoded, canonically normalised path, the bytes breaking
// ties; the keys are made once, not per comparison.
void GroupReading::handOver()
{
    for (const auto& [digest, members] : digests) {
        if (members.size() < 2) {
            continue;
        }
        struct Member {
            QList<uint> key;
            FileInfoPtr info;
        };
        std::vector<Member> sorted;
        uint64_t total = 0;
        for (uint32_t index : members) {
            const WalkTable::File& file = table.files()[index];
            ResourceValueURL record = table.resourceValueURL(file);
            if (const auto noted = bundleMembers.find(index); noted != bundleMembers.end()) {
                record.resourceValues.members = noted->second;
            }
            auto info = std::make_shared<FileInfo>(std::move(record));
            // The size the file had when it was read whole (a bundle: its contents).
            info->setSize(static_cast<uint64_t>(size));
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
        if (op_.assembleBlock) {
            op_.assembleBlock(group);
        }
    }
}

void GroupReading::run()
{
    takeFiles();
    if (size == 0) {
        digestEmptyFiles();
        handOver();
        return;
    }
    keptBytes.clear();
    if (op_.wholeOnly_) {
        // Their edges were compared already, and their paths told.
        for (Reading& r : files) {
            whole.push_back(&r);
        }
        tellReading(whole);
    } else {
        if (op_.residentOnly_) {
            if (!readEdgesIfInMemory()) {
                return;
            }
        } else {
            readEdgesInOrder();
        }
        keepMatchingEdges();
        if (!stoppedEarly && op_.residentOnly_ && !small && plan.resident && !middlesInMemory()) {
            return;
        }
    }
    if (!op_.parallelQueue && !stoppedEarly) {
        askAheadForWhole();
    }
    // From a disk that moves its head, a file larger than what was asked
    // ahead for it is read on its own, so the head does not swing between files.
    const bool oneFileAtATime = !op_.parallelQueue && size > kWholeAheadPerFile;
    const bool noBundle = std::none_of(files.begin(), files.end(), [this](const Reading& r) { return isBundle(r); });
    ReadProgress progress(op_.progressBlock, op_.assemblingBlock);
    const auto stop = [this] { return stopped(); };
    if (!stoppedEarly && WholeHashing(table, size, keptBytes, noWait, noBundle, io, stop, plan, progress, digests)
                                 .run(whole, oneFileAtATime) == Hashed::notInMemory) {
        deferWhole(whole);
        return;
    }
    closeAll();
    handOver();
}

void AssembleOperation::main()
{
    if (isCancelled() || (shouldStop && shouldStop())) {
        return;
    }
    GroupReading(*this).run();
}
