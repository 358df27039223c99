#pragma once

#include <optional>
#include <utility>

#include <QByteArray>

#include <sys/stat.h>
#include <sys/types.h>

// The Trash folders: the home Trash ($XDG_DATA_HOME/Trash) and, at the top
// of a volume, .Trash-<uid> and .Trash (which holds a <uid> folder for each
// user). What lies in them the user has already removed, and the next
// emptying of the Trash destroys it: no scan offers it, and above all none
// keeps it as "the copy" while it removes the user's own file.
class TrashFolders {
public:
    // The home Trash as the environment names it now.
    TrashFolders();

    // True when a folder met during a walk (its lstat) is the home Trash,
    // under whatever name it is reached.
    bool isHomeTrash(const struct stat& st) const;
    // True when `path` is a Trash folder or lies inside one, also when it is
    // reached through links or a bind mount.
    bool holds(const QByteArray& path) const;

    // ".Trash" or ".Trash-" and a number: the name of a Trash folder when it
    // stands at the top of a volume.
    static bool isVolumeTrashName(const QByteArray& name);
    // True when `folder` is the top of a volume: "/", a mount point, or a
    // folder on another device than the one that holds it.
    static bool isVolumeTop(const QByteArray& folder);

private:
    QByteArray homeTrash_;  // absolute and normalised
    QByteArray homeTrashResolved_;
    std::optional<std::pair<dev_t, ino_t>> homeTrashId_;
};
