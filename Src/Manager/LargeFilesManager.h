#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "Foundation/OperationQueue.h"
#include "Manager/DelegateHold.h"
#include "Manager/RemoveOperation.h"
#include "Manager/RemoveType.h"
#include "Manager/ScanManager.h"
#include "Manager/ScanManagerProtocol.h"
#include "Model/DuplicateFiles.h"
#include "Model/FileTimeData.h"
#include "Model/PreferenceScanProtocol.h"
#include "Model/ResourceValueURL.h"

// Seconds elapsed since 00:00 UTC of the current day (whole seconds).
double getTodayTime();
// The same for a given moment (seconds since 1970).
double getTodayTime(double now);

// The large-file engine: finds every file of 10,000,000 bytes or more below
// the chosen folders and files it into sixteen fixed groups (all files, four
// size bands, five age bands, five kinds, and one that stays empty), then
// removes the files the user selects. One instance per process.
class LargeFilesManager {
public:
    // Indices into allFiles().
    enum GroupIndex : int {
        allGroup = 0,
        size5GB = 1,
        size1GB = 2,
        size500MB = 3,
        size10MB = 4,
        olderThanAYear = 5,
        olderThanAMonth = 6,
        olderThanAWeek = 7,
        thisWeek = 8,
        today = 9,
        documentGroup = 10,
        pictureGroup = 11,
        audioGroup = 12,
        videoGroup = 13,
        otherGroup = 14,
        unusedGroup = 15,
        groupCount = 16,
    };
    static constexpr uint64_t largeFileMinimumSize = 10'000'000;

    static LargeFilesManager& default_();

    // Which band a file falls into.
    static int sizeGroupIndex(uint64_t size);
    // `age` is seconds since the last modification (negative in the future),
    // `today` the seconds elapsed since today's 00:00 UTC.
    static int ageGroupIndex(double age, double today);
    static int kindGroupIndex(FileType type);

    // --- scan ---------------------------------------------------------------
    // The folders to scan, as the system's bytes.
    QByteArrayList folderList() const;
    void setFolderList(const QByteArrayList& folders);
    ScanManagerProtocol* delegate() const { return delegate_.get(); }
    // Non-owning; the owner detaches itself before it goes away.
    void setDelegate(ScanManagerProtocol* delegate) { delegate_.set(delegate); }
    // Takes the delegate away if it is `delegate` and waits for the calls to
    // it under way on other threads: its memory may go once this returns.
    void detachDelegate(ScanManagerProtocol* delegate) { delegate_.detach(delegate); }

    // Runs a whole scan on the calling thread and returns when it has ended.
    void scanLargeFile();
    // Asks the running scan to stop and reports scanFinished() at once; no
    // file is filed after this returns.
    void stopScanLargeFile();
    bool stopScanLargeFileFig() const { return stopScanLargeFileFig_.load(); }

    // The sixteen groups of the last scan (empty before the first scan). Read
    // them once scanFinished() has been heard.
    DuplicateFilesList allFiles() const;
    // The settings loaded at the start of the last scan.
    std::shared_ptr<PreferenceScanProtocol> scanSetupObj() const;

    // The walk: answers the number of files found.
    int filterSameSize(const QByteArrayList& folders);
    // The chosen folders the last walk left out, and why.
    QList<LeftOutFolder> leftOutFolders() const { return rootReport_.leftOutFolders(); }
    // True when the last walk walked none of the chosen folders.
    bool scannedNoFolder() const { return rootReport_.scannedNoFolder(); }
    // Files one file into its four groups and reports progress.
    void addInArry(const FileTimeData& fileTimeData, const ResourceValueURL& resourceValuesURL);
    // True when the path is in the large-file white list of the settings the
    // last scan read, or below an entry.
    bool whitePathIgnore(const QByteArray& path) const;
    // What a scan reads its settings with, instead of the settings file;
    // none restores the file (tests).
    void setSettingsReaderForTesting(std::function<std::shared_ptr<PreferenceScanProtocol>()> reader);

    // Nested roots: the distinct paths that lie inside no other path of the
    // list. Paths are normalised first, so "/a/" and "/a" are one root.
    static QList<QByteArray> deleteSonPath(const QList<QByteArray>& listPath);
    // The one of the two paths that is an ancestor folder of the other, or
    // an empty path when neither is.
    static QByteArray isFatherPath(const QByteArray& path1, const QByteArray& path2);
    // 1 when path1 is the ancestor, 2 when path2 is, 0 when neither is.
    static int isFatherPathIndex(const QByteArray& path1, const QByteArray& path2);

    // --- removal ------------------------------------------------------------
    // Removes the selected files of allFiles() (each file once) on a worker
    // thread; returns at once.
    void removeDuplicateFiles(const RemoveType& type);
    // Stops the running removal; the file in hand is finished first.
    void stopRemove();
    OperationQueue& removeQueue() { return removeQueue_; }
    // Holds the running removal between files while the user is asked.
    RemoveHold& removeHold() { return removeState_.hold; }
    int removesucceedCount() const { return removesucceedCount_.load(); }
    uint64_t removesucceedSize() const { return removesucceedSize_.load(); }
    // Waits until no removal runs (tests and the benchmark).
    bool waitUntilRemoveIdle(int timeoutMs) const;
    // Takes out of every group the files that went after their run had
    // ended without them (the delegate hears removedAfterEnd()), and gives
    // what it took; a file no longer in the groups (a scan since) is not
    // counted. Called on the main thread while no removal runs, as the
    // result screens read the groups there.
    LateRemovals takeLateRemovals();

    // --- usage events -------------------------------------------------------
    // Counts a finished scan and sends its completion event.
    void scanGA(double progressValue);
    QString stopSizeCountString() const;

    // Where progress of a removal goes: the removal screen's progress value.
    // Called on the main thread; none when no removal screen listens.
    void setRemoveProgressHandler(std::function<void(double)> handler);

    // The clock (seconds since 1970) that ages and throttles use; tests fix it.
    void setClockForTesting(std::function<double()> clock);

private:
    LargeFilesManager();
    ~LargeFilesManager();

    double now() const;
    void reportProgress(int count, const QString& path);
    void removeRun(RemoveType type);
    void moveToFolder(const QByteArray& destination, int count, uint64_t needed, const DuplicateFilesList& groups);
    void fileRemoved(const FileInfoPtr& file, uint64_t freed);
    // Hands a removal's progress to the handler on the main queue.
    void showRemoveProgress(double progress);
    // Takes the files reported removed since the last call out of every
    // group, in one pass over each group.
    void takeOutRemoved();
    // Sets each group's total to the sum of its files; filesMutex_ held.
    void sumGroupsLocked();
    void endRun();
    void showInsufficientSpace(const QByteArray& destination, uint64_t needed, uint64_t free);
    void sendBeforeRemoveEvent(const QString& action, const QString& label);

    mutable std::mutex folderMutex_;
    QByteArrayList folderList_;
    OperationQueue removeQueue_;

    // Guards the groups and the stop flag's meaning for filing: nothing is
    // filed once stopScanLargeFile() has taken the lock.
    mutable std::mutex filesMutex_;
    DuplicateFilesList allFiles_;
    // Paths reported removed and not yet taken out of the groups, with the
    // number of reports of each.
    QHash<QByteArray, int> removedPaths_;
    std::shared_ptr<PreferenceScanProtocol> scanSetupObj_;
    std::function<std::shared_ptr<PreferenceScanProtocol>()> settingsReader_;
    std::shared_ptr<PreferenceScanProtocol> readSettings() const;

    ScanRootReport rootReport_;
    DelegateHold<ScanManagerProtocol> delegate_;
    std::atomic<int> removesucceedCount_{0};
    std::atomic<uint64_t> removesucceedSize_{0};
    std::atomic<double> lastFlushProgress_{0.0};
    std::atomic<double> scanLargeFileTimeStart_{0.0};
    std::atomic<bool> stopScanLargeFileFig_{false};

    // The running removal's own flags and counts.
    mutable std::mutex removeMutex_;
    RemoveState removeState_;
    std::function<void(double)> removeProgressHandler_;
    QSet<QByteArray> takenPaths_;
    QList<FileInfoPtr> removedFiles_;
    uint64_t freedSize_ = 0;  // bytes the removed files freed
    int reported_ = 0;
    int selectedCount_ = 0;
    int runsInFlight_ = 0;
    mutable std::condition_variable removeIdle_;

    mutable std::mutex clockMutex_;
    std::function<double()> clock_;
};
