#include "DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>

namespace {

QStringList folderList(const char* variable, const QString& fallback)
{
    const QString value = QFile::decodeName(qgetenv(variable));
    QStringList folders;
    for (const QString& folder : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Relative entries are to be ignored, as the desktop itself does.
        if (folder.startsWith(QLatin1Char('/'))) {
            folders << folder;
        }
    }
    return folders.isEmpty() ? fallback.split(QLatin1Char(':')) : folders;
}

QString homeFolder(const char* variable, const QString& belowHome)
{
    const QString value = QFile::decodeName(qgetenv(variable));
    return value.startsWith(QLatin1Char('/')) ? value : QDir::homePath() + belowHome;
}

// The data folders, the user's first.
QStringList dataFolders()
{
    return QStringList{homeFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"))}
           + folderList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

QStringList configFolders()
{
    return QStringList{homeFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"))}
           + folderList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}

// The entries of the named groups of a desktop-entry style file, as
// group -> key -> value; keys with a locale are skipped.
using Groups = QHash<QString, QHash<QString, QString>>;

Groups readGroups(const QString& file, const QSet<QString>& wanted)
{
    Groups groups;
    QFile in(file);
    // An application entry is a few kilobytes; anything far larger is no
    // entry and not read whole.
    if (in.size() > 1024 * 1024 || !in.open(QIODevice::ReadOnly)) {
        return groups;
    }
    QString group;
    while (!in.atEnd()) {
        const QString line = QString::fromUtf8(in.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!wanted.contains(group) || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        if (!key.contains(QLatin1Char('['))) {
            groups[group][key] = line.mid(equals + 1).trimmed();
        }
    }
    return groups;
}

QStringList listOf(const QString& value)
{
    return value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

struct Application {
    QStringList types;
    bool usable = false;
};

// Every application entry by its desktop ID (its path below "applications"
// with "/" turned into "-"); the first folder that holds an ID wins.
QHash<QString, Application> applications()
{
    QHash<QString, Application> found;
    const QSet<QString> entry{QStringLiteral("Desktop Entry")};
    for (const QString& data : dataFolders()) {
        const QString folder = data + QStringLiteral("/applications");
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QString id = file.mid(folder.size() + 1);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (found.contains(id)) {
                continue;
            }
            const QHash<QString, QString> keys = readGroups(file, entry).value(QStringLiteral("Desktop Entry"));
            Application app;
            app.types = listOf(keys.value(QStringLiteral("MimeType")));
            app.usable = keys.value(QStringLiteral("Type")) == QLatin1String("Application")
                         && keys.value(QStringLiteral("Hidden")) != QLatin1String("true");
            found.insert(id, app);
        }
    }
    return found;
}

}  // namespace

namespace DesktopApplications {

QStringList typesOf(const QByteArray& path)
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QFile::decodeName(path));
    QStringList types{type.name()};
    types += type.aliases();
    types += type.allAncestors();
    types.removeDuplicates();
    return types;
}

bool hasApplicationForTypes(const QStringList& types)
{
    const QHash<QString, Application> apps = applications();
    const auto usable = [&](const QString& id) { return apps.value(id).usable; };

    QHash<QString, QSet<QString>> removed;
    QStringList lists;
    for (const QString& config : configFolders()) {
        lists << config + QStringLiteral("/mimeapps.list");
    }
    for (const QString& data : dataFolders()) {
        lists << data + QStringLiteral("/applications/mimeapps.list");
    }
    const QSet<QString> sections{QStringLiteral("Default Applications"), QStringLiteral("Added Associations"),
                                 QStringLiteral("Removed Associations")};
    for (const QString& list : lists) {
        const Groups groups = readGroups(list, sections);
        for (const QString& type : types) {
            for (const QString& section : {QStringLiteral("Default Applications"), QStringLiteral("Added Associations")}) {
                for (const QString& id : listOf(groups.value(section).value(type))) {
                    if (usable(id) && !removed.value(type).contains(id)) {
                        return true;
                    }
                }
            }
            for (const QString& id : listOf(groups.value(QStringLiteral("Removed Associations")).value(type))) {
                removed[type].insert(id);
            }
        }
    }
    for (auto it = apps.constBegin(); it != apps.constEnd(); ++it) {
        if (!it->usable) {
            continue;
        }
        for (const QString& type : types) {
            if (it->types.contains(type) && !removed.value(type).contains(it.key())) {
                return true;
            }
        }
    }
    return false;
}

bool hasApplicationFor(const QByteArray& path)
{
    return hasApplicationForTypes(typesOf(path));
}

}  // namespace DesktopApplications
