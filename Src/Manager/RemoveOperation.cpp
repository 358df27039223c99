#include "RemoveOperation.h"

#include "Foundation/Bundle.h"
#include "Foundation/FileManager.h"
#include "Foundation/TemporaryItems.h"
#include "Foundation/Trash.h"
#include "Main/Utilities.h"
#include "Manager/UserPrompter.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Enough attempts to get past names taken by others between look and move.
constexpr int maxNameAttempts = 100;

QString text(const QByteArray& path)
{
    return QFile::decodeName(path);
}

// The destination folders whose volume refused a time stamp's ':'.
std::mutex colonFoldersMutex;
QSet<QByteArray> colonFolders;

bool refusesColons(const QByteArray& folder)
{
    std::lock_guard lock(colonFoldersMutex);
    return colonFolders.contains(folder);
}

void rememberRefusesColons(const QByteArray& folder)
{
    std::lock_guard lock(colonFoldersMutex);
    colonFolders.insert(folder);
}

// How often a waiting run looks whether it was stopped.
constexpr auto stopPoll = std::chrono::milliseconds(20);
// How long a stopped run waits for the file in hand: a call that does not
// return (a stalled mount) is left behind after this, so the run's end shows
// at once.
constexpr auto stopGrace = std::chrono::milliseconds(600);

std::atomic<int64_t> dropped{0};

QByteArray pathIn(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

}  // namespace

std::unique_lock<std::mutex> RemoveRun::settle()
{
    std::unique_lock lock(mutex_);
    if (ended_) {
        lock.unlock();
        dropped.fetch_add(1);
    }
    return lock;
}

bool RemoveRun::end()
{
    std::lock_guard lock(mutex_);
    return !std::exchange(ended_, true);
}

bool RemoveRun::ended() const
{
    std::lock_guard lock(mutex_);
    return ended_;
}

void RemoveRun::notify()
{
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

bool RemoveRun::waitUntil(const std::function<bool()>& done, const std::atomic<bool>& stop)
{
    std::optional<std::chrono::steady_clock::time_point> giveUpAt;
    while (!done()) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, stopPoll);
        }
        if (!stop.load()) {
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!giveUpAt) {
            giveUpAt = now + stopGrace;
        } else if (now >= *giveUpAt && !done()) {
            end();
            TSLOG(QStringLiteral("removal stopped with a file still in hand"));
            return false;
        }
    }
    return true;
}

int64_t RemoveRun::droppedOutcomes()
{
    return dropped.load();
}

bool RemoveState::waitForOperations(const std::vector<std::shared_ptr<Operation>>& operations)
{
    // Only this run's: one an earlier run left behind may still be in the queue.
    const auto done = [&operations] {
        return std::all_of(operations.begin(), operations.end(),
                           [](const std::shared_ptr<Operation>& op) { return op->isFinished(); });
    };
    if (run->waitUntil(done, removeStop)) {
        return true;
    }
    if (removeQueue) {
        removeQueue->cancelAllOperations();
    }
    for (const std::shared_ptr<Operation>& queued : operations) {
        auto* op = dynamic_cast<RemoveOperation*>(queued.get());
        if (!op || !op->isExecuting() || op->done_.load()) {
            continue;
        }
        // Whichever of this and the operation's own end sees the other
        // gives the worker back, once.
        op->lent_.store(true);
        lendWorker(+1);
        if (op->done_.load() && op->lent_.exchange(false)) {
            lendWorker(-1);
        }
    }
    return false;
}

void RemoveState::lendWorker(int change)
{
    static std::mutex widthMutex;
    std::lock_guard lock(widthMutex);
    lentWorkers += change;
    if (removeQueue) {
        removeQueue->setMaxConcurrentOperationCount(1 + std::max(0, lentWorkers));
    }
}

void RemoveState::reset()
{
    removeStop.store(false);
    forceRemove.store(false);
    freeSizeNotEnought.store(false);
    failedRemoveCount.store(0);
    if (removeQueue) {
        removeQueue->setSuspended(false);
    }
    hold.reset();
    run = std::make_shared<RemoveRun>();
}

void RemoveState::addLate(LateRemoval removal)
{
    {
        std::lock_guard lock(lateMutex_);
        late_.push_back(std::move(removal));
    }
    if (toldLate) {
        toldLate();
    }
}

std::vector<LateRemoval> RemoveState::takeLate()
{
    std::lock_guard lock(lateMutex_);
    return std::exchange(late_, {});
}

RemoveOperation::RemoveOperation(DuplicateFilesPtr files, QByteArray folder, RemoveState& state)
    : files_(std::move(files)), folder_(std::move(folder)), state_(state), run_(state.run)
{
}

Error RemoveOperation::keptCopyReachedError()
{
    return Error::make(QStringLiteral("kept copy reached."), 5,
                       localized("This is the copy you kept, reached through another mount."));
}

uint64_t RemoveOperation::bytesFreedBy(const QByteArray& path, uint64_t size)
{
    return FileManager::default_().linkCount(path).value_or(1) > 1 ? 0 : size;
}

void RemoveOperation::dropRemovedFiles(DuplicateFiles& group)
{
    QList<FileInfoPtr> kept;
    for (const FileInfoPtr& file : group.infos()) {
        if (!file->deleted()) {
            kept.append(file);
        }
    }
    if (kept.size() != group.infos().size()) {
        group.setInfos(std::move(kept));
    }
}

namespace {

// Whether the file system on `device` that holds `path` serves files it does
// not keep itself: a FUSE daemon (but that of a disk, fuseblk, whose device
// is the disk's) or a network file system. Such a one may make up its inode
// numbers, and so show one file under two (sshfs following a link, a bind
// mount on the server), and its daemon may answer for a file from what it
// knew (rclone's listing, the kernel's attribute cache). What cannot be
// told counts as such.
bool servesIndirectly(const QByteArray& path, dev_t device)
{
    struct statfs fs {};
    if (::statfs(path.constData(), &fs) != 0) {
        return true;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
    case FUSE_SUPER_MAGIC:
        return ::major(device) == 0;
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case NCP_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool RemoveOperation::isApartFromKept(const QByteArray& path, ItemIdentity& identity, const std::vector<KeptCopy>& kept,
                                      Error* error)
{
    const auto fail = [error](const Error& reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    // A kept copy on another device may be this very item seen through a
    // view (bindfs, mergerfs, rclone). On the item's own device a kept copy
    // is another inode, so another file, unless the file system makes up
    // its inode numbers. Those are looked at with the item aside.
    struct Look {
        const KeptCopy* copy;
        bool indirect;  // its file system may answer for it from what it knew
    };
    std::vector<Look> looks;
    std::optional<bool> ownDeviceIndirect;
    for (const KeptCopy& copy : kept) {
        if (copy.identity.device != identity.device) {
            looks.push_back({&copy, servesIndirectly(copy.path, copy.identity.device)});
            continue;
        }
        if (!ownDeviceIndirect) {
            ownDeviceIndirect = servesIndirectly(path, identity.device);
        }
        if (*ownDeviceIndirect) {
            looks.push_back({&copy, true});
        }
    }
    if (looks.empty()) {
        return true;
    }
    FileManager& fm = FileManager::default_();
    // Where the daemon may answer the open itself, or open the file only
    // at its first read, the copy's first bytes are read too.
    const auto reads = [&fm](const Look& look) {
        return fm.opensAs(look.copy->path, look.copy->identity, look.indirect) == std::optional<bool>(true);
    };
    // A daemon that holds the file by a handle reads it still, but no
    // longer lists it under its name once the item is aside.
    const auto listed = [&fm](const Look& look) {
        return fm.lists(FilePath::parentFolder(look.copy->path), FilePath::lastComponent(look.copy->path));
    };
    // What cannot be reached as itself now tells nothing once the item is aside.
    for (const Look& look : looks) {
        if (!reads(look)) {
            return fail(keptCopyGoneError());
        }
    }
    const QByteArray folder = FilePath::parentFolder(path);
    const QByteArray name = FilePath::lastComponent(path);
    const QByteArray asideName = FileManager::temporaryName(FileManager::asidePrefix);
    // Recorded before it goes aside: a kill at any point after leaves the
    // record, with the name to give back.
    TemporaryItems::Record record =
        TemporaryItems::recordBefore(pathIn(folder, asideName), FileManager::asideKind, name);
    if (!record.isRecorded()) {
        return fail(keptCopyUncheckedError());
    }
    Error asideError;
    const std::optional<FileManager::Aside> aside = fm.moveAside(path, identity, asideName, &asideError);
    if (!aside) {
        record.forget();
        return fail(asideError);
    }
    bool reached = false;
    std::vector<const Look*> unlisted;
    for (const Look& look : looks) {
        if (!reads(look)) {
            reached = true;
            break;
        }
        if (look.indirect && listed(look) != std::optional<bool>(true)) {
            unlisted.push_back(&look);
        }
    }
    Error backError;
    const std::optional<ItemIdentity> back = fm.putBack(*aside, &backError);
    if (!back) {
        // Left under the name aside, and recorded: the next run puts it back.
        record.keep();
        TSLOG(QStringLiteral("an item could not be put back from aside: "), QFile::decodeName(path),
              QStringLiteral(", "), backError.localizedDescription());
        return fail(backError);
    }
    record.forget();
    if (reached) {
        return fail(keptCopyReachedError());
    }
    // A name that is listed again now that the item is back was the item's;
    // one listed neither way cannot be told.
    for (const Look* look : unlisted) {
        if (listed(*look) != std::optional<bool>(true)) {
            return fail(keptCopyUncheckedError());
        }
    }
    if (!unlisted.empty()) {
        return fail(keptCopyReachedError());
    }
    // Going aside and back renamed the item, not what a bundle holds.
    const std::optional<MembersDigest> members = identity.members;
    identity = *back;
    identity.members = members;
    return true;
}

int RemoveOperation::putBackAsideItems()
{
    FileManager& fm = FileManager::default_();
    int putBack = 0;
    // By path alone, whatever node the item is now: the put-back only ever
    // renames it back to its own name, never over a name taken meanwhile,
    // and never deletes anything. That holds also for an item on a FUSE
    // file system, which may have given it another inode number under the
    // name aside and, mounted again since, another device number. Only this
    // program makes such a name, and the record proves it made this one.
    for (const TemporaryItems::Leftover& leftover : TemporaryItems::leftoversByPath(FileManager::asideKind)) {
        const QByteArray folder = FilePath::parentFolder(leftover.path);
        const QByteArray asideName = FilePath::lastComponent(leftover.path);
        const QByteArray& name = leftover.extra;
        if (name.isEmpty() || name.contains('/') || name == "." || name == ".." ||
            !asideName.startsWith(FileManager::asidePrefix)) {
            TemporaryItems::forget(leftover);  // not a record this program writes
            continue;
        }
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            continue;  // tried again at a later run
        }
        FileManager::Aside aside;
        aside.folder = FileManager::Aside::holdFolder(fd);
        aside.folderPath = folder;
        aside.name = name;
        aside.asideName = asideName;
        Error error;
        if (fm.putBack(aside, &error)) {
            ++putBack;
            TSLOG(QStringLiteral("put back from aside: "), QFile::decodeName(pathIn(folder, name)));
        } else if (error.code == EEXIST) {
            // Its name was taken meanwhile: it waits aside, still recorded.
            TSLOG(QStringLiteral("cannot put back from aside, the name is taken: "),
                  QFile::decodeName(pathIn(folder, name)));
            continue;
        }
        TemporaryItems::forget(leftover);
    }
    return putBack;
}

Error RemoveOperation::vanishedError()
{
    return Error::make(QStringLiteral("file path does not exist."), 1, QString(),
                       localized("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."));
}

Error RemoveOperation::changedError()
{
    return FileManager::changedError();
}

Error RemoveOperation::keptCopyGoneError()
{
    return Error::make(QStringLiteral("kept copy changed."), 4,
                       localized("The copy you kept has changed or is gone since the scan."));
}

Error RemoveOperation::keptCopyUncheckedError()
{
    return Error::make(QStringLiteral("kept copy unchecked."), 6, localized("The copy you kept cannot be checked."));
}

Error RemoveOperation::freeSizeUnknownError()
{
    return Error::make(QStringLiteral("free size unknown."), 3,
                       localized("The free space of the destination cannot be read."));
}

QByteArray RemoveOperation::renamePath(const QByteArray& folder, const QByteArray& path)
{
    return renamePath(folder, path,
                      [](const QByteArray& candidate) { return FileManager::default_().fileExists(candidate); });
}

QByteArray RemoveOperation::renamePath(const QByteArray& folder, const QByteArray& path,
                                       const std::function<bool(const QByteArray&)>& isTaken, int maxNameLength,
                                       char timeSeparator)
{
    const QByteArray name = FilePath::lastComponent(path);
    QByteArray candidate = folder + '/' + FilePath::fittedName(name, maxNameLength);
    if (!isTaken(candidate)) {
        return candidate;
    }
    const QByteArray extension = FilePath::pathExtension(path);
    const QByteArray stem = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    QByteArray last;
    do {
        // Calendar year: a file removed on 31 December carries that year.
        const QByteArray stamp = QDateTime::currentDateTime()
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz"))
                                     .toLatin1()
                                     .replace(':', timeSeparator);
        // A name without an extension takes the stamp alone: a bare final
        // dot is refused by some disks and restored by none.
        const QByteArray tail = extension.isEmpty() ? ' ' + stamp : ' ' + stamp + '.' + extension;
        // A long name gives way to the stamp, which tells the copies apart.
        const QByteArray stamped = tail.size() < maxNameLength
                                       ? FilePath::fittedName(stem, maxNameLength - static_cast<int>(tail.size())) + tail
                                       : FilePath::fittedName(stem + tail, maxNameLength);
        candidate = folder + '/' + stamped;
        if (candidate == last) {
            continue;  // same millisecond as the last try
        }
        last = candidate;
    } while (isTaken(candidate));
    return candidate;
}

namespace {

QByteArray realPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    const QByteArray result = real ? QByteArray(real) : QByteArray();
    ::free(real);
    return result;
}

// Whether a move of `path` into `folder` that the system refused as invalid
// met a name the destination's disk does not allow (NTFS with Windows'
// rules, FAT and exFAT refuse '?', a trailing '.', "CON"…). The one other
// cause, a folder moved into itself, is told apart.
bool isRefusedName(const Error& error, const QByteArray& path, const QByteArray& folder)
{
    if (error.domain != QLatin1String("NSPOSIXErrorDomain") || error.code != EINVAL) {
        return false;
    }
    const QByteArray item = realPath(path);
    const QByteArray into = realPath(folder);
    return item.isEmpty() || into.isEmpty() || (into != item && !into.startsWith(item + '/'));
}

Error refusedNameError(const QByteArray& path, const QByteArray& folder, bool toTrash)
{
    const QString disk = FileManager::default_().volumeName(folder).value_or(text(folder));
    const QString name = text(FilePath::lastComponent(path));
    const QString description =
        toTrash ? localized("\u201C%1\u201D couldn\u2019t be moved to the Trash: its name is not allowed on the disk \u201C%2\u201D.")
                      .arg(name, disk)
                : localized("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D: its name is not allowed on the disk \u201C%3\u201D.")
                      .arg(name, text(folder), disk);
    return Error::make(QStringLiteral("NSPOSIXErrorDomain"), EINVAL, description,
                       localized("The name is not allowed on the disk \u201C%1\u201D.").arg(disk));
}

// The move of moveIntoFolder(), without the telling of a refused name.
bool moveUnderFreeName(const QByteArray& path, const ItemIdentity& identity, const QByteArray& folder, Error* error)
{
    const bool toTrash = folder == Trash::filesFolder();
    const auto isTaken = [toTrash](const QByteArray& candidate) {
        return toTrash ? Trash::isNameTaken(FilePath::lastComponent(candidate))
                       : FileManager::default_().fileExists(candidate);
    };
    const int maxName = toTrash ? Trash::maxNameLength() : NAME_MAX;
    const QByteArray plainName = folder + '/' + FilePath::fittedName(FilePath::lastComponent(path), maxName);
    bool dotted = refusesColons(folder);
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        const QByteArray destination = RemoveOperation::renamePath(folder, path, isTaken, maxName, dotted ? '.' : ':');
        const bool moved = toTrash ? Trash::trashItem(path, FilePath::lastComponent(destination), identity, error)
                                   : FileManager::default_().moveItem(path, destination, identity, error);
        if (moved) {
            return true;
        }
        const bool posix = error && error->domain == QLatin1String("NSPOSIXErrorDomain");
        if (!posix || !FileManager::default_().fileExists(path)) {
            return false;
        }
        if (error->code == EINVAL && !dotted && destination != plainName) {
            // The volume refuses the stamp's ':'.
            dotted = true;
            rememberRefusesColons(folder);
            continue;
        }
        // Somebody took the name between the look and the move: try another.
        if (error->code != EEXIST) {
            return false;
        }
    }
    return false;
}

}  // namespace

bool RemoveOperation::moveIntoFolder(const QByteArray& path, const ItemIdentity& identity, const QByteArray& folder,
                                     Error* error)
{
    Error failure;
    if (moveUnderFreeName(path, identity, folder, &failure)) {
        return true;
    }
    if (isRefusedName(failure, path, folder)) {
        failure = refusedNameError(path, folder, folder == Trash::filesFolder());
    }
    if (error) {
        *error = failure;
    }
    return false;
}

void RemoveOperation::clearLeftovers(const QByteArray& folder)
{
    const int cleared =
        folder == Trash::filesFolder() ? Trash::clearLeftovers() : FileManager::default_().clearLeftoverMoves(folder);
    if (cleared > 0) {
        TSLOG(QStringLiteral("cleared leftovers of an interrupted move: "), QString::number(cleared));
    }
}

void RemoveOperation::main()
{
    run();
    // Whichever of this and a run that left the operation behind sees the
    // other gives the lent worker back.
    done_.store(true);
    if (lent_.exchange(false)) {
        state_.lendWorker(-1);
    }
    run_->notify();
}

void RemoveOperation::run()
{
    if (isCancelled() || state_.removeStop.load() || !files_ || run_->ended()) {
        return;
    }
    const QList<FileInfoPtr> infos = files_->infos();
    if (infos.isEmpty()) {
        return;
    }
    const FileType groupType = files_->fileType();
    FileManager& fm = FileManager::default_();
    if (!folder_.isEmpty()) {
        folderVolume_ = fm.volumePath(folder_);
    }

    // The choice as it stood when the group's turn came: a file that fails
    // on the way is unselected, which must not make a group chosen whole
    // look like one with a copy kept.
    std::vector<char> chosen;
    chosen.reserve(static_cast<size_t>(infos.size()));
    for (const FileInfoPtr& file : infos) {
        chosen.push_back(file->selected() ? 1 : 0);
    }
    const bool chosenWhole = std::find(chosen.begin(), chosen.end(), 0) == chosen.end();
    const auto wasChosen = [&](qsizetype i) { return chosen[static_cast<size_t>(i)] != 0; };
    const auto where = [&](qsizetype i) { return std::pair(infos[i]->path(), infos[i]->identity()); };

    // Every outcome is recorded as one step of the run; false when the run
    // has ended without this operation, which then leaves everything alone.
    const auto fail = [this](const FileInfoPtr& file, const Error& error) {
        const std::unique_lock settled = run_->settle();
        if (!settled.owns_lock()) {
            return false;
        }
        state_.failedRemoveCount.fetch_add(1);
        file->setRemoveError(error);
        file->setSelected(false);
        return true;
    };

    for (qsizetype i = 0; i < infos.size(); ++i) {
        const FileInfoPtr& file = infos[i];
        state_.waitWhileHeld();
        if (state_.removeStop.load()) {
            break;
        }
        // Nothing is asked of a file that was not chosen: gone or not, it
        // has not failed.
        if (!file->selected()) {
            continue;
        }
        // Looked up in its own folder: a folder on the way that became a
        // link leads to another file, which is never taken for this one.
        const std::optional<bool> same = fm.isItem(file->path(), file->identity());
        if (!same) {
            if (!fail(file, vanishedError())) {
                return;
            }
            continue;
        }
        if (!*same) {
            // It may no longer be a duplicate of anything: keep it.
            if (!fail(file, changedError())) {
                return;
            }
            continue;
        }
        ItemIdentity identity = file->identity();
        if (keepsACopy_ && !chosenWhole) {
            // Removing it must neither take the last copy of the content
            // nor a copy kept that is this very file seen elsewhere.
            const std::vector<KeptCopy> kept = keptCopies(infos.size(), wasChosen, where);
            Error error = keptCopyGoneError();
            if (kept.empty() || !isApartFromKept(file->path(), identity, kept, &error)) {
                if (!fail(file, error)) {
                    return;
                }
                continue;
            }
        }

        const bool permanently = folder_.isEmpty() || state_.forceRemove.load();
        if (!permanently && !state_.freeSizeNotEnought.load()) {
            // A move within one file system takes no space.
            const std::optional<QByteArray>& volume = file->resourceValue().resourceValues.volumeURL;
            const bool needsSpace = !folderVolume_ || !volume || *volume != *folderVolume_;
            if (needsSpace) {
                const std::optional<uint64_t> free = fm.systemFreeSize(folder_);
                if (!free) {
                    if (!fail(file, freeSizeUnknownError())) {
                        return;
                    }
                    continue;
                }
                if (file->size() > *free) {
                    notEnoughSpace(file->size() - *free);
                    // The file in hand does not fit: it stays where it is,
                    // and says why, as the files that fail after it do.
                    if (!fail(file, noSpaceError(file->path()))) {
                        return;
                    }
                    continue;
                }
            }
        }

        // A stop that came while it was being checked: it stays. So it
        // does when the run ended meanwhile, a check on a stalled mount
        // coming back late, after a new run may have cleared the stop.
        {
            const std::unique_lock settled = run_->settle();
            if (!settled.owns_lock()) {
                return;
            }
            if (state_.removeStop.load()) {
                break;
            }
        }
        const uint64_t freed = bytesFreedBy(file->path(), file->size());
        Error error;
        const bool removed = removeFile(*file, identity, permanently, &error);
        const std::unique_lock settled = run_->settle();
        if (!settled.owns_lock()) {
            TSLOG(QStringLiteral("a removal that ended without it came back: "), file->displayPath(),
                  removed ? QStringLiteral(" went") : QStringLiteral(" stayed"));
            // What stayed stays as shown; what went must leave the lists.
            if (removed) {
                state_.addLate({files_, file, groupType, freed});
            }
            return;
        }
        if (removed) {
            file->setDeleted(true);
            const uint64_t total = files_->totalSize();
            files_->setTotalSize(total >= file->size() ? total - file->size() : 0);
            if (removeBlock_) {
                removeBlock_(file, groupType, freed);
            }
        } else {
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(error);
            file->setSelected(false);
            TSLOG(QStringLiteral("移除文件失败，源路径："), file->displayPath(), QStringLiteral("，目标路径："), text(folder_),
                  QStringLiteral("，错误描述："), error.localizedDescription());
            asyncGALog(QStringLiteral("AfterDeleter"), QStringLiteral("Fail"), error.localizedDescription());
        }
    }

    const std::unique_lock settled = run_->settle();
    if (settled.owns_lock()) {
        dropRemovedFiles(*files_);
    }
}

Error RemoveOperation::noSpaceError(const QByteArray& path) const
{
    const QString name = text(FilePath::lastComponent(path));
    const QString description =
        folder_ == Trash::filesFolder()
            ? localized("\u201C%1\u201D couldn\u2019t be moved to the Trash.").arg(name)
            : localized("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D.").arg(name, text(folder_));
    return FileManager::posixError(ENOSPC, description);
}

bool RemoveOperation::removeFile(const FileInfo& file, const ItemIdentity& identity, bool permanently,
                                 Error* error) const
{
    // Both act only on the file the scan recorded, through its folder. The
    // move removed the source already, also from a network volume; deleting
    // at that path again could hit a file that arrived since.
    if (permanently) {
        return FileManager::default_().removeItem(file.path(), identity, error);
    }
    return moveIntoFolder(file.path(), identity, folder_, error);
}

void RemoveOperation::notEnoughSpace(uint64_t shortBy)
{
    TSLOG(QStringLiteral("磁盘空间不足："), QString::number(shortBy));
    state_.freeSizeNotEnought.store(true);
    OperationQueue* queue = state_.removeQueue;
    if (queue) {
        queue->setSuspended(true);
    }
    // A volume without a label is named by its mount point; one that cannot
    // be read at all by the folder itself, so the question is always asked.
    const QString volume = FileManager::default_().volumeName(folder_).value_or(text(folder_));
    TSLOG(QStringLiteral("volumeName = "), volume);
    // A stop question that opened meanwhile is answered first: this one
    // would take its place on the screen. After a stop nothing is asked.
    state_.waitWhileHeld();
    if (state_.removeStop.load()) {
        if (queue) {
            queue->setSuspended(false);
        }
        return;
    }
    RemoveState* state = &state_;
    UserPrompter::shared().ask(
        UserPrompter::Kind::uncertain,
        localized("Some selected files will be permanently deleted because there is not enough space in %@. Are you sure to continue?")
            .replace(QStringLiteral("%@"), volume),
        localized("Yes"), localized("Cancel"), [state, queue](int answer) {
            if (answer == 1) {
                state->forceRemove.store(true);
            }
            if (queue) {
                queue->setSuspended(false);
            }
        });
}
