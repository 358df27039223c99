#include "TestSupport.h"

#include "Foundation/UserDefaults.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <unistd.h>

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    return true;
}

namespace {
const char* const kVars[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"};
}

void TempHomeTest::SetUp()
{
    ASSERT_TRUE(home_.isValid());
    for (int i = 0; i < 5; ++i) {
        saved_[i] = qgetenv(kVars[i]);
    }
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
    QDir().mkpath(dataHome());
    QDir().mkpath(configHome());
    QDir().mkpath(cacheHome());
    QDir().mkpath(scratch());
    UserDefaults::resetStandardUserDefaults();
    RYLog::shared().resetForTesting();
    // No usage event leaves a test unless it says the network is reachable
    // (and then observes the events with a recorder).
    Helper::setNetworkReachableOverride(false);
}

void TempHomeTest::TearDown()
{
    for (int i = 0; i < 4; ++i) {
        if (saved_[i].isNull()) {
            qunsetenv(kVars[i]);
        } else {
            qputenv(kVars[i], saved_[i]);
        }
    }
    RYLog::shared().resetForTesting();
    UserDefaults::resetStandardUserDefaults();
    Helper::setNetworkReachableOverride(std::nullopt);
}

QString TempHomeTest::writeFile(const QString& relativePath, const QByteArray& contents)
{
    const QString path = scratch() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }
    file.write(contents);
    return path;
}

bool runningAsRoot()
{
    return geteuid() == 0;
}
