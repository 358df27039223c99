#pragma once

#include <QByteArray>
#include <QByteArrayList>

// The operating system's own folders. A scan never takes one of them as a
// folder to walk: what lies there belongs to the system and its packages,
// and two equal files there are no copies the user made (removing one
// breaks whatever package shipped it).
class SystemFolders {
public:
    // /System, /Applications and /Library, tested as plain text prefixes as
    // they always were, and this system's own folders, tested by whole
    // components.
    static bool isSystemFolder(const QByteArray& path);
    // This system's own folders, top-level paths.
    static const QByteArrayList& linuxFolders();
    // Folders inside those that are the user's place after all: removable
    // disks are mounted below /run/media on several distributions, and the
    // desktop mounts a user's network shares, phones and cameras below
    // /run/user/<uid> (gvfs/, kio-fuse-*/, the document portal's doc/).
    static const QByteArrayList& userPlacesInside();
};
