// The views of the similar-image screens on hand-made groups: the result
// view's tabs and boxes, the grid's sizes and fit, the list, the preview and
// its size rule, the removal view, the clock and the texts.
#include "ScanImagesScreenSupport.h"

#include "Main/GACollectionManager.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTView.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/Extension/KPLExtension.h"
#include "View/PreferenceView/ZWEventMonitor.h"
#include "View/ScanImagesViewController/DupImagePreview.h"
#include "View/ScanImagesViewController/DupImageView.h"
#include "View/ScanImagesViewController/DupImagePreviewView.h"
#include "View/ScanImagesViewController/DupImageTipsViewController.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImageThumbnailLoader.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCellPainting.h"
#include "View/ScanImagesViewController/ScanImagesCollectionItem.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesDetailListCellView.h"
#include "View/ScanImagesViewController/ScanImagesListCellView.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "View/ScanImagesViewController/ScanImagesSelection.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

ScanImagesItemPtr image(const QString& path, qint64 size, bool selected = false)
{
    auto item = std::make_shared<ScanImagesItem>();
    item->setImagePath(path);
    item->setRawPath(QFile::encodeName(path));
    item->setImageName(path.section('/', -1));
    item->setImageSize(size);
    item->setIsSelect(selected);
    QImage thumb(60, 45, QImage::Format_RGB32);
    thumb.fill(Qt::darkCyan);
    item->setThumImage(thumb);
    return item;
}

ScanImagesGroupItemPtr group(const QString& name, const QList<ScanImagesItemPtr>& items)
{
    auto made = std::make_shared<ScanImagesGroupItem>();
    made->setGroupName(name);
    made->setSourceImagePath(items.first()->imagePath());
    made->setDupImageItems(items);
    qint64 size = 0;
    for (const auto& item : items) {
        size += item->imageSize();
    }
    made->setGroupSize(size);
    ScanImagesSelection::recount(*made);
    return made;
}

class Counter : public ImagesScanResultViewControllerDelegate {
public:
    void changeSelectLabel(const ScanImagesGroupList&) override { ++calls; }
    int calls = 0;
};

}  // namespace

using ScanImagesViewsTest = ScanImagesScreenTest;

TEST_F(ScanImagesViewsTest, SelectAllTabsAndGroupBoxesCountFromTheImages)
{
    const ScanImagesGroupList groups = {
        group("Group 1", {image("/x/a1.jpg", 300), image("/x/a2.jpg", 100, true), image("/x/a3.jpg", 200)}),
        group("Group 2", {image("/x/b1.jpg", 10), image("/x/b2.jpg", 20)}),
        group("Group 3", {image("/x/c1.jpg", 10, true), image("/x/c2.jpg", 20, true)}),
    };
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    Counter counter;
    result->setDelegate(&counter);
    result->reloadListViewData(groups);
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateMixed);
    EXPECT_EQ(ScanImagesListCellView::countText(*groups[0]), QStringLiteral("1 | 3"));

    // "Selected": copies of groups 1 and 3, renamed, selected images first.
    result->selectedSelectView()->setSelected(false);
    result->clickSelectedTab();
    ASSERT_EQ(result->selectImageArray().size(), 2);
    const ScanImagesGroupItemPtr copy = result->selectImageArray().first();
    EXPECT_EQ(copy->groupName(), QStringLiteral("Group 1"));
    EXPECT_EQ(result->selectImageArray().at(1)->groupName(), QStringLiteral("Group 2"));
    EXPECT_EQ(copy->dupImageItems().first()->imagePath(), QStringLiteral("/x/a2.jpg"));
    EXPECT_EQ(copy->dupImageItems().at(1)->imagePath(), QStringLiteral("/x/a3.jpg"));
    EXPECT_EQ(groups[0]->dupImageItems().first()->imagePath(), QStringLiteral("/x/a1.jpg"));
    EXPECT_FALSE(result->bottonView()->isVisible());
    // The header still counts every group.
    EXPECT_EQ(result->groupCount(), 3);

    // Clearing the box of a listed group keeps it listed, off.
    result->selectIndex(1, RYTCheckBox::stateOff);
    EXPECT_EQ(result->selectImageArray().size(), 2);
    EXPECT_EQ(groups[2]->isSelect(), 0);
    EXPECT_FALSE(groups[2]->dupImageItems().first()->isSelect());

    // Select all here acts on the listed groups only.
    result->autoSelectAll()->setState(RYTCheckBox::stateOn);
    result->autoSelectAllBtnAction();
    EXPECT_EQ(groups[0]->isSelect(), 1);
    EXPECT_EQ(groups[2]->isSelect(), 1);
    EXPECT_EQ(groups[1]->isSelect(), 0);

    // Back on "All": a mixed box click selects everything.
    result->clickAllTab();
    EXPECT_TRUE(result->selectImageArray().isEmpty());
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateMixed);
    result->autoSelectAll()->click();
    for (const auto& g : groups) {
        EXPECT_EQ(g->isSelect(), 1);
    }
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateOn);
    EXPECT_GT(counter.calls, 0);

    // "Selected" with nothing selected shows the two no-data views.
    result->autoSelectAll()->click();
    result->clickSelectedTab();
    EXPECT_EQ(result->leftContent(), static_cast<QWidget*>(result->leftNoDataSelectView()));
    EXPECT_EQ(result->rightContent(), result->rightNoDataSelectView());
    EXPECT_FALSE(result->sliderSelectView()->isVisible());
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateOff);
    result->clickListMode();
    EXPECT_EQ(result->rightContent(), result->rightNoDataSelectView());
    result->setDelegate(nullptr);
    delete result;
}

TEST_F(ScanImagesViewsTest, GridSelectionSizesAndFit)
{
    const ScanImagesGroupItemPtr g =
        group("Group 1", {image("/x/a1.jpg", 300), image("/x/a2.jpg", 100), image("/x/a3.jpg", 200, true)});
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    result->reloadListViewData({g});
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    EXPECT_EQ(grid->selectCount(), 1);
    grid->selectIndex(0, RYTCheckBox::stateOn);
    EXPECT_EQ(g->isSelect(), -1);
    grid->selectIndex(1, RYTCheckBox::stateOn);
    EXPECT_EQ(g->isSelect(), 1);
    EXPECT_EQ(grid->selectCount(), 3);
    // Reporting the same state twice does not count twice.
    grid->selectIndex(1, RYTCheckBox::stateOn);
    EXPECT_EQ(grid->selectCount(), 3);
    grid->selectIndex(2, RYTCheckBox::stateOff);
    EXPECT_EQ(g->isSelect(), -1);
    grid->selectIndex(-1, RYTCheckBox::stateOff);
    EXPECT_EQ(grid->selectCount(), 2);

    GACollectionManager& ga = GACollectionManager::default_();
    result->slider()->setValue(5);
    EXPECT_EQ(grid->collectionView()->itemSize(), QSize(330, 216));
    EXPECT_EQ(ga.sliderValue(), 6);
    result->sliderAddBtnAction();
    result->sliderAddBtnAction();
    EXPECT_EQ(result->slider()->value(), 6);
    EXPECT_EQ(grid->collectionView()->itemSize(), QSize(630, 376));
    grid->changeCollctionItemSize(7);
    EXPECT_EQ(grid->collectionView()->itemSize(), QSize(630, 376));
    result->slider()->setValue(0);
    result->sliderReduceBtnAction();
    EXPECT_EQ(grid->collectionView()->itemSize(), QSize(90, 59));
    EXPECT_EQ(ga.sliderValue(), 1);

    // The fit rule: full width or full height of the cell.
    const QRectF wide = ScanImagesCollectionItem::thumbnailRect(QSizeF(400, 100), QRectF(0, 0, 160, 105));
    EXPECT_DOUBLE_EQ(wide.width(), 160);
    EXPECT_DOUBLE_EQ(wide.height(), 40);
    const QRectF tall = ScanImagesCollectionItem::thumbnailRect(QSizeF(100, 400), QRectF(0, 0, 160, 105));
    EXPECT_DOUBLE_EQ(tall.width(), 26.25);
    EXPECT_DOUBLE_EQ(tall.height(), 105);
    delete result;
}

TEST_F(ScanImagesViewsTest, ClicksTellSingleFromDoubleAndTheListRowsAre110High)
{
    const QString folder = makeImages(1, 1);
    scan({folder});
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    const QRect cell = view->visualRect(view->model()->index(0, 0));
    const QPoint point(cell.center().x(), cell.center().y() - 4);
    GACollectionManager& ga = GACollectionManager::default_();
    const int64_t doubles = ga.imageDoubleClickCount();
    QTest::mouseMove(view->viewport(), point);
    // As the window system delivers it: press, release, double click, release.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, point);
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 1; }));
    EXPECT_FALSE(grid->dupImagesGroup()->dupImageItems().first()->isSelect());
    EXPECT_EQ(ga.imageDoubleClickCount(), doubles + 1);
    // The tip names the image above it.
    ASSERT_NE(grid->tipsViewController(), nullptr);
    EXPECT_EQ(grid->tipsViewController()->tipsLabel()->text(),
              DupImageTipsViewController::tipText(*grid->dupImagesGroup()->dupImageItems().first()));

    result->clickListMode();
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    EXPECT_EQ(result->rightContent(), list);
    EXPECT_FALSE(result->sliderSelectView()->isVisible());
    EXPECT_EQ(list->listView()->visualRect(list->model()->index(0, 0)).height(), 110);
    EXPECT_EQ(list->listView()->visualRect(list->model()->index(1, 0)).height(), 110);
    list->changeItemSelectState(1);
    EXPECT_EQ(grid->dupImagesGroup()->isSelect(), -1);
    EXPECT_EQ(screen->selectImagesNum(), 1);
}

TEST_F(ScanImagesViewsTest, PreviewSizeRuleOnePerWindowAndASlowDecoderLeavesTheLoopFree)
{
    using Preview = DupImagePreview;
    const QSizeF a = Preview::previewSize(QSizeF(4000, 3000), QSizeF(1000, 580));
    EXPECT_NEAR(a.width(), 773.33, 0.01);
    EXPECT_DOUBLE_EQ(a.height(), 580);
    const QSizeF b = Preview::previewSize(QSizeF(3000, 500), QSizeF(1000, 580));
    EXPECT_DOUBLE_EQ(b.width(), 1000);
    EXPECT_NEAR(b.height(), 166.67, 0.01);
    EXPECT_EQ(Preview::previewSize(QSizeF(50, 50), QSizeF(1000, 580)), QSizeF(580, 580));
    EXPECT_TRUE(Preview::previewSize(QSizeF(0, 0), QSizeF(1000, 580)).isEmpty());

    std::atomic<bool> release{false};
    Preview::setDecoderForTesting([&release](const QByteArray& path, const QSize&) {
        while (!release.load()) {
            std::this_thread::yield();
        }
        if (path.endsWith("text.jpg")) {
            return QImage();
        }
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    });
    auto* owner1 = new QWidget(window.get());
    auto* owner2 = new QWidget(window.get());
    Preview first(owner1);
    Preview second(owner2);
    first.previewImage(image("/x/one.jpg", 1));
    // The event loop runs while the decoder works.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    EXPECT_TRUE(waitUntil([&] { return ticks > 5; }));
    EXPECT_TRUE(first.isDecoding());
    release = true;
    ASSERT_TRUE(waitUntil([&] { return first.previewView() && first.previewView()->isVisible(); }));
    EXPECT_TRUE(first.isCanPreview());
    second.previewImage(image("/x/two.jpg", 1));
    ASSERT_TRUE(waitUntil([&] { return second.previewView() && second.previewView()->isVisible(); }));
    EXPECT_EQ(window->findChildren<DupImagePreviewView*>(Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_TRUE(second.previewView()->testAttribute(Qt::WA_TransparentForMouseEvents));
    // A result that comes after the pointer left is dropped.
    second.closePreviewWindow();
    release = false;
    first.previewImage(image("/x/text.jpg", 1));
    first.closePreviewWindow();
    release = true;
    EXPECT_TRUE(waitUntil([&] { return !first.isDecoding(); }));
    QTest::qWait(0);
    EXPECT_TRUE(window->findChildren<DupImageUnPreviewView*>(Qt::FindDirectChildrenOnly).isEmpty());
    // A file that is not an image gets the 520 × 176 panel.
    first.previewImage(image("/x/text.jpg", 1));
    ASSERT_TRUE(waitUntil([&] { return first.unPreviewView() && first.unPreviewView()->isVisible(); }));
    EXPECT_EQ(first.unPreviewView()->size(), QSize(520, 176));
    EXPECT_FALSE(first.unPreviewView()->warnImageView()->pixmap().isNull());
    EXPECT_EQ(first.unPreviewView()->titleLabel()->text(), QStringLiteral("The image can't be previewed."));
    EXPECT_FALSE(first.isCanPreview());
    Preview::setDecoderForTesting(nullptr);
}

TEST_F(ScanImagesViewsTest, RemovalViewClockAndTexts)
{
    ImagesDeleteViewController view;
    view.removedCount = [] { return qint64(7); };
    EXPECT_EQ(view.progressLabel()->text(), QStringLiteral("0%"));
    view.updateFilesCountLabel(0.375);
    ASSERT_TRUE(waitUntil([&] { return view.progressLabel()->text() == QStringLiteral("37.50%"); }));
    EXPECT_EQ(view.removeCount()->text(), QStringLiteral("7"));
    view.updateFilesCountLabel(1.0);
    ASSERT_TRUE(waitUntil([&] { return view.progressLabel()->text() == QStringLiteral("100.00%"); }));
    for (int i = 0; i < 599; ++i) {
        view.timeListener();
    }
    EXPECT_EQ(view.removeTimeLabel()->text(), formatDateEn(59));

    EXPECT_EQ(ImagesScanningViewController::clockText(65.0), QStringLiteral("01:05"));
    EXPECT_EQ(ImagesScanningViewController::clockText(3725.0), QStringLiteral("62:05"));
    ImagesScanningViewController scanning;
    scanning.setProgress(0.5);
    scanning.setProgress(0.25);
    EXPECT_DOUBLE_EQ(scanning.progressValue(), 0.25);
    EXPECT_DOUBLE_EQ(scanning.lastProgressValue(), 0.5);
    EXPECT_DOUBLE_EQ(scanning.circularProgress()->progress(), 0.5);
    scanning.setUpLeftScanningView(QStringLiteral("/x/y.jpg"));
    EXPECT_TRUE(scanning.scanningItemLabel()->text().contains(QStringLiteral("Items")));
    EXPECT_EQ(scanning.rightContent(), scanning.notDataRightScanningView());
    scanning.reloadCollctionView({group("Group 1", {image("/x/a.jpg", 5), image("/x/b.jpg", 6)})});
    EXPECT_NE(scanning.rightContent(), scanning.notDataRightScanningView());

    // Placeholders filled once: a name holding "%@" shows as it is.
    auto odd = image("/x/%@name.jpg", 1);
    EXPECT_EQ(DupImageTipsViewController::tipText(*odd), QStringLiteral("%@name.jpg / /x/%@name.jpg"));
    EXPECT_EQ(fillPlaceholders(QStringLiteral("%@ and %@"), {QStringLiteral("%@"), QStringLiteral("b")}),
              QStringLiteral("%@ and b"));

    FinishWindowController::setPreferredLanguages(QStringList{QStringLiteral("ar-SA")});
    EXPECT_EQ(ScanImagesCellPainting::removeFailedIconName(), QStringLiteral("removeFailedIcon_ar"));
    FinishWindowController::setPreferredLanguages(QStringList{QStringLiteral("en-US")});
    EXPECT_EQ(ScanImagesCellPainting::removeFailedIconName(), QStringLiteral("removeFailedIcon"));
    FinishWindowController::setPreferredLanguages(std::nullopt);
}

TEST_F(ScanImagesViewsTest, ThumbnailsAreDecodedOffTheMainThreadAndDroppedWhenNotWanted)
{
    ImageThumbnailLoader loader(1, 1 << 20);
    std::atomic<bool> release{false};
    std::atomic<int> decoded{0};
    std::atomic<int> started{0};
    loader.setDecoderForTesting([&](const QByteArray&, const QSize& pixels) {
        ++started;
        while (!release.load()) {
            std::this_thread::yield();
        }
        ++decoded;
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::blue);
        return image;
    });
    int owner = 0;
    EXPECT_TRUE(loader.thumbnail("/x/a.jpg", QSize(100, 80), &owner).isNull());
    // The one worker is busy with a while b and c wait (the newest goes first).
    ASSERT_TRUE(waitUntil([&] { return started.load() == 1; }));
    EXPECT_TRUE(loader.thumbnail("/x/b.jpg", QSize(100, 80), &owner).isNull());
    EXPECT_TRUE(loader.thumbnail("/x/c.jpg", QSize(100, 80), &owner).isNull());
    // b scrolled away before its turn.
    loader.setWanted(&owner, {ImageThumbnailLoader::keyOf("/x/a.jpg", QSize(100, 80)),
                              ImageThumbnailLoader::keyOf("/x/c.jpg", QSize(100, 80))});
    release = true;
    ASSERT_TRUE(loader.waitForIdle(5000));
    EXPECT_FALSE(loader.thumbnail("/x/c.jpg", QSize(100, 80), &owner).isNull());
    EXPECT_EQ(decoded.load(), 2);
    EXPECT_EQ(loader.droppedCount(), 1);
    EXPECT_GT(loader.cacheBytes(), 0);
    EXPECT_LE(loader.cacheBytes(), 1 << 20);
}

TEST_F(ScanImagesViewsTest, TheLiveGridKeepsItsPlaceCountsFollowProgressAndOnlyASingleClickOpens)
{
    const QString folder = makeImages(1, 1);
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 2);
    auto* scanning = new ImagesScanningViewController;
    window->layout()->addWidget(scanning);
    EXPECT_EQ(scanning->rightContent(), scanning->notDataRightScanningView());
    scanning->setUpLeftScanningView(QStringLiteral("/x/first.jpg"));
    EXPECT_TRUE(scanning->scanningItemLabel()->text().contains(QStringLiteral(">0<")));

    ScanImagesGroupList groups;
    for (int g = 0; g < 40; ++g) {
        groups.append(group(QStringLiteral("g%1").arg(g),
                            {image(folder + "/" + files.at(0), 100), image(folder + "/" + files.at(1), 50),
                             image(QStringLiteral("/x/%1.jpg").arg(g), 50)}));
    }
    scanning->reloadCollctionView(groups);
    EXPECT_NE(scanning->rightContent(), scanning->notDataRightScanningView());
    // The counts wait for the next progress report.
    EXPECT_TRUE(scanning->scanningItemLabel()->text().contains(QStringLiteral(">0<")));
    scanning->setUpLeftScanningView(QStringLiteral("/x/second.jpg"));
    EXPECT_TRUE(scanning->scanningItemLabel()->text().contains(QStringLiteral(">120<")));
    EXPECT_EQ(scanning->scanningPathLabel()->text(), QStringLiteral("/x/second.jpg"));

    // A refresh with more groups leaves the grid where it was scrolled.
    ImageGridView* grid = scanning->collectionView();
    QCoreApplication::processEvents();
    ASSERT_GT(grid->verticalScrollBar()->maximum(), 200);
    grid->verticalScrollBar()->setValue(200);
    groups.append(group(QStringLiteral("late"), {image(QStringLiteral("/x/a.jpg"), 1), image(QStringLiteral("/x/b.jpg"), 1)}));
    scanning->reloadCollctionView(groups);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->verticalScrollBar()->value(), 200);
    grid->verticalScrollBar()->setValue(0);
    QCoreApplication::processEvents();

    // A double click opens nothing; a single click opens the image.
    const QRect cell = grid->visualRect(grid->model()->index(0, 0, grid->model()->index(0, 0)));
    ASSERT_TRUE(cell.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::qWait(DupImageView::doubleClickInterval() * 3);
    EXPECT_TRUE(opened().isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 1; }));
    EXPECT_EQ(opened().first().toLocalFile(), folder + "/" + files.at(0));
    delete scanning;
}

namespace {

// Whether every pixel of `rect` in `image` is `color` (to a step of 3).
bool plain(const QImage& image, const QRectF& rect, const QColor& color)
{
    const QRect r = rect.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) > 3 || std::abs(c.green() - color.green()) > 3
                || std::abs(c.blue() - color.blue()) > 3) {
                return false;
            }
        }
    }
    return true;
}

QImage paintCell(ScanImagesImageCell& cells, const QModelIndex& index, const QRect& rect)
{
    QImage canvas(rect.size() + QSize(rect.left(), rect.top()), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    QStyleOptionViewItem option;
    option.rect = rect;
    cells.paint(&painter, option, index);
    return canvas;
}

}  // namespace

TEST_F(ScanImagesViewsTest, TheVeilBoxMagnifierAndFailedIconShowOnlyWhenTheyShould)
{
    // A grey image that fills a 160 × 105 cell, so the veil and the
    // controls can be told from it.
    const QColor grey(128, 128, 128);
    const ScanImagesItemPtr item = image("/x/a.jpg", 1);
    QImage thumb(160, 105, QImage::Format_RGB32);
    thumb.fill(grey);
    item->setThumImage(thumb);
    const ScanImagesGroupItemPtr g = group("Group 1", {item});
    ScanImagesGroupImagesModel model;
    model.setGroup(g);
    const QModelIndex index = model.index(0);

    ScanImagesCollectionItem cells;
    const QRect cell(0, 0, 160, 105);
    const QRectF thumbnail = ScanImagesCollectionItem::thumbnailRect(thumb.size(), cell);
    const QRectF box = ScanImagesCollectionItem::boxRect(thumbnail, cell);
    const QRectF loupe = ScanImagesCollectionItem::loupeRect(thumbnail, cell);
    const QRectF failed = ScanImagesCollectionItem::errorRect(thumbnail, cell);
    const QRectF middle(cell.center() - QPoint(10, 10), QSize(20, 20));

    // At rest: the image alone.
    QImage drawn = paintCell(cells, index, cell);
    EXPECT_TRUE(plain(drawn, middle, grey));
    EXPECT_TRUE(plain(drawn, box, grey));
    EXPECT_TRUE(plain(drawn, loupe, grey));
    // Under the pointer: box and magnifier, no veil.
    cells.setHoverRow(0, false);
    drawn = paintCell(cells, index, cell);
    EXPECT_TRUE(plain(drawn, middle, grey));
    EXPECT_FALSE(plain(drawn, box, grey));
    EXPECT_FALSE(plain(drawn, loupe, grey));
    const QImage onSpot = paintCell(*[&] { cells.setHoverRow(0, true); return &cells; }(), index, cell);
    EXPECT_NE(onSpot.copy(loupe.toAlignedRect()), drawn.copy(loupe.toAlignedRect()));
    // Selected, pointer gone: black at 20 % over the image, the box stays,
    // the magnifier goes.
    cells.setHoverRow(-1, false);
    item->setIsSelect(true);
    drawn = paintCell(cells, index, cell);
    const QColor veiled(102, 102, 102);
    EXPECT_TRUE(plain(drawn, middle, veiled));
    EXPECT_FALSE(plain(drawn, box, veiled));
    EXPECT_TRUE(plain(drawn, loupe, veiled));
    EXPECT_TRUE(plain(drawn, failed, veiled));
    // A failed removal shows its icon.
    item->setIsRemoveFailed(true);
    drawn = paintCell(cells, index, cell);
    EXPECT_FALSE(plain(drawn, failed, veiled));

    // The list row: the same rules around its own frame.
    ScanImagesDetailListCellView rows;
    item->setIsRemoveFailed(false);
    item->setIsSelect(false);
    const QRect row(0, 0, 700, ScanImagesDetailListCellView::rowHeight);
    const QRectF rowThumb = ScanImagesDetailListCellView::thumbnailRect(thumb.size(), row);
    const QRectF rowMiddle(rowThumb.center() - QPointF(8, 8), QSizeF(16, 16));
    drawn = paintCell(rows, index, row);
    EXPECT_TRUE(plain(drawn, rowMiddle, grey));
    EXPECT_TRUE(plain(drawn, ScanImagesDetailListCellView::boxRect(row), Qt::white));
    EXPECT_TRUE(plain(drawn, ScanImagesDetailListCellView::errorRect(row), Qt::white));
    item->setIsSelect(true);
    item->setIsRemoveFailed(true);
    drawn = paintCell(rows, index, row);
    EXPECT_TRUE(plain(drawn, rowMiddle, veiled));
    EXPECT_FALSE(plain(drawn, ScanImagesDetailListCellView::boxRect(row), Qt::white));
    EXPECT_FALSE(plain(drawn, ScanImagesDetailListCellView::errorRect(row), Qt::white));
    EXPECT_TRUE(plain(drawn, ScanImagesDetailListCellView::loupeRect(rowThumb).adjusted(2, 2, -2, -2), veiled));
}

TEST_F(ScanImagesViewsTest, AGroupRowsBoxSelectsAPartGroupWholeAndClearsAWholeOne)
{
    const ScanImagesGroupList groups = {
        group("Group 1", {image("/x/a1.jpg", 1, true), image("/x/a2.jpg", 1, true), image("/x/a3.jpg", 1)}),
        group("Group 2", {image("/x/b1.jpg", 1, true), image("/x/b2.jpg", 1, true), image("/x/b3.jpg", 1, true),
                          image("/x/b4.jpg", 1, true)}),
    };
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    Counter counter;
    result->setDelegate(&counter);
    result->reloadListViewData(groups);
    EXPECT_EQ(ScanImagesListCellView::countText(*groups[0]), QStringLiteral("2 | 3"));
    EXPECT_EQ(ScanImagesListCellView::countText(*groups[1]), QStringLiteral("4 | 4"));
    QListView* list = result->listView();
    auto clickBox = [&](int row) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ScanImagesListCellView::boxRect(rect).center());
    };
    const int before = counter.calls;
    clickBox(0);
    EXPECT_EQ(groups[0]->isSelect(), 1);
    EXPECT_EQ(ScanImagesListCellView::countText(*groups[0]), QStringLiteral("3 | 3"));
    EXPECT_GT(counter.calls, before);
    clickBox(1);
    EXPECT_EQ(groups[1]->isSelect(), 0);
    EXPECT_EQ(ScanImagesListCellView::countText(*groups[1]), QStringLiteral("0 | 4"));
    for (const ScanImagesItemPtr& item : groups[1]->dupImageItems()) {
        EXPECT_FALSE(item->isSelect());
    }
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateMixed);
    // The box of a row is not a click on the row: the right side stays.
    EXPECT_EQ(result->scanImagesViewCtr()->dupImagesGroup(), groups[0]);
    // A group without images: the default cover, nothing counted.
    const ScanImagesGroupItemPtr empty = std::make_shared<ScanImagesGroupItem>();
    EXPECT_FALSE(ScanImagesListCellView::getGroupCover(*empty).isNull());
    EXPECT_EQ(ScanImagesListCellView::countText(*empty), QStringLiteral("0 | 0"));
    result->setDelegate(nullptr);
    delete result;
}

TEST_F(ScanImagesViewsTest, ThreeQuickClicksDoNothingAndOpeningShowsAProgramInItsFolder)
{
    const QString folder = makeImages(1, 2);
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 3);
    QList<ScanImagesItemPtr> items;
    for (const QString& name : files) {
        items << image(folder + "/" + name, 10);
    }
    const ScanImagesGroupItemPtr g = group("Group 1", items);
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    result->reloadListViewData({g});
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    const QPoint point = similar::thumbnailPoint(grid, 0);
    QTest::mouseMove(view->viewport(), point);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    }
    QTest::qWait(DupImageView::doubleClickInterval() * 3);
    EXPECT_TRUE(opened().isEmpty());
    EXPECT_FALSE(items[0]->isSelect());
    // A step out of range keeps the size.
    grid->changeCollctionItemSize(-1);
    EXPECT_EQ(view->itemSize(), QSize(160, 105));

    // In the list a double click opens the file but is not counted; a
    // program is shown in its folder, never run.
    result->clickListMode();
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    GACollectionManager& ga = GACollectionManager::default_();
    const int64_t doubles = ga.imageDoubleClickCount();
    QFile::setPermissions(items[1]->imagePath(), QFile::permissions(items[1]->imagePath()) | QFileDevice::ExeOwner);
    const QPoint onRow = similar::thumbnailPoint(list, 1);
    QTest::mouseMove(list->listView()->viewport(), onRow);
    QTest::mouseClick(list->listView()->viewport(), Qt::LeftButton, {}, onRow);
    QTest::mouseDClick(list->listView()->viewport(), Qt::LeftButton, {}, onRow);
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 1; }));
    EXPECT_EQ(opened().first().toLocalFile(), folder);
    EXPECT_EQ(ga.imageDoubleClickCount(), doubles);
    EXPECT_FALSE(items[1]->isSelect());
    // A file gone since the search: the sheet says so, nothing opens.
    ASSERT_TRUE(QFile::remove(items[2]->imagePath()));
    const QPoint onGone = similar::thumbnailPoint(list, 2);
    QTest::mouseClick(list->listView()->viewport(), Qt::LeftButton, {}, onGone);
    QTest::mouseDClick(list->listView()->viewport(), Qt::LeftButton, {}, onGone);
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    EXPECT_EQ(sheetText(), QStringLiteral("This file does not exist. It may be moved, renamed or deleted."));
    EXPECT_EQ(opened().size(), 1);
    ASSERT_TRUE(answerSheet(QStringLiteral("OK")));
    delete result;
}

TEST_F(ScanImagesViewsTest, TheMagnifierPreviewsOnePerWindowAndTheListsWatchEndsIt)
{
    DupImagePreview::setDecoderForTesting([](const QByteArray&, const QSize&) {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    });
    const ScanImagesGroupItemPtr g =
        group("Group 1", {image("/x/a1.jpg", 300), image("/x/a2.jpg", 100), image("/x/a3.jpg", 200)});
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    result->reloadListViewData({g});
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    GACollectionManager& ga = GACollectionManager::default_();
    const int64_t hovers = ga.imageHoverCount();
    auto loupeOf = [&](int row) {
        const QRect cell = view->visualRect(grid->model()->index(row, 0));
        const QRectF thumbnail = ScanImagesCollectionItem::thumbnailRect(QSizeF(60, 45), cell);
        return ScanImagesCollectionItem::loupeRect(thumbnail, cell).center().toPoint();
    };
    auto previews = [&] { return window->findChildren<DupImagePreviewView*>(Qt::FindDirectChildrenOnly); };

    // The tip first; on the magnifier the preview takes its place.
    grid->pointerMoved(similar::thumbnailPoint(grid, 0));
    ASSERT_NE(grid->tipsViewController(), nullptr);
    EXPECT_TRUE(grid->tipsViewController()->isVisible());
    EXPECT_TRUE(grid->tipsViewController()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(grid->tipsViewController()->focusPolicy(), Qt::NoFocus);
    grid->pointerMoved(loupeOf(0));
    ASSERT_TRUE(waitUntil([&] { return grid->preview()->previewView() && grid->preview()->previewView()->isVisible(); }));
    EXPECT_FALSE(grid->tipsViewController()->isVisible());
    EXPECT_EQ(ga.imageHoverCount(), hovers + 1);
    // Another cell's magnifier: still one preview in the window.
    grid->pointerMoved(loupeOf(1));
    ASSERT_TRUE(waitUntil([&] { return grid->preview()->isOpenPreview() && !grid->preview()->isDecoding(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(previews().size(), 1);
    EXPECT_EQ(ga.imageHoverCount(), hovers + 2);
    // A leave while the pointer still rests on the magnifier (as when
    // something shows over the grid) is judged by where the pointer is: the
    // preview stays, and does not flicker.
    QCursor::setPos(view->viewport()->mapToGlobal(loupeOf(1)));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view->viewport(), &leave);
    EXPECT_TRUE(grid->preview()->isOpenPreview());
    EXPECT_EQ(ga.imageHoverCount(), hovers + 2);
    // Back on the thumbnail: the preview goes, the tip returns.
    grid->pointerMoved(similar::thumbnailPoint(grid, 1));
    EXPECT_FALSE(grid->preview()->isOpenPreview());
    EXPECT_TRUE(grid->tipsViewController()->isVisible());
    grid->pointerMoved(QPoint(-1, -1));
    EXPECT_FALSE(grid->tipsViewController()->isVisible());
    EXPECT_EQ(grid->hoverRow(), -1);

    // The list: a watch on mouse moves runs while the preview is open and
    // closes it as soon as the pointer is off the magnifier, whatever
    // widget the move reaches.
    result->clickListMode();
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    QWidget* viewport = list->listView()->viewport();
    const QRect rowRect = list->listView()->visualRect(list->model()->index(0, 0));
    const QPoint spot = ScanImagesDetailListCellView::loupeRect(
                            ScanImagesDetailListCellView::thumbnailRect(QSizeF(60, 45), rowRect))
                            .center()
                            .toPoint();
    QCursor::setPos(viewport->mapToGlobal(spot));
    list->pointerMoved(spot);
    ASSERT_NE(list->monitor(), nullptr);
    EXPECT_TRUE(list->isOpenPreview());
    ASSERT_TRUE(waitUntil([&] { return list->preview()->previewView() && list->preview()->previewView()->isVisible(); }));
    QCursor::setPos(window->mapToGlobal(QPoint(2, 2)));
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), window->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    EXPECT_EQ(list->monitor(), nullptr);
    EXPECT_FALSE(list->isOpenPreview());
    EXPECT_FALSE(list->preview()->isOpenPreview());
    // A hidden list takes its watch and its preview with it.
    QCursor::setPos(viewport->mapToGlobal(spot));
    list->pointerMoved(spot);
    ASSERT_NE(list->monitor(), nullptr);
    result->clickCollectionMode();
    EXPECT_EQ(list->monitor(), nullptr);
    EXPECT_FALSE(list->preview()->isOpenPreview());
    DupImagePreview::setDecoderForTesting(nullptr);
    delete result;
}

TEST_F(ScanImagesViewsTest, TheSelectAllBoxStaysLightOnItsWhitePanelInTheDarkAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    result->reloadListViewData({group("Group 1", {image("/x/a1.jpg", 1), image("/x/a2.jpg", 1)})});
    RYTCheckBox* box = result->autoSelectAll();
    ASSERT_EQ(box->state(), RYTCheckBox::stateOff);
    const QImage drawn = box->grab().toImage();
    EXPECT_GT(drawn.pixelColor(8, drawn.height() / 2).lightness(), 200);
    RYTDarkMode::setForcedAppearance(-1);
    delete result;
}

// The preview draws its shadow itself, from pixmaps made once, so nothing
// beneath it renders through an effect; the shadow still shows around the
// image, a little to its right.
TEST_F(ScanImagesViewsTest, ThePreviewDrawsItsOwnShadowAroundTheImage)
{
    DupImagePreview::setDecoderForTesting([](const QByteArray&, const QSize&) {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    });
    auto* owner = new QWidget(window.get());
    DupImagePreview preview(owner);
    preview.previewImage(image("/x/one.jpg", 1));
    ASSERT_TRUE(waitUntil([&] { return preview.previewView() && preview.previewView()->isVisible(); }));
    DupImagePreviewView* view = preview.previewView();
    EXPECT_EQ(view->graphicsEffect(), nullptr);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        EXPECT_EQ(child->graphicsEffect(), nullptr) << child->objectName().toStdString();
    }
    QCoreApplication::processEvents();
    const QImage shot = window->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    const int y = qRound(window->height() / 2 * ratio);
    // The image: red, as wide as the window allows at its ratio.
    int left = -1;
    int right = -1;
    for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
            left = left < 0 ? x : left;
            right = x;
        }
    }
    ASSERT_GE(left, 0);
    const QSizeF expected = DupImagePreview::previewSize(QSizeF(400, 300), QSizeF(window->size()));
    EXPECT_NEAR((right - left + 1) / ratio, expected.width(), 2);
    // Beside it the shadow, darker than the window far from it; stronger on
    // the right, where it is cast.
    const auto lightness = [&](double logicalX) { return shot.pixelColor(qRound(logicalX * ratio), y).lightness(); };
    const double leftEdge = left / ratio;
    const double rightEdge = (right + 1) / ratio;
    const int far = lightness(2);
    EXPECT_LT(lightness(leftEdge - 6), far - 3);
    EXPECT_LT(lightness(rightEdge + 6), far - 3);
    EXPECT_LE(lightness(rightEdge + 6), lightness(leftEdge - 6));
    // Its corners are rounded: the very corner is not the image's, a little
    // further in along either edge it is.
    const QRect placed = view->imageGeometry();
    const auto red = [&](double logicalX, double logicalY) {
        const QColor c = shot.pixelColor(qRound(logicalX * ratio), qRound(logicalY * ratio));
        return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    for (const QPointF& corner : {QPointF(placed.left() + 0.5, placed.top() + 0.5),
                                  QPointF(placed.right() - 0.5, placed.bottom() - 0.5)}) {
        const double inward = corner.x() < placed.center().x() ? 1 : -1;
        EXPECT_FALSE(red(corner.x(), corner.y()));
        EXPECT_TRUE(red(corner.x() + inward * 10, corner.y()));
        EXPECT_TRUE(red(corner.x(), corner.y() + inward * 10));
    }
    DupImagePreview::setDecoderForTesting(nullptr);
}

// Thumbnails landing one by one repaint only the cells that show them (a
// repaint of the whole grid each time is what an open preview or a large
// window made slow); the cells still waiting keep their decodes and land in
// turn.
TEST_F(ScanImagesViewsTest, AThumbnailThatLandsRepaintsOnlyTheCellsShowingIt)
{
    ImageThumbnailLoader& loader = ImageThumbnailLoader::shared();
    loader.clear();
    std::atomic<int> tickets{0};
    std::atomic<int> decoded{0};
    loader.setDecoderForTesting([&](const QByteArray&, const QSize& pixels) {
        for (int t = tickets.load();; t = tickets.load()) {
            if (t > 0 && tickets.compare_exchange_weak(t, t - 1)) {
                break;
            }
            std::this_thread::yield();
        }
        QImage made(pixels, QImage::Format_RGB32);
        made.fill(Qt::blue);
        ++decoded;
        return made;
    });
    // However the test ends, no worker is left waiting on this frame's tickets.
    const auto release = qScopeGuard([&] {
        tickets = 1 << 20;
        loader.waitForIdle(10000);
        loader.setDecoderForTesting(nullptr);
        loader.clear();
    });
    QList<ScanImagesItemPtr> items;
    for (int i = 0; i < 6; ++i) {
        ScanImagesItemPtr item = image(QStringLiteral("/x/p%1.jpg").arg(i), 100);
        item->setThumImage(QImage());  // nothing from the engine: the loader draws every cell
        items.append(item);
    }
    auto* result = new ImagesScanResultViewController;
    window->layout()->addWidget(result);
    result->reloadListViewData({group("Group 1", items)});
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    ASSERT_TRUE(waitUntil([&] { return loader.pendingCount() == 6; }));
    QRegion cells;
    for (int row = 0; row < 6; ++row) {
        const QRect cell = view->visualRect(grid->model()->index(row, 0));
        ASSERT_TRUE(view->viewport()->rect().contains(cell));
        cells += cell;
    }

    struct PaintRecorder : QObject {
        QList<QRegion> painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                painted.append(static_cast<QPaintEvent*>(event)->region());
            }
            return false;
        }
    } recorder;
    // The window's first paints (the grid laid out, then painted whole) are
    // over before the landings begin.
    QTest::qWait(100);
    view->viewport()->installEventFilter(&recorder);
    for (int landed = 1; landed <= 6; ++landed) {
        const qsizetype paintsBefore = recorder.painted.size();
        ++tickets;
        ASSERT_TRUE(waitUntil([&] { return decoded.load() == landed && recorder.painted.size() > paintsBefore; }))
            << landed;
    }
    view->viewport()->removeEventFilter(&recorder);
    for (const QRegion& painted : std::as_const(recorder.painted)) {
        EXPECT_TRUE((painted - cells).isEmpty()) << painted.boundingRect().width() << " x "
                                                 << painted.boundingRect().height() << " of " << recorder.painted.size();
    }
    const QImage shot = view->viewport()->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    for (int row = 0; row < 6; ++row) {
        const QPoint at = similar::thumbnailPoint(grid, row);
        EXPECT_EQ(shot.pixelColor(qRound(at.x() * ratio), qRound(at.y() * ratio)), QColor(Qt::blue)) << row;
    }
}

// A thumbnail whose place falls between device pixels is drawn on the pixel
// grid at its own size: copied, its edges crisp, none of it resampled.
TEST(ScanImagesThumbnailPainting, AThumbnailLandsOnThePixelGridAtItsOwnSize)
{
    for (const qreal ratio : {1.0, 2.0}) {
        QImage thumb((QSizeF(140, 105) * ratio).toSize(), QImage::Format_RGB32);
        thumb.fill(QColor(200, 30, 30));
        QImage target((QSizeF(200, 160) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            painter.translate(0.35, 0.2);  // a cell's place need not be whole either
            ScanImagesCellPainting::drawThumbnail(&painter, QRectF(10.3, 7.7, 139.8, 105.1), thumb, 4);
        }
        // Across the middle row: only the page's white and the image's red.
        const int y = int(60 * ratio);
        int red = 0;
        for (int x = 0; x < target.width(); ++x) {
            const QColor shown = target.pixelColor(x, y);
            EXPECT_TRUE(shown == QColor(Qt::white) || shown == QColor(200, 30, 30))
                << "at " << x << " (ratio " << ratio << "): " << qPrintable(shown.name());
            red += shown == QColor(200, 30, 30) ? 1 : 0;
        }
        EXPECT_EQ(red, thumb.width()) << ratio;
    }
    // Off the grid by less than a device pixel each way; an image that does
    // not fill the place keeps the place's size.
    EXPECT_EQ(ScanImagesCellPainting::onPixelGrid(QRectF(10.3, 7.7, 139.8, 105.1), QSize(280, 210), 2.0),
              QRectF(10.5, 7.5, 140, 105));
    EXPECT_EQ(ScanImagesCellPainting::onPixelGrid(QRectF(10.3, 7.7, 100, 50), QSize(280, 210), 2.0),
              QRectF(10.5, 7.5, 100, 50));
}

// The worker cuts the corners of what the cells ask for with a radius, and
// such a thumbnail is drawn as it is: its corners show what lies beneath,
// its edges are crisp, its middle is the image.
TEST_F(ScanImagesViewsTest, ThumbnailsComeWithTheirCornersCutAndAreCopiedAsTheyAre)
{
    ImageThumbnailLoader loader(1, 1 << 22);
    loader.setDecoderForTesting([](const QByteArray&, const QSize& pixels) {
        QImage image(pixels, QImage::Format_RGB888);
        image.fill(QColor(200, 30, 30));
        return image;
    });
    int owner = 0;
    for (const qreal ratio : {1.0, 2.0}) {
        const QSize pixels = (QSizeF(140, 105) * ratio).toSize();
        const int corner = qRound(ScanImagesCellPainting::thumbnailCornerRadius * ratio);
        EXPECT_TRUE(loader.thumbnail("/x/a.jpg", pixels, &owner, corner).isNull());
        ASSERT_TRUE(loader.waitForIdle(5000));
        const QImage cut = loader.thumbnail("/x/a.jpg", pixels, &owner, corner);
        ASSERT_EQ(cut.size(), pixels);
        EXPECT_EQ(cut.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(cut.pixelColor(pixels.width() - 1, pixels.height() - 1).alpha(), 0);
        EXPECT_EQ(cut.pixelColor(pixels.width() / 2, pixels.height() / 2), QColor(200, 30, 30));
        EXPECT_EQ(cut.pixelColor(0, pixels.height() / 2), QColor(200, 30, 30));
        // Asked for without a radius, it is a thumbnail of its own, whole.
        EXPECT_TRUE(loader.thumbnail("/x/a.jpg", pixels, &owner).isNull());
        ASSERT_TRUE(loader.waitForIdle(5000));
        EXPECT_EQ(loader.thumbnail("/x/a.jpg", pixels, &owner).pixelColor(0, 0), QColor(200, 30, 30));

        QImage target((QSizeF(200, 160) * ratio).toSize(), QImage::Format_RGB32);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            ScanImagesCellPainting::drawThumbnail(&painter, QRectF(10.3, 7.7, 140, 105), cut,
                                                  ScanImagesCellPainting::thumbnailCornerRadius);
        }
        const QRectF placed = ScanImagesCellPainting::onPixelGrid(QRectF(10.3, 7.7, 140, 105), cut.size(), ratio);
        const QPoint corner0 = (placed.topLeft() * ratio).toPoint();
        EXPECT_EQ(target.pixelColor(corner0), QColor(Qt::white)) << ratio;
        EXPECT_EQ(target.pixelColor(corner0 + QPoint(pixels.width() / 2, pixels.height() / 2)), QColor(200, 30, 30));
        EXPECT_EQ(target.pixelColor(corner0 + QPoint(0, pixels.height() / 2)), QColor(200, 30, 30)) << ratio;
        EXPECT_EQ(target.pixelColor(corner0 + QPoint(-1, pixels.height() / 2)), QColor(Qt::white)) << ratio;
    }
}

namespace {

// A widget that counts its paints.
class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

}  // namespace

// What lies under the open preview's image is not painted at all: a repaint
// there costs only the image's copy, however large the window; beside the
// image it is painted as ever, and once the preview closes, everywhere.
TEST_F(ScanImagesViewsTest, WhatLiesUnderThePreviewsImageIsNotPainted)
{
    DupImagePreview::setDecoderForTesting([](const QByteArray&, const QSize&) {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    });
    const auto restore = qScopeGuard([] { DupImagePreview::setDecoderForTesting(nullptr); });
    auto* beneath = new PaintCounter(window.get());
    beneath->setGeometry(window->rect());
    beneath->show();
    DupImagePreview preview(beneath);
    preview.previewImage(image("/x/one.jpg", 1));
    ASSERT_TRUE(waitUntil([&] { return preview.previewView() && preview.previewView()->isVisible(); }));
    DupImagePreviewView* view = preview.previewView();
    QCoreApplication::processEvents();
    ASSERT_TRUE(view->plate() && view->plate()->isVisible());
    EXPECT_EQ(view->plate()->parentWidget(), view->parentWidget());
    const QRect middle = view->imageGeometry().adjusted(40, 40, -40, -40);
    ASSERT_FALSE(middle.isEmpty());
    const auto paintsAfter = [&](const QRect& dirty) {
        QCoreApplication::processEvents();
        beneath->paints = 0;
        beneath->update(QRect(beneath->mapFrom(window.get(), dirty.topLeft()), dirty.size()));
        QCoreApplication::processEvents();
        return beneath->paints;
    };
    EXPECT_EQ(paintsAfter(middle), 0);
    EXPECT_EQ(paintsAfter(QRect(2, 2, 10, 10)), 1);
    // The image still shows there, red.
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.pixelColor((QPointF(middle.center()) * shot.devicePixelRatio()).toPoint()), QColor(Qt::red));

    preview.closePreviewWindow();
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->plate() && view->plate()->isVisible());
    EXPECT_EQ(paintsAfter(middle), 1);
}

// A thumbnail still being decoded when the program ends is finished before
// the application object goes: a worker left painting while the libraries
// tear themselves down crashed the program's end.
TEST(ImageThumbnailLoaderDeathTest, TheApplicationsEndWaitsForTheDecodesRunning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ImageThumbnailLoader& loader = ImageThumbnailLoader::shared();
            static std::atomic<bool> started{false};
            loader.setDecoderForTesting([](const QByteArray&, const QSize& pixels) {
                started = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                QImage made(pixels, QImage::Format_ARGB32_Premultiplied);
                made.fill(Qt::blue);
                std::fputs("decode finished\n", stderr);
                return made;
            });
            const int owner = 0;
            (void)loader.thumbnail("/x/slow.jpg", QSize(64, 64), &owner, 4);
            while (!started.load()) {
                std::this_thread::yield();
            }
            QCoreApplication::instance()->~QCoreApplication();
            std::fputs("application gone\n", stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "decode finished.*application gone");
}
