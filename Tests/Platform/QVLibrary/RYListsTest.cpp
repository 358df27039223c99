#include "QVLibrary/RYListView.h"
#include "QVLibrary/RYTableView.h"

#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CountingCell : public RYListViewCell {
public:
    CountingCell() { ++made; }
    static inline int made = 0;
};

class ListClient : public RYListViewDataSource, public RYListViewDelegate {
public:
    int count = 3;
    QList<int> clicks;
    QList<int> doubleClicks;

    int numberOfItemsInListView(RYListView*) override { return count; }
    RYListViewCell* listViewCellForItemAt(RYListView* list, int index) override
    {
        return list->dequeueReusableCell(QStringLiteral("cell"), index);
    }
    double listViewHeightOfRow(RYListView*, int) override { return 20.0; }
    void listViewDidClickItemAt(RYListView*, int index) override { clicks.append(index); }
    void listViewDidDoubleClickItemAt(RYListView*, int index) override { doubleClicks.append(index); }
};

TEST(RYListViewTest, LaysOutRowsReportsClicksAndReusesCells)
{
    CountingCell::made = 0;
    RYListView list;
    ListClient client;
    list.resize(200, 200);
    list.setMinimumInteritemSpacing(1.0);
    list.registerClass<CountingCell>(QStringLiteral("cell"));
    list.setDataSource(&client);
    list.setDelegate(&client);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.reloadData();

    ASSERT_EQ(list.numberOfItems(), 3);
    EXPECT_EQ(list.cellAt(0)->geometry().top(), 0);
    EXPECT_EQ(list.cellAt(1)->geometry().top(), 21);
    EXPECT_EQ(list.cellAt(2)->geometry().top(), 42);
    EXPECT_EQ(list.cellAt(2)->height(), 20);
    EXPECT_EQ(list.cellAt(3), nullptr);

    QTest::mouseClick(list.cellAt(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(client.clicks, QList<int>{1});
    QTest::mouseDClick(list.cellAt(2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(client.doubleClicks.isEmpty());
    list.setEnableDoubleClick(true);
    QTest::mouseDClick(list.cellAt(2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(client.doubleClicks, QList<int>{2});

    client.count = 2;
    list.reloadData();
    EXPECT_EQ(list.numberOfItems(), 2);
    client.count = 3;
    list.reloadData();
    EXPECT_EQ(CountingCell::made, 3);
    EXPECT_EQ(list.dequeueReusableCell(QStringLiteral("unknown"), 0), nullptr);
}

TEST(RYListViewCellTest, PaintsSelectedOverHighlightedOverBackground)
{
    RYListViewCell cell;
    cell.resize(40, 20);
    cell.setBackgroundColor(QColor(250, 250, 250));
    cell.setHighlightedColor(QColor(0, 200, 0));
    cell.setSelectedColor(QColor(0, 0, 200));
    EXPECT_EQ(cell.grab().toImage().pixelColor(20, 10), QColor(250, 250, 250));
    cell.setHighlighted(true);
    EXPECT_EQ(cell.grab().toImage().pixelColor(20, 10), QColor(0, 200, 0));
    cell.setSelected(true);
    EXPECT_EQ(cell.grab().toImage().pixelColor(20, 10), QColor(0, 0, 200));
}

class TableClient : public RYTableViewDelegate {
public:
    QStringList events;
    void tableViewMouseDownRow(RYTableView*, int row, int column, QMouseEvent*) override
    {
        events.append(QStringLiteral("down %1 %2").arg(row).arg(column));
    }
    void tableViewRightMouseDownRow(RYTableView*, int row, int, QMouseEvent*) override
    {
        events.append(QStringLiteral("right %1").arg(row));
    }
    void tableViewMouseEnteredRow(RYTableView*, int row, int, QMouseEvent*) override
    {
        events.append(QStringLiteral("enter %1").arg(row));
    }
    void tableViewMouseExitedRow(RYTableView*, int row, int, QMouseEvent*) override
    {
        events.append(QStringLiteral("exit %1").arg(row));
    }
};

TEST(RYTableViewTest, ReportsTheRowUnderTheMouse)
{
    QStandardItemModel model(3, 2);
    RYTableView table;
    TableClient client;
    table.setModel(&model);
    table.setDelegate(&client);
    table.resize(300, 200);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));

    const QRect row1 = table.visualRect(model.index(1, 1));
    QTest::mouseMove(table.viewport(), row1.center());
    const QRect row2 = table.visualRect(model.index(2, 0));
    QTest::mouseMove(table.viewport(), row2.center());
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, row2.center());
    QTest::mouseClick(table.viewport(), Qt::RightButton, {}, row1.center());
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, QPoint(5, 190));

    EXPECT_EQ(client.events, (QStringList{QStringLiteral("enter 1"), QStringLiteral("exit 1"), QStringLiteral("enter 2"),
                                          QStringLiteral("down 2 0"), QStringLiteral("right 1"),
                                          QStringLiteral("down -1 -1")}));
    EXPECT_EQ(table.hoveredRow(), 2);
}

}  // namespace
