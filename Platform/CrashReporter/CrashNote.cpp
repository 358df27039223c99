#include "CrashNote.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

static_assert(SIGABRT == 6 && SIGBUS == 7 && SIGFPE == 8 && SIGILL == 4 && SIGSEGV == 11 && SIGTRAP == 5
                  && SIGSYS == 31,
              "signal numbers of Linux on x86-64 and ARM");

namespace CrashNote {
namespace {

constexpr size_t kMaxFolder = 3072;
constexpr size_t kMaxHeader = 512;
constexpr int kSignalCount = sizeof(fatalSignals) / sizeof(fatalSignals[0]);

// Written by install() on a normal thread before the handler can see them;
// the handler only reads.
char g_folder[kMaxFolder];
char g_header[kMaxHeader];
struct sigaction g_previous[kSignalCount];
std::atomic<bool> g_installed{false};
// Set by the first crashing thread, so two threads dying at once write one note.
std::atomic<bool> g_handling{false};
char* g_altStack = nullptr;

size_t length(const char* text)
{
    size_t n = 0;
    while (text[n] != '\0') {
        ++n;
    }
    return n;
}

// Appends text; false when it does not fit.
bool append(char* buffer, size_t size, size_t& used, const char* text)
{
    const size_t n = length(text);
    if (used + n >= size) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        buffer[used++] = text[i];
    }
    buffer[used] = '\0';
    return true;
}

bool appendNumber(char* buffer, size_t size, size_t& used, long value)
{
    char digits[24];
    int n = 0;
    unsigned long v = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < 22);
    if (value < 0) {
        digits[n++] = '-';
    }
    char text[24];
    for (int i = 0; i < n; ++i) {
        text[i] = digits[n - 1 - i];
    }
    text[n] = '\0';
    return append(buffer, size, used, text);
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int indexOf(int signal)
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (fatalSignals[i] == signal) {
            return i;
        }
    }
    return -1;
}

void handler(int signal, siginfo_t*, void*)
{
    const int savedErrno = errno;
    if (!g_handling.exchange(true)) {
        writeNote(signal);
    }
    // Hand the signal to whoever had it before (the default action: the
    // process dies of it, and its parent and the analytics helper see a crash).
    const int i = indexOf(signal);
    if (i >= 0) {
        ::sigaction(signal, &g_previous[i], nullptr);
    } else {
        ::signal(signal, SIG_DFL);
    }
    errno = savedErrno;
    // Raised again it stays pending until this handler returns; a fault
    // caused by an instruction simply happens again under the old action.
    ::raise(signal);
}

}  // namespace

const char* signalName(int signal)
{
    switch (signal) {
    case SIGABRT: return "SIGABRT";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGSEGV: return "SIGSEGV";
    case SIGTRAP: return "SIGTRAP";
    case SIGSYS: return "SIGSYS";
    default: return "signal";
    }
}

size_t formatPath(char* buffer, size_t size, long seconds, long pid)
{
    if (size == 0) {
        return 0;
    }
    size_t used = 0;
    buffer[0] = '\0';
    if (!append(buffer, size, used, g_folder) || !append(buffer, size, used, "/Crash ")
        || !appendNumber(buffer, size, used, seconds) || !append(buffer, size, used, "-")
        || !appendNumber(buffer, size, used, pid) || !append(buffer, size, used, ".txt")) {
        buffer[0] = '\0';
        return 0;
    }
    return used;
}

bool writeNote(int signal)
{
    const long now = static_cast<long>(::time(nullptr));
    const long pid = static_cast<long>(::getpid());
    char path[kMaxFolder + 64];
    if (g_folder[0] == '\0' || formatPath(path, sizeof path, now, pid) == 0) {
        return false;
    }
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    char note[kMaxHeader + 256];
    size_t used = 0;
    note[0] = '\0';
    bool ok = append(note, sizeof note, used, g_header) && append(note, sizeof note, used, "\nCrashed with ")
              && append(note, sizeof note, used, signalName(signal)) && append(note, sizeof note, used, " (")
              && appendNumber(note, sizeof note, used, signal) && append(note, sizeof note, used, ")\nProcess ")
              && appendNumber(note, sizeof note, used, pid)
              && append(note, sizeof note, used, "\nTime (seconds since 1970, UTC) ")
              && appendNumber(note, sizeof note, used, now) && append(note, sizeof note, used, "\n");
    ok = writeAll(fd, note, used) && ok;
    ::close(fd);
    return ok;
}

bool install(const char* folder, const char* header)
{
    if (folder == nullptr || length(folder) + 1 > kMaxFolder - 64) {
        return false;
    }
    std::strncpy(g_folder, folder, kMaxFolder - 1);
    std::strncpy(g_header, header ? header : "", kMaxHeader - 1);
    g_header[kMaxHeader - 1] = '\0';
    if (g_installed.load()) {
        return true;
    }
    // A stack of its own, so a stack overflow of the main thread still gets
    // its note.
    stack_t current{};
    const bool hasStack = ::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0;
    if (g_altStack == nullptr && !hasStack) {
        const size_t stackSize = 64 * 1024;
        g_altStack = static_cast<char*>(std::malloc(stackSize));
        if (g_altStack != nullptr) {
            stack_t stack{};
            stack.ss_sp = g_altStack;
            stack.ss_size = stackSize;
            ::sigaltstack(&stack, nullptr);
        }
    }
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(fatalSignals[i], &action, &g_previous[i]);
    }
    g_handling.store(false);
    g_installed.store(true);
    return true;
}

void uninstall()
{
    if (!g_installed.exchange(false)) {
        return;
    }
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(fatalSignals[i], &g_previous[i], nullptr);
    }
}

bool isInstalled()
{
    return g_installed.load();
}

}  // namespace CrashNote
