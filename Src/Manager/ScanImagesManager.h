#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include "Manager/LateRemovals.h"
#include "Manager/RemoveHold.h"
#include "Manager/DelegateHold.h"
#include "Manager/LeftOutFolder.h"
#include "Model/ScanImagesGroupItem.h"
#include "ScanImagesManagerDelegate.h"
#include "ScanImagesRemoveManagerDelegate.h"
#include "Simagex.h"

class RemoveRun;

// The functions of the image-comparison library the engine calls; tests put
// a scripted library behind the same interface.
struct SimagexFunctions {
    int (*initImageDuplicate)(const char* logFolder, const char* reserved) = nullptr;
    int (*findDuplicates)(const char* const* paths, int32_t count, const FindOptions* options,
                          FoundDupCallback found, ProgressCallback progress) = nullptr;
    int (*stopFindDuplicates)(int32_t reason) = nullptr;

    static SimagexFunctions library();
};

class DispatchQueue;
class QJsonObject;

// The similar-image engine: hands folders and settings to the library,
// turns its JSON reports into groups and removes the images chosen.
class ScanImagesManager {
public:
    static ScanImagesManager& shared();
    // Tests make engines of their own around a scripted library.
    explicit ScanImagesManager(SimagexFunctions functions);
    ~ScanImagesManager();
    ScanImagesManager(const ScanImagesManager&) = delete;
    ScanImagesManager& operator=(const ScanImagesManager&) = delete;

    // The library's result codes and their texts.
    static const std::map<int, QString>& kErrorCodeMsg();

    ScanImagesManagerDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(ScanImagesManagerDelegate* delegate) { delegate_.set(delegate); }
    ScanImagesRemoveManagerDelegate* removeDelegate() const { return removeDelegate_.get(); }
    void setRemoveDelegate(ScanImagesRemoveManagerDelegate* delegate) { removeDelegate_.set(delegate); }
    // Take a delegate away if it is the one given and wait for the calls to
    // it under way on other threads: its memory may go once they return.
    void detachDelegate(ScanImagesManagerDelegate* delegate) { delegate_.detach(delegate); }
    void detachRemoveDelegate(ScanImagesRemoveManagerDelegate* delegate) { removeDelegate_.detach(delegate); }

    // 1 scanning, 2 finished with groups, 3 stopped, 4 nothing found,
    // 5 removal started, 6 removing, 7 removal stopped, 8 removal finished.
    uint scanState() const { return scanState_.load(); }
    void setScanState(uint state) { scanState_.store(state); }

    // A copy of the groups (the images are shared with the engine's groups).
    ScanImagesGroupList dupImages() const;
    // Copies of these groups (a screen's, or a removal's) taken under the
    // engine's lock, which the removal also holds while it rewrites the
    // groups it was given: for work on another thread.
    ScanImagesGroupList snapshot(const ScanImagesGroupList& groups) const;
    qint64 groupNameNum() const;

    // Runs a whole search of the folders (the system's bytes) on the
    // calling thread.
    void findDuplicateImages(const QByteArrayList& folders);
    // Stops the running search: the groups found so far are reported as its
    // stopped end at once, while the library winds down; returns at once.
    void stop();
    // Whether a search is running (from the call of findDuplicateImages to
    // its return), and waiting for it to end; false when it did not in time.
    bool isSearching() const { return searchesRunning_.load() > 0; }
    bool waitUntilSearchEnds(int timeoutMs) const;
    void removeDupimagesArray();

    // Removal.
    uint removeType() const { return removeType_.load(); }
    void setRemoveType(uint type) { removeType_.store(type); }
    // The destination folder of a move, as the system's bytes.
    QByteArray removePath() const;
    void setRemovePath(const QByteArray& path);
    qint64 removeImagesTotalCount() const { return removeImagesTotalCount_.load(); }
    qint64 removeImagesSuccessCount() const { return removeImagesSuccessCount_.load(); }
    qint64 removeImagesSuccessSize() const { return removeImagesSuccessSize_.load(); }
    // Starts removing the selected images of `groups`; returns at once.
    void removeDuplicatesImages(const ScanImagesGroupList& groups);
    void stopRemove() { isStopRemove_.store(true); }
    // Holds the running removal between images while the user is asked.
    RemoveHold& removeHold() { return removeHold_; }
    // Blocks until the removal started last has ended (tests, shutdown).
    void waitForRemoval();
    // From removeDuplicatesImages() until its run has ended, whichever way.
    bool removalRuns();
    // "<folder>/<name>", or with a time stamp before the extension when taken.
    QString setRemoveDestPath(const QString& folder, const QString& imageName) const;
    // Takes out of the groups the images that went after their removal had
    // ended without them (the remove delegate hears
    // removeManagerRemovedAfterEnd()), counts them with what went, drops the
    // groups left with fewer than two images as a removal's end does, and
    // gives what it took; an image of groups no longer shown (a search
    // since) is not counted. Called on the main thread while no removal
    // runs, as the screens read the groups there.
    LateRemovals takeLateRemovals();

    // Helpers of the result handling.
    static qint64 caculateFileSize(const QByteArray& path);
    static std::optional<QDateTime> getModifiedDate(const QByteArray& path);
    static QString getStringWithDate(const QDateTime& date);
    static std::optional<QString> getImageDimensions(const QByteArray& path);
    static QImage getThumImages(const QByteArray& path);
    static qint64 getFileSize(const QString& number, const QString& sizeType);
    // The folder merge: whole path components, a broader folder replaces
    // the narrower ones it holds.
    void isContainFolder(const QByteArray& folder);
    QByteArrayList scanFolderList() const;
    // The chosen folders the last search left out (the Trash), and why.
    QList<LeftOutFolder> leftOutFolders() const;
    void sortDupImageGroup();
    static void sortDupImage(ScanImagesGroupItem& group);
    // The bytes a reported path stands for (\udc80 ... \udcff are raw bytes).
    static QByteArray pathBytes(const QString& reported);
    // What the library found the image to be when it read it; nothing when
    // the report does not say (the file is then looked at as it is made).
    static std::optional<ItemIdentity> reportedIdentity(const QJsonObject& reported);

    // Entry points of the library callbacks.
    void progressDidChanged(const QByteArray& json, int type);
    void jsonDataDidChanged(const QByteArray& json);

    // Tests drive time through this clock (seconds since 1970).
    void setClockForTesting(std::function<double()> clock) { clock_ = std::move(clock); }
    // Tests replace the thumbnail service (the real one decodes images).
    void setThumbnailsEnabledForTesting(bool enabled) { thumbnails_ = enabled; }
    // Or put a maker of their own in its place (set while no search runs).
    void setThumbnailMakerForTesting(std::function<QImage(const QByteArray&)> maker) { thumbnailMaker_ = std::move(maker); }

private:
    struct SearchSettings;
    SearchSettings readSettings() const;
    // Takes the chosen folders that are or lie in a Trash folder off the list.
    void leaveOutTrash();
    double now() const;
    ScanImagesGroupItemPtr isContainSourcePath(const QString& path) const;  // mutex_ held
    // The item of one image a report lists.
    ScanImagesItemPtr makeItem(const QJsonObject& reported) const;
    void sortDupImageGroupLocked();
    void addReportedGroups(const QByteArray& json, double reportedAt, quint64 generation);
    bool resultsAbandoned(quint64 generation) const;
    // The one end of a search: no result is taken after it.
    void reportEnd(bool finished);
    // Removes one image, only while it is `identity`.
    bool removeOne(const ScanImagesItem& item, const ItemIdentity& identity, Error* error) const;
    // The images of a removal, one after the other; `note` hears of each
    // removed. False when a stop, or the end of `run`, came first.
    bool removeImages(const ScanImagesGroupList& groups, RemoveRun& run,
                      const std::function<void(ScanImagesItem* removed)>& note);
    void keepRemaining(const ScanImagesGroupList& groups, const QList<ScanImagesItem*>& removed, bool finished);
    // Whether a group whose images are now `remaining` stays shown.
    static bool staysShown(const QList<ScanImagesItemPtr>& remaining);

    SimagexFunctions functions_;
    DelegateHold<ScanImagesManagerDelegate> delegate_;
    DelegateHold<ScanImagesRemoveManagerDelegate> removeDelegate_;
    std::atomic<uint> scanState_{0};

    mutable std::mutex mutex_;  // guards everything below up to the atomics
    ScanImagesGroupList imagesArray_;
    qint64 groupNameNum_ = 1;
    QByteArrayList scanFolderList_;
    QList<LeftOutFolder> leftOutFolders_;
    double startScanTime_ = 0;
    double callBackTime_ = 0;
    double lastCallbackTimeProcess_ = 0;
    QByteArray removePath_;

    std::atomic<int> searchesRunning_{0};
    mutable std::mutex searchMutex_;
    mutable std::condition_variable searchEnded_;
    std::atomic<bool> finalReported_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<uint> removeType_{0};
    std::atomic<qint64> removeImagesTotalCount_{0};
    std::atomic<qint64> removeImagesSuccessCount_{0};
    std::atomic<qint64> removeImagesSuccessSize_{0};
    std::atomic<bool> isStopRemove_{false};
    RemoveHold removeHold_;
    std::mutex removalMutex_;
    std::condition_variable removalDone_;
    int removalsRunning_ = 0;
    // Images that went after their removal had ended without them.
    struct LateImage {
        ScanImagesGroupItemPtr group;
        ScanImagesItemPtr item;
        qint64 freed = 0;
    };
    std::mutex lateMutex_;
    std::vector<LateImage> late_;  // guarded by lateMutex_
    std::function<double()> clock_;
    bool thumbnails_ = true;
    std::function<QImage(const QByteArray&)> thumbnailMaker_;

    // The images of the groups reported are made (the file's facts and its
    // thumbnail) one report after another on this queue, off the library's
    // thread, so its progress goes on meanwhile; a stop gives up what waits.
    std::unique_ptr<DispatchQueue> builds_;
    std::atomic<quint64> searchGeneration_{0};
    bool acceptingResults_ = false;  // guarded by mutex_
    // Held while partial results or the end go to the delegate, so no
    // partial result follows the end.
    std::recursive_mutex reportMutex_;
};
