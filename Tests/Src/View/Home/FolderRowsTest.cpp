#include "View/AnimationContainView.h"
#include "View/FolderTableView.h"
#include "View/TrackingTableCellView.h"

#include "QVLibrary/RYTButton.h"
#include "TestSupport.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

class Rows : public FolderTableViewDataSource, public TrackingTableCellViewProtocol {
public:
    int rows = 0;
    QList<int> deleted;
    int numberOfRows(FolderTableView*) override { return rows; }
    double heightOfRow(FolderTableView*, int) override { return 110; }
    QWidget* viewForRow(FolderTableView* table, int row) override
    {
        auto* cell = qobject_cast<TrackingTableCellView*>(table->makeView("FolderCellID"));
        if (cell) {
            cell->textField()->setText(QString::number(row));
            cell->deleteButton()->setProperty("tag", row);
            cell->setDelegate(this);
        }
        return cell;
    }
    void deleteFile(int tag) override { deleted << tag; }
};

struct Table {
    Rows rows;
    QScrollArea area;
    FolderTableView* table = new FolderTableView;
    Table(int count)
    {
        rows.rows = count;
        area.setWidgetResizable(true);
        area.setWidget(table);
        area.resize(310, 330);
        table->registerView("FolderCellID", [] { return new TrackingTableCellView; });
        table->setDataSource(&rows);
        area.show();
        table->reloadData();
    }
    ~Table() { table->setDataSource(nullptr); }
    TrackingTableCellView* cell(int row) { return qobject_cast<TrackingTableCellView*>(table->viewAtRow(row)); }
};

}  // namespace

TEST(FolderRowsTest, OnlyRowsInSightHaveViewsAndScrolledOutViewsAreReused)
{
    Table t(40);
    ASSERT_TRUE(waitUntil([&] { return !t.table->rowsWithViews().isEmpty(); }));
    EXPECT_EQ(t.table->rowsWithViews(), (QList<int>{0, 1, 2}));
    EXPECT_EQ(t.table->height(), 40 * 110);
    EXPECT_EQ(t.table->rectOfRow(3), QRect(0, 330, t.table->width(), 110));
    EXPECT_EQ(t.cell(1)->textField()->text(), "1");

    // The delete button shown on a row goes when its view serves another row.
    t.cell(0)->mouseEntered();
    EXPECT_TRUE(t.cell(0)->deleteButton()->isVisibleTo(t.cell(0)));
    t.area.verticalScrollBar()->setValue(t.area.verticalScrollBar()->maximum());
    ASSERT_TRUE(waitUntil([&] { return t.table->rowsWithViews().contains(39); }));
    EXPECT_EQ(t.table->rowsWithViews(), (QList<int>{37, 38, 39}));
    EXPECT_LE(t.table->madeViewCount(), 6);
    for (int row : t.table->rowsWithViews()) {
        EXPECT_FALSE(t.cell(row)->deleteButton()->isVisibleTo(t.cell(row)));
        EXPECT_EQ(t.cell(row)->textField()->text(), QString::number(row));
    }
    EXPECT_EQ(t.table->viewAtRow(0), nullptr);

    // Fewer rows: the views of the rows gone are free again.
    t.rows.rows = 1;
    t.table->reloadData();
    ASSERT_TRUE(waitUntil([&] { return t.table->rowsWithViews() == QList<int>{0}; }));
    EXPECT_EQ(t.table->height(), t.area.viewport()->height());
    EXPECT_LE(t.table->madeViewCount(), 6);
    t.rows.rows = 0;
    t.table->reloadData();
    EXPECT_TRUE(t.table->rowsWithViews().isEmpty());
    EXPECT_EQ(t.table->makeView("unknown"), nullptr);
}

TEST(FolderRowsTest, DeleteButtonAppearsOnEntryAndAsksTheDelegateWithItsRow)
{
    Table t(2);
    ASSERT_TRUE(waitUntil([&] { return t.cell(1) != nullptr; }));
    TrackingTableCellView* cell = t.cell(1);
    RYTButton* button = cell->deleteButton();
    EXPECT_FALSE(button->isVisibleTo(cell));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(cell, &enter);
    EXPECT_TRUE(button->isVisibleTo(cell));
    EXPECT_FALSE(button->image(RYTButton::State::normal).isNull());
    EXPECT_EQ(button->cornerRadius(), button->height() / 2.0);
    EXPECT_TRUE(button->title().isEmpty());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(t.rows.deleted, QList<int>{1});
    // Without a delegate, or from anything but its button, nothing is asked.
    cell->deleteFileBtnAction();
    cell->setDelegate(nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(t.rows.deleted, QList<int>{1});
}

TEST(FolderRowsTest, LeavingARowKeepsTheButtonOnlyWhereTheShiftedPointerIsStillInTheFrame)
{
    QWidget window;
    window.resize(400, 300);
    TrackingTableCellView cell(&window);
    cell.setGeometry(10, 20, 300, 110);
    window.show();
    cell.mouseEntered();
    // Left 5 points past the left edge: moved 16 right it is back inside.
    cell.mouseExited(QPoint(5, 60));
    EXPECT_TRUE(cell.deleteButton()->isVisibleTo(&cell));
    // Past the right edge it is gone.
    cell.mouseExited(QPoint(311, 60));
    EXPECT_FALSE(cell.deleteButton()->isVisibleTo(&cell));
    // Well below the row as well.
    cell.mouseEntered();
    cell.mouseExited(QPoint(100, 160));
    EXPECT_FALSE(cell.deleteButton()->isVisibleTo(&cell));

    // A row in no window has no frame to stay in.
    TrackingTableCellView loose;
    loose.mouseEntered();
    loose.mouseExited(QPoint(0, 0));
    EXPECT_FALSE(loose.deleteButton()->isVisibleTo(&loose));
    // Reused, it starts hidden.
    loose.mouseEntered();
    loose.prepareForReuse();
    EXPECT_FALSE(loose.deleteButton()->isVisibleTo(&loose));
}

TEST(FolderRowsTest, LongPathsStayWhole)
{
    TrackingTableCellView cell;
    cell.resize(310, 110);
    const QString path = "/home/user/" + QString(300, QLatin1Char('x')) + "/end";
    cell.textField()->setText(path);
    cell.show();
    EXPECT_EQ(cell.textField()->text(), path);
    const QImage drawn = cell.grab().toImage();
    EXPECT_FALSE(drawn.isNull());
}

TEST(FolderRowsTest, PlusAreaReportsEntryExitAndLeftPresses)
{
    AnimationContainView area;
    area.resize(170, 170);
    int entered = 0, exited = 0, down = 0;
    // Without blocks nothing happens.
    QTest::mouseClick(&area, Qt::LeftButton);
    area.setMouseEnteredBlock([&] { ++entered; });
    area.setMouseExitedBlock([&] { ++exited; });
    area.setMouseDownBlock([&] { ++down; });
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&area, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&area, &leave);
    QTest::mouseClick(&area, Qt::LeftButton);
    QTest::mouseClick(&area, Qt::RightButton);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(exited, 1);
    EXPECT_EQ(down, 1);
}
