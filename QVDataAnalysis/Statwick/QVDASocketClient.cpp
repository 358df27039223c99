#include "QVDASocketClient.h"

#include "GAEvent.h"
#include "QVDAFrame.h"
#include "RYGALogManager.h"

#include "Helper/QVDAHelper.h"
#include "Helper/QVDALog.h"
#include "Logweave.h"

#include "Foundation/PropertyList.h"

#include <QDir>
#include <QFileInfo>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

void pause(double seconds)
{
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}

// The program's application-support folder: the parent of its log folder.
QString applicationSupport(const QString& logPath)
{
    return QFileInfo(QDir::cleanPath(logPath)).absolutePath();
}

}  // namespace

QVDASocketClient::QVDASocketClient() = default;

QString QVDASocketClient::portFilePath() const
{
    return QVDAHelper::portFilePath(mainBundleID_, false);
}

quint16 QVDASocketClient::readPort(const QString& path)
{
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return 0;
    }
    struct stat info = {};
    char buffer[16] = {};
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
        n = ::read(fd, buffer, sizeof buffer);
    }
    ::close(fd);
    if (n <= 0 || n > 5) {
        return 0;
    }
    quint32 port = 0;
    for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] < '0' || buffer[i] > '9') {
            return 0;
        }
        port = port * 10 + static_cast<quint32>(buffer[i] - '0');
    }
    return (port >= 1 && port <= 65535) ? static_cast<quint16>(port) : 0;
}

bool QVDASocketClient::isMainAppRunning() const
{
    const QByteArray path = QVDAHelper::runningLockPath(applicationSupport(logPath_)).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool running = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
    } else {
        running = errno == EWOULDBLOCK;
    }
    ::close(fd);
    return running;
}

void QVDASocketClient::start()
{
    const QString folder = logPath_ + QStringLiteral("/GALog");
    QVDALog::shared().setLogPath(folder);
    QVDALog::shared().setLogName(QStringLiteral("Statwick"));
    gaSender_.setLogPath(folder);
    if (LWExportObj* report = QVDAGASender::webLog(); report && !report->exporter()) {
        report->setSpoolFolder(folder);
    }
}

int QVDASocketClient::connectToServer(QString* error)
{
    const QString path = portFilePath();
    const quint16 port = path.isEmpty() ? 0 : readPort(path);
    const int fd = port == 0 ? -1 : ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = path.isEmpty()   ? QStringLiteral("no private folder holds the port file")
                 : port == 0 ? QStringLiteral("no usable port in %1").arg(path)
                             : errorText(errno);
        QVDALogLine(QStringLiteral("Error connecting to Statwick Process Server: %1").arg(*error));
        return -1;
    }
    QVDALogLine(QStringLiteral("Connecting to server..."));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int result = 0;
    do {
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        *error = errorText(errno);
        ::close(fd);
        return -1;
    }
    QVDALogLine(QStringLiteral("Connected to Statwick Process Server"));
    reconnectAttempts_ = 0;
    return fd;
}

QString QVDASocketClient::serve(int fd)
{
    QVDAFrame::Reader reader;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0) {
            return QStringLiteral("the server closed the link");
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errorText(errno);
        }
        reader.feed(buffer, static_cast<qsizetype>(n));
        while (const std::optional<QVDAFrame::Frame> frame = reader.next()) {
            QVDALogLine(QStringLiteral("receivedTag = %1, data length = %2")
                            .arg(static_cast<qint64>(frame->tag))
                            .arg(frame->payload.size()));
            if (frame->tag == QVDAFrame::tagEvent) {
                if (std::optional<GAEvent> event = GAEvent::fromArchive(frame->payload)) {
                    gaSender_.sendGAEvent(*event);
                } else {
                    QVDALogLine(QStringLiteral("dropped an event frame that holds no usage event"));
                }
            } else if (frame->tag == QVDAFrame::tagConfiguration) {
                QVDALogLine(QStringLiteral("update GA sender GA Manager..."));
                if (std::optional<RYGALogManager> config = RYGALogManager::fromArchive(frame->payload)) {
                    gaSender_.setGaManager(std::make_shared<RYGALogManager>(*config));
                } else {
                    QVDALogLine(QStringLiteral("dropped a configuration frame that holds no configuration"));
                }
            } else {
                QVDALogLine(QStringLiteral("dropped a frame with the unknown tag %1").arg(static_cast<qint64>(frame->tag)));
            }
        }
        if (reader.failed()) {
            return QStringLiteral("bad frame length %1; link closed").arg(static_cast<qint64>(reader.badLength()));
        }
    }
}

void QVDASocketClient::reportClosing()
{
    const QString path = applicationSupport(logPath_) + QStringLiteral("/.config.plist");
    QVDALogLine(QStringLiteral("config file path: %1").arg(path));
    QString status;
    if (const std::optional<QVariant> value = PropertyList::readFile(path);
        value && value->metaType() == QMetaType::fromType<PlistDict>()) {
        const QVariant stored = value->value<PlistDict>().value(QStringLiteral("AppTerminationStatus"));
        if (stored.metaType().id() == QMetaType::QString) {
            status = stored.toString();
        }
    }
    QVDALogLine(QStringLiteral("mainAppStatus: %1").arg(status.isNull() ? QStringLiteral("(null)") : status));
    GAEvent event;
    event.setCategory(QStringLiteral("CrashRate"));
    event.setAction(status == QLatin1String("running") ? QStringLiteral("Crash") : QStringLiteral("Close"));
    event.setLabels(QStringLiteral("null"));
    gaSender_.sendGAEvent(event);
}

int QVDASocketClient::run()
{
    start();
    for (;;) {
        QString error;
        const int fd = connectToServer(&error);
        if (fd >= 0) {
            error = serve(fd);
            ::close(fd);
        }
        QVDALogLine(QStringLiteral("Disconnect to Statwick Process Server: %1").arg(error));
        pause(disconnectDelay_);
        if (isMainAppRunning()) {
            if (reconnectAttempts_ < maxReconnectAttempts_) {
                ++reconnectAttempts_;
                QVDALogLine(QStringLiteral("Attempting to reconnect in %1 seconds...")
                                .arg(QString::number(reconnectInterval_, 'f', 0)));
                pause(reconnectInterval_);
                continue;
            }
            QVDALogLine(QStringLiteral("Max reconnect attempts reached. Will not attempt to reconnect."));
        } else {
            reportClosing();
        }
        gaSender_.waitUntilAllOperationsAreFinished();
        QVDALogLine(QStringLiteral("all GA operations are finished..."));
        return 0;
    }
}
