#include "QVDASocketClient.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {
// Tests shorten the waits of the link through the environment.
void applyTiming(const char* name, void (QVDASocketClient::*setter)(double), QVDASocketClient& client)
{
    const char* text = std::getenv(name);
    if (!text || !*text) {
        return;
    }
    bool ok = false;
    const double seconds = QString::fromLatin1(text).toDouble(&ok);
    if (ok && seconds >= 0 && seconds < 3600) {
        (client.*setter)(seconds);
    }
}
}  // namespace

// Statwick <bundle identifier> <program's process id> <program's log folder>
int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: Statwick <bundle identifier> <process id> <log folder>\n");
        return 2;
    }
    QVDASocketClient client;
    client.setMainBundleID(QString::fromUtf8(argv[1]));
    client.setParentPid(QString::fromUtf8(argv[2]));
    client.setLogPath(QString::fromUtf8(argv[3]));
    applyTiming("STATWICK_RECONNECT_INTERVAL", &QVDASocketClient::setReconnectInterval, client);
    applyTiming("STATWICK_DISCONNECT_DELAY", &QVDASocketClient::setDisconnectDelay, client);
    return client.run();
}
