#pragma once

#include <QByteArray>
#include <QDateTime>

#include "Error.h"
#include "FileManager.h"

// The freedesktop.org home trash ($XDG_DATA_HOME/Trash): a trashed item goes
// to files/<name> and its origin to info/<name>.trashinfo, so file managers
// can put it back. Items from other file systems are copied there.
class Trash {
public:
    // $XDG_DATA_HOME/Trash, with XDG_DATA_HOME defaulting to ~/.local/share.
    static QByteArray homeTrash();
    static QByteArray filesFolder();
    static QByteArray infoFolder();

    // Creates the trash folders that are missing (private to the user).
    static bool createFolders(Error* error = nullptr);

    // Creates what is missing and checks that files/ and info/ are folders
    // this user can add to. When not, the error's description tells the
    // user that the Trash cannot be used, and why.
    static bool checkUsable(Error* error = nullptr);

    // Whether `name` is in use in files/ or has an information file already.
    static bool isNameTaken(const QByteArray& name);

    // The longest name an item can have in the Trash: its information file
    // adds ".trashinfo" to it and must still be a valid name. Longer names
    // are given a shortened one; the information file keeps the original
    // path, so restoring gives the original name back.
    static int maxNameLength();

    // Moves the item at `path` to files/<name>. The information file is
    // created first and exclusively; when `name` is taken by then, nothing
    // happens and the error's code is EEXIST, so the caller can pick another
    // name. A name longer than maxNameLength() is refused (ENAMETOOLONG). On
    // any failure the item stays where it was and no information file is
    // left behind, but for one case: an item copied from another file system
    // of which part could not be removed after all keeps its full copy in
    // the Trash with its information file, and the error is the file
    // manager's partlyMovedError() saying so.
    static bool trashItem(const QByteArray& path, const QByteArray& name, Error* error = nullptr);
    // The same, only when the item at `path` is still `expected`.
    static bool trashItem(const QByteArray& path, const QByteArray& name, const ItemIdentity& expected,
                          Error* error = nullptr);

    // Clears what a removal killed while it moved items into the Trash left
    // there, as far as the program's own records (TemporaryItems) prove it
    // made them: copies under temporary names, and information files whose
    // item never arrived while the item is still where it was. Nothing that
    // only looks like ours is touched. Gives the number of entries removed.
    static int clearLeftovers();
    // The kind of TemporaryItems record an information file has while its
    // item moves.
    static constexpr const char* movingInformationKind = "trash-information";

    // The contents of an information file: the URL-encoded absolute path and
    // the local deletion time.
    static QByteArray trashInfo(const QByteArray& originalPath, const QDateTime& deletionDate);

private:
    static bool trashItem(const QByteArray& path, const QByteArray& name, const ItemIdentity* expected, Error* error);
};
