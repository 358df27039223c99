// The small views of the panels: the click-reporting table, the split
// view's divider, the outline's background and the outline row view.

#include "TestSupport.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineRowView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLSplitView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RowCountModel.h"

#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QSplitterHandle>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include "QVLibrary/RYTableRowViewHost.h"

#include <gtest/gtest.h>

namespace {

class ClickRecorder : public KPLTableViewDelegate {
public:
    QList<QPair<int, int>> clicks;  // (row, selected row when reported)
    void KPLTableViewClickRow(KPLTableView* table, int row) override { clicks.append({row, table->selectedRow()}); }
};

TEST(KPLTableViewTest, AClickIsReportedAfterTheSelectionAndOnlyOnARow)
{
    KPLTableView table;
    int rows = 3;
    RowCountModel model([&] { return rows; });
    table.setModel(&model);
    table.verticalHeader()->setDefaultSectionSize(30);
    table.resize(200, 200);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    // Without a delegate it is a plain table.
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(50, 45));
    EXPECT_EQ(table.selectedRow(), 1);

    ClickRecorder recorder;
    table.setKplDelegate(&recorder);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(50, 150));
    EXPECT_EQ(recorder.clicks, (QList<QPair<int, int>>{{0, 0}}));
    table.setKplDelegate(nullptr);
}

TEST(KPLSplitViewTest, AStackedDividerIsAWhiteBarWithACentredGrip)
{
    KPLSplitView split(Qt::Vertical);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    EXPECT_EQ(split.dividerThickness(), 1);
    split.setDividerHeight(13);
    EXPECT_EQ(split.dividerThickness(), 13);
    EXPECT_EQ(split.handleWidth(), 13);

    QImage image(120, 13, QImage::Format_ARGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        split.drawDivider(&painter, image.rect());
    }
    EXPECT_EQ(image.pixelColor(5, 6), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(5, 0), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(5, 12), QColor(Qt::black));
    // The grip's lines lie in the middle 12 points, not at the edges.
    bool gripInMiddle = false;
    for (int y = 1; y < 12; ++y) {
        gripInMiddle = gripInMiddle || image.pixelColor(60, y) != QColor(Qt::white);
    }
    EXPECT_TRUE(gripInMiddle);
    for (int y = 1; y < 12; ++y) {
        EXPECT_EQ(image.pixelColor(40, y), QColor(Qt::white)) << y;
    }
}

TEST(KPLOutlineViewTest, TheFillColourWinsOverTheGradientAndBothOverTheBackground)
{
    KPLOutlineView outline;
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("group")));
    outline.setModel(&model);
    EXPECT_EQ(outline.viewport()->palette().brush(QPalette::Base).color(), outline.backgroundColor());
    outline.setFillGradient(QGradientStops{{0.0, Qt::red}, {1.0, Qt::blue}});
    EXPECT_EQ(outline.viewport()->palette().brush(QPalette::Base).style(), Qt::LinearGradientPattern);
    outline.setFillColor(QColor(Qt::green));
    EXPECT_EQ(outline.viewport()->palette().brush(QPalette::Base).color(), QColor(Qt::green));
    EXPECT_TRUE(outline.frameOfOutlineCellAtRow(0).isEmpty());
    outline.resize(300, 200);
    EXPECT_EQ(outline.frameOfCell(model.index(0, 0)).left(), 0);
    EXPECT_EQ(outline.frameOfCell(model.index(0, 0)).width(), outline.viewport()->width());
}

QImage paintRow(KPLOutlineRowView& row, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    row.drawSelectionInRect(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

TEST(KPLOutlineRowViewTest, TheSelectionHonoursItsStyleAndInsetsInEitherDirection)
{
    KPLOutlineRowView row;
    row.setHighlightColor(QColor(Qt::blue));
    row.setHighlightEdgeInsets(QMarginsF(26, 1, 4, 1));
    const QImage plain = paintRow(row, QSize(100, 34));
    EXPECT_EQ(plain.pixelColor(27, 17), QColor(Qt::blue));
    EXPECT_EQ(plain.pixelColor(25, 17), QColor(Qt::white));
    EXPECT_EQ(plain.pixelColor(95, 17), QColor(Qt::blue));
    EXPECT_EQ(plain.pixelColor(97, 17), QColor(Qt::white));
    EXPECT_EQ(row.selectionRect(QRectF(0, 0, 100, 34)), QRectF(26, 1, 70, 32));

    row.setSelectionHighlightStyle(KPLOutlineRowView::SelectionHighlightStyle::none);
    const QImage none = paintRow(row, QSize(100, 34));
    EXPECT_EQ(none.pixelColor(50, 17), QColor(Qt::white));

    // Without a colour and a gradient the selection is red.
    row.setSelectionHighlightStyle(KPLOutlineRowView::SelectionHighlightStyle::regular);
    row.setHighlightColor(std::nullopt);
    EXPECT_EQ(paintRow(row, QSize(100, 34)).pixelColor(50, 17), QColor(Qt::red));
}

TEST(KPLOutlineRowViewTest, RightToLeftListsSwapTheInsets)
{
    QTreeView tree;
    tree.setLayoutDirection(Qt::RightToLeft);
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("row")));
    tree.setModel(&model);
    class Maker : public RYTableRowViewDelegate {
    public:
        RYTableRowView* rowViewForRow(RYTableRowViewHost*, int row) override
        {
            auto* view = new KPLOutlineRowView;
            view->setRow(row);
            view->setHighlightEdgeInsets(QMarginsF(26, 1, 4, 1));
            made = view;
            return view;
        }
        KPLOutlineRowView* made = nullptr;
    } maker;
    auto* host = new RYTableRowViewHost(&tree, &maker);
    tree.resize(200, 100);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    ASSERT_NE(host->rowViewAtRow(0, true), nullptr);
    ASSERT_NE(maker.made, nullptr);
    EXPECT_EQ(maker.made->selectionRect(QRectF(0, 0, 100, 34)), QRectF(4, 1, 70, 32));
    host->setDelegate(nullptr);
}

}  // namespace
