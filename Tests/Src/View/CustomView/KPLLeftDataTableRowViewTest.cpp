#include "View/CustomView/KPLLeftDataTableRowView.h"

#include "QVLibrary/RYTableRowViewHost.h"
#include "QVLibrary/RYTableView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kBackground(200, 200, 200);
const QColor kSelected(20, 40, 220);
const QColor kHover(30, 200, 60);

// A panel as the result screens build it: rows from the host, reused by the
// class name, itself the delegate of every row view.
class RowPanel : public RYTableRowViewDelegate, public LeftDataTableRowViewDelegate {
public:
    QStandardItemModel model{40, 1};
    RYTableView table;
    RYTableRowViewHost* host = nullptr;
    QColor selectedColor;
    QColor highlightColor = kHover;
    int radius = 0;
    QStringList heard;

    RowPanel()
    {
        table.setModel(&model);
        table.verticalHeader()->hide();
        table.horizontalHeader()->hide();
        table.horizontalHeader()->setStretchLastSection(true);
        table.verticalHeader()->setDefaultSectionSize(30);
        table.setShowGrid(false);
        table.setSelectionBehavior(QAbstractItemView::SelectRows);
        table.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        table.resize(200, 120);
        host = new RYTableRowViewHost(&table, this);
    }
    ~RowPanel() override { host->setDelegate(nullptr); }

    RYTableRowView* rowViewForRow(RYTableRowViewHost* rowHost, int row) override
    {
        const QString id = KPLLeftDataTableRowView::reuseIdentifier();
        auto* view = static_cast<KPLLeftDataTableRowView*>(rowHost->makeRowView(id));
        if (!view) {
            view = new KPLLeftDataTableRowView;
            view->setIdentifier(id);
            view->setBgColor(kBackground);
            view->setSelectedColor(selectedColor);
            view->setHighlightColor(highlightColor);
            view->setRadius(radius);
            view->setDelegate(this);
        }
        view->setRow(row);
        return view;
    }
    void tableRowViewSelectedDidChange(KPLLeftDataTableRowView* view) override
    {
        heard << QStringLiteral("selected %1 %2").arg(view->row()).arg(view->isSelected());
    }
    void tableRowViewEntered(KPLLeftDataTableRowView* view, QMouseEvent*) override
    {
        heard << QStringLiteral("entered %1").arg(view->row());
    }
    void tableRowViewExited(KPLLeftDataTableRowView* view, QMouseEvent*) override
    {
        heard << QStringLiteral("exited %1").arg(view->row());
    }

    void show()
    {
        table.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    }
    QImage image() { return table.viewport()->grab().toImage(); }
    void moveMouse(QPoint pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, table.viewport()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(table.viewport(), &move);
    }
    KPLLeftDataTableRowView* rowView(int row)
    {
        return static_cast<KPLLeftDataTableRowView*>(host->rowViewAtRow(row, true));
    }
};

TEST(KPLLeftDataTableRowViewTest, SelectionWithoutAColourIsWhiteInsideTheInsetsOnTheRowBackground)
{
    RowPanel panel;
    panel.show();
    panel.table.selectRow(1);
    const QImage image = panel.image();
    // Row 1 spans y 30..59; insets 4, 16, 4, 16.
    EXPECT_EQ(image.pixelColor(100, 45), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(8, 45), kBackground);
    EXPECT_EQ(image.pixelColor(100, 32), kBackground);
    EXPECT_EQ(image.pixelColor(100, 15), kBackground);
    // Radius 0: the selection is a plain rectangle, square to its corner.
    EXPECT_EQ(image.pixelColor(16, 34), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(15, 34), kBackground);
    EXPECT_TRUE(panel.rowView(1)->isSelected());
    EXPECT_EQ(panel.rowView(1)->numberOfColumns(), 1);
}

TEST(KPLLeftDataTableRowViewTest, RoundedSelectionLeavesTheCornerAndTakesItsColour)
{
    RowPanel panel;
    panel.selectedColor = kSelected;
    panel.radius = 8;
    panel.show();
    panel.table.selectRow(0);
    const QImage image = panel.image();
    EXPECT_EQ(image.pixelColor(100, 15), kSelected);
    EXPECT_EQ(image.pixelColor(16, 4), kBackground);
}

TEST(KPLLeftDataTableRowViewTest, RightToLeftListAppliesTheLeftInsetAtTheRightEdge)
{
    RowPanel panel;
    panel.selectedColor = kSelected;
    panel.table.setLayoutDirection(Qt::RightToLeft);
    panel.show();
    for (int row = 0; row < 3; ++row) {
        panel.rowView(row)->setSelectedEdgeInsets(4, 40, 4, 4);
    }
    // (selectRow looks for a column past the right edge in this direction.)
    panel.table.selectionModel()->select(panel.model.index(0, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QImage image = panel.image();
    const int width = image.width();
    EXPECT_EQ(image.pixelColor(width - 20, 15), kBackground);
    EXPECT_EQ(image.pixelColor(width - 45, 15), kSelected);
    EXPECT_EQ(image.pixelColor(6, 15), kSelected);
    EXPECT_EQ(image.pixelColor(2, 15), kBackground);
}

TEST(KPLLeftDataTableRowViewTest, HoverFillsOnlyRowsThatAreNotSelectedAndTellsTheDelegate)
{
    RowPanel panel;
    panel.selectedColor = kSelected;
    panel.show();
    panel.table.selectRow(1);
    panel.heard.clear();

    panel.moveMouse(QPoint(100, 15));
    EXPECT_TRUE(panel.rowView(0)->mouseFocus());
    EXPECT_EQ(panel.image().pixelColor(100, 15), kHover);
    panel.moveMouse(QPoint(100, 45));
    // The selected row under the mouse shows its selection only.
    EXPECT_EQ(panel.image().pixelColor(100, 45), kSelected);
    EXPECT_EQ(panel.image().pixelColor(100, 15), kBackground);
    EXPECT_EQ(panel.heard, (QStringList{QStringLiteral("entered 0"), QStringLiteral("exited 0"),
                                        QStringLiteral("entered 1")}));
}

TEST(KPLLeftDataTableRowViewTest, ARowReusedForAnotherRowLosesItsHoverAndItsDelegateHearsTheExit)
{
    RowPanel panel;
    panel.show();
    panel.moveMouse(QPoint(100, 15));
    ASSERT_TRUE(panel.rowView(0)->mouseFocus());
    panel.heard.clear();

    // The list scrolls under the resting mouse: row 0 leaves, row 20 comes.
    panel.table.verticalScrollBar()->setValue(20 * 30);
    panel.image();
    EXPECT_EQ(panel.heard.first(), QStringLiteral("exited 0"));
    EXPECT_EQ(panel.heard.last(), QStringLiteral("entered 20"));
    EXPECT_LE(panel.host->rowViewsMade(), 6);
    for (RYTableRowView* view : panel.host->visibleRowViews()) {
        EXPECT_GE(view->row(), 20);
        EXPECT_EQ(static_cast<KPLLeftDataTableRowView*>(view)->mouseFocus(), view->row() == 20);
    }
}

TEST(KPLLeftDataTableRowViewTest, ADelegateThatAnswersNothingStillGetsDrawnRows)
{
    class Silent : public LeftDataTableRowViewDelegate {
    } silent;
    RowPanel panel;
    panel.selectedColor = kSelected;
    panel.show();
    for (RYTableRowView* view : panel.host->visibleRowViews()) {
        static_cast<KPLLeftDataTableRowView*>(view)->setDelegate(&silent);
    }
    panel.table.selectRow(2);
    panel.moveMouse(QPoint(100, 15));
    const QImage image = panel.image();
    EXPECT_EQ(image.pixelColor(100, 75), kSelected);
    EXPECT_EQ(image.pixelColor(100, 15), kHover);
    EXPECT_TRUE(panel.heard.isEmpty());
}

TEST(KPLLeftDataTableRowViewTest, AlternateRowColourWinsOverTheBackgroundAndTheOutlineFramesTheSelection)
{
    RowPanel panel;
    panel.selectedColor = kSelected;
    panel.show();
    KPLLeftDataTableRowView* view = panel.rowView(0);
    view->setAlternateRowColor(QColor(250, 240, 230));
    view->setBorderColor(QColor(255, 0, 0));
    panel.table.selectRow(0);
    const QImage image = panel.image();
    EXPECT_EQ(image.pixelColor(5, 15), QColor(250, 240, 230));
    EXPECT_EQ(image.pixelColor(100, 15), kSelected);
    // The outline's outer half shows around the fill.
    const QColor edge = image.pixelColor(100, 3);
    EXPECT_GT(edge.red(), edge.green() + 40);
}

}  // namespace
