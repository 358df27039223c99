#include "RemoveOperation.h"

#include "Foundation/Bundle.h"
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Main/Utilities.h"
#include "Manager/UserPrompter.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace {

// Enough attempts to get past names taken by others between look and move.
constexpr int maxNameAttempts = 100;

QString text(const QByteArray& path)
{
    return QFile::decodeName(path);
}

// Whether the file is no longer what the scan saw: a regular file whose size
// or modification time differs, or that is not a regular file any more.
bool changedSinceScan(const FileInfo& file)
{
    const ResourceValues& seen = file.resourceValue().resourceValues;
    struct stat st {};
    if (::lstat(file.path().constData(), &st) != 0) {
        return false;  // gone: the caller reports that itself
    }
    if (seen.isRegularFile && !S_ISREG(st.st_mode)) {
        return true;
    }
    if (!S_ISREG(st.st_mode)) {
        return false;  // folders and links: their size says nothing
    }
    if (static_cast<uint64_t>(st.st_size) != file.size()) {
        return true;
    }
    const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return seen.modificationTimeNs != 0 && mtime != seen.modificationTimeNs;
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
    return Error::make(QStringLiteral("file has changed."), 2, localized("The file has changed since the scan."));
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
                                       const std::function<bool(const QByteArray&)>& isTaken)
{
    const QByteArray name = FilePath::lastComponent(path);
    QByteArray candidate = folder + '/' + name;
    if (!isTaken(candidate)) {
        return candidate;
    }
    const QByteArray extension = FilePath::pathExtension(path);
    const QByteArray stem = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    QByteArray last;
    do {
        // Calendar year: a file removed on 31 December carries that year.
        const QByteArray stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz")).toLatin1();
        candidate = folder + '/' + stem + ' ' + stamp + '.' + extension;
        if (candidate == last) {
            continue;  // same millisecond as the last try
        }
        last = candidate;
    } while (isTaken(candidate));
    return candidate;
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
        toTrash_ = folder_ == Trash::filesFolder();
        folderVolume_ = fm.volumePath(folder_);
    }

    for (const FileInfoPtr& file : infos) {
        if (state_.removeStop.load()) {
            break;
        }
        if (!fm.fileExists(file->path())) {
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(vanishedError());
            file->setSelected(false);
            continue;
        }
        if (!file->selected()) {
            continue;
        }
        if (changedSinceScan(*file)) {
            // It may no longer be a duplicate of anything: keep it.
            state_.failedRemoveCount.fetch_add(1);
            file->setRemoveError(changedError());
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
    if (permanently) {
        return FileManager::default_().removeItem(file.path(), error);
    }
    // The move removed the source already, also from a network volume;
    // deleting at that path again could hit a file that arrived since.
    return moveFile(file, error);
}

bool RemoveOperation::moveFile(const FileInfo& file, Error* error) const
{
    const auto isTaken = [this](const QByteArray& candidate) {
        return toTrash_ ? Trash::isNameTaken(FilePath::lastComponent(candidate))
                        : FileManager::default_().fileExists(candidate);
    };
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        const QByteArray destination = renamePath(folder_, file.path(), isTaken);
        const bool moved = toTrash_
            ? Trash::trashItem(file.path(), FilePath::lastComponent(destination), error)
            : FileManager::default_().moveItem(file.path(), destination, error);
        if (moved) {
            return true;
        }
        // Somebody took the name between the look and the move: try another.
        if (!error || error->code != EEXIST || !FileManager::default_().fileExists(file.path())) {
            return false;
        }
    }
    return false;
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
