#pragma once

#include "MountedImage.h"

// A small ext4 file system mounted through a loop device: a real second
// file system whose items can be made immutable or append-only (tmpfs
// cannot). Needs root, loop devices and mkfs.ext4. Every flag set through
// it is cleared again before it unmounts, also when the test failed.
class Ext4Volume : public MountedImage {
public:
    Ext4Volume();
    ~Ext4Volume();

    // Makes the file or folder at `path` (on the volume) immutable, as
    // chattr +i does; false when the flag cannot be set.
    bool setImmutable(const QString& path) { return addFlags(path, immutable); }
    // The same for append-only (chattr +a).
    bool setAppendOnly(const QString& path) { return addFlags(path, appendOnly); }
    // Clears both flags of `path` again.
    bool clearFlags(const QString& path);

private:
    static constexpr int immutable = 0x10;   // FS_IMMUTABLE_FL
    static constexpr int appendOnly = 0x20;  // FS_APPEND_FL
    bool addFlags(const QString& path, int flags);

    QStringList flagged_;
};
