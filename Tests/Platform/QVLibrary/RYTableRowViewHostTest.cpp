#include "QVLibrary/RYTableRowView.h"
#include "QVLibrary/RYTableRowViewHost.h"
#include "QVLibrary/RYTableView.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

// Rows that only know their number, so a list can be long for free.
class CountModel : public QAbstractTableModel {
public:
    explicit CountModel(int rows)
        : rows_(rows)
    {
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(index.row()) : QVariant();
    }
    void setRows(int rows)
    {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

private:
    int rows_;
};

// A row view that fills itself with one colour and logs what it hears.
class LoggingRowView : public RYTableRowView {
public:
    QColor fill = QColor(0, 160, 0);
    QList<QString>* log = nullptr;

    void drawBackgroundInRect(QPainter* painter, const QRectF&) override { painter->fillRect(bounds(), fill); }
    void drawSelectionInRect(QPainter* painter, const QRectF&) override
    {
        painter->fillRect(bounds(), QColor(0, 0, 200));
    }
    void setSelected(bool selected) override
    {
        RYTableRowView::setSelected(selected);
        note(QStringLiteral("selected %1 %2").arg(row()).arg(selected));
    }
    void mouseEntered(QMouseEvent*) override { note(QStringLiteral("entered %1").arg(row())); }
    void mouseExited(QMouseEvent*) override { note(QStringLiteral("exited %1").arg(row())); }

private:
    void note(const QString& line)
    {
        if (log) {
            log->append(line);
        }
    }
};

class Supplier : public RYTableRowViewDelegate {
public:
    QList<QString> log;
    int asked = 0;

    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override
    {
        ++asked;
        auto* view = static_cast<LoggingRowView*>(host->makeRowView(QStringLiteral("plain")));
        if (!view) {
            view = new LoggingRowView;
            view->setIdentifier(QStringLiteral("plain"));
            view->log = &log;
        }
        view->setRow(row);
        return view;
    }
};

void moveMouse(QWidget* viewport, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

void leave(QWidget* viewport)
{
    QEvent leaveEvent(QEvent::Leave);
    QCoreApplication::sendEvent(viewport, &leaveEvent);
}

struct LongTable {
    CountModel model{100000};
    RYTableView table;
    Supplier supplier;
    RYTableRowViewHost* host = nullptr;

    LongTable()
    {
        table.setModel(&model);
        table.verticalHeader()->hide();
        table.horizontalHeader()->hide();
        table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table.verticalHeader()->setDefaultSectionSize(20);
        table.setSelectionBehavior(QAbstractItemView::SelectRows);
        table.setShowGrid(false);
        table.resize(300, 200);
        host = new RYTableRowViewHost(&table, &supplier);
        table.show();
    }
};

TEST(RYTableRowViewHostTest, LongTableMakesOnlyTheRowViewsItShowsAndReusesThemWhileScrolling)
{
    LongTable t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.table));
    t.host->layoutRowViews();
    const int shown = t.host->placedRowViewCount();
    EXPECT_GE(shown, 9);
    EXPECT_LE(shown, 11);
    EXPECT_EQ(t.host->rowViewsMade(), shown);
    EXPECT_EQ(RYTableRowViewHost::hostOf(&t.table), t.host);

    QScrollBar* bar = t.table.verticalScrollBar();
    for (int step = 0; step < 50; ++step) {
        bar->setValue(bar->value() + bar->pageStep());
        t.table.viewport()->grab();
    }
    bar->setValue(bar->maximum());
    t.table.viewport()->grab();
    bar->setValue(bar->maximum() / 2 + 7);
    t.table.viewport()->grab();

    // Only a page of views ever existed, each placed over the row it shows.
    EXPECT_LE(t.host->rowViewsMade(), shown + 2);
    EXPECT_EQ(t.host->rowViewCount(), t.host->rowViewsMade());
    const QList<RYTableRowView*> views = t.host->visibleRowViews();
    ASSERT_FALSE(views.isEmpty());
    const int top = t.table.rowAt(0);
    for (int i = 0; i < views.size(); ++i) {
        EXPECT_EQ(views[i]->row(), top + i);
        EXPECT_EQ(views[i]->frame().top(), t.table.rowViewportPosition(top + i));
        EXPECT_EQ(views[i]->numberOfColumns(), 2);
        EXPECT_EQ(views[i]->index().row(), top + i);
    }
}

TEST(RYTableRowViewHostTest, HoverAndSelectionAfterScrollingReachTheRightRow)
{
    LongTable t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.table));
    t.table.verticalScrollBar()->setValue(50000);
    t.table.viewport()->grab();
    const int top = t.table.rowAt(0);
    ASSERT_GT(top, 40000);
    t.supplier.log.clear();

    moveMouse(t.table.viewport(), QPoint(50, 25));
    moveMouse(t.table.viewport(), QPoint(60, 27));
    EXPECT_EQ(t.host->hoveredRow(), top + 1);
    moveMouse(t.table.viewport(), QPoint(50, 45));
    t.table.selectRow(top + 3);
    leave(t.table.viewport());
    EXPECT_EQ(t.host->hoveredRow(), -1);
    const QList<QString> expected{
        QStringLiteral("entered %1").arg(top + 1),
        QStringLiteral("exited %1").arg(top + 1),
        QStringLiteral("entered %1").arg(top + 2),
        QStringLiteral("selected %1 1").arg(top + 3),
        QStringLiteral("exited %1").arg(top + 2),
    };
    EXPECT_EQ(t.supplier.log, expected);
    ASSERT_NE(t.host->rowViewAtRow(top + 3, false), nullptr);
    EXPECT_TRUE(t.host->rowViewAtRow(top + 3, false)->isSelected());

    // Scrolling the selected row away and back: its view, reused, comes
    // back selected; the view that takes another row loses the selection.
    t.supplier.log.clear();
    t.table.verticalScrollBar()->setValue(t.table.verticalScrollBar()->value() + 500);
    t.table.viewport()->grab();
    EXPECT_EQ(t.supplier.log.filter(QRegularExpression(QStringLiteral("^selected \\d+ 0$"))).size(), 1);
    t.table.verticalScrollBar()->setValue(50000);
    t.table.viewport()->grab();
    EXPECT_TRUE(t.host->rowViewAtRow(top + 3, false)->isSelected());
    EXPECT_FALSE(t.host->rowViewAtRow(top + 2, false)->isSelected());
}

TEST(RYTableRowViewHostTest, RowLeavingUnderTheMouseHearsItGoAndTheNewRowHearsItCome)
{
    LongTable t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.table));
    moveMouse(t.table.viewport(), QPoint(50, 5));
    t.supplier.log.clear();
    // The wheel moves the list under a resting mouse.
    t.table.verticalScrollBar()->setValue(1000);
    const int now = t.table.rowAt(5);
    EXPECT_EQ(t.supplier.log.first(), QStringLiteral("exited 0"));
    EXPECT_EQ(t.supplier.log.last(), QStringLiteral("entered %1").arg(now));
    EXPECT_EQ(t.host->hoveredRow(), now);
}

TEST(RYTableRowViewHostTest, RowViewsPaintUnderCellsThatShowNoSelectionFill)
{
    QStandardItemModel model(3, 1);
    RYTableView table;
    table.setModel(&model);
    table.verticalHeader()->hide();
    table.horizontalHeader()->hide();
    table.verticalHeader()->setDefaultSectionSize(20);
    table.horizontalHeader()->setStretchLastSection(true);
    table.setShowGrid(false);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.resize(120, 80);
    Supplier supplier;
    new RYTableRowViewHost(&table, &supplier);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    table.selectRow(1);
    table.setCurrentIndex(model.index(1, 0));

    const QImage image = table.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(60, 10), QColor(0, 160, 0));
    // The selected row shows its row view's selection, not the style's.
    EXPECT_EQ(image.pixelColor(60, 30), QColor(0, 0, 200));
    EXPECT_EQ(image.pixelColor(3, 22), QColor(0, 0, 200));
    // Below the last row there is no row view.
    EXPECT_NE(image.pixelColor(60, 70), QColor(0, 160, 0));
}

TEST(RYTableRowViewHostTest, ModelChangesGiveEveryViewBackAndRowsFollowTheNewModel)
{
    LongTable t;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.table));
    t.host->layoutRowViews();
    const int made = t.host->rowViewsMade();
    t.model.setRows(3);
    EXPECT_EQ(t.host->placedRowViewCount(), 0);
    t.table.viewport()->grab();
    EXPECT_EQ(t.host->placedRowViewCount(), 3);
    EXPECT_EQ(t.host->rowViewsMade(), made);
    EXPECT_EQ(t.host->rowViewAtRow(3, true), nullptr);
    EXPECT_EQ(t.host->rectOfRow(2), QRect(0, 40, t.table.viewport()->width(), 20));

    // A new model replaces the old one at the next layout.
    CountModel other(1);
    t.table.setModel(&other);
    t.host->layoutRowViews();
    EXPECT_EQ(t.host->placedRowViewCount(), 1);
    t.table.selectRow(0);
    EXPECT_TRUE(t.host->rowViewAtRow(0, false)->isSelected());
}

TEST(RYTableRowViewHostTest, TreeRowsAreTheVisibleRowsFromTheTop)
{
    QStandardItemModel model;
    for (int g = 0; g < 3; ++g) {
        auto* group = new QStandardItem(QStringLiteral("group %1").arg(g));
        for (int f = 0; f < 2; ++f) {
            group->appendRow(new QStandardItem(QStringLiteral("file %1.%2").arg(g).arg(f)));
        }
        model.appendRow(group);
    }
    QTreeView tree;
    tree.setModel(&model);
    tree.setHeaderHidden(true);
    tree.setUniformRowHeights(true);
    tree.resize(200, 300);
    Supplier supplier;
    auto* host = new RYTableRowViewHost(&tree, &supplier);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));

    host->layoutRowViews();
    EXPECT_EQ(host->numberOfRows(), 3);
    EXPECT_EQ(host->placedRowViewCount(), 3);
    tree.expand(model.index(1, 0));
    host->layoutRowViews();
    ASSERT_EQ(host->numberOfRows(), 5);
    EXPECT_EQ(host->indexForRow(2).data().toString(), QStringLiteral("file 1.0"));
    EXPECT_EQ(host->indexForRow(4).data().toString(), QStringLiteral("group 2"));
    EXPECT_EQ(host->rowForIndex(model.index(1, 0, model.index(1, 0))), 3);
    RYTableRowView* fileRow = host->rowViewAtRow(3, true);
    ASSERT_NE(fileRow, nullptr);
    EXPECT_EQ(fileRow->index().data().toString(), QStringLiteral("file 1.1"));
    EXPECT_EQ(fileRow->frame().top(), tree.visualRect(model.index(1, 0, model.index(1, 0))).top());

    const QRect third = host->rectOfRow(3);
    moveMouse(tree.viewport(), third.center());
    EXPECT_EQ(host->hoveredRow(), 3);
    tree.selectionModel()->select(model.index(0, 0, model.index(1, 0)), QItemSelectionModel::ClearAndSelect);
    EXPECT_TRUE(host->rowViewAtRow(2, false)->isSelected());
    tree.collapse(model.index(1, 0));
    host->layoutRowViews();
    EXPECT_EQ(host->numberOfRows(), 3);
    EXPECT_EQ(host->placedRowViewCount(), 3);
    EXPECT_LE(host->rowViewsMade(), 5);
}

}  // namespace
