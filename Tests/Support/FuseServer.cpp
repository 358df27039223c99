#include "FuseServer.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <vector>

#include <sys/mount.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QDir>
#include <QFile>

FuseServer::FuseServer(const QString& mountPoint, const fuse_operations& operations, void* data,
                       const QStringList& options)
    : mountPoint_(mountPoint)
{
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0 || !QDir().mkpath(mountPoint)) {
        return;
    }
    QByteArrayList words{"served"};
    for (const QString& option : options) {
        words << "-o" << option.toUtf8();
    }
    std::vector<char*> argv;
    for (QByteArray& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    struct fuse_args args = FUSE_ARGS_INIT(int(words.size()), argv.data());
    fuse_ = fuse_new(&args, &operations, sizeof operations, data);
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

FuseServer::~FuseServer()
{
    if (!fuse_) {
        return;
    }
    fuse_exit(fuse_);
    // Taken off its folder first: the kernel then ends the connection, and
    // the loop's threads return from their reads of it before its
    // descriptor is closed under them.
    ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    loop_.join();
    fuse_unmount(fuse_);
    fuse_destroy(fuse_);
}
