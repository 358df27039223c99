#include "ScanManager.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>

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
    removeState_.toldLate = [this] {
        if (auto d = delegate_.call()) {
            d->removedAfterEnd();
        }
    };
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
    if (auto d = delegate_.call()) {
        d->stopScan();
    }
}

void ScanManager::wakeTickWait()
{
    // Taken so that a body between its test and its wait cannot miss it.
    { std::lock_guard lock(ticksMutex_); }
    ticksDone_.notify_all();
}

ScanManager::Results::Kind ScanManager::Results::of(FileType type)
{
    switch (type) {
    case FileType::video: return {videoFiles, videoFilesCount, videoFilesSize};
    case FileType::audio: return {audioFiles, audioFilesCount, audioFilesSize};
    case FileType::picture: return {pictureFiles, pictureFilesCount, pictureFilesSize};
    case FileType::document: return {documentFiles, documentFilesCount, documentFilesSize};
    case FileType::other: break;
    }
    return {otherFiles, otherFilesCount, otherFilesSize};
}

void ScanManager::append(const DuplicateFilesPtr& group)
{
    if (group->infos().isEmpty()) {
        return;
    }
    const int n = group->fileCount();
    const uint64_t s = group->totalSize();
    std::lock_guard lock(resultsMutex_);
    for (const Results::Kind& kind : {results_.of(group->fileType()), results_.all()}) {
        kind.count += n;
        kind.size += s;
        kind.files.append(group);
    }
}

namespace {
// Operations made ahead of the queues: enough to keep every worker busy.
constexpr int kOperationsQueued = 64;
// A full window is refilled once this few are left in it, in one go: the
// scan is woken once per many finished operations instead of once for each.
constexpr int kRefillMark = kOperationsQueued / 2;
// A group with at least this many bytes to read goes to the workers first.
constexpr uint64_t kHeavyBytes = 4 << 20;
// How often a waiting scan body looks whether it was stopped.
constexpr auto kStopPoll = std::chrono::milliseconds(20);
// How long a stopped scan waits for its operations to notice the stop: one
// stuck in a read that does not return (a stalled network or FUSE mount)
// is left behind after this, so the stopped results show at once.
constexpr auto kStopGrace = std::chrono::milliseconds(600);
// What each file of a size group costs beside its bytes: opening it and
// reading its edges weigh about as much as reading this many bytes.
constexpr uint64_t kFileWork = 4096;

// The work a size costs, in bytes to read: a size held by one file costs
// nothing to read and counts as one byte, so a scan of such sizes alone
// still moves from 0 to 1.
uint64_t workOf(const WalkTable::SizeEntry& entry)
{
    return entry.count < 2 ? 1 : uint64_t(entry.count) * (uint64_t(entry.size) + kFileWork);
}

// The groups an operation hands over, gathered on its own thread before its
// completion runs.
std::shared_ptr<std::vector<DuplicateFilesPtr>> collectGroups(AssembleOperation& op)
{
    auto groups = std::make_shared<std::vector<DuplicateFilesPtr>>();
    op.assembleBlock = [groups](const DuplicateFilesPtr& group) { groups->push_back(group); };
    return groups;
}

// Mount points of file systems kept in memory: they have no disk behind
// them, and nothing there ever waits for a head to move.
QSet<QByteArray> memoryVolumes()
{
    QSet<QByteArray> out;
    const std::shared_ptr<const MountTable> mounts = MountTable::read();
    for (const MountEntry& entry : mounts->entries()) {
        if (entry.fileSystemType == "tmpfs" || entry.fileSystemType == "ramfs") {
            out.insert(entry.mountPoint);
        }
    }
    return out;
}
}  // namespace

// What one scan shares with its operations and its progress steps. They
// hold it, not the engine's state, so an operation that returns after its
// scan gave up on it (a read that did not return) changes nothing of the
// results shown or of a later scan.
struct ScanManager::ScanRun {
    std::shared_ptr<const WalkTable> table;
    const std::vector<WalkTable::SizeEntry>* sizes = nullptr;
    std::optional<bool> solidOverride;
    QSet<QByteArray> memoryVolumes;
    // The groups of two or more files are numbered in size order; `order`
    // is the order they are handed out in (the heavy ones first).
    std::vector<uint64_t> numbers;
    std::vector<size_t> order;
    uint64_t sequence = 0;
    bool stopTold = false;  // the body's own

    // Progress, in bytes of work; reported under this lock, so it never
    // goes back, and nothing of the run is reported once it ended.
    std::recursive_mutex progressMutex;
    uint64_t workTotal = 0;
    uint64_t workDone = 0;
    bool ended = false;

    std::mutex mutex;  // guards what follows
    std::condition_variable changed;
    int queued = 0;         // operations made and not yet landed
    int inQueue[2] = {0, 0};  // of those, in the one-at-a-time queue and in the parallel one
    // Groups to read again one at a time, with their share of the progress.
    std::vector<std::pair<std::shared_ptr<AssembleOperation>, std::shared_ptr<GroupWork>>> deferred;
    // Groups reach the results in the order of their numbers, however the
    // workers finish: the lists read the same on every run and medium.
    uint64_t nextFiled = 0;
    std::map<uint64_t, std::vector<DuplicateFilesPtr>> done;
    bool abandoned = false;
    std::atomic<bool> gone{false};  // `abandoned`, read without the lock
};

// One size group's share of the progress; its first reading and, for a
// group read later in the order of the disk, its second share it.
struct ScanManager::GroupWork {
    uint64_t work = 0;
    uint64_t credited = 0;  // guarded by the run's progress lock
};

void ScanManager::credit(ScanRun& run, uint64_t work)
{
    std::lock_guard lock(run.progressMutex);
    if (run.ended || work == 0) {
        return;
    }
    run.workDone += work;
    const double value =
        run.workTotal == 0 ? 1.0 : std::min(1.0, double(run.workDone) / double(run.workTotal));
    scanningProgress_.store(value);
    if (auto d = delegate_.call()) {
        d->scanProgress(value);
    }
}

void ScanManager::creditRead(ScanRun& run, GroupWork& group, uint64_t bytes)
{
    std::lock_guard lock(run.progressMutex);
    // Short of the whole share: the group's end still reports its step.
    const uint64_t room = group.work - 1 - std::min(group.work - 1, group.credited);
    const uint64_t given = std::min(room, bytes);
    group.credited += given;
    credit(run, given);
}

void ScanManager::creditEnd(ScanRun& run, GroupWork& group)
{
    std::lock_guard lock(run.progressMutex);
    const uint64_t rest = group.work - std::min(group.work, group.credited);
    group.credited = group.work;
    credit(run, rest);
}

void ScanManager::tickSingles(const std::shared_ptr<ScanRun>& run, int count)
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
    DispatchQueue::main().async([this, run, count, epoch] {
        {
            std::lock_guard lock(ticksMutex_);
            if (epoch != ticksEpoch_) {
                return;  // its scan ended without it
            }
        }
        // Reported unlocked, so a delegate may stop the scan from there. A
        // new scan is started on this thread, so none can begin meanwhile.
        for (int i = 0; i < count; ++i) {
            credit(*run, 1);
        }
        std::lock_guard lock(ticksMutex_);
        if (epoch == ticksEpoch_) {
            --pendingTicks_;
            ticksDone_.notify_all();
        }
    });
}

std::shared_ptr<AssembleOperation> ScanManager::makeAssembleOperation(const std::shared_ptr<ScanRun>& run,
                                                                      const WalkTable::SizeEntry& entry,
                                                                      const std::shared_ptr<GroupWork>& work)
{
    auto op = std::make_shared<AssembleOperation>(run->table, entry.begin, entry.count, entry.size);
    ScanRun* reporting = run.get();  // the operation's completion holds the run
    op->assemblingBlock = [this, reporting](const QString& path) {
        if (reporting->gone.load()) {
            return;  // its scan has ended without it
        }
        if (auto d = delegate_.call()) {
            d->scaningPath(path);
        }
    };
    op->progressBlock = [this, reporting, work](uint64_t bytes) { creditRead(*reporting, *work, bytes); };
    op->shouldStop = [this, reporting] { return reporting->gone.load() || scanStop_.load(); };
    return op;
}

void ScanManager::lendWorker(bool parallel, int change)
{
    std::lock_guard lock(lendMutex_);
    int& lent = lentWorkers_[parallel ? 1 : 0];
    lent = std::max(0, lent + change);
    OperationQueue& queue = parallel ? assembleSSDQueue_ : assembleHDDQueue_;
    queue.setMaxConcurrentOperationCount((parallel ? 5 : 1) + lent);
}

void ScanManager::appendAll(std::vector<DuplicateFilesPtr> groups)
{
    if (groups.empty()) {
        return;
    }
    appendQueue_.addOperation([this, groups = std::move(groups)] {
        for (const DuplicateFilesPtr& group : groups) {
            append(group);
        }
    });
}

void ScanManager::file(ScanRun& run, uint64_t number, std::vector<DuplicateFilesPtr> groups)
{
    // Called with the run's lock held.
    if (run.abandoned) {
        return;  // the results of a scan that ended without this group are shown already
    }
    run.done.emplace(number, std::move(groups));
    // What is now next in order goes over in one step of the append queue,
    // not one step per group.
    std::vector<DuplicateFilesPtr> ready;
    for (auto it = run.done.begin(); it != run.done.end() && it->first == run.nextFiled;
         it = run.done.erase(it), ++run.nextFiled) {
        ready.insert(ready.end(), std::make_move_iterator(it->second.begin()),
                     std::make_move_iterator(it->second.end()));
    }
    appendAll(std::move(ready));
}

void ScanManager::landed(ScanRun& run, bool parallel, uint64_t number, std::vector<DuplicateFilesPtr> groups,
                         std::shared_ptr<AssembleOperation> deferred, std::shared_ptr<GroupWork> work)
{
    std::lock_guard lock(run.mutex);
    --run.queued;
    --run.inQueue[parallel ? 1 : 0];
    if (run.abandoned) {
        // Left behind by its stopped scan: give back the worker lent for it.
        lendWorker(parallel, -1);
        return;
    }
    file(run, number, std::move(groups));
    if (deferred) {
        run.deferred.emplace_back(std::move(deferred), std::move(work));
    }
    // Only the scan waits here: for room in the window, or for it to empty.
    if (run.queued == kRefillMark || run.queued == 0) {
        run.changed.notify_one();
    }
}

bool ScanManager::admit(ScanRun& run)
{
    std::unique_lock lock(run.mutex);
    // A full window waits until it has drained to the refill mark.
    if (run.queued >= kOperationsQueued) {
        while (!run.changed.wait_for(lock, kStopPoll, [&] { return run.queued <= kRefillMark; })) {
            if (scanStop_.load()) {
                return false;
            }
        }
    }
    ++run.queued;
    return true;
}

void ScanManager::abandon(ScanRun& run)
{
    // Called with the run's lock held.
    run.abandoned = true;
    run.gone.store(true);
    for (const bool parallel : {false, true}) {
        for (int i = 0; i < run.inQueue[parallel ? 1 : 0]; ++i) {
            lendWorker(parallel, +1);
        }
    }
    // What was hashed goes over in its order; the numbers of the groups
    // left behind are passed over.
    std::vector<DuplicateFilesPtr> ready;
    for (auto& entry : run.done) {
        ready.insert(ready.end(), std::make_move_iterator(entry.second.begin()),
                     std::make_move_iterator(entry.second.end()));
    }
    run.done.clear();
    run.deferred.clear();
    appendAll(std::move(ready));
    TSLOG("scan stopped with ", QString::number(run.queued), " grouping operations still at work");
}

bool ScanManager::settle(ScanRun& run)
{
    std::unique_lock lock(run.mutex);
    if (run.abandoned) {
        return false;
    }
    std::optional<std::chrono::steady_clock::time_point> giveUpAt;
    while (!run.changed.wait_for(lock, kStopPoll, [&] { return run.queued == 0; })) {
        if (!scanStop_.load()) {
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!giveUpAt) {
            giveUpAt = now + kStopGrace;
        } else if (now >= *giveUpAt) {
            abandon(run);
            return false;
        }
    }
    return true;
}

void ScanManager::tellStop(ScanRun& run)
{
    // The body tells a stop it sees between groups once, whichever phase.
    if (run.stopTold) {
        return;
    }
    run.stopTold = true;
    if (auto d = delegate_.call()) {
        d->stopScan();
    }
}

void ScanManager::passOver(ScanRun& run, size_t from)
{
    // The groups never handed to a worker will not come: their numbers are
    // passed over, so every group already hashed (the heavy ones ran first,
    // under higher numbers) is still filed.
    std::lock_guard lock(run.mutex);
    for (size_t j = from; j < run.order.size(); ++j) {
        if ((*run.sizes)[run.order[j]].count >= 2) {
            file(run, run.numbers[run.order[j]], {});
        }
    }
}

void ScanManager::beginScan(const QByteArrayList& folders)
{
    if (auto d = delegate_.call()) {
        d->startScan();
    }
    // While the walk runs, so the first group's icons wait for nothing.
    DispatchQueue::global().async([] { FileInfo::prepareIconLookups(); });
    disks_ = DiskInfo::allDevices();
    setScanPathsDiskType(folders);
}

std::shared_ptr<ScanManager::ScanRun> ScanManager::planRun(std::shared_ptr<const WalkTable> table)
{
    static const std::vector<WalkTable::SizeEntry> none;
    auto run = std::make_shared<ScanRun>();
    run->table = std::move(table);
    run->sizes = scanStop_.load() ? &none : &run->table->sizes();
    run->solidOverride = solidStateForTesting();
    run->memoryVolumes = memoryVolumes();
    const std::vector<WalkTable::SizeEntry>& sizes = *run->sizes;
    // Each group of two or more files is numbered in the order of its size;
    // the heavy ones (many bytes to hash) are handed to the workers first,
    // so that none of them is left running alone at the end while the
    // other workers idle. Their numbers still file them in size order.
    run->numbers.assign(sizes.size(), 0);
    std::vector<size_t> rest;
    rest.reserve(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        run->workTotal += workOf(sizes[i]);
        if (sizes[i].count >= 2) {
            run->numbers[i] = run->sequence++;
            if (uint64_t(sizes[i].size) * sizes[i].count >= kHeavyBytes) {
                run->order.push_back(i);
                continue;
            }
        }
        rest.push_back(i);
    }
    std::stable_sort(run->order.begin(), run->order.end(), [&sizes](size_t a, size_t b) {
        return uint64_t(sizes[a].size) * sizes[a].count > uint64_t(sizes[b].size) * sizes[b].count;
    });
    run->order.insert(run->order.end(), rest.begin(), rest.end());
    return run;
}

void ScanManager::queueGroups(const std::shared_ptr<ScanRun>& run)
{
    // Groups on a spinning disk first go where several are read at once,
    // but read nothing unless their files are in memory; the others come
    // back deferred and are read one at a time afterwards. Operations are
    // made as the queues drain, so their records never all wait at once.
    const std::vector<WalkTable::SizeEntry>& sizes = *run->sizes;
    const WalkTable& table = *run->table;
    int singles = 0;
    for (size_t k = 0; k < run->order.size(); ++k) {
        const WalkTable::SizeEntry& entry = sizes[run->order[k]];
        if (!scanStop_.load() && entry.count < 2) {
            if (++singles == 256) {
                tickSingles(run, singles);
                singles = 0;
            }
            continue;
        }
        tickSingles(run, singles);
        singles = 0;
        if (scanStop_.load() || !admit(*run)) {
            passOver(*run, k);
            tellStop(*run);
            return;
        }
        // Every size group is hashed: one whose volume is unknown counts as
        // on a spinning disk, one kept in memory as on a solid-state disk.
        const std::optional<QByteArray>& volume = table.volume(table.files()[entry.begin]);
        const bool solid = run->solidOverride ? *run->solidOverride
                                              : volume && (run->memoryVolumes.contains(*volume) ||
                                                           volumeIsSolidState(*volume).value_or(false));
        auto work = std::make_shared<GroupWork>();
        work->work = workOf(entry);
        std::shared_ptr<AssembleOperation> op = makeAssembleOperation(run, entry, work);
        op->parallelQueue = true;
        op->setResidentOnly(!solid);
        std::weak_ptr<AssembleOperation> weak = op;
        const auto groups = collectGroups(*op);
        op->setCompletionBlock([this, run, weak, work, groups, number = run->numbers[run->order[k]]] {
            const std::shared_ptr<AssembleOperation> self = weak.lock();
            const bool deferred = self && self->deferred();
            // A deferred group reports its step when it is read.
            if (!deferred) {
                creditEnd(*run, *work);
            }
            landed(*run, true, number, std::move(*groups), deferred ? self : nullptr, work);
        });
        {
            std::lock_guard lock(run->mutex);
            ++run->inQueue[1];
        }
        assembleSSDQueue_.addOperation(op);
    }
    tickSingles(run, singles);
}

void ScanManager::readColdGroups(const std::shared_ptr<ScanRun>& run)
{
    if (!settle(*run)) {
        return;
    }
    // The groups not in memory, one at a time, in the order of their place
    // on the disk, each file in that order too, so the head sweeps once.
    std::vector<std::pair<std::shared_ptr<AssembleOperation>, std::shared_ptr<GroupWork>>> cold;
    {
        std::lock_guard lock(run->mutex);
        cold.swap(run->deferred);
    }
    std::stable_sort(cold.begin(), cold.end(),
                     [](const auto& a, const auto& b) { return a.first->diskPlace() < b.first->diskPlace(); });
    const WalkTable& table = *run->table;
    for (auto& [probe, work] : cold) {
        if (scanStop_.load() || !admit(*run)) {
            tellStop(*run);
            break;
        }
        const auto& order = probe->diskOrder();
        const WalkTable::SizeEntry entry{table.files()[order.front()].size,
                                         *std::min_element(order.begin(), order.end()), uint32_t(order.size())};
        std::shared_ptr<AssembleOperation> op = makeAssembleOperation(run, entry, work);
        op->setReadOrder(order, probe->deferredWholeOnly());
        probe.reset();
        const auto groups = collectGroups(*op);
        op->setCompletionBlock([this, run, work, groups, number = run->sequence++] {
            creditEnd(*run, *work);
            landed(*run, false, number, std::move(*groups), nullptr, nullptr);
        });
        {
            std::lock_guard lock(run->mutex);
            ++run->inQueue[0];
        }
        // Within the window of operations made ahead, so the edges asked for
        // are few and still in memory when their group is read.
        op->prefetchEdges();
        assembleHDDQueue_.addOperation(op);
    }
}

void ScanManager::awaitGroups(const std::shared_ptr<ScanRun>& run)
{
    if (settle(*run)) {
        // Every operation has landed; the queues let go of the last ones a
        // moment later. Those an earlier stopped scan left behind are not
        // waited for.
        for (const bool parallel : {false, true}) {
            OperationQueue& queue = parallel ? assembleSSDQueue_ : assembleHDDQueue_;
            for (;;) {
                int lent = 0;
                {
                    std::lock_guard lock(lendMutex_);
                    lent = lentWorkers_[parallel ? 1 : 0];
                }
                if (queue.operationCount() <= lent) {
                    break;
                }
                std::this_thread::yield();
            }
        }
    }
    run->table.reset();
    run->sizes = nullptr;
    // Groups handed over by the last operations are filed before the end is told.
    appendQueue_.waitUntilAllOperationsAreFinished();
}

void ScanManager::endScan(ScanRun& run)
{
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
        std::lock_guard lock(run.progressMutex);
        run.ended = true;
    }
    {
        std::lock_guard lock(idleMutex_);
        scanFinished_.store(true);
        scaning_.store(false);
    }
    if (auto d = delegate_.call()) {
        std::function<void()> hook;
        {
            std::lock_guard lock(volumeMutex_);
            hook = scanEndHook_;
        }
        if (hook) {
            hook();
        }
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

void ScanManager::scanBody(const QByteArrayList& folders)
{
    beginScan(folders);
    const std::shared_ptr<ScanRun> run = planRun(walkTable(folders, false));
    queueGroups(run);
    readColdGroups(run);
    awaitGroups(run);
    endScan(*run);
}

void ScanManager::setScanEndHookForTesting(std::function<void()> hook)
{
    std::lock_guard lock(volumeMutex_);
    scanEndHook_ = std::move(hook);
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

