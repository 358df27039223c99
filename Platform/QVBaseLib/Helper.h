#pragma once

#include <functional>
#include <optional>

#include <QDateTime>
#include <QString>

// Facts about the machine and the program that the rest of the system asks for.
class Helper {
public:
    // $XDG_DATA_HOME/<bundle id> (~/.local/share/<bundle id> by default),
    // created when missing; empty when it cannot be created.
    static QString appSuportWithBundleIdentifier();

    // True when the network is reachable: from Qt's network information when
    // a backend loads, else from the interfaces that are up and not loopback.
    static bool isConnectNetwork();
    // Tests decide reachability here; nullopt restores the real answer.
    static void setNetworkReachableOverride(std::optional<bool> reachable);

    // The operating system's name and version text.
    static QString macOSVersion();

    // Calls the block with (first launch of the program, first launch of this
    // version) and remembers the launch. Returns once the block ran.
    static void firstLaunchApp(bool, const std::function<void(bool, bool)>& launchBlock);

    // When this program was built.
    static QDateTime compileDate();
};
