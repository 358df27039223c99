#pragma once

#include <QByteArray>
#include <QFile>

namespace QuickLook {

// Opens a file by the bytes of its path for reading. Only regular files are
// opened: a FIFO or a device would block or never end a decoder. False when
// the file is missing, unreadable or not a regular file.
bool openRegularFile(const QByteArray& path, QFile& file);

}  // namespace QuickLook
