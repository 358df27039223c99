#pragma once

#include "MountedImage.h"

// A small NTFS volume mounted through FUSE with Windows' naming rules, so a
// name holding ':' (and the other characters Windows refuses) is refused
// as a FAT, exFAT or NTFS stick refuses it. Needs root, /dev/fuse and the
// ntfs-3g tools; mounted() says whether it worked, and why() why not.
class WindowsNamesVolume : public MountedImage {
public:
    WindowsNamesVolume();
};
