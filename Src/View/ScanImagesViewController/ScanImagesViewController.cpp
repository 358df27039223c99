#include "ScanImagesViewController.h"
#include "View/ScanProgressPanel.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Main/AppTermination.h"
#include "Main/GACollectionManager.h"
#include "Manager/ScanImagesManager.h"
#include "View/Extension/KPLExtension.h"
#include "Window/SheetWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

// Takes the engine's reports on its threads and hands them to the screen on
// the main thread, if the screen is still there. Only the main thread reads
// the screen pointer.
class ScanImagesViewController::Relay final : public ScanImagesManagerDelegate,
                                              public ScanImagesRemoveManagerDelegate,
                                              public std::enable_shared_from_this<Relay> {
public:
    explicit Relay(ScanImagesViewController* screen) : screen_(screen) {}

    void scanImageManagerDidStart(ScanImagesManager* m) override
    {
        post([m](ScanImagesViewController* s) { s->scanImageManagerDidStart(m); });
    }
    void scanImagesManagerProgressDidChanged(ScanImagesManager* m, double ratio, qint64 total,
                                             const QString& path) override
    {
        post([=](ScanImagesViewController* s) { s->scanImagesManagerProgressDidChanged(m, ratio, total, path); });
    }
    void scanImagesManagerScanData(ScanImagesManager* m, const ScanImagesGroupList& groups) override
    {
        post([=](ScanImagesViewController* s) { s->scanImagesManagerScanData(m, groups); });
    }
    void scanImagesManagerScanDidFinished(ScanImagesManager* m, int state) override
    {
        post([=](ScanImagesViewController* s) { s->scanImagesManagerScanDidFinished(m, state); });
    }
    void scanImagesManagerScanDidStop(ScanImagesManager* m, int state) override
    {
        post([=](ScanImagesViewController* s) { s->scanImagesManagerScanDidStop(m, state); });
    }
    void removeManagerDidStart(ScanImagesManager* m) override
    {
        post([m](ScanImagesViewController* s) { s->removeManagerDidStart(m); });
    }
    void removeManagerProgressDidChange(ScanImagesManager* m, double progress) override
    {
        post([=](ScanImagesViewController* s) { s->removeManagerProgressDidChange(m, progress); });
    }
    void removeManagerDidStop(ScanImagesManager* m) override
    {
        post([m](ScanImagesViewController* s) { s->removeManagerDidStop(m); });
    }
    void removeMangerDidFinish(ScanImagesManager* m) override
    {
        post([m](ScanImagesViewController* s) { s->removeMangerDidFinish(m); });
    }

private:
    template <typename F>
    void post(F work)
    {
        DispatchQueue::main().async([self = shared_from_this(), work] {
            if (ScanImagesViewController* screen = self->screen_) {
                work(screen);
            }
        });
    }

    QPointer<ScanImagesViewController> screen_;
};

ScanImagesViewController::ScanImagesViewController(QWidget* parent)
    : ViewController(parent), relay_(std::make_shared<Relay>(this)), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("ScanImagesViewController"));
    const ScanProgressPanel panel = buildScanProgressPanel(this, timer_, &elapsedSeconds_);
    title_ = panel.title;
    path_ = panel.path;
    elapsed_ = panel.elapsed;
    progress_ = panel.progress;
    stopButton_ = panel.stopButton;
    backButton_ = panel.backButton;
    connect(stopButton_, &QPushButton::clicked, this, &ScanImagesViewController::stopAction);
    connect(backButton_, &QPushButton::clicked, this, &ScanImagesViewController::backAction);
}

ScanImagesViewController::~ScanImagesViewController()
{
    ScanImagesManager& engine = ScanImagesManager::shared();
    if (scanning_) {
        engine.stop();
        // Going while the search runs (the program ends under it): let it
        // wind down, so no search is left running into the program's end.
        engine.waitUntilSearchEnds(3000);
    }
}

ScanImagesManagerDelegate* ScanImagesViewController::engineDelegate() const
{
    return relay_.get();
}

QString ScanImagesViewController::statusText() const
{
    return title_->text();
}

void ScanImagesViewController::configScanImages(const QByteArrayList& folderList)
{
    folderList_ = folderList;
    scanning_ = true;
    // The state the screen and the engine share: a search is under way.
    ScanImagesManager::shared().setScanState(1);
    title_->setText(localized("Scanning"));
    elapsedSeconds_ = 0.0;
    timer_->start();
    // The block keeps the relay alive for the whole search.
    DispatchQueue::global().async([relay = relay_, folderList] {
        ScanImagesManager& engine = ScanImagesManager::shared();
        engine.setDelegate(relay.get());
        engine.findDuplicateImages(folderList);
        if (engine.delegate() == relay.get()) {
            engine.setDelegate(nullptr);
        }
    });
}

bool ScanImagesViewController::isShouldCloseWindow()
{
    SheetWindowController::showContentSureExitApp([](int answer) {
        if (answer == 1) {
            AppTermination::stopEnginesAndTerminate(false);
        }
    });
    return false;
}

void ScanImagesViewController::windowDidEnterFullScreen()
{
    fullScreen_ = true;
}

void ScanImagesViewController::windowDidExitFullScreen()
{
    fullScreen_ = false;
}

void ScanImagesViewController::scanImageManagerDidStart(ScanImagesManager*)
{
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, false);
    }
}

void ScanImagesViewController::scanImagesManagerProgressDidChanged(ScanImagesManager*, double ratio, qint64,
                                                                   const QString& path)
{
    path_->setText(path);
    // The ring never moves backwards.
    shownProgress_ = std::max(shownProgress_, qBound(0.0, ratio, 1.0));
    progress_->setValue(static_cast<int>(shownProgress_ * 1000));
}

void ScanImagesViewController::scanImagesManagerScanData(ScanImagesManager*, const ScanImagesGroupList& groups)
{
    groupCount_ = static_cast<int>(groups.size());
}

void ScanImagesViewController::scanImagesManagerScanDidFinished(ScanImagesManager* manager, int)
{
    const ScanImagesGroupList groups = manager->dupImages();
    manager->setScanState(groups.isEmpty() ? 4 : 2);
    showScanEnd(false, groups);
    if (!groups.isEmpty()) {
        GACollectionManager::default_().collectionResultGA(groups);
    }
}

void ScanImagesViewController::scanImagesManagerScanDidStop(ScanImagesManager* manager, int)
{
    showScanEnd(true, manager->dupImages());
}

void ScanImagesViewController::removeManagerDidStart(ScanImagesManager*) {}

void ScanImagesViewController::removeManagerProgressDidChange(ScanImagesManager*, double progress)
{
    progress_->setValue(static_cast<int>(qBound(0.0, progress, 1.0) * 1000));
}

void ScanImagesViewController::removeManagerDidStop(ScanImagesManager* manager)
{
    showScanEnd(false, manager->dupImages());
}

void ScanImagesViewController::removeMangerDidFinish(ScanImagesManager* manager)
{
    showScanEnd(false, manager->dupImages());
}

void ScanImagesViewController::showScanEnd(bool stopped, const ScanImagesGroupList& groups)
{
    timer_->stop();
    scanning_ = false;
    groupCount_ = static_cast<int>(groups.size());
    if (groups.isEmpty()) {
        title_->setText(stopped ? localized("Scan stopped") : localized("There are no similar images found on your Mac."));
    } else {
        title_->setText(localized("%1 groups of similar images").arg(groups.size()));
    }
    progress_->setValue(1000);
    path_->clear();
    stopButton_->hide();
    backButton_->show();
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, true);
    }
}

void ScanImagesViewController::stopAction()
{
    if (scanning_) {
        ScanImagesManager::shared().stop();
    }
}

void ScanImagesViewController::backAction()
{
    if (delegate_) {
        delegate_->scanImagesViewBackAction();
    }
}
