#pragma once

#include <optional>

#include <QByteArray>

#include <sys/stat.h>

#include "Model/FileTimeData.h"

// stat and lstat of a path kept as the system's bytes.
class FileHelper {
public:
    // stat of the path (a final symbolic link is followed); none when stat
    // fails. Times before 1970 read as 0 rather than wrapping round to the
    // far future.
    static std::optional<FileTimeData> fileTimeData(const QByteArray& path);
    // The same from a stat result already in hand.
    static FileTimeData fileTimeData(const struct stat& st);
    // True when lstat succeeds and the item is a symbolic link.
    static bool fileIsLink(const QByteArray& path);
};
