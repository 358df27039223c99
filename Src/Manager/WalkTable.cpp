#include "Manager/WalkTable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/ResourceValues.h"

namespace {

// Names live in chunks of this many bytes; an offset is chunk << bits | position.
constexpr unsigned kChunkBits = 20;
constexpr uint32_t kChunkSize = 1u << kChunkBits;
// Walked records a chunk (1.5 MiB).
constexpr size_t kRecordsPerChunk = 32768;

}  // namespace

static_assert(std::is_trivially_copyable_v<WalkTable::File> && std::is_trivially_destructible_v<WalkTable::File>);

WalkTable::Chunk::~Chunk()
{
    if (files) {
        munmap(files, kRecordsPerChunk * sizeof(File));
    }
}

WalkTable::WalkTable() : chunkUsed_(kChunkSize) {}

WalkTable::~WalkTable()
{
    if (folderFds_) {
        for (size_t i = 0; i < folders_.size(); ++i) {
            const int fd = folderFds_[i].load();
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
}

uint32_t WalkTable::addFolder(const QByteArray& path)
{
    folders_.push_back(path);
    return static_cast<uint32_t>(folders_.size() - 1);
}

void WalkTable::add(uint32_t folder, const char* name, size_t nameLength, int64_t size, const struct stat& st,
                    const MountEntry* volume, uint8_t flags)
{
    // A name is at most 255 bytes on every Linux file system.
    const auto length = static_cast<uint32_t>(std::min<size_t>(nameLength, 255));
    if (chunkUsed_ + length > kChunkSize) {
        // Not cleared: a page is touched only when names reach it.
        nameChunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
        chunkUsed_ = 0;
    }
    const auto chunk = static_cast<uint32_t>(nameChunks_.size() - 1);
    std::copy(name, name + length, nameChunks_.back().get() + chunkUsed_);

    // Few devices per walk: the last one found is nearly always the one.
    uint16_t origin = 0;
    bool known = false;
    for (size_t i = origins_.size(); i-- > 0;) {
        if (origins_[i].device == st.st_dev && origins_[i].entry == volume) {
            origin = static_cast<uint16_t>(i);
            known = true;
            break;
        }
    }
    if (!known) {
        Origin made{st.st_dev, volume, std::nullopt, true};
        if (volume) {
            made.volume = volume->mountPoint;
            made.volumeIsLocal = MountTable::isLocalFileSystem(volume->fileSystemType);
        }
        if (origins_.size() > UINT16_MAX) {
            return;  // beyond any real machine's count of mounted devices
        }
        origins_.push_back(std::move(made));
        origin = static_cast<uint16_t>(origins_.size() - 1);
    }

    File file;
    file.size = size;
    file.inode = static_cast<uint64_t>(st.st_ino);
    file.modificationTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    file.statusChangeTimeNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    file.folder = folder;
    file.name = chunk << kChunkBits | chunkUsed_;
    file.origin = origin;
    file.nameLength = static_cast<uint8_t>(length);
    file.flags = flags;
    if (walked_.empty() || walked_.back().used == kRecordsPerChunk) {
        void* map = mmap(nullptr, kRecordsPerChunk * sizeof(File), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                         -1, 0);
        if (map == MAP_FAILED) {
            throw std::bad_alloc();
        }
        Chunk chunk;
        chunk.files = static_cast<File*>(map);
        walked_.push_back(std::move(chunk));
    }
    Chunk& last = walked_.back();
    last.files[last.used++] = file;
    ++walkedCount_;
    chunkUsed_ += length;
}

void WalkTable::finish(bool keepSingles)
{
    // By size; the walk order stays within one size.
    struct Key {
        int64_t size;
        uint32_t index;
        bool operator<(const Key& other) const
        {
            return size != other.size ? size < other.size : index < other.index;
        }
    };
    const auto walked = [this](size_t i) -> const File& {
        return walked_[i / kRecordsPerChunk].files[i % kRecordsPerChunk];
    };
    std::vector<Key> order;
    order.reserve(walkedCount_);
    for (size_t i = 0; i < walkedCount_; ++i) {
        order.push_back({walked(i).size, uint32_t(i)});
    }
    std::sort(order.begin(), order.end());
    sizes_.clear();
    size_t kept = 0;
    for (size_t i = 0; i < order.size();) {
        size_t j = i + 1;
        while (j < order.size() && order[j].size == order[i].size) {
            ++j;
        }
        sizes_.push_back({order[i].size, 0, static_cast<uint32_t>(j - i)});
        if (j - i >= 2 || keepSingles) {
            kept += j - i;
        }
        i = j;
    }
    files_.clear();
    files_.reserve(kept);
    size_t at = 0;
    for (SizeEntry& entry : sizes_) {
        entry.begin = static_cast<uint32_t>(files_.size());
        if (entry.count >= 2 || keepSingles) {
            for (uint32_t k = 0; k < entry.count; ++k) {
                files_.push_back(walked(order[at + k].index));
            }
        }
        at += entry.count;
    }
    std::vector<Chunk>().swap(walked_);
    walkedCount_ = 0;

    folderFds_ = std::make_unique<std::atomic<int>[]>(folders_.size());
    for (size_t i = 0; i < folders_.size(); ++i) {
        folderFds_[i].store(-2, std::memory_order_relaxed);
    }
    // An eighth of what the process may open, so that the files the
    // grouping keeps open (a few hundred at most), and everything else, still
    // find room under the usual limit of 1,024.
    rlimit limit{};
    const rlim_t soft = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    folderFdBudget_ = int(std::min<rlim_t>(soft == RLIM_INFINITY ? 65536 : soft, 65536) / 8);
}

int WalkTable::folderDescriptor(const File& file) const
{
    if (!folderFds_) {
        return -1;
    }
    std::atomic<int>& slot = folderFds_[file.folder];
    const int known = slot.load(std::memory_order_acquire);
    if (known != -2) {
        return known;
    }
    if (folderFdsOpen_.fetch_add(1) >= folderFdBudget_) {
        folderFdsOpen_.fetch_sub(1);
        return -1;  // the budget is spent: its files are opened by their paths
    }
    // Only to open names below it: no read access to the folder is needed.
    int fd = ::open(folders_[file.folder].constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int expected = -2;
    if (!slot.compare_exchange_strong(expected, fd < 0 ? -1 : fd, std::memory_order_acq_rel)) {
        // Another thread opened it first.
        if (fd >= 0) {
            ::close(fd);
        }
        folderFdsOpen_.fetch_sub(1);
        return expected;
    }
    if (fd < 0) {
        folderFdsOpen_.fetch_sub(1);
    }
    return fd < 0 ? -1 : fd;
}

const char* WalkTable::nameBytes(const File& file) const
{
    return nameChunks_[file.name >> kChunkBits].get() + (file.name & (kChunkSize - 1));
}

QByteArray WalkTable::name(const File& file) const
{
    return QByteArray(nameBytes(file), file.nameLength);
}

void WalkTable::nameInto(const File& file, char* out) const
{
    std::memcpy(out, nameBytes(file), file.nameLength);
    out[file.nameLength] = 0;
}

QByteArray WalkTable::path(const File& file) const
{
    const QByteArray& folder = folders_[file.folder];
    QByteArray out;
    out.reserve(folder.size() + 1 + file.nameLength);
    out.append(folder);
    if (!out.endsWith('/')) {
        out.append('/');
    }
    out.append(nameBytes(file), file.nameLength);
    return out;
}

dev_t WalkTable::device(const File& file) const
{
    return origins_[file.origin].device;
}

const std::optional<QByteArray>& WalkTable::volume(const File& file) const
{
    return origins_[file.origin].volume;
}

ResourceValueURL WalkTable::resourceValueURL(const File& file) const
{
    const QByteArray itemPath = path(file);
    ResourceValues v;
    v.name = name(file);
    v.isDirectory = (file.flags & directory) != 0;
    v.isRegularFile = (file.flags & regular) != 0;
    v.isSymbolicLink = (file.flags & symbolicLink) != 0;
    v.isAliasFile = !v.isDirectory && !v.isRegularFile;
    v.isApplication = (file.flags & application) != 0;
    v.isHidden = (file.flags & hidden) != 0;
    v.totalFileSize = v.isRegularFile ? file.size : 0;
    v.device = origins_[file.origin].device;
    v.inode = static_cast<ino_t>(file.inode);
    v.modificationTimeNs = file.modificationTimeNs;
    v.statusChangeTimeNs = file.statusChangeTimeNs;
    v.volumeURL = origins_[file.origin].volume;
    v.volumeIsLocal = origins_[file.origin].volumeIsLocal;
    // The walk let it through only when it could be read.
    v.isReadable = true;
    const int flags = AT_EACCESS | (v.isSymbolicLink ? AT_SYMLINK_NOFOLLOW : 0);
    const int folder = folderDescriptor(file);
    if (folder >= 0) {
        char nameBuffer[256];
        nameInto(file, nameBuffer);
        v.isWritable = faccessat(folder, nameBuffer, W_OK, flags) == 0;
    } else {
        v.isWritable = faccessat(AT_FDCWD, itemPath.constData(), W_OK, flags) == 0;
    }
    return ResourceValueURL(itemPath, std::move(v));
}

size_t WalkTable::bytesHeld() const
{
    size_t bytes = walked_.size() * kRecordsPerChunk * sizeof(File) + files_.capacity() * sizeof(File) +
                   sizes_.capacity() * sizeof(SizeEntry) + nameChunks_.size() * kChunkSize;
    for (const QByteArray& folder : folders_) {
        bytes += sizeof(QByteArray) + size_t(folder.capacity());
    }
    return bytes;
}
