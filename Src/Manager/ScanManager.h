#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include "Foundation/OperationQueue.h"
#include "Manager/DelegateHold.h"
#include "Manager/DiskInfo.h"
#include "Manager/LeftOutFolder.h"
#include "Manager/RemoveOperation.h"
#include "Manager/RemoveType.h"
#include "Manager/ScanManagerProtocol.h"
#include "Model/DuplicateFiles.h"
#include "Model/PreferenceScanProtocol.h"
#include "Model/ResourceValueURL.h"

#include <sys/stat.h>

#include "Manager/WalkTable.h"

class AssembleOperation;

using DuplicateFilesList = QList<DuplicateFilesPtr>;

// What a scan tells the screen about the folders it was given: which it
// left out, and whether it walked none of them (then it found nothing
// because it looked nowhere). Written by the walk, read by the screen.
class ScanRootReport {
public:
    void begin(QList<LeftOutFolder> leftOut);
    void add(const QByteArray& path, LeftOutFolder::Reason reason);
    // `entered` roots were walked; a stopped walk never counts as one that
    // found no folder to walk.
    void end(int entered, bool stopped);
    QList<LeftOutFolder> leftOutFolders() const;
    bool scannedNoFolder() const;

private:
    mutable std::mutex mutex_;
    QList<LeftOutFolder> leftOut_;
    bool scannedNoFolder_ = false;
};

// The duplicate-file engine: walks folders, groups files by size, then by
// the MD5 digest of their content. One instance per process.
class ScanManager {
public:
    using ResourceValueURL = ::ResourceValueURL;
    // Walked files by size (bytes), sizes ascending; each item once.
    using SizeMap = std::map<int64_t, std::vector<ResourceValueURL>>;

    // Extensions the walks skip (compared with the lower-cased extension).
    struct IgnoresPathExtention {
        static const QStringList& allRawValues();
        static bool init(const QString& rawValue) { return allRawValues().contains(rawValue, Qt::CaseSensitive); }
        // The same test on a file name's bytes (its extension lower-cased).
        static bool matchesName(const char* name, size_t length);
    };

    // The result lists with their file counts and byte sizes, as one
    // consistent snapshot.
    struct Results {
        DuplicateFilesList totalFiles, documentFiles, pictureFiles, audioFiles, videoFiles, otherFiles;
        int totalFilesCount = 0, documentFilesCount = 0, pictureFilesCount = 0, audioFilesCount = 0,
            videoFilesCount = 0, otherFilesCount = 0;
        uint64_t totalFilesSize = 0, documentFilesSize = 0, pictureFilesSize = 0, audioFilesSize = 0,
                 videoFilesSize = 0, otherFilesSize = 0;

        // One list with its count and size, for the code that keeps the
        // three in step whatever the kind.
        struct Kind {
            DuplicateFilesList& files;
            int& count;
            uint64_t& size;
        };
        Kind all() { return {totalFiles, totalFilesCount, totalFilesSize}; }
        Kind of(FileType type);
    };

    static ScanManager& default_();

    // --- scan ---------------------------------------------------------------
    // Starts a scan of folderList() on a global queue and returns at once.
    void scanDuplicateFile();
    // Asks the running scan to stop; it still ends with scanFinished().
    void stopScan();

    // The folders to scan, as the system's bytes (a name need not be UTF-8);
    // convert with QFile::decodeName only to show them.
    QByteArrayList folderList() const;
    void setFolderList(const QByteArrayList& folders);
    ScanManagerProtocol* delegate() const { return delegate_.get(); }
    // Non-owning; the owner detaches itself before it goes away.
    void setDelegate(ScanManagerProtocol* delegate) { delegate_.set(delegate); }
    // Takes the delegate away if it is `delegate` and waits for the calls to
    // it under way on other threads (scan and removal alike): its memory may
    // go once this returns.
    void detachDelegate(ScanManagerProtocol* delegate) { delegate_.detach(delegate); }
    bool delegateDetachWaitingForTesting() const { return delegate_.detachWaiting(); }

    // The settings in force; a store while a scan runs is ignored.
    std::shared_ptr<PreferenceScanProtocol> scanSetupObj() const;
    void setScanSetupObj(std::shared_ptr<PreferenceScanProtocol> settings);

    bool scaning() const { return scaning_.load(); }
    bool scanFinished() const { return scanFinished_.load(); }
    bool scanStop() const { return scanStop_.load(); }
    void setScanStop(bool stop)
    {
        scanStop_.store(stop);
        wakeTickWait();
    }
    double scanningProgress() const { return scanningProgress_.load(); }

    // Results: each accessor takes the lock, so a screen reading while a scan
    // runs sees whole groups and matching counts.
    Results results() const;
    // Runs `change` on the results under the lock (for removal).
    void updateResults(const std::function<void(Results&)>& change);
    DuplicateFilesList totalFiles() const;
    DuplicateFilesList documentFiles() const;
    DuplicateFilesList pictureFiles() const;
    DuplicateFilesList audioFiles() const;
    DuplicateFilesList videoFiles() const;
    DuplicateFilesList otherFiles() const;
    int totalFilesCount() const;
    int documentFilesCount() const;
    int pictureFilesCount() const;
    int audioFilesCount() const;
    int videoFilesCount() const;
    int otherFilesCount() const;
    uint64_t totalFilesSize() const;
    uint64_t documentFilesSize() const;
    uint64_t pictureFilesSize() const;
    uint64_t audioFilesSize() const;
    uint64_t videoFilesSize() const;
    uint64_t otherFilesSize() const;

    OperationQueue& assembleSSDQueue() { return assembleSSDQueue_; }
    OperationQueue& assembleHDDQueue() { return assembleHDDQueue_; }
    OperationQueue& appendQueue() { return appendQueue_; }

    // Zeroed at the start of each scan; removal adds to it.
    int errorRemoveCount() const { return errorRemoveCount_.load(); }
    void setErrorRemoveCount(int count) { errorRemoveCount_.store(count); }
    // Cleared at the start of each scan; removal sets it.
    bool removeFinished() const { return removeFinished_.load(); }
    void setRemoveFinished(bool finished) { removeFinished_.store(finished); }

    // --- walk and filters ---------------------------------------------------
    SizeMap filterSameSize(const QByteArrayList& folders);
    // What an engine tells the shared walk.
    struct WalkRules {
        std::function<bool()> stop;                             // polled before every item
        std::function<bool(const QByteArray& path)> skipRoot;   // a root not to walk at all
        std::function<bool(const QByteArray& path)> skipFolder; // a folder met that is not entered
        // The settings the walk filters with; none: the duplicate scan's own.
        // An engine that scans on its own passes what it read when it started,
        // so a save made meanwhile cannot reach it half-way.
        std::shared_ptr<PreferenceScanProtocol> settings;
        // Told of each root the walk does not enter, and why.
        std::function<void(const QByteArray& root, LeftOutFolder::Reason reason)> leftOut;
        // Only regular files and application bundles are handed over: a
        // link, FIFO, socket or device holds no content of its own that
        // could be anyone's copy.
        bool regularFilesOnly = false;
    };
    // One item the walk lets through. Valid only during the call that hands
    // it over; its path and full values are built only when asked for.
    struct WalkItem {
        const QByteArray& folder;  // the folder that holds it
        uint32_t folderIndex;      // one number per folder a walk opens
        int folderFd;              // that folder, open during the call
        const char* name;
        size_t nameLength;
        const struct stat& st;   // lstat of the item
        int64_t size;            // the size the settings saw (a bundle's contents; 0 for links)
        const MountEntry* volume;  // may be none
        bool isHidden;
        bool isApplication;

        QByteArray path() const;
        // The values of the item, the access questions asked now.
        ResourceValues resourceValues() const;
    };
    using WalkFound = std::function<void(const WalkItem& item)>;
    // The walk both file engines share: hands `found` every item below
    // `roots` that the settings let through, each file once (device and
    // inode), never following a link below a root, never entering a pseudo
    // file system, a hidden folder or the Trash. Without settings of its own it refreshes
    // the duplicate scan's white list first. Answers how many roots it walked.
    int walk(const QList<QByteArray>& roots, const WalkRules& rules, const WalkFound& found);
    // True when the settings leave the item out.
    bool ignoreFile(const QByteArray& path, int64_t size, const ResourceValues& values) const;
    // True when the path is a white-list entry or lies below one.
    bool whitePathIgnore(const QByteArray& path) const;
    // The roots a scan walks: absolute and normalised, the system folders,
    // other users' home folders (`otherUsersHomes`, see UserHomes) and the
    // Trash folders left out and named with their reason. "/" is walked.
    struct RootChoice {
        QList<QByteArray> roots;
        QList<LeftOutFolder> leftOut;
    };
    static RootChoice scanRoots(const QByteArrayList& folders, const std::vector<QByteArray>& otherUsersHomes);

    // The walk of a duplicate scan, kept compactly; unless `keepSingles`,
    // only the files that share their size with another stay.
    std::shared_ptr<WalkTable> walkTable(const QByteArrayList& folders, bool keepSingles);

    // The chosen folders the last walk left out, and why.
    QList<LeftOutFolder> leftOutFolders() const { return rootReport_.leftOutFolders(); }
    // True when the last walk walked none of the chosen folders.
    bool scannedNoFolder() const { return rootReport_.scannedNoFolder(); }

    // True when the volume (mount point) was found on a solid-state disk.
    std::optional<bool> volumeIsSolidState(const QByteArray& volume) const;

    // Treats every volume as solid-state (true) or spinning (false); none
    // asks the disks again (tests).
    void setSolidStateForTesting(std::optional<bool> solid);

    // Waits until no scan runs (tests and the benchmark).
    bool waitUntilIdle(int timeoutMs) const;
    // Runs on the scan's thread at its end, with the delegate's finish call
    // in hand and not made yet (tests hold the scan there).
    void setScanEndHookForTesting(std::function<void()> hook);

private:
    ScanManager();
    ~ScanManager();

    void resetScan();
    void setScanPathsDiskType(const QByteArrayList& folders);

    // The steps of a scan, in the order the scan body takes them; a run is
    // what one scan shares with its operations (see the .cpp).
    struct ScanRun;
    struct GroupWork;
    void scanBody(const QByteArrayList& folders);
    void beginScan(const QByteArrayList& folders);
    std::shared_ptr<ScanRun> planRun(std::shared_ptr<const WalkTable> table);
    void queueGroups(const std::shared_ptr<ScanRun>& run);
    void readColdGroups(const std::shared_ptr<ScanRun>& run);
    void awaitGroups(const std::shared_ptr<ScanRun>& run);
    void endScan(ScanRun& run);
    // Waits until every operation of the run has landed; after a stop, only
    // for a short while, then leaves those still at work behind (false).
    bool settle(ScanRun& run);
    void abandon(ScanRun& run);
    bool admit(ScanRun& run);
    void tellStop(ScanRun& run);
    void passOver(ScanRun& run, size_t from);
    // Files the groups, in one step of the append queue.
    void appendAll(std::vector<DuplicateFilesPtr> groups);
    void file(ScanRun& run, uint64_t number, std::vector<DuplicateFilesPtr> groups);
    void landed(ScanRun& run, bool parallel, uint64_t number, std::vector<DuplicateFilesPtr> groups,
                std::shared_ptr<AssembleOperation> deferred, std::shared_ptr<GroupWork> work);
    void credit(ScanRun& run, uint64_t work);
    void creditRead(ScanRun& run, GroupWork& group, uint64_t bytes);
    void creditEnd(ScanRun& run, GroupWork& group);
    void tickSingles(const std::shared_ptr<ScanRun>& run, int count);
    std::shared_ptr<AssembleOperation> makeAssembleOperation(const std::shared_ptr<ScanRun>& run,
                                                             const WalkTable::SizeEntry& entry,
                                                             const std::shared_ptr<GroupWork>& work);
    std::optional<bool> solidStateForTesting() const;
    // Lends a queue a worker for each operation a stopped scan left behind
    // (`change` +1), and takes it back when that operation ends (-1).
    void lendWorker(bool parallel, int change);
    void append(const DuplicateFilesPtr& group);

    std::vector<DiskInfo> disks_;
    mutable std::mutex volumeMutex_;
    QHash<QByteArray, bool> volumeTypeOfDisk_;
    std::optional<bool> solidOverride_;

    OperationQueue assembleSSDQueue_;
    OperationQueue assembleHDDQueue_;
    OperationQueue appendQueue_;

    mutable std::mutex resultsMutex_;
    Results results_;

    mutable std::mutex folderMutex_;
    QByteArrayList folderList_;
    DelegateHold<ScanManagerProtocol> delegate_;

    std::atomic<int> errorRemoveCount_{0};
    std::atomic<bool> removeFinished_{false};
    std::atomic<bool> scaning_{false};
    std::atomic<bool> scanFinished_{false};
    std::atomic<bool> scanStop_{false};
    std::atomic<double> scanningProgress_{0.0};

    mutable std::mutex settingsMutex_;
    std::shared_ptr<PreferenceScanProtocol> scanPreference_;
    // The white list of scanPreference_ as normalised byte paths, kept with it.
    std::shared_ptr<const std::vector<QByteArray>> whiteList_;
    std::shared_ptr<const std::vector<QByteArray>> whiteList() const;
    void refreshWhiteList();
    struct Filter;
    Filter currentFilter() const;
    static Filter filterOf(const PreferenceScanProtocol* settings,
                           std::shared_ptr<const std::vector<QByteArray>> whiteList);
    WalkRules duplicateWalkRules();
    ScanRootReport rootReport_;

    std::mutex lendMutex_;
    int lentWorkers_[2] = {0, 0};  // to the one-at-a-time queue, to the parallel one
    std::function<void()> scanEndHook_;
    // Single-file progress ticks still waiting on the main queue.
    std::mutex ticksMutex_;
    std::condition_variable ticksDone_;
    int pendingTicks_ = 0;
    // Ticks of an older number were given up by a stopped scan that could
    // not wait for the main thread: they change nothing when they run.
    uint64_t ticksEpoch_ = 0;
    // Wakes a scan body waiting for its ticks, to see a stop.
    void wakeTickWait();
    mutable std::mutex idleMutex_;
    mutable std::condition_variable idle_;
    // True from the start of a scan until its body made its last delegate
    // call; `scaning_` already reads false during that last call.
    bool bodyRunning_ = false;

public:
    // ---- removal of selected duplicates (ScanManagerRemove.cpp) begins here ----
    // Removal: takes the selected files of every group whose check box is not
    // off to `type`'s destination. Called on the main thread; returns at once
    // and reports through the delegate's startRemove/stopRemove/removeFinished.
    void removeDuplicateFiles(const RemoveType& type);
    // The run's flags and failure count, shared with its operations.
    RemoveState& removeState() { return removeState_; }
    bool removeStop() const { return removeState_.removeStop.load(); }
    // The stop button: ends the queuing; each operation stops at its next file.
    void setRemoveStop(bool stop) { removeState_.removeStop.store(stop); }
    bool forceRemove() const { return removeState_.forceRemove.load(); }
    bool freeSizeNotEnought() const { return removeState_.freeSizeNotEnought.load(); }
    OperationQueue& removeQueue() { return removeQueue_; }
    // Holds the running removal between files while the user is asked.
    RemoveHold& removeHold() { return removeState_.hold; }
    // From removeDuplicateFiles() until its run has ended, whichever way.
    bool removeRunning() const { return removeRunsInFlight_.load() > 0; }
    int64_t succeedRemoveCount() const { return succeedRemoveCount_.load(); }
    int64_t failedRemoveCount() const { return removeState_.failedRemoveCount.load(); }
    uint64_t succeedRemoveSize() const { return succeedRemoveSize_.load(); }
    // The choice of the removal pop-up; a run does not read it.
    RemoveType lastRemoveType() const;
    void setLastRemoveType(const RemoveType& type);
    // Where the run's progress goes (the removal screen's progress value):
    // called on the main thread with the fraction of selected files removed.
    void setRemoveProgressHandler(std::function<void(double)> handler);
    // Takes into the results the files that went after their run had ended
    // without them (the delegate hears removedAfterEnd()): each leaves its
    // group and the counts, and a group left with fewer than two files goes
    // as at a run's end. Gives what it took; a file of groups no longer in
    // the results (a scan since) is not counted. Called on the main thread
    // while no removal runs, as the result screens read the groups there.
    LateRemovals takeLateRemovals();

private:
    void removeRun(const RemoveType& type);
    void moveToFolder(const QByteArray& destination, int64_t count, uint64_t size, const DuplicateFilesList& groups);
    // A file removed: out of the counts and sizes; `freed` (none for a name
    // of a file that keeps another) into the run's saving.
    void fileRemoved(const FileInfoPtr& file, FileType type, uint64_t freed);
    void showNotEnoughSpace(const QByteArray& destination, uint64_t size, uint64_t free);

    OperationQueue removeQueue_{QStringLiteral("com.vantrel.duplicate.removeQueue")};
    RemoveState removeState_;
    std::atomic<int> removeRunsInFlight_{0};
    std::atomic<int64_t> succeedRemoveCount_{0};
    std::atomic<uint64_t> succeedRemoveSize_{0};
    mutable std::mutex removeMutex_;
    RemoveType lastRemoveType_;
    std::function<void(double)> removeProgressHandler_;
    // ---- removal of selected duplicates ends here ----
};
