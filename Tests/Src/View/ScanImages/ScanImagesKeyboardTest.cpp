// The similar-image results as a keyboard user meets them: Tab reaches
// every control a mouse can use, in the screen's reading order, and each
// draws the program's focus ring while it has the focus, in both
// appearances; the pop-up, the grid and list switch, the tabs, the group
// list and the thumbnails then do by keys what they do by clicks.
#include "ScanImagesScreenSupport.h"

#include "Foundation/UserDefaults.h"
#include "Main/GACollectionManager.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "View/ScanImagesViewController/ScanImagesSelection.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

QWidget* focused()
{
    return QApplication::focusWidget();
}

// The row of the open menu drawn as the one to choose, -1 for none.
int menuRow(PopUpButton* pop)
{
    const QList<MenuItemView*> rows = pop->menuWindow()->itemViews();
    int found = -1;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i)->isHovered()) {
            if (found >= 0) {
                return -2;
            }
            found = i;
        }
    }
    return found;
}

QString nameOf(const QWidget* widget)
{
    return widget ? widget->objectName() : QStringLiteral("nothing");
}

// Pixels of `shot` in the ring's colour (light or dark value) that the same
// control without the focus does not have.
int ringPixels(const QImage& with, const QImage& without)
{
    const QColor light = RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), false);
    const QColor dark = RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), true);
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) < 10 && std::abs(a.green() - b.green()) < 10 &&
               std::abs(a.blue() - b.blue()) < 10;
    };
    const QImage a = with.convertToFormat(QImage::Format_RGB32);
    const QImage b = without.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size()) {
        return 0;
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor c = a.pixelColor(x, y);
            if (c != b.pixelColor(x, y) && (near(c, light) || near(c, dark))) {
                ++count;
            }
        }
    }
    return count;
}

// The control in focus grabbed with it and without it (the focus given back
// as Tab gave it): the ring's pixels.
int focusRing(QWidget* control)
{
    const QImage with = control->grab().toImage();
    control->clearFocus();
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    return ringPixels(with, without);
}

}  // namespace

class ScanImagesKeyboardTest : public ScanImagesScreenTest {
protected:
    // A scan of three groups of three images shown in an active window.
    void showResults()
    {
        scan({makeImages(3, 2)});
        ASSERT_EQ(screen->scanState(), 2u);
        result = screen->imageResultViewCtr();
        ASSERT_EQ(result->dupImagesArray().size(), 3);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void key(Qt::Key which) { QTest::keyClick(focused() ? focused() : window.get(), which); }

    // Tab until `control` has the focus; false when a round of the chain
    // never reaches it.
    bool tabTo(QWidget* control)
    {
        for (int i = 0; i < 30 && focused() != control; ++i) {
            key(Qt::Key_Tab);
        }
        return focused() == control;
    }

    ScanImagesCollectionViewController* grid() const { return result->scanImagesViewCtr(); }
    ScanImagesListViewController* list() const { return result->scanimagesListViewCtr(); }
    // The image the keyboard is on in the grid and in the list.
    int gridCurrent() const { return grid()->collectionView()->currentIndex().row(); }
    int listCurrent() const { return list()->listView()->currentIndex().row(); }

    QPointer<ImagesScanResultViewController> result;
};

// Every Tab stop, once round the chain from the "All" tab: a control a user
// sees and can use, in the reading order (the left panel, the right panel's
// bar and images, the bottom bar), each drawing the ring in the program's
// blue while it holds the focus, light and dark; nothing else is met.
TEST_F(ScanImagesKeyboardTest, TabMeetsEveryControlInReadingOrderAndEachDrawsTheFocusRing)
{
    showResults();
    // One image picked, so that "Remove" can be used too.
    clickThumbnail(0);
    ASSERT_TRUE(screen->stopBtn()->isEnabled());
    const QList<QWidget*> expected = {result->allSelectView(), result->autoSelectAll(), result->listView(),
                                      result->sliderReduceBtn(), result->slider(), result->sliderAddBtn(),
                                      result->collectionSelectView(), grid()->collectionView(), screen->backBtn(),
                                      screen->popUpButton(), screen->stopBtn()};
    // Once round the chain from the window itself, read from the "All" tab.
    if (focused()) {
        focused()->clearFocus();
    }
    QList<QWidget*> met;
    for (int i = 0; i < 3 * expected.size(); ++i) {
        key(Qt::Key_Tab);
        if (!met.isEmpty() && focused() == met.first()) {
            break;
        }
        met.append(focused());
    }
    EXPECT_EQ(focused(), met.value(0)) << "the chain closes";
    const qsizetype first = met.indexOf(result->allSelectView());
    if (first > 0) {
        std::rotate(met.begin(), met.begin() + first, met.end());
    }
    const auto names = [](const QList<QWidget*>& widgets) {
        QStringList list;
        for (QWidget* widget : widgets) {
            list.append(nameOf(widget));
        }
        return list.join(QStringLiteral(", ")).toStdString();
    };
    EXPECT_EQ(names(met), names(expected));

    for (const int dark : {0, 1}) {
        RYTDarkMode::setForcedAppearance(dark);
        const auto restore = qScopeGuard([] { RYTDarkMode::setForcedAppearance(-1); });
        for (QWidget* control : met) {
            if (!control) {
                continue;
            }
            control->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(focused(), control);
            EXPECT_TRUE(control->isVisible() && control->isEnabled()) << nameOf(control).toStdString();
            const QRect inWindow(control->mapTo(window.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(window->rect().contains(inWindow)) << nameOf(control).toStdString();
            EXPECT_GE(focusRing(control), 20) << nameOf(control).toStdString() << (dark ? " (dark)" : " (light)")
                                              << " draws no focus ring";
        }
    }

    // In the list mode the images' list takes the grid's place; on
    // "Selected" the chosen tab is the stop.
    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    ASSERT_FALSE(result->isClickCollectionView());
    ASSERT_TRUE(tabTo(list()->listView()));
    EXPECT_GE(focusRing(list()->listView()), 20);
    key(Qt::Key_Backtab);
    EXPECT_EQ(focused(), result->listSelectView());
    EXPECT_GE(focusRing(result->listSelectView()), 20);
    QTest::mouseClick(result->selectedSelectView(), Qt::LeftButton);
    ASSERT_FALSE(result->isAllView());
    ASSERT_TRUE(tabTo(result->selectedSelectView()));
    EXPECT_GE(focusRing(result->selectedSelectView()), 20);
}

// The removal-mode pop-up opens on Space, Return or the down arrow; its menu
// goes by the arrows, Return picks the row as a click does, Escape closes it;
// the focus comes back to the pop-up.
TEST_F(ScanImagesKeyboardTest, ThePopUpOpensAndChoosesTheModeByKeys)
{
    showResults();
    PopUpButton* pop = screen->popUpButton();
    ASSERT_EQ(ScanImagesManager::shared().removeType(), 0u);
    ASSERT_TRUE(tabTo(pop));

    key(Qt::Key_Space);
    ASSERT_TRUE(pop->isPopupWindowOpen());
    EXPECT_EQ(menuRow(pop), 0) << "the chosen row is where the arrows start";
    key(Qt::Key_Down);
    EXPECT_EQ(menuRow(pop), 1);
    key(Qt::Key_Return);
    EXPECT_FALSE(pop->isPopupWindowOpen());
    EXPECT_EQ(ScanImagesManager::shared().removeType(), 1u);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("dupImageRemoveType")), 1);
    EXPECT_EQ(pop->selectedTitle()->text(), QStringLiteral("Permanently Deleted"));
    EXPECT_EQ(focused(), pop);

    // Return opens it too, at the row now chosen; up, then Return: the Trash.
    key(Qt::Key_Return);
    ASSERT_TRUE(pop->isPopupWindowOpen());
    EXPECT_EQ(menuRow(pop), 1);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(menuRow(pop), 0) << "the arrows stop at the first row";
    key(Qt::Key_Return);
    EXPECT_EQ(ScanImagesManager::shared().removeType(), 0u);
    EXPECT_EQ(pop->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));

    // The down arrow opens it; the pointer coming onto a row takes over the
    // keyboard's row, and the arrows go on from there; Escape closes it and
    // chooses nothing.
    key(Qt::Key_Down);
    ASSERT_TRUE(pop->isPopupWindowOpen());
    MenuItemView* last = pop->menuWindow()->itemViews().value(2);
    ASSERT_NE(last, nullptr);
    QTest::mouseMove(last, last->rect().center());
    EXPECT_EQ(menuRow(pop), 2);
    key(Qt::Key_Up);
    EXPECT_EQ(menuRow(pop), 1);
    key(Qt::Key_Escape);
    EXPECT_FALSE(pop->isPopupWindowOpen());
    EXPECT_EQ(ScanImagesManager::shared().removeType(), 0u);
    EXPECT_EQ(focused(), pop);
}

// The grid and list switch and the two tabs are one stop each: Space (and
// the arrow that points at the other) switches, as a click does, and the
// ring goes along to the one now chosen.
TEST_F(ScanImagesKeyboardTest, SpaceSwitchesTheViewAndTheTabsAndTheFocusGoesAlong)
{
    showResults();
    ASSERT_TRUE(tabTo(result->collectionSelectView()));
    key(Qt::Key_Space);
    EXPECT_FALSE(result->isClickCollectionView());
    EXPECT_EQ(result->rightContent(), list());
    EXPECT_TRUE(list()->listView()->isVisible());
    EXPECT_FALSE(GACollectionManager::default_().isCollectionView());
    EXPECT_EQ(focused(), result->listSelectView());
    EXPECT_GE(focusRing(result->listSelectView()), 20);
    key(Qt::Key_Space);
    EXPECT_TRUE(result->isClickCollectionView());
    EXPECT_EQ(result->rightContent(), grid());
    EXPECT_EQ(focused(), result->collectionSelectView());
    key(Qt::Key_Left);
    EXPECT_TRUE(result->isClickCollectionView()) << "nothing lies left of the grid switch";
    key(Qt::Key_Right);
    EXPECT_FALSE(result->isClickCollectionView());

    // The tabs: nothing picked, "Selected" shows its empty state; back by
    // the left arrow.
    ASSERT_TRUE(tabTo(result->allSelectView()));
    key(Qt::Key_Right);
    EXPECT_FALSE(result->isAllView());
    EXPECT_EQ(result->leftContent(), result->leftNoDataSelectView());
    EXPECT_EQ(focused(), result->selectedSelectView());
    key(Qt::Key_Left);
    EXPECT_TRUE(result->isAllView());
    EXPECT_EQ(focused(), result->allSelectView());
}

// The group list: the arrows choose the group the right side shows, Space
// clicks its box. The images, in the grid and in the list: the arrows move
// the current image, drawn with the ring, Space picks it as its box does,
// Return opens it as a double click does. The counts at the bottom follow.
TEST_F(ScanImagesKeyboardTest, TheArrowsSpaceAndReturnDriveTheGroupsAndTheImages)
{
    showResults();
    const ScanImagesGroupList groups = result->dupImagesArray();
    ASSERT_EQ(screen->selectImagesNum(), 0);

    ASSERT_TRUE(tabTo(result->listView()));
    key(Qt::Key_Down);
    EXPECT_EQ(result->selectIndex(), 1);
    EXPECT_EQ(grid()->dupImagesGroup(), groups.at(1));
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(result->selectIndex(), 2) << "the arrows stop at the last group";
    key(Qt::Key_Up);
    EXPECT_EQ(result->selectIndex(), 1);
    key(Qt::Key_Space);
    EXPECT_EQ(ScanImagesSelection::stateOf(*groups.at(1)), 1);
    EXPECT_EQ(screen->selectImagesNum(), 3);
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("3(")));
    EXPECT_EQ(result->autoSelectAll()->state(), RYTCheckBox::stateMixed);
    key(Qt::Key_Space);
    EXPECT_EQ(ScanImagesSelection::stateOf(*groups.at(1)), 0);
    EXPECT_EQ(screen->selectImagesNum(), 0);
    key(Qt::Key_Home);
    EXPECT_EQ(result->selectIndex(), 0);

    // The grid of group 1 of three: the first image is current when Tab
    // comes in.
    ImageGridView* cells = grid()->collectionView();
    ASSERT_TRUE(tabTo(cells));
    EXPECT_EQ(gridCurrent(), 0);
    key(Qt::Key_Right);
    EXPECT_EQ(gridCurrent(), 1);
    key(Qt::Key_Space);
    const ScanImagesItemPtr second = groups.at(0)->dupImageItems().at(1);
    EXPECT_TRUE(second->isSelect());
    EXPECT_EQ(ScanImagesSelection::stateOf(*groups.at(0)), -1);
    EXPECT_EQ(screen->selectImagesNum(), 1);
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("1(")));
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
    key(Qt::Key_End);
    EXPECT_EQ(gridCurrent(), 2);
    key(Qt::Key_Right);
    EXPECT_EQ(gridCurrent(), 2) << "nothing beyond the last image";
    key(Qt::Key_Home);
    EXPECT_EQ(gridCurrent(), 0);
    GACollectionManager& ga = GACollectionManager::default_();
    const int doubleClicks = ga.imageDoubleClickCount();
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 1; }));
    EXPECT_EQ(QFile::encodeName(opened().at(0).toLocalFile()), groups.at(0)->dupImageItems().at(0)->rawPath());
    EXPECT_EQ(ga.imageDoubleClickCount(), doubleClicks + 1);
    EXPECT_FALSE(groups.at(0)->dupImageItems().at(0)->isSelect()) << "opening picks nothing";

    // The list of the same group.
    result->collectionSelectView()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    ASSERT_FALSE(result->isClickCollectionView());
    ImageListView* rows = list()->listView();
    ASSERT_TRUE(tabTo(rows));
    EXPECT_EQ(listCurrent(), 0);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(listCurrent(), 2);
    EXPECT_GE(focusRing(rows), 20);
    key(Qt::Key_Space);
    EXPECT_TRUE(groups.at(0)->dupImageItems().at(2)->isSelect());
    EXPECT_EQ(screen->selectImagesNum(), 2);
    key(Qt::Key_Up);
    key(Qt::Key_Space);
    EXPECT_FALSE(second->isSelect());
    EXPECT_EQ(screen->selectImagesNum(), 1);
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("1(")));
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 2; }));
    EXPECT_EQ(QFile::encodeName(opened().at(1).toLocalFile()), second->rawPath());
    EXPECT_EQ(ga.imageDoubleClickCount(), doubleClicks + 1) << "the list counts no double click";
}
