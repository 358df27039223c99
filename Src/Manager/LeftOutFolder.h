#pragma once

#include <QByteArray>

// A folder the user chose that a scan did not walk, and why.
struct LeftOutFolder {
    enum class Reason {
        otherUsersHome,  // another user's home folder, or inside one
        systemFolder,    // a system folder, or a pseudo file system
        whiteListed,     // in the white list of the scan
        cannotOpen,      // gone, not a folder, or not readable
        trash,           // a Trash folder, or inside one
    };
    QByteArray path;  // absolute and normalised
    Reason reason;
    bool operator==(const LeftOutFolder&) const = default;
};
