#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <sys/types.h>

#include "FileManager.h"

// One mounted file system as /proc/self/mountinfo lists it.
struct MountEntry {
    dev_t device = 0;
    QByteArray mountPoint;  // unescaped, as bytes
    QByteArray fileSystemType;
    QByteArray source;
};

// A snapshot of the mount table. Walks take one at their start and resolve
// every item's volume against it, so a mount that changes mid-walk cannot
// make two items of one folder disagree.
class MountTable {
public:
    // Reads /proc/self/mountinfo (or the given file, for tests).
    static std::shared_ptr<const MountTable> read(const QString& mountInfoPath = QStringLiteral("/proc/self/mountinfo"));
    static std::shared_ptr<const MountTable> fromEntries(std::vector<MountEntry> entries);

    // The mount point that holds `path` on `device`: the longest mount point
    // that is a path prefix of it and lies on that device; when no mount of
    // that device covers the path, the longest prefix of any device.
    const MountEntry* volumeFor(const QByteArray& path, dev_t device) const;
    // The mount of a device; the later of two mounts wins (it shadows).
    const MountEntry* entryForDevice(dev_t device) const;

    const std::vector<MountEntry>& entries() const { return entries_; }

    // Network file systems and FUSE mounts are not local.
    static bool isLocalFileSystem(const QByteArray& type);
    // proc, sysfs and their kind: walks never descend into them.
    static bool isPseudoFileSystem(const QByteArray& type);

private:
    std::vector<MountEntry> entries_;
};

// The ten values a walk reads for every item, with their Linux meaning, plus
// what later steps need of the item (device, inode, regular file, times and,
// for a bundle read as one item, its members).
struct ResourceValues {
    QByteArray name;
    bool isDirectory = false;
    // A symbolic link, or any item that is neither a directory nor a regular
    // file (FIFO, socket, device): never opened, never descended into.
    bool isAliasFile = false;
    bool isRegularFile = false;
    bool isSymbolicLink = false;
    int64_t totalFileSize = 0;  // st_size from lstat
    bool isReadable = false;
    bool isWritable = false;
    bool isHidden = false;       // the name starts with "."
    bool isApplication = false;  // a directory whose name ends in ".app"
    std::optional<QByteArray> volumeURL;  // mount point path; none when unknown
    bool volumeIsLocal = true;
    dev_t device = 0;
    ino_t inode = 0;
    int64_t modificationTimeNs = 0;  // as seen at the scan
    int64_t statusChangeTimeNs = 0;  // as seen at the scan
    // A bundle's members as its reading found them, before their bytes were
    // read; none for anything else, and for a bundle not read.
    std::optional<MembersDigest> members;

    // Reads the values of one path without following a final symbolic link.
    // Nothing when the item cannot be examined.
    static std::optional<ResourceValues> read(const QByteArray& path, const MountTable* mounts = nullptr);
    // Fills the values from an lstat result already in hand; `dirFd`/`name`
    // answer the access questions relative to an open folder.
    static ResourceValues fromStat(const struct stat& st, const QByteArray& name, int dirFd);

    // What the item was when these values were read, for operations that
    // must act on that very item.
    ItemIdentity identity() const;

    // Sets volumeURL and volumeIsLocal for `path` from the mount table.
    void resolveVolume(const QByteArray& path, const MountTable& mounts);
};

namespace FilePath {
// The last component of a path ("" for "/").
QByteArray lastComponent(const QByteArray& path);
// The folder that holds the last component of an absolute path ("/" for a
// path right below "/", and for "/" itself).
QByteArray parentFolder(const QByteArray& path);
// The extension of the last component, without the dot; "" when none (also
// for names like ".bashrc" whose only dot leads the name).
QByteArray pathExtension(const QByteArray& path);
// Lexical clean-up: repeated "/" merged, "." dropped, ".." taking the
// component before it away, no trailing "/" (except for "/" itself).
QByteArray normalized(const QByteArray& path);
// The path made absolute against the current folder (bytes of getcwd) and
// normalised; an absolute path is only normalised.
QByteArray absolute(const QByteArray& path);
// True when `path` is `ancestor` or lies below it (whole components).
bool isSameOrBelow(const QByteArray& path, const QByteArray& ancestor);
// A file URL that keeps every byte of the path: bytes that are not UTF-8 stay
// percent-encoded, where a text conversion would replace them.
QUrl fileUrl(const QByteArray& path);
// The path bytes of a URL (a dropped or chosen item), percent escapes
// decoded to the bytes they stand for.
QByteArray fromFileUrl(const QUrl& url);
// How a path is kept in a settings text: the text itself when the bytes are
// UTF-8, else its file URL, which no absolute path can be mistaken for.
QString storedText(const QByteArray& path);
QByteArray fromStoredText(const QString& text);
// `name` cut to at most `maxBytes` bytes: the extension is kept when it
// leaves room for a good part of the rest, and no UTF-8 character is split.
QByteArray fittedName(const QByteArray& name, int maxBytes);
// The bytes on disk of a path that went through text (a file chooser hands
// out decoded names, and a name that is not UTF-8 comes back with
// replacement characters): each component that does not exist as given is
// looked up in its folder by its decoded name. Returns `path` unchanged when
// it exists, and also when a component has no single such match.
QByteArray onDisk(const QByteArray& path);
}  // namespace FilePath
