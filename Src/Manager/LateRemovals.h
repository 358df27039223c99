#pragma once

#include <cstdint>

// What an engine took into its lists of the files that went after their
// removal had ended without them: how many, and the bytes they freed.
struct LateRemovals {
    int64_t count = 0;
    uint64_t size = 0;
};
