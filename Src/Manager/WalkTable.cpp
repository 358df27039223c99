#include "Manager/WalkTable.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/ResourceValues.h"

namespace {

// Names live in chunks of this many bytes; an offset is chunk << bits | position.
constexpr unsigned kChunkBits = 20;
constexpr uint32_t kChunkSize = 1u << kChunkBits;

}  // namespace

WalkTable::WalkTable() : chunkUsed_(kChunkSize) {}

WalkTable::~WalkTable() = default;

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
        nameChunks_.push_back(std::make_unique<char[]>(kChunkSize));
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
    file.folder = folder;
    file.name = chunk << kChunkBits | chunkUsed_;
    file.origin = origin;
    file.nameLength = static_cast<uint8_t>(length);
    file.flags = flags;
    walked_.push_back(file);
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
    std::vector<Key> order;
    order.reserve(walked_.size());
    uint32_t index = 0;
    for (const File& file : walked_) {
        order.push_back({file.size, index++});
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
                files_.push_back(walked_[order[at + k].index]);
            }
        }
        at += entry.count;
    }
    std::deque<File>().swap(walked_);
}

const char* WalkTable::nameBytes(const File& file) const
{
    return nameChunks_[file.name >> kChunkBits].get() + (file.name & (kChunkSize - 1));
}

QByteArray WalkTable::name(const File& file) const
{
    return QByteArray(nameBytes(file), file.nameLength);
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
    v.volumeURL = origins_[file.origin].volume;
    v.volumeIsLocal = origins_[file.origin].volumeIsLocal;
    // The walk let it through only when it could be read.
    v.isReadable = true;
    v.isWritable = faccessat(AT_FDCWD, itemPath.constData(), W_OK,
                             AT_EACCESS | (v.isSymbolicLink ? AT_SYMLINK_NOFOLLOW : 0)) == 0;
    return ResourceValueURL(itemPath, std::move(v));
}

size_t WalkTable::bytesHeld() const
{
    size_t bytes = walked_.size() * sizeof(File) + files_.capacity() * sizeof(File) +
                   sizes_.capacity() * sizeof(SizeEntry) + nameChunks_.size() * kChunkSize;
    for (const QByteArray& folder : folders_) {
        bytes += sizeof(QByteArray) + size_t(folder.capacity());
    }
    return bytes;
}
