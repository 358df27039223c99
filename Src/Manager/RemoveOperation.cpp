#include "RemoveOperation.h"

#include "Foundation/Bundle.h"
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Main/Utilities.h"
#include "Manager/UserPrompter.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

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

}  // namespace

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
}

RemoveOperation::RemoveOperation(DuplicateFilesPtr files, QByteArray folder, RemoveState& state)
    : files_(std::move(files)), folder_(std::move(folder)), state_(state)
{
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
        const QByteArray tail = ' ' + stamp + '.' + extension;
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
    if (isCancelled() || state_.removeStop.load() || !files_) {
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

    for (qsizetype i = 0; i < infos.size(); ++i) {
        const FileInfoPtr& file = infos[i];
        state_.waitWhileHeld();
        if (state_.removeStop.load()) {
            break;
        }
        // Looked up in its own folder: a folder on the way that became a
        // link leads to another file, which is never taken for this one.
        const std::optional<bool> same = fm.isItem(file->path(), file->identity());
        if (!same && keepsACopy_ && !wasChosen(i)) {
            continue;  // nothing was asked of it, so nothing failed
        }
        if (!same) {
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(vanishedError());
            file->setSelected(false);
            continue;
        }
        if (!file->selected()) {
            continue;
        }
        if (!*same) {
            // It may no longer be a duplicate of anything: keep it.
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(changedError());
            file->setSelected(false);
            continue;
        }
        if (keepsACopy_ && !chosenWhole && !leavesACopy(infos.size(), wasChosen, where)) {
            // Removing it could take the last copy of the content.
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(keptCopyGoneError());
            file->setSelected(false);
            continue;
        }

        const bool permanently = folder_.isEmpty() || state_.forceRemove.load();
        if (!permanently && !state_.freeSizeNotEnought.load()) {
            // A move within one file system takes no space.
            const std::optional<QByteArray>& volume = file->resourceValue().resourceValues.volumeURL;
            const bool needsSpace = !folderVolume_ || !volume || *volume != *folderVolume_;
            if (needsSpace) {
                const std::optional<uint64_t> free = fm.systemFreeSize(folder_);
                if (!free) {
                    state_.failedRemoveCount.fetch_add(1);
                    file->setRemoveError(freeSizeUnknownError());
                    file->setSelected(false);
                    continue;
                }
                if (file->size() > *free) {
                    notEnoughSpace(file->size() - *free);
                    continue;  // stays, still selected
                }
            }
        }

        Error error;
        if (removeFile(*file, permanently, &error)) {
            file->setDeleted(true);
            const uint64_t total = files_->totalSize();
            files_->setTotalSize(total >= file->size() ? total - file->size() : 0);
            if (removeBlock_) {
                removeBlock_(file, groupType);
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

    QList<FileInfoPtr> kept;
    for (const FileInfoPtr& file : files_->infos()) {
        if (!file->deleted()) {
            kept.append(file);
        }
    }
    files_->setInfos(std::move(kept));
}

bool RemoveOperation::removeFile(const FileInfo& file, bool permanently, Error* error) const
{
    // Both act only on the file the scan recorded, through its folder. The
    // move removed the source already, also from a network volume; deleting
    // at that path again could hit a file that arrived since.
    if (permanently) {
        return FileManager::default_().removeItem(file.path(), file.identity(), error);
    }
    return moveIntoFolder(file.path(), file.identity(), folder_, error);
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
