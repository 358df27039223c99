#include "QLFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace QuickLook {

bool openRegularFile(const QByteArray& path, QFile& file)
{
    if (path.isEmpty()) {
        return false;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
}

}  // namespace QuickLook
