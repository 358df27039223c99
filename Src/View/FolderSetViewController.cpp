#include "FolderSetViewController.h"

#include "ui_FolderSetViewController.h"

#include "DiskArbitration/DiskArbitration.h"
#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/UserDefaults.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
#include "Main/GACollectionManager.h"
#include "Main/MainWindow.h"
#include "Main/Utilities.h"
#include "Manager/DiskInfo.h"
#include "QVLibrary/RYTAppearanceFollower.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "View/CustomView/FolderChooserDialog.h"
#include "View/CustomView/FunctionButton.h"
#include "View/ImageProvider.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/DupImageNavigationViewController.h"
#include "Window/DupImageNavigationWindowController.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QIconEngine>
#include <QVBoxLayout>
#include <QMainWindow>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QStackedWidget>

#include <algorithm>
#include <atomic>
#include <iterator>

#include <dirent.h>
#include <sys/stat.h>

namespace {

std::atomic<bool> g_isScanLargeFile{false};

const char* const kFolderCellID = "FolderCellID";
constexpr int kAnimationMilliseconds = 300;
constexpr int kRightBoxSlide = 367;

// The add button's round image is as blue as the ring that marks the
// keyboard focus, which runs round the button's edge: the image sits this
// far inside the edge, so the ring shows beside it, not on its rim.
constexpr int kAddImageInset = 4;

// An image drawn inset within whatever rectangle it is given.
class InsetIconEngine final : public QIconEngine {
public:
    InsetIconEngine(QIcon icon, int inset) : icon_(std::move(icon)), inset_(inset) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon_.paint(painter, rect.adjusted(inset_, inset_, -inset_, -inset_), Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new InsetIconEngine(icon_, inset_); }

private:
    QIcon icon_;
    int inset_;
};

QIcon insetImage(const QString& name)
{
    return QIcon(new InsetIconEngine(RYTImage::named(name), kAddImageInset));
}

UserDefaults& defaults()
{
    return UserDefaults::standardUserDefaults();
}

void setCloseView(qint64 code)
{
    defaults().setInteger(code, QStringLiteral("CloseView"));
}

// The opacity a view is drawn with: its fade effect's, or 1 without one.
QGraphicsOpacityEffect* opacityEffect(QWidget* view)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        effect->setOpacity(1.0);
        view->setGraphicsEffect(effect);
    }
    return effect;
}

// Faded out or slid beyond the edge, a control is still shown as far as Qt
// knows: it must not take the focus then, or a key would press what nobody
// sees. Its own focus policy comes back when it is shown again.
constexpr const char* kKeptFocusPolicy = "_twinsweep_keptFocusPolicy";

void setReachable(QWidget* view, bool reachable)
{
    QList<QWidget*> views = view->findChildren<QWidget*>();
    views.prepend(view);
    for (QWidget* control : views) {
        const QVariant kept = control->property(kKeptFocusPolicy);
        if (reachable) {
            if (kept.isValid()) {
                control->setFocusPolicy(Qt::FocusPolicy(kept.toInt()));
                control->setProperty(kKeptFocusPolicy, QVariant());
            }
            continue;
        }
        if (!kept.isValid() && control->focusPolicy() != Qt::NoFocus) {
            control->setProperty(kKeptFocusPolicy, int(control->focusPolicy()));
            control->setFocusPolicy(Qt::NoFocus);
        }
        if (control->hasFocus()) {
            control->clearFocus();
        }
    }
}

// The first entry of a folder, as a walk would meet it; empty when the
// folder cannot be read or holds nothing.
QByteArray firstEntry(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return {};
    }
    QByteArray found;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        found = folder.endsWith('/') ? folder + name : folder + '/' + name;
        break;
    }
    ::closedir(dir);
    return found;
}

}  // namespace

bool FolderSetViewController::isScanLargeFile()
{
    return g_isScanLargeFile.load();
}

void FolderSetViewController::setIsScanLargeFile(bool value)
{
    g_isScanLargeFile.store(value);
}

QRect FolderSetViewController::rightBoxHiddenFrame()
{
    return QRect(765, 36, 320, 287);
}

int FolderSetViewController::scrollViewHeight(int folders)
{
    switch (folders) {
    case 1:
        return 130;
    case 2:
        return 250;
    default:
        return 330;
    }
}

FolderSetViewController::FolderSetViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::FolderSetViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("FolderSetViewController"));
    viewDidLoad();
}

FolderSetViewController::~FolderSetViewController()
{
    ui_->mainDragView->setDelegate(nullptr);
    ui_->dragDropView->setDelegate(nullptr);
    ui_->folderTableView->setDataSource(nullptr);
    if (openPanel_) {
        openPanel_->disconnect(this);
        openPanel_->deleteLater();
    }
}

QStackedWidget* FolderSetViewController::container() const { return ui_->container; }
DragDropView* FolderSetViewController::dragDropView() const { return ui_->dragDropView; }
QLabel* FolderSetViewController::dragText() const { return ui_->dragText; }
FolderTableView* FolderSetViewController::folderTableView() const { return ui_->folderTableView; }
Lottie::AnimationView* FolderSetViewController::tableContainView() const { return ui_->tableContainView; }
FunctionButton* FolderSetViewController::scanBtn() const { return ui_->scanBtn; }
FunctionButton* FolderSetViewController::scanLargeFileBtn() const { return ui_->scanLargeFileBtn; }
FunctionButton* FolderSetViewController::scanImagesBtn() const { return ui_->scanImagesBtn; }
Lottie::AnimationView* FolderSetViewController::plusButton() const { return ui_->plusButton; }
DragDropView* FolderSetViewController::mainDragView() const { return ui_->mainDragView; }
QWidget* FolderSetViewController::rightBox() const { return ui_->rightBox; }
RYTButton* FolderSetViewController::restartBtn() const { return ui_->restartBtn; }
RYTButton* FolderSetViewController::addFileButton() const { return ui_->addFileButton; }
QWidget* FolderSetViewController::contentView() const { return ui_->contentView; }
QScrollArea* FolderSetViewController::scrollView() const { return ui_->scrollView; }
AnimationContainView* FolderSetViewController::animationContainer() const { return ui_->animationContainer; }
QFileDialog* FolderSetViewController::openPanel() const
{
    return openPanel_ && openPanel_->isVisible() ? openPanel_.data() : nullptr;
}

void FolderSetViewController::viewDidLoad()
{
    RYTAppearanceFollower::followTextColor(ui_->dragText, QStringLiteral("TitleLabelColor"));
    QFont textFont = ui_->dragText->font();
    textFont.setPixelSize(14);
    ui_->dragText->setFont(textFont);
    ui_->dragText->setText(localized("Choose or Drag and Drop Files Here"));

    ui_->mainDragView->setDelegate(this);

    ui_->scanBtn->setFunctionType(FunctionButton::FunctionType::scanDuplicateFile);
    ui_->scanBtn->setTitle(localized("Scan Duplicates"));
    ui_->scanImagesBtn->setFunctionType(FunctionButton::FunctionType::scanImages);
    ui_->scanImagesBtn->setTitle(localized("Scan Similar Images"));
    ui_->scanLargeFileBtn->setFunctionType(FunctionButton::FunctionType::scanlargeFile);
    ui_->scanLargeFileBtn->setTitle(localized("Scan Large Files"));

    RYTButton* add = ui_->addFileButton;
    add->setTitle(QString());
    add->resize(add->size().grownBy(QMargins(kAddImageInset, kAddImageInset, kAddImageInset, kAddImageInset)));
    add->setCornerRadius(add->height() / 2.0);
    add->setButtonStateImage(insetImage(QStringLiteral("addFileButtonUnclick")),
                             insetImage(QStringLiteral("addFileButtonClick")),
                             insetImage(QStringLiteral("addFileButtonClick")),
                             insetImage(QStringLiteral("addFileButtonUnclick")));
    add->setToolTip(localized("Add Folder…"));

    ui_->dragDropView->setDelegate(this);

    mainViewAnimationInit();
    clickPlusButtonAnimationInit();

    // The list look's content lies on the container animation.
    auto* layout = new QVBoxLayout(ui_->tableContainView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ui_->contentView);
    ui_->contentView->show();
    ui_->container->setCurrentWidget(ui_->dragDropView);
    // The drop areas are no controls: the plus inside the empty one is.
    ui_->dragDropView->setFocusPolicy(Qt::NoFocus);
    ui_->mainDragView->setFocusPolicy(Qt::NoFocus);
    // The list is one stop, not its scroll area: the keyboard is then on a
    // row, which shows its × and the ring, and Delete removes it.
    ui_->scrollView->setFocusPolicy(Qt::NoFocus);
    ui_->folderTableView->setFocusPolicy(Qt::TabFocus);

    opacityEffect(ui_->scrollView)->setOpacity(0.0);
    opacityEffect(ui_->addFileButton)->setOpacity(0.0);
    ui_->rightBox->setGeometry(rightBoxHiddenFrame());
    setReachable(ui_->scrollView, false);
    setReachable(ui_->addFileButton, false);
    setReachable(ui_->rightBox, false);

    ui_->scrollView->viewport()->setAutoFillBackground(false);
    ui_->folderTableView->setAutoFillBackground(false);
    registerCellNib<TrackingTableCellView>();
    ui_->folderTableView->registerView(QString::fromLatin1(kFolderCellID), [] {
        return createFromNib<TrackingTableCellView>();
    });
    ui_->folderTableView->setDataSource(this);

    RYTButton* restart = ui_->restartBtn;
    restart->setTitle(localized("Restart"));
    const QIcon restartIcon = RYTImage::named(QStringLiteral("restartBtnIcon"));
    restart->setButtonStateImage(restartIcon, restartIcon, restartIcon, restartIcon);
    restart->setIconSize(QSize(14, 14));
    const QColor blue = QColor::fromRgbF(65 / 256.0f, 111 / 256.0f, 244 / 256.0f, 1.0f);
    restart->setTitleColor(blue, blue, blue, blue);
    QColor pressed = blue;
    pressed.setAlphaF(0.3f);
    restart->setButtonStateColor(Qt::transparent, pressed, pressed, Qt::transparent);
    restart->setButtonBorderColor(Qt::transparent, Qt::transparent, Qt::transparent, Qt::transparent);
    restart->setBorderWidth(0);
    restart->setCornerRadius(6);

    setCloseView(1);
    gaCollection(QStringLiteral("Front"));

    QPointer<FolderSetViewController> self(this);
    ui_->animationContainer->setMouseEnteredBlock([self] {
        if (!self || self->isDragingFlag_ != 0 || self->ui_->dragDropView->isFile()) {
            return;
        }
        self->ui_->dragDropView->setIsDrag(false);
        self->ui_->plusButton->play(0.0, 0.4, Lottie::LottieLoopMode::playOnce);
    });
    ui_->animationContainer->setMouseExitedBlock([self] {
        if (!self || self->isDragingFlag_ != 0 || self->ui_->dragDropView->isFile()
            || self->ui_->dragDropView->isDrag()) {
            return;
        }
        self->ui_->plusButton->play(0.4, 0.0, Lottie::LottieLoopMode::playOnce);
    });
    ui_->animationContainer->setMouseDownBlock([self] {
        if (self) {
            self->popUpFileManagerWindow();
        }
    });

    connect(ui_->addFileButton, &RYTButton::clicked, this, &FolderSetViewController::addFileBtnAction);
    connect(ui_->restartBtn, &RYTButton::clicked, this, &FolderSetViewController::restartBtnAction);
    connect(ui_->scanBtn, &FunctionButton::clicked, this, &FolderSetViewController::scanDuplicates);
    connect(ui_->scanLargeFileBtn, &FunctionButton::clicked, this, &FolderSetViewController::scanLargeFile);
    connect(ui_->scanImagesBtn, &FunctionButton::clicked, this, &FolderSetViewController::scanImagesBtnAction);
}

void FolderSetViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, RYTDarkMode::colorNamed(QStringLiteral("GradientStart")));
    gradient.setColorAt(1, RYTDarkMode::colorNamed(QStringLiteral("GradientEnd")));
    painter.fillRect(rect(), gradient);
}

// --- Animations -------------------------------------------------------------

void FolderSetViewController::loadAnimation(Lottie::AnimationView* view, const QString& folder, bool cached)
{
    const QString json = Bundle::main().pathForResource(folder + QStringLiteral("/data"), QStringLiteral("json"));
    view->setAnimation(Lottie::Animation::filepath(json, cached ? &Lottie::LRUAnimationCache::sharedCache() : nullptr));
    view->setImageProvider(
        std::make_shared<ImageProvider>(Bundle::main().pathForResource(folder + QStringLiteral("/images"))));
}

void FolderSetViewController::mainViewAnimationInit()
{
    loadAnimation(ui_->tableContainView, QStringLiteral("LottieAnimation/MainWindow"), false);
}

void FolderSetViewController::clickPlusButtonAnimationInit()
{
    loadAnimation(ui_->plusButton, QStringLiteral("LottieAnimation/ButtonImport"), false);
}

void FolderSetViewController::fade(QPointer<QParallelAnimationGroup>& group, const QList<QWidget*>& views,
                                   double alpha, const QRect* rightBoxTarget)
{
    // A fade of the same views still running gives way to this one, which
    // starts where that one had got to.
    if (group) {
        group->stop();
        delete group.data();
    }
    auto* animations = new QParallelAnimationGroup(this);
    for (QWidget* view : views) {
        setReachable(view, alpha > 0.0);
        auto* animation = new QPropertyAnimation(opacityEffect(view), "opacity", animations);
        animation->setDuration(kAnimationMilliseconds);
        animation->setEndValue(alpha);
        animations->addAnimation(animation);
    }
    if (rightBoxTarget) {
        if (rightBoxSlide_) {
            rightBoxSlide_->stop();
        }
        auto* slide = new QPropertyAnimation(ui_->rightBox, "geometry", animations);
        slide->setDuration(kAnimationMilliseconds);
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->setEndValue(*rightBoxTarget);
        animations->addAnimation(slide);
        rightBoxSlide_ = slide;
    }
    group = animations;
    animations->start(QAbstractAnimation::DeleteWhenStopped);
}

void FolderSetViewController::hiddenControls()
{
    fade(controlsAnimation_, {ui_->plusButton, ui_->dragText}, 0.0);
}

void FolderSetViewController::showControls()
{
    fade(controlsAnimation_, {ui_->plusButton, ui_->dragText}, 1.0);
}

void FolderSetViewController::hiddenMainViewControls()
{
    fade(mainViewControlsAnimation_, {ui_->scrollView, ui_->addFileButton}, 0.0);
}

void FolderSetViewController::showMainViewControls()
{
    fade(mainViewControlsAnimation_, {ui_->scrollView, ui_->addFileButton}, 1.0);
}

void FolderSetViewController::showScanButtons()
{
    const QRect target = ui_->rightBox->geometry().translated(-kRightBoxSlide, 0);
    fade(scanButtonsAnimation_, {ui_->rightBox}, 1.0, &target);
}

void FolderSetViewController::hiddenScanButtons()
{
    const QRect target = ui_->rightBox->geometry().translated(kRightBoxSlide, 0);
    fade(scanButtonsAnimation_, {ui_->rightBox}, 0.0, &target);
}

void FolderSetViewController::setRightBoxFrame(const QRect& frame)
{
    // A slide on its way takes the new frame as its end, so the box glides
    // there instead of jumping and being pulled back.
    if (rightBoxSlide_ && rightBoxSlide_->state() == QAbstractAnimation::Running) {
        rightBoxSlide_->setEndValue(frame);
    } else {
        ui_->rightBox->setGeometry(frame);
    }
}

void FolderSetViewController::showLook(QWidget* look)
{
    QWidget* focused = QApplication::focusWidget();
    const bool focusHere = focused && (focused == ui_->container || ui_->container->isAncestorOf(focused));
    ui_->container->setCurrentWidget(look);
    if (!focusHere) {
        return;
    }
    // The stack would hand the focus back to the control the look had last,
    // Restart say, where the next Space would empty the list unasked. The
    // empty look's one control is the plus; the list look's controls come
    // in with their fades, so the look itself holds the focus till then.
    if (look == ui_->dragDropView) {
        ui_->animationContainer->setFocus(Qt::OtherFocusReason);
    } else {
        look->setFocus(Qt::OtherFocusReason);
    }
}

void FolderSetViewController::playEnteringListLook(bool fromDrop)
{
    QPointer<FolderSetViewController> self(this);
    // The completion runs whether the segment ends or the next play cuts it
    // short; either way the function buttons come in.
    ui_->tableContainView->play(0.0, 0.2, Lottie::LottieLoopMode::playOnce, [self, fromDrop](bool) {
        if (!self) {
            return;
        }
        self->showScanButtons();
        if (fromDrop) {
            self->showMainViewControls();
        }
        QRect frame = self->ui_->rightBox->geometry();
        if (self->rightBoxSlide_ && self->rightBoxSlide_->state() == QAbstractAnimation::Running) {
            frame = self->rightBoxSlide_->endValue().toRect();
        }
        frame.moveLeft(rightBoxShownX);
        self->setRightBoxFrame(frame);
        if (!fromDrop) {
            self->showMainViewControls();
        }
        ++self->completedAnimations_;
    });
}

void FolderSetViewController::leaveListLook()
{
    QPointer<FolderSetViewController> self(this);
    ui_->tableContainView->play(0.4, 0.8, Lottie::LottieLoopMode::playOnce, [self](bool) {
        if (!self) {
            return;
        }
        self->hiddenScanButtons();
        self->hiddenMainViewControls();
        self->showControls();
        self->setRightBoxFrame(rightBoxHiddenFrame());
        ++self->completedAnimations_;
    });
    NotificationCenter::defaultCenter().post(didShowMainWindowTitleNotification());
    showLook(ui_->dragDropView);
    clickPlusButtonAnimationInit();
    isDragingFlag_ = 0;
}

// --- The folder list ----------------------------------------------------------

void FolderSetViewController::addFolders(const QByteArrayList& paths)
{
    for (const QByteArray& path : paths) {
        if (!path.isEmpty() && !folderList_.contains(path)) {
            folderList_.append(path);
        }
    }
}

void FolderSetViewController::popUpFileManagerWindow()
{
    openChooser(true);
}

void FolderSetViewController::addFileBtnAction()
{
    openChooser(false);
}

void FolderSetViewController::openChooser(bool fromEmptyLook)
{
    // A chooser just answered is hidden until it is deleted.
    if (openPanel_ && openPanel_->isVisible()) {
        openPanel_->raise();
        return;
    }
    // Qt's own dialog, so that several folders can be chosen at once; it
    // answers through its signal, without a nested event loop.
    auto* panel = new FolderChooserDialog(window(), localized("Choose Folders to Scan"), true);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setLabelText(QFileDialog::Accept, localized("Choose"));
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::accepted, this,
            [this, panel, fromEmptyLook] { chooserAnswered(panel->chosenFolders(), fromEmptyLook); });
    openPanel_ = panel;
    panel->open();
}

void FolderSetViewController::chooserAnswered(const QByteArrayList& paths, bool fromEmptyLook)
{
    if (!fromEmptyLook) {
        addFolders(paths);
        ui_->folderTableView->reloadData();
        return;
    }
    if (paths.isEmpty()) {
        return;
    }
    gaCollection(QStringLiteral("Main"));
    setCloseView(2);
    addFolders(paths);
    NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
    hiddenControls();
    playEnteringListLook(false);
    showLook(ui_->tableContainView);
    ui_->folderTableView->reloadData();
    ui_->tableContainView->play(0.2, 0.4, Lottie::LottieLoopMode::playOnce);
    if (!DupImageNavigationGuide::isCompleted()) {
        DupImageNavigationWindowController::showNavigationWindow();
    }
}

void FolderSetViewController::dragDrop(DragDropView*, const QByteArrayList& filePathList)
{
    if (filePathList.isEmpty()) {
        return;
    }
    // Which dropped items are folders is asked off the main thread, as at
    // the function buttons: a share that stopped answering could hold a
    // stat for minutes. Drops are taken in the order they came.
    pendingDrops_.push_back(filePathList);
    if (pendingDrops_.size() == 1) {
        checkNextDrop();
    }
}

FolderSetViewController::DropCheck& FolderSetViewController::dropCheck()
{
    static DropCheck check;
    return check;
}

void FolderSetViewController::setDropCheckForTesting(DropCheck check)
{
    dropCheck() = std::move(check);
}

void FolderSetViewController::checkNextDrop()
{
    if (pendingDrops_.empty()) {
        return;
    }
    QPointer<FolderSetViewController> self(this);
    const QByteArrayList paths = pendingDrops_.front();
    DispatchQueue::global().async([self, paths, check = dropCheck()] {
        const QByteArrayList folders = check ? check(paths) : existingFolders(paths);
        DispatchQueue::main().async([self, folders] {
            if (!self || self->pendingDrops_.empty()) {
                return;
            }
            self->pendingDrops_.pop_front();
            // The look may have changed while the items were looked at (a
            // row deleted, another drop come in): the drop goes where it
            // would land now.
            const bool onEmptyLook = self->ui_->container->currentWidget() == self->ui_->dragDropView;
            self->foldersDropped(onEmptyLook, folders);
            self->checkNextDrop();
        });
    });
}

void FolderSetViewController::foldersDropped(bool onEmptyLook, const QByteArrayList& filePathList)
{
    if (filePathList.isEmpty()) {
        // Nothing dropped was a folder: the plus icon leaves its drag look
        // as if the drag had gone.
        if (onEmptyLook && isDragingFlag_ == 1) {
            draggingExited(ui_->dragDropView);
        }
        return;
    }
    if (!onEmptyLook) {
        addFolders(filePathList);
        ui_->folderTableView->reloadData();
        return;
    }
    gaCollection(QStringLiteral("Main"));
    setCloseView(2);
    playEnteringListLook(true);
    NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
    showLook(ui_->tableContainView);
    // The drop on the empty look becomes the list as it is.
    folderList_ = filePathList;
    ui_->folderTableView->reloadData();
    ui_->tableContainView->play(0.2, 0.4, Lottie::LottieLoopMode::playOnce);
    if (!DupImageNavigationGuide::isCompleted()) {
        showNavigationView();
    }
}

void FolderSetViewController::showNavigationView()
{
    QWidget* window = this->window();
    if (window == this) {
        return;
    }
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    QWidget* content = mainWindow && mainWindow->centralWidget() ? mainWindow->centralWidget() : window;
    // One guide at a time: two would take the focus from each other.
    for (auto* shown : content->findChildren<DupImageNavigationViewController*>(Qt::FindDirectChildrenOnly)) {
        if (shown->isVisible()) {
            return;
        }
    }
    auto* guide = new DupImageNavigationViewController(content);
    if (QWidget* focused = window->focusWidget()) {
        focused->clearFocus();
    }
    DupImageNavigationGuide::pinToEdges(guide);
    guide->show();
    guide->raise();
    guide->setFocus(Qt::OtherFocusReason);
    QPointer<DupImageNavigationViewController> held(guide);
    guide->mouseDownBlock = [held] {
        if (held) {
            held->hide();
            held->deleteLater();
        }
    };
}

void FolderSetViewController::draggingEntered(DragDropView* sender)
{
    if (sender != ui_->dragDropView) {
        return;
    }
    isDragingFlag_ = 1;
    loadAnimation(ui_->plusButton, QStringLiteral("LottieAnimation/FileDrag"), true);
    ui_->plusButton->play(0.0, 0.5, Lottie::LottieLoopMode::playOnce);
}

void FolderSetViewController::draggingExited(DragDropView* sender)
{
    if (sender != ui_->dragDropView) {
        return;
    }
    loadAnimation(ui_->plusButton, QStringLiteral("LottieAnimation/FileDrag"), true);
    QPointer<FolderSetViewController> self(this);
    ui_->plusButton->play(0.5, 1.0, Lottie::LottieLoopMode::playOnce, [self](bool) {
        if (!self) {
            return;
        }
        self->clickPlusButtonAnimationInit();
        self->isDragingFlag_ = 0;
        ++self->completedAnimations_;
    });
}

void FolderSetViewController::deleteFile(int tag)
{
    if (tag < 0 || tag >= folderList_.size()) {
        return;
    }
    folderList_.removeAt(tag);
    ui_->folderTableView->reloadData();
    if (!folderList_.isEmpty()) {
        return;
    }
    gaCollection(QStringLiteral("Front"));
    setCloseView(1);
    leaveListLook();
}

void FolderSetViewController::restartBtnAction()
{
    folderList_.clear();
    leaveListLook();
}

// --- The table ----------------------------------------------------------------

int FolderSetViewController::numberOfRows(FolderTableView*)
{
    return static_cast<int>(folderList_.size());
}

double FolderSetViewController::heightOfRow(FolderTableView*, int)
{
    // The table grows with the list up to three rows, centred in the view.
    QRect frame = ui_->scrollView->geometry();
    frame.setHeight(scrollViewHeight(static_cast<int>(folderList_.size())));
    frame.moveTop((height() - frame.height()) / 2);
    ui_->scrollView->setGeometry(frame);
    placeAddFileButton();
    return rowHeight;
}

QWidget* FolderSetViewController::viewForRow(FolderTableView* tableView, int row)
{
    auto* cell = qobject_cast<TrackingTableCellView*>(tableView->makeView(QString::fromLatin1(kFolderCellID)));
    if (!cell || row < 0 || row >= folderList_.size()) {
        delete cell;
        return nullptr;
    }
    const QString text = rowText(folderList_.at(row));
    cell->deleteButton()->setProperty("tag", row);
    cell->textField()->setText(text);
    cell->textField()->setToolTip(plainToolTip(text));
    cell->setDelegate(this);
    cell->deleteButton()->hide();
    return cell;
}

void FolderSetViewController::placeAddFileButton()
{
    // The add button sits on the table's lower right corner, clear of the
    // rows' texts.
    const QRect table = ui_->scrollView->geometry();
    const QSize size = ui_->addFileButton->size();
    const int y = std::min(table.bottom() + 1 - size.height() / 2 - 6, height() - size.height() - 4);
    ui_->addFileButton->move(table.right() + 1 - size.width() / 2 - 6, y);
    ui_->addFileButton->raise();
}

QString FolderSetViewController::rowText(const QByteArray& path)
{
    if (path == "/") {
        return FileManager::default_().volumeName("/").value_or(QStringLiteral("/"));
    }
    return QFile::decodeName(path);
}

// --- The function buttons -----------------------------------------------------

namespace {
bool isFolder(const QByteArray& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

bool FolderSetViewController::anyFolderExists(const QByteArrayList& folders)
{
    return std::any_of(folders.begin(), folders.end(), isFolder);
}

QByteArrayList FolderSetViewController::existingFolders(const QByteArrayList& paths)
{
    QByteArrayList folders;
    std::copy_if(paths.begin(), paths.end(), std::back_inserter(folders), isFolder);
    return folders;
}

void FolderSetViewController::whenAFolderExists(std::function<void()> start)
{
    if (checkingFolders_) {
        return;
    }
    checkingFolders_ = true;
    // A folder on a network share that stopped answering could hold a stat
    // for minutes: it is asked off the main thread.
    QPointer<FolderSetViewController> self(this);
    const QByteArrayList folders = folderList_;
    DispatchQueue::global().async([self, folders, start = std::move(start)] {
        const bool exists = anyFolderExists(folders);
        DispatchQueue::main().async([self, exists, start] {
            if (!self) {
                return;
            }
            self->checkingFolders_ = false;
            if (!exists) {
                // Every listed folder is gone: scanning would report nothing
                // found, as if the folders had been looked through.
                SheetWindowController::showContentFolderNotExist();
                return;
            }
            start();
        });
    });
}

void FolderSetViewController::scanDuplicates()
{
    startScanOfFiles(QStringLiteral("ClikScan"), &GACollectionManager::collectionFileIntervalsGA, QStringLiteral("File"),
                     &FolderSetViewController::startScanClosure_);
}

void FolderSetViewController::scanLargeFile()
{
    whenAFolderExists([this] {
        setIsScanLargeFile(true);
        NotificationCenter::defaultCenter().post(didShowMainWindowTitleNotification());
        GACollectionManager::default_().collectionLargeIntervalsGA();
        gaCollection(QStringLiteral("ClikScanLarge"));
        if (startScanClosure_) {
            startScanClosure_(folderList_);
        }
    });
}

void FolderSetViewController::scanImagesBtnAction()
{
    startScanOfFiles(QStringLiteral("ClickDupImageScan"), &GACollectionManager::collectionImageIntervalsGA,
                     QStringLiteral("Image"), &FolderSetViewController::startScanImagesClosure_);
}

void FolderSetViewController::startScanOfFiles(const QString& counter, void (GACollectionManager::*intervals)(),
                                               const QString& kind, StartClosure FolderSetViewController::*closure)
{
    whenAFolderExists([this, counter, intervals, kind, closure] {
        setIsScanLargeFile(false);
        NotificationCenter::defaultCenter().post(didShowMainWindowTitleNotification());
        setWindowSize();
        gaCollection(counter);
        (GACollectionManager::default_().*intervals)();
        sendFolderEvents(kind + QLatin1Char('_'), kind);
        if (this->*closure) {
            (this->*closure)(folderList_);
        }
    });
}

void FolderSetViewController::sendFolderEvents(const QString& prefix, const QString& suffix)
{
    for (const QByteArray& folder : folderList_) {
        asyncGALog(QStringLiteral("Scanfolder"), QStringLiteral("SCPath"), prefix + QFile::decodeName(folder));
    }
    // Reading the volumes can hang on a dead network mount: the label is
    // built off the main thread and the event is sent once it is ready.
    QPointer<FolderSetViewController> self(this);
    const QByteArrayList folders = folderList_;
    DispatchQueue::global().async([self, folders, suffix] {
        const QString label = volumeFormatLabel(folders, suffix);
        DispatchQueue::main().async([self, label] {
            if (self) {
                asyncGALog(QStringLiteral("Scanfolder"), QStringLiteral("SCHardDisk"), label);
            }
        });
    });
}

QString FolderSetViewController::volumeFormatLabel(const QByteArrayList& folders, const QString& suffix)
{
    QString lastFormat;
    QStringList formats;
    bool external = false;
    for (const QByteArray& folder : folders) {
        const QByteArray entry = firstEntry(folder);
        if (entry.isEmpty()) {
            continue;
        }
        const std::optional<VolumeInfo> volume = FileManager::default_().volume(entry);
        if (!volume) {
            continue;
        }
        const QString format = QString::fromUtf8(volume->fsType);
        const bool internal = volume->isLocal
                              && !DiskArbitration::isRemovableVolume(entry, DiskInfo::defaultSysfsRoot());
        if (format != lastFormat) {
            lastFormat = format;
            formats << format;
            if (!internal) {
                external = true;
            }
        }
    }
    QString label = external ? QStringLiteral("1") : QStringLiteral("0");
    for (const QString& format : formats) {
        if (!format.isEmpty()) {
            label += QLatin1Char('_') + format + suffix;
        }
    }
    return label;
}

// --- Counters and window sizes ------------------------------------------------

void FolderSetViewController::gaCollection(const QString& actionType)
{
    struct Counter {
        const char* key;
        const char* action;
        const char* suffix;
    };
    static const Counter counters[] = {
        {"Front", "Front", ""},
        {"Main", "Main", ""},
        {"ClikScan", "ClikScan", "_File"},
        {"ClikScanLarge", "ClikScan", "_Large"},
        {"ClickDupImageScan", "ClikScan", "_Image"},
    };
    const Counter* counter = nullptr;
    for (const Counter& candidate : counters) {
        if (actionType == QLatin1String(candidate.key)) {
            counter = &candidate;
        }
    }
    if (!counter) {
        return;
    }
    const QString key = QString::fromLatin1(counter->key);
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
    asyncGALog(QStringLiteral("Process"), QString::fromLatin1(counter->action),
               QString::number(count) + QString::fromLatin1(counter->suffix));
}

void FolderSetViewController::setWindowSize()
{
    QWidget* mainWindow = window();
    if (mainWindow == this) {
        return;
    }
    placeWindow(mainWindow, QSize(scanWindowWidth, scanWindowHeight), mainWindow->frameGeometry());
}

void FolderSetViewController::setBackHomeWindowSize()
{
    gaCollection(QStringLiteral("Main"));
    setCloseView(2);
    setHomeWindowSize();
}

void FolderSetViewController::setHomeWindowSize()
{
    QWidget* mainWindow = window();
    if (mainWindow == this) {
        return;
    }
    const QRect before = mainWindow->frameGeometry();
    // A window maximised on a result screen is given back its home size
    // too, about the middle of the screen it filled: a maximised window
    // keeps its size whatever it is asked. Full screen is the scan screen's
    // to leave.
    const Qt::WindowStates state = mainWindow->windowState();
    if ((state & Qt::WindowMaximized) && !(state & Qt::WindowFullScreen)) {
        mainWindow->setWindowState(state & ~Qt::WindowMaximized);
    }
    placeWindow(mainWindow, QSize(homeWindowWidth, homeWindowHeight), before);
}
