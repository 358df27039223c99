#include "Manager/LargeFilesManager.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "Manager/DiskInfo.h"
#include "Manager/FileHelper.h"
#include "Manager/ScanManager.h"
#include "Manager/UserPrompter.h"
#include "Manager/UserHomes.h"
#include "Model/FileTimeInfo.h"
#include "Model/PerferenceInfo.h"
#include "View/Extension/KPLExtension.h"

namespace {

// The large-file white list as normalised paths on disk.
std::vector<QByteArray> largeFileWhiteListOf(const PreferenceScanProtocol& settings)
{
    std::vector<QByteArray> paths;
    for (const QUrl& entry : settings.largeFileWhiteListPath()) {
        const QByteArray path = FilePath::normalized(FilePath::fromFileUrl(entry));
        if (!path.isEmpty()) {
            paths.push_back(path);
        }
    }
    return paths;
}

bool liesInAny(const QByteArray& path, const std::vector<QByteArray>& folders)
{
    if (folders.empty()) {
        return false;
    }
    const QByteArray clean = FilePath::normalized(path);
    return std::any_of(folders.begin(), folders.end(),
                       [&](const QByteArray& folder) { return FilePath::isSameOrBelow(clean, folder); });
}

// Progress reaches the screens at most this often.
constexpr double progressInterval = 1.0 / 60.0;

double systemNow()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// Takes the list out of the group before changing it, so the group holds no
// second reference and appending does not copy the whole list each time.
void appendToGroup(DuplicateFiles& group, const FileInfoPtr& file, uint64_t size)
{
    QList<FileInfoPtr> infos = group.infos();
    group.setInfos({});
    infos.append(file);
    group.setInfos(std::move(infos));
    group.setTotalSize(group.totalSize() + size);
}

}  // namespace

double getTodayTime(double now)
{
    const auto whole = static_cast<int64_t>(std::floor(now));
    const int64_t day = 86'400;
    return static_cast<double>(((whole % day) + day) % day);
}

double getTodayTime()
{
    return getTodayTime(systemNow());
}

LargeFilesManager& LargeFilesManager::default_()
{
    // Never destroyed: a removal run may still hold it while the process ends.
    static LargeFilesManager* instance = new LargeFilesManager();
    return *instance;
}

LargeFilesManager::LargeFilesManager() : removeQueue_(QStringLiteral("LargeFilesManager.removeQueue"))
{
    removeQueue_.setMaxConcurrentOperationCount(1);
    // The operations of a run suspend and resume this queue, never another.
    removeState_.removeQueue = &removeQueue_;
    removeState_.toldLate = [this] {
        if (auto d = delegate_.call()) {
            d->removedAfterEnd();
        }
    };
}

LargeFilesManager::~LargeFilesManager() = default;

double LargeFilesManager::now() const
{
    // The clock runs outside the lock: a clock that waits must not hold up
    // every other reader.
    std::function<double()> clock;
    {
        std::lock_guard lock(clockMutex_);
        clock = clock_;
    }
    return clock ? clock() : systemNow();
}

void LargeFilesManager::setClockForTesting(std::function<double()> clock)
{
    std::lock_guard lock(clockMutex_);
    clock_ = std::move(clock);
    // A clock set back must not hold back every progress report.
    lastFlushProgress_.store(0.0);
}

// ---- groups ------------------------------------------------------------------

int LargeFilesManager::sizeGroupIndex(uint64_t size)
{
    if (size >= 5'000'000'000ULL) {
        return size5GB;
    }
    if (size >= 1'000'000'000ULL) {
        return size1GB;
    }
    if (size >= 500'000'000ULL) {
        return size500MB;
    }
    return size10MB;
}

int LargeFilesManager::ageGroupIndex(double age, double today)
{
    if (age < today) {
        return LargeFilesManager::today;
    }
    if (age < 604'800.0) {
        return thisWeek;
    }
    if (age < 2'592'000.0) {
        return olderThanAWeek;
    }
    if (age < 31'536'000.0) {
        return olderThanAMonth;
    }
    return olderThanAYear;
}

int LargeFilesManager::kindGroupIndex(FileType type)
{
    switch (type) {
    case FileType::document:
        return documentGroup;
    case FileType::picture:
        return pictureGroup;
    case FileType::audio:
        return audioGroup;
    case FileType::video:
        return videoGroup;
    case FileType::other:
        break;
    }
    return otherGroup;
}

// ---- scan --------------------------------------------------------------------

QByteArrayList LargeFilesManager::folderList() const
{
    std::lock_guard lock(folderMutex_);
    return folderList_;
}

void LargeFilesManager::setFolderList(const QByteArrayList& folders)
{
    std::lock_guard lock(folderMutex_);
    folderList_ = folders;
}

DuplicateFilesList LargeFilesManager::allFiles() const
{
    std::lock_guard lock(filesMutex_);
    return allFiles_;
}

std::shared_ptr<PreferenceScanProtocol> LargeFilesManager::scanSetupObj() const
{
    std::lock_guard lock(filesMutex_);
    return scanSetupObj_;
}

void LargeFilesManager::scanLargeFile()
{
    stopScanLargeFileFig_.store(false);
    scanLargeFileTimeStart_.store(now());
    // A stop before the walk ends the scan with nothing of the last one's.
    rootReport_.begin({});
    if (auto d = delegate_.call()) {
        d->startScan();
    }
    // The settings file as it is now: a save during a duplicate scan, which
    // keeps its own settings until it ends, still reaches this scan.
    std::shared_ptr<PreferenceScanProtocol> settings = readSettings();
    {
        std::lock_guard lock(filesMutex_);
        allFiles_.clear();
        scanSetupObj_ = std::move(settings);
        for (int i = 0; i < groupCount; ++i) {
            allFiles_.append(std::make_shared<DuplicateFiles>());
        }
    }
    filterSameSize(folderList());
    if (auto d = delegate_.call()) {
        d->scanFinished();
    }
}

void LargeFilesManager::stopScanLargeFile()
{
    {
        // Waits for a file being filed; once the flag is set under the lock
        // the walk files nothing more.
        std::lock_guard lock(filesMutex_);
        stopScanLargeFileFig_.store(true);
    }
    if (auto d = delegate_.call()) {
        d->scanFinished();
    }
}

void LargeFilesManager::addInArry(const FileTimeData& fileTimeData, const ResourceValueURL& resourceValuesURL)
{
    auto file = std::make_shared<FileTimeInfo>(resourceValuesURL, fileTimeData);
    file->icon();
    const uint64_t size = fileTimeData.size;
    const double moment = now();
    const double age = moment - static_cast<double>(fileTimeData.timeMtimespec);
    const int kind = kindGroupIndex(file->fileType());
    const int band = sizeGroupIndex(size);
    const int ageBand = ageGroupIndex(age, getTodayTime(moment));

    int count = 0;
    {
        std::lock_guard lock(filesMutex_);
        if (stopScanLargeFileFig_.load() || allFiles_.size() != groupCount) {
            return;
        }
        appendToGroup(*allFiles_[kind], file, size);
        appendToGroup(*allFiles_[band], file, size);
        appendToGroup(*allFiles_[ageBand], file, size);
        appendToGroup(*allFiles_[allGroup], file, size);
        count = allFiles_[allGroup]->fileCount();
    }
    if (moment - lastFlushProgress_.load() > progressInterval) {
        lastFlushProgress_.store(moment);
        reportProgress(count, file->displayPath());
    }
}

void LargeFilesManager::reportProgress(int count, const QString& path)
{
    // The count and path are taken now; the block never reads the groups.
    DispatchQueue::main().async([this, count, path] {
        if (auto d = delegate_.call()) {
            d->scanProgress(static_cast<double>(count));
            d->scaningPath(path);
        }
    });
}

int LargeFilesManager::filterSameSize(const QByteArrayList& folders)
{
    ScanManager& scanManager = ScanManager::default_();
    ScanManager::RootChoice choice = ScanManager::scanRoots(folders, UserHomes::otherUsersHomes());
    rootReport_.begin(std::move(choice.leftOut));
    const QList<QByteArray> roots = deleteSonPath(choice.roots);
    ScanManager::WalkRules rules;
    rules.leftOut = [this](const QByteArray& root, LeftOutFolder::Reason reason) { rootReport_.add(root, reason); };
    rules.settings = scanSetupObj();
    const std::vector<QByteArray> whiteList = rules.settings ? largeFileWhiteListOf(*rules.settings) : std::vector<QByteArray>();
    const auto whiteListed = [&whiteList](const QByteArray& path) { return liesInAny(path, whiteList); };
    rules.stop = [this] { return stopScanLargeFileFig_.load(); };
    rules.skipRoot = whiteListed;
    if (!whiteList.empty()) {
        rules.skipFolder = whiteListed;
    }
    const int entered = scanManager.walk(roots, rules, [this](const ScanManager::WalkItem& item) {
        // A regular file's stat is the walk's own: small ones need no second
        // look, and large ones no second stat.
        std::optional<FileTimeData> data;
        if (S_ISREG(item.st.st_mode)) {
            if (static_cast<uint64_t>(std::max<off_t>(item.st.st_size, 0)) < largeFileMinimumSize) {
                return;
            }
            data = FileHelper::fileTimeData(item.st);
        } else {
            // The threshold is tested on what stat says (a link's target),
            // after the cheaper filters of the walk.
            data = FileHelper::fileTimeData(item.path());
        }
        if (data && data->size >= largeFileMinimumSize) {
            addInArry(*data, ResourceValueURL(item.path(), item.resourceValues()));
        }
    });
    rootReport_.end(entered, stopScanLargeFileFig_.load());
    std::lock_guard lock(filesMutex_);
    return allFiles_.isEmpty() ? 0 : allFiles_[allGroup]->fileCount();
}

// ---- roots -------------------------------------------------------------------

QByteArray LargeFilesManager::isFatherPath(const QByteArray& path1, const QByteArray& path2)
{
    const QByteArray a = FilePath::normalized(path1);
    const QByteArray b = FilePath::normalized(path2);
    if (a.isEmpty() || b.isEmpty() || a == b) {
        return {};
    }
    const bool firstLonger = a.size() >= b.size();
    const QByteArray& longer = firstLonger ? a : b;
    const QByteArray& shorter = firstLonger ? b : a;
    if (FilePath::isSameOrBelow(longer, shorter)) {
        return firstLonger ? path2 : path1;
    }
    return {};
}

int LargeFilesManager::isFatherPathIndex(const QByteArray& path1, const QByteArray& path2)
{
    const QByteArray father = isFatherPath(path1, path2);
    if (father.isEmpty()) {
        return 0;
    }
    return father == path1 ? 1 : 2;
}

QList<QByteArray> LargeFilesManager::deleteSonPath(const QList<QByteArray>& listPath)
{
    QList<QByteArray> distinct;
    for (const QByteArray& path : listPath) {
        const QByteArray clean = FilePath::normalized(path);
        if (!clean.isEmpty() && !distinct.contains(clean)) {
            distinct.append(clean);
        }
    }
    QList<QByteArray> result;
    for (const QByteArray& path : distinct) {
        const bool nested = std::any_of(distinct.begin(), distinct.end(), [&](const QByteArray& other) {
            return other != path && FilePath::isSameOrBelow(path, other);
        });
        if (!nested) {
            result.append(path);
        }
    }
    return result;
}

bool LargeFilesManager::whitePathIgnore(const QByteArray& path) const
{
    const auto settings = scanSetupObj();
    return settings && liesInAny(path, largeFileWhiteListOf(*settings));
}

void LargeFilesManager::setSettingsReaderForTesting(std::function<std::shared_ptr<PreferenceScanProtocol>()> reader)
{
    std::lock_guard lock(filesMutex_);
    settingsReader_ = std::move(reader);
}

std::shared_ptr<PreferenceScanProtocol> LargeFilesManager::readSettings() const
{
    std::function<std::shared_ptr<PreferenceScanProtocol>()> reader;
    {
        std::lock_guard lock(filesMutex_);
        reader = settingsReader_;
    }
    return reader ? reader() : std::make_shared<PerferenceInfo>();
}

// ---- usage events ------------------------------------------------------------

QString LargeFilesManager::stopSizeCountString() const
{
    uint64_t total = 0;
    int count = 0;
    {
        std::lock_guard lock(filesMutex_);
        if (!allFiles_.isEmpty()) {
            total = allFiles_[allGroup]->totalSize();
            count = allFiles_[allGroup]->fileCount();
        }
    }
    return QStringLiteral("%1_%2_%3")
        .arg(stopScanLargeFileFig_.load() ? QStringLiteral("b") : QStringLiteral("a"))
        .arg(transformedFileSize(total, false, true))
        .arg(count);
}

void LargeFilesManager::scanGA(double progressValue)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString key = QStringLiteral("LargeFileCompleteScanCount");
    const uint64_t stored = defaults.value<uint64_t>(key).value_or(0);
    defaults.setObject(QVariant::fromValue<quint64>(stored + 1), key);
    const uint64_t count = defaults.value<uint64_t>(key).value_or(stored + 1);

    const auto elapsed = static_cast<int64_t>(std::ceil(now() - scanLargeFileTimeStart_.load()));
    const double percent = progressValue * 100.0;
    const QString percentText = percent > 100.0 ? QStringLiteral("100") : QString::asprintf("%.0f", percent);
    const QString label = QStringLiteral("%1_%2_%3_%4_Large")
                              .arg(QString::number(count), stopSizeCountString(), QString::number(elapsed), percentText);
    asyncGALog(QStringLiteral("Process"), QStringLiteral("CompleteScan"), label);
}

// ---- removal -----------------------------------------------------------------

void LargeFilesManager::setRemoveProgressHandler(std::function<void(double)> handler)
{
    std::lock_guard lock(removeMutex_);
    removeProgressHandler_ = std::move(handler);
}

void LargeFilesManager::sendBeforeRemoveEvent(const QString& action, const QString& label)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString key = QStringLiteral("RemoverCount");
    if (!defaults.boolForKey(key)) {
        defaults.setInteger(1, key);
    } else if (const std::optional<qint64> n = defaults.value<qint64>(key)) {
        defaults.setInteger(*n + 1, key);
    } else {
        return;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), action, label);
}

void LargeFilesManager::removeDuplicateFiles(const RemoveType& type)
{
    int selected = 0;
    int total = 0;
    uint64_t selectedSize = 0;
    uint64_t totalSize = 0;
    {
        std::lock_guard lock(filesMutex_);
        if (!allFiles_.isEmpty()) {
            const DuplicateFiles& all = *allFiles_[allGroup];
            total = all.fileCount();
            totalSize = all.totalSize();
            selected = all.selectedCount();
            selectedSize = all.selectedSize();
        }
    }
    sendBeforeRemoveEvent(QStringLiteral("LargeSelectquantity"), QStringLiteral("%1_%2").arg(selected).arg(total));
    sendBeforeRemoveEvent(QStringLiteral("LargeSelectsize"), QStringLiteral("%1_%2").arg(
                                                                 transformedFileSize(selectedSize, false, true),
                                                                 transformedFileSize(totalSize, false, true)));

    removesucceedCount_.store(0);
    removesucceedSize_.store(0);
    {
        std::lock_guard lock(removeMutex_);
        // This run's own flags: nothing left over from an earlier run of
        // this or any other engine decides how its files go.
        removeState_.reset();
        ++runsInFlight_;
    }
    DispatchQueue::global().async([this, type] {
        removeRun(type);
        endRun();
    });
}

void LargeFilesManager::endRun()
{
    std::lock_guard lock(removeMutex_);
    --runsInFlight_;
    removeIdle_.notify_all();
}

bool LargeFilesManager::waitUntilRemoveIdle(int timeoutMs) const
{
    std::unique_lock lock(removeMutex_);
    return removeIdle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return runsInFlight_ == 0; });
}

void LargeFilesManager::removeRun(RemoveType type)
{
    FileManager& fm = FileManager::default_();
    QByteArray destination;
    switch (type.kind()) {
    case RemoveType::Kind::trash: {
        Error error;
        if (!Trash::checkUsable(&error)) {
            UserPrompter::shared().showTrashUnusable(error);
            return;
        }
        destination = Trash::filesFolder();
        break;
    }
    case RemoveType::Kind::forever_:
        break;
    case RemoveType::Kind::folder:
        destination = type.path();
        break;
    }
    if (type.kind() != RemoveType::Kind::forever_ && !fm.fileExists(destination)) {
        // Nothing was started, so the screen waits for nothing.
        UserPrompter::shared().showContentFolderNotExist();
        return;
    }
    RemoveOperation::putBackAsideItems();
    if (!destination.isEmpty()) {
        RemoveOperation::clearLeftovers(destination);
    }
    const QByteArray volume = destination.isEmpty() ? QByteArray() : fm.volumePath(destination).value_or(QByteArray());

    DuplicateFilesList groups;
    int count = 0;
    uint64_t needed = 0;
    {
        std::lock_guard lock(filesMutex_);
        for (const DuplicateFilesPtr& group : std::as_const(allFiles_)) {
            if (group->selectedSize() > 0) {
                groups.append(group);
            }
        }
        // Every file sits in group 0 once, so it counts each file once.
        if (!allFiles_.isEmpty()) {
            for (const FileInfoPtr& file : allFiles_[allGroup]->infos()) {
                if (!file->selected()) {
                    continue;
                }
                ++count;
                const std::optional<QByteArray>& fileVolume = file->resourceValue().resourceValues.volumeURL;
                if (!fileVolume || volume.isEmpty() || *fileVolume != volume) {
                    needed += file->size();
                }
            }
        }
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const DuplicateFilesPtr& a, const DuplicateFilesPtr& b) { return a->totalSize() < b->totalSize(); });
    moveToFolder(destination, count, needed, groups);
}

void LargeFilesManager::moveToFolder(const QByteArray& destination, int count, uint64_t needed,
                                     const DuplicateFilesList& groups)
{
    FileManager& fm = FileManager::default_();
    const uint64_t free = destination.isEmpty() ? 0 : fm.systemFreeSize(destination).value_or(0);
    if (!destination.isEmpty()) {
        ::log(QStringList{QStringLiteral("system free size = "), QString::number(free),
                          QStringLiteral(", selected file size = "), QString::number(needed)},
              "moveToFolder(_:_:_:_:)", __FILE__, __LINE__);
        if (free < needed) {
            DispatchQueue::main().async([this, destination, needed, free] {
                if (auto d = delegate_.call()) {
                    d->stopRemove();
                }
                showInsufficientSpace(destination, needed, free);
            });
            return;
        }
    }

    {
        std::lock_guard lock(removeMutex_);
        takenPaths_.clear();
        removedFiles_.clear();
        freedSize_ = 0;
        reported_ = 0;
        selectedCount_ = count;
    }
    // Told from here and waited for, as the duplicate removal does: the
    // screen's removal view takes the place of the result panels before a
    // group changes, so no panel reads a group while it is rewritten.
    if (auto d = delegate_.call()) {
        d->startRemove();
    }

    int before = 0;
    {
        std::lock_guard lock(filesMutex_);
        before = allFiles_.isEmpty() ? 0 : allFiles_[allGroup]->fileCount();
    }
    std::vector<std::shared_ptr<Operation>> operations;
    for (const DuplicateFilesPtr& group : groups) {
        if (removeState_.removeStop.load()) {
            break;
        }
        // Each group's turn starts with what earlier turns removed taken
        // out of every group, as if each file had been taken out the
        // moment it went.
        auto takeOut = std::make_shared<BlockOperation>([this] { takeOutRemoved(); });
        operations.push_back(takeOut);
        removeQueue_.addOperation(takeOut);
        auto operation = std::make_shared<RemoveOperation>(group, destination, removeState_);
        operation->setRemoveBlock([this](const FileInfoPtr& file, FileType, uint64_t freed) { fileRemoved(file, freed); });
        operations.push_back(operation);
        removeQueue_.addOperation(operation);
    }
    // After a stop, a file in hand on a mount that stopped answering is left
    // behind: what it brings back later changes nothing here.
    removeState_.waitForOperations(operations);
    // A stop question open now is answered before the run ends.
    removeState_.waitWhileHeld();
    // Also after a stop, which cancels the turns still waiting.
    takeOutRemoved();

    uint64_t removedSize = 0;
    double progress = 1.0;
    {
        std::lock_guard lock(removeMutex_);
        // A name of a file that keeps another frees nothing.
        removedSize = freedSize_;
        progress = selectedCount_ > 0 ? static_cast<double>(reported_) / selectedCount_ : 1.0;
    }
    // The reports are paced, so the last ones may not have been shown: the
    // removal screen ends on what was really removed (short of 1 when some
    // files could not be).
    showRemoveProgress(progress);
    {
        std::lock_guard lock(filesMutex_);
        const int after = allFiles_.isEmpty() ? 0 : allFiles_[allGroup]->fileCount();
        removesucceedCount_.store(before - after);
        removesucceedSize_.store(removedSize);
        sumGroupsLocked();
    }
    std::fprintf(stdout, "删掉文件数量 %d\n", removesucceedCount_.load());
    std::fflush(stdout);

    DispatchQueue::main().async([this] {
        if (auto d = delegate_.call()) {
            d->removeFinished();
        }
    });
}

void LargeFilesManager::fileRemoved(const FileInfoPtr& file, uint64_t freed)
{
    {
        // Taken out of the groups before the next group's turn: a pass over
        // every group for each file made a removal of many files out of
        // many take minutes.
        std::lock_guard lock(filesMutex_);
        ++removedPaths_[file->path()];
    }
    double progress = 0;
    {
        std::lock_guard lock(removeMutex_);
        if (!takenPaths_.contains(file->path())) {
            takenPaths_.insert(file->path());
            removedFiles_.append(file);
            freedSize_ += freed;
        }
        ++reported_;
        progress = selectedCount_ > 0 ? static_cast<double>(reported_) / selectedCount_ : 1.0;
    }
    const double moment = now();
    if (moment - lastFlushProgress_.load() > progressInterval || progress >= 1.0) {
        lastFlushProgress_.store(moment);
        showRemoveProgress(progress);
    }
}

void LargeFilesManager::sumGroupsLocked()
{
    for (const DuplicateFilesPtr& group : std::as_const(allFiles_)) {
        uint64_t sum = 0;
        for (const FileInfoPtr& file : group->infos()) {
            sum += file->size();
        }
        group->setTotalSize(sum);
    }
}

LateRemovals LargeFilesManager::takeLateRemovals()
{
    const std::vector<LateRemoval> late = removeState_.takeLate();
    LateRemovals taken;
    if (late.empty()) {
        return taken;
    }
    {
        std::lock_guard lock(filesMutex_);
        for (const LateRemoval& removal : late) {
            const QByteArray& path = removal.file->path();
            const bool shown = !removal.file->deleted() && !allFiles_.isEmpty() &&
                               std::any_of(allFiles_[allGroup]->infos().begin(), allFiles_[allGroup]->infos().end(),
                                           [&path](const FileInfoPtr& file) { return file->path() == path; });
            removal.file->setDeleted(true);
            if (shown) {
                ++removedPaths_[path];
                taken.count += 1;
                taken.size += removal.freed;
            }
        }
    }
    takeOutRemoved();
    std::lock_guard lock(filesMutex_);
    sumGroupsLocked();
    return taken;
}

void LargeFilesManager::showRemoveProgress(double progress)
{
    DispatchQueue::main().async([this, progress] {
        std::function<void(double)> current;
        {
            std::lock_guard lock(removeMutex_);
            current = removeProgressHandler_;
        }
        if (current) {
            current(progress);
        }
    });
}

void LargeFilesManager::takeOutRemoved()
{
    std::lock_guard lock(filesMutex_);
    if (removedPaths_.isEmpty()) {
        return;
    }
    for (const DuplicateFilesPtr& group : std::as_const(allFiles_)) {
        // Each report takes out the first entry of its path that is left,
        // the others keep their order.
        QHash<QByteArray, int> left = removedPaths_;
        QList<FileInfoPtr> kept;
        kept.reserve(group->infos().size());
        bool changed = false;
        for (const FileInfoPtr& entry : group->infos()) {
            const auto at = left.find(entry->path());
            if (at != left.end() && at.value() > 0) {
                --at.value();
                changed = true;
                continue;
            }
            kept.append(entry);
        }
        if (changed) {
            group->setInfos(std::move(kept));
        }
    }
    removedPaths_.clear();
}

void LargeFilesManager::stopRemove()
{
    removeState_.removeStop.store(true);
    removeQueue_.cancelAllOperations();
    if (auto d = delegate_.call()) {
        d->stopRemove();
    }
}

void LargeFilesManager::showInsufficientSpace(const QByteArray& destination, uint64_t needed, uint64_t free)
{
    // A volume without a label is named by its mount point, so the notice
    // always has a name to show.
    const QString volume =
        FileManager::default_().volumeName(destination).value_or(QFile::decodeName(destination));
    const QString message = fillPlaceholders(
        localized("There is insufficient space on disk %@. Please choose to permanently delete these files or you can "
                  "free up %@ space on disk %@ before removing duplicate files."),
        {volume, transformedFileSize(needed - free, true, true), volume});
    UserPrompter::shared().ask(UserPrompter::Kind::determine, message, localized("OK"), QString(), nullptr);
}
