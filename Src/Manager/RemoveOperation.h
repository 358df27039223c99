#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include <QByteArray>

#include "Foundation/Error.h"
#include "Foundation/FileManager.h"
#include "Foundation/OperationQueue.h"
#include "Manager/RemoveHold.h"
#include "Model/DuplicateFiles.h"

// The flags and counts a removal run shares with its operations. Each engine
// that removes files owns one, so one engine's run never touches another's.
struct RemoveState {
    std::atomic<bool> removeStop{false};          // stop at the next file, queue nothing more
    std::atomic<bool> forceRemove{false};         // every further file is deleted permanently
    std::atomic<bool> freeSizeNotEnought{false};  // the destination ran short of space this run
    std::atomic<int64_t> failedRemoveCount{0};    // files that failed or had vanished
    // The queue the operations wait on; suspended while the short-of-space
    // question is open.
    OperationQueue* removeQueue = nullptr;
    // Held while the user is asked whether to stop the run.
    RemoveHold hold;

    // Ready for a new run: flags cleared, count zeroed, queue running.
    void reset();
    // Between files and before the run's end: waits while the run is held,
    // unless it is being stopped.
    void waitWhileHeld() { hold.pass(removeStop); }
};

// Removes the selected files of one group: moves each into `folder` under a
// free name, or deletes it permanently when `folder` is empty, and records on
// each file what happened. With Trash::filesFolder() as `folder` every file
// also gets its Trash information file. The operation works on the flags and
// counts of the `state` it is given (the engine's that queued it).
class RemoveOperation : public Operation {
public:
    using RemoveBlock = std::function<void(const FileInfoPtr& file, FileType groupType)>;

    RemoveOperation(DuplicateFilesPtr files, QByteArray folder, RemoveState& state);

    const DuplicateFilesPtr& files() const { return files_; }
    const QByteArray& folder() const { return folder_; }
    // Called once per removed file, on the operation's thread, with the kind
    // of the group (its first file), not of the file itself.
    const RemoveBlock& removeBlock() const { return removeBlock_; }
    void setRemoveBlock(RemoveBlock block) { removeBlock_ = std::move(block); }

    // The group's files are copies of one content. A chosen file then goes
    // only while a file the user did not choose is still there as the scan
    // saw it, unless every file was chosen; otherwise it stays, marked with
    // keptCopyGoneError(). An unchosen copy that is gone is no failure: no
    // removal was asked of it.
    bool keepsACopy() const { return keepsACopy_; }
    void setKeepsACopy(bool keeps) { keepsACopy_ = keeps; }

    // Whether removing the chosen items of a group of copies leaves the
    // content somewhere: every item was chosen (the user meant the whole
    // group to go), or one that was not is still there as the scan saw it.
    // For the item at index i, `isChosen(i)` tells whether it was chosen and
    // `where(i)` gives its path and identity.
    template <typename IsChosen, typename Where>
    static bool leavesACopy(qsizetype count, IsChosen isChosen, Where where)
    {
        bool anyKept = false;
        for (qsizetype i = 0; i < count; ++i) {
            if (isChosen(i)) {
                continue;
            }
            anyKept = true;
            const auto [path, identity] = where(i);
            if (FileManager::default_().isItem(path, identity).value_or(false)) {
                return true;
            }
        }
        return !anyKept;
    }

    // A path in `folder` for the file at `path` at which nothing exists yet:
    // the file's own name, else "<name> <yyyy-MM-dd HH:mm:ss:zzz>.<extension>".
    static QByteArray renamePath(const QByteArray& folder, const QByteArray& path);
    // The same with a caller's idea of which names are taken, and names cut
    // to `maxNameLength` bytes (the time stamp and extension are kept). The
    // stamp's time fields are parted by `timeSeparator`.
    static QByteArray renamePath(const QByteArray& folder, const QByteArray& path,
                                 const std::function<bool(const QByteArray& candidate)>& isTaken,
                                 int maxNameLength = 255, char timeSeparator = ':');

    // Moves the item at `path`, only if it is still `identity`, into
    // `folder` under a name free there (see renamePath); into the Trash,
    // with its information file, when `folder` is Trash::filesFolder(). A
    // name taken between the look and the move is tried anew. A volume that
    // refuses ':' in names (FAT, exFAT, NTFS with Windows names) gets the
    // same stamp with '.' in its place; the program remembers such a folder
    // and stamps names there that way from then on. A name the volume
    // refuses all the same (one holding '?', ending in '.', "CON") leaves
    // the item where it is, with an error that says the name is not
    // allowed on that disk.
    static bool moveIntoFolder(const QByteArray& path, const ItemIdentity& identity, const QByteArray& folder,
                               Error* error);

    // Before items move into `folder` (or the Trash, for Trash::filesFolder()):
    // what a move there cut short by a kill left behind goes.
    static void clearLeftovers(const QByteArray& folder);

    // The errors recorded on a file that is not removed.
    static Error vanishedError();
    static Error changedError();
    static Error freeSizeUnknownError();
    static Error keptCopyGoneError();

protected:
    void main() override;

private:
    // Moves or deletes one file; false with the error when that fails.
    bool removeFile(const FileInfo& file, bool permanently, Error* error) const;
    void notEnoughSpace(uint64_t shortBy);

    const DuplicateFilesPtr files_;
    const QByteArray folder_;
    RemoveState& state_;
    RemoveBlock removeBlock_;
    bool keepsACopy_ = false;
    std::optional<QByteArray> folderVolume_;
};
