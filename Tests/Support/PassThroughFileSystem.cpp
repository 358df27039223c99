#include "PassThroughFileSystem.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

struct PassThroughFileSystem::State {
    std::string folder;
    bool holdsFiles = false;
    std::atomic<bool> listing{true};
    std::mutex mutex;
    std::map<std::string, int> held;  // path inside → the file first read there

    ~State()
    {
        for (const auto& [path, fd] : held) {
            ::close(fd);
        }
    }
};

namespace {

PassThroughFileSystem::State& stateOf()
{
    return *static_cast<PassThroughFileSystem::State*>(fuse_get_context()->private_data);
}

std::string under(const char* path)
{
    return stateOf().folder + path;
}

void* start(struct fuse_conn_info*, struct fuse_config* config)
{
    config->entry_timeout = 600;
    config->attr_timeout = 600;
    return fuse_get_context()->private_data;
}

int getAttributes(const char* path, struct stat* st, struct fuse_file_info*)
{
    return ::lstat(under(path).c_str(), st) == 0 ? 0 : -errno;
}

int readFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info*,
               enum fuse_readdir_flags)
{
    if (!stateOf().listing.load()) {
        return -EIO;
    }
    DIR* dir = ::opendir(under(path).c_str());
    if (!dir) {
        return -errno;
    }
    while (const struct dirent* entry = ::readdir(dir)) {
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags(0));
    }
    ::closedir(dir);
    return 0;
}

int readFile(const char* path, char* buffer, size_t size, off_t offset, struct fuse_file_info*)
{
    PassThroughFileSystem::State& state = stateOf();
    if (state.holdsFiles) {
        std::lock_guard lock(state.mutex);
        auto it = state.held.find(path);
        if (it == state.held.end()) {
            const int fd = ::open(under(path).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                return -errno;
            }
            it = state.held.emplace(path, fd).first;
        }
        const ssize_t got = ::pread(it->second, buffer, size, offset);
        return got < 0 ? -errno : int(got);
    }
    const int fd = ::open(under(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    const ssize_t got = ::pread(fd, buffer, size, offset);
    const int code = got < 0 ? -errno : int(got);
    ::close(fd);
    return code;
}

}  // namespace

PassThroughFileSystem::PassThroughFileSystem(const QString& folder, const QString& mountPoint, bool holdsFiles)
    : mountPoint_(mountPoint), state_(std::make_shared<State>())
{
    state_->folder = QFile::encodeName(folder).toStdString();
    state_->holdsFiles = holdsFiles;
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0 || !QDir().mkpath(mountPoint)) {
        return;
    }
    static struct fuse_operations operations = [] {
        struct fuse_operations ops {};
        ops.init = start;
        ops.getattr = getAttributes;
        ops.readdir = readFolder;
        ops.read = readFile;
        return ops;
    }();
    // Read-only, as such views often are: a read then does not make the
    // kernel ask for the file's times again.
    char program[] = "passthrough";
    char option[] = "-o";
    char readOnly[] = "ro";
    char* argv[] = {program, option, readOnly, nullptr};
    struct fuse_args args = FUSE_ARGS_INIT(holdsFiles ? 3 : 1, argv);
    fuse_ = fuse_new(&args, &operations, sizeof operations, state_.get());
    fuse_opt_free_args(&args);
    if (!fuse_) {
        return;
    }
    if (fuse_mount(fuse_, QFile::encodeName(mountPoint).constData()) != 0) {
        fuse_destroy(fuse_);
        fuse_ = nullptr;
        return;
    }
    struct fuse* served = fuse_;
    loop_ = std::thread([served] { fuse_loop_mt(served, 0); });
}

void PassThroughFileSystem::setListing(bool listing)
{
    state_->listing.store(listing);
}

PassThroughFileSystem::~PassThroughFileSystem()
{
    if (!fuse_) {
        return;
    }
    fuse_exit(fuse_);
    // Taken off its folder first, so the loop's threads return from their
    // reads of the connection before its descriptor is closed under them.
    ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    loop_.join();
    fuse_unmount(fuse_);
    fuse_destroy(fuse_);
}
