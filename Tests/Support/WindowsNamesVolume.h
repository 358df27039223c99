#pragma once

#include <QString>
#include <QTemporaryDir>

// A small NTFS volume mounted through FUSE with Windows' naming rules, so a
// name holding ':' (and the other characters Windows refuses) is refused
// as a FAT, exFAT or NTFS stick refuses it. Needs root, /dev/fuse and the
// ntfs-3g tools; mounted() says whether it worked, and why() why not.
class WindowsNamesVolume {
public:
    WindowsNamesVolume();
    ~WindowsNamesVolume();
    WindowsNamesVolume(const WindowsNamesVolume&) = delete;
    WindowsNamesVolume& operator=(const WindowsNamesVolume&) = delete;

    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    QString path() const { return folder_.path() + QStringLiteral("/volume"); }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    QString why_;
};
