#include "TemporaryItems.h"

#include "Bundle.h"
#include "FileManager.h"
#include "PrivateFolder.h"
#include "PropertyList.h"
#include "ResourceValues.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QByteArray recordPrefix = QByteArrayLiteral("item-");
const QByteArray partSuffix = QByteArrayLiteral(".new");
constexpr qint64 maxRecordSize = 64 * 1024;

// The whole of a small file; nothing when it cannot be read or is too big
// to be a record.
std::optional<QByteArray> readSmallFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    QByteArray data;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || data.size() + got > maxRecordSize) {
            ::close(fd);
            return got == 0 ? std::optional<QByteArray>(data) : std::nullopt;
        }
        data.append(buffer, got);
    }
}

// Which process made a record: its pid, the boot it ran in and when it
// started, so a pid given to another process after a restart (or later in
// the same boot) is not taken for the one that made the record.
struct ProcessMark {
    qint64 pid = 0;
    QByteArray boot;
    qint64 started = 0;
};

QByteArray bootId()
{
    const std::optional<QByteArray> id = readSmallFile("/proc/sys/kernel/random/boot_id");
    return id ? id->trimmed() : QByteArray();
}

// The start time of a process in clock ticks since boot; 0 when unknown.
qint64 startOf(qint64 pid)
{
    const std::optional<QByteArray> stat = readSmallFile("/proc/" + QByteArray::number(pid) + "/stat");
    if (!stat) {
        return 0;
    }
    // The command name is in parentheses and may hold anything; the fields
    // after it start with the third, the state. The start time is the 22nd.
    const int close = stat->lastIndexOf(')');
    if (close < 0) {
        return 0;
    }
    const QList<QByteArray> fields = stat->mid(close + 2).split(' ');
    return fields.size() > 19 ? fields[19].toLongLong() : 0;
}

const ProcessMark& thisProcess()
{
    static const ProcessMark mark{::getpid(), bootId(), startOf(::getpid())};
    return mark;
}

bool processGone(qint64 pid)
{
    return pid <= 0 || pid > INT_MAX || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

// Whether the process that made a record still runs. A process that cannot
// be told apart from it counts as running: its items may still be in use.
bool stillRuns(const ProcessMark& mark)
{
    if (mark.pid <= 0 || mark.pid > INT_MAX) {
        return false;
    }
    const ProcessMark& self = thisProcess();
    if (!self.boot.isEmpty() && !mark.boot.isEmpty() && mark.boot != self.boot) {
        return false;
    }
    if (mark.started != 0) {
        if (const qint64 started = startOf(mark.pid); started != 0) {
            return started == mark.started;
        }
    }
    return !processGone(mark.pid);
}

// The pid in a record's file name (item-<pid>-<n>-<hex>, perhaps with the
// suffix of one being written); 0 when there is none.
qint64 pidInName(const QByteArray& name)
{
    if (!name.startsWith(recordPrefix)) {
        return 0;
    }
    const int dash = name.indexOf('-', recordPrefix.size());
    bool ok = false;
    const qint64 pid = name.mid(recordPrefix.size(), dash - recordPrefix.size()).toLongLong(&ok);
    return ok ? pid : 0;
}

// What tells one node from another, also from a later one that was given
// the same inode number.
struct NodeMark {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t type = 0;
    int64_t bornNs = 0;  // 0 when the file system keeps no birth time
};

// The mark of the entry `name` of `dirFd` (not followed), or of `dirFd`
// itself with AT_EMPTY_PATH; nothing, with errno set, when it cannot be read.
std::optional<NodeMark> markOf(int dirFd, const char* name, int flags = 0)
{
    struct statx sx {};
    if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_BTIME, &sx) != 0) {
        return std::nullopt;
    }
    NodeMark mark;
    mark.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    mark.inode = sx.stx_ino;
    mark.type = sx.stx_mode & S_IFMT;
    if ((sx.stx_mask & STATX_BTIME) != 0) {
        mark.bornNs = static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
    }
    return mark;
}

bool sameNode(const NodeMark& recorded, const NodeMark& now)
{
    return recorded.device == now.device && recorded.inode == now.inode && recorded.type == now.type &&
           (recorded.bornNs == 0 || now.bornNs == 0 || recorded.bornNs == now.bornNs);
}

struct RecordContents {
    QByteArray kind;
    QByteArray path;
    QByteArray extra;
    ProcessMark process;
    std::optional<NodeMark> made;
};

QByteArray serialized(const RecordContents& r)
{
    PlistDict dict{{QStringLiteral("Kind"), QString::fromLatin1(r.kind)},
                   {QStringLiteral("Path"), r.path},
                   {QStringLiteral("Process"), r.process.pid},
                   {QStringLiteral("Boot"), QString::fromLatin1(r.process.boot)},
                   {QStringLiteral("Started"), r.process.started}};
    if (!r.extra.isEmpty()) {
        dict.insert(QStringLiteral("Extra"), r.extra);
    }
    if (r.made) {
        // Device and inode numbers are kept as the 64 bits they are.
        dict.insert(QStringLiteral("Device"), static_cast<qint64>(static_cast<quint64>(r.made->device)));
        dict.insert(QStringLiteral("Inode"), static_cast<qint64>(static_cast<quint64>(r.made->inode)));
        dict.insert(QStringLiteral("Type"), static_cast<qint64>(r.made->type));
        dict.insert(QStringLiteral("Born"), static_cast<qint64>(r.made->bornNs));
    }
    return PropertyList::serialize(QVariant::fromValue(dict), PropertyList::Format::xml).value_or(QByteArray());
}

std::optional<RecordContents> parsed(const QByteArray& data)
{
    const std::optional<QVariant> value = PropertyList::parse(data);
    if (!value || !value->canConvert<PlistDict>()) {
        return std::nullopt;
    }
    const PlistDict dict = value->value<PlistDict>();
    RecordContents r;
    r.kind = dict.value(QStringLiteral("Kind")).toString().toLatin1();
    r.path = dict.value(QStringLiteral("Path")).toByteArray();
    r.extra = dict.value(QStringLiteral("Extra")).toByteArray();
    r.process.pid = dict.value(QStringLiteral("Process")).toLongLong();
    r.process.boot = dict.value(QStringLiteral("Boot")).toString().toLatin1();
    r.process.started = dict.value(QStringLiteral("Started")).toLongLong();
    if (r.kind.isEmpty() || !r.path.startsWith('/') || r.process.pid <= 0) {
        return std::nullopt;
    }
    if (dict.contains(QStringLiteral("Inode"))) {
        NodeMark made;
        made.device = static_cast<dev_t>(static_cast<quint64>(dict.value(QStringLiteral("Device")).toLongLong()));
        made.inode = static_cast<ino_t>(static_cast<quint64>(dict.value(QStringLiteral("Inode")).toLongLong()));
        made.type = static_cast<mode_t>(dict.value(QStringLiteral("Type")).toLongLong());
        made.bornNs = dict.value(QStringLiteral("Born")).toLongLong();
        r.made = made;
    }
    return r;
}

// Writes the record under a name of its own and renames it into place, so
// the record is always either its old or its new self. Data in the page
// cache survives a kill; a power failure may lose a record, which only
// leaves its item uncleared.
bool writeRecord(const QByteArray& file, const RecordContents& contents)
{
    const QByteArray data = serialized(contents);
    if (data.isEmpty()) {
        return false;
    }
    const QByteArray part = file + partSuffix;
    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // A record is far smaller than a page: one write puts all of it, or the
    // disk is full and nothing is recorded.
    const bool written = ::write(fd, data.constData(), static_cast<size_t>(data.size())) == data.size();
    const bool whole = ::close(fd) == 0 && written;
    if (!whole || ::rename(part.constData(), file.constData()) != 0) {
        ::unlink(part.constData());
        return false;
    }
    return true;
}

}  // namespace

TemporaryItems::Record::Record(Record&& other) noexcept
    : file_(std::exchange(other.file_, QByteArray())),
      path_(std::move(other.path_)),
      kind_(std::move(other.kind_)),
      extra_(std::move(other.extra_))
{
}

TemporaryItems::Record& TemporaryItems::Record::operator=(Record&& other) noexcept
{
    if (this != &other) {
        forget();
        file_ = std::exchange(other.file_, QByteArray());
        path_ = std::move(other.path_);
        kind_ = std::move(other.kind_);
        extra_ = std::move(other.extra_);
    }
    return *this;
}

TemporaryItems::Record::~Record()
{
    forget();
}

namespace {

// A record that keeps only the path proves nothing, so its item is then
// never cleared: no loss, only a leftover.
void recordMade(const QByteArray& file, RecordContents contents, const std::optional<NodeMark>& made)
{
    if (!file.isEmpty() && made) {
        contents.made = made;
        (void)writeRecord(file, contents);
    }
}

}  // namespace

void TemporaryItems::Record::created(int fd)
{
    recordMade(file_, RecordContents{kind_, path_, extra_, thisProcess(), std::nullopt}, markOf(fd, "", AT_EMPTY_PATH));
}

void TemporaryItems::Record::created()
{
    recordMade(file_, RecordContents{kind_, path_, extra_, thisProcess(), std::nullopt},
               markOf(AT_FDCWD, path_.constData()));
}

void TemporaryItems::Record::forget()
{
    if (!file_.isEmpty()) {
        ::unlink(file_.constData());
        file_.clear();
    }
}

void TemporaryItems::Record::keep()
{
    file_.clear();
}

bool TemporaryItems::Leftover::isStillAt(int dirFd, const QByteArray& name) const
{
    const std::optional<NodeMark> now = markOf(dirFd, name.constData());
    return now && sameNode(NodeMark{device, inode, type, bornNs}, *now);
}

bool TemporaryItems::Leftover::isStill() const
{
    return isStillAt(AT_FDCWD, path);
}

QByteArray TemporaryItems::recordFolder()
{
    QByteArray base = qgetenv("XDG_DATA_HOME");
    if (base.isEmpty() || !base.startsWith('/')) {
        base = qgetenv("HOME") + "/.local/share";
    }
    const QByteArray support = base + '/' + QFile::encodeName(Bundle::main().bundleIdentifier());
    if (!QDir().mkpath(QFile::decodeName(support))) {
        return {};
    }
    // Records decide what gets deleted: nobody else may write them.
    const QByteArray folder = support + "/TemporaryItems";
    return ensurePrivateFolder(folder) ? folder : QByteArray();
}

TemporaryItems::Record TemporaryItems::recordBefore(const QByteArray& path, const QByteArray& kind,
                                                   const QByteArray& extra)
{
    Record record;
    record.path_ = path;
    record.kind_ = kind;
    record.extra_ = extra;
    const QByteArray folder = recordFolder();
    if (folder.isEmpty() || !path.startsWith('/')) {
        return record;
    }
    const QByteArray file = folder + '/' + FileManager::temporaryName(recordPrefix);
    if (writeRecord(file, RecordContents{kind, path, extra, thisProcess(), std::nullopt})) {
        record.file_ = file;
    }
    return record;
}

namespace {

// Calls `use` with each record of `kind` whose process no longer runs, and
// its file. On the way the damaged records of such processes go.
template <typename Use>
void forEachRecordOfGoneProcesses(const QByteArray& records, const QByteArray& kind, Use use)
{
    DIR* dir = ::opendir(records.constData());
    if (!dir) {
        return;
    }
    std::vector<QByteArray> names;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(recordPrefix)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);

    for (const QByteArray& name : names) {
        const QByteArray file = records + '/' + name;
        const std::optional<QByteArray> data = name.endsWith(partSuffix) ? std::nullopt : readSmallFile(file);
        const std::optional<RecordContents> record = data ? parsed(*data) : std::nullopt;
        if (!record) {
            // Half written, or no record at all: of a process that is gone
            // it is of no use to anyone. It lies in our own folder.
            if (processGone(pidInName(name))) {
                ::unlink(file.constData());
            }
            continue;
        }
        if (record->kind == kind && !stillRuns(record->process)) {
            use(file, *record);
        }
    }
}

TemporaryItems::Leftover leftoverOf(const QByteArray& file, const RecordContents& record)
{
    const NodeMark made = record.made.value_or(NodeMark{});
    return TemporaryItems::Leftover{record.path, made.device, made.inode, made.type, made.bornNs, file, record.extra};
}

}  // namespace

std::vector<TemporaryItems::Leftover> TemporaryItems::leftoversIn(const QByteArray& folder, const QByteArray& kind)
{
    std::vector<Leftover> found;
    struct stat wanted {};
    const QByteArray records = recordFolder();
    if (records.isEmpty() || ::stat(folder.constData(), &wanted) != 0) {
        return found;
    }
    forEachRecordOfGoneProcesses(records, kind, [&](const QByteArray& file, const RecordContents& record) {
        struct stat parent {};
        if (::stat(FilePath::parentFolder(record.path).constData(), &parent) != 0 || parent.st_dev != wanted.st_dev ||
            parent.st_ino != wanted.st_ino) {
            return;  // another folder's, or one that cannot be reached now
        }
        const std::optional<NodeMark> now = markOf(AT_FDCWD, record.path.constData());
        if (!now && errno != ENOENT) {
            return;  // cannot tell now
        }
        Leftover leftover = leftoverOf(file, record);
        if (record.made && now && sameNode(*record.made, *now)) {
            found.push_back(std::move(leftover));
        } else {
            // Never made, gone, or replaced by something that is not ours.
            forget(leftover);
        }
    });
    return found;
}

std::vector<TemporaryItems::Leftover> TemporaryItems::leftoversByPath(const QByteArray& kind)
{
    std::vector<Leftover> found;
    const QByteArray records = recordFolder();
    if (records.isEmpty()) {
        return found;
    }
    forEachRecordOfGoneProcesses(records, kind, [&](const QByteArray& file, const RecordContents& record) {
        struct stat st {};
        if (::lstat(record.path.constData(), &st) == 0) {
            found.push_back(leftoverOf(file, record));
        } else if (errno == ENOENT && ::stat(FilePath::parentFolder(record.path).constData(), &st) == 0) {
            forget(leftoverOf(file, record));  // gone, or never made
        }
        // Otherwise its folder is gone or cannot be reached now (unmounted,
        // unplugged): it may come back.
    });
    return found;
}

void TemporaryItems::forget(const Leftover& leftover)
{
    if (!leftover.record.isEmpty()) {
        ::unlink(leftover.record.constData());
    }
}
