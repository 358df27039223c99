// Removal of the images chosen in the similar-image groups.
#include "ScanImagesManager.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "QVBaseLib/RYLog.h"
#include "RemoveOperation.h"
#include "QVDataAnalysis.h"

namespace {

Error missingFileError()
{
    return Error::make(QStringLiteral("file path does not exist."), 1, QString(),
                       localized("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."));
}

// The bytes that reach the image's file.
QByteArray sourceOf(const ScanImagesItem& item)
{
    return item.rawPath().isEmpty() ? QFile::encodeName(item.imagePath()) : item.rawPath();
}

}  // namespace

QString ScanImagesManager::setRemoveDestPath(const QString& folder, const QString& imageName) const
{
    // The same free name a removal into the folder gives.
    return QFile::decodeName(RemoveOperation::renamePath(QFile::encodeName(folder), QFile::encodeName(imageName)));
}

bool ScanImagesManager::removeOne(const ScanImagesItem& item, const ItemIdentity& identity, Error* error) const
{
    const QByteArray source = sourceOf(item);
    // Every mode acts only on the very file the search reported, looked up
    // in its own folder.
    switch (removeType()) {
    case 0:
        // The freedesktop Trash, with an information file to restore from.
        return RemoveOperation::moveIntoFolder(source, identity, Trash::filesFolder(), error);
    case 1:
        return FileManager::default_().removeItem(source, identity, error);
    case 2:
        // The move never replaces; a name taken meanwhile is tried anew.
        return RemoveOperation::moveIntoFolder(source, identity, removePath(), error);
    default:
        // An unknown mode removes nothing, and says so.
        if (error) {
            *error = Error::make(QStringLiteral("ScanImagesManager"), 2, localized("The removal mode is not supported."));
        }
        return false;
    }
}

void ScanImagesManager::removeDuplicatesImages(const ScanImagesGroupList& groups)
{
    qint64 selected = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& group : imagesArray_) {
            for (const auto& item : group->dupImageItems()) {
                selected += item->isSelect() ? 1 : 0;
            }
        }
    }
    removeImagesTotalCount_.store(selected);
    isStopRemove_.store(false);
    removeHold_.reset();
    if (auto d = removeDelegate_.call()) {
        setScanState(5);
        d->removeManagerDidStart(this);
    }
    {
        std::lock_guard<std::mutex> lock(removalMutex_);
        ++removalsRunning_;
    }
    // What the removal's work shares with the block that waits for it.
    struct Work {
        std::mutex mutex;  // guards what follows
        QList<ScanImagesItem*> removed;
        bool stopped = false;
        bool ended = false;
    };
    auto run = std::make_shared<RemoveRun>();
    auto work = std::make_shared<Work>();
    DispatchQueue::global().async([this, groups, run, work] {
        RemoveOperation::putBackAsideItems();
        if (removeType() == 0 || removeType() == 2) {
            RemoveOperation::clearLeftovers(removeType() == 0 ? Trash::filesFolder() : removePath());
        }
        // The images go on a thread of their own, so that a stop ends the
        // removal in time even when a call on the image in hand does not
        // return (a stalled mount): what that call brings back changes nothing.
        DispatchQueue::global().async([this, groups, run, work] {
            const bool whole = removeImages(groups, *run, [work](ScanImagesItem* removed) {
                std::lock_guard lock(work->mutex);
                work->removed.append(removed);
            });
            {
                std::lock_guard lock(work->mutex);
                work->stopped = !whole;
                work->ended = true;
            }
            run->notify();
        });
        const bool whole = run->waitUntil(
            [work] {
                std::lock_guard lock(work->mutex);
                return work->ended;
            },
            isStopRemove_);
        QList<ScanImagesItem*> removed;
        bool stopped = !whole;
        {
            std::lock_guard lock(work->mutex);
            removed = work->removed;
            stopped = stopped || work->stopped;
        }
        // A stop question open now is answered before the removal ends.
        removeHold_.pass(isStopRemove_);
        keepRemaining(groups, removed, !stopped);
        if (stopped) {
            setScanState(7);
            if (auto d = removeDelegate_.call()) {
                d->removeManagerDidStop(this);
            }
        } else {
            setScanState(8);
            RYAsyncGALog(QStringLiteral("AfterDeleter"), QStringLiteral("SuccessRemove"),
                         QStringLiteral("%1_%2_Image").arg(removeImagesSuccessCount_.load()).arg(removeImagesTotalCount_.load()));
            if (auto d = removeDelegate_.call()) {
                d->removeMangerDidFinish(this);
            }
        }
        // Notified under the lock: a waiter that wakes may destroy the engine.
        std::lock_guard<std::mutex> lock(removalMutex_);
        --removalsRunning_;
        removalDone_.notify_all();
    });
}

bool ScanImagesManager::removeImages(const ScanImagesGroupList& groups, RemoveRun& run,
                                     const std::function<void(ScanImagesItem* removed)>& note)
{
    qint64 counter = 0;
    // Every outcome is recorded as one step of the removal; false once the
    // removal has ended without this image, which then changes nothing.
    const auto fail = [&run](ScanImagesItem& item, const Error& error, bool logged) {
        const std::unique_lock settled = run.settle();
        if (!settled.owns_lock()) {
            return false;
        }
        if (logged) {
            RYLog::shared().writeData(
                QStringLiteral("%1 %2 %3").arg(error.domain).arg(error.code).arg(error.localizedDescription()));
            RYLog::shared().writeData(QStringLiteral("remove failed"));
        }
        item.setRemoveError(error);
        item.setIsRemoveFailed(true);
        item.setIsSelect(false);
        RYAsyncGALog(QStringLiteral("AfterDeleter"), QStringLiteral("Fail"), error.localizedDescription());
        return true;
    };
    for (const auto& group : groups) {
        const QList<ScanImagesItemPtr> items = group->dupImageItems();
        // An image the user picked goes only while one not picked is
        // still there as the search saw it (or all were picked), and is
        // not that very image seen through another mount.
        std::vector<char> picked;
        for (const auto& item : items) {
            picked.push_back(item->isSelect() ? 1 : 0);
        }
        const bool pickedWhole = std::find(picked.begin(), picked.end(), 0) == picked.end();
        const auto wasPicked = [&](qsizetype i) { return picked[static_cast<size_t>(i)] != 0; };
        const auto where = [&](qsizetype i) { return std::pair(sourceOf(*items[i]), items[i]->identity()); };
        for (const auto& item : items) {
            removeHold_.pass(isStopRemove_);
            {
                const std::unique_lock settled = run.settle();
                if (!settled.owns_lock()) {
                    return false;
                }
                setScanState(6);
                if (isStopRemove_.load()) {
                    return false;
                }
            }
            if (!item->isSelect()) {
                continue;
            }
            if (!FileManager::default_().fileExists(sourceOf(*item))) {
                if (!fail(*item, missingFileError(), false)) {
                    return false;
                }
                continue;
            }
            Error error = RemoveOperation::keptCopyGoneError();
            ItemIdentity identity = item->identity();
            bool keepsACopy = true;
            if (!pickedWhole) {
                const std::vector<RemoveOperation::KeptCopy> kept =
                    RemoveOperation::keptCopies(items.size(), wasPicked, where);
                keepsACopy = !kept.empty() && RemoveOperation::isApartFromKept(sourceOf(*item), identity, kept, &error);
            }
            if (keepsACopy) {
                // Stopped while it was being checked: it stays. So it does
                // when the run ended meanwhile, a check on a stalled mount
                // coming back late (a new removal may have cleared the stop).
                const std::unique_lock settled = run.settle();
                if (!settled.owns_lock()) {
                    return false;
                }
                if (isStopRemove_.load()) {
                    return false;
                }
            }
            const uint64_t freed = RemoveOperation::bytesFreedBy(sourceOf(*item), uint64_t(std::max<qint64>(0, item->imageSize())));
            const bool removed = keepsACopy && removeOne(*item, identity, &error);
            if (!removed) {
                if (!fail(*item, error, true)) {
                    return false;
                }
            } else {
                const std::unique_lock settled = run.settle();
                if (!settled.owns_lock()) {
                    // Gone after all: it must leave the groups once they can be changed.
                    {
                        std::lock_guard lock(lateMutex_);
                        late_.push_back({group, item, qint64(freed)});
                    }
                    if (auto d = removeDelegate_.call()) {
                        d->removeManagerRemovedAfterEnd(this);
                    }
                    return false;
                }
                RYLog::shared().writeData(QStringLiteral("remove success"));
                item->setIsRemoveFailed(false);
                removeImagesSuccessCount_.fetch_add(1);
                ++counter;
                removeImagesSuccessSize_.fetch_add(qint64(freed));
                note(item.get());
                std::lock_guard<std::mutex> lock(mutex_);
                group->setGroupSize(std::max<qint64>(0, group->groupSize() - item->imageSize()));
            }
            const std::unique_lock settled = run.settle();
            if (!settled.owns_lock()) {
                return false;
            }
            if (auto d = removeDelegate_.call()) {
                const qint64 total = removeImagesTotalCount_.load();
                d->removeManagerProgressDidChange(this, total > 0 ? double(counter) / double(total) : 0.0);
            }
        }
    }
    return true;
}

void ScanImagesManager::keepRemaining(const ScanImagesGroupList& groups, const QList<ScanImagesItem*>& removedList,
                                      bool finished)
{
    // Removed images leave their groups and groups of fewer than two go,
    // also after a stop, so no screen shows a removed file as present. A
    // group that holds an image that could not be removed stays, so the
    // image and its reason stay in sight until the next search.
    const QSet<ScanImagesItem*> removed(removedList.begin(), removedList.end());
    ScanImagesGroupList result;
    // The groups are rewritten under the lock a snapshot takes.
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& group : groups) {
        QList<ScanImagesItemPtr> remaining;
        for (const auto& item : group->dupImageItems()) {
            if (!removed.contains(item.get())) {
                remaining.append(item);
            }
        }
        if (!staysShown(remaining)) {
            continue;
        }
        group->setDupImageItems(remaining);
        group->setGroupCount(remaining.size());
        if (finished) {
            group->setIsSelect(0);
            for (const auto& item : remaining) {
                item->setIsSelect(false);
            }
        }
        result.append(group);
    }
    imagesArray_ = result;
    if (finished) {
        sortDupImageGroupLocked();
    }
}

bool ScanImagesManager::staysShown(const QList<ScanImagesItemPtr>& remaining)
{
    return remaining.size() >= 2 || std::any_of(remaining.begin(), remaining.end(), [](const ScanImagesItemPtr& item) {
               return item->isRemoveFailed();
           });
}

LateRemovals ScanImagesManager::takeLateRemovals()
{
    std::vector<LateImage> late;
    {
        std::lock_guard lock(lateMutex_);
        late.swap(late_);
    }
    LateRemovals taken;
    if (late.empty()) {
        return taken;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const LateImage& image : late) {
        QList<ScanImagesItemPtr> remaining = image.group->dupImageItems();
        if (!imagesArray_.contains(image.group) || !remaining.removeOne(image.item)) {
            continue;
        }
        image.item->setIsSelect(false);
        image.group->setDupImageItems(remaining);
        image.group->setGroupCount(remaining.size());
        image.group->setGroupSize(std::max<qint64>(0, image.group->groupSize() - image.item->imageSize()));
        removeImagesSuccessCount_.fetch_add(1);
        removeImagesSuccessSize_.fetch_add(image.freed);
        taken.count += 1;
        taken.size += uint64_t(image.freed);
    }
    ScanImagesGroupList shown;
    for (const ScanImagesGroupItemPtr& group : std::as_const(imagesArray_)) {
        if (staysShown(group->dupImageItems())) {
            shown.append(group);
        }
    }
    imagesArray_ = shown;
    return taken;
}

void ScanImagesManager::waitForRemoval()
{
    std::unique_lock<std::mutex> lock(removalMutex_);
    removalDone_.wait(lock, [this] { return removalsRunning_ == 0; });
}

bool ScanImagesManager::removalRuns()
{
    std::lock_guard<std::mutex> lock(removalMutex_);
    return removalsRunning_ > 0;
}
