#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

// A file nobody may change or remove (chattr +i) for as long as the object
// lives; set() says whether the file system and the user allowed it.
class ImmutableFile {
public:
    explicit ImmutableFile(const QString& path) : path_(QFile::encodeName(path)) { set_ = apply(true); }
    ~ImmutableFile()
    {
        if (set_) {
            apply(false);
        }
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    bool set() const { return set_; }

private:
    bool apply(bool on) const
    {
        const int fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray path_;
    bool set_ = false;
};

// A folder bound read-only onto itself for as long as the object lives;
// mounted() says whether it worked (it needs root).
class ReadOnlyBind {
public:
    explicit ReadOnlyBind(const QString& folder) : path_(QFile::encodeName(folder))
    {
        if (::mount(path_.constData(), path_.constData(), nullptr, MS_BIND, nullptr) != 0) {
            return;
        }
        bound_ = true;
        mounted_ = ::mount(nullptr, path_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyBind()
    {
        if (bound_ && ::umount2(path_.constData(), 0) != 0) {
            ::umount2(path_.constData(), MNT_DETACH);
        }
    }
    ReadOnlyBind(const ReadOnlyBind&) = delete;
    ReadOnlyBind& operator=(const ReadOnlyBind&) = delete;
    bool mounted() const { return mounted_; }

private:
    QByteArray path_;
    bool bound_ = false;
    bool mounted_ = false;
};
