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

// <application support>/.config.plist, and the lock file every running
// instance of the program holds shared.
// Creates the application-support folder when missing; a failure is logged.
void ensureApplicationSupport();
QString configPlistPath();
QString runningLockPath(const QString& applicationSupport);

}  // namespace QVDAHelper
