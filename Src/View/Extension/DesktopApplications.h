#pragma once

#include <QByteArray>
#include <QStringList>

// What the desktop's own database of applications says about a file: the
// freedesktop.org application entries and MIME associations in the user's
// and the system's data and configuration folders (XDG_DATA_HOME,
// XDG_DATA_DIRS, XDG_CONFIG_HOME, XDG_CONFIG_DIRS). The desktop's opener
// hands a file to one of these or to none; when none claims its kind, the
// opener fails without a word, so the program asks first.
//
// Reads the database from disk on every call: never on the main thread.
namespace DesktopApplications {

// The file's kind and every kind it is a special case of, most special
// first ("text/x-csrc", "text/plain", "application/octet-stream").
QStringList typesOf(const QByteArray& path);

// Whether an application that is not hidden claims one of `types`, by its
// own MimeType list (unless the user removed that association) or by an
// association the user or the system added or made the default.
bool hasApplicationForTypes(const QStringList& types);

// The same for the kinds of the file at `path` (a folder is "inode/directory").
bool hasApplicationFor(const QByteArray& path);

}  // namespace DesktopApplications
