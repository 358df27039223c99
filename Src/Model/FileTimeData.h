#pragma once

#include <cstdint>

// The size and the three time stamps of one path, as stat gives them
// (whole seconds since 1970-01-01 00:00 UTC; nanoseconds dropped).
struct FileTimeData {
    uint64_t size = 0;
    uint64_t timeAtimespec = 0;
    uint64_t timeMtimespec = 0;
    uint64_t timeCtimespec = 0;
};
