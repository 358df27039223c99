#include "FileType.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/ResourceValues.h"

const QStringList& VideoFormat::allRawValues()
{
    static const QStringList values{
        "3g",  "3gp", "3gpp", "avi",  "divx", "dv",  "f4v", "flv", "m2ts", "m4v",  "mkv", "mod",
        "mov", "mp4", "mpe",  "mpeg", "mpeg4", "mpg", "mts", "nsv", "ogm",  "ogv",  "qt",  "tod",
        "ts",  "vob", "wmv",  "rm",   "rmvb", "ifo", "asx", "swf", "avs",  "bsf"};
    return values;
}

const QStringList& AudioFormat::allRawValues()
{
    static const QStringList values{"wma", "ses", "ram", "m4a", "m4b", "m4p",     "mid", "midi", "mp2",
                                    "mp3", "mso", "ogg", "cda", "all", "amr",     "ape", "asf",  "aif",
                                    "aiff", "au", "audiocd", "dm", "dss", "dvf", "wav", "flac", "aac"};
    return values;
}

const QStringList& PictureFormat::allRawValues()
{
    static const QStringList values{"aw",  "wmp", "tif", "tiff", "pict", "cdr",  "bmp", "gif", "jpeg",
                                    "jpg", "ofx", "pub", "ps",   "psd",  "qxd",  "png", "eps", "dwg",
                                    "dxf", "ico", "indd", "iges", "cr2", "3ds",  "pcx", "svg", "wmf",
                                    "met", "pgm", "ras", "svm",  "xbm",  "emf",  "pbm", "plt", "sda",
                                    "tga", "xpm", "pcd", "pct",  "ppm",  "sgf",  "raw"};
    return values;
}

const QStringList& DocumentFormat::allRawValues()
{
    static const QStringList values{"doc", "docx", "docm", "dotx", "rtf", "csv", "xls", "xlsx",
                                    "ppt", "pptx", "pptm", "potx", "pdf", "txt", "mdb", "wps"};
    return values;
}

FileType fileTypeOfExtension(const QString& extension)
{
    const QString lower = extension.toLower();
    if (VideoFormat::init(lower)) {
        return FileType::video;
    }
    if (AudioFormat::init(lower)) {
        return FileType::audio;
    }
    if (PictureFormat::init(lower)) {
        return FileType::picture;
    }
    if (DocumentFormat::init(lower)) {
        return FileType::document;
    }
    return FileType::other;
}

FileType fileTypeOfPath(const QByteArray& path)
{
    return fileTypeOfExtension(QFile::decodeName(FilePath::pathExtension(path)));
}

namespace {

// Sums below an open folder; takes ownership of `dirFd`.
int64_t sumFolder(int dirFd)
{
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    int64_t total = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
            continue;
        }
        struct stat st {};
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;  // unreadable items count nothing
        }
        if (S_ISDIR(st.st_mode)) {
            const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                total += sumFolder(child);
            }
        } else {
            total += static_cast<int64_t>(st.st_size);
        }
    }
    closedir(dir);
    return total;
}

}  // namespace

int64_t applicationSize(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    return sumFolder(fd);
}
