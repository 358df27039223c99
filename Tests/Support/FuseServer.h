#pragma once

#include <thread>

#include <QString>
#include <QStringList>

struct fuse;
struct fuse_operations;

// A FUSE file system served by this process, on threads of its own (so the
// others answer while one request is held), mounted at `mountPoint` for as
// long as the object lives. `data` is what fuse_get_context() gives the
// operations; `options` are mount options ("ro"). Needs /dev/fuse and root;
// mounted() says whether it worked.
class FuseServer {
public:
    FuseServer(const QString& mountPoint, const fuse_operations& operations, void* data, const QStringList& options = {});
    ~FuseServer();
    FuseServer(const FuseServer&) = delete;
    FuseServer& operator=(const FuseServer&) = delete;

    bool mounted() const { return fuse_ != nullptr; }

private:
    QString mountPoint_;
    struct fuse* fuse_ = nullptr;
    std::thread loop_;
};
