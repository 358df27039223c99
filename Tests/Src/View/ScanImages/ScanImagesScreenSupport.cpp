#include "ScanImagesScreenSupport.h"

#include "ImageSet.h"
#include "Manager/ScanImagesManager.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTButton.h"
#include "View/ScanImagesViewController/DupImageView.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionItem.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl>* target = nullptr;
public slots:
    void open(const QUrl& url) { target->append(url); }
};
UrlCatcher* gCatcher = nullptr;
}  // namespace

void ScanImagesScreenTest::SetUp()
{
    TempHomeTest::SetUp();
    Helper::setNetworkReachableOverride(true);
    recorder = std::make_unique<QVDAEventRecorder>();
    DupImageView::setDoubleClickIntervalForTesting(60);
    gCatcher = new UrlCatcher;
    gCatcher->target = &opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), gCatcher, "open");
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
    engine.waitForRemoval();
    if (SheetWindowController::globalSheetController()) {
        SheetWindowController::endSheet();
    }
    QCoreApplication::processEvents();
    delete screen.data();
    window.reset();
    ModalOverlay::setApplicationMainWindow(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    delete gCatcher;
    gCatcher = nullptr;
    engine.removeDupimagesArray();
    engine.setRemoveDelegate(nullptr);
    engine.setRemoveType(0);
    DupImageView::setDoubleClickIntervalForTesting(-1);
    recorder.reset();
    Helper::setNetworkReachableOverride(std::nullopt);
    TempHomeTest::TearDown();
}

QString ScanImagesScreenTest::makeImages(int groups, int copies, const QString& folder)
{
    const QString root = scratch() + QLatin1Char('/') + folder;
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

ScanImagesViewController* ScanImagesScreenTest::scan(const QStringList& folders)
{
    auto* made = new ScanImagesViewController;
    screen = made;
    window->layout()->addWidget(made);
    made->setDelegate(this);
    QByteArrayList bytes;
    for (const QString& folder : folders) {
        bytes.append(QFile::encodeName(folder));
    }
    made->configScanImages(bytes);
    EXPECT_TRUE(waitUntil([&] { return screen && !screen->isScanning(); }, std::chrono::seconds(60)));
    return made;
}

bool ScanImagesScreenTest::sheetShowing() const
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing();
}

QString ScanImagesScreenTest::sheetText() const
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing() ? sheet->labelTextField()->text() : QString();
}

bool ScanImagesScreenTest::answerSheet(const QString& title)
{
    if (!waitUntil([&] { return sheetShowing(); })) {
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

void ScanImagesScreenTest::clickThumbnail(int row)
{
    ScanImagesCollectionViewController* grid = screen->imageResultViewCtr()->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    const QModelIndex index = view->model()->index(row, 0);
    const QRect cell = view->visualRect(index);
    // Inside the thumbnail, clear of the box and the magnifier.
    const QPoint point(cell.center().x(), cell.center().y() - 4);
    QTest::mouseMove(view->viewport(), point);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    const int before = grid->selectCount();
    const bool was = grid->dupImagesGroup()->dupImageItems().at(row)->isSelect();
    EXPECT_TRUE(waitUntil([&] { return grid->dupImagesGroup()->dupImageItems().at(row)->isSelect() != was; }));
    Q_UNUSED(before);
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

#include "ScanImagesScreenSupport.moc"
