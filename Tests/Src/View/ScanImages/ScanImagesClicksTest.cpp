// Where clicks land on the similar-image screens: a group row's box takes
// the click where it is painted, in every state of the list; each thumbnail
// keeps its own clicks; hover follows the pointer; only the left button
// chooses a group.
#include "ScanImagesScreenSupport.h"

#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/ScanImagesViewController/DupImageTipsViewController.h"
#include "View/ScanImagesViewController/DupImageView.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionItem.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesListCellView.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesSelection.h"

#include <QFile>
#include <QLayout>
#include <QListView>
#include <QWheelEvent>
#include <QScrollBar>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

// The box of `row` as the list painted it, found in a grab of the viewport:
// the square filled with the accent in the row's band (a pixel counts when
// it and its eight neighbours have the accent, so no scattered pixel of a
// cover does). Empty when no such square shows.
QRect paintedBox(QListView* list, int row)
{
    const QImage shot = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    const QColor accent = RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), false);
    const auto isAccent = [&](int x, int y) {
        const QColor c = shot.pixelColor(x, y);
        return std::abs(c.red() - accent.red()) < 8 && std::abs(c.green() - accent.green()) < 8 &&
               std::abs(c.blue() - accent.blue()) < 8;
    };
    const QRect band = list->visualRect(list->model()->index(row, 0));
    const int top = std::max(1, qRound(band.top() * ratio));
    const int bottom = std::min(shot.height() - 1, qRound((band.bottom() + 1) * ratio)) - 1;
    QRect found;
    for (int y = top; y < bottom; ++y) {
        for (int x = 1; x + 1 < shot.width(); ++x) {
            bool filled = true;
            for (int dy = -1; dy <= 1 && filled; ++dy) {
                for (int dx = -1; dx <= 1 && filled; ++dx) {
                    filled = isAccent(x + dx, y + dy);
                }
            }
            if (filled) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    if (found.isEmpty()) {
        return {};
    }
    const QRectF logical(found.left() / ratio, found.top() / ratio, found.width() / ratio, found.height() / ratio);
    return logical.toAlignedRect();
}

}  // namespace

using ScanImagesClicksTest = ScanImagesScreenTest;

// The box of a selected group is accent-filled: a click on its painted
// centre clears the group and leaves the shown group as it was; the next one
// selects it again.
TEST_F(ScanImagesClicksTest, AGroupBoxTakesTheClickWhereItIsPaintedInEveryStateOfTheList)
{
    const QString folder = makeImages(10, 1);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    ASSERT_GE(result->dupImagesArray().size(), 9);

    auto clickPaintedBox = [&](const char* state, int row) {
        SCOPED_TRACE(state);
        QListView* list = result->listView();
        const ScanImagesGroupList shown = result->displayImageArray();
        ASSERT_LT(row, shown.size());
        const ScanImagesGroupItemPtr group = shown.at(row);
        ScanImagesSelection::setAll(*group, true);
        result->changeAutoSelectBoxState();
        list->viewport()->update();
        QCoreApplication::processEvents();
        const QRect box = paintedBox(list, row);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_NEAR(box.width(), 14, 4);
        EXPECT_NEAR(box.height(), 14, 4);
        const int current = result->selectIndex();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
        EXPECT_EQ(ScanImagesSelection::stateOf(*group), 0);
        EXPECT_EQ(result->selectIndex(), current);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
        EXPECT_EQ(ScanImagesSelection::stateOf(*group), 1);
        ScanImagesSelection::setAll(*group, false);
        result->changeAutoSelectBoxState();
    };

    // A fresh result with more groups than fit: the scroll bar shows.
    ASSERT_TRUE(waitUntil([&] { return result->listView()->verticalScrollBar()->isVisible(); }));
    clickPaintedBox("scroll bar shown", 1);
    result->listView()->verticalScrollBar()->setValue(result->listView()->verticalScrollBar()->maximum());
    clickPaintedBox("scrolled to the end", int(result->displayImageArray().size()) - 1);

    // Two groups on "Selected": no scroll bar.
    for (int i : {0, 3}) {
        ScanImagesSelection::setAll(*result->dupImagesArray().at(i), true);
    }
    result->changeAutoSelectBoxState();
    QTest::mouseClick(result->selectedSelectView(), Qt::LeftButton);
    ASSERT_EQ(result->displayImageArray().size(), 2);
    ASSERT_TRUE(waitUntil([&] { return !result->listView()->verticalScrollBar()->isVisible(); }));
    clickPaintedBox("scroll bar hidden", 1);

    // Back on "All", where the scroll bar comes back.
    QTest::mouseClick(result->allSelectView(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return result->listView()->verticalScrollBar()->isVisible(); }));
    clickPaintedBox("Selected, then All", 2);

    // Right to left: the row is mirrored, its box with it.
    window->setLayoutDirection(Qt::RightToLeft);
    QCoreApplication::processEvents();
    clickPaintedBox("right to left", 0);
    window->setLayoutDirection(Qt::LeftToRight);

    // The new result view after a removal.
    ScanImagesSelection::setAll(*result->dupImagesArray().at(0), true);
    result->changeAutoSelectBoxState();
    removeAndFinish();
    ASSERT_EQ(screen->scanState(), 8u);
    result = screen->imageResultViewCtr();
    ASSERT_TRUE(waitUntil([&] { return result->listView()->verticalScrollBar()->isVisible(); }));
    clickPaintedBox("after a removal", 0);
    clickPaintedBox("after a removal, lower", 4);
}

// A click on a thumbnail, a switch of group and a click on a thumbnail of
// the new group, all within the double-click interval: two single clicks,
// each selecting its own image; in the list mode as in the grid.
TEST_F(ScanImagesClicksTest, ClicksInTwoGroupsWithinTheIntervalEachSelectTheirOwnImage)
{
    const QString folder = makeImages(3, 1);
    scan({folder});
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    const ScanImagesGroupList groups = result->dupImagesArray();
    ASSERT_GE(groups.size(), 3);
    // Long enough for the three clicks to fall inside it on a busy machine.
    DupImageView::setDoubleClickIntervalForTesting(1500);
    QListView* list = result->listView();
    auto chooseGroup = [&](int row) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 120, rect.center().y()));
        ASSERT_EQ(result->selectIndex(), row);
    };

    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    similar::clickIn(grid->collectionView(), similar::thumbnailPoint(grid, 0));
    chooseGroup(1);
    similar::clickIn(grid->collectionView(), similar::thumbnailPoint(grid, 0));
    EXPECT_TRUE(waitUntil([&] {
        return groups[0]->dupImageItems().at(0)->isSelect() && groups[1]->dupImageItems().at(0)->isSelect();
    }));
    EXPECT_EQ(ScanImagesSelection::stateOf(*groups[0]), -1);
    EXPECT_EQ(screen->selectImagesNum(), 2);
    EXPECT_TRUE(opened().isEmpty());

    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    ScanImagesListViewController* rows = result->scanimagesListViewCtr();
    similar::clickIn(rows->listView(), similar::thumbnailPoint(rows, 1));
    chooseGroup(2);
    similar::clickIn(rows->listView(), similar::thumbnailPoint(rows, 1));
    EXPECT_TRUE(waitUntil([&] {
        return groups[1]->dupImageItems().at(1)->isSelect() && groups[2]->dupImageItems().at(1)->isSelect();
    }));
    EXPECT_EQ(screen->selectImagesNum(), 4);
    EXPECT_TRUE(opened().isEmpty());
}

// The live grid: a press on a second image within the interval leaves the
// first one's single click standing: both open.
TEST_F(ScanImagesClicksTest, TheLiveGridOpensEveryImageClickedOnceEvenInQuickSuccession)
{
    const QString folder = makeImages(1, 2);
    scan({folder});
    const ScanImagesGroupList groups = ScanImagesManager::shared().dupImages();
    ASSERT_FALSE(groups.isEmpty());
    auto* scanning = new ImagesScanningViewController;
    window->layout()->addWidget(scanning);
    scanning->reloadCollctionView(groups);
    ImageGridView* grid = scanning->collectionView();
    ASSERT_TRUE(waitUntil([&] { return grid->isVisible() && grid->visualRect(grid->model()->index(1, 0, grid->model()->index(0, 0))).isValid(); }));
    DupImageView::setDoubleClickIntervalForTesting(1500);
    // The clicks come from a running event loop, as in the program, where
    // anything put off until the loop's next turn happens at once.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        for (int item : {0, 1}) {
            const QRect cell = grid->visualRect(grid->model()->index(item, 0, grid->model()->index(0, 0)));
            similar::clickIn(grid, cell.center());
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (opened().size() >= 2) {
            loop.quit();
        }
    });
    poll.start(10);
    // Only a guard against a hang: the first hand-over also reads the
    // desktop's file types, which takes seconds under a sanitizer.
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(opened().size(), 2);
    EXPECT_NE(opened().at(0), opened().at(1));
    const QByteArray first = groups[0]->dupImageItems().at(0)->rawPath();
    const QByteArray second = groups[0]->dupImageItems().at(1)->rawPath();
    EXPECT_EQ(QFile::encodeName(opened().at(0).toLocalFile()), first);
    EXPECT_EQ(QFile::encodeName(opened().at(1).toLocalFile()), second);
    delete scanning;
}

// The wheel scrolls other images under a pointer at rest: the hover and the
// name-and-path tip follow to the image now under it.
TEST_F(ScanImagesClicksTest, AfterAWheelScrollTheHoverAndTheTipFollowThePointer)
{
    const QString folder = makeImages(1, 6);
    scan({folder});
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ImageGridView* view = grid->collectionView();
    const ScanImagesGroupItemPtr shown = grid->dupImagesGroup();
    ASSERT_GE(shown->dupImageItems().size(), 6);
    // Large cells, so the group does not fit.
    grid->changeCollctionItemSize(5);
    ASSERT_TRUE(waitUntil([&] { return view->verticalScrollBar()->maximum() > 0; }));
    const QPoint point = similar::thumbnailPoint(grid, 0);
    QCursor::setPos(view->viewport()->mapToGlobal(point));
    QTest::mouseMove(view->viewport(), point);
    ASSERT_EQ(grid->hoverRow(), 0);
    ASSERT_NE(grid->tipsViewController(), nullptr);
    ASSERT_TRUE(grid->tipsViewController()->isShown());
    EXPECT_EQ(grid->tipsViewController()->dupImageItem(), shown->dupImageItems().at(0));

    QWheelEvent wheel(QPointF(point), QPointF(view->viewport()->mapToGlobal(point)), QPoint(), QPoint(0, -360),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &wheel);
    ASSERT_GT(view->verticalScrollBar()->value(), 0);
    const QModelIndex under = view->indexAt(point);
    const int expected = under.isValid() &&
                                 grid->itemDelegate()->hitTest(under, view->visualRect(under), point) != ScanImagesImageCell::Part::none
                             ? under.row()
                             : -1;
    ASSERT_NE(expected, 0);
    EXPECT_EQ(grid->hoverRow(), expected);
    if (expected >= 0) {
        ASSERT_TRUE(grid->tipsViewController()->isShown());
        EXPECT_EQ(grid->tipsViewController()->dupImageItem(), shown->dupImageItems().at(expected));
    } else {
        EXPECT_FALSE(grid->tipsViewController()->isShown());
    }
}

// Only the left button chooses a group; a right click on another row leaves
// the group shown.
TEST_F(ScanImagesClicksTest, OnlyTheLeftButtonChoosesAGroup)
{
    const QString folder = makeImages(2, 1);
    scan({folder});
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    const ScanImagesGroupList groups = result->dupImagesArray();
    ASSERT_GE(groups.size(), 2);
    QListView* list = result->listView();
    const QRect rect = list->visualRect(list->model()->index(1, 0));
    const QPoint onRow(rect.left() + 120, rect.center().y());
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(list->viewport(), button, {}, onRow);
        EXPECT_EQ(result->selectIndex(), 0);
        EXPECT_EQ(result->scanImagesViewCtr()->dupImagesGroup(), groups[0]);
    }
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onRow);
    EXPECT_EQ(result->selectIndex(), 1);
    EXPECT_EQ(result->scanImagesViewCtr()->dupImagesGroup(), groups[1]);
}
