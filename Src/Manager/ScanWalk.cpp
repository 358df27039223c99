// The walk both file engines share, the settings filter and the roots.

#include "Manager/ScanManager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <unordered_set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "Foundation/Dispatch.h"
#include "Manager/DiskInfo.h"
#include "Manager/SystemFolders.h"
#include "Manager/TrashFolders.h"
#include "Manager/UserHomes.h"
#include "Manager/WalkTable.h"
#include "Model/FileType.h"

const QStringList& ScanManager::IgnoresPathExtention::allRawValues()
{
    static const QStringList values{"framework", "dylib", "json", "ini",   "toml", "yaml", "xml",
                                    "xib",       "db",    "plist", "strings", "swift", "m",  "mm",
                                    "pch",       "h",     "sh",   "c",     "cpp",  "py"};
    return values;
}

bool ScanManager::IgnoresPathExtention::matchesName(const char* name, size_t length)
{
    static const std::vector<std::string> values = [] {
        std::vector<std::string> out;
        for (const QString& value : allRawValues()) {
            out.push_back(value.toStdString());
        }
        return out;
    }();
    char lower[16];
    const int size = asciiLowerExtension(name, length, lower, static_cast<int>(sizeof lower));
    if (size == 0 || size == -2) {
        return false;
    }
    if (size < 0) {
        // Unicode lower-casing can turn a non-ASCII letter into an ASCII one.
        const QByteArray ext = FilePath::pathExtension(QByteArray(name, qsizetype(length)));
        return init(QString::fromUtf8(ext).toLower());
    }
    for (const std::string& value : values) {
        if (value.size() == size_t(size) && std::memcmp(value.data(), lower, size_t(size)) == 0) {
            return true;
        }
    }
    return false;
}

namespace {

std::vector<QByteArray> whiteListOf(const PreferenceScanProtocol& settings)
{
    std::vector<QByteArray> paths;
    for (const QUrl& url : settings.whiteListPath()) {
        const QByteArray local = FilePath::fromFileUrl(url);
        if (!local.isEmpty()) {
            paths.push_back(FilePath::normalized(local));
        }
    }
    return paths;
}

struct InodeKey {
    dev_t device;
    ino_t inode;
    bool operator==(const InodeKey&) const = default;
};

struct InodeKeyHash {
    size_t operator()(const InodeKey& key) const noexcept
    {
        return std::hash<uint64_t>()(static_cast<uint64_t>(key.inode) * 1000003u ^ static_cast<uint64_t>(key.device));
    }
};

QByteArray childPath(const QByteArray& folder, const char* name, size_t length)
{
    QByteArray path;
    path.reserve(folder.size() + 1 + qsizetype(length));
    path.append(folder);
    if (!path.endsWith('/')) {
        path.append('/');
    }
    path.append(name, qsizetype(length));
    return path;
}

bool endsWithApp(const char* name, size_t length)
{
    return length > 4 && std::memcmp(name + length - 4, ".app", 4) == 0;
}

// Who is asking: the answer the permission bits give for reading, without a
// system call. Only a "no" is asked of the system again (an access list or
// a capability may still allow it); a "yes" that the system would refuse
// shows when the file is opened.
class ReadAccess {
public:
    ReadAccess() : uid_(geteuid()), gid_(getegid())
    {
        const int count = getgroups(0, nullptr);
        if (count > 0) {
            groups_.resize(size_t(count));
            groups_.resize(size_t(std::max(0, getgroups(count, groups_.data()))));
        }
    }
    bool byBits(const struct stat& st) const
    {
        if (st.st_uid == uid_) {
            return (st.st_mode & S_IRUSR) != 0;
        }
        if (st.st_gid == gid_ || std::find(groups_.begin(), groups_.end(), st.st_gid) != groups_.end()) {
            return (st.st_mode & S_IRGRP) != 0;
        }
        return (st.st_mode & S_IROTH) != 0;
    }
    bool readable(const struct stat& st, int dirFd, const char* name) const
    {
        if (S_ISLNK(st.st_mode)) {
            return true;  // the link itself: a dangling link is still an item
        }
        return byBits(st) || faccessat(dirFd, name, R_OK, AT_EACCESS) == 0;
    }

private:
    uid_t uid_;
    gid_t gid_;
    std::vector<gid_t> groups_;
};

}  // namespace

// The settings as one walk sees them, read once at its start.
struct ScanManager::Filter {
    bool present = false;
    std::shared_ptr<const std::vector<QByteArray>> whiteList;
    bool scansEveryKind = true;
    bool video = true, audio = true, picture = true, document = true, other = true;
    bool omitZeroByteFile = false;
    bool omitHiddenFile = false;
    std::optional<int64_t> maxSize;
    std::optional<int64_t> minSize;

    bool whiteListed(const QByteArray& path) const
    {
        return whiteList && std::find(whiteList->begin(), whiteList->end(), path) != whiteList->end();
    }

    // `path` is built only when a white list needs it.
    template <typename PathOf>
    bool ignores(const char* name, size_t length, const PathOf& pathOf, int64_t size, bool hidden) const
    {
        if (!present) {
            return false;
        }
        if (whiteList && !whiteList->empty() && whiteListed(pathOf())) {
            return true;
        }
        if (!scansEveryKind) {
            switch (fileTypeOfName(name, length)) {
            case FileType::video:
                if (!video) return true;
                break;
            case FileType::audio:
                if (!audio) return true;
                break;
            case FileType::picture:
                if (!picture) return true;
                break;
            case FileType::document:
                if (!document) return true;
                break;
            case FileType::other:
                if (!other) return true;
                break;
            }
        }
        if (size == 0 && omitZeroByteFile) {
            return true;
        }
        if (maxSize && size > *maxSize) {
            return true;
        }
        if (minSize && size < *minSize) {
            return true;
        }
        return hidden && omitHiddenFile;
    }
};

ScanManager::Filter ScanManager::currentFilter() const
{
    std::lock_guard lock(settingsMutex_);
    return filterOf(scanPreference_.get(), whiteList_);
}

ScanManager::Filter ScanManager::filterOf(const PreferenceScanProtocol* settings,
                                          std::shared_ptr<const std::vector<QByteArray>> whiteList)
{
    Filter filter;
    if (!settings) {
        return filter;
    }
    const PreferenceScanProtocol& s = *settings;
    filter.present = true;
    filter.whiteList = std::move(whiteList);
    filter.video = s.omitVideo();
    filter.audio = s.omitAudio();
    filter.picture = s.omitPicture();
    filter.document = s.omitDocument();
    filter.other = s.omitOther();
    filter.scansEveryKind = filter.video && filter.audio && filter.picture && filter.document && filter.other;
    filter.omitZeroByteFile = s.omitZeroByteFile();
    filter.omitHiddenFile = s.omitHiddenFile();
    if (s.enableMaxSize()) {
        filter.maxSize = s.maxFileSize();
    }
    if (s.enableMinSize()) {
        filter.minSize = s.minFileSize();
    }
    return filter;
}

std::shared_ptr<const std::vector<QByteArray>> ScanManager::whiteList() const
{
    std::lock_guard lock(settingsMutex_);
    return whiteList_;
}

void ScanManager::refreshWhiteList()
{
    std::lock_guard lock(settingsMutex_);
    whiteList_ = scanPreference_ ? std::make_shared<const std::vector<QByteArray>>(whiteListOf(*scanPreference_))
                                 : nullptr;
}

bool ScanManager::whitePathIgnore(const QByteArray& path) const
{
    const auto list = whiteList();
    if (!list || list->empty()) {
        return false;
    }
    const QByteArray normal = FilePath::normalized(path);
    return std::any_of(list->begin(), list->end(),
                       [&](const QByteArray& entry) { return FilePath::isSameOrBelow(normal, entry); });
}

bool ScanManager::ignoreFile(const QByteArray& path, int64_t size, const ResourceValues& values) const
{
    const QByteArray name = FilePath::lastComponent(path);
    return currentFilter().ignores(
        name.constData(), size_t(name.size()), [&] { return path; }, size, values.isHidden);
}

ScanManager::RootChoice ScanManager::scanRoots(const QByteArrayList& folders,
                                               const std::vector<QByteArray>& otherUsersHomes)
{
    RootChoice choice;
    const TrashFolders trash;
    for (const QByteArray& folder : folders) {
        if (folder.isEmpty()) {
            continue;
        }
        // Relative roots are taken against the current folder, as the
        // walk would open them.
        const QByteArray path = FilePath::absolute(folder);
        if (path == "/") {
            choice.roots.append(path);
            continue;
        }
        // A link is judged by where it leads: "~/link-to-etc" is /etc.
        const QByteArray real = UserHomes::resolved(path);
        if (SystemFolders::isSystemFolder(path) || SystemFolders::isSystemFolder(real)) {
            choice.leftOut.append({path, LeftOutFolder::Reason::systemFolder});
            continue;
        }
        // Other people's homes are not ours to scan, also when reached
        // through a link. Anything else beside the home folder is: a shared
        // folder, a disk mounted there, the users folder itself.
        const bool othersHome = std::any_of(otherUsersHomes.begin(), otherUsersHomes.end(), [&](const QByteArray& home) {
            return FilePath::isSameOrBelow(path, home) || FilePath::isSameOrBelow(real, home);
        });
        if (othersHome) {
            choice.leftOut.append({path, LeftOutFolder::Reason::otherUsersHome});
            continue;
        }
        if (trash.holds(path)) {
            choice.leftOut.append({path, LeftOutFolder::Reason::trash});
            continue;
        }
        choice.roots.append(path);
    }
    return choice;
}

void ScanRootReport::begin(QList<LeftOutFolder> leftOut)
{
    std::lock_guard lock(mutex_);
    leftOut_ = std::move(leftOut);
    scannedNoFolder_ = false;
}

void ScanRootReport::add(const QByteArray& path, LeftOutFolder::Reason reason)
{
    std::lock_guard lock(mutex_);
    leftOut_.append({path, reason});
}

void ScanRootReport::end(int entered, bool stopped)
{
    std::lock_guard lock(mutex_);
    scannedNoFolder_ = entered == 0 && !stopped && !leftOut_.isEmpty();
}

QList<LeftOutFolder> ScanRootReport::leftOutFolders() const
{
    std::lock_guard lock(mutex_);
    return leftOut_;
}

bool ScanRootReport::scannedNoFolder() const
{
    std::lock_guard lock(mutex_);
    return scannedNoFolder_;
}

ScanManager::WalkRules ScanManager::duplicateWalkRules()
{
    WalkRules rules;
    rules.stop = [this] { return scanStop_.load(); };
    rules.leftOut = [this](const QByteArray& root, LeftOutFolder::Reason reason) { rootReport_.add(root, reason); };
    rules.regularFilesOnly = true;
    rules.skipRoot = [this](const QByteArray& path) { return whitePathIgnore(path); };
    const auto list = whiteList();
    if (list && !list->empty()) {
        rules.skipFolder = [list](const QByteArray& path) {
            return std::find(list->begin(), list->end(), path) != list->end();
        };
    }
    return rules;
}

std::shared_ptr<WalkTable> ScanManager::walkTable(const QByteArrayList& folders, bool keepSingles)
{
    auto table = std::make_shared<WalkTable>();
    uint32_t lastFolder = UINT32_MAX;
    uint32_t tableFolder = 0;
    RootChoice choice = scanRoots(folders, UserHomes::otherUsersHomes());
    rootReport_.begin(std::move(choice.leftOut));
    const int entered = walk(choice.roots, duplicateWalkRules(), [&](const WalkItem& item) {
        if (item.folderIndex != lastFolder) {
            lastFolder = item.folderIndex;
            tableFolder = table->addFolder(item.folder);
        }
        uint8_t flags = item.isHidden ? WalkTable::hidden : 0;
        if (S_ISREG(item.st.st_mode)) {
            flags |= WalkTable::regular;
        } else if (S_ISLNK(item.st.st_mode)) {
            flags |= WalkTable::symbolicLink;
        } else if (S_ISDIR(item.st.st_mode)) {
            flags |= WalkTable::directory;
        }
        if (item.isApplication) {
            flags |= WalkTable::application;
        }
        table->add(tableFolder, item.name, item.nameLength, item.size, item.st, item.volume, flags);
    });
    rootReport_.end(entered, scanStop_.load());
    // The records of files alone in their size go back to the system here.
    table->finish(keepSingles);
    return table;
}

ScanManager::SizeMap ScanManager::filterSameSize(const QByteArrayList& folders)
{
    refreshWhiteList();
    const std::shared_ptr<WalkTable> table = walkTable(folders, true);
    SizeMap sizes;
    for (const WalkTable::SizeEntry& entry : table->sizes()) {
        auto& records = sizes[entry.size];
        for (uint32_t i = 0; i < entry.count; ++i) {
            records.push_back(table->resourceValueURL(table->files()[entry.begin + i]));
        }
    }
    return sizes;
}

QByteArray ScanManager::WalkItem::path() const
{
    return childPath(folder, name, nameLength);
}

ResourceValues ScanManager::WalkItem::resourceValues() const
{
    ResourceValues values = ResourceValues::fromStat(st, QByteArray(name, qsizetype(nameLength)), folderFd);
    if (volume) {
        values.volumeURL = volume->mountPoint;
        values.volumeIsLocal = MountTable::isLocalFileSystem(volume->fileSystemType);
    }
    return values;
}

namespace {

// One folder the walk will enter, and what its listing found.
struct FolderListing {
    QByteArray path;
    dev_t device = 0;
    ino_t inode = 0;
    const MountEntry* volume = nullptr;
    bool isRoot = false;

    enum class State { waiting, listing, listed } state = State::waiting;
    DIR* dir = nullptr;  // open once listed, if it could be; the walk closes it
    struct Entry {
        uint32_t name;  // offset into names
        uint32_t length;
        bool hidden;
        bool skippedExtension;
        struct stat st;
    };
    std::vector<Entry> entries;
    std::vector<char> names;

    ~FolderListing()
    {
        if (dir) {
            closedir(dir);
        }
    }

    // Opens the folder (a root may be a link, nothing below it may), checks
    // it is still the one that was seen, and stats every entry the rules may
    // want. What the listing already tells spares the stat of items that
    // every rule would pass over.
    void list(bool skipLinksAndSpecialFiles, const std::function<bool()>& stop)
    {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
        const int fd = ::open(path.constData(), flags);
        if (fd < 0) {
            return;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || opened.st_dev != device || opened.st_ino != inode) {
            ::close(fd);  // swapped since it was listed
            return;
        }
        dir = fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return;
        }
        while (dirent* entry = readdir(dir)) {
            if (stop()) {
                break;
            }
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
                continue;
            }
            const size_t length = std::strlen(name);
            const bool hidden = name[0] == '.';
            const bool skippedExtension = ScanManager::IgnoresPathExtention::matchesName(name, length);
            switch (entry->d_type) {
            case DT_DIR:
                if (hidden && !skippedExtension && !endsWithApp(name, length)) {
                    continue;  // a hidden folder is never entered
                }
                break;
            case DT_REG:
                if (skippedExtension) {
                    continue;
                }
                break;
            case DT_UNKNOWN:
                break;
            default:
                // Links and special files count as empty files, where they
                // count at all.
                if (skippedExtension || skipLinksAndSpecialFiles) {
                    continue;
                }
                break;
            }
            Entry item{static_cast<uint32_t>(names.size()), static_cast<uint32_t>(length), hidden, skippedExtension, {}};
            if (fstatat(dirfd(dir), name, &item.st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            names.insert(names.end(), name, name + length + 1);
            entries.push_back(item);
        }
    }
};

using FolderListingPtr = std::shared_ptr<FolderListing>;

// The folders the walk will enter next, listed ahead of it on a few threads
// of the global queue. The walk takes them in its own order, so what it
// finds and in which order is that of a walk on one thread; the listing
// threads only spare it the waiting for the file system. A folder nobody has
// started yet the walk lists itself, so it never waits on a full window, and
// it never waits for the threads to end: they hold their own share of the
// state and go when nothing is left.
class FolderLister {
public:
    FolderLister(bool skipLinksAndSpecialFiles, std::function<bool()> stop) : state_(std::make_shared<State>())
    {
        state_->skipLinksAndSpecialFiles = skipLinksAndSpecialFiles;
        state_->stop = std::move(stop);
    }
    ~FolderLister()
    {
        std::lock_guard lock(state_->mutex);
        state_->ending = true;
        state_->stack.clear();
    }

    bool empty() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->stack.empty();
    }
    // Folders to enter; the last one pushed is entered first.
    void push(FolderListingPtr folder)
    {
        bool start = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->stack.push_back(std::move(folder));
            if (state_->runners < kThreads && state_->ahead + state_->listing < kWindow && worthHandingOff(*state_)) {
                ++state_->runners;
                start = true;
            }
        }
        if (start) {
            DispatchQueue::global().async([state = state_] { run(*state); });
        }
    }
    // The next folder, listed.
    FolderListingPtr pop()
    {
        State& s = *state_;
        std::unique_lock lock(s.mutex);
        FolderListingPtr folder = std::move(s.stack.back());
        s.stack.pop_back();
        if (folder->state == FolderListing::State::waiting) {
            folder->state = FolderListing::State::listing;
            lock.unlock();
            listTimed(s, *folder);
            return folder;
        }
        s.listed.wait(lock, [&] { return folder->state == FolderListing::State::listed; });
        --s.ahead;
        const bool start = s.runners < kThreads && worthHandingOff(s) && hasWork(s);
        if (start) {
            ++s.runners;
        }
        lock.unlock();
        if (start) {
            DispatchQueue::global().async([state = state_] { run(*state); });
        }
        return folder;
    }

private:
    static constexpr int kThreads = 3;
    // Folders listed but not yet taken: a bound on open folders and memory.
    static constexpr int kWindow = 32;
    // How far below the top of the stack a listing thread looks for work.
    static constexpr size_t kReach = 24;
    // Folders are listed ahead only while listing one takes longer than
    // this: waking a thread and waiting for it costs about as much as
    // listing a small folder that is in memory, and only folders that take
    // long (large ones, or ones read from the disk) gain from being listed
    // on several threads at once.
    static constexpr int64_t kWorthHandingOffNs = 100000;

    struct State {
        bool skipLinksAndSpecialFiles = false;
        std::function<bool()> stop;
        std::mutex mutex;
        std::condition_variable listed;
        std::vector<FolderListingPtr> stack;
        int ahead = 0;
        int listing = 0;
        int runners = 0;
        bool ending = false;
        // How long the last folders took to list, on average (decaying).
        std::atomic<int64_t> recentNs{0};
    };

    static bool worthHandingOff(const State& s)
    {
        return s.recentNs.load(std::memory_order_relaxed) >= kWorthHandingOffNs;
    }
    static void listTimed(State& s, FolderListing& folder)
    {
        const auto start = std::chrono::steady_clock::now();
        folder.list(s.skipLinksAndSpecialFiles, s.stop);
        const int64_t took =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
        const int64_t recent = s.recentNs.load(std::memory_order_relaxed);
        s.recentNs.store(recent + (took - recent) / 8, std::memory_order_relaxed);
    }

    static FolderListingPtr next(State& s)
    {
        if (s.ending || s.ahead + s.listing >= kWindow) {
            return nullptr;
        }
        for (size_t i = s.stack.size(), seen = 0; i-- > 0 && seen < kReach; ++seen) {
            if (s.stack[i]->state == FolderListing::State::waiting) {
                return s.stack[i];
            }
        }
        return nullptr;
    }
    static bool hasWork(State& s) { return next(s) != nullptr; }

    // One listing thread: lists what lies near the top of the stack until
    // nothing is left there.
    static void run(State& s)
    {
        std::unique_lock lock(s.mutex);
        for (FolderListingPtr folder = next(s); folder; folder = next(s)) {
            folder->state = FolderListing::State::listing;
            ++s.listing;
            lock.unlock();
            listTimed(s, *folder);
            lock.lock();
            folder->state = FolderListing::State::listed;
            --s.listing;
            ++s.ahead;
            s.listed.notify_all();
        }
        --s.runners;
    }

    std::shared_ptr<State> state_;
};

}  // namespace

int ScanManager::walk(const QList<QByteArray>& roots, const WalkRules& rules, const WalkFound& found)
{
    // An engine that scans on its own brings the settings it read when it
    // started; otherwise the duplicate scan's own, its white list refreshed.
    Filter filter;
    if (rules.settings) {
        filter = filterOf(rules.settings.get(),
                          std::make_shared<const std::vector<QByteArray>>(whiteListOf(*rules.settings)));
    } else {
        refreshWhiteList();
        filter = currentFilter();
    }
    const ReadAccess access;
    const auto mounts = MountTable::read();
    // A file mounted over another name is the one kind of second name that
    // a link count does not betray: note the files mounted below the roots.
    std::unordered_set<InodeKey, InodeKeyHash> mountedFiles;
    for (const MountEntry& entry : mounts->entries()) {
        const bool below = std::any_of(roots.begin(), roots.end(), [&](const QByteArray& root) {
            return FilePath::isSameOrBelow(entry.mountPoint, root);
        });
        struct stat st {};
        if (below && fstatat(AT_FDCWD, entry.mountPoint.constData(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0 &&
            !S_ISDIR(st.st_mode)) {
            mountedFiles.insert({st.st_dev, st.st_ino});
        }
    }
    std::unordered_set<InodeKey, InodeKeyHash> recorded;
    std::unordered_set<InodeKey, InodeKeyHash> seenFolders;
    uint32_t folderCounter = 0;
    const auto isPseudo = [&](const QByteArray& path, dev_t device) {
        const MountEntry* entry = mounts->volumeFor(path, device);
        return entry && entry->device == device && MountTable::isPseudoFileSystem(entry->fileSystemType);
    };
    FolderLister lister(filter.omitZeroByteFile || rules.regularFilesOnly, rules.stop);
    const TrashFolders trash;
    const auto leftOut = [&rules](const QByteArray& root, LeftOutFolder::Reason reason) {
        if (rules.leftOut) {
            rules.leftOut(root, reason);
        }
    };
    int entered = 0;

    for (const QByteArray& root : roots) {
        if (rules.stop()) {
            break;
        }
        if (rules.skipRoot && rules.skipRoot(root)) {
            leftOut(root, LeftOutFolder::Reason::whiteListed);
            continue;
        }
        // The root itself may be reached through a link the user chose.
        struct stat rootStat {};
        if (::stat(root.constData(), &rootStat) != 0 || !S_ISDIR(rootStat.st_mode)) {
            leftOut(root, LeftOutFolder::Reason::cannotOpen);
            continue;
        }
        if (isPseudo(root, rootStat.st_dev)) {
            leftOut(root, LeftOutFolder::Reason::systemFolder);
            continue;
        }
        if (!seenFolders.insert({rootStat.st_dev, rootStat.st_ino}).second) {
            continue;  // given twice (or through a link): walked once
        }
        auto top = std::make_shared<FolderListing>();
        top->path = root;
        top->device = rootStat.st_dev;
        top->inode = rootStat.st_ino;
        top->volume = mounts->volumeFor(root, rootStat.st_dev);
        top->isRoot = true;
        lister.push(std::move(top));
        while (!lister.empty() && !rules.stop()) {
            const FolderListingPtr folder = lister.pop();
            if (!folder->dir) {
                if (folder->isRoot && !rules.stop()) {
                    leftOut(root, LeftOutFolder::Reason::cannotOpen);
                }
                continue;
            }
            entered += folder->isRoot ? 1 : 0;
            const uint32_t folderIndex = folderCounter++;
            const int fd = dirfd(folder->dir);
            std::vector<FolderListingPtr> children;
            for (const FolderListing::Entry& entry : folder->entries) {
                if (rules.stop()) {
                    break;
                }
                const char* name = folder->names.data() + entry.name;
                const size_t nameLength = entry.length;
                const bool hidden = entry.hidden;
                const struct stat& st = entry.st;
                const bool isDirectory = S_ISDIR(st.st_mode);
                const MountEntry* volume = st.st_dev == folder->device ? folder->volume : nullptr;
                QByteArray folderPath;  // of a folder item, made once
                if (isDirectory || st.st_dev != folder->device) {
                    folderPath = childPath(folder->path, name, nameLength);
                    if (st.st_dev != folder->device) {
                        volume = mounts->volumeFor(folderPath, st.st_dev);
                    }
                }
                const auto descend = [&] {
                    // The Trash holds what the user already removed. Of the
                    // Trash folders only the home one can be met here: those at
                    // a volume's top have hidden names, never entered.
                    if (trash.isHomeTrash(st)) {
                        return;
                    }
                    if (seenFolders.insert({st.st_dev, st.st_ino}).second &&
                        (st.st_dev == folder->device || !isPseudo(folderPath, st.st_dev))) {
                        auto child = std::make_shared<FolderListing>();
                        child->path = folderPath;
                        child->device = st.st_dev;
                        child->inode = st.st_ino;
                        child->volume = volume;
                        children.push_back(std::move(child));
                    }
                };
                if (isDirectory && rules.skipFolder && rules.skipFolder(folderPath)) {
                    continue;
                }
                const bool readable = access.readable(st, fd, name);
                if (entry.skippedExtension) {
                    if (isDirectory && readable) {
                        descend();
                    }
                    continue;
                }
                if (!readable) {
                    continue;
                }
                const bool isApplication = isDirectory && endsWithApp(name, nameLength);
                int64_t size = 0;
                if (isApplication) {
                    size = applicationSize(folderPath);
                } else if (S_ISREG(st.st_mode)) {
                    size = static_cast<int64_t>(st.st_size);
                } else if (isDirectory) {
                    if (!hidden) {
                        descend();
                    }
                    continue;
                }
                // Links, FIFOs, sockets and devices stay at size 0 and are never read.
                if (rules.regularFilesOnly && !isApplication && !S_ISREG(st.st_mode)) {
                    continue;
                }
                const auto pathOf = [&] { return childPath(folder->path, name, nameLength); };
                if (filter.ignores(name, nameLength, pathOf, size, hidden)) {
                    continue;
                }
                // A second name of a file already recorded: only a file with
                // several links, or one mounted over another name, can have one.
                if ((st.st_nlink > 1 || (!mountedFiles.empty() && mountedFiles.count({st.st_dev, st.st_ino}))) &&
                    !recorded.insert({st.st_dev, st.st_ino}).second) {
                    continue;
                }
                const WalkItem item{folder->path, folderIndex, fd,     name,   nameLength,
                                    st,           size,        volume, hidden, isApplication};
                found(item);
            }
            // Keep directory order: the first child is taken next.
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                lister.push(std::move(*it));
            }
        }
    }
    return entered;
}
