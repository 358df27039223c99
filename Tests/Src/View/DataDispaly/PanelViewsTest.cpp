// The small views of the panels: the click-reporting table, the split
// view's divider, the outline's background, the outline row view and the
// outline's row index.

#include "TestSupport.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineRowView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLSplitView.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RowCountModel.h"

#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QSplitterHandle>
#include <QStandardItemModel>
#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>
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

TEST(KPLSplitViewTest, EveryDividerIsOutlinedOnAllFourSidesAndWhiteWithinWhicheverWayThePanesLie)
{
    const QColor line = RYTDarkMode::colorNamed(QStringLiteral("ScanViewLineViewColor"), false);
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        KPLSplitView split(orientation);
        split.addWidget(new QWidget);
        split.addWidget(new QWidget);
        split.setDividerHeight(13);
        // The divider's own rectangle: 13 across the way the panes are split.
        const QSize size = orientation == Qt::Vertical ? QSize(120, 13) : QSize(13, 120);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            split.drawDivider(&painter, image.rect());
        }
        const int w = size.width();
        const int h = size.height();
        for (const QPoint edge : {QPoint(w / 4, 0), QPoint(w / 4, h - 1), QPoint(0, h / 4), QPoint(w - 1, h / 4)}) {
            EXPECT_EQ(image.pixelColor(edge), line) << orientation << " " << edge.x() << "," << edge.y();
        }
        EXPECT_EQ(image.pixelColor(w / 4 + 1, h / 4 + 1), QColor(Qt::white)) << orientation;
    }

    // One point thick, the outline is all there is: a line.
    KPLSplitView thin(Qt::Horizontal);
    QImage image(1, 50, QImage::Format_ARGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        thin.drawDivider(&painter, image.rect());
    }
    EXPECT_EQ(image.pixelColor(0, 25), line);
}

TEST(KPLSplitViewTest, TheShownDividersPaintTheirLineAndBarWhereTheyLie)
{
    // Painted by the split view itself, on screen: Qt widens a thin divider
    // for the mouse and shows only its middle, where the line must be.
    const QColor line = RYTDarkMode::colorNamed(QStringLiteral("ScanViewLineViewColor"), false);
    for (const double thickness : {1.0, 13.0}) {
        KPLSplitView split(Qt::Horizontal);
        auto* left = new QWidget;
        auto* right = new QWidget;
        for (QWidget* pane : {left, right}) {
            pane->setAutoFillBackground(true);
            QPalette palette = pane->palette();
            palette.setColor(QPalette::Window, Qt::black);
            pane->setPalette(palette);
            split.addWidget(pane);
        }
        split.setDividerHeight(thickness);
        split.resize(200, 60);
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
        const QImage shot = split.grab().toImage();
        // The divider lies between the panes' own rectangles.
        const int first = left->geometry().right() + 1;
        const int last = right->geometry().left() - 1;
        ASSERT_EQ(last - first + 1, int(thickness));
        EXPECT_EQ(shot.pixelColor(first, 30), line) << thickness;
        EXPECT_EQ(shot.pixelColor(last, 30), line) << thickness;
        if (thickness > 2) {
            EXPECT_EQ(shot.pixelColor(first + 1, 5), QColor(Qt::white));
        }
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

// ---------------------------------------------------------------------------
// The outline's rows: groups, and under each open group its files.

DuplicateFilesPtr groupOf(int files, const QString& name)
{
    QList<FileInfoPtr> infos;
    for (int f = 0; f < files; ++f) {
        ResourceValueURL url;
        url.path = QStringLiteral("/outline/%1/copy%2").arg(name).arg(f).toUtf8();
        infos.append(std::make_shared<FileInfo>(std::move(url)));
    }
    auto group = std::make_shared<DuplicateFiles>();
    group->setInfos(infos);
    return group;
}

// Checks every row of the model against the rows written out by hand: a
// group row, then its files when it is open (at its first place only).
void expectRows(const RightDataListOutlineModel& model, const DuplicateFilesList& groups)
{
    int row = 0;
    QSet<const DuplicateFiles*> seen;
    for (const DuplicateFilesPtr& group : groups) {
        const QModelIndex at = model.index(row, 0);
        ASSERT_EQ(model.groupAt(at), group) << "row " << row;
        EXPECT_EQ(model.fileAt(at), nullptr);
        EXPECT_EQ(model.parentGroup(at), group);
        ++row;
        const bool first = !seen.contains(group.get());
        seen.insert(group.get());
        if (!first) {
            continue;
        }
        EXPECT_EQ(model.indexOfGroup(group.get()).row(), row - 1);
        if (!model.isExpanded(group.get())) {
            EXPECT_FALSE(model.fileIndex(group.get(), 0).isValid());
            continue;
        }
        for (int f = 0; f < group->fileCount(); ++f, ++row) {
            const QModelIndex file = model.index(row, 0);
            ASSERT_EQ(model.fileAt(file), group->infos()[f]) << "row " << row;
            EXPECT_EQ(model.groupAt(file), nullptr);
            EXPECT_EQ(model.parentGroup(file), group);
            EXPECT_EQ(model.fileIndex(group.get(), f).row(), row);
            EXPECT_EQ(model.indexOfFile(group.get(), group->infos()[f].get()).row(), row);
        }
        EXPECT_FALSE(model.fileIndex(group.get(), group->fileCount()).isValid());
    }
    EXPECT_EQ(model.rowCount(), row);
    EXPECT_FALSE(model.groupAt(model.index(row, 0)));
}

// Groups opened and closed in any order and new groups put in between keep
// every row pointing at its item, with the changes announced as the views
// expect them.
TEST(RightDataListOutlineModelTest, RowsFollowOpenGroupsAndInsertedGroups)
{
    RightDataListOutlineModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    DuplicateFilesList groups;
    for (int g = 0; g < 37; ++g) {
        groups.append(groupOf(2 + g % 3, QStringLiteral("g%1").arg(g)));
    }
    model.setGroups(groups);
    expectRows(model, groups);

    for (int g : {0, 36, 17, 5, 6, 30}) {
        EXPECT_TRUE(model.expand(groups[g].get()));
        expectRows(model, groups);
    }
    EXPECT_FALSE(model.expand(groups[5].get()));
    EXPECT_EQ(model.expandedCount(), 6);
    EXPECT_TRUE(model.collapse(groups[6].get()));
    EXPECT_FALSE(model.collapse(groups[6].get()));
    expectRows(model, groups);

    // Groups before, between and after the open ones: only rows are
    // inserted, and each new group comes in closed.
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    DuplicateFilesList grown = groups;
    grown.insert(0, groupOf(2, QStringLiteral("new0")));
    grown.insert(7, groupOf(3, QStringLiteral("new7")));
    grown.insert(8, groupOf(2, QStringLiteral("new8")));
    grown.append(groupOf(4, QStringLiteral("last")));
    EXPECT_TRUE(model.setGroups(grown));
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserts.count(), 3);
    expectRows(model, grown);
    EXPECT_TRUE(model.isExpanded(groups[36].get()));
    EXPECT_FALSE(model.isExpanded(grown[7].get()));
    EXPECT_TRUE(model.expand(grown[7].get()));
    expectRows(model, grown);
    // One group in the middle, after the open ones before it.
    grown.insert(20, groupOf(3, QStringLiteral("middle")));
    EXPECT_TRUE(model.setGroups(grown));
    EXPECT_EQ(inserts.count(), 5);  // the opened group inserted its files too
    expectRows(model, grown);
    EXPECT_EQ(model.groups(), grown);

    // Another order resets; the groups it still holds stay open, the
    // dropped ones are forgotten.
    DuplicateFilesList other(grown.rbegin(), grown.rend());
    other.removeOne(groups[17]);
    EXPECT_FALSE(model.setGroups(other));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_TRUE(model.isExpanded(groups[0].get()));
    EXPECT_FALSE(model.isExpanded(groups[17].get()));
    expectRows(model, other);

    model.expandAll();
    EXPECT_EQ(model.expandedCount(), other.size());
    expectRows(model, other);
    model.collapseAll();
    EXPECT_EQ(model.rowCount(), other.size());
    expectRows(model, other);
}

// A removal leaves a group in place with fewer files. Rows for the files it
// had would point past its list: the next list rebuilds the rows, even when
// it holds the very same groups.
TEST(RightDataListOutlineModelTest, AnOpenGroupThatLostFilesShowsOnlyTheFilesItHasNow)
{
    RightDataListOutlineModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const DuplicateFilesList groups = {groupOf(4, QStringLiteral("a")), groupOf(3, QStringLiteral("b")),
                                       groupOf(2, QStringLiteral("c"))};
    model.setGroups(groups);
    model.expand(groups[0].get());
    model.expand(groups[1].get());
    ASSERT_EQ(model.rowCount(), 3 + 4 + 3);

    // Until the next list the rows stay as announced, and a row past the
    // group's files holds nothing.
    QList<FileInfoPtr> kept = groups[0]->infos().mid(0, 2);
    groups[0]->setInfos(kept);
    EXPECT_EQ(model.rowCount(), 10);
    EXPECT_EQ(model.fileAt(model.index(4, 0)), nullptr);
    EXPECT_EQ(model.data(model.index(4, 0)), QVariant());

    EXPECT_FALSE(model.setGroups(groups));
    EXPECT_TRUE(model.isExpanded(groups[0].get()));
    expectRows(model, groups);
    EXPECT_EQ(model.rowCount(), 3 + 2 + 3);
}

// The same group object twice in a list opens at its first place only.
TEST(RightDataListOutlineModelTest, AGroupListedTwiceOpensAtItsFirstPlace)
{
    RightDataListOutlineModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const DuplicateFilesPtr twice = groupOf(3, QStringLiteral("twice"));
    const DuplicateFilesList groups = {groupOf(2, QStringLiteral("a")), twice, groupOf(2, QStringLiteral("b")), twice};
    model.setGroups(groups);
    EXPECT_TRUE(model.expand(twice.get()));
    EXPECT_EQ(model.rowCount(), 4 + 3);
    expectRows(model, groups);
    model.expandAll();
    EXPECT_EQ(model.rowCount(), 4 + 2 + 3 + 2);
    expectRows(model, groups);
    EXPECT_TRUE(model.collapse(twice.get()));
    expectRows(model, groups);
}

}  // namespace
