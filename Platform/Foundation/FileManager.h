#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

#include "Error.h"

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
    // and times, and only then is the source removed. On failure nothing
    // exists under `to` and the source is as it was.
    bool moveItem(const QByteArray& from, const QByteArray& to, Error* error = nullptr) const;

    // Deletes the item permanently; a folder with everything inside it. A
    // link is removed itself, never what it points to.
    bool removeItem(const QByteArray& path, Error* error = nullptr) const;

    // Bytes available to an unprivileged user on the file system of `path`.
    std::optional<uint64_t> systemFreeSize(const QByteArray& path) const;

    // The mounted file system that holds `path` (which must exist), found the
    // way a walk finds the volume of each item (MountTable), so the two agree.
    std::optional<VolumeInfo> volume(const QByteArray& path) const;
    std::optional<QByteArray> volumePath(const QByteArray& path) const;
    // The volume's label, else its mount point.
    std::optional<QString> volumeName(const QByteArray& path) const;

    static void setFaults(FileManagerFaults faults);
    static void clearFaults();
    // The injected errno for this step, 0 when none (used by Trash as well).
    static int injectedFailure(FileStep step, const QByteArray& path);

    // The error value of a failed system call.
    static Error posixError(int code, const QString& description);

private:
    FileManager() = default;
};
