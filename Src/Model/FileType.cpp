#include "FileType.h"

#include <QFile>

#include <string>
#include <unordered_map>

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

int asciiLowerExtension(const char* name, size_t length, char* out, int capacity)
{
    const char* end = name + length;
    const char* dot = nullptr;
    for (const char* p = end; p > name; --p) {
        if (p[-1] == '.') {
            dot = p - 1;
            break;
        }
    }
    if (!dot || dot == name || dot + 1 == end) {
        return 0;
    }
    const auto size = static_cast<int>(end - dot - 1);
    if (size > capacity) {
        // Too long for any table entry, unless a non-ASCII letter lower-cases
        // to something shorter: only plain ASCII is decided here.
        for (const char* p = dot + 1; p < end; ++p) {
            if (static_cast<unsigned char>(*p) >= 0x80) {
                return -1;
            }
        }
        return -2;
    }
    for (int i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(dot[1 + i]);
        if (c >= 0x80) {
            return -1;
        }
        out[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return size;
}

namespace {

// Every table entry with its kind, for lookups by ASCII bytes.
struct KindTable {
    std::unordered_map<std::string, FileType> kinds;
    KindTable()
    {
        const std::pair<const QStringList*, FileType> tables[] = {
            {&VideoFormat::allRawValues(), FileType::video},
            {&AudioFormat::allRawValues(), FileType::audio},
            {&PictureFormat::allRawValues(), FileType::picture},
            {&DocumentFormat::allRawValues(), FileType::document},
        };
        for (const auto& [values, type] : tables) {
            for (const QString& value : *values) {
                kinds.emplace(value.toStdString(), type);  // the first table that has it wins
            }
        }
    }
};

}  // namespace

FileType fileTypeOfName(const char* name, size_t length)
{
    static const KindTable table;
    char lower[16];
    const int size = asciiLowerExtension(name, length, lower, static_cast<int>(sizeof lower));
    if (size == 0 || size == -2) {
        return FileType::other;
    }
    if (size < 0) {
        return fileTypeOfExtension(QFile::decodeName(FilePath::pathExtension(QByteArray(name, qsizetype(length)))));
    }
    const auto it = table.kinds.find(std::string(lower, size_t(size)));
    return it == table.kinds.end() ? FileType::other : it->second;
}

FileType fileTypeOfPath(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype start = slash < 0 ? 0 : slash + 1;
    if (start == path.size() && path.size() > 1) {
        // A trailing slash: the last component is the one before it.
        return fileTypeOfExtension(QFile::decodeName(FilePath::pathExtension(path)));
    }
    return fileTypeOfName(path.constData() + start, size_t(path.size() - start));
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
