#pragma once

#include <memory>

#include <QString>

#include "FuseServer.h"

// A small FUSE file system served by this process that shows a folder's
// files at another folder, by path, as many small daemons do: it has no
// open of its own, so libfuse answers every open itself, and the kernel
// keeps what it was told for ten minutes. Its reads open the file at the
// path each time, or, holding files, keep the file first read open and
// read it by that handle from then on (as a daemon that holds a handle per
// inode does). Mounting needs /dev/fuse and root; mounted() says whether
// it worked.
class PassThroughFileSystem {
public:
    PassThroughFileSystem(const QString& folder, const QString& mountPoint, bool holdsFiles);
    ~PassThroughFileSystem();
    PassThroughFileSystem(const PassThroughFileSystem&) = delete;
    PassThroughFileSystem& operator=(const PassThroughFileSystem&) = delete;

    bool mounted() const { return server_->mounted(); }
    // Whether its folders can be listed (they can, until this says not).
    void setListing(bool listing);

    struct State;

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<FuseServer> server_;
};
