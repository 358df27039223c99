#include "TestSupport.h"

#include "Foundation/IoBatch.h"
#include "Foundation/UserDefaults.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The thread sanitizer runs the program several times slower, and a screen
// test's chain of worker hand-overs can then take longer than a bound chosen
// for the normal build. The waits are for conditions, so a longer bound costs
// nothing when the condition comes.
#if defined(__SANITIZE_THREAD__)
constexpr int kSanitizerSlowdown = 4;
#else
constexpr int kSanitizerSlowdown = 1;
#endif
}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    timeout *= kSanitizerSlowdown;
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    return true;
}

namespace {
const char* const kVars[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"};

void removeTree(const QByteArray& top)
{
    // Removed by bytes: names that are not UTF-8 defeat a removal by text.
    const auto removeOne = [](const char* path, const struct stat*, int, struct FTW*) {
        ::remove(path);
        return 0;  // go on whatever one item does
    };
    nftw(top.constData(), removeOne, 32, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

QByteArray realUserHome()
{
    const struct passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? QByteArray(entry->pw_dir) : QByteArray();
}

ProgramScratchHome::ProgramScratchHome()
{
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty() || !base.startsWith('/')) {
        base = "/tmp";
    }
    QByteArray folder = base + "/twinsweep-test-home-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        std::fprintf(stderr, "No scratch home could be made in %s (%s); no test runs against the real home.\n",
                     base.constData(), std::strerror(errno));
        return;
    }
    path_ = folder;
    const struct {
        const char* name;
        const char* below;
    } vars[] = {{"HOME", ""},
                {"XDG_DATA_HOME", "/.local/share"},
                {"XDG_CONFIG_HOME", "/.config"},
                {"XDG_CACHE_HOME", "/.cache"},
                {"XDG_STATE_HOME", "/.local/state"}};
    for (const auto& var : vars) {
        const QByteArray value = path_ + var.below;
        QDir().mkpath(QFile::decodeName(value));
        qputenv(var.name, value);
    }
    // Qt reads HOME afresh each time; the check that it now answers the
    // scratch home is what lets the tests run.
    ready_ = QDir::homePath() == QFile::decodeName(path_) && path_ != realUserHome();
    if (!ready_) {
        std::fprintf(stderr, "The home is still %s, not the scratch home %s; no test runs.\n",
                     qPrintable(QDir::homePath()), path_.constData());
    }
}

ProgramScratchHome::~ProgramScratchHome()
{
    if (!path_.isEmpty()) {
        removeTree(path_);
    }
}

void TempHomeTest::SetUp()
{
    ASSERT_TRUE(home_.isValid());
    for (int i = 0; i < 5; ++i) {
        saved_[i] = qgetenv(kVars[i]);
    }
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
    QDir().mkpath(dataHome());
    QDir().mkpath(configHome());
    QDir().mkpath(cacheHome());
    QDir().mkpath(scratch());
    UserDefaults::resetStandardUserDefaults();
    RYLog::shared().resetForTesting();
    // No usage event leaves a test unless it says the network is reachable
    // (and then observes the events with a recorder).
    Helper::setNetworkReachableOverride(false);
}

void TempHomeTest::TearDown()
{
    for (int i = 0; i < 4; ++i) {
        if (saved_[i].isNull()) {
            qunsetenv(kVars[i]);
        } else {
            qputenv(kVars[i], saved_[i]);
        }
    }
    RYLog::shared().resetForTesting();
    UserDefaults::resetStandardUserDefaults();
    Helper::setNetworkReachableOverride(std::nullopt);
    removeTree(QFile::encodeName(home_.path()));
}

QString TempHomeTest::writeFile(const QString& relativePath, const QByteArray& contents)
{
    const QString path = scratch() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }
    file.write(contents);
    return path;
}

QByteArrayList entryNames(const QByteArray& folder)
{
    QByteArrayList names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.append(name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool writeFileBytes(const QByteArray& path, const QByteArray& contents)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        const QByteArray folder = path.left(slash);
        if (::mkdir(folder.constData(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    return ::close(fd) == 0 && written;
}

QMap<QString, QByteArray> treeSnapshot(const QString& root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(root).relativeFilePath(path);
        if (info.isSymLink()) {
            entries.insert(relative, "link to " + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            entries.insert(relative, "folder");
        } else {
            QFile file(path);
            entries.insert(relative, "file: " + (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?")));
        }
    }
    return entries;
}

void copyTimes(const QString& from, const QString& to)
{
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(from).constData(), &st), 0);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool rewriteInPlaceKeepingTimes(const QByteArray& path, const QByteArray& bytes)
{
    struct stat before {};
    if (::lstat(path.constData(), &before) != 0 || !S_ISREG(before.st_mode) || bytes.size() > before.st_size) {
        return false;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size();
    ::close(fd);
    if (!written) {
        return false;
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    const auto same = [](const struct timespec& a, const struct timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        struct stat after {};
        if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::lstat(path.constData(), &after) != 0) {
            return false;
        }
        if (!same(after.st_ctim, before.st_ctim)) {
            return after.st_size == before.st_size && same(after.st_mtim, before.st_mtim);
        }
        // A coarse clock may give the write the time of the last change;
        // setting the times again moves it once the clock has moved on.
        if (clock.elapsed() > 5000) {
            return false;
        }
        QThread::yieldCurrentThread();
    }
}

SmallFileSystem::SmallFileSystem(int kilobytes)
{
    if (!folder_.isValid() || !runningAsRoot()) {
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (mounted_) {
        ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
    }
}

void SmallFileSystem::fill()
{
    const int fd = ::open(QFile::encodeName(path() + QStringLiteral("/.filler")).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    // What is left is less than a block; take it byte by byte.
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
}

BindMount::BindMount(const QString& source)
{
    if (!folder_.isValid() || !runningAsRoot()) {
        return;
    }
    mounted_ = ::mount(QFile::encodeName(source).constData(), QFile::encodeName(folder_.path()).constData(), nullptr,
                       MS_BIND, nullptr) == 0;
}

BindMount::~BindMount()
{
    if (mounted_) {
        ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
    }
}

UserRuntimeFolder::UserRuntimeFolder()
{
    lock_ = ::open("/run", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX) != 0) {
        return;
    }
    const QByteArray runtime = "/run/user/" + QByteArray::number(::getuid());
    for (const QByteArray& folder : {QByteArray("/run/user"), runtime}) {
        if (::mkdir(folder.constData(), 0700) == 0) {
            made_.append(folder);
        } else if (errno != EEXIST) {
            return;
        }
    }
    QByteArray folder = runtime + "/twinsweep-XXXXXX";
    if (::mkdtemp(folder.data())) {
        path_ = folder;
    }
}

UserRuntimeFolder::~UserRuntimeFolder()
{
    if (valid()) {
        removeTree(path_);
    }
    for (auto folder = made_.crbegin(); folder != made_.crend(); ++folder) {
        ::rmdir(folder->constData());
    }
    if (lock_ >= 0) {
        ::close(lock_);  // lets the lock go
    }
}

bool runningAsRoot()
{
    return geteuid() == 0;
}

qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:")) {
            return line.mid(6).trimmed().toLongLong() + qint64(IoBatch::bytesReadThroughRing());
        }
    }
    return -1;
}
