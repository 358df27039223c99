#include "ScanManager.h"

#include <algorithm>
#include <chrono>
#include <map>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "Foundation/Dispatch.h"
#include "Main/Utilities.h"
#include "Manager/AssembleOperation.h"
#include "Manager/WalkTable.h"
#include "Model/PerferenceInfo.h"

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
    setScanStop(true);
    assembleSSDQueue_.cancelAllOperations();
    assembleHDDQueue_.cancelAllOperations();
    // Append steps already queued are left to run: they file groups whose
    // hashing is done, which a stopped scan still hands over.
    if (ScanManagerProtocol* d = delegate()) {
        d->stopScan();
    }
}

void ScanManager::wakeTickWait()
{
    // Taken so that a body between its test and its wait cannot miss it.
    { std::lock_guard lock(ticksMutex_); }
    ticksDone_.notify_all();
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

namespace {
// Operations made ahead of the queues: enough to keep every worker busy.
constexpr int kOperationsQueued = 64;
// A full window is refilled once this few are left in it, in one go: the
// scan is woken once per many finished operations instead of once for each.
constexpr int kRefillMark = kOperationsQueued / 2;
// A group with at least this many bytes to read goes to the workers first.
constexpr uint64_t kHeavyBytes = 4 << 20;
}  // namespace

void ScanManager::tickSingles(double total, int count)
{
    if (count == 0) {
        return;
    }
    uint64_t epoch = 0;
    {
        std::lock_guard lock(ticksMutex_);
        ++pendingTicks_;
        epoch = ticksEpoch_;
    }
    // One hop to the main queue carries a run of single-file sizes; each
    // still reports its own step.
    DispatchQueue::main().async([this, total, count, epoch] {
        {
            std::lock_guard lock(ticksMutex_);
            if (epoch != ticksEpoch_) {
                return;  // its scan ended without it
            }
        }
        // Reported unlocked, so a delegate may stop the scan from there. A
        // new scan is started on this thread, so none can begin meanwhile.
        for (int i = 0; i < count; ++i) {
            progressTick(total);
        }
        std::lock_guard lock(ticksMutex_);
        if (epoch == ticksEpoch_) {
            --pendingTicks_;
            ticksDone_.notify_all();
        }
    });
}

std::shared_ptr<AssembleOperation> ScanManager::makeAssembleOperation(const std::shared_ptr<const WalkTable>& table,
                                                                      const WalkTable::SizeEntry& entry)
{
    auto op = std::make_shared<AssembleOperation>(table, entry.begin, entry.count, entry.size);
    op->assemblingBlock = [this](const QString& path) {
        if (ScanManagerProtocol* d = delegate()) {
            d->scaningPath(path);
        }
    };
    op->shouldStop = [this] { return scanStop_.load(); };
    return op;
}

void ScanManager::scanBody(const QByteArrayList& folders)
{
    if (ScanManagerProtocol* d = delegate()) {
        d->startScan();
    }
    // While the walk runs, so the first group's icons wait for nothing.
    DispatchQueue::global().async([] { FileInfo::prepareIconLookups(); });
    disks_ = DiskInfo::allDevices();
    setScanPathsDiskType(folders);

    std::shared_ptr<const WalkTable> table = walkTable(folders, false);
    static const std::vector<WalkTable::SizeEntry> none;
    const std::vector<WalkTable::SizeEntry>& sizes = scanStop_.load() ? none : table->sizes();
    const double total = static_cast<double>(sizes.size());
    {
        std::lock_guard lock(progressMutex_);
        groupsDone_ = 0;
    }
    const std::optional<bool> solidOverride = solidStateForTesting();

    // Groups on a spinning disk first go where several are read at once,
    // but read nothing unless their files are in memory; the others come
    // back deferred and are read one at a time afterwards. Operations are
    // made as the queues drain, so their records never all wait at once.
    struct Flight {
        std::mutex mutex;
        std::condition_variable changed;
        int queued = 0;  // operations made and not yet finished
        std::vector<std::shared_ptr<AssembleOperation>> deferred;
    };
    const auto flight = std::make_shared<Flight>();
    // A full window waits until it has drained to the refill mark.
    const auto admit = [&flight] {
        std::unique_lock lock(flight->mutex);
        if (flight->queued >= kOperationsQueued) {
            flight->changed.wait(lock, [&] { return flight->queued <= kRefillMark; });
        }
        ++flight->queued;
    };
    // Only the scan waits here: for room in the window, or for it to empty.
    const auto landed = [](Flight& f, std::shared_ptr<AssembleOperation> deferred) {
        std::lock_guard lock(f.mutex);
        --f.queued;
        if (deferred) {
            f.deferred.push_back(std::move(deferred));
        }
        if (f.queued == kRefillMark || f.queued == 0) {
            f.changed.notify_one();
        }
    };

    // Groups reach the results in the order their operations were made
    // (sizes ascending, then the cold ones in the order of the disk), however
    // the workers finish: the lists read the same on every run and medium.
    struct Filing {
        std::mutex mutex;
        uint64_t next = 0;
        std::map<uint64_t, std::vector<DuplicateFilesPtr>> done;
    };
    const auto filing = std::make_shared<Filing>();
    uint64_t sequence = 0;
    const auto collect = [](AssembleOperation& op) {
        auto groups = std::make_shared<std::vector<DuplicateFilesPtr>>();
        // Called on the operation's own thread, before its completion.
        op.assembleBlock = [groups](const DuplicateFilesPtr& group) { groups->push_back(group); };
        return groups;
    };
    const auto file = [this, filing](uint64_t number, std::vector<DuplicateFilesPtr> groups) {
        std::lock_guard lock(filing->mutex);
        filing->done.emplace(number, std::move(groups));
        // What is now next in order goes over in one step of the append
        // queue, not one step per group.
        std::vector<DuplicateFilesPtr> ready;
        for (auto it = filing->done.begin(); it != filing->done.end() && it->first == filing->next;
             it = filing->done.erase(it), ++filing->next) {
            ready.insert(ready.end(), std::make_move_iterator(it->second.begin()),
                         std::make_move_iterator(it->second.end()));
        }
        if (!ready.empty()) {
            appendQueue_.addOperation([this, ready = std::move(ready)] {
                for (const DuplicateFilesPtr& group : ready) {
                    append(group);
                }
            });
        }
    };

    // Each group of two or more files is numbered in the order of its size;
    // the heavy ones (many bytes to hash) are handed to the workers first,
    // so that none of them is left running alone at the end while the
    // other workers idle. Their numbers still file them in size order.
    std::vector<uint64_t> numbers(sizes.size(), 0);
    std::vector<size_t> order;  // the heavy groups, then the rest by size
    std::vector<size_t> rest;
    rest.reserve(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].count >= 2) {
            numbers[i] = sequence++;
            if (uint64_t(sizes[i].size) * sizes[i].count >= kHeavyBytes) {
                order.push_back(i);
                continue;
            }
        }
        rest.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&sizes](size_t a, size_t b) {
        return uint64_t(sizes[a].size) * sizes[a].count > uint64_t(sizes[b].size) * sizes[b].count;
    });
    order.insert(order.end(), rest.begin(), rest.end());
    rest = {};

    // The body tells a stop it sees between groups once, whichever phase.
    bool stopTold = false;
    const auto tellStop = [this, &stopTold] {
        if (stopTold) {
            return;
        }
        stopTold = true;
        if (ScanManagerProtocol* d = delegate()) {
            d->stopScan();
        }
    };
    int singles = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        const WalkTable::SizeEntry& entry = sizes[order[k]];
        if (scanStop_.load()) {
            tickSingles(total, singles);
            singles = 0;
            // The groups never handed to a worker will not come: their
            // numbers are passed over, so every group already hashed (the
            // heavy ones ran first, under higher numbers) is still filed.
            for (size_t j = k; j < order.size(); ++j) {
                if (sizes[order[j]].count >= 2) {
                    file(numbers[order[j]], {});
                }
            }
            tellStop();
            break;
        }
        if (entry.count < 2) {
            if (++singles == 256) {
                tickSingles(total, singles);
                singles = 0;
            }
            continue;
        }
        tickSingles(total, singles);
        singles = 0;
        // Every size group is hashed: one whose volume is unknown counts as
        // on a spinning disk.
        const std::optional<QByteArray>& volume = table->volume(table->files()[entry.begin]);
        const bool solid = solidOverride ? *solidOverride : volume && volumeIsSolidState(*volume).value_or(false);
        std::shared_ptr<AssembleOperation> op = makeAssembleOperation(table, entry);
        op->parallelQueue = true;
        op->setResidentOnly(!solid);
        std::weak_ptr<AssembleOperation> weak = op;
        op->setCompletionBlock([this, total, flight, weak, landed, file, number = numbers[order[k]], groups = collect(*op)] {
            const std::shared_ptr<AssembleOperation> self = weak.lock();
            const bool deferred = self && self->deferred();
            // A deferred group reports its step when it is read.
            if (!deferred) {
                progressTick(total);
            }
            file(number, std::move(*groups));
            landed(*flight, deferred ? self : nullptr);
        });
        admit();
        assembleSSDQueue_.addOperation(op);
    }
    tickSingles(total, singles);

    {
        std::unique_lock lock(flight->mutex);
        flight->changed.wait(lock, [&] { return flight->queued == 0; });
    }
    // The groups not in memory, one at a time, in the order of their place
    // on the disk, each file in that order too, so the head sweeps once.
    std::vector<std::shared_ptr<AssembleOperation>> cold;
    {
        std::lock_guard lock(flight->mutex);
        cold.swap(flight->deferred);
    }
    std::stable_sort(cold.begin(), cold.end(), [](const auto& a, const auto& b) { return a->diskPlace() < b->diskPlace(); });
    for (auto& probe : cold) {
        if (scanStop_.load()) {
            tellStop();
            break;
        }
        const auto& order = probe->diskOrder();
        const WalkTable::SizeEntry entry{table->files()[order.front()].size,
                                         *std::min_element(order.begin(), order.end()), uint32_t(order.size())};
        std::shared_ptr<AssembleOperation> op = makeAssembleOperation(table, entry);
        op->setReadOrder(order, probe->deferredWholeOnly());
        probe.reset();
        op->setCompletionBlock([this, total, flight, landed, file, number = sequence++, groups = collect(*op)] {
            progressTick(total);
            file(number, std::move(*groups));
            landed(*flight, nullptr);
        });
        admit();
        // Within the window of operations made ahead, so the edges asked for
        // are few and still in memory when their group is read.
        op->prefetchEdges();
        assembleHDDQueue_.addOperation(op);
    }
    cold.clear();
    assembleSSDQueue_.waitUntilAllOperationsAreFinished();
    assembleHDDQueue_.waitUntilAllOperationsAreFinished();
    table.reset();
    // Groups handed over by the last operations are filed before the end is told.
    appendQueue_.waitUntilAllOperationsAreFinished();
    {
        // The ticks run on the main thread, which may itself be waiting for
        // this scan to end (a screen going away stops it and waits): after a
        // stop the ticks still pending are given up instead.
        std::unique_lock lock(ticksMutex_);
        ticksDone_.wait(lock, [this] { return pendingTicks_ == 0 || scanStop_.load(); });
        if (pendingTicks_ != 0) {
            ++ticksEpoch_;
            pendingTicks_ = 0;
        }
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

void ScanManager::setSolidStateForTesting(std::optional<bool> solid)
{
    std::lock_guard lock(volumeMutex_);
    solidOverride_ = solid;
}

std::optional<bool> ScanManager::solidStateForTesting() const
{
    std::lock_guard lock(volumeMutex_);
    return solidOverride_;
}

bool ScanManager::waitUntilIdle(int timeoutMs) const
{
    std::unique_lock lock(idleMutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !scaning_.load() && !bodyRunning_; });
}

