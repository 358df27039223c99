#include "ImageWalk.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simagex {

namespace {

const char* const kPseudoTypes[] = {"proc", "sysfs", "devtmpfs", "debugfs", "tracefs", "cgroup", "cgroup2",
                                    "securityfs", "pstore", "bpf", "autofs", "mqueue", "hugetlbfs",
                                    "configfs", "fusectl", "devpts", "binfmt_misc", "efivarfs"};

// mountinfo escapes blanks, tabs, line breaks and backslashes as \ooo.
std::string unescapeMount(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && std::isdigit((unsigned char)text[i + 1])
            && std::isdigit((unsigned char)text[i + 2]) && std::isdigit((unsigned char)text[i + 3])) {
            out.push_back(char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string lowerExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::string join(const std::string& folder, const char* name)
{
    return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

}  // namespace

std::string trimSlashes(const std::string& path)
{
    std::string out = path;
    while (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    return out;
}

bool isInside(const std::string& path, const std::string& folder)
{
    if (folder.empty()) {
        return false;
    }
    if (folder == "/") {
        return !path.empty() && path[0] == '/';
    }
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) {
        return false;
    }
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::optional<FileIdentity> identityOf(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
        return std::nullopt;
    }
    const auto ns = [](const struct timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

namespace {

// Each mount of a mountinfo text: its file system type and mount point.
template <typename Visit>
void forEachMount(const std::string& mountinfo, const Visit& visit)
{
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string part;
        while (fields >> part) {
            parts.push_back(part);
        }
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        const auto dash = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || dash == parts.end() || dash + 1 == parts.end()) {
            continue;
        }
        visit(*(dash + 1), unescapeMount(parts[4]));
    }
}

}  // namespace

std::set<std::string> pseudoMountPoints(const std::string& mountinfo)
{
    std::set<std::string> points;
    forEachMount(mountinfo, [&](const std::string& type, const std::string& point) {
        if (std::any_of(std::begin(kPseudoTypes), std::end(kPseudoTypes), [&](const char* t) { return type == t; })) {
            points.insert(point);
        }
    });
    return points;
}

std::set<std::string> allMountPoints(const std::string& mountinfo)
{
    std::set<std::string> points;
    forEachMount(mountinfo, [&](const std::string&, const std::string& point) { points.insert(point); });
    return points;
}

std::string homeTrashPath()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base = data && data[0] == '/' ? data : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.local/share";
    return trimSlashes(base) + "/Trash";
}

ImageWalk::ImageWalk(WalkOptions options)
    : options_(std::move(options))
{
    for (auto& w : options_.whiteList) {
        w = trimSlashes(w);
    }
    options_.whiteList.erase(std::remove(options_.whiteList.begin(), options_.whiteList.end(), std::string()),
                             options_.whiteList.end());
    for (auto& e : options_.extensions) {
        std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (!e.empty() && e[0] != '.') {
            e.insert(e.begin(), '.');
        }
    }
    std::ifstream info("/proc/self/mountinfo");
    std::stringstream text;
    text << info.rdbuf();
    pseudoMounts_ = pseudoMountPoints(text.str());
    mountPoints_ = allMountPoints(text.str());
    struct stat st {};
    if (::stat(homeTrashPath().c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        homeTrash_ = std::make_pair(uint64_t(st.st_dev), uint64_t(st.st_ino));
    }
}

bool ImageWalk::insideTrash(const std::string& root) const
{
    char* real = ::realpath(root.c_str(), nullptr);
    if (!real) {
        return false;
    }
    std::string folder = real;
    std::free(real);
    while (folder.size() > 1) {
        const auto slash = folder.rfind('/');
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0 && trashFolder(folder, folder.substr(slash + 1), st)) {
            return true;
        }
        folder.resize(slash == 0 ? 1 : slash);
    }
    return false;
}

bool ImageWalk::trashFolder(const std::string& path, const std::string& name, const struct stat& st) const
{
    // What lies in the Trash the user has already removed.
    if (homeTrash_ && *homeTrash_ == std::make_pair(uint64_t(st.st_dev), uint64_t(st.st_ino))) {
        return true;
    }
    const bool trashName = name == ".Trash" ||
        (name.size() > 7 && name.compare(0, 7, ".Trash-") == 0 &&
         std::all_of(name.begin() + 7, name.end(), [](char c) { return c >= '0' && c <= '9'; }));
    if (!trashName) {
        return false;
    }
    const auto slash = path.rfind('/');
    const std::string parent = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    struct stat top {}, above {};
    return parent == "/" || mountPoints_.count(parent) > 0 ||
        (::stat(parent.c_str(), &top) == 0 && ::stat((parent + "/..").c_str(), &above) == 0 &&
         (top.st_dev != above.st_dev || top.st_ino == above.st_ino));
}

bool ImageWalk::excluded(const std::string& path) const
{
    return std::any_of(options_.whiteList.begin(), options_.whiteList.end(),
                       [&](const std::string& w) { return isInside(path, w); });
}

bool ImageWalk::pseudoMount(const std::string& path) const
{
    return pseudoMounts_.count(path) > 0;
}

bool ImageWalk::wantedFile(const std::string& name, int64_t size) const
{
    const std::string ext = lowerExtension(name);
    if (ext.empty() || std::find(options_.extensions.begin(), options_.extensions.end(), ext) == options_.extensions.end()) {
        return false;
    }
    if (options_.minSize > 0 && size < options_.minSize) {
        return false;
    }
    if (options_.maxSize > 0 && size > options_.maxSize) {
        return false;
    }
    return true;
}

std::vector<WalkedFile> ImageWalk::run(const std::atomic<bool>& stop,
                                       const std::function<void(size_t, const std::string&)>& onProgress)
{
    for (const std::string& given : options_.roots) {
        if (stop.load()) {
            break;
        }
        const std::string root = trimSlashes(given);
        struct stat st {};
        if (root.empty() || ::stat(root.c_str(), &st) != 0) {
            missing_.push_back(given);
            continue;
        }
        if (excluded(root)) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (insideTrash(root)) {
                continue;
            }
            if (!pseudoMount(root) && seenFolders_.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)}).second) {
                walkFolder(root, stop, onProgress);
            }
        } else if (S_ISREG(st.st_mode)) {
            const auto slash = root.rfind('/');
            const std::string name = slash == std::string::npos ? root : root.substr(slash + 1);
            if (wantedFile(name, st.st_size) && seenFiles_.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)}).second) {
                files_.push_back({root, int64_t(st.st_size)});
            }
        } else {
            missing_.push_back(given);
        }
    }
    std::sort(files_.begin(), files_.end(), [](const WalkedFile& a, const WalkedFile& b) { return a.path < b.path; });
    return std::move(files_);
}

void ImageWalk::walkFolder(const std::string& top, const std::atomic<bool>& stop,
                           const std::function<void(size_t, const std::string&)>& onProgress)
{
    std::vector<std::string> pending{top};
    auto lastReport = std::chrono::steady_clock::now();
    while (!pending.empty() && !stop.load()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) {
            continue;
        }
        const int fd = ::dirfd(dir);
        while (dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
                continue;
            }
            if (options_.skipHidden && name[0] == '.') {
                continue;
            }
            struct stat st {};
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                std::string path = join(folder, name);
                if (excluded(path) || pseudoMount(path) || trashFolder(path, name, st)) {
                    continue;
                }
                if (seenFolders_.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)}).second) {
                    pending.push_back(std::move(path));
                }
            } else if (S_ISREG(st.st_mode)) {
                if (!wantedFile(name, st.st_size)) {
                    continue;
                }
                std::string path = join(folder, name);
                if (excluded(path)) {
                    continue;
                }
                if (seenFiles_.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)}).second) {
                    files_.push_back({std::move(path), int64_t(st.st_size)});
                }
            }
            // Links, FIFOs, sockets and devices are never opened.
        }
        ::closedir(dir);
        const auto now = std::chrono::steady_clock::now();
        if (onProgress && now - lastReport >= std::chrono::milliseconds(100)) {
            lastReport = now;
            onProgress(files_.size(), files_.empty() ? folder : files_.back().path);
        }
    }
}

}  // namespace simagex
