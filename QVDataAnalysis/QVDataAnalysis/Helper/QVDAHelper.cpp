#include "QVDAHelper.h"

#include "QVDALog.h"

#include "Foundation/Bundle.h"
#include "Foundation/PrivateFolder.h"
#include "Foundation/PropertyList.h"
#include "QVBaseLib/Helper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <mutex>

#include <unistd.h>

namespace QVDAHelper {

namespace {

std::mutex bundleMutex;
std::optional<BundleOverride> bundleOverride;

// Reads the property list at `path` as a dictionary. `exists` tells whether
// the file is there at all; a file that is there but is no dictionary gives nothing.
std::optional<PlistDict> readDictionary(const QString& path, bool* exists)
{
    *exists = QFileInfo::exists(path);
    if (!*exists) {
        return PlistDict();
    }
    const std::optional<QVariant> value = PropertyList::readFile(path);
    if (!value || value->metaType() != QMetaType::fromType<PlistDict>()) {
        return std::nullopt;
    }
    return value->value<PlistDict>();
}

QVariantList toList(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QVariantList) {
        return value.toList();
    }
    if (value.metaType().id() == QMetaType::QStringList) {
        QVariantList list;
        for (const QString& s : value.toStringList()) {
            list.append(s);
        }
        return list;
    }
    return {};
}

}  // namespace

void ensureApplicationSupport()
{
    const QString folder = Helper::appSuportWithBundleIdentifier();
    if (folder.isEmpty()) {
        QVDALogLine(QStringLiteral(">>> create folder failed. ERROR: %1")
                        .arg(QStringLiteral("the application-support folder cannot be created")));
    }
}

void firstLaunch(bool isGA, const std::function<void(bool, bool)>& launchBlock)
{
    firstLaunchOrbiqueToolkit(isGA, false, launchBlock);
}

void firstLaunchOrbiqueToolkit(bool isGA, bool orbiqueToolkit, const std::function<void(bool, bool)>& launchBlock)
{
    QString key = bundleIdentifier();
    if (key.isEmpty()) {
        key = infoString(QStringLiteral("CFBundleName"));
    }
    const bool keyUsable = !key.isEmpty();
    key += isGA ? QStringLiteral("_ga_versions") : QStringLiteral("_versions");
    QString version = infoString(QStringLiteral("CFBundleShortVersionString"));
    if (version.isEmpty()) {
        version = QStringLiteral("1.0");
    }

    ensureApplicationSupport();
    const QString path = configPlistPath();
    bool exists = false;
    const std::optional<PlistDict> stored = readDictionary(path, &exists);

    bool isFirstLaunch = true;
    bool isFirstUpdate = false;
    if (stored && keyUsable && !path.isEmpty()) {
        QVariantList versions = toList(stored->value(key));
        bool known = false;
        for (const QVariant& v : versions) {
            if (v.metaType().id() == QMetaType::QString && v.toString() == version) {
                known = true;
            }
        }
        if (versions.isEmpty()) {
            isFirstLaunch = true;
        } else {
            isFirstLaunch = false;
            isFirstUpdate = !known;
        }
        if (!known) {
            versions.append(version);
            PlistDict updated = *stored;
            updated.insert(key, versions);
            PropertyList::writeFile(path, QVariant::fromValue(updated));
        }
    }

    if (launchBlock) {
        launchBlock(isFirstLaunch, isFirstUpdate);
    }
    if (!isGA && !orbiqueToolkit && (isFirstLaunch || isFirstUpdate)) {
        // Opening the install or update page belongs to the desktop side; the
        // library only reports the link it would open.
        QString url = infoString(isFirstLaunch ? QStringLiteral("InstallURL") : QStringLiteral("UpdateURL"));
        if (!url.isEmpty()) {
            if (infoString(QStringLiteral("LinkHasVersion")) == QLatin1String("1")) {
                url += QStringLiteral("&v=") + version;
            }
            QVDALogLine(QStringLiteral("launch page: %1").arg(url));
        }
    }
}

QString macType()
{
    const QString type = QSysInfo::kernelType();
    return type.isEmpty() ? QStringLiteral("linux") : type;
}

QString macModel()
{
    QFile file(QStringLiteral("/sys/devices/virtual/dmi/id/product_name"));
    if (file.open(QIODevice::ReadOnly)) {
        const QString model = QString::fromUtf8(file.read(256)).trimmed();
        if (!model.isEmpty()) {
            return model;
        }
    }
    return QSysInfo::currentCpuArchitecture();
}

QString bundleIdentifier()
{
    {
        std::lock_guard lock(bundleMutex);
        if (bundleOverride) {
            return bundleOverride->identifier;
        }
    }
    return Bundle::main().bundleIdentifier();
}

QVariant infoValue(const QString& key)
{
    {
        std::lock_guard lock(bundleMutex);
        if (bundleOverride) {
            return bundleOverride->info.value(key);
        }
    }
    return Bundle::main().objectForInfoDictionaryKey(key);
}

QString infoString(const QString& key)
{
    const QVariant v = infoValue(key);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

void setBundleOverrideForTesting(std::optional<BundleOverride> bundle)
{
    std::lock_guard lock(bundleMutex);
    bundleOverride = std::move(bundle);
}

QString portFileFolder(bool create, QString* error)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime)) {
        return QFile::decodeName(runtime);
    }
    // Not /tmp itself: a folder all users share would let one user's file
    // stand in the way of another's.
    QByteArray temp = qgetenv("TMPDIR");
    if (!temp.startsWith('/')) {
        temp = "/tmp";
    }
    while (temp.size() > 1 && temp.endsWith('/')) {
        temp.chop(1);
    }
    const QByteArray folder = temp + "/QVDataAnalysis-" + QByteArray::number(static_cast<qulonglong>(::geteuid()));
    QString reason;
    if (create ? ensurePrivateFolder(folder, &reason) : isPrivateFolder(folder)) {
        return QFile::decodeName(folder);
    }
    if (error) {
        *error = QStringLiteral("%1: %2").arg(QFile::decodeName(folder),
                                               reason.isEmpty() ? QStringLiteral("not a private folder") : reason);
    }
    return {};
}

QString portFilePath(const QString& bundleId, bool create, QString* error)
{
    const QString folder = portFileFolder(create, error);
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + bundleId + QStringLiteral("_server_port.txt");
}

QString configPlistPath()
{
    const QString support = Helper::appSuportWithBundleIdentifier();
    return support.isEmpty() ? QString() : support + QStringLiteral("/.config.plist");
}

QString runningLockPath(const QString& applicationSupport)
{
    return applicationSupport + QStringLiteral("/.running.lock");
}

}  // namespace QVDAHelper
