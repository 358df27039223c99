#include "MainWindow.h"

#include "ContentBox.h"
#include "FeedbackManager.h"
#include "MainViewController.h"
#include "UpdateManager.h"
#include "Window/AboutWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"
#include "Utilities.h"

#include "Foundation/Bundle.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/PropertyListFile.h"
#include "QVBaseLib/RYLog.h"
#include "RYTAppearanceFollower.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QUrl>

const QString& didHiddenMainWindowTitleNotification()
{
    static const QString name = QStringLiteral("org.twinsweep.notification.name.didHiddenTitle");
    return name;
}

const QString& didShowMainWindowTitleNotification()
{
    static const QString name = QStringLiteral("org.twinsweep.notification.name.didShowTitle");
    return name;
}

const QString& didHiddenFullScreenNotification()
{
    static const QString name = QStringLiteral("org.twinsweep.notification.name.didHiddenFullScreen");
    return name;
}

const QString& didShowFullScreenNotification()
{
    static const QString name = QStringLiteral("org.twinsweep.notification.name.didShowFullScreen");
    return name;
}

namespace {
MainWindow::PreferenceWindowMaker g_preferenceWindowMaker = nullptr;
Workspace::Opener g_opener = nullptr;
}  // namespace

namespace Workspace {

bool openURL(const QString& url)
{
    if (g_opener) {
        return g_opener(url);
    }
    return QDesktopServices::openUrl(QUrl(url));
}

bool openFolder(const QString& path)
{
    if (g_opener) {
        return g_opener(path);
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void openWebAddress(const QString& address, QWidget* sheetParent)
{
    if (openURL(address)) {
        return;
    }
    // The desktop found nothing to open it with: say so, with the address
    // to copy into a browser elsewhere, rather than nothing at all.
    TSLOG(QStringLiteral("No web browser opens"), address);
    SheetWindowController::beginNotice(
        localized("The page could not be opened: no web browser on this computer opens its address. You can copy "
                  "it from here."),
        address, sheetParent ? sheetParent : ModalOverlay::applicationMainWindow());
}

void setOpenerForTesting(Opener opener)
{
    g_opener = opener;
}

}  // namespace Workspace

MainWindow::MainWindow() : mainViewController_(new MainViewController) {}

ContentBox* MainWindow::windowBox() const { return windowBox_; }
void MainWindow::setWindowBox(ContentBox* box) { windowBox_ = box; }
QLabel* MainWindow::windowTitle() const { return windowTitle_; }
void MainWindow::setWindowTitle(QLabel* title) { windowTitle_ = title; }
QAction* MainWindow::updateMenuBtn() const { return updateMenuBtn_; }
void MainWindow::setUpdateMenuBtn(QAction* item) { updateMenuBtn_ = item; }
QAction* MainWindow::privacyMenuBtn() const { return privacyMenuBtn_; }
void MainWindow::setPrivacyMenuBtn(QAction* item) { privacyMenuBtn_ = item; }
QAction* MainWindow::userMenuBtn() const { return userMenuBtn_; }
void MainWindow::setUserMenuBtn(QAction* item) { userMenuBtn_ = item; }
QWidget* MainWindow::mainView() const { return mainView_; }
void MainWindow::setMainView(QWidget* view) { mainView_ = view; }
MainViewController* MainWindow::mainViewController() const { return mainViewController_; }
QDialog* MainWindow::preferenceWindow() const { return preferenceWindow_; }
AboutWindowController* MainWindow::aboutWindowController() const { return aboutWindowController_; }

MainWindow::~MainWindow()
{
    PropertyList::removeSetAsideObserver(this);
    // The root view controller is ours, not the box's: take it out first.
    if (windowBox_ && windowBox_->contentView() == mainViewController_.data()) {
        windowBox_->setContentView(nullptr);
    }
    delete mainViewController_;
    delete preferenceWindow_;
    delete aboutWindowController_;
}

void MainWindow::setPreferenceWindowMaker(PreferenceWindowMaker maker)
{
    g_preferenceWindowMaker = maker;
}

void MainWindow::setupMainView()
{
    windowBox_->setContentView(mainViewController_);
    mainViewController_->viewDidLoad();

    // The title lies on the window's own background, which follows the
    // desktop's appearance while the program runs: so does its colour.
    RYTAppearanceFollower::followTextColor(windowTitle_, QStringLiteral("TitleLabelColor"));
    const QVariant displayName = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("CFBundleDisplayName"));
    if (displayName.metaType().id() == QMetaType::QString) {
        windowTitle_->setText(displayName.toString());
    }

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, didHiddenMainWindowTitleNotification(), [this](const Notification&) { hiddenTitle(); });
    center.addObserver(this, didShowMainWindowTitleNotification(), [this](const Notification&) { showTitle(); });

    if (privacyMenuBtn_) {
        privacyMenuBtn_->setVisible(false);
    }
    if (userMenuBtn_) {
        userMenuBtn_->setVisible(false);
    }
    watchSetAsideFiles();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == noticeWindow_ && event->type() == QEvent::Show) {
        noticeWindow_->removeEventFilter(this);
        // Its turn comes once the window has been laid out and painted.
        QMetaObject::invokeMethod(this, &MainWindow::showSetAsideNotices, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void MainWindow::fadeTitle(double alpha)
{
    titleAlpha_ = alpha;
    if (!windowTitle_) {
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(windowTitle_->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(windowTitle_);
        effect->setOpacity(1.0);
        windowTitle_->setGraphicsEffect(effect);
    }
    // The text stays where it is; it only turns transparent.
    auto* animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(250);
    animation->setEndValue(alpha);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::hiddenTitle()
{
    fadeTitle(0.0);
}

void MainWindow::showTitle()
{
    fadeTitle(1.0);
}

bool MainWindow::isShouldCloseWindow()
{
    QWidget* content = windowBox_ ? windowBox_->contentView() : nullptr;
    QWidget* root = mainViewController_;
    if (content != root) {
        return true;
    }
    return mainViewController_ ? mainViewController_->isShouldCloseWindow() : true;
}

void MainWindow::aboutAction()
{
    // A new window for every use; the one before is gone once closed.
    delete aboutWindowController_;
    aboutWindowController_ = new AboutWindowController;
    AboutWindowController* controller = aboutWindowController_;
    connect(controller, &AboutWindowController::windowWillClose, controller, &QObject::deleteLater);
    QWidget* centreOn = windowBox_ ? windowBox_->window() : nullptr;
    controller->runModal(centreOn);
}

void MainWindow::feedBackAction()
{
    FeedbackManager::showFeedback();
}

namespace {
void openLinkOfKey(const char* key)
{
    const std::optional<QUrl> url = CBSUtilitie::url(QString::fromLatin1(key), true);
    if (!url) {
        return;
    }
    Workspace::openWebAddress(url->toString());
}
}  // namespace

void MainWindow::helpAction()
{
    openLinkOfKey("GuideURL");
}

void MainWindow::openPrivacyUrl()
{
    openLinkOfKey("PrivacyURL");
}

void MainWindow::openUserUrl()
{
    openLinkOfKey("UserURL");
}

void MainWindow::checkUpdateAction()
{
    UpdateManager::default_().checkUpdate(false);
}

void MainWindow::openPreferenceWindow()
{
    if (!preferenceWindow_ && g_preferenceWindowMaker) {
        preferenceWindow_ = g_preferenceWindowMaker();
    }
    if (!preferenceWindow_) {
        return;
    }
    // Application-modal without a nested loop: the window blocks the others
    // until it closes itself.
    preferenceWindow_->setWindowModality(Qt::ApplicationModal);
    preferenceWindow_->show();
    preferenceWindow_->raise();
    preferenceWindow_->activateWindow();
}

void MainWindow::openLogPath()
{
    Workspace::openFolder(RYLog::shared().logPath());
}

// ---- settings files set aside ------------------------------------------------

void MainWindow::watchSetAsideFiles()
{
    // Files are read on any thread (a scan reads the settings on its own);
    // the sheet is shown on the main thread, by this object while it lives.
    PropertyList::setSetAsideObserver(this, [this] {
        QMetaObject::invokeMethod(this, &MainWindow::showSetAsideNotices, Qt::QueuedConnection);
    });
    // Those set aside before the window was there (the user defaults are
    // read first of all).
    QMetaObject::invokeMethod(this, &MainWindow::showSetAsideNotices, Qt::QueuedConnection);
}

void MainWindow::showSetAsideNotices()
{
    for (const PropertyList::SetAsideFile& file : PropertyList::takeSetAsideFiles()) {
        setAsideNotices_.append(file.setAside);
    }
    if (setAsideNotices_.isEmpty() || setAsideNoticeShowing_) {
        return;
    }
    QWidget* window = mainView_ ? mainView_->window() : nullptr;
    if (!window) {
        return;
    }
    if (!window->isVisible()) {
        noticeWindow_ = window;
        window->installEventFilter(this);
        return;
    }
    // A question that is open keeps its place; the notice follows it.
    const SheetWindowController* open = SheetWindowController::globalSheetController();
    if (open && open->isShowing()) {
        QTimer::singleShot(500, this, &MainWindow::showSetAsideNotices);
        return;
    }
    const QString setAside = setAsideNotices_.takeFirst();
    setAsideNoticeShowing_ = true;
    const QPointer<MainWindow> self(this);
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::determine,
        localized("Your settings could not be read, so Twinsweep started with its default settings. The damaged "
                  "file was kept as “%1”.")
            .arg(setAside),
        localized("OK"), QString(), window, nullptr, [self](int) {
            if (self) {
                self->setAsideNoticeShowing_ = false;
                self->showSetAsideNotices();
            }
        });
}
