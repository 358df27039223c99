#include "SpawnedProcess.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> pointers(QByteArrayList& strings)
{
    std::vector<char*> out;
    for (QByteArray& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

}  // namespace

SpawnedProcess::SpawnedProcess(const QString& program, const QStringList& arguments, const QStringList& environment)
{
    QByteArrayList argv{QFile::encodeName(program)};
    for (const QString& argument : arguments) {
        argv.append(QFile::encodeName(argument));
    }
    QByteArrayList envp;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        bool replaced = false;
        for (const QString& over : environment) {
            replaced = replaced || entry.startsWith(QFile::encodeName(over.section(QLatin1Char('='), 0, 0)) + '=');
        }
        if (!replaced) {
            envp.append(entry);
        }
    }
    for (const QString& over : environment) {
        envp.append(QFile::encodeName(over));
    }
    std::vector<char*> args = pointers(argv);
    std::vector<char*> env = pointers(envp);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    pid_ = child > 0 ? child : 0;
}

SpawnedProcess::~SpawnedProcess()
{
    if (pid_ > 0 && !finished_) {
        ::kill(pid_, SIGKILL);
        waitForFinished();
    }
}

bool SpawnedProcess::waitForFinished(int timeoutMs)
{
    if (pid_ <= 0 || finished_) {
        return finished_;
    }
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            finished_ = done == pid_;
            return finished_;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        // The child's end is its own; there is nothing to wait on but it.
        QThread::msleep(5);
    }
}

bool SpawnedProcess::exitedWithZero() const
{
    return finished_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

bool runToEnd(const QString& program, const QStringList& arguments)
{
    SpawnedProcess process(program, arguments);
    return process.pid() > 0 && process.waitForFinished() && process.exitedWithZero();
}

pid_t endedProcessId()
{
    SpawnedProcess done(QStringLiteral("/bin/true"), {});
    done.waitForFinished();
    return done.pid();
}
