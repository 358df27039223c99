#include "Manager/FileHelper.h"

#include <sys/stat.h>

namespace {
uint64_t seconds(time_t value)
{
    return value < 0 ? 0 : static_cast<uint64_t>(value);
}
}  // namespace

std::optional<FileTimeData> FileHelper::fileTimeData(const QByteArray& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    return fileTimeData(st);
}

FileTimeData FileHelper::fileTimeData(const struct stat& st)
{
    FileTimeData data;
    data.size = st.st_size < 0 ? 0 : static_cast<uint64_t>(st.st_size);
    data.timeAtimespec = seconds(st.st_atim.tv_sec);
    data.timeMtimespec = seconds(st.st_mtim.tv_sec);
    data.timeCtimespec = seconds(st.st_ctim.tv_sec);
    return data;
}

bool FileHelper::fileIsLink(const QByteArray& path)
{
    struct stat st {};
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0) {
        return false;
    }
    return S_ISLNK(st.st_mode);
}
