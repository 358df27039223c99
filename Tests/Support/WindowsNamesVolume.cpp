#include "WindowsNamesVolume.h"

WindowsNamesVolume::WindowsNamesVolume()
    : MountedImage(QStringLiteral("/dev/fuse"), QStringLiteral("mkntfs"), {"-F", "-Q", "-q"}, QStringLiteral("ntfs-3g"),
                   {"-o", "windows_names"})
{
}
