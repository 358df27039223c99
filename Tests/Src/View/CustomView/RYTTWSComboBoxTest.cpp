#include "View/CustomView/RYTTWSComboBox.h"
#include "View/CustomView/RYTTWSComboBoxTextCellView.h"

#include "QVLibrary/RYTButton.h"
#include "TestSupport.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Chooser : public RYTTWSComboBoxDelegate {
public:
    QList<QString> chosen;
    void comboBoxSelectedItem(RYTTWSComboBox*, const RYTTWSComboBoxItemPtr& item) override
    {
        chosen.append(item ? item->title() : QStringLiteral("<none>"));
    }
};

QList<RYTTWSComboBoxItemPtr> itemsNamed(const QStringList& titles)
{
    QList<RYTTWSComboBoxItemPtr> items;
    for (const QString& title : titles) {
        items.append(RYTTWSComboBoxItem::itemWithTitle(title));
    }
    return items;
}

class RYTTWSComboBoxTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        window.resize(400, 400);
        box = new RYTTWSComboBox(&window);
        box->setGeometry(20, 20, 200, 30);
        box->setDelegate(&chooser);
        box->setItems(itemsNamed({QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums")}));
        box->reloadData();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        chooser.chosen.clear();
    }
    void TearDown() override
    {
        box->setDelegate(nullptr);
        TempHomeTest::TearDown();
    }

    void pressAt(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }
    void moveOver(QWidget* viewport, QPoint pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    }

    QWidget window;
    RYTTWSComboBox* box = nullptr;
    Chooser chooser;
};

TEST_F(RYTTWSComboBoxTest, DefaultsOfANewBox)
{
    RYTTWSComboBox fresh;
    EXPECT_EQ(fresh.visibleCount(), 5u);
    EXPECT_DOUBLE_EQ(fresh.rowHeight(), 25.0);
    EXPECT_DOUBLE_EQ(fresh.offset(), 1.0);
    EXPECT_DOUBLE_EQ(fresh.fontSize(), 14.0);
    EXPECT_EQ(fresh.lineBreakMode(), 4u);
    EXPECT_EQ(fresh.textColor(), QColor(Qt::black));
    EXPECT_EQ(fresh.selectedTextColor(), QColor(Qt::white));
    EXPECT_EQ(fresh.subviewBackgroundColor(), QColor(Qt::white));
    EXPECT_EQ(fresh.selectedIndex(), -1);
    EXPECT_FALSE(fresh.bordered());
    EXPECT_DOUBLE_EQ(fresh.borderWidth(), 1.0);
    EXPECT_EQ(fresh.selectedItem(), nullptr);
}

TEST_F(RYTTWSComboBoxTest, AnEmptyListDisablesBothButtonsAndReloadingItClosesTheList)
{
    EXPECT_TRUE(box->disclosureButton()->isEnabled());
    box->openComboBox();
    ASSERT_TRUE(box->isOpened());
    box->removeAllItems();
    EXPECT_FALSE(box->disclosureButton()->isEnabled());
    EXPECT_FALSE(box->backgroundButton()->isEnabled());
    box->reloadData();
    EXPECT_FALSE(box->isOpened());
    EXPECT_EQ(box->tableContainer(), nullptr);
}

TEST_F(RYTTWSComboBoxTest, SelectingMinusOneClearsAndTellsAndAnIndexBeyondTheListDoesNothing)
{
    box->selectItemAtIndex(1);
    EXPECT_EQ(box->titleLabel()->text(), QStringLiteral("Pears"));
    EXPECT_TRUE(box->itemForIndex(1)->isSelected());
    box->selectItemAtIndex(7);
    box->selectItemAtIndex(-4);
    EXPECT_EQ(box->selectedIndex(), 1);
    box->selectItemAtIndex(-1);
    EXPECT_EQ(box->titleLabel()->text(), QString());
    EXPECT_EQ(box->selectedIndex(), -1);
    EXPECT_FALSE(box->itemForIndex(1)->isSelected());
    EXPECT_EQ(chooser.chosen, (QList<QString>{QStringLiteral("Pears"), QStringLiteral("<none>")}));
}

TEST_F(RYTTWSComboBoxTest, TheSelectedItemStaysSelectedWhenItemsComeAndGoBeforeIt)
{
    box->selectItemAtIndex(2);
    const RYTTWSComboBoxItemPtr plums = box->selectedItem();
    box->removeItemAtIndex(0);
    EXPECT_EQ(box->selectedIndex(), 1);
    EXPECT_EQ(box->selectedItem(), plums);
    // Inserting before it moves it down a place and keeps it.
    box->insertItem(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Figs")), 0);
    EXPECT_EQ(box->selectedIndex(), 2);
    EXPECT_EQ(box->selectedItem(), plums);
    box->insertItem(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Kiwis")), 3);
    EXPECT_EQ(box->selectedItem(), plums);
    // Out of range and missing items are ignored.
    box->insertItem(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Limes")), 9);
    box->insertItem(nullptr, 0);
    box->replaceItem(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Dates")), 4);
    EXPECT_EQ(box->items().size(), 4);
    // Removing the selected item clears the selection.
    box->removeItem(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Plums")));
    EXPECT_EQ(box->selectedIndex(), -1);
    EXPECT_EQ(chooser.chosen.last(), QStringLiteral("<none>"));
    EXPECT_EQ(box->items().size(), 3);
}

TEST_F(RYTTWSComboBoxTest, ItemsWithoutIdentifiersAreEqualByTitle)
{
    auto a = RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Same"), QIcon(), QIcon());
    auto b = RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Same"), QIcon(), QIcon());
    auto c = RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Other"), QIcon(), QIcon());
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_FALSE(a->isEqual(*c));
    auto d = RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Same"), QStringLiteral("id-1"));
    EXPECT_FALSE(a->isEqual(*d));
    EXPECT_TRUE(d->isEqual(*RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("Else"), QStringLiteral("id-1"))));
    EXPECT_EQ(RYTTWSComboBoxItem::itemWithTitle(QStringLiteral("T"), QStringLiteral("s"), QStringLiteral("i"))->sortDescriptor(),
              QString(""));
    // A list that does not start with an item is no list.
    box->setItems({nullptr, a});
    EXPECT_TRUE(box->items().isEmpty());
    EXPECT_EQ(box->indexForItem(nullptr), -1);
    EXPECT_FALSE(box->containsItem(nullptr));
}

TEST_F(RYTTWSComboBoxTest, EightItemsShowFiveRowsInAListOf135ThatScrolls)
{
    QStringList titles;
    for (int i = 0; i < 8; ++i) {
        titles << QStringLiteral("Item %1").arg(i);
    }
    box->setItems(itemsNamed(titles));
    box->reloadData();
    box->openComboBox();
    ASSERT_NE(box->tableContainer(), nullptr);
    EXPECT_EQ(box->tableContainer()->geometry(), QRect(20, 20 + 30 + 1, 200, 135));
    EXPECT_EQ(box->tableContainer()->parentWidget(), &window);
    QTest::qWait(0);
    EXPECT_GT(box->tableView()->verticalScrollBar()->maximum(), 0);
    // Row views only for the rows in sight.
    auto* host = RYTableRowViewHost::hostOf(box->tableView());
    ASSERT_NE(host, nullptr);
    host->layoutRowViews();
    EXPECT_LE(host->rowViewsMade(), 6);
}

TEST_F(RYTTWSComboBoxTest, APrefixWithoutATitleShowsThePrefixAloneInItsColour)
{
    box->setPrefix(QStringLiteral("Sort:"));
    box->setPrefixColor(QColor(200, 0, 0));
    box->setTitleColor(QColor(0, 0, 200));
    box->setTitle(QString());
    EXPECT_EQ(box->titleLabel()->text(), QStringLiteral("Sort:"));
    EXPECT_EQ(box->titleLabel()->colorRuns(), (QList<TruncatingLabel::ColorRun>{{0, 5, QColor(200, 0, 0)}}));
    box->setTitle(QStringLiteral("Size"), QStringLiteral("largest first"));
    EXPECT_EQ(box->titleLabel()->text(), QStringLiteral("Sort: Size"));
    EXPECT_EQ(box->titleLabel()->colorRuns(),
              (QList<TruncatingLabel::ColorRun>{{0, 5, QColor(200, 0, 0)}, {6, 4, QColor(0, 0, 200)}}));
    EXPECT_EQ(box->subtitleLabel()->text(), QStringLiteral("largest first"));
    // With a subtitle the title moves up by half its line.
    EXPECT_LT(box->titleLabel()->geometry().center().y(), box->height() / 2);
}

TEST_F(RYTTWSComboBoxTest, TheDisclosureButtonOpensAndClosesAndAPressOutsideTheListClosesIt)
{
    pressAt(box->disclosureButton(), QPoint(10, 10));
    ASSERT_TRUE(box->isOpened());
    pressAt(box->disclosureButton(), QPoint(10, 10));
    EXPECT_FALSE(box->isOpened());

    pressAt(box->disclosureButton(), QPoint(10, 10));
    ASSERT_TRUE(box->isOpened());
    // A press on the bar is outside the list: it closes.
    pressAt(box, QPoint(40, 15));
    EXPECT_FALSE(box->isOpened());
    box->openComboBox();
    pressAt(&window, QPoint(350, 350));
    EXPECT_FALSE(box->isOpened());
    box->openComboBox();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(box->isOpened());
    EXPECT_TRUE(chooser.chosen.isEmpty());
}

TEST_F(RYTTWSComboBoxTest, ClickingARowChoosesItAndClosesTheList)
{
    int exits = 0;
    box->setMouseDidExited([&](RYTTWSComboBox*) { ++exits; });
    box->openComboBox();
    RYTableView* table = box->tableView();
    const QRect second = table->visualRect(table->model()->index(1, 0));
    pressAt(table->viewport(), second.center());
    EXPECT_FALSE(box->isOpened());
    EXPECT_EQ(chooser.chosen, QList<QString>{QStringLiteral("Pears")});
    EXPECT_EQ(box->selectedIndex(), 1);
    EXPECT_EQ(box->titleLabel()->text(), QStringLiteral("Pears"));
    EXPECT_EQ(exits, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Reopened, the chosen row is selected in the list.
    box->openComboBox();
    EXPECT_EQ(box->tableView()->selectionModel()->selectedRows().value(0).row(), 1);
}

TEST_F(RYTTWSComboBoxTest, WithClickAllAreaTheBarTogglesAndTheListKeepsItsPresses)
{
    box->setEnableClickAllArea(true);
    pressAt(box, QPoint(40, 15));
    ASSERT_TRUE(box->isOpened());
    pressAt(box, QPoint(40, 15));
    EXPECT_FALSE(box->isOpened());
    pressAt(box, QPoint(40, 15));
    ASSERT_TRUE(box->isOpened());
    pressAt(&window, QPoint(350, 350));
    EXPECT_FALSE(box->isOpened());

    // A press in the list is the list's: it chooses the row.
    pressAt(box, QPoint(40, 15));
    RYTableView* table = box->tableView();
    pressAt(table->viewport(), table->visualRect(table->model()->index(2, 0)).center());
    EXPECT_FALSE(box->isOpened());
    EXPECT_EQ(chooser.chosen, QList<QString>{QStringLiteral("Plums")});
}

TEST_F(RYTTWSComboBoxTest, HoveringARowMarksItsItemAndLeavingClearsIt)
{
    box->setHighlightColor(QColor(10, 180, 10));
    box->selectItemAtIndex(0);
    box->openComboBox();
    RYTableView* table = box->tableView();
    table->viewport()->grab();
    const QRect third = table->visualRect(table->model()->index(2, 0));
    moveOver(table->viewport(), third.center());
    EXPECT_TRUE(box->itemForIndex(2)->isHighlighted());
    EXPECT_EQ(box->highlightedIndex(), 2);
    const QImage image = table->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(third.left() + 20, third.center().y()), QColor(10, 180, 10));
    // The highlighted row's cell title turns to the highlight text colour.
    EXPECT_EQ(box->cellViewForRow(2)->titleLabel()->textColor(), QColor(Qt::white));
    EXPECT_EQ(box->cellViewForRow(1)->titleLabel()->textColor(), QColor(Qt::black));

    moveOver(table->viewport(), table->visualRect(table->model()->index(1, 0)).center());
    EXPECT_FALSE(box->itemForIndex(2)->isHighlighted());
    EXPECT_TRUE(box->itemForIndex(1)->isHighlighted());
}

TEST_F(RYTTWSComboBoxTest, CellsMakeRoomForSubtitlesAndImages)
{
    RYTTWSComboBoxTextCellView cell;
    cell.resize(200, 40);
    cell.setHasSubtitle(false);
    cell.setImage(QIcon());
    EXPECT_DOUBLE_EQ(cell.centerYConstraint(), 0.0);
    EXPECT_DOUBLE_EQ(cell.titleLabelLeadingConstraint(), 8.0);
    cell.setHasSubtitle(true);
    EXPECT_DOUBLE_EQ(cell.centerYConstraint(), -8.0);
    QPixmap dot(8, 8);
    dot.fill(Qt::red);
    cell.setImage(QIcon(dot));
    EXPECT_DOUBLE_EQ(cell.titleLabelLeadingConstraint(), 30.0);
    EXPECT_EQ(cell.titleLabel()->geometry().left(), 30);
    EXPECT_FALSE(cell.imageView()->isHidden());
}

}  // namespace
