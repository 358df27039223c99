#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include "Error.h"

struct stat;

// What a folder taken as one item (an application bundle) held when it was
// read: the path inside it, the kind and the identity of every member, in
// path order, digested. A member rewritten, added, removed, renamed or
// replaced since gives another digest.
using MembersDigest = std::array<unsigned char, 16>;

// What a scan saw of an item. An operation given one acts only on that very
// item: the entry is looked up in its parent folder without following it and
// must have this device and inode (and, for a regular file, this size,
// modification time and status-change time; for a bundle read as one item,
// these members). A folder that was swapped for a link since, or a file
// that was replaced, rewritten or moved in from elsewhere, is left alone.
struct ItemIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t type = 0;                 // S_IFREG, S_IFDIR, S_IFLNK…; 0 when not known
    int64_t size = 0;                // compared for regular files
    int64_t modificationTimeNs = 0;  // compared for regular files when not 0
    // Compared for regular files when not 0. Every write, rename, change of
    // mode or of the link count moves it, and unlike the modification time
    // no tool can set it back: a file rewritten in place with its old size
    // and time still shows.
    int64_t statusChangeTimeNs = 0;
    // For a folder read as one item: its members as they were read (see
    // FolderMembers); none when the folder alone counts. Checked by the
    // file operations, which can go through the folder; matches() sees only
    // the entry itself.
    std::optional<MembersDigest> members;

    // An identity with neither device nor inode matches nothing.
    bool isKnown() const { return device != 0 || inode != 0; }
    bool matches(const struct stat& st) const;
    static ItemIdentity of(const struct stat& st);
};

// The members of a folder taken as one item, gone through and digested the
// same way by the scan that reads them and by the operations that check
// them later.
class FolderMembers {
public:
    // Everything below the open folder `dirFd`, a folder before what it
    // holds, no link followed and no folder entered that is not the one
    // listed: `visit` is given each member's path inside the folder, the
    // open folder that holds it, its name there and its lstat, and returns
    // false to end the walk. False when a folder could not be gone through
    // or `visit` ended it.
    using Visit =
        std::function<bool(const QByteArray& relativePath, int dirFd, const char* name, const struct stat& st)>;
    static bool forEach(int dirFd, const Visit& visit);

    // Notes one member as forEach gives it.
    void add(const QByteArray& relativePath, const struct stat& st);
    // The digest of the members noted, whatever the order they came in.
    MembersDigest digest() const;

    // The digest of the folder open as `dirFd` as it is now; nothing when it
    // cannot be gone through whole.
    static std::optional<MembersDigest> of(int dirFd);

private:
    std::vector<std::pair<QByteArray, QByteArray>> members_;  // path inside, what it is
};

// The mounted file system that holds a path.
struct VolumeInfo {
    QByteArray mountPoint;  // absolute, without escapes
    QByteArray source;      // the mounted device or server path
    QByteArray fsType;
    QString name;           // the label, or the mount point when there is none
    bool isLocal = true;    // false for network file systems
};

// The steps of the file operations where a failure can be injected.
enum class FileStep {
    rename,       // the first, same-device attempt of a move (EXDEV forces the copy)
    copyData,     // after each block written while copying across devices
    finalRename,  // putting a finished copy under its final name
    remove,       // each unlink or rmdir of a delete (also of a move's source)
    createInfo,   // creating a Trash information file
    writeData,    // writing the data of writeFileAtomically (also its flush)
    name,         // the new name of a move or a trashed item, before anything is written (a volume's refusal)
};

// Failure injection for tests, which run as root where permissions never fail.
struct FileManagerFaults {
    // Called before each step with the path it acts on; a non-zero errno
    // makes that step fail as if the system had returned it.
    std::function<int(FileStep step, const QByteArray& path)> fail;
    // When set, replaces the reading of a file system's free space; nullopt
    // means the free space cannot be read.
    std::function<std::optional<uint64_t>(const QByteArray& path)> freeSize;
};

// File operations on paths kept as the bytes the system gave. Moves never
// replace anything that exists at the destination.
class FileManager {
public:
    static FileManager& default_();

    // Whether anything (a dangling link too) exists at the path.
    bool fileExists(const QByteArray& path) const;

    // Moves a file, link or folder to `to`, which must not exist. Within one
    // file system this is one rename that refuses to replace; across file
    // systems the item is copied under a temporary name beside `to`, flushed,
    // checked for size, renamed without replacing, given the source's mode
    // and times, and only then is the source removed. An item that cannot
    // leave its place whole (a member that is immutable or append-only, a
    // folder that takes no removals) is not copied at all, and every flush
    // the copy depends on (its files, its folders, its name) must succeed
    // before the source goes. On failure nothing exists under `to` and the
    // source is as it was, but for the cases where the full copy that
    // arrived is all that is left of the item whole: when part of the
    // source could not be removed after all (the error is a
    // partlyMovedError()), and when the source was gone by other hands
    // before it could be removed (the error's domain is sourceGoneDomain).
    // The item is reached through its parent folder, opened once: nothing
    // inside it is followed.
    bool moveItem(const QByteArray& from, const QByteArray& to, Error* error = nullptr) const;
    // The same, only when the item at `from` is still `expected`; otherwise
    // nothing moves and the error is changedError().
    bool moveItem(const QByteArray& from, const QByteArray& to, const ItemIdentity& expected,
                  Error* error = nullptr) const;

    // Deletes the item permanently; a folder with everything inside it. A
    // link is removed itself, never what it points to, and no link met
    // inside a folder is followed.
    bool removeItem(const QByteArray& path, Error* error = nullptr) const;
    // The same, only when the item at `path` is still `expected`.
    bool removeItem(const QByteArray& path, const ItemIdentity& expected, Error* error = nullptr) const;

    // Whether the entry at `path` (looked up without following it) is still
    // `expected`; nullopt when there is no entry there (or it cannot be
    // examined).
    std::optional<bool> isItem(const QByteArray& path, const ItemIdentity& expected) const;

    // Writes `data` to `path` so that the file is either whole or as it was:
    // a new file beside it is written, flushed to disk, checked for its
    // size and only then renamed over `path`. A full disk, a short write or
    // a failed flush leaves `path` untouched and says why. A file that
    // exists keeps its permissions; a new one gets `mode` (less the umask).
    bool writeFileAtomically(const QByteArray& path, const QByteArray& data, Error* error = nullptr,
                             mode_t mode = 0666) const;

    // Bytes available to an unprivileged user on the file system of `path`.
    std::optional<uint64_t> systemFreeSize(const QByteArray& path) const;

    // The mounted file system that holds `path` (which must exist), found the
    // way a walk finds the volume of each item (MountTable), so the two agree.
    std::optional<VolumeInfo> volume(const QByteArray& path) const;
    std::optional<QByteArray> volumePath(const QByteArray& path) const;
    // The volume's label, else its mount point.
    std::optional<QString> volumeName(const QByteArray& path) const;

    // A move across file systems copies under a temporary name beside its
    // destination, recorded (TemporaryItems) before it is made; a program
    // killed meanwhile leaves that copy behind. This removes from `folder`
    // the copies (files and folders alike) recorded by processes that are
    // gone and still the very items they made, and nothing else: not what a
    // running process is still writing, nor anything that merely carries
    // such a name. A copy that had taken its final name when its move was
    // killed goes only while the item it was made from is still at its
    // place as it was then, alike to it: it is a second copy. Gives the
    // count.
    int clearLeftoverMoves(const QByteArray& folder) const;
    // The kind of TemporaryItems record a copy in progress has.
    static constexpr const char* temporaryCopyKind = "move-copy";
    // The kind of record a copy has from just before it takes its final
    // name until its source is gone; its extra tells what it is a copy of.
    static constexpr const char* arrivedCopyKind = "move-arrived";
    // Flushes the entries of the folder at `path` to disk: 0, or the errno
    // of the failure (a file system that cannot flush a folder is no failure).
    static int flushFolder(const QByteArray& path);
    // A name of the form `prefix`<pid>-<counter>-<hex> for this process's
    // temporary items. The name alone proves nothing: record such an item
    // with TemporaryItems before it is made.
    static QByteArray temporaryName(const QByteArray& prefix);

    // The number of names of the regular file at `path` (looked up without
    // following it): a name of a file with more than one goes without
    // freeing its bytes. 1 for any other kind of item; nullopt when nothing
    // is there.
    std::optional<uint64_t> linkCount(const QByteArray& path) const;

    // An item renamed within its own folder to a name of ours for a moment,
    // while a removal looks what else that takes away. The folder is held
    // open, so the item is put back there even if the folder moves.
    struct Aside {
        std::shared_ptr<const int> folder;  // its descriptor, closed with the last copy
        QByteArray folderPath;              // the folder's path when the item went aside
        QByteArray name;                    // the item's own name
        QByteArray asideName;               // temporaryName(asidePrefix)
        // What the item was (0 when not known): a FUSE file system may give
        // it another inode number under another name, so that is not asked.
        dev_t device = 0;
        mode_t type = 0;
        int64_t size = 0;
        int64_t modificationTimeNs = 0;

        // Takes the open folder `fd` over, closed with the last copy.
        static std::shared_ptr<const int> holdFolder(int fd);
    };
    // The names items get aside start with this, and no other name of ours does.
    static const QByteArray asidePrefix;
    // The kind of TemporaryItems record an item aside has; its extra is the
    // item's own name.
    static constexpr const char* asideKind = "aside";
    // Renames the item at `path`, only if it is still `expected`, to
    // `asideName` (a temporaryName(asidePrefix)) in the same folder,
    // replacing nothing.
    std::optional<Aside> moveAside(const QByteArray& path, const ItemIdentity& expected, const QByteArray& asideName,
                                   Error* error = nullptr) const;
    // Puts an item that went aside back under its own name: only while it is
    // still what it was (device, kind, and a file's size and modification
    // time, where known), and never over a name taken meanwhile. Gives what
    // the item is now (a rename changes its status-change time).
    std::optional<ItemIdentity> putBack(const Aside& aside, Error* error = nullptr) const;
    // Whether opening `path` (not following a final link) reaches `expected`;
    // nullopt when it does not open. Unlike a look-up, which the kernel may
    // answer from its cache, an open reaches the daemon of a FUSE mount.
    // Some daemons answer the open all the same (libfuse for one that has
    // no open of its own) or open the file only at its first read (rclone):
    // `reading` also reads its first bytes (a folder's first entries),
    // past the page cache, and nullopt is then also a read that fails.
    std::optional<bool> opensAs(const QByteArray& path, const ItemIdentity& expected, bool reading = false) const;
    // Whether a listing of `folder` made now names `name`; nullopt when the
    // folder cannot be listed. A FUSE daemon lists what it serves now, where
    // a look-up of the name may be answered from the kernel's cache and an
    // open by a handle the daemon still holds.
    std::optional<bool> lists(const QByteArray& folder, const QByteArray& name) const;

    static void setFaults(FileManagerFaults faults);
    static void clearFaults();
    // The injected errno for this step, 0 when none (used by Trash as well).
    static int injectedFailure(FileStep step, const QByteArray& path);

    // The error value of a failed system call.
    static Error posixError(int code, const QString& description);
    // The error of a move that left part of its item at its place, while a
    // full copy arrived at the destination: `description` says so, the
    // failure reason is that of `code`. Its domain is partlyMovedDomain, so
    // a caller never tries the move again under another name.
    static Error partlyMovedError(int code, const QString& description);
    static constexpr const char* partlyMovedDomain = "item partly moved.";
    // The domain of the error of a move whose source was gone by other
    // hands once its full copy had arrived: the copy stays.
    static constexpr const char* sourceGoneDomain = "item moved, source gone.";
    // The error of an item that is no longer the one expected.
    static Error changedError();
    // The errno-like code internal steps use for that case (never a real errno).
    static constexpr int changedCode = -2;

private:
    FileManager() = default;
    bool moveItem(const QByteArray& from, const QByteArray& to, const ItemIdentity* expected, Error* error) const;
    bool removeItem(const QByteArray& path, const ItemIdentity* expected, Error* error) const;
};
