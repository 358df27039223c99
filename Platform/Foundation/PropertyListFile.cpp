#include "PropertyListFile.h"

#include "FileManager.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PropertyList {

namespace {

// Settings files are small; anything larger is not one of ours.
constexpr qint64 kMaxSize = 64LL * 1024 * 1024;
// Past this many set-aside files of one second something is wrong; the
// file is then left where it is rather than overwritten.
constexpr int kMaxNumber = 1000;

struct SetAsideLog {
    // Reads of one process take turns, so two readers of a damaged file
    // set it aside once and neither moves the fresh file that replaced it.
    std::mutex reading;
    std::mutex mutex;
    QList<SetAsideFile> pending;
    std::function<void()> observer;
    const void* owner = nullptr;

    static SetAsideLog& shared()
    {
        static SetAsideLog* log = new SetAsideLog;
        return *log;
    }
};

enum class Read { ok, missing, unreadable };

// Reads the whole regular file at `path`, never blocking on a pipe or a
// device. `entry` gets the entry itself (a link is not followed).
Read readWhole(const QByteArray& path, QByteArray* bytes, struct stat* entry)
{
    if (::lstat(path.constData(), entry) != 0) {
        return errno == ENOENT ? Read::missing : Read::unreadable;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? Read::missing : Read::unreadable;
    }
    struct stat opened {};
    Read result = Read::ok;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)
        || (S_ISREG(entry->st_mode) && (opened.st_dev != entry->st_dev || opened.st_ino != entry->st_ino))) {
        result = Read::unreadable;
    } else if (opened.st_size <= kMaxSize) {
        bytes->resize(static_cast<qsizetype>(opened.st_size));
        qsizetype done = 0;
        while (done < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + done, static_cast<size_t>(bytes->size() - done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                result = Read::unreadable;
                break;
            }
            if (n == 0) {
                break;  // shorter than it said: what is there is what it holds
            }
            done += n;
        }
        bytes->truncate(done);
    }
    // Far too large to be settings, it stays unread: no dictionary, so it
    // is set aside whole.
    ::close(fd);
    return result;
}

bool moveAside(const QString& path, const struct stat& entry, QString* setAsidePath)
{
    const ItemIdentity expected = ItemIdentity::of(entry);
    const QString base = setAsideName(path, QDateTime::currentDateTime());
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString candidate = number == 1 ? base : base + QStringLiteral("-%1").arg(number);
        const QByteArray to = QFile::encodeName(candidate);
        if (FileManager::default_().fileExists(to)) {
            continue;
        }
        Error error;
        if (FileManager::default_().moveItem(QFile::encodeName(path), to, expected, &error)) {
            *setAsidePath = candidate;
            return true;
        }
        if (error.code != EEXIST) {
            return false;
        }
    }
    return false;
}

}  // namespace

QString setAsideName(const QString& path, const QDateTime& when)
{
    // Sortable, and free of the colons and spaces that trouble file
    // managers and shells.
    return path + QStringLiteral(".damaged-") + when.toString(QStringLiteral("yyyy-MM-dd-HH.mm.ss"));
}

OwnedFile readOwnedDictionary(const QString& path)
{
    OwnedFile result;
    if (path.isEmpty()) {
        return result;
    }
    SetAsideLog& log = SetAsideLog::shared();
    {
        std::lock_guard turn(log.reading);
        QByteArray bytes;
        struct stat entry {};
        switch (readWhole(QFile::encodeName(path), &bytes, &entry)) {
        case Read::missing:
            result.state = OwnedFile::State::missing;
            return result;
        case Read::unreadable:
            result.state = OwnedFile::State::leftAlone;
            return result;
        case Read::ok:
            break;
        }
        if (const std::optional<QVariant> root = parse(bytes); root && root->metaType() == QMetaType::fromType<PlistDict>()) {
            result.state = OwnedFile::State::read;
            result.dictionary = root->value<PlistDict>();
            return result;
        }
        if (!moveAside(path, entry, &result.setAsidePath)) {
            // Changed meanwhile, or no name could be had: the next read
            // looks again, and nothing is overwritten in between.
            result.state = OwnedFile::State::leftAlone;
            return result;
        }
        result.state = OwnedFile::State::setAside;
    }
    // The observer is called under the lock, so one that is being removed
    // (its owner going away) is not called after its removal returned.
    std::lock_guard lock(log.mutex);
    log.pending.append({path, result.setAsidePath});
    if (log.observer) {
        log.observer();
    }
    return result;
}

bool isUnreadable(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    const int fd = ::open(bytes.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno != ENOENT;
    }
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return !regular;
}

bool writeOwnedFile(const QString& path, const QVariant& value)
{
    return !path.isEmpty() && !isUnreadable(path) && writeFile(path, value, Format::xml);
}

QList<SetAsideFile> takeSetAsideFiles()
{
    SetAsideLog& log = SetAsideLog::shared();
    std::lock_guard lock(log.mutex);
    return std::exchange(log.pending, {});
}

void setSetAsideObserver(const void* owner, std::function<void()> observer)
{
    SetAsideLog& log = SetAsideLog::shared();
    std::lock_guard lock(log.mutex);
    log.owner = owner;
    log.observer = std::move(observer);
}

void removeSetAsideObserver(const void* owner)
{
    SetAsideLog& log = SetAsideLog::shared();
    std::lock_guard lock(log.mutex);
    if (log.owner == owner) {
        log.owner = nullptr;
        log.observer = nullptr;
    }
}

}  // namespace PropertyList
