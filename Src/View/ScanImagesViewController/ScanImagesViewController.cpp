#include "ScanImagesViewController.h"
#include "ScanImagesContent.h"

#include "ui_ScanImagesViewController.h"

#include "FinishNotDupImagesViewController.h"
#include "ImagesDeleteViewController.h"
#include "ImagesScanningViewController.h"
#include "ScanImagesSelection.h"
#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/AppTermination.h"
#include "Main/GACollectionManager.h"
#include "Main/MainWindow.h"
#include "Main/Utilities.h"
#include "Manager/ScanImagesManager.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "View/CustomView/FolderChooserDialog.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/Extension/KPLExtension.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>

namespace {

ScanImagesManager* gEngine = nullptr;

UserDefaults& defaults()
{
    return UserDefaults::standardUserDefaults();
}

QColor blue()
{
    return color256(65, 111, 244);
}

QColor red()
{
    return color256(254, 74, 74);
}

QString sizeText(qint64 bytes)
{
    return transformedFileSize(uint64_t(std::max<qint64>(0, bytes)), true, true);
}

QString countLabel(qint64 count, qint64 bytes)
{
    return QStringLiteral("%1(%2)").arg(count).arg(sizeText(bytes));
}

void setColor(QLabel* label, const QColor& color)
{
    ScanScreenLook::keepColor(label, QPalette::WindowText, color);
}

// The last path component of a folder, trimmed of blanks and line ends.
QString folderTitle(const QByteArray& path)
{
    QString trimmed = QFile::decodeName(path);
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) {
        trimmed.chop(1);
    }
    return trimmed.section(QLatin1Char('/'), -1).trimmed();
}

QByteArray trashPath()
{
    return Trash::homeTrash();
}

}  // namespace

// Takes the engine's reports on its threads and hands them to the screen on
// the main thread, in the order received, if the screen is still there. Only
// the main thread reads the screen pointer.
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
    void removeManagerRemovedAfterEnd(ScanImagesManager* m) override
    {
        post([m](ScanImagesViewController* s) { s->removeManagerRemovedAfterEnd(m); });
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

// --- Engine ---------------------------------------------------------------------

ScanImagesManager& ScanImagesViewController::engine()
{
    return gEngine ? *gEngine : ScanImagesManager::shared();
}

void ScanImagesViewController::setEngineForTesting(ScanImagesManager* engine)
{
    gEngine = engine;
}

uint ScanImagesViewController::scanState() const
{
    return engine().scanState();
}

ScanImagesManagerDelegate* ScanImagesViewController::engineDelegate() const
{
    return relay_.get();
}

// --- Set-up ---------------------------------------------------------------------

ScanImagesViewController::ScanImagesViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ScanImagesViewController>())
    , relay_(std::make_shared<Relay>(this))
    , self_(std::make_shared<QPointer<ScanImagesViewController>>(this))
{
    setObjectName(QStringLiteral("ScanImagesViewController"));
    ui_->setupUi(this);
    imageDeleteViewCtr_ = ViewController::initUseNibName<ImagesDeleteViewController>();
    imageDeleteViewCtr_->setParent(ui_->mainBox);
    imageDeleteViewCtr_->hide();
    connect(ui_->backBtn, &QAbstractButton::clicked, this, &ScanImagesViewController::backBtnAction);
    connect(ui_->stopBtn, &QAbstractButton::clicked, this, &ScanImagesViewController::stopBtnAction);
    viewDidLoad();
}

ScanImagesViewController::~ScanImagesViewController()
{
    *self_ = nullptr;
    ui_->popUpButton->setDelegate(nullptr);
    if (imageResultViewCtr_) {
        imageResultViewCtr_->setDelegate(nullptr);
    }
    stopHolds_.releaseAll();
    ScanImagesManager& images = engine();
    // The engine holds the relay weakly: taken away, and the calls it makes
    // to it now returned, before the relay may go with this screen.
    const bool searchDelegate = images.delegate() == relay_.get();
    images.detachRemoveDelegate(relay_.get());
    images.detachDelegate(relay_.get());
    if (images.isSearching() && searchDelegate) {
        images.stop();
        // Going while the search runs (the program ends under it): let it
        // wind down, so no search is left running into the program's end.
        images.waitUntilSearchEnds(3000);
    }
}

void ScanImagesViewController::viewDidLoad()
{
    setMainContent(imagesScanningViewCtr());
    engine().setScanState(1);
    setUpView();
    configPopBtn();
}

void ScanImagesViewController::setUpView()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#ScanImagesViewController { background: rgb(237,240,245); }"
                                 " #mainBox { background: rgb(237,240,245); border: none; border-radius: 8px; }"));
    RYTButton* back = ui_->backBtn;
    back->setCornerRadius(4);
    back->setTitle(localized("Back"));
    {
        RYTDarkMode::LightAppearanceScope light;
        back->setTitleColor(RYTButton::backTitleColor(), RYTButton::backTitleColor(), RYTButton::backTitleColor(),
                            RYTButton::backTitleColor());
    }
    back->setButtonBorderColor(RYTButton::backBorderColor(), RYTButton::backBorderColor(), RYTButton::backBorderColor(),
                               RYTButton::backBorderColor());
    back->setButtonStateColor(Qt::white, color256(246, 247, 250), color256(237, 240, 245), Qt::white);
    setButtonEnabled(back, false);
    setActionButton(localized("Stop"));
    back->show();
    ui_->stopBtn->show();
    ui_->selectTip->setText(localized("Selected:"));
    ui_->selectTip->show();
    ui_->selectCount->show();
    setColor(ui_->selectCount, blue());
    {
        RYTDarkMode::LightAppearanceScope light;
        setColor(ui_->selectTip, RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false));
    }
    for (QLabel* label : {ui_->selectTip, ui_->selectCount}) {
        QFont font = label->font();
        font.setPixelSize(13);
        label->setFont(font);
    }
    ui_->popUpButton->show();
}

void ScanImagesViewController::setButtonEnabled(RYTButton* button, bool enabled)
{
    button->setEnabled(enabled);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(button->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(button);
        button->setGraphicsEffect(effect);
    }
    effect->setOpacity(enabled ? 1.0 : 0.3);
}

void ScanImagesViewController::setActionButton(const QString& title)
{
    RYTButton* button = ui_->stopBtn;
    button->setCornerRadius(4);
    button->setTitle(title);
    RYTDarkMode::LightAppearanceScope light;
    const QColor normal = RYTButton::normalColor();
    const QColor hover = RYTButton::hoverColor();
    button->setTitleColor(normal, hover, hover, hover);
    button->setButtonBorderColor(normal, hover, hover, hover);
    button->setButtonStateColor(Qt::white, color256(246, 248, 254), color256(237, 242, 253), Qt::white);
}

void ScanImagesViewController::setMainContent(QWidget* view)
{
    if (mainBoxContent_ == view) {
        return;
    }
    if (mainBoxContent_) {
        mainBoxContent_->hide();
        ui_->mainBoxLayout->removeWidget(mainBoxContent_);
    }
    mainBoxContent_ = view;
    if (view) {
        view->setParent(ui_->mainBox);
        ui_->mainBoxLayout->addWidget(view);
        view->show();
    }
}

ImagesScanningViewController* ScanImagesViewController::imagesScanningViewCtr()
{
    return childController(imagesScanningViewCtr_, ui_->mainBox);
}

ImagesScanResultViewController* ScanImagesViewController::imageResultViewCtr()
{
    if (!imageResultViewCtr_) {
        childController(imageResultViewCtr_, ui_->mainBox)->setDelegate(this);
    }
    return imageResultViewCtr_;
}

FinishNotDupImagesViewController* ScanImagesViewController::scanfinishEmptyViewCtr()
{
    return childController(scanfinishEmptyViewCtr_, ui_->mainBox);
}

RYTButton* ScanImagesViewController::backBtn() const { return ui_->backBtn; }
RYTButton* ScanImagesViewController::stopBtn() const { return ui_->stopBtn; }
PopUpButton* ScanImagesViewController::popUpButton() const { return ui_->popUpButton; }
QLabel* ScanImagesViewController::selectTip() const { return ui_->selectTip; }
QLabel* ScanImagesViewController::selectCount() const { return ui_->selectCount; }
QFrame* ScanImagesViewController::mainBox() const { return ui_->mainBox; }
ImagesDeleteViewController* ScanImagesViewController::imageDeleteViewCtr() const { return imageDeleteViewCtr_; }
FinishWindowController* ScanImagesViewController::finishWindowController() const { return finishWindow_; }

QWidget* ScanImagesViewController::sheetWindow() const
{
    return ModalOverlay::applicationMainWindow();
}

// --- Scan -----------------------------------------------------------------------

void ScanImagesViewController::configScanImages(const QByteArrayList& folderList)
{
    folderList_ = folderList;
    scanning_ = true;
    {
        // Made and dropped: a missing settings file is written with its
        // defaults, which the engine then reads.
        PerferenceInfo settings;
    }
    ScanImagesManager* images = &engine();
    DispatchQueue::global().async([relay = relay_, folderList, images] {
        images->setDelegate(relay.get());
        images->findDuplicateImages(folderList);
        if (images->delegate() == relay.get()) {
            images->setDelegate(nullptr);
        }
    });
}

void ScanImagesViewController::scanImageManagerDidStart(ScanImagesManager*)
{
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, false);
    }
    ui_->selectTip->hide();
    ui_->selectCount->hide();
    ui_->popUpButton->hide();
}

void ScanImagesViewController::scanImagesManagerProgressDidChanged(ScanImagesManager*, double ratio, qint64,
                                                                   const QString& path)
{
    ImagesScanningViewController* scanning = imagesScanningViewCtr();
    scanning->setUpLeftScanningView(path);
    scanning->setProgress(ratio);
}

void ScanImagesViewController::scanImagesManagerScanData(ScanImagesManager*, const ScanImagesGroupList& groups)
{
    dupImagesArray_ = groups;
    imagesScanningViewCtr()->reloadCollctionView(groups);
}

void ScanImagesViewController::scanImagesManagerScanDidFinished(ScanImagesManager*, int)
{
    scanEnded(false);
}

void ScanImagesViewController::scanImagesManagerScanDidStop(ScanImagesManager*, int)
{
    scanEnded(true);
}

void ScanImagesViewController::scanEnded(bool stopped)
{
    endStopQuestion();
    scanning_ = false;
    ImagesScanningViewController* scanning = imagesScanningViewCtr();
    scanning->myTimer()->stop();
    ScanImagesManager& images = engine();
    dupImagesArray_ = images.dupImages();
    ScanImagesSelection::recount(dupImagesArray_);
    gaCollection(stopped);
    setButtonEnabled(ui_->backBtn, true);
    if (!dupImagesArray_.isEmpty()) {
        if (!stopped) {
            counterEvent(QStringLiteral("EnterImageResultView"), QStringLiteral("Scanresultdata"), QStringLiteral("_Image"));
        }
        ui_->selectTip->show();
        ui_->selectCount->show();
        ui_->popUpButton->show();
        if (stopped) {
            images.setScanState(3);
        } else if (images.scanState() != 3) {
            images.setScanState(2);
        }
        setActionButton(localized("Remove"));
        changeSelectLabel(dupImagesArray_);
        ui_->backBtn->show();
        ImagesScanResultViewController* result = imageResultViewCtr();
        setMainContent(result);
        result->reloadListViewData(dupImagesArray_, true);
        if (!stopped) {
            GACollectionManager::default_().collectionResultGA(dupImagesArray_);
        }
    } else {
        images.setScanState(4);
        setActionButton(stopped ? localized("Finish") : localized("Complete"));
        setButtonEnabled(ui_->stopBtn, true);
        ui_->backBtn->hide();
        FinishNotDupImagesViewController* empty = scanfinishEmptyViewCtr();
        setMainContent(empty);
        if (!stopped) {
            empty->tipsLabel()->setText(localized("There are no similar images found on your computer."));
        }
        empty->setLeftOutFolders(images.leftOutFolders());
        ui_->selectTip->hide();
        ui_->selectCount->hide();
        ui_->popUpButton->hide();
    }
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, true);
    }
}

// --- Buttons --------------------------------------------------------------------

void ScanImagesViewController::endStopQuestion()
{
    // A stop question still open belongs to a scan or removal that is over:
    // it closes, and an answer can no longer act.
    ++questionTicket_;
    if (stopQuestionShowing_) {
        stopQuestionShowing_ = false;
        if (SheetWindowController::globalSheetController() && SheetWindowController::globalSheetController()->isShowing()) {
            SheetWindowController::endSheet();
        }
    }
}

void ScanImagesViewController::askToStop(const QString& question, std::function<void(bool)> answered)
{
    // Only the question of the scan or removal in hand may act: one that
    // ended meanwhile (endStopQuestion) moved the ticket on.
    const quint64 ticket = ++questionTicket_;
    stopQuestionShowing_ = true;
    auto self = self_;
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::uncertain, question, localized("Yes"),
                                      localized("Cancel"), sheetWindow(), nullptr,
                                      [self, ticket, answered = std::move(answered)](int answer) {
                                          ScanImagesViewController* screen = *self;
                                          if (!screen || ticket != screen->questionTicket_) {
                                              return;
                                          }
                                          screen->stopQuestionShowing_ = false;
                                          answered(answer == 1);
                                      });
}

void ScanImagesViewController::stopBtnAction()
{
    ScanImagesManager& images = engine();
    const uint state = images.scanState();
    if (state == 1) {
        setButtonEnabled(ui_->stopBtn, false);
        auto self = self_;
        askToStop(localized("Only a few similar images will be found.  Are you sure to stop?"), [self](bool yes) {
            if (yes) {
                engine().stop();
            } else if (ScanImagesViewController* screen = *self) {
                screen->setButtonEnabled(screen->ui_->stopBtn, true);
            }
        });
    } else if (state == 3 || state == 2 || state == 8) {
        startRemove();
    } else if (state == 4) {
        backToHome();
    } else if (state == 6) {
        // Nothing more goes, and the clock stands, while the user decides.
        std::shared_ptr<RemoveHold::Holding> holding = stopHolds_.hold(images.removeHold());
        if (imageDeleteViewCtr_) {
            imageDeleteViewCtr_->myTimer()->stop();
        }
        auto self = self_;
        askToStop(localized("Only a few similar images will be erased. Are you sure to stop?"),
                  [self, holding](bool yes) {
                      if (yes) {
                          engine().stopRemove();
                      }
                      // Let go only once the stop is set, so that no image goes after a "Yes".
                      holding->release();
                      ScanImagesViewController* screen = *self;
                      if (!screen) {
                          return;
                      }
                      if (screen->stopHolds_.answered(holding) && screen->imageDeleteViewCtr_) {
                          screen->imageDeleteViewCtr_->myTimer()->start();
                      }
                  });
    }
}

void ScanImagesViewController::backBtnAction()
{
    auto self = self_;
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::uncertain, localized("The scanning results will not be saved if you go back."),
        localized("Yes"), localized("Cancel"), sheetWindow(), nullptr, [self](int answer) {
            ScanImagesViewController* screen = *self;
            if (!screen || answer != 1) {
                return;
            }
            const bool report = !screen->isStartRemove_;
            const QString label = screen->stateLabel(false);
            screen->backToHome();
            if (report) {
                asyncGALog(QStringLiteral("Process"), QStringLiteral("Back"), label);
            }
        });
}

void ScanImagesViewController::backToHome()
{
    NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
    if (fullScreen_) {
        if (auto* full = qobject_cast<RYTFullSizeWindow*>(window())) {
            full->toggleFullScreen();
        }
    }
    engine().removeDupimagesArray();
    if (delegate_) {
        delegate_->scanImagesViewBackAction();
    }
}

bool ScanImagesViewController::isShouldCloseWindow()
{
    auto self = self_;
    // "Yes" stops a running search (and a removal after the image in hand)
    // before the program ends.
    AppTermination::askToExit([self] {
        if (ScanImagesViewController* screen = *self) {
            if (!screen->isStartRemove_) {
                asyncGALog(QStringLiteral("Process"), QStringLiteral("Close"), screen->stateLabel(true));
            }
        }
        return false;
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

// --- Removal mode ---------------------------------------------------------------

void ScanImagesViewController::configPopBtn()
{
    PopUpButton* pop = ui_->popUpButton;
    pop->setDelegate(this);
    ScanImagesManager& images = engine();
    const std::optional<qint64> stored = defaults().value<qint64>(QStringLiteral("dupImageRemoveType"));
    if (stored && *stored >= 0 && *stored <= 2) {
        images.setRemoveType(uint(*stored));
    }
    // Kept as text that gives back the folder's every byte.
    images.setRemovePath(FilePath::fromStoredText(defaults().stringForKey(QStringLiteral("dupImageRemovePath"))));
    QString third = localized("Remove to the Folder...");
    if (images.removeType() == 2 && !images.removePath().isEmpty()) {
        third = fillPlaceholders(localized("Remove to %@"), {folderTitle(images.removePath())});
    }
    pop->addItems({localized("Discard to the Trash"), localized("Permanently Deleted"), third});
    QString shown;
    switch (images.removeType()) {
    case 0:
        pop->setSelectedIndex(0);
        pop->menuWindow()->selectItemAt(0);
        images.setRemovePath(trashPath());
        shown = localized("Discard to the Trash");
        break;
    case 1:
        pop->setSelectedIndex(1);
        pop->menuWindow()->selectItemAt(1);
        images.setRemovePath(QByteArray());
        shown = localized("Permanently Deleted");
        break;
    default:
        pop->setSelectedIndex(2);
        pop->menuWindow()->selectItemAt(2);
        shown = third;
        break;
    }
    pop->selectedTitle()->setText(shown);
    pop->selectedTitle()->setToolTip(plainToolTip(shown));
    pop->setToolTip(plainToolTip(shown));
    {
        // The pop-up lies on the screen's fixed light background.
        RYTDarkMode::LightAppearanceScope light;
        pop->selectedTitle()->setTextColor(RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), false));
    }
    pop->updatePopUpButtonWidth();
}

void ScanImagesViewController::popupButtonSelect(PopUpButton*, const QString&)
{
    PopUpButton* pop = ui_->popUpButton;
    ScanImagesManager& images = engine();
    switch (pop->selectedIndex()) {
    case 0:
        images.setRemoveType(0);
        images.setRemovePath(trashPath());
        defaults().setInteger(0, QStringLiteral("dupImageRemoveType"));
        break;
    case 1:
        images.setRemoveType(1);
        images.setRemovePath(QByteArray());
        defaults().setInteger(1, QStringLiteral("dupImageRemoveType"));
        break;
    case 2: {
        auto self = self_;
        auto answer = [self](std::optional<QByteArray> chosen) {
            ScanImagesViewController* screen = *self;
            if (!screen) {
                return;
            }
            PopUpButton* button = screen->ui_->popUpButton;
            ScanImagesManager& engineInUse = engine();
            if (!chosen) {
                // Back to the item of the mode in force.
                const uint mode = engineInUse.removeType();
                if (mode <= 1) {
                    button->setSelectedIndex(int(mode));
                    button->menuWindow()->selectItemAt(int(mode));
                    const QString title = button->itemTitles().value(int(mode));
                    button->selectedTitle()->setText(title);
                    button->selectedTitle()->setToolTip(plainToolTip(title));
                    button->setToolTip(plainToolTip(title));
                    button->updatePopUpButtonWidth();
                }
                return;
            }
            defaults().setInteger(2, QStringLiteral("dupImageRemoveType"));
            defaults().setObject(FilePath::storedText(*chosen), QStringLiteral("dupImageRemovePath"));
            engineInUse.setRemoveType(2);
            engineInUse.setRemovePath(*chosen);
            button->setRemovePath(QFile::decodeName(*chosen));
            const QString title = fillPlaceholders(localized("Remove to %@"), {folderTitle(*chosen)});
            button->selectedTitle()->setText(title);
            button->selectedTitle()->setToolTip(plainToolTip(title));
            button->setToolTip(plainToolTip(title));
            button->closePopupWindow();
            button->updateIndexTitle(2, title);
        };
        // Asynchronous: the event loop goes on while it shows. The program's
        // one folder chooser answers on accept with the folder's bytes, also
        // for a name that is not UTF-8.
        auto* dialog = new FolderChooserDialog(window(), QString(), false);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::finished, this, [answer, dialog](int result) {
            const QByteArray folder = result == QDialog::Accepted ? dialog->chosenFolders().value(0) : QByteArray();
            // No folder named counts as no choice: the mode in force stays.
            answer(folder.isEmpty() ? std::nullopt : std::optional<QByteArray>(folder));
        });
        dialog->open();
        break;
    }
    default:
        break;
    }
}

// --- Removal --------------------------------------------------------------------

void ScanImagesViewController::counterEvent(const QString& key, const QString& action, const QString& suffix)
{
    qint64 count = 1;
    if (defaults().boolForKey(key)) {
        // A value that is not a whole number is left alone and not reported.
        const std::optional<qint64> stored = defaults().value<qint64>(key);
        if (!stored) {
            return;
        }
        count = *stored + 1;
    }
    defaults().setInteger(count, key);
    asyncGALog(QStringLiteral("Process"), action, QString::number(count) + suffix);
}

void ScanImagesViewController::startRemoveGACollection()
{
    GACollectionManager& ga = GACollectionManager::default_();
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("ViewMode"),
               ga.isCollectionView() ? QStringLiteral("1") : QStringLiteral("2"));
    ga.setImageTotalCount(totalImageNum_);
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("ViewImage"),
               QStringLiteral("%1_%2_%3").arg(ga.imageHoverCount()).arg(ga.imageDoubleClickCount()).arg(ga.imageTotalCount()));
    ga.collctionImageSelectedGA();
    ga.collctionGSelectResult(dupImagesArray_);
    ga.collectionZoomGA();
    counterEvent(QStringLiteral("ClickImagesRemove"), QStringLiteral("ClickDuplicate"), QStringLiteral("_Image"));
}

void ScanImagesViewController::startRemove()
{
    startRemoveGACollection();
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Selectquantity"),
               QStringLiteral("%1_%2").arg(selectImagesNum_).arg(totalImageNum_));
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Selectsize"),
               sizeText(selectImagesSize_) + QStringLiteral("_") + sizeText(totalImageSize_));
    ScanImagesManager& images = engine();
    QString text;
    QString label;
    switch (images.removeType()) {
    case 0:
        text = localized("Are you sure you want to remove the selected images? These pictures will move to the Trash (if "
                         "similar images are located on an external or network drive, they will be copied to the Trash "
                         "and removed from that drive).");
        label = QStringLiteral("recycle_Image");
        break;
    case 1:
        text = localized("Those images will be permanently deleted. Are you sure to continue?");
        label = QStringLiteral("delete_Image");
        break;
    case 2:
        text = fillPlaceholders(localized("Are you sure to move the selected files to %@?"),
                                {QFile::decodeName(images.removePath())});
        label = QStringLiteral("File_Image");
        break;
    default:
        break;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Remove"), label);
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FullScreen"),
               fullScreen_ ? QStringLiteral("1_Image") : QStringLiteral("2_Image"));
    auto self = self_;
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::uncertain, text, localized("Yes"),
                                      localized("Cancel"), sheetWindow(), nullptr, [self](int answer) {
                                          if (ScanImagesViewController* screen = *self; screen && answer == 1) {
                                              screen->confirmedRemove();
                                          }
                                      });
}

namespace {
QList<ScanImagesViewController::Pick> picksOf(const QList<ScanImagesItemPtr>& items)
{
    QList<ScanImagesViewController::Pick> picks;
    picks.reserve(items.size());
    for (const ScanImagesItemPtr& item : items) {
        picks.append({item->rawPath().isEmpty() ? QFile::encodeName(item->imagePath()) : item->rawPath(), item->imageSize()});
    }
    return picks;
}

QList<ScanImagesItemPtr> pickedImages(const ScanImagesGroupList& groups)
{
    QList<ScanImagesItemPtr> picked;
    for (const ScanImagesGroupItemPtr& group : groups) {
        for (const ScanImagesItemPtr& item : group->dupImageItems()) {
            if (item && item->isSelect()) {
                picked.append(item);
            }
        }
    }
    return picked;
}
}  // namespace

ScanImagesViewController::SpaceCheck ScanImagesViewController::isSpaceEnough(const QByteArray& destination,
                                                                             const ScanImagesGroupList& groups)
{
    return isSpaceEnough(destination, picksOf(pickedImages(groups)));
}

ScanImagesViewController::SpaceCheck ScanImagesViewController::isSpaceEnough(const QByteArray& destination,
                                                                             const QList<Pick>& picks)
{
    SpaceCheck check;
    if (destination.isEmpty()) {
        return check;
    }
    struct stat target {};
    const bool targetKnown = ::stat(destination.constData(), &target) == 0;
    // A move within one volume needs no room: only images elsewhere count.
    for (const Pick& pick : picks) {
        struct stat st {};
        if (::lstat(pick.path.constData(), &st) != 0) {
            continue;  // gone: its removal fails on its own, taking no room
        }
        if (!targetKnown || st.st_dev != target.st_dev) {
            check.needed += std::max<qint64>(0, pick.size);
        }
    }
    check.free = qint64(std::min<uint64_t>(FileManager::default_().systemFreeSize(destination).value_or(0),
                                           uint64_t(std::numeric_limits<qint64>::max())));
    TSLOG(QStringLiteral("system free size = "), QString::number(check.free), QStringLiteral(", selected file size = "),
          QString::number(check.needed));
    check.enough = check.needed <= 0 || check.free >= check.needed;
    if (!check.enough) {
        // Without a label the volume is named by its mount point, so the
        // refusal always says where.
        check.volumeName = FileManager::default_().volumeName(destination).value_or(QFile::decodeName(destination));
    }
    return check;
}

void ScanImagesViewController::showInsufficientSpace(const SpaceCheck& check)
{
    const QString text = fillPlaceholders(
        localized("There is insufficient space on disk %@. Please choose to permanently delete these files or you can "
                  "free up %@ space on disk %@ before removing duplicate files."),
        {check.volumeName, sizeText(check.needed - check.free), check.volumeName});
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::determine, text, localized("OK"), QString(),
                                      sheetWindow(), nullptr, nullptr);
}

void ScanImagesViewController::setPicksFrozen(bool frozen)
{
    removalChecking_ = frozen;
    if (imageResultViewCtr_) {
        imageResultViewCtr_->setEnabled(!frozen);
    }
}

void ScanImagesViewController::confirmedRemove()
{
    if (removalChecking_) {
        return;
    }
    // What is picked now is what is checked and removed.
    frozenPicks_ = pickedImages(dupImagesArray_);
    ScanImagesManager& images = engine();
    const uint mode = images.removeType();
    if (mode == 1) {
        beginRemoval();
        return;
    }
    QByteArray destination = images.removePath();
    if (mode == 0) {
        destination = Trash::homeTrash();
    }
    const QList<Pick> picks = picksOf(frozenPicks_);
    setPicksFrozen(true);
    auto self = self_;
    // The destination and the images are examined off the main thread, on
    // what was picked at "Yes".
    DispatchQueue::global().async([self, mode, destination, picks] {
        bool missing = false;
        // The Trash is made when it is not there yet; one that cannot take
        // files says why, not that a folder is missing.
        Error trashError;
        const bool trashUnusable = mode == 0 && !Trash::checkUsable(&trashError);
        struct stat st {};
        if (destination.isEmpty() || ::stat(destination.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            missing = true;  // a destination that is not a folder counts as missing
        }
        const SpaceCheck check = missing || trashUnusable ? SpaceCheck() : isSpaceEnough(destination, picks);
        DispatchQueue::main().async([self, missing, trashUnusable, trashError, check] {
            ScanImagesViewController* screen = *self;
            if (!screen) {
                return;
            }
            screen->setPicksFrozen(false);
            if (trashUnusable) {
                if (QWidget* parent = ModalOverlay::applicationMainWindow()) {
                    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::determine,
                                                      trashError.localizedDescription(), localized("OK"), QString(),
                                                      parent, nullptr, nullptr);
                }
                return;
            }
            if (missing) {
                SheetWindowController::showContentFolderNotExist();
                return;
            }
            if (!check.enough) {
                screen->showInsufficientSpace(check);
                return;
            }
            screen->beginRemoval();
        });
    });
}

void ScanImagesViewController::beginRemoval()
{
    const uint state = engine().scanState();
    if (state != 2 && state != 3 && state != 8) {
        return;  // the screen moved on while the destination was checked
    }
    ui_->popUpButton->hide();
    ui_->selectTip->hide();
    ui_->selectCount->hide();
    ui_->backBtn->hide();
    ScanImagesManager& images = engine();
    // The removal takes the picks checked at "Yes", whatever came between.
    const QSet<const ScanImagesItem*> frozen = [this] {
        QSet<const ScanImagesItem*> set;
        for (const ScanImagesItemPtr& item : frozenPicks_) {
            set.insert(item.get());
        }
        return set;
    }();
    frozenPicks_.clear();
    removalPicks_.clear();
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        for (const ScanImagesItemPtr& item : group->dupImageItems()) {
            if (item) {
                const bool picked = frozen.contains(item.get());
                item->setIsSelect(picked);
                if (picked) {
                    // Tried anew: what an earlier removal said of it is past.
                    item->setIsRemoveFailed(false);
                    item->setRemoveError(std::nullopt);
                    removalPicks_.append(item);
                }
            }
        }
    }
    ScanImagesSelection::recount(dupImagesArray_);
    images.setRemoveDelegate(relay_.get());
    // The removal edits the groups it is given: it gets copies holding the
    // same images.
    ScanImagesGroupList clones;
    clones.reserve(dupImagesArray_.size());
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        clones.append(group->clone());
    }
    isStartRemove_ = true;
    // The engine counts what every removal since the search removed; this
    // removal's own share is what it adds from here.
    removedBefore_ = {images.removeImagesSuccessCount(), images.removeImagesSuccessSize()};
    images.removeDuplicatesImages(clones);
}

void ScanImagesViewController::removeManagerDidStart(ScanImagesManager*)
{
    resultsAfterRemoval_ = false;
    defaults().setInteger(11, QStringLiteral("CloseView"));
    counterEvent(QStringLiteral("EnterRemoving"), QStringLiteral("Remover"), QStringLiteral("_Image"));
    if (imageDeleteViewCtr_) {
        imageDeleteViewCtr_->deleteLater();
    }
    imageDeleteViewCtr_ = ViewController::initUseNibName<ImagesDeleteViewController>();
    ScanImagesManager* images = &engine();
    const qint64 before = removedBefore_.count;
    imageDeleteViewCtr_->removedCount = [images, before] { return images->removeImagesSuccessCount() - before; };
    setMainContent(imageDeleteViewCtr_);
    setActionButton(localized("Stop"));
    setButtonEnabled(ui_->stopBtn, true);
    imageDeleteViewCtr_->startRemove();
}

void ScanImagesViewController::removeManagerProgressDidChange(ScanImagesManager*, double progress)
{
    if (imageDeleteViewCtr_) {
        imageDeleteViewCtr_->updateFilesCountLabel(progress);
    }
}

void ScanImagesViewController::removeManagerDidStop(ScanImagesManager*)
{
    removalEnded(true);
}

void ScanImagesViewController::removeMangerDidFinish(ScanImagesManager*)
{
    removalEnded(false);
}

void ScanImagesViewController::removeManagerRemovedAfterEnd(ScanImagesManager*)
{
    // The groups on show are brought up to date; a removal on screen takes
    // it in when its groups come back.
    if (resultsAfterRemoval_ && engine().takeLateRemovals().count > 0) {
        dupImagesRemoveFinish();
    }
}

void ScanImagesViewController::removalEnded(bool stopped)
{
    endStopQuestion();
    defaults().setInteger(12, QStringLiteral("CloseView"));
    counterEvent(QStringLiteral("imageRemoveFinish"), QStringLiteral("Complete"),
                 stopped ? QStringLiteral("_stoppedDE_Image") : QStringLiteral("_successDE_Image"));
    ScanImagesManager& images = engine();
    double seconds = 0;
    if (imageDeleteViewCtr_) {
        imageDeleteViewCtr_->myTimer()->stop();
        seconds = imageDeleteViewCtr_->timeSeconds();
    }
    // The finish window tells what this removal removed; "Deleted:" below
    // the groups keeps the whole since the search.
    const QString freed = sizeText(images.removeImagesSuccessSize() - removedBefore_.size);
    const QString count = QString::number(images.removeImagesSuccessCount() - removedBefore_.count);
    const QString time = formatDateEn(int64_t(seconds + 1e-9));
    QWidget* top = window();
    if (top == this) {
        dupImagesRemoveFinish();
        return;
    }
    if (finishWindow_) {
        finishWindow_->deleteLater();
    }
    finishWindow_ = new FinishWindowController(this);
    finishWindow_->setIsDupImages(true);
    finishWindow_->loadWindow();
    finishWindow_->windowDidLoad();
    finishWindow_->showDataInfo(freed, count, time);
    finishWindow_->showRemoveFailures(
        std::count_if(removalPicks_.begin(), removalPicks_.end(),
                      [](const ScanImagesItemPtr& item) { return item->isRemoveFailed(); }),
        images.removeImagesSuccessCount() - removedBefore_.count);
    auto self = self_;
    finishWindow_->setCompletionHandler([self](int) {
        if (ScanImagesViewController* screen = *self) {
            screen->dupImagesRemoveFinish();
        }
    });
    ModalOverlay::beginSheet(top, finishWindow_, true);
}

void ScanImagesViewController::dupImagesRemoveFinish()
{
    ScanImagesManager& images = engine();
    // What went after the removal had ended is shown gone like the rest.
    images.takeLateRemovals();
    resultsAfterRemoval_ = true;
    dupImagesArray_ = images.dupImages();
    // The removal cleared what it could not remove: every value follows the
    // images again.
    ScanImagesSelection::recount(dupImagesArray_);
    if (dupImagesArray_.isEmpty()) {
        backToHome();
        return;
    }
    if (imageResultViewCtr_) {
        imageResultViewCtr_->setDelegate(nullptr);
        imageResultViewCtr_->hide();
        imageResultViewCtr_->deleteLater();
        imageResultViewCtr_ = nullptr;
    }
    images.setScanState(8);
    setActionButton(localized("Remove"));
    changeSelectLabel(dupImagesArray_);
    ui_->backBtn->show();
    ImagesScanResultViewController* result = imageResultViewCtr();
    setMainContent(result);
    result->reloadListViewData(dupImagesArray_, true);
    ui_->popUpButton->show();
    ui_->selectTip->show();
    ui_->selectCount->show();
    ui_->backBtn->show();
    // The counter already reads "Deleted:" when nothing is picked. Images a
    // stopped removal left picked are what "Remove" acts on next, so the
    // counter keeps naming them.
}

void ScanImagesViewController::showDeleted()
{
    ScanImagesManager& images = engine();
    ui_->selectTip->setText(localized("Deleted:"));
    ui_->selectCount->setText(countLabel(images.removeImagesSuccessCount(), images.removeImagesSuccessSize()));
    setColor(ui_->selectCount, red());
}

void ScanImagesViewController::changeSelectLabel(const ScanImagesGroupList& groups)
{
    dupImagesArray_ = groups;
    const ScanImagesSelection::Totals totals = ScanImagesSelection::totals(groups);
    totalImageNum_ = totals.totalCount;
    totalImageSize_ = totals.totalSize;
    const uint state = engine().scanState();
    if (totals.selectedCount > 0) {
        selectImagesNum_ = totals.selectedCount;
        selectImagesSize_ = totals.selectedSize;
        ui_->selectTip->setText(localized("Selected:"));
        ui_->selectCount->setText(countLabel(selectImagesNum_, selectImagesSize_));
        setColor(ui_->selectCount, blue());
        setButtonEnabled(ui_->stopBtn, true);
    } else if (state == 7 || state == 8) {
        selectImagesNum_ = 0;
        selectImagesSize_ = 0;
        showDeleted();
        setButtonEnabled(ui_->stopBtn, false);
    } else {
        selectImagesNum_ = 0;
        selectImagesSize_ = 0;
        ui_->selectTip->setText(localized("Selected:"));
        ui_->selectCount->setText(countLabel(0, 0));
        setColor(ui_->selectCount, blue());
        setButtonEnabled(ui_->stopBtn, false);
    }
}

// --- Usage events ---------------------------------------------------------------

QString ScanImagesViewController::stateLabel(bool countFirst) const
{
    const uint state = engine().scanState();
    if (state != 2 && state != 3) {
        return {};
    }
    qint64 size = 0;
    qint64 count = 0;
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        size += group->groupSize();
        count += group->dupImageItems().size();
    }
    const QString mark = state == 2 ? QStringLiteral("a_") : QStringLiteral("b_");
    if (countFirst) {
        return mark + QString::number(count) + QStringLiteral("_") + sizeText(size) + QStringLiteral("_Image");
    }
    return mark + sizeText(size) + QStringLiteral("_") + QString::number(count) + QStringLiteral("_Image");
}

void ScanImagesViewController::gaCollection(bool isStop)
{
    qint64 size = 0;
    qint64 count = 0;
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        size += group->groupSize();
        count += group->dupImageItems().size();
    }
    ImagesScanningViewController* scanning = imagesScanningViewCtr();
    const QStringList parts = {QString::number(defaults().value<qint64>(QStringLiteral("ClickDupImageScan")).value_or(0)),
                               isStop ? QStringLiteral("b") : QStringLiteral("a"),
                               sizeText(size),
                               QString::number(count),
                               QString::number(qint64(scanning->timeSeconds() + 1e-9)),
                               QString::number(qint64(scanning->progressValue() * 100))};
    asyncGALog(QStringLiteral("Process"), QStringLiteral("CompleteScan"), parts.join(QLatin1Char('_')) + QStringLiteral("_Image"));
}
