#include "Helper.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QSysInfo>
#include <QThread>

#include <atomic>
#include <mutex>

namespace {

std::mutex overrideMutex;
std::optional<bool> reachableOverride;

bool interfacesReachable()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (!ip.isNull() && !ip.isLoopback() && !ip.isLinkLocal()) {
                return true;
            }
        }
    }
    return false;
}

// QNetworkInformation lives on the main thread; other threads use the cached answer.
std::atomic<int> cachedReachability{-1};  // -1 unknown, 0 offline, 1 online

void loadNetworkInformation()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
            return;
        }
        QNetworkInformation* info = QNetworkInformation::instance();
        if (!info) {
            return;
        }
        auto update = [](QNetworkInformation::Reachability r) {
            if (r == QNetworkInformation::Reachability::Unknown) {
                cachedReachability.store(-1);
            } else {
                cachedReachability.store(r == QNetworkInformation::Reachability::Online ? 1 : 0);
            }
        };
        update(info->reachability());
        QObject::connect(info, &QNetworkInformation::reachabilityChanged, info, update);
    });
}

}  // namespace

QString Helper::appSuportWithBundleIdentifier()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + Bundle::main().bundleIdentifier());
    if (!QDir().mkpath(path)) {
        return {};
    }
    return path;
}

bool Helper::isConnectNetwork()
{
    {
        std::lock_guard lock(overrideMutex);
        if (reachableOverride) {
            return *reachableOverride;
        }
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        loadNetworkInformation();
    }
    const int cached = cachedReachability.load();
    if (cached >= 0) {
        return cached == 1;
    }
    return interfacesReachable();
}

void Helper::setNetworkReachableOverride(std::optional<bool> reachable)
{
    std::lock_guard lock(overrideMutex);
    reachableOverride = reachable;
}

QString Helper::macOSVersion()
{
    return QSysInfo::prettyProductName();
}

void Helper::firstLaunchApp(bool, const std::function<void(bool, bool)>& launchBlock)
{
    static const QString launchedKey = QStringLiteral("QVBaseLibLaunched");
    static const QString versionKey = QStringLiteral("QVBaseLibLaunchedVersion");
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString version =
        Bundle::main().objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString();
    const bool firstLaunch = !defaults.value<bool>(launchedKey).value_or(false);
    const bool firstOfVersion = defaults.stringForKey(versionKey) != version;
    defaults.setBool(true, launchedKey);
    defaults.setObject(version, versionKey);
    if (launchBlock) {
        launchBlock(firstLaunch, firstOfVersion);
    }
}

QDateTime Helper::compileDate()
{
    // __DATE__ is "Mmm dd yyyy" with a blank-padded day, __TIME__ "hh:mm:ss".
    const QString text = QStringLiteral(__DATE__ " " __TIME__).simplified();
    QDateTime date = QLocale::c().toDateTime(text, QStringLiteral("MMM d yyyy hh:mm:ss"));
    if (!date.isValid()) {
        date = QDateTime::fromSecsSinceEpoch(0);
    }
    return date;
}
