#pragma once

#include <QByteArrayList>

// Makes the system's own calls fail or wait, as a failing disk would, in a
// test program that links this file: it defines fsync() and write() itself,
// so that every caller in the program reaches them, and passes each call on
// to the system unless the path of the descriptor (as /proc tells it)
// matches one of the patterns given. A pattern is an fnmatch() pattern in
// which '*' also crosses '/'; "<pattern>@<n>" hits only the nth and later
// calls that match it. A program that a test starts takes its patterns from
// its environment, one a line, when it first flushes or writes.
namespace FileCallFaults {

// fsync() of a matching descriptor fails with EIO.
constexpr const char* failFlushesVariable = "TWINSWEEP_FAIL_FSYNC";
// write() to a matching descriptor never returns: the thread waits there
// until the program is killed, after it made the file named by heldVariable.
constexpr const char* holdWritesVariable = "TWINSWEEP_HOLD_WRITE";
constexpr const char* heldVariable = "TWINSWEEP_HELD_MARK";

// In this program, from now on (the counts start anew).
void failFlushes(const QByteArrayList& patterns);
void clear();

}  // namespace FileCallFaults
