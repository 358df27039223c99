#include "Trash.h"

#include "Bundle.h"
#include "FileManager.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray infoSuffix = QByteArrayLiteral(".trashinfo");

// mkdir -p, each missing level private to the user. On failure `failedAt`
// is the level that could not be made or is no folder.
int makePath(const QByteArray& path, QByteArray* failedAt = nullptr)
{
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return 0;
        }
        if (failedAt) {
            *failedAt = path;
        }
        return ENOTDIR;
    }
    const int slash = path.lastIndexOf('/');
    if (slash > 0) {
        if (const int code = makePath(path.left(slash), failedAt)) {
            return code;
        }
    }
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        if (failedAt) {
            *failedAt = path;
        }
        return errno;
    }
    return 0;
}

// Why the Trash cannot take files, told by the folder that stops it.
QString unusableText(int code, const QByteArray& folder)
{
    const QString name = QFile::decodeName(folder);
    switch (code) {
    case ENOTDIR:
    case EEXIST:
        return localized("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.").arg(name);
    case EACCES:
    case EPERM:
        return localized("The Trash cannot be used: you are not allowed to write in \u201C%1\u201D. Nothing was moved.")
            .arg(name);
    case EROFS:
        return localized("The Trash cannot be used: \u201C%1\u201D lies on a disk that is read-only. Nothing was moved.")
            .arg(name);
    default:
        return localized("The Trash cannot be used: \u201C%1\u201D cannot be made or opened (%2). Nothing was moved.")
            .arg(name, QString::fromLocal8Bit(std::strerror(code)));
    }
}

int writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t put = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += put;
    }
    return 0;
}

const QByteArray notePrefix = QByteArrayLiteral(".twinsweep-trashing-");

// The note holds the name of the item in files/; a failure to write it only
// costs the clean-up after a kill.
bool writeNote(const QByteArray& note, const QByteArray& name)
{
    const int fd = ::open(note.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, name) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(note.constData());
    }
    return written;
}

// The item name a note holds; empty when it holds none that can be a name.
QByteArray readNote(const QByteArray& note)
{
    const int fd = ::open(note.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[NAME_MAX + 1];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0 || n > NAME_MAX) {
        return {};
    }
    const QByteArray name(buffer, static_cast<qsizetype>(n));
    return name.contains('/') || name.contains('\0') || name == "." || name == ".." ? QByteArray() : name;
}

// The original path an information file records; empty when it cannot be read.
QByteArray originalPath(const QByteArray& info)
{
    QFile file(QFile::decodeName(info));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    for (const QByteArray& line : file.read(64 * 1024).split('\n')) {
        if (line.startsWith("Path=")) {
            return QByteArray::fromPercentEncoding(line.mid(5));
        }
    }
    return {};
}

QByteArray absolute(const QByteArray& path)
{
    if (path.startsWith('/')) {
        return path;
    }
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) {
        return path;
    }
    return QByteArray(cwd) + '/' + path;
}

}  // namespace

QByteArray Trash::homeTrash()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty() || !data.startsWith('/')) {
        data = qgetenv("HOME") + "/.local/share";
    }
    while (data.size() > 1 && data.endsWith('/')) {
        data.chop(1);
    }
    return data + "/Trash";
}

QByteArray Trash::filesFolder()
{
    return homeTrash() + "/files";
}

QByteArray Trash::infoFolder()
{
    return homeTrash() + "/info";
}

bool Trash::createFolders(Error* error)
{
    int code = makePath(filesFolder());
    if (code == 0) {
        code = makePath(infoFolder());
    }
    if (code != 0) {
        if (error) {
            *error = FileManager::posixError(code, localized("The Trash folder couldn\u2019t be created."));
        }
        return false;
    }
    return true;
}

bool Trash::checkUsable(Error* error)
{
    QByteArray failedAt;
    int code = makePath(filesFolder(), &failedAt);
    if (code == 0) {
        code = makePath(infoFolder(), &failedAt);
    }
    for (const QByteArray& folder : {filesFolder(), infoFolder()}) {
        if (code != 0) {
            break;
        }
        // Both take new entries: the item and its information file.
        if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
            code = errno;
            failedAt = folder;
        }
    }
    if (code != 0) {
        if (error) {
            *error = Error::make(QStringLiteral("NSPOSIXErrorDomain"), code, unusableText(code, failedAt),
                                 QString::fromLocal8Bit(std::strerror(code)));
        }
        return false;
    }
    return true;
}

bool Trash::isNameTaken(const QByteArray& name)
{
    const FileManager& fm = FileManager::default_();
    return fm.fileExists(filesFolder() + '/' + name) || fm.fileExists(infoFolder() + '/' + name + infoSuffix);
}

QByteArray Trash::trashInfo(const QByteArray& originalPath, const QDateTime& deletionDate)
{
    return QByteArrayLiteral("[Trash Info]\nPath=") + absolute(originalPath).toPercentEncoding("/") +
           QByteArrayLiteral("\nDeletionDate=") +
           deletionDate.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

int Trash::maxNameLength()
{
    return NAME_MAX - static_cast<int>(infoSuffix.size());
}

bool Trash::trashItem(const QByteArray& path, const QByteArray& name, Error* error)
{
    return trashItem(path, name, nullptr, error);
}

bool Trash::trashItem(const QByteArray& path, const QByteArray& name, const ItemIdentity& expected, Error* error)
{
    return trashItem(path, name, &expected, error);
}

bool Trash::trashItem(const QByteArray& path, const QByteArray& name, const ItemIdentity* expected, Error* error)
{
    const auto fail = [&](int code) {
        if (error) {
            *error = FileManager::posixError(
                code, localized("\u201C%1\u201D couldn\u2019t be moved to the Trash.").arg(QFile::decodeName(name)));
        }
        return false;
    };
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..") {
        return fail(EINVAL);
    }
    if (name.size() > maxNameLength()) {
        return fail(ENAMETOOLONG);
    }
    if (expected) {
        // Nothing is written for an item that is no longer the one meant.
        const std::optional<bool> same = FileManager::default_().isItem(path, *expected);
        if (!same) {
            return fail(ENOENT);
        }
        if (!*same) {
            if (error) {
                *error = FileManager::changedError();
            }
            return false;
        }
    }
    if (!createFolders(error)) {
        return false;
    }
    const QByteArray info = infoFolder() + '/' + name + infoSuffix;
    const QByteArray target = filesFolder() + '/' + name;
    if (FileManager::default_().fileExists(target)) {
        return fail(EEXIST);
    }

    // While the item moves, a note of ours beside files/ and info/ names it:
    // a program killed meanwhile leaves an information file whose item never
    // arrived, and the note tells the next run that the file is ours.
    const QByteArray note = homeTrash() + '/' + FileManager::temporaryName(notePrefix);
    const bool noted = writeNote(note, name);
    const auto dropNote = [&] {
        if (noted) {
            ::unlink(note.constData());
        }
    };

    // The information file claims the name before anything moves.
    int code = FileManager::injectedFailure(FileStep::name, info);
    if (code == 0) {
        code = FileManager::injectedFailure(FileStep::createInfo, info);
    }
    int fd = -1;
    if (code == 0) {
        fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            code = errno;
        }
    }
    if (code != 0) {
        dropNote();
        return fail(code);
    }
    code = writeAll(fd, trashInfo(path, QDateTime::currentDateTime()));
    if (code == 0 && ::fsync(fd) != 0) {
        code = errno;
    }
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlink(info.constData());
        dropNote();
        return fail(code);
    }

    Error moveError;
    const bool moved = expected ? FileManager::default_().moveItem(path, target, *expected, &moveError)
                                : FileManager::default_().moveItem(path, target, &moveError);
    if (!moved) {
        ::unlink(info.constData());
        dropNote();
        if (error) {
            *error = moveError;
        }
        return false;
    }
    dropNote();
    return true;
}

int Trash::clearLeftovers()
{
    int cleared = FileManager::default_().clearLeftoverMoves(filesFolder());
    const QByteArray trash = homeTrash();
    const FileManager& fm = FileManager::default_();
    for (const QByteArray& note : FileManager::leftoversOfGoneProcesses(trash, notePrefix)) {
        const QByteArray notePath = trash + '/' + note;
        const QByteArray name = readNote(notePath);
        const QByteArray info = infoFolder() + '/' + name + infoSuffix;
        // Only an information file whose item never arrived, while the
        // item is still where it came from, is taken back.
        if (!name.isEmpty() && !fm.fileExists(filesFolder() + '/' + name)) {
            const QByteArray original = originalPath(info);
            if (original.startsWith('/') && fm.fileExists(original) && ::unlink(info.constData()) == 0) {
                ++cleared;
            }
        }
        ::unlink(notePath.constData());
    }
    return cleared;
}
