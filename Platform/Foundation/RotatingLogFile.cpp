#include "RotatingLogFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RotatingLogFile::RotatingLogFile(qint64 maxSize, mode_t mode) : maxSize_(maxSize), mode_(mode) {}

RotatingLogFile::~RotatingLogFile()
{
    close();
}

void RotatingLogFile::setPath(const QString& path)
{
    close();
    path_ = path;
}

void RotatingLogFile::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool RotatingLogFile::open()
{
    if (fd_ >= 0) {
        return true;
    }
    if (path_.isEmpty()) {
        return false;
    }
    const QByteArray name = QFile::encodeName(path_);
    fd_ = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode_ ? mode_ : 0666);
    if (fd_ < 0) {
        return false;
    }
    if (mode_ != 0) {
        ::fchmod(fd_, mode_);
    }
    return true;
}

bool RotatingLogFile::append(const QByteArray& bytes)
{
    if (!open()) {
        return false;
    }
    struct stat info = {};
    if (::fstat(fd_, &info) == 0 && info.st_size > 0 && info.st_size + bytes.size() > maxSize_) {
        const QByteArray name = QFile::encodeName(path_);
        close();
        ::rename(name.constData(), (name + ".1").constData());
        if (!open()) {
            return false;
        }
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}
