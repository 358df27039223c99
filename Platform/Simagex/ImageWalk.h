#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace simagex {

struct WalkOptions {
    std::vector<std::string> roots;       // folders (or single files) to search
    std::vector<std::string> whiteList;   // excluded folders and files
    std::vector<std::string> extensions;  // ".jpg" ..., lower case
    int64_t minSize = 0;                  // 0 = none
    int64_t maxSize = 0;                  // 0 = none
    bool skipHidden = false;
};

struct WalkedFile {
    std::string path;  // bytes as the kernel gave them
    int64_t size = 0;
};

// What the entry at a path was when it was looked at: device, inode, size
// and the modification and status-change times. Every write moves the
// status-change time, and nothing sets it back.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the entry at `path` (a link itself, not what it leads
// to); nothing when it cannot be looked at, or is neither a regular file nor
// a link (a FIFO or a device that took a file's place is never opened).
std::optional<FileIdentity> identityOf(const std::string& path);

// A path without trailing slashes ("/" stays "/").
std::string trimSlashes(const std::string& path);
// True when `path` is `folder` or lies inside it, by whole components.
bool isInside(const std::string& path, const std::string& folder);

// Collects the image files under the roots: links are never followed (a root
// itself may be one), pseudo file systems are not entered, a file reached
// twice (same device and inode) is taken once. The result is in path order.
// `onProgress` is called now and then with the number found so far and the
// latest file; `stop` ends the walk early.
class ImageWalk {
public:
    explicit ImageWalk(WalkOptions options);

    std::vector<WalkedFile> run(const std::atomic<bool>& stop,
                                const std::function<void(size_t, const std::string&)>& onProgress);

    // Roots that did not exist or were not folders or files.
    const std::vector<std::string>& missingRoots() const { return missing_; }

private:
    bool excluded(const std::string& path) const;
    bool wantedFile(const std::string& name, int64_t size) const;
    bool pseudoMount(const std::string& path) const;
    // The home Trash, or .Trash / .Trash-<uid> at the top of a volume.
    bool trashFolder(const std::string& path, const std::string& name, const struct stat& st) const;
    // True when a root is a Trash folder or lies inside one (links resolved).
    bool insideTrash(const std::string& root) const;
    void walkFolder(const std::string& folder, const std::atomic<bool>& stop,
                    const std::function<void(size_t, const std::string&)>& onProgress);

    WalkOptions options_;
    std::set<std::string> pseudoMounts_;
    std::set<std::string> mountPoints_;
    std::optional<std::pair<uint64_t, uint64_t>> homeTrash_;
    std::set<std::pair<uint64_t, uint64_t>> seenFiles_;
    std::set<std::pair<uint64_t, uint64_t>> seenFolders_;
    std::vector<WalkedFile> files_;
    std::vector<std::string> missing_;
};

// Mount points of pseudo file systems, from a mountinfo text.
std::set<std::string> pseudoMountPoints(const std::string& mountinfo);
// Every mount point of a mountinfo text.
std::set<std::string> allMountPoints(const std::string& mountinfo);
// The freedesktop home Trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string homeTrashPath();

}  // namespace simagex
