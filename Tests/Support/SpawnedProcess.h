#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// A program started by fork and exec, which the sanitizers follow, where a
// start through QProcess's own clone of the process can make the thread
// sanitizer lose track of the test's locks. Everything the child needs is
// made before the fork; the child only calls exec.
class SpawnedProcess {
public:
    // Starts `program` with `arguments`, in the test's environment with
    // `environment` ("NAME=value") put over it; pid() is 0 when that fails.
    SpawnedProcess(const QString& program, const QStringList& arguments, const QStringList& environment = {});
    // A child still running is killed.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits up to `timeoutMs` for the end; true once it ended. status() is
    // then the raw wait status.
    bool waitForFinished(int timeoutMs = 30000);
    bool exitedWithZero() const;
    int status() const { return status_; }

private:
    pid_t pid_ = 0;
    bool finished_ = false;
    int status_ = 0;
};

// Runs a program to its end; true when it ended with 0.
bool runToEnd(const QString& program, const QStringList& arguments);

// The pid of a process that has ended (and been reaped).
pid_t endedProcessId();
