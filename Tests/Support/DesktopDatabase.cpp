#include "DesktopDatabase.h"

#include <QDir>
#include <QFile>
#include <QStringList>

DesktopDatabase::DesktopDatabase()
    : savedData_(qgetenv("XDG_DATA_DIRS")),
      savedConfig_(qgetenv("XDG_CONFIG_DIRS")),
      hadData_(qEnvironmentVariableIsSet("XDG_DATA_DIRS")),
      hadConfig_(qEnvironmentVariableIsSet("XDG_CONFIG_DIRS"))
{
    // The kinds of file are the machine's own: the MIME database lies in
    // the same data folders as the applications.
    QStringList before = QFile::decodeName(savedData_).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    before << QStringLiteral("/usr/local/share") << QStringLiteral("/usr/share");
    for (const QString& folder : before) {
        if (QFile::exists(folder + QStringLiteral("/mime/mime.cache"))) {
            QFile::link(folder + QStringLiteral("/mime"), data_.path() + QStringLiteral("/mime"));
            break;
        }
    }
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data_.path()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(config_.path()));
}

DesktopDatabase::~DesktopDatabase()
{
    if (hadData_) {
        qputenv("XDG_DATA_DIRS", savedData_);
    } else {
        qunsetenv("XDG_DATA_DIRS");
    }
    if (hadConfig_) {
        qputenv("XDG_CONFIG_DIRS", savedConfig_);
    } else {
        qunsetenv("XDG_CONFIG_DIRS");
    }
}

void DesktopDatabase::addApplication(const QString& id, const QStringList& types)
{
    const QString folder = data_.path() + QStringLiteral("/applications");
    QDir().mkpath(folder);
    QFile entry(folder + QLatin1Char('/') + id);
    if (entry.open(QIODevice::WriteOnly)) {
        entry.write("[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=true %f\nMimeType="
                    + types.join(QLatin1Char(';')).toUtf8() + ";\n");
    }
}

void DesktopDatabase::addApplicationForEverything()
{
    addApplication(QStringLiteral("everything.desktop"),
                   {QStringLiteral("application/octet-stream"), QStringLiteral("inode/directory")});
}
