#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include <QByteArray>
#include <QString>

#include "FuseServer.h"

// A small FUSE file system served by this process, mounted at a folder of
// the test's choosing for as long as the object lives, whose files can be
// renamed but not written: they read as given, except one, whose reads by
// a reader that waits for them (not the kernel's own reading ahead in
// whole pages) block until release(), as a file on a network mount that
// stopped answering does.
// Its size must not be a multiple of 4096. With `holdOpensFrom` n > 0, its
// opening blocks too, from the nth on. Mounting needs /dev/fuse and root;
// mounted() says whether it worked.
class StalledFileSystem {
public:
    StalledFileSystem(const QString& folder, std::map<QByteArray, QByteArray> files, QByteArray stalledName,
                      int holdOpensFrom = 0);
    ~StalledFileSystem();
    StalledFileSystem(const StalledFileSystem&) = delete;
    StalledFileSystem& operator=(const StalledFileSystem&) = delete;

    bool mounted() const { return server_ && server_->mounted(); }
    QString path() const { return folder_; }
    // Waits until a read (or an open) of the stalled file is blocked; false after 30 s.
    bool waitStalled();
    // Whether a read of the stalled file is blocked now.
    bool stalled() const;
    // Lets the blocked reads, and every later one, answer.
    void release();

    struct State;

private:
    QString folder_;
    std::shared_ptr<State> state_;
    std::unique_ptr<FuseServer> server_;
};
