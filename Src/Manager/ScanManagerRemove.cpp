// The removal half of the duplicate-file engine: where the selected files go,
// the space check of a run, one RemoveOperation per group on the serial
// removal queue, the counts kept in step, and the groups that are no longer
// duplicates taken away at the end.

#include "Manager/ScanManager.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Main/Utilities.h"
#include "Manager/UserPrompter.h"
#include "View/Extension/KPLExtension.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>

namespace {

uint64_t minus(uint64_t a, uint64_t b)
{
    return a >= b ? a - b : 0;
}

// Counted once per run, touched on the main queue only.
struct RunProgress {
    int64_t handled = 0;
    double progress = 0;
};

// A removed file of `size` in a group of kind `type` out of the counts.
void takeOff(ScanManager::Results& r, uint64_t size, FileType type)
{
    for (const ScanManager::Results::Kind& kind : {r.all(), r.of(type)}) {
        kind.count -= 1;
        kind.size = minus(kind.size, size);
    }
}

// A group left with fewer than two files holds no duplicates any more; a
// file that stays alone is no longer counted either. A group holding a file
// that could not be removed stays, counted as it is shown, so that file and
// its reason stay in sight until the next scan.
void dissolveSingles(ScanManager::Results& r)
{
    const auto dissolve = [](const ScanManager::Results::Kind& kind) {
        DuplicateFilesList kept;
        for (const DuplicateFilesPtr& group : kind.files) {
            if (group->fileCount() < 2 && group->errorCount() == 0) {
                kind.size = minus(kind.size, group->totalSize());
                kind.count -= group->fileCount();
            } else {
                kept.append(group);
            }
        }
        kind.files = std::move(kept);
    };
    dissolve(r.all());
    for (const FileType type :
         {FileType::video, FileType::audio, FileType::picture, FileType::document, FileType::other}) {
        dissolve(r.of(type));
    }
}

}  // namespace

RemoveType ScanManager::lastRemoveType() const
{
    std::lock_guard lock(removeMutex_);
    return lastRemoveType_;
}

void ScanManager::setLastRemoveType(const RemoveType& type)
{
    std::lock_guard lock(removeMutex_);
    lastRemoveType_ = type;
}

void ScanManager::setRemoveProgressHandler(std::function<void(double)> handler)
{
    std::lock_guard lock(removeMutex_);
    removeProgressHandler_ = std::move(handler);
}

void ScanManager::removeDuplicateFiles(const RemoveType& type)
{
    removeState_.removeQueue = &removeQueue_;
    removeState_.lendWorker(0);
    // Flags cleared and the queue resumed, in case a run left it suspended.
    removeState_.reset();
    setRemoveFinished(false);
    succeedRemoveCount_.store(0);
    succeedRemoveSize_.store(0);
    removeRunsInFlight_.fetch_add(1);
    DispatchQueue::global().async([this, type] {
        removeRun(type);
        removeRunsInFlight_.fetch_sub(1);
    });
}

void ScanManager::removeRun(const RemoveType& type)
{
    FileManager& fm = FileManager::default_();
    QByteArray destination;
    switch (type.kind()) {
    case RemoveType::Kind::trash: {
        Error error;
        if (!Trash::checkUsable(&error)) {
            TSLOG(error.localizedDescription());
            DispatchQueue::main().async([error] { UserPrompter::shared().showTrashUnusable(error); });
            return;
        }
        destination = Trash::filesFolder();
        break;
    }
    case RemoveType::Kind::forever_:
        break;
    case RemoveType::Kind::folder: {
        struct stat st {};
        destination = type.path();
        // A file where the folder was is as good as no folder.
        if (destination.isEmpty() || ::stat(destination.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            DispatchQueue::main().async([] { UserPrompter::shared().showContentFolderNotExist(); });
            return;
        }
        break;
    }
    }

    RemoveOperation::putBackAsideItems();
    if (!destination.isEmpty()) {
        RemoveOperation::clearLeftovers(destination);
    }
    // What must be copied to another volume has to fit there; a move within
    // the destination's volume takes no space.
    const std::optional<QByteArray> destinationVolume =
        destination.isEmpty() ? std::nullopt : fm.volumePath(destination);
    int64_t count = 0;
    uint64_t size = 0;
    DuplicateFilesList groups;
    for (const DuplicateFilesPtr& group : totalFiles()) {
        if (group->selectState() == ControlState::off) {
            continue;
        }
        groups.append(group);
        for (const FileInfoPtr& file : group->infos()) {
            if (!file->selected()) {
                continue;
            }
            ++count;
            const std::optional<QByteArray>& volume = file->resourceValue().resourceValues.volumeURL;
            if (!destinationVolume || !volume || *volume != *destinationVolume) {
                size += file->size();
            }
        }
    }
    std::stable_sort(groups.begin(), groups.end(), [](const DuplicateFilesPtr& a, const DuplicateFilesPtr& b) {
        return a->totalSize() < b->totalSize();
    });
    moveToFolder(destination, count, size, groups);
}

void ScanManager::moveToFolder(const QByteArray& destination, int64_t count, uint64_t size,
                               const DuplicateFilesList& groups)
{
    if (!destination.isEmpty()) {
        const uint64_t free = FileManager::default_().systemFreeSize(destination).value_or(0);
        TSLOG(QStringLiteral("system free size = "), QString::number(free), QStringLiteral(", selected file size = "),
              QString::number(size));
        if (free < size) {
            DispatchQueue::main().async([this, destination, size, free] { showNotEnoughSpace(destination, size, free); });
            return;
        }
    }

    if (auto d = delegate_.call()) {
        d->startRemove();
    }
    auto progress = std::make_shared<RunProgress>();
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    std::vector<std::shared_ptr<Operation>> operations;
    for (const DuplicateFilesPtr& group : groups) {
        if (removeState_.removeStop.load()) {
            if (auto d = delegate_.call()) {
                d->stopRemove();
            }
            break;
        }
        auto operation = std::make_shared<RemoveOperation>(group, destination, removeState_);
        operation->setKeepsACopy(true);
        operation->setRemoveBlock([this, progress, count](const FileInfoPtr& file, FileType type, uint64_t freed) {
            fileRemoved(file, type, freed);
            DispatchQueue::main().async([this, progress, count] {
                progress->handled += 1;
                progress->progress += 1.0;
                std::function<void(double)> handler;
                {
                    std::lock_guard lock(removeMutex_);
                    handler = removeProgressHandler_;
                }
                if (delegate() && handler && count > 0) {
                    handler(progress->progress / static_cast<double>(count));
                }
            });
        });
        operations.push_back(operation);
        removeQueue_.addOperation(operation);
    }
    if (!removeState_.waitForOperations(operations)) {
        // Left behind with a file in hand: what its group lost so far goes
        // out of its list here.
        for (const DuplicateFilesPtr& group : groups) {
            RemoveOperation::dropRemovedFiles(*group);
        }
    }
    // A stop question open now is answered before the run ends.
    removeState_.waitWhileHeld();
    std::printf("remove elapsed = %.3f s, removed files = %lld\n",
                static_cast<double>(QDateTime::currentMSecsSinceEpoch() - start) / 1000.0,
                static_cast<long long>(succeedRemoveCount_.load()));
    std::fflush(stdout);

    updateResults(dissolveSingles);
    const Results remain = results();
    setRemoveFinished(true);
    TSLOG(QStringLiteral("remove finish! remain totalFilesSize = "), QString::number(remain.totalFilesSize),
          QStringLiteral(", videoFilesSize = "), QString::number(remain.videoFilesSize),
          QStringLiteral(", audioFilesSize = "), QString::number(remain.audioFilesSize),
          QStringLiteral(", pictureFilesSize = "), QString::number(remain.pictureFilesSize),
          QStringLiteral(", documentFilesSize = "), QString::number(remain.documentFilesSize),
          QStringLiteral(", otherFilesSize = "), QString::number(remain.otherFilesSize));
    if (auto d = delegate_.call()) {
        d->removeFinished();
    }
    asyncGALog(QStringLiteral("AfterDeleter"), QStringLiteral("SuccessRemove"),
               QStringLiteral("%1_%2_File").arg(succeedRemoveCount_.load()).arg(removeState_.failedRemoveCount.load()));
}

void ScanManager::fileRemoved(const FileInfoPtr& file, FileType type, uint64_t freed)
{
    const uint64_t size = file->size();
    succeedRemoveSize_.fetch_add(freed);
    succeedRemoveCount_.fetch_add(1);
    updateResults([size, type](Results& r) { takeOff(r, size, type); });
}

LateRemovals ScanManager::takeLateRemovals()
{
    const std::vector<LateRemoval> late = removeState_.takeLate();
    LateRemovals taken;
    if (late.empty()) {
        return taken;
    }
    updateResults([&](Results& r) {
        for (const LateRemoval& removal : late) {
            const bool shown = !removal.file->deleted() && r.totalFiles.contains(removal.group);
            removal.file->setDeleted(true);
            if (!shown) {
                continue;
            }
            const uint64_t size = removal.file->size();
            removal.group->setTotalSize(minus(removal.group->totalSize(), size));
            RemoveOperation::dropRemovedFiles(*removal.group);
            takeOff(r, size, removal.groupType);
            taken.count += 1;
            taken.size += removal.freed;
        }
        dissolveSingles(r);
    });
    return taken;
}

void ScanManager::showNotEnoughSpace(const QByteArray& destination, uint64_t size, uint64_t free)
{
    if (auto d = delegate_.call()) {
        d->stopRemove();
    }
    // A volume without a label is named by its mount point, so the notice is
    // always shown.
    const QString volume =
        FileManager::default_().volumeName(destination).value_or(QFile::decodeName(destination));
    const QString text = fillPlaceholders(localized("There is insufficient space on disk %@. Please choose to permanently delete "
                                        "these files or you can free up %@ space on disk %@ before removing duplicate "
                                        "files."),
                              {volume, transformedFileSize(size - free, true, true), volume});
    UserPrompter::shared().ask(UserPrompter::Kind::determine, text, localized("OK"), QString(), nullptr);
}
