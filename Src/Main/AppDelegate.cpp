#include "AppDelegate.h"

#include "AppTermination.h"
#include "MainViewController.h"
#include "MainWindow.h"
#include "UpdateManager.h"
#include "Utilities.h"

#include "DaemonManager.h"
#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "GA/RYGALogManager.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"
#include "RYTFullSizeWindow.h"

#include <QCloseEvent>
#include <QDate>
#include <QDebug>
#include <QFile>
#include <QLocale>

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<bool> g_startUpBlockDone{false};

QString infoString(const char* key)
{
    const QVariant value = Bundle::main().objectForInfoDictionaryKey(QString::fromLatin1(key));
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

QString padded(const char* label)
{
    return QString::fromLatin1(label).leftJustified(18, QLatin1Char(' '));
}
}  // namespace

AppDelegate::AppDelegate() = default;

AppDelegate::~AppDelegate()
{
    if (window_) {
        window_->removeEventFilter(this);
    }
    if (BugsplatStartupManager::sharedManager().delegate() == this) {
        BugsplatStartupManager::sharedManager().setDelegate(nullptr);
    }
}

void AppDelegate::setWindow(QWidget* window)
{
    window_ = window;
}

bool AppDelegate::startUpBlockDone()
{
    return g_startUpBlockDone.load();
}

bool AppDelegate::redirectOutput(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        // Left as they were: a failed reopen must not lose the output.
        return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const bool out = ::dup2(fd, STDOUT_FILENO) >= 0;
    const bool err = ::dup2(fd, STDERR_FILENO) >= 0;
    ::close(fd);
    return out && err;
}

void AppDelegate::startUpBlock()
{
    RYGALogManager::shared().setTerminationStatus(QStringLiteral("running"));
    redirectOutput(RYLog::shared().logPath() + QStringLiteral("/AppOutPut.log"));
    g_startUpBlockDone.store(true);
}

void AppDelegate::applicationWillFinishLaunching()
{
    g_startUpBlockDone.store(false);
    DispatchQueue::global().async([] { startUpBlock(); });
}

void AppDelegate::applicationDidFinishLaunching()
{
    launchTrace_.clear();
    setupDataCollection();
    launchTrace_ << QStringLiteral("setupDataCollection");

    mainWindow_->setupMainView();
    launchTrace_ << QStringLiteral("setupMainView");

    window_->installEventFilter(this);
    if (auto* full = qobject_cast<RYTFullSizeWindow*>(window_.data())) {
        connect(full, &RYTFullSizeWindow::didEnterFullScreen, this, &AppDelegate::windowDidEnterFullScreen);
        connect(full, &RYTFullSizeWindow::didExitFullScreen, this, &AppDelegate::windowDidExitFullScreen);
        full->setFullScreenBtnHidded(true);
        full->setShowsToolbarButton(true);
        full->setTopOffset(8.0);
    }
    launchTrace_ << QStringLiteral("windowDelegate");

    ScanManager::default_().setScanSetupObj(std::make_shared<PerferenceInfo>());
    launchTrace_ << QStringLiteral("scanSetupObj");

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, didHiddenFullScreenNotification(), [this](const Notification&) { hiddenFullScreen(); });
    center.addObserver(this, didShowFullScreenNotification(), [this](const Notification&) { showFullScreen(); });
    launchTrace_ << QStringLiteral("fullScreenObservers");

    Helper::firstLaunchApp(false, [](bool first, bool firstOfVersion) {
        qDebug() << "firstLaunchApp" << first << firstOfVersion;
    });
    launchTrace_ << QStringLiteral("firstLaunchApp");

    startBugsplat();
    launchTrace_ << QStringLiteral("startBugsplat");

    DaemonManager::defaultManager().startForDaemon();
    launchTrace_ << QStringLiteral("startForDaemon");

    UpdateManager::default_().checkUpdate(true);
    launchTrace_ << QStringLiteral("checkUpdate");

    gaCollection();
    launchTrace_ << QStringLiteral("gaCollection");

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (!defaults.boolForKey(QStringLiteral("dupImageRemoveType"))) {
        defaults.setInteger(0, QStringLiteral("dupImageRemoveType"));
    }
    launchTrace_ << QStringLiteral("dupImageRemoveType");
}

void AppDelegate::applicationWillTerminate()
{
    RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
}

bool AppDelegate::windowShouldClose()
{
    // The exit was confirmed and the engines are winding down: the program
    // ends by itself in a moment, and nothing is asked twice.
    if (AppTermination::isTerminating()) {
        return false;
    }
    return mainWindow_ ? mainWindow_->isShouldCloseWindow() : true;
}

void AppDelegate::windowDidEnterFullScreen()
{
    if (mainWindow_ && mainWindow_->mainViewController()) {
        mainWindow_->mainViewController()->windowDidEnterFullScreen();
    }
}

void AppDelegate::windowDidExitFullScreen()
{
    if (mainWindow_ && mainWindow_->mainViewController()) {
        mainWindow_->mainViewController()->windowDidExitFullScreen();
    }
}

void AppDelegate::windowDidResize()
{
    if (!window_) {
        return;
    }
    // Child windows are the panels attached to the main window (not its
    // dialogs): they cover the window's content.
    QList<QWidget*> children;
    for (QObject* child : window_->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow() && widget->windowType() != Qt::Dialog && widget->windowType() != Qt::Sheet) {
            children << widget;
        }
    }
    auto* mainWindow = qobject_cast<QMainWindow*>(window_.data());
    QWidget* content = mainWindow ? mainWindow->centralWidget() : nullptr;
    if (children.isEmpty() || !content) {
        return;
    }
    const QPoint origin = window_->frameGeometry().topLeft();
    const QSize size = content->rect().size();
    for (QWidget* child : children) {
        child->setGeometry(QRect(origin, size));
    }
}

void AppDelegate::setFullScreenButtonHidden(bool hidden)
{
    if (auto* full = qobject_cast<RYTFullSizeWindow*>(window_.data())) {
        full->setFullScreenBtnHidded(hidden);
    }
}

void AppDelegate::hiddenFullScreen()
{
    setFullScreenButtonHidden(true);
}

void AppDelegate::disableFullScreen()
{
    setFullScreenButtonHidden(true);
}

void AppDelegate::showFullScreen()
{
    setFullScreenButtonHidden(false);
}

void AppDelegate::enableFullScreen()
{
    setFullScreenButtonHidden(false);
}

void AppDelegate::startBugsplat()
{
    BugsplatStartupManager& manager = BugsplatStartupManager::sharedManager();
    manager.setAutoSubmitCrashReport(true);
    manager.setDelegate(this);
    manager.setAskUserDetails(false);
    manager.start();
}

QString AppDelegate::systemLanguageName()
{
    const QLocale::Language language = QLocale().language();
    if (language == QLocale::C || language == QLocale::AnyLanguage) {
        return {};
    }
    return QLocale::languageToString(language);
}

void AppDelegate::setupDataCollection()
{
    const QString pid = infoString("pid");
    QString version = infoString("CFBundleVersion");
    const QString mark = infoString("WebMark");
    const bool storeEdition = mark == QLatin1String(CBSUtilitie::appStoreMark);
    if (storeEdition) {
        version = QStringLiteral("&v=%1").arg(infoString("CFBundleShortVersionString"));
    }
    QString productName = infoString("CFBundleDisplayName");
    if (productName.isEmpty()) {
        productName = infoString("CFBundleName");
    }
    const QString systemVersion = Helper::macOSVersion();
    const QString language = systemLanguageName();
    const QString channel = storeEdition ? QStringLiteral("Mac_AppStore") : mark;

    RYGALogManager& manager = RYGALogManager::shared();
    manager.setPrintLog(false);
    manager.setIsGA4(true);
    manager.setPid(pid);
    manager.setProductVersion(version);
    manager.setProductName(productName);
    manager.setPhoneNumber(QString());
    manager.setGaDimension(QStringLiteral("&cd1=") + version + QStringLiteral("&cd3=") + channel
                           + QStringLiteral("&cd4=") + language);

    const QString stars(53, QLatin1Char('*'));
    TSLOG(stars + QLatin1Char('\n'),
          padded("pid:") + pid + QLatin1Char('\n'),
          padded("ProductName:") + productName + QLatin1Char('\n'),
          padded("ProductVersion:") + version + QLatin1Char('\n'),
          padded("MacOS Version:") + systemVersion + QLatin1Char('\n'),
          padded("System Language:") + language + QLatin1Char('\n'),
          stars);

    manager.gaLogManagerDidUpdate();
}

void AppDelegate::gaCollection()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    if (defaults.boolForKey(QStringLiteral("Start"))) {
        if (const std::optional<qint64> count = defaults.value<qint64>(QStringLiteral("Start"))) {
            defaults.setInteger(*count + 1, QStringLiteral("Start"));
            defaults.setObject(today, QStringLiteral("RunTime"));
        }
    } else {
        defaults.setObject(today, QStringLiteral("RunTime"));
        defaults.setInteger(1, QStringLiteral("Start"));
    }
    if (!defaults.boolForKey(QStringLiteral("Sysmac"))) {
        defaults.setInteger(1, QStringLiteral("Sysmac"));
        asyncGALog(QStringLiteral("MacInfo"), QStringLiteral("Sysmac"), Helper::macOSVersion());
        asyncGALog(QStringLiteral("MacInfo"), QStringLiteral("SysLanguage"), systemLanguageName());
    }
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        if (event->type() == QEvent::Close) {
            if (!windowShouldClose()) {
                event->ignore();
                return true;
            }
        } else if (event->type() == QEvent::Resize) {
            windowDidResize();
        }
    }
    return QObject::eventFilter(watched, event);
}
