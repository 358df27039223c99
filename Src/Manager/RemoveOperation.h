#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QByteArray>

#include "Foundation/Error.h"
#include "Foundation/FileManager.h"
#include "Foundation/OperationQueue.h"
#include "Manager/LateRemovals.h"
#include "Manager/RemoveHold.h"
#include "Model/DuplicateFiles.h"

// One removal run as the work it started sees it. A stopped run may end
// without the file in hand when a call on it does not return (a stalled
// FUSE or network mount): it is then over for everything still at work,
// and what such a call brings back later changes none of the run's records
// or counts. (A file that went all the same is no longer there to show:
// the engine is handed it apart, see RemoveState::addLate.) An outcome is
// recorded under settle(), so it lands either wholly before the run's end
// or not at all.
class RemoveRun {
public:
    // Holds the run while an outcome is recorded; holds nothing once the run
    // has ended (the outcome is then dropped, and counted in droppedOutcomes()).
    std::unique_lock<std::mutex> settle();
    // Ends the run for every late outcome; false when it had ended already.
    bool end();
    bool ended() const;
    // Wakes a wait in waitUntil().
    void notify();
    // Waits until `done()`. Once `stop` reads true, only for a short grace:
    // then the run ends without what is still at work, and this is false.
    bool waitUntil(const std::function<bool()>& done, const std::atomic<bool>& stop);

    // Outcomes dropped because their run had ended, in this process.
    static int64_t droppedOutcomes();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

class RemoveOperation;

// A file that went after its run had ended without it: a call on a mount
// that stopped answering came back with the file removed after all.
struct LateRemoval {
    DuplicateFilesPtr group;  // the group whose operation removed it
    FileInfoPtr file;
    FileType groupType = FileType::other;
    uint64_t freed = 0;  // the bytes its removal freed
};

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
    // The run under way; a new one for each reset().
    std::shared_ptr<RemoveRun> run = std::make_shared<RemoveRun>();

    // Ready for a new run: flags cleared, count zeroed, queue running.
    void reset();
    // Waits until the run's operations (all it queued) are done. After a stop, an operation
    // stuck in a call that does not return is left behind within a second:
    // the run ends without it (false), and the queue gets a worker more
    // until it returns, so later runs do not wait behind it.
    bool waitForOperations(const std::vector<std::shared_ptr<Operation>>& operations);
    // The queue's width: one, plus one for each operation left behind.
    void lendWorker(int change);
    int lentWorkers = 0;  // guarded by lendWorker()'s lock
    // Between files and before the run's end: waits while the run is held,
    // unless it is being stopped.
    void waitWhileHeld() { hold.pass(removeStop); }

    // The disk has the last word on a file whose run ended without it: what
    // went is kept here, whichever run it was of, until the engine takes it
    // into its lists, and `toldLate` (set by the engine before its first
    // run) is called on the late call's thread.
    void addLate(LateRemoval removal);
    std::vector<LateRemoval> takeLate();
    std::function<void()> toldLate;

private:
    std::mutex lateMutex_;
    std::vector<LateRemoval> late_;  // guarded by lateMutex_
};

// Removes the selected files of one group: moves each into `folder` under a
// free name, or deletes it permanently when `folder` is empty, and records on
// each file what happened. With Trash::filesFolder() as `folder` every file
// also gets its Trash information file. The operation works on the flags and
// counts of the `state` it is given (the engine's that queued it).
class RemoveOperation : public Operation {
public:
    friend struct RemoveState;
    // Given the bytes the removal freed: none when the file keeps another
    // name (a hard link), else its size.
    using RemovedBlock = std::function<void(const FileInfoPtr& file, FileType groupType, uint64_t freed)>;

    RemoveOperation(DuplicateFilesPtr files, QByteArray folder, RemoveState& state);

    const DuplicateFilesPtr& files() const { return files_; }
    const QByteArray& folder() const { return folder_; }
    // Called once per removed file, on the operation's thread, with the kind
    // of the group (its first file), not of the file itself.
    const RemovedBlock& removeBlock() const { return removeBlock_; }
    void setRemoveBlock(RemovedBlock block) { removeBlock_ = std::move(block); }

    // The group's files are copies of one content. A chosen file then goes
    // only while a file the user did not choose is still there as the scan
    // saw it, unless every file was chosen; otherwise it stays, marked with
    // keptCopyGoneError(). (In any group, a file not chosen that is gone is
    // no failure: no removal was asked of it.)
    bool keepsACopy() const { return keepsACopy_; }
    void setKeepsACopy(bool keeps) { keepsACopy_ = keeps; }

    // A copy the user kept, as the scan saw it.
    struct KeptCopy {
        QByteArray path;
        ItemIdentity identity;
    };
    // The items of a group of copies that were not chosen and are still
    // there as the scan saw them. For the item at index i, `isChosen(i)`
    // tells whether it was chosen and `where(i)` gives its path and identity.
    template <typename IsChosen, typename Where>
    static std::vector<KeptCopy> keptCopies(qsizetype count, IsChosen isChosen, Where where)
    {
        std::vector<KeptCopy> kept;
        for (qsizetype i = 0; i < count; ++i) {
            if (isChosen(i)) {
                continue;
            }
            auto [path, identity] = where(i);
            if (FileManager::default_().isItem(path, identity).value_or(false)) {
                kept.push_back({std::move(path), std::move(identity)});
            }
        }
        return kept;
    }
    // Whether the chosen item at `path` (still `identity` when this starts)
    // can go without taking one of `kept` (the kept copies that are there as
    // scanned) with it. A copy on another device may be the very same file
    // seen through a FUSE view (bindfs, mergerfs, rclone), and so may one on
    // the item's own device where a FUSE or network file system makes up
    // its inode numbers (sshfs reaching a file twice). No look-up tells: the
    // item is then moved aside within its folder for a moment, and a kept
    // copy that meanwhile no longer opens as itself is that item; so is
    // one on such a file system whose first bytes no longer read, or whose
    // name its folder's listing then lacks (and has again once the item is
    // back). The item is back under its own name afterwards, and `identity`
    // is what it is now (the renames changed its status-change time).
    // False, with the reason in `error`, when it would take a kept copy or
    // that cannot be told. While an item is aside it is recorded
    // (TemporaryItems), so that a program killed meanwhile puts it back at
    // its next run (putBackAsideItems).
    static bool isApartFromKept(const QByteArray& path, ItemIdentity& identity, const std::vector<KeptCopy>& kept,
                                Error* error);
    // Puts back under their own names the items a killed run left aside.
    // Gives the number put back.
    static int putBackAsideItems();
    // The bytes removing the file at `path` of `size` frees: none while the
    // file has another name.
    static uint64_t bytesFreedBy(const QByteArray& path, uint64_t size);
    // Takes the files that went out of the group's list.
    static void dropRemovedFiles(DuplicateFiles& group);

    // A path in `folder` for the file at `path` at which nothing exists yet:
    // the file's own name, else "<name> <yyyy-MM-dd HH:mm:ss:zzz>.<extension>"
    // ("<name> <stamp>" for a name without an extension).
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
    static Error keptCopyReachedError();
    static Error keptCopyUncheckedError();

protected:
    void main() override;

private:
    // Moves or deletes one file, only while it is `identity`; false with the
    // error when that fails.
    bool removeFile(const FileInfo& file, const ItemIdentity& identity, bool permanently, Error* error) const;
    void notEnoughSpace(uint64_t shortBy);
    void run();
    // What a file that does not fit into `folder` is marked with: the
    // failure a move there would have met.
    Error noSpaceError(const QByteArray& path) const;

    const DuplicateFilesPtr files_;
    const QByteArray folder_;
    RemoveState& state_;
    const std::shared_ptr<RemoveRun> run_;
    std::atomic<bool> done_{false};
    std::atomic<bool> lent_{false};
    RemovedBlock removeBlock_;
    bool keepsACopy_ = false;
    std::optional<QByteArray> folderVolume_;
};
