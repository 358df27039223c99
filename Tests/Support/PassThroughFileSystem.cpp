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
#include <sys/stat.h>
#include <unistd.h>

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
    : state_(std::make_shared<State>())
{
    state_->folder = QFile::encodeName(folder).toStdString();
    state_->holdsFiles = holdsFiles;
    static struct fuse_operations operations = [] {
        struct fuse_operations ops {};
        ops.init = start;
        ops.getattr = getAttributes;
        ops.readdir = readFolder;
        ops.read = readFile;
        return ops;
    }();
    // Holding files it is read-only, as such views often are: a read then
    // does not make the kernel ask for the file's times again.
    server_ = std::make_unique<FuseServer>(mountPoint, operations, state_.get(),
                                           holdsFiles ? QStringList{"ro"} : QStringList{});
}

PassThroughFileSystem::~PassThroughFileSystem() = default;

void PassThroughFileSystem::setListing(bool listing)
{
    state_->listing.store(listing);
}
