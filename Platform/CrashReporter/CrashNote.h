#pragma once

#include <cstddef>

// The fatal-signal handler and the note it writes. Everything the handler
// needs is prepared by install(); the handler itself only calls
// async-signal-safe functions (open, write, close, time, getpid, sigaction,
// raise).
namespace CrashNote {

// The signals that end the program with a crash.
inline constexpr int fatalSignals[] = {6 /*SIGABRT*/, 7 /*SIGBUS*/, 8 /*SIGFPE*/, 4 /*SIGILL*/,
                                       11 /*SIGSEGV*/, 5 /*SIGTRAP*/, 31 /*SIGSYS*/};

// Installs the handler for the fatal signals. Notes go into `folder` as
// "Crash <unix seconds>-<pid>.txt"; `header` (product and version) opens each
// note. Installing again replaces folder and header and keeps the handler.
// False when the folder path is too long to keep.
bool install(const char* folder, const char* header);
// Puts back the handlers that were there before install().
void uninstall();
bool isInstalled();

// Writes the note for `signal` now, as the handler does; returns whether the
// whole note was written. Async-signal-safe.
bool writeNote(int signal);

// Formats the note's file name into `buffer` (async-signal-safe); the length
// written, 0 when the buffer is too small.
size_t formatPath(char* buffer, size_t size, long seconds, long pid);

// The signal's name, "signal" for one without a name here.
const char* signalName(int signal);

}  // namespace CrashNote
