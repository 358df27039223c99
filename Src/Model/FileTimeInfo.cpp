#include "Model/FileTimeInfo.h"

FileTimeInfo::FileTimeInfo(ResourceValueURL resourceValue, const FileTimeData& fileTimeData)
    : FileInfo(std::move(resourceValue)),
      stSize_(fileTimeData.size),
      timeAtimespec_(fileTimeData.timeAtimespec),
      timeMtimespec_(fileTimeData.timeMtimespec),
      timeCtimespec_(fileTimeData.timeCtimespec)
{
    setSize(fileTimeData.size);
}
