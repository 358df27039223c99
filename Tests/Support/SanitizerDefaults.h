#pragma once

#include <QtGlobal>

// Sanitizer settings built into every test program (included once, by its main), so a test run needs no
// environment of its own. The suppressions are kept in cmake/tsan.supp and cmake/lsan.supp.

extern "C" {

const char* __tsan_default_suppressions();
const char* __tsan_default_options();

const char* __tsan_default_suppressions()
{
    return
#include "tsan.supp.inc"
        ;
}

const char* __tsan_default_options()
{
    return "second_deadlock_stack=1";
}

const char* __lsan_default_suppressions();

// Leaks inside the system libraries the media back end loads (the sound
// server's client, GLib), which the program cannot free.
const char* __lsan_default_suppressions()
{
    return
#include "lsan.supp.inc"
        ;
}

}  // extern "C"

// The programs a test starts (the helper, the program itself) are built with
// the sanitizer too but hold no suppressions of their own: they get them
// through the environment they inherit or are handed.
inline void passSanitizerSettingsToChildren()
{
    if (qEnvironmentVariableIsEmpty("TSAN_OPTIONS")) {
        qputenv("TSAN_OPTIONS", "suppressions=" TWINSWEEP_TSAN_SUPPRESSIONS " second_deadlock_stack=1");
    }
    if (qEnvironmentVariableIsEmpty("LSAN_OPTIONS")) {
        qputenv("LSAN_OPTIONS", "suppressions=" TWINSWEEP_LSAN_SUPPRESSIONS);
    }
}
