#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

#include <sys/types.h>

// The program's own record of the items it makes for a moment in folders
// that are not its own: a copy on its way to another file system, a Trash
// information file whose item is still moving, a file set aside under a
// temporary name. A program killed meanwhile leaves such an item behind.
// Only an item recorded here by a process that no longer runs, still at
// its recorded path and still the very node that was made (device, inode,
// type and, where the file system keeps it, birth time, so that an inode
// number given again to a new file is not taken for the old), counts as
// left over; anything else belongs to somebody else, whatever its name.
// An item that is only ever renamed back, never deleted, is looked up by
// its path alone (leftoversByPath).
//
// Each record is a small property list in the private folder
// $XDG_DATA_HOME/<bundle id>/TemporaryItems, written under a name of its
// own and renamed into place, so a kill leaves it either as it was or as
// it became. Use it in this order:
//
//     TemporaryItems::Record record = TemporaryItems::recordBefore(path, kind);
//     ... make the item at `path` (or move an item there) ...
//     record.created(fd);        // or record.created(), which looks it up
//     ... rename the item to its final name, or remove it ...
//     record.forget();           // also done when the record goes out of scope
//
// A record that cannot be written (no state folder) costs only the clean-up
// after a kill: the item is then never taken for a leftover. When the item
// could not be taken away, keep() leaves its record for the next clean-up.
// `kind` keeps the clean-ups apart: each asks only for its own kind. A
// record may carry a few bytes of its maker's own (`extra`: the name an item
// set aside is to get back, say), kept as they are and given back with the
// leftover; nothing else reads them.
class TemporaryItems {
public:
    class Record {
    public:
        Record() = default;
        Record(Record&& other) noexcept;
        Record& operator=(Record&& other) noexcept;
        Record(const Record&) = delete;
        Record& operator=(const Record&) = delete;
        ~Record();

        // Whether the record was written.
        bool isRecorded() const { return !file_.isEmpty(); }
        // The item now exists and is open as `fd`.
        void created(int fd);
        // The same, looking the item up at its path without following it.
        void created();
        // The item got its final name or went: the record goes.
        void forget();
        // The item stays where it is: the record stays for the next clean-up.
        void keep();

    private:
        friend class TemporaryItems;
        QByteArray file_;  // the record's file, empty when there is none
        QByteArray path_;
        QByteArray kind_;
        QByteArray extra_;
    };

    // An item left over by a process that no longer runs, checked just now.
    struct Leftover {
        QByteArray path;
        dev_t device = 0;
        ino_t inode = 0;
        mode_t type = 0;
        int64_t bornNs = 0;  // 0 when the file system keeps no birth time
        QByteArray record;   // the record's file
        QByteArray extra;    // as given to recordBefore()

        // Whether the entry `name` of the open folder `dirFd` (not
        // followed) is still that node.
        bool isStillAt(int dirFd, const QByteArray& name) const;
        // The same at its path.
        bool isStill() const;
    };

    // Where the records are kept; empty when it is not a private folder of
    // this user (then nothing is recorded, and nothing is left over).
    static QByteArray recordFolder();

    // Records, before it is made, an item of `kind` at `path`, with `extra`
    // (small: a record is read whole) for whoever deals with it later.
    static Record recordBefore(const QByteArray& path, const QByteArray& kind, const QByteArray& extra = {});

    // The items of `kind` directly inside `folder` (the same folder by
    // device and inode, however its path is spelt) that processes which no
    // longer run recorded and that are still as they were made. On the way
    // the records of such processes whose item is gone, was never made or
    // is another node now are forgotten; the item at the path stays.
    static std::vector<Leftover> leftoversIn(const QByteArray& folder, const QByteArray& kind);

    // The items of `kind`, in whatever folder, that processes which no
    // longer run recorded and that are still at their recorded path, be it
    // the node that was made or not (the node mark is not asked: only the
    // path). For items that are never deleted, only renamed back to a name
    // of their own without replacing anything: on a FUSE file system such a
    // rename may give the item another inode number, and the file system
    // mounted again another device number, so a mark would leave the item
    // under its temporary name for good. Records whose item is gone from a
    // folder that is there are forgotten; those whose folder cannot be
    // reached now stay for a later look.
    static std::vector<Leftover> leftoversByPath(const QByteArray& kind);

    // Drops the record of a leftover once it is dealt with.
    static void forget(const Leftover& leftover);
};
