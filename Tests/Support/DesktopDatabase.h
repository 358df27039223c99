#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A desktop database of applications of its own for as long as it lives:
// XDG_DATA_DIRS and XDG_CONFIG_DIRS point at empty temporary folders, so
// nothing the machine has installed counts, and applications are added to
// it as entries that only claim kinds of file (their command is never run:
// the tests catch what the program hands the desktop). The user's own
// folders (XDG_DATA_HOME, XDG_CONFIG_HOME) are the test home's and are left
// as they are. The machine's database of kinds of file (shared MIME info)
// stays in reach.
class DesktopDatabase {
public:
    DesktopDatabase();
    ~DesktopDatabase();
    DesktopDatabase(const DesktopDatabase&) = delete;
    DesktopDatabase& operator=(const DesktopDatabase&) = delete;

    // An application entry `id` (e.g. "viewer.desktop") claiming `types`.
    void addApplication(const QString& id, const QStringList& types);
    // One entry that claims every kind ("application/octet-stream", which
    // every kind is a case of) and folders.
    void addApplicationForEverything();

    QString dataFolder() const { return data_.path(); }

private:
    QTemporaryDir data_;
    QTemporaryDir config_;
    QByteArray savedData_;
    QByteArray savedConfig_;
    bool hadData_ = false;
    bool hadConfig_ = false;
};
