#include "ScanImagesScreenSupport.h"

#include "FileDialogDriver.h"
#include "ImageSet.h"
#include "Foundation/FileManager.h"
#include "Manager/ScanImagesManager.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTButton.h"
#include "View/ScanImagesViewController/DupImageView.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionItem.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesDetailListCellView.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <thread>

namespace similar {

QString makeImages(const QString& root, int groups, int copies)
{
    QDir().mkpath(root);
    for (int g = 0; g < groups; ++g) {
        const cv::Mat base = imageset::makeBase(imageset::Kind::photo, unsigned(31 + g * 7), {320, 240});
        const std::string stem = (root + QStringLiteral("/g%1").arg(g)).toStdString();
        EXPECT_TRUE(imageset::write(stem + "_base.jpg", base, 92));
        for (int c = 0; c < copies; ++c) {
            const cv::Mat copy = c % 2 == 0 ? imageset::resized(base, 0.8 - 0.1 * c) : imageset::brightened(base, 1.05);
            EXPECT_TRUE(imageset::write(stem + "_copy" + std::to_string(c) + ".jpg", copy, 80 - c));
        }
    }
    return root;
}

bool sheetShowing()
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing();
}

QString sheetText()
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing() ? sheet->labelTextField()->text() : QString();
}

bool answerSheet(const QString& title)
{
    if (!waitUntil([] { return sheetShowing(); })) {
        return false;
    }
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button->isVisible() && button->title() == title) {
            QTest::mouseClick(button, Qt::LeftButton);
            // The answer reaches its caller once the sheet has faded out.
            QPointer<SheetWindowController> watched(sheet);
            return waitUntil([watched] { return !watched || !ModalOverlay::overlayFor(watched.data()); });
        }
    }
    return false;
}

void clickIn(QAbstractItemView* view, const QPoint& point)
{
    QTest::mouseMove(view->viewport(), point);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
}

QPoint thumbnailPoint(ScanImagesCollectionViewController* grid, int row)
{
    const QRect cell = grid->collectionView()->visualRect(grid->model()->index(row, 0));
    return {cell.center().x(), cell.center().y() - 4};
}

QPoint thumbnailPoint(ScanImagesListViewController* list, int row)
{
    const QRect rect = list->listView()->visualRect(list->model()->index(row, 0));
    const QPointF centre = ScanImagesDetailListCellView::imageFrame(rect).center();
    return {int(centre.x()) - 8, int(centre.y()) - 8};
}

namespace {
template <typename Controller>
void clickAndWait(Controller* controller, QAbstractItemView* view, int row)
{
    const ScanImagesGroupItemPtr group = controller->model()->group();
    ASSERT_TRUE(group && row < group->dupImageItems().size());
    const ScanImagesItemPtr item = group->dupImageItems().at(row);
    const bool was = item->isSelect();
    clickIn(view, thumbnailPoint(controller, row));
    EXPECT_TRUE(waitUntil([&] { return item->isSelect() != was; }));
}
}  // namespace

void clickThumbnail(ScanImagesCollectionViewController* grid, int row)
{
    clickAndWait(grid, grid->collectionView(), row);
}

void clickThumbnail(ScanImagesListViewController* list, int row)
{
    clickAndWait(list, list->listView(), row);
}

namespace {
// The folder dialog the screen opened over `window`, made the active window
// as a click on it would (the offscreen platform does not pass activation
// to a dialog by itself).
QFileDialog* folderDialogOver(QWidget* window)
{
    QFileDialog* dialog = FileDialogDriver::waitForDialog();
    if (!dialog || dialog->parentWidget() != window) {
        return nullptr;
    }
    QApplication::setActiveWindow(dialog);
    return dialog;
}

bool gone(QFileDialog* dialog)
{
    QPointer<QFileDialog> watched(dialog);
    return waitUntil([watched] { return !watched || !watched->isVisible(); });
}
}  // namespace

bool chooseInFolderDialog(QWidget* window, const QString& path)
{
    QFileDialog* dialog = folderDialogOver(window);
    if (!dialog) {
        return false;
    }
    FileDialogDriver::typeName(dialog, path);
    return FileDialogDriver::pressAccept(dialog) && gone(dialog);
}

bool cancelFolderDialog(QWidget* window)
{
    QFileDialog* dialog = folderDialogOver(window);
    return dialog && FileDialogDriver::pressCancel(dialog) && gone(dialog);
}

bool removalShown(ScanImagesViewController* screen)
{
    return screen->scanState() == 6 && screen->imageDeleteViewCtr()
           && screen->mainBoxContent() == screen->imageDeleteViewCtr();
}

double opacityOf(QWidget* widget)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

Opened::Opened()
{
    DupImageView::setDoubleClickIntervalForTesting(60);
}

Opened::~Opened()
{
    DupImageView::setDoubleClickIntervalForTesting(-1);
}

RemovalGate::RemovalGate(std::function<int(int step, const QByteArray& path)> alsoFail)
    : entered_(std::make_shared<std::atomic<bool>>(false))
    , release_(std::make_shared<std::atomic<bool>>(false))
{
    FileManagerFaults faults;
    faults.fail = [entered = entered_, release = release_, alsoFail](FileStep step, const QByteArray& path) {
        // The main thread writes settings through the same calls: never
        // hold it.
        if (QThread::currentThread() != QCoreApplication::instance()->thread() && !entered->exchange(true)) {
            for (int i = 0; i < 60000 && !release->load(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return alsoFail ? alsoFail(int(step), path) : 0;
    };
    FileManager::setFaults(faults);
}

RemovalGate::~RemovalGate()
{
    release();
    ScanImagesManager::shared().waitForRemoval();
    FileManager::clearFaults();
}

}  // namespace similar

void ScanImagesScreenTest::SetUp()
{
    TempHomeTest::SetUp();
    Helper::setNetworkReachableOverride(true);
    recorder = std::make_unique<QVDAEventRecorder>();
    openedFiles = std::make_unique<similar::Opened>();
    ScanImagesManager::shared().setScanState(0);
    window = std::make_unique<QWidget>();
    window->resize(1000, 640);
    new QVBoxLayout(window.get());
    window->layout()->setContentsMargins(0, 0, 0, 0);
    window->show();
    ModalOverlay::setApplicationMainWindow(window.get());
}

void ScanImagesScreenTest::TearDown()
{
    ScanImagesManager& engine = ScanImagesManager::shared();
    engine.stop();
    engine.waitUntilSearchEnds(10000);
    // A stop question still open holds the removal: it goes first.
    if (SheetWindowController::globalSheetController()) {
        SheetWindowController::endSheet();
    }
    engine.waitForRemoval();
    QCoreApplication::processEvents();
    delete screen.data();
    window.reset();
    ModalOverlay::setApplicationMainWindow(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    openedFiles.reset();
    engine.removeDupimagesArray();
    engine.setRemoveDelegate(nullptr);
    engine.setRemoveType(0);
    recorder.reset();
    Helper::setNetworkReachableOverride(std::nullopt);
    TempHomeTest::TearDown();
}

QString ScanImagesScreenTest::makeImages(int groups, int copies, const QString& folder)
{
    return similar::makeImages(scratch() + QLatin1Char('/') + folder, groups, copies);
}

ScanImagesViewController* ScanImagesScreenTest::idleScreen()
{
    auto* made = new ScanImagesViewController;
    screen = made;
    window->layout()->addWidget(made);
    made->setDelegate(this);
    return made;
}

ScanImagesViewController* ScanImagesScreenTest::scan(const QStringList& folders)
{
    ScanImagesViewController* made = idleScreen();
    QByteArrayList bytes;
    for (const QString& folder : folders) {
        bytes.append(QFile::encodeName(folder));
    }
    made->configScanImages(bytes);
    EXPECT_TRUE(waitUntil([&] { return screen && !screen->isScanning(); }, std::chrono::seconds(60)));
    return made;
}

void ScanImagesScreenTest::clickThumbnail(int row)
{
    similar::clickThumbnail(screen->imageResultViewCtr()->scanImagesViewCtr(), row);
}

void ScanImagesScreenTest::removeAndFinish()
{
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                          std::chrono::seconds(30)));
    FinishWindowController* finish = screen->finishWindowController();
    finish->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return !screen || screen->scanState() == 8 || backCount > 0; }));
}

QStringList ScanImagesScreenTest::labels(const QString& category, const QString& action) const
{
    QStringList found;
    for (const QVDAObservedEvent& event : recorder->events()) {
        if (event.category == category && event.action == action) {
            found.append(event.label);
        }
    }
    return found;
}

