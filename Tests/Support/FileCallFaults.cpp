#include "FileCallFaults.h"

#include <QByteArray>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

namespace {

struct Pattern {
    QByteArray glob;
    int from = 1;  // the first matching call that is hit
    int seen = 0;
};

std::mutex mutex;
std::vector<Pattern> flushes;  // guarded by mutex
std::vector<Pattern> holds;    // guarded by mutex
QByteArray heldMark;           // guarded by mutex
std::atomic<bool> flushesSet{false};
std::atomic<bool> holdsSet{false};
std::once_flag environmentRead;

std::vector<Pattern> parsed(const QByteArrayList& lines)
{
    std::vector<Pattern> patterns;
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) {
            continue;
        }
        Pattern pattern{line};
        const qsizetype at = line.lastIndexOf('@');
        bool number = false;
        const int from = at > 0 ? line.mid(at + 1).toInt(&number) : 0;
        if (number && from > 0) {
            pattern.glob = line.left(at);
            pattern.from = from;
        }
        patterns.push_back(pattern);
    }
    return patterns;
}

void readEnvironment()
{
    std::call_once(environmentRead, [] {
        std::lock_guard lock(mutex);
        flushes = parsed(qgetenv(FileCallFaults::failFlushesVariable).split('\n'));
        holds = parsed(qgetenv(FileCallFaults::holdWritesVariable).split('\n'));
        heldMark = qgetenv(FileCallFaults::heldVariable);
        flushesSet.store(!flushes.empty());
        holdsSet.store(!holds.empty());
    });
}

QByteArray pathOf(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 ? QByteArray(target, static_cast<qsizetype>(n)) : QByteArray();
}

// Whether a call on the descriptor at `path` is hit; counts it.
bool hits(std::vector<Pattern>& patterns, const QByteArray& path)
{
    bool hit = false;
    for (Pattern& pattern : patterns) {
        if (!path.isEmpty() && ::fnmatch(pattern.glob.constData(), path.constData(), 0) == 0) {
            hit = ++pattern.seen >= pattern.from || hit;
        }
    }
    return hit;
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

void FileCallFaults::failFlushes(const QByteArrayList& patterns)
{
    readEnvironment();
    std::lock_guard lock(mutex);
    flushes = parsed(patterns);
    flushesSet.store(!flushes.empty());
}

void FileCallFaults::clear()
{
    failFlushes({});
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    readEnvironment();
    if (flushesSet.load()) {
        const QByteArray path = pathOf(fd);
        std::lock_guard lock(mutex);
        if (hits(flushes, path)) {
            errno = EIO;
            return -1;
        }
    }
    return real(fd);
}

extern "C" ssize_t write(int fd, const void* data, size_t size)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    readEnvironment();
    if (holdsSet.load()) {
        const QByteArray path = pathOf(fd);
        QByteArray mark;
        bool hold = false;
        {
            std::lock_guard lock(mutex);
            hold = hits(holds, path);
            mark = heldMark;
        }
        if (hold) {
            if (!mark.isEmpty()) {
                ::close(::open(mark.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
            }
            for (;;) {
                ::pause();
            }
        }
    }
    return real(fd, data, size);
}
