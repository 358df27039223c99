#include "RYGALogManager.h"

#include "QVDASocketServer.h"

#include "Helper/QVDAHelper.h"
#include "Helper/QVDALog.h"

#include "Foundation/PropertyList.h"
#include "QVBaseLib/Helper.h"

#include <QFileInfo>
#include <QTimeZone>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

const QString statusKey = QStringLiteral("AppTerminationStatus");
const QString startDateKey = QStringLiteral("StartDate");

// Reads .config.plist: an absent file gives an empty dictionary, a file that
// is there but no dictionary gives nothing.
std::optional<PlistDict> readConfig(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return PlistDict();
    }
    const std::optional<QVariant> value = PropertyList::readFile(path);
    if (!value || value->metaType() != QMetaType::fromType<PlistDict>()) {
        return std::nullopt;
    }
    return value->value<PlistDict>();
}

// Every running instance of the program holds this lock shared for its whole
// life; the helper finds the program gone when it can take it exclusively.
void holdRunningLock()
{
    const QString support = Helper::appSuportWithBundleIdentifier();
    if (support.isEmpty()) {
        return;
    }
    const QByteArray path = QVDAHelper::runningLockPath(support).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        QVDALogLine(QStringLiteral("cannot open the running lock: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    if (::flock(fd, LOCK_SH) != 0) {
        QVDALogLine(QStringLiteral("cannot take the running lock: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    // The descriptor stays open (and the lock held) until the process ends.
}

int signalPipe[2] = {-1, -1};

void handleSignal(int signo)
{
    // Only async-signal-safe work here: wake the watcher.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void watchSignals()
{
    unsigned char byte = 0;
    for (;;) {
        const ssize_t n = ::read(signalPipe[0], &byte, 1);
        if (n == 1) {
            break;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return;
    }
    const int signo = byte;
    QVDALogLine(QStringLiteral("handle signal: %1").arg(signo));
    if (signo == SIGTERM) {
        RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
    }
    std::fflush(nullptr);
    ::_exit(signo);
}

}  // namespace

void setHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        bool ok = ::pipe2(signalPipe, O_CLOEXEC) == 0;
        if (ok) {
            std::thread(watchSignals).detach();
            struct sigaction action = {};
            action.sa_handler = handleSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            ok = ::sigaction(SIGTERM, &action, nullptr) == 0;
        }
        QVDALogLine(ok ? QStringLiteral("Successfully set a signal handler.")
                       : QStringLiteral("Failed to set a signal handler."));
    });
}

RYGALogManager::RYGALogManager() = default;

RYGALogManager::RYGALogManager(const RYGALogManager& other) : QVDASerializeObject(other)
{
    std::lock_guard lock(other.mutex_);
    f_ = other.f_;
}

RYGALogManager& RYGALogManager::operator=(const RYGALogManager& other)
{
    if (this != &other) {
        Fields copy;
        {
            std::lock_guard lock(other.mutex_);
            copy = other.f_;
        }
        std::lock_guard lock(mutex_);
        f_ = std::move(copy);
    }
    return *this;
}

RYGALogManager& RYGALogManager::shared()
{
    static RYGALogManager* instance = [] {
        auto* manager = new RYGALogManager();
        manager->init();
        manager->setupDefault();
        holdRunningLock();
        setHandler();
        QVDASocketServer::defaultManager().startAfter(std::chrono::seconds(1));
        return manager;
    }();
    return *instance;
}

void RYGALogManager::init()
{
    QVDAHelper::firstLaunch(true, [this](bool firstLaunch, bool firstUpdate) {
        if (firstLaunch) {
            setFirstlaunch(true);
        } else if (firstUpdate) {
            setFirstUpdate(true);
        }
    });
    setIsGA4(true);
}

bool RYGALogManager::isSameDay(const QDateTime& date, const QDateTime& current)
{
    const qint64 offset = current.toLocalTime().offsetFromUtc();
    const auto day = [offset](const QDateTime& d) {
        return static_cast<qint32>((d.toSecsSinceEpoch() + offset) / 86400);
    };
    return day(date) == day(current);
}

void RYGALogManager::setupDefault(const QDateTime& now)
{
    const QString path = QVDAHelper::configPlistPath();
    const std::optional<PlistDict> stored = readConfig(path);
    bool firstOfDay = true;
    if (stored) {
        const QVariant last = stored->value(startDateKey);
        if (last.metaType().id() == QMetaType::QDateTime && last.toDateTime().isValid()) {
            firstOfDay = !isSameDay(last.toDateTime(), now);
        }
    }
    setFirstStartOnTheDay(firstOfDay);
    if (!stored || path.isEmpty()) {
        return;  // an unreadable file is left as it is
    }
    std::optional<PlistDict> again = readConfig(path);
    if (!again) {
        return;
    }
    again->insert(startDateKey, now.toUTC());
    PropertyList::writeFile(path, QVariant::fromValue(*again));
}

void RYGALogManager::setTerminationStatus(const QString& status)
{
    {
        std::lock_guard lock(mutex_);
        f_.terminationStatus = status;
    }
    QVDAHelper::ensureApplicationSupport();
    const QString path = QVDAHelper::configPlistPath();
    if (path.isEmpty()) {
        return;
    }
    PlistDict dict;
    if (QFileInfo::exists(path)) {
        dict = readConfig(path).value_or(PlistDict());
    }
    dict.insert(statusKey, status);
    PropertyList::writeFile(path, QVariant::fromValue(dict));
}

QString RYGALogManager::terminationStatus() const
{
    std::lock_guard lock(mutex_);
    return f_.terminationStatus;
}

void RYGALogManager::gaLogManagerDidUpdate() const
{
    QVDASocketServer::defaultManager().sendData(archivedData(), 1);
}

void RYGALogManager::send(const GAEvent& event) const
{
    if (!Helper::isConnectNetwork()) {
        return;
    }
    QVDASocketServer::defaultManager().sendData(event.archivedData(), 2);
}

std::optional<RYGALogManager> RYGALogManager::fromArchive(const QByteArray& data)
{
    RYGALogManager manager;
    if (!manager.unarchive(data)) {
        return std::nullopt;
    }
    return manager;
}

void RYGALogManager::codeDataWithCoder(QVDACoder& coder, bool isDecoding)
{
    std::lock_guard lock(mutex_);
    const auto text = [&](const char* key, QString& field) {
        const QString k = QLatin1Char('_') + QLatin1String(key);
        if (isDecoding) {
            coder.decodeString(k, field);
        } else {
            coder.encodeString(k, field);
        }
    };
    const auto flag = [&](const char* key, bool& field) {
        const QString k = QLatin1Char('_') + QLatin1String(key);
        if (isDecoding) {
            field = coder.decodeBool(k);
        } else {
            coder.encodeBool(k, field);
        }
    };
    const auto number = [&](const char* key, qint64& field) {
        const QString k = QLatin1Char('_') + QLatin1String(key);
        if (isDecoding) {
            field = coder.decodeInt64(k);
        } else {
            coder.encodeInt64(k, field);
        }
    };
    text("pid", f_.pid);
    text("productVersion", f_.productVersion);
    text("productName", f_.productName);
    text("email", f_.email);
    text("phoneNumber", f_.phoneNumber);
    text("gaIdentifier", f_.gaIdentifier);
    text("ga4Identifier", f_.ga4Identifier);
    text("gaDimension", f_.gaDimension);
    flag("isLogin", f_.isLogin);
    flag("isVip", f_.isVip);
    flag("isGA4", f_.isGA4);
    text("toolVersion", f_.toolVersion);
    text("toolLang", f_.toolLang);
    number("kitType", f_.kitType);
    text("strStart", f_.strStart);
    flag("firstlaunch", f_.firstlaunch);
    flag("firstUpdate", f_.firstUpdate);
    text("crossEndId", f_.crossEndId);
    number("sourceType", f_.sourceType);
    flag("printLog", f_.printLog);
    flag("testEnvironment", f_.testEnvironment);
    flag("firstStartOnTheDay", f_.firstStartOnTheDay);
    flag("isStart", f_.isStart);
    flag("isDownloader", f_.isDownloader);
    text("terminationStatus", f_.terminationStatus);
}
