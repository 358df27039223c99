#pragma once

#include <cstdint>
#include <memory>

#include "Model/FileInfo.h"
#include "Model/FileTimeData.h"

// The large-file engine's record: a file with the size and times read when it
// was found. The size is taken from the stat record once and never read from
// the disk again.
class FileTimeInfo : public FileInfo {
public:
    FileTimeInfo(ResourceValueURL resourceValue, const FileTimeData& fileTimeData);

    uint64_t stSize() const { return stSize_; }
    uint64_t timeAtimespec() const { return timeAtimespec_; }
    uint64_t timeMtimespec() const { return timeMtimespec_; }
    uint64_t timeCtimespec() const { return timeCtimespec_; }

private:
    const uint64_t stSize_;
    const uint64_t timeAtimespec_;
    const uint64_t timeMtimespec_;
    const uint64_t timeCtimespec_;
};

using FileTimeInfoPtr = std::shared_ptr<FileTimeInfo>;
