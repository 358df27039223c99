#pragma once

#include <functional>

#include <QDateTime>
#include <QList>
#include <QString>

#include "PropertyList.h"

// The property-list files the program keeps its own settings in (the
// settings file, the user defaults). What the user set there must never be
// lost: a file that is there but holds no property-list dictionary (cut off
// in the middle, random bytes, a damaged binary list) is moved aside under a
// dated name beside it instead of being overwritten with defaults, and a
// file the program cannot read at all is neither moved nor replaced.
namespace PropertyList {

struct OwnedFile {
    enum class State {
        read,      // `dictionary` holds the file's contents
        missing,   // nothing at the path (a first launch)
        setAside,  // it was damaged and now lies at `setAsidePath`
        leftAlone, // it could not be read (no permission, not a regular file,
                   // a read error, or it changed while it was read): untouched
    };
    State state = State::missing;
    PlistDict dictionary;
    QString setAsidePath;
};

// Reads the dictionary at `path`, setting a damaged file aside as described
// above. The set-aside name is the file's name, ".damaged-" and the local
// date and time ("PreferenceInfo.plist.damaged-2026-12-10-21.52.03"), with
// "-2", "-3"… when that name is taken; an earlier set-aside file is never
// replaced. Each set-aside is recorded for takeSetAsideFiles(). Safe from
// any thread.
OwnedFile readOwnedDictionary(const QString& path);

// True when something is at `path` that the program cannot read (a file
// without read permission, a folder, a device): replacing it would lose
// what it holds. Nothing there, or a readable file, gives false.
bool isUnreadable(const QString& path);

// writeFile(), refused when isUnreadable(path).
bool writeOwnedFile(const QString& path, const QVariant& value);

struct SetAsideFile {
    QString original;
    QString setAside;
};

// The files set aside since the last call, oldest first; each is handed out
// once, so the user is told of it once.
QList<SetAsideFile> takeSetAsideFiles();

// Called, on the thread that set the file aside, after each set-aside is
// recorded. It runs under the log's lock, so it must only queue its work
// (to its own thread) and not call takeSetAsideFiles() itself. One observer
// at a time: a later one takes the place of an earlier; removing it is
// done by its owner and only removes its own.
void setSetAsideObserver(const void* owner, std::function<void()> observer);
void removeSetAsideObserver(const void* owner);

// The name a file set aside at `when` gets beside `path` (without the
// number added when that name is taken).
QString setAsideName(const QString& path, const QDateTime& when);

}  // namespace PropertyList
