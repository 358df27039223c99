#include "ScanManager.h"

#include <algorithm>
#include <chrono>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "Foundation/Dispatch.h"
#include "Main/Utilities.h"
#include "Manager/AssembleOperation.h"
#include "Model/PerferenceInfo.h"

const QStringList& ScanManager::IgnoresPathExtention::allRawValues()
{
    static const QStringList values{"framework", "dylib", "json", "ini",   "toml", "yaml", "xml",
                                    "xib",       "db",    "plist", "strings", "swift", "m",  "mm",
                                    "pch",       "h",     "sh",   "c",     "cpp",  "py"};
    return values;
}

ScanManager& ScanManager::default_()
{
    // Never destroyed: worker threads may still hold it while the process ends.
    static ScanManager* instance = new ScanManager();
    return *instance;
}

ScanManager::ScanManager()
    : assembleSSDQueue_(QStringLiteral("assembleSSDQueue")),
      assembleHDDQueue_(QStringLiteral("assembleHDDQueue")),
      appendQueue_(QStringLiteral("appendQueue"))
{
    assembleSSDQueue_.setQualityOfService(OperationQueue::QualityOfService::utility);
    assembleSSDQueue_.setMaxConcurrentOperationCount(5);
    assembleHDDQueue_.setQualityOfService(OperationQueue::QualityOfService::utility);
    assembleHDDQueue_.setMaxConcurrentOperationCount(1);
    appendQueue_.setQualityOfService(OperationQueue::QualityOfService::utility);
    appendQueue_.setMaxConcurrentOperationCount(1);
}

ScanManager::~ScanManager() = default;

QByteArrayList ScanManager::folderList() const
{
    std::lock_guard lock(folderMutex_);
    return folderList_;
}

void ScanManager::setFolderList(const QByteArrayList& folders)
{
    std::lock_guard lock(folderMutex_);
    folderList_ = folders;
}

std::shared_ptr<PreferenceScanProtocol> ScanManager::scanSetupObj() const
{
    std::lock_guard lock(settingsMutex_);
    return scanPreference_;
}

void ScanManager::setScanSetupObj(std::shared_ptr<PreferenceScanProtocol> settings)
{
    std::lock_guard lock(settingsMutex_);
    if (!scaning_.load()) {
        scanPreference_ = std::move(settings);
    }
}

ScanManager::Results ScanManager::results() const
{
    std::lock_guard lock(resultsMutex_);
    return results_;
}

void ScanManager::updateResults(const std::function<void(Results&)>& change)
{
    std::lock_guard lock(resultsMutex_);
    change(results_);
}

#define TWINSWEEP_RESULT_ACCESSOR(Type, name)    \
    Type ScanManager::name() const              \
    {                                           \
        std::lock_guard lock(resultsMutex_);    \
        return results_.name;                   \
    }
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, totalFiles)
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, documentFiles)
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, pictureFiles)
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, audioFiles)
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, videoFiles)
TWINSWEEP_RESULT_ACCESSOR(DuplicateFilesList, otherFiles)
TWINSWEEP_RESULT_ACCESSOR(int, totalFilesCount)
TWINSWEEP_RESULT_ACCESSOR(int, documentFilesCount)
TWINSWEEP_RESULT_ACCESSOR(int, pictureFilesCount)
TWINSWEEP_RESULT_ACCESSOR(int, audioFilesCount)
TWINSWEEP_RESULT_ACCESSOR(int, videoFilesCount)
TWINSWEEP_RESULT_ACCESSOR(int, otherFilesCount)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, totalFilesSize)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, documentFilesSize)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, pictureFilesSize)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, audioFilesSize)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, videoFilesSize)
TWINSWEEP_RESULT_ACCESSOR(uint64_t, otherFilesSize)
#undef TWINSWEEP_RESULT_ACCESSOR

void ScanManager::resetScan()
{
    {
        std::lock_guard lock(resultsMutex_);
        results_ = Results();
    }
    errorRemoveCount_.store(0);
    scanningProgress_.store(0.0);
}

std::optional<bool> ScanManager::volumeIsSolidState(const QByteArray& volume) const
{
    std::lock_guard lock(volumeMutex_);
    auto it = volumeTypeOfDisk_.constFind(volume);
    if (it == volumeTypeOfDisk_.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

void ScanManager::setScanPathsDiskType(const QByteArrayList& folders)
{
    for (const QByteArray& folder : folders) {
        // A relative root is resolved the way the walk resolves it.
        const std::optional<ResourceValues> values = ResourceValues::read(FilePath::absolute(folder));
        if (!values || !values->volumeURL) {
            continue;
        }
        // The volume meets its disk through its device number only.
        const QString name = DiskInfo::getDiskName(*values->volumeURL);
        if (name.isEmpty()) {
            continue;
        }
        for (const DiskInfo& disk : disks_) {
            if (disk.bsdName() == name) {
                std::lock_guard lock(volumeMutex_);
                volumeTypeOfDisk_.insert(*values->volumeURL, disk.SSD());
                break;
            }
        }
    }
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

// The filter both file engines share, over the settings a scan started with
// and the duplicate white list made from them.
bool ignoredBy(const PreferenceScanProtocol* settings, const std::vector<QByteArray>* list, const QByteArray& path,
               int64_t size, const ResourceValues& values)
{
    if (!settings) {
        return false;
    }
    if (list && std::find(list->begin(), list->end(), path) != list->end()) {
        return true;
    }
    switch (fileTypeOfPath(path)) {
    case FileType::video:
        if (!settings->omitVideo()) return true;
        break;
    case FileType::audio:
        if (!settings->omitAudio()) return true;
        break;
    case FileType::picture:
        if (!settings->omitPicture()) return true;
        break;
    case FileType::document:
        if (!settings->omitDocument()) return true;
        break;
    case FileType::other:
        if (!settings->omitOther()) return true;
        break;
    }
    if (size == 0 && settings->omitZeroByteFile()) {
        return true;
    }
    if (settings->enableMaxSize() && settings->maxFileSize() && size > *settings->maxFileSize()) {
        return true;
    }
    if (settings->enableMinSize() && settings->minFileSize() && size < *settings->minFileSize()) {
        return true;
    }
    return values.isHidden ? settings->omitHiddenFile() : false;
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

QByteArray childPath(const QByteArray& folder, const char* name)
{
    QByteArray path = folder;
    if (!path.endsWith('/')) {
        path.append('/');
    }
    path.append(name);
    return path;
}

}  // namespace

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
    if (!list) {
        return false;
    }
    const QByteArray normal = FilePath::normalized(path);
    return std::any_of(list->begin(), list->end(),
                       [&](const QByteArray& entry) { return FilePath::isSameOrBelow(normal, entry); });
}

bool ScanManager::ignoreFile(const QByteArray& path, int64_t size, const ResourceValues& values) const
{
    std::shared_ptr<PreferenceScanProtocol> settings;
    std::shared_ptr<const std::vector<QByteArray>> list;
    {
        std::lock_guard lock(settingsMutex_);
        settings = scanPreference_;
        list = whiteList_;
    }
    return ignoredBy(settings.get(), list.get(), path, size, values);
}

QList<QByteArray> ScanManager::scanRoots(const QByteArrayList& folders, const QByteArray& homeFolder)
{
    const QByteArray home = FilePath::normalized(homeFolder);
    const qsizetype slash = home.lastIndexOf('/');
    const QByteArray users = slash > 0 ? home.left(slash) : QByteArray("/");
    QList<QByteArray> roots;
    for (const QByteArray& folder : folders) {
        if (folder.isEmpty()) {
            continue;
        }
        // Relative roots are taken against the current folder, as the
        // walk would open them.
        const QByteArray path = FilePath::absolute(folder);
        if (path == "/") {
            roots.append(path);
            continue;
        }
        if (path.startsWith("/System") || path.startsWith("/Applications") || path.startsWith("/Library")) {
            continue;
        }
        // Other users' folders are not ours to scan. (A home directly below
        // "/" has no users folder to guard.)
        if (users != "/" && path.startsWith(users) && !path.startsWith(home) && path != users) {
            continue;
        }
        roots.append(path);
    }
    return roots;
}

ScanManager::SizeMap ScanManager::filterSameSize(const QByteArrayList& folders)
{
    SizeMap sizes;
    WalkRules rules;
    rules.stop = [this] { return scanStop_.load(); };
    rules.skipRoot = [this](const QByteArray& path) { return whitePathIgnore(path); };
    rules.skipFolder = [this](const QByteArray& path) {
        const auto whiteListed = whiteList();
        return whiteListed && std::find(whiteListed->begin(), whiteListed->end(), path) != whiteListed->end();
    };
    walk(scanRoots(folders, QFile::encodeName(DiskInfo::customHomeDirectory())), rules,
         [&sizes](const QByteArray& path, int64_t size, ResourceValues&& values) {
             sizes[size].emplace_back(path, std::move(values));
         });
    return sizes;
}

void ScanManager::walk(const QList<QByteArray>& roots, const WalkRules& rules, const WalkFound& found)
{
    std::shared_ptr<PreferenceScanProtocol> settings = rules.settings;
    std::shared_ptr<const std::vector<QByteArray>> whiteListed;
    if (settings) {
        whiteListed = std::make_shared<const std::vector<QByteArray>>(whiteListOf(*settings));
    } else {
        refreshWhiteList();
        std::lock_guard lock(settingsMutex_);
        settings = scanPreference_;
        whiteListed = whiteList_;
    }
    const auto mounts = MountTable::read();
    std::unordered_set<InodeKey, InodeKeyHash> recorded;
    std::unordered_set<InodeKey, InodeKeyHash> folders_;

    struct Pending {
        QByteArray path;
        dev_t device;
        ino_t inode;
        const MountEntry* volume;
    };
    const auto isPseudo = [&](const QByteArray& path, dev_t device) {
        const MountEntry* entry = mounts->volumeFor(path, device);
        return entry && entry->device == device && MountTable::isPseudoFileSystem(entry->fileSystemType);
    };

    for (const QByteArray& root : roots) {
        if (rules.stop()) {
            break;
        }
        if (rules.skipRoot(root)) {
            continue;
        }
        // The root itself may be reached through a link the user chose.
        struct stat rootStat {};
        if (::stat(root.constData(), &rootStat) != 0 || !S_ISDIR(rootStat.st_mode)) {
            continue;
        }
        if (!folders_.insert({rootStat.st_dev, rootStat.st_ino}).second || isPseudo(root, rootStat.st_dev)) {
            continue;
        }
        std::vector<Pending> stack;
        stack.push_back({root, rootStat.st_dev, rootStat.st_ino, mounts->volumeFor(root, rootStat.st_dev)});
        while (!stack.empty() && !rules.stop()) {
            Pending folder = std::move(stack.back());
            stack.pop_back();
            // The root may be a link; anything below is opened without following one.
            const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (folder.path == root ? 0 : O_NOFOLLOW);
            const int fd = ::open(folder.path.constData(), flags);
            if (fd < 0) {
                continue;
            }
            struct stat opened {};
            if (::fstat(fd, &opened) != 0 || opened.st_dev != folder.device || opened.st_ino != folder.inode) {
                ::close(fd);  // swapped since it was listed
                continue;
            }
            DIR* dir = fdopendir(fd);
            if (!dir) {
                ::close(fd);
                continue;
            }
            std::vector<Pending> children;
            while (dirent* entry = readdir(dir)) {
                if (rules.stop()) {
                    break;
                }
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
                    continue;
                }
                struct stat st {};
                if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                const QByteArray path = childPath(folder.path, name);
                ResourceValues values = ResourceValues::fromStat(st, QByteArray(name), dirfd(dir));
                const MountEntry* volume = st.st_dev == folder.device ? folder.volume : mounts->volumeFor(path, st.st_dev);
                if (volume) {
                    values.volumeURL = volume->mountPoint;
                    values.volumeIsLocal = MountTable::isLocalFileSystem(volume->fileSystemType);
                }
                const auto descend = [&] {
                    if (folders_.insert({st.st_dev, st.st_ino}).second &&
                        (st.st_dev == folder.device || !isPseudo(path, st.st_dev))) {
                        children.push_back({path, st.st_dev, st.st_ino, volume});
                    }
                };
                if (values.isDirectory && rules.skipFolder(path)) {
                    continue;
                }
                if (IgnoresPathExtention::init(QString::fromUtf8(FilePath::pathExtension(path)).toLower())) {
                    if (values.isDirectory && values.isReadable) {
                        descend();
                    }
                    continue;
                }
                if (!values.isReadable) {
                    continue;
                }
                int64_t size = 0;
                if (values.isApplication) {
                    size = applicationSize(path);
                } else if (values.isRegularFile) {
                    size = values.totalFileSize;
                } else if (values.isDirectory) {
                    if (!values.isHidden) {
                        descend();
                    }
                    continue;
                }
                // Links, FIFOs, sockets and devices stay at size 0 and are never read.
                if (ignoredBy(settings.get(), whiteListed.get(), path, size, values)) {
                    continue;
                }
                if (!recorded.insert({st.st_dev, st.st_ino}).second) {
                    continue;  // another name of a file already recorded
                }
                found(path, size, std::move(values));
            }
            closedir(dir);
            // Keep directory order: the first child is taken next.
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                stack.push_back(std::move(*it));
            }
        }
    }
}

void ScanManager::scanDuplicateFile()
{
    {
        std::lock_guard lock(idleMutex_);
        if (scaning_.load() || bodyRunning_) {
            TSLOG("scan already running");
            return;
        }
        bodyRunning_ = true;
    }
    // The settings file is read afresh for every scan, before the engine
    // counts as scanning (settings offered during a scan are ignored).
    setScanSetupObj(std::make_shared<PerferenceInfo>());
    refreshWhiteList();
    scaning_.store(true);
    scanFinished_.store(false);
    removeFinished_.store(false);
    scanStop_.store(false);
    resetScan();
    const QByteArrayList folders = folderList();
    DispatchQueue::global().async([this, folders] { scanBody(folders); });
}

void ScanManager::stopScan()
{
    scanStop_.store(true);
    assembleSSDQueue_.cancelAllOperations();
    assembleHDDQueue_.cancelAllOperations();
    appendQueue_.cancelAllOperations();
    if (ScanManagerProtocol* d = delegate()) {
        d->stopScan();
    }
}

void ScanManager::progressTick(double total)
{
    std::lock_guard lock(progressMutex_);
    groupsDone_ += 1;
    const double value = std::min(1.0, groupsDone_ / total);
    scanningProgress_.store(value);
    if (ScanManagerProtocol* d = delegate()) {
        d->scanProgress(value);
    }
}

void ScanManager::append(const DuplicateFilesPtr& group)
{
    if (group->infos().isEmpty()) {
        return;
    }
    const int n = group->fileCount();
    const uint64_t s = group->totalSize();
    std::lock_guard lock(resultsMutex_);
    Results& r = results_;
    r.totalFilesCount += n;
    r.totalFilesSize += s;
    switch (group->fileType()) {
    case FileType::video:
        r.videoFilesCount += n;
        r.videoFilesSize += s;
        r.videoFiles.append(group);
        break;
    case FileType::audio:
        r.audioFilesCount += n;
        r.audioFilesSize += s;
        r.audioFiles.append(group);
        break;
    case FileType::picture:
        r.pictureFilesCount += n;
        r.pictureFilesSize += s;
        r.pictureFiles.append(group);
        break;
    case FileType::document:
        r.documentFilesCount += n;
        r.documentFilesSize += s;
        r.documentFiles.append(group);
        break;
    case FileType::other:
        r.otherFilesCount += n;
        r.otherFilesSize += s;
        r.otherFiles.append(group);
        break;
    }
    r.totalFiles.append(group);
}

void ScanManager::scanBody(const QByteArrayList& folders)
{
    if (ScanManagerProtocol* d = delegate()) {
        d->startScan();
    }
    disks_ = DiskInfo::allDevices();
    setScanPathsDiskType(folders);

    SizeMap sizes = filterSameSize(folders);
    if (scanStop_.load()) {
        sizes.clear();
    }
    const double total = static_cast<double>(sizes.size());
    {
        std::lock_guard lock(progressMutex_);
        groupsDone_ = 0;
    }
    for (auto& [size, records] : sizes) {
        if (scanStop_.load()) {
            if (ScanManagerProtocol* d = delegate()) {
                d->stopScan();
            }
            break;
        }
        if (records.size() < 2) {
            {
                std::lock_guard lock(ticksMutex_);
                ++pendingTicks_;
            }
            DispatchQueue::main().async([this, total] {
                progressTick(total);
                std::lock_guard lock(ticksMutex_);
                --pendingTicks_;
                ticksDone_.notify_all();
            });
            continue;
        }
        // Every size group is hashed: one whose volume is unknown goes to the
        // one-at-a-time queue, so progress still reaches its end.
        const std::optional<QByteArray> volume = records.front().resourceValues.volumeURL;
        const bool solid = volume && volumeIsSolidState(*volume).value_or(false);
        auto op = std::make_shared<AssembleOperation>(std::move(records), size);
        op->assemblingBlock = [this](const QString& path) {
            if (ScanManagerProtocol* d = delegate()) {
                d->scaningPath(path);
            }
        };
        op->assembleBlock = [this](const DuplicateFilesPtr& group) {
            appendQueue_.addOperation([this, group] { append(group); });
        };
        op->shouldStop = [this] { return scanStop_.load(); };
        op->setCompletionBlock([this, total] { progressTick(total); });
        (solid ? assembleSSDQueue_ : assembleHDDQueue_).addOperation(op);
    }
    assembleSSDQueue_.waitUntilAllOperationsAreFinished();
    assembleHDDQueue_.waitUntilAllOperationsAreFinished();
    // Groups handed over by the last operations are filed before the end is told.
    appendQueue_.waitUntilAllOperationsAreFinished();
    {
        std::unique_lock lock(ticksMutex_);
        ticksDone_.wait(lock, [this] { return pendingTicks_ == 0; });
    }
    {
        std::lock_guard lock(idleMutex_);
        scanFinished_.store(true);
        scaning_.store(false);
    }
    if (ScanManagerProtocol* d = delegate()) {
        d->scanFinished();
    }
    // Only now is the engine done with its delegate, so a screen that waits
    // for idle may go away.
    {
        std::lock_guard lock(idleMutex_);
        bodyRunning_ = false;
    }
    idle_.notify_all();
}

bool ScanManager::waitUntilIdle(int timeoutMs) const
{
    std::unique_lock lock(idleMutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !scaning_.load() && !bodyRunning_; });
}
