#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QVariant>

// What the analytics library adds to the base library's Helper, and the
// bundle values it reads (tests may replace them, see setBundleOverrideForTesting).
namespace QVDAHelper {

// Version bookkeeping for usage events: calls the block with (first launch,
// first update) of this version; see RYGALogManager.
void firstLaunch(bool isGA, const std::function<void(bool, bool)>& launchBlock);
void firstLaunchOrbiqueToolkit(bool isGA, bool orbiqueToolkit, const std::function<void(bool, bool)>& launchBlock);

// Short texts naming the kind of machine and its model.
QString macType();
QString macModel();

// The main bundle's identifier and information-list values as the library sees them.
QString bundleIdentifier();
QVariant infoValue(const QString& key);
QString infoString(const QString& key);

// Tests replace the identifier and the information list the library uses
// (the identifier names the port file, so parallel tests must not share it).
// An empty optional restores the main bundle's values.
struct BundleOverride {
    QString identifier;
    QVariantMap info;
};
void setBundleOverrideForTesting(std::optional<BundleOverride> bundle);

// The folder of the link's port file, one only this user can enter:
// $XDG_RUNTIME_DIR when it is such a folder, else <temporary folder>/
// QVDataAnalysis-<uid>, made 0700 when `create` is true; a folder of that
// name that is a link or belongs to someone else is refused. Empty (with
// the reason in `error`) when there is no such folder.
QString portFileFolder(bool create, QString* error = nullptr);
// <that folder>/<bundle id>_server_port.txt; empty when there is no folder.
QString portFilePath(const QString& bundleId, bool create, QString* error = nullptr);

// <application support>/.config.plist, and the lock file every running
// instance of the program holds shared.
// Creates the application-support folder when missing; a failure is logged.
void ensureApplicationSupport();
QString configPlistPath();
QString runningLockPath(const QString& applicationSupport);

}  // namespace QVDAHelper
