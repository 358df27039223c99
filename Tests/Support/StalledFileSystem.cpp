#include "StalledFileSystem.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

struct StalledFileSystem::State {
    std::mutex filesMutex;  // guards the names of `files`, which renames change
    std::map<QByteArray, QByteArray> files;
    QByteArray stalledName;
    mutable std::mutex mutex;
    std::condition_variable changed;
    int blocked = 0;
    bool released = false;
    int holdOpensFrom = 0;
    int opens = 0;
};

namespace {

StalledFileSystem::State& stateOf()
{
    return *static_cast<StalledFileSystem::State*>(fuse_get_context()->private_data);
}

// The content stays where it is while a rename gives it another name.
const QByteArray* fileAt(const char* path)
{
    StalledFileSystem::State& state = stateOf();
    if (path[0] != '/') {
        return nullptr;
    }
    std::lock_guard lock(state.filesMutex);
    const auto it = state.files.find(QByteArray(path + 1));
    return it == state.files.end() ? nullptr : &it->second;
}

// No read-ahead of the kernel's own: every read held is one a reader waits for.
// A file is never removed here: without hard removal the library would
// answer the removal of a file still open by renaming it to a hidden name,
// which reads as the file gone from its place.
void* start(struct fuse_conn_info* connection, struct fuse_config* config)
{
    connection->max_readahead = 0;
    config->hard_remove = 1;
    return fuse_get_context()->private_data;
}

int getAttributes(const char* path, struct stat* st, struct fuse_file_info*)
{
    std::memset(st, 0, sizeof *st);
    st->st_uid = ::getuid();
    st->st_gid = ::getgid();
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const QByteArray* content = fileAt(path);
    if (!content) {
        return -ENOENT;
    }
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    st->st_size = content->size();
    return 0;
}

int readFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info*,
               enum fuse_readdir_flags)
{
    if (std::strcmp(path, "/") != 0) {
        return -ENOENT;
    }
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags(0));
    StalledFileSystem::State& state = stateOf();
    std::lock_guard lock(state.filesMutex);
    for (const auto& [name, content] : state.files) {
        fill(buffer, name.constData(), nullptr, 0, fuse_fill_dir_flags(0));
    }
    return 0;
}

// Within its folder, as a removal moves a file aside for a moment and back.
int renameFile(const char* from, const char* to, unsigned int flags)
{
    if ((flags & ~unsigned(RENAME_NOREPLACE)) != 0 || from[0] != '/' || to[0] != '/') {
        return -EINVAL;
    }
    StalledFileSystem::State& state = stateOf();
    std::lock_guard lock(state.filesMutex);
    const QByteArray target(to + 1);
    if (state.files.count(target) > 0) {
        return -EEXIST;
    }
    auto node = state.files.extract(QByteArray(from + 1));
    if (!node) {
        return -ENOENT;
    }
    node.key() = target;
    state.files.insert(std::move(node));
    return 0;
}

int openFile(const char* path, struct fuse_file_info* info)
{
    if (!fileAt(path)) {
        return -ENOENT;
    }
    if ((info->flags & O_ACCMODE) != O_RDONLY) {
        return -EACCES;
    }
    // Every read comes to us: none is answered from the page cache.
    info->direct_io = 1;
    StalledFileSystem::State& state = stateOf();
    if (QByteArray(path + 1) == state.stalledName && state.holdOpensFrom > 0) {
        std::unique_lock lock(state.mutex);
        if (++state.opens >= state.holdOpensFrom) {
            ++state.blocked;
            state.changed.notify_all();
            state.changed.wait(lock, [&] { return state.released; });
            --state.blocked;
        }
    }
    return 0;
}

int readFile(const char* path, char* buffer, size_t size, off_t offset, struct fuse_file_info*)
{
    StalledFileSystem::State& state = stateOf();
    const QByteArray* content = fileAt(path);
    if (!content) {
        return -ENOENT;
    }
    // What the kernel reads ahead by itself (asked to by a reader that
    // does not wait for it) comes in whole pages; a reader's own read of
    // the file's last bytes, one past its end, does not: only such reads,
    // which someone waits for, are held.
    const bool ahead = offset % 4096 == 0 && size % 4096 == 0;
    if (QByteArray(path + 1) == state.stalledName && !ahead) {
        std::unique_lock lock(state.mutex);
        ++state.blocked;
        state.changed.notify_all();
        state.changed.wait(lock, [&] { return state.released; });
        --state.blocked;
    }
    if (offset >= content->size()) {
        return 0;
    }
    const size_t length = std::min(size, size_t(content->size() - offset));
    std::memcpy(buffer, content->constData() + offset, length);
    return int(length);
}

}  // namespace

StalledFileSystem::StalledFileSystem(const QString& folder, std::map<QByteArray, QByteArray> files,
                                     QByteArray stalledName, int holdOpensFrom)
    : folder_(folder), state_(std::make_shared<State>())
{
    state_->files = std::move(files);
    state_->stalledName = std::move(stalledName);
    state_->holdOpensFrom = holdOpensFrom;
    static struct fuse_operations operations = [] {
        struct fuse_operations ops {};
        ops.init = start;
        ops.getattr = getAttributes;
        ops.readdir = readFolder;
        ops.rename = renameFile;
        ops.open = openFile;
        ops.read = readFile;
        return ops;
    }();
    server_ = std::make_unique<FuseServer>(folder, operations, state_.get());
}

StalledFileSystem::~StalledFileSystem()
{
    // Its held reads answer, so the server's threads can end.
    release();
    server_.reset();
}

bool StalledFileSystem::waitStalled()
{
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::seconds(30), [this] { return state_->blocked > 0; });
}

bool StalledFileSystem::stalled() const
{
    std::lock_guard lock(state_->mutex);
    return state_->blocked > 0;
}

void StalledFileSystem::release()
{
    std::lock_guard lock(state_->mutex);
    state_->released = true;
    state_->changed.notify_all();
}
