#include "Trash.h"

#include "Bundle.h"
#include "FileManager.h"
#include "ResourceValues.h"
#include "TemporaryItems.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

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

// What an information file says of its item: nothing when it cannot be
// read; an empty path when it holds none (a file cut short before it was
// written), else the original path. Reached by its bytes: a name need not
// be valid UTF-8.
std::optional<QByteArray> originalPath(const QByteArray& info)
{
    const int fd = ::open(info.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    QByteArray data(64 * 1024, '\0');
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, static_cast<size_t>(data.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n < 0) {
                ::close(fd);
                return std::nullopt;
            }
            break;
        }
        got += n;
    }
    ::close(fd);
    data.truncate(got);
    for (const QByteArray& line : data.split('\n')) {
        if (line.startsWith("Path=")) {
            return QByteArray::fromPercentEncoding(line.mid(5));
        }
    }
    return QByteArray();
}

// Makes the information file `info` with `data`, whole before it takes its
// name, so that a kill never leaves one half made: the data goes into an
// unnamed file in its folder, flushed, which is then linked under the name
// (refusing one that is taken). A file system without unnamed files gets
// the file made under its name and then filled. `record` learns of the file
// as soon as it exists; `named` tells whether one of ours is under the name.
int writeInformation(const QByteArray& info, const QByteArray& data, TemporaryItems::Record& record, bool& named)
{
    named = false;
    const auto fill = [&](int fd) {
        record.created(fd);
        const int code = writeAll(fd, data);
        return code == 0 && ::fsync(fd) != 0 ? errno : code;
    };
    const QByteArray folder = FilePath::parentFolder(info);
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        int code = fill(fd);
        if (code == 0) {
            // Through the descriptor's name in /proc, which needs no privilege.
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
            code = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, info.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
            named = code == 0;
        }
        ::close(fd);
        if (code != ENOENT) {
            return code;  // an unnamed file that was not linked goes with its descriptor
        }
        // No /proc: made under its name after all.
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return errno;
    }
    fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    named = true;
    int code = fill(fd);
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    return code;
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

    // While the item moves, the program's own record names the information
    // file: one killed meanwhile leaves a file whose item never arrived, and
    // the record tells the next run that the file is its own.
    TemporaryItems::Record record = TemporaryItems::recordBefore(info, Trash::movingInformationKind);
    const auto dropInfo = [&] {
        if (::unlink(info.constData()) != 0 && errno != ENOENT) {
            record.keep();
        }
    };

    // The information file claims the name before anything moves, and is
    // on disk, its name too, before the item leaves its place.
    int code = FileManager::injectedFailure(FileStep::name, info);
    if (code == 0) {
        code = FileManager::injectedFailure(FileStep::createInfo, info);
    }
    bool named = false;
    if (code == 0) {
        code = writeInformation(info, trashInfo(path, QDateTime::currentDateTime()), record, named);
    }
    if (code == 0) {
        code = FileManager::flushFolder(infoFolder());
    }
    if (code != 0) {
        if (named) {
            dropInfo();
        }
        return fail(code);
    }

    Error moveError;
    const bool moved = expected ? FileManager::default_().moveItem(path, target, *expected, &moveError)
                                : FileManager::default_().moveItem(path, target, &moveError);
    if (moved) {
        return true;
    }
    // Whatever arrived keeps its information file, so that it can be shown
    // and put back: no item of somebody else's can be under a name whose
    // information file was ours.
    if (!FileManager::default_().fileExists(target)) {
        dropInfo();
    }
    if (error) {
        const QString item = QFile::decodeName(FilePath::lastComponent(path));
        if (moveError.domain == QLatin1String(FileManager::partlyMovedDomain)) {
            *error = FileManager::partlyMovedError(
                moveError.code,
                localized("A full copy of \u201C%1\u201D is in the Trash, but part of it could not be removed and stayed at its place.")
                    .arg(item));
        } else if (moveError.domain == QLatin1String(FileManager::sourceGoneDomain)) {
            *error = Error::make(moveError.domain, moveError.code,
                                 localized("\u201C%1\u201D was copied to the Trash, but meanwhile something else removed it from its place: the copy in the Trash is the only one left.")
                                     .arg(item));
        } else {
            *error = moveError;
        }
    }
    return false;
}

int Trash::clearLeftovers()
{
    const FileManager& fm = FileManager::default_();
    int cleared = fm.clearLeftoverMoves(filesFolder());
    for (const TemporaryItems::Leftover& leftover : TemporaryItems::leftoversIn(infoFolder(), movingInformationKind)) {
        const QByteArray file = FilePath::lastComponent(leftover.path);
        const QByteArray name = file.endsWith(infoSuffix) ? file.chopped(infoSuffix.size()) : QByteArray();
        // Only an information file whose item never arrived is taken back:
        // one that leads to the item still where it came from, or one cut
        // short before it said where (the item had not started to move).
        if (!name.isEmpty() && !fm.fileExists(filesFolder() + '/' + name)) {
            const std::optional<QByteArray> original = originalPath(leftover.path);
            const bool mayGo =
                original && (original->isEmpty() || (original->startsWith('/') && fm.fileExists(*original)));
            if (mayGo && leftover.isStill()) {
                if (::unlink(leftover.path.constData()) != 0) {
                    continue;  // its record stays for the next run
                }
                ++cleared;
            }
        }
        TemporaryItems::forget(leftover);
    }
    return cleared;
}
