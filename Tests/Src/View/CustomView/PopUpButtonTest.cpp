#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"

#include "QVLibrary/RYTDarkMode.h"
#include "TestSupport.h"
#include "Window/ModalOverlay.h"
#include "Window/WindowController.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

const QStringList kRemoveTitles{QStringLiteral("Discard to the Trash"), QStringLiteral("Permanently Deleted"),
                                QStringLiteral("Remove to the Folder...")};

class RecordingDelegate : public PopUpButtonDelegate {
public:
    QList<QPair<int, QString>> calls;
    std::function<void(PopUpButton*, const QString&)> then;

    void popupButtonSelect(PopUpButton* button, const QString& title) override
    {
        calls.append({button->selectedIndex(), title});
        if (then) {
            then(button, title);
        }
    }
};

// A window with the button two containers deep, placed by hand.
class PopUpButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(500, 300);
        outer = new QWidget(&window);
        outer->setGeometry(50, 40, 400, 200);
        inner = new QWidget(outer);
        inner->setGeometry(30, 20, 360, 170);
        button = new PopUpButton(inner);
        button->move(100, 10);
        button->resize(100, 22);
        button->setDelegate(&delegate);
        button->addItems(kRemoveTitles);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        button->setDelegate(nullptr);
        RYTDarkMode::setForcedAppearance(-1);
    }

    QWidget* panel() { return button->menuWindow()->window(); }
    QList<MenuItemView*> rows() { return button->menuWindow()->itemViews(); }
    QRect buttonInWindow() { return QRect(button->mapTo(&window, QPoint(0, 0)), button->size()); }
    QList<bool> checks()
    {
        QList<bool> marks;
        for (MenuItemView* row : rows()) {
            marks.append(row->iconView()->isVisibleTo(row));
        }
        return marks;
    }
    static int widthOf(const QString& title)
    {
        QFont font;
        font.setPixelSize(12);
        return PopUpButton::widthForTitleWidth(QFontMetricsF(font).horizontalAdvance(title));
    }

    QWidget window;
    QWidget* outer = nullptr;
    QWidget* inner = nullptr;
    PopUpButton* button = nullptr;
    RecordingDelegate delegate;
};

TEST(PopUpButtonWidthTest, TitleWidthPlusThirtyEightUpToFiveHundredFifty)
{
    EXPECT_EQ(PopUpButton::widthForTitleWidth(40.0), 78);
    EXPECT_EQ(PopUpButton::widthForTitleWidth(600.0), 550);
    EXPECT_EQ(PopUpButton::widthForTitleWidth(512.0), 550);
}

TEST_F(PopUpButtonTest, ShowsTheFirstTitleAndFitsItsWidth)
{
    EXPECT_EQ(button->selectedTitle()->text(), kRemoveTitles[0]);
    EXPECT_EQ(button->selectedTitle()->toolTip(), kRemoveTitles[0]);
    EXPECT_EQ(button->width(), widthOf(kRemoveTitles[0]));
    EXPECT_EQ(button->itemTitles(), kRemoveTitles);
    // Nothing is built before the menu is first needed.
    EXPECT_FALSE(button->menuWindow()->isWindowLoaded());
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(PopUpButtonTest, MenuHangsFiveBelowTheNestedButtonWithRightEdgesAligned)
{
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->isPopupWindowOpen());
    const QRect menu = panel()->geometry();
    const QRect at = buttonInWindow();
    EXPECT_EQ(panel()->parentWidget(), &window);
    EXPECT_EQ(menu.top(), at.bottom() + 1 + 5);
    EXPECT_EQ(menu.right(), at.right());
    // Three rows of 22 between margins of 5.
    EXPECT_EQ(menu.height(), 3 * 22 + 10);
    ASSERT_EQ(rows().size(), 3);
    EXPECT_EQ(rows()[1]->geometry().top(), 5 + 22);
    EXPECT_EQ(checks(), (QList<bool>{true, false, false}));
}

TEST_F(PopUpButtonTest, MenuOpensAboveWhenItDoesNotFitBelow)
{
    button->move(100, 150);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->isPopupWindowOpen());
    EXPECT_EQ(panel()->geometry().bottom() + 1, buttonInWindow().top() - 5);
}

TEST_F(PopUpButtonTest, DisabledButtonIgnoresClicksAndShowing)
{
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    button->showPopupWindow();
    EXPECT_FALSE(button->isPopupWindowOpen());
    button->setEnabled(true);
    button->showPopupWindow();
    EXPECT_TRUE(button->isPopupWindowOpen());
}

TEST_F(PopUpButtonTest, ChoosingARowTellsTheDelegateOnceClosesAndChecksOnlyThatRowNextTime)
{
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(rows()[1], Qt::LeftButton);
    EXPECT_EQ(delegate.calls, (QList<QPair<int, QString>>{{1, kRemoveTitles[1]}}));
    EXPECT_FALSE(button->isPopupWindowOpen());
    EXPECT_EQ(button->selectedIndex(), 1);
    EXPECT_EQ(button->selectedTitle()->text(), kRemoveTitles[1]);
    EXPECT_EQ(button->width(), widthOf(kRemoveTitles[1]));

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->isPopupWindowOpen());
    EXPECT_EQ(checks(), (QList<bool>{false, true, false}));
    EXPECT_EQ(delegate.calls.size(), 1);
}

TEST_F(PopUpButtonTest, EveryTitleStartsTwoPointsAfterTheCheckMarksPlaceWhetherOrNotItIsChecked)
{
    for (const int chosen : {1, 2}) {
        button->selectItemAt(chosen);
        button->showPopupWindow();
        ASSERT_TRUE(button->isPopupWindowOpen());
        ASSERT_EQ(rows().size(), 3);
        for (MenuItemView* row : rows()) {
            // The mark's place: 5 pt in, 11 pt wide; the title 2 pt after it.
            EXPECT_EQ(row->title()->geometry().left(), 5 + 11 + 2) << qPrintable(row->title()->text());
            EXPECT_EQ(row->title()->geometry().right(), row->width() - 7 - 1) << qPrintable(row->title()->text());
        }
        const QRect mark = rows()[chosen]->iconView()->geometry();
        EXPECT_EQ(mark.left(), 5);
        EXPECT_EQ(mark.width(), 11);
        button->closePopupWindow();
    }
}

TEST_F(PopUpButtonTest, SelectingAnUnknownTitleUnchecksEveryRowKeepsTheTitleAndStillTellsTheDelegate)
{
    button->showPopupWindow();
    QList<QPointer<MenuItemView>> built;
    for (MenuItemView* row : rows()) {
        built.append(row);
    }
    button->selectItemAtTitle(QStringLiteral("Somewhere else"));
    for (const QPointer<MenuItemView>& row : built) {
        ASSERT_FALSE(row.isNull());
        EXPECT_FALSE(row->iconView()->isVisibleTo(row));
        EXPECT_FALSE(row->selected());
    }
    EXPECT_EQ(button->selectedTitle()->text(), kRemoveTitles[0]);
    EXPECT_EQ(delegate.calls, (QList<QPair<int, QString>>{{0, QStringLiteral("Somewhere else")}}));

    // By index: recorded, no delegate, the title follows when the menu shows.
    button->selectItemAt(2);
    EXPECT_EQ(button->selectedIndex(), 2);
    EXPECT_EQ(delegate.calls.size(), 1);
    button->showPopupWindow();
    EXPECT_EQ(button->selectedTitle()->text(), kRemoveTitles[2]);
    EXPECT_EQ(checks(), (QList<bool>{false, false, true}));
}

TEST_F(PopUpButtonTest, ClicksInsideTheMenuKeepItOpenClicksElsewhereOrEscapeCloseIt)
{
    button->showPopupWindow();
    QTest::mouseClick(panel(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(button->isPopupWindowOpen());
    QTest::mouseClick(outer, Qt::LeftButton, {}, QPoint(5, 150));
    EXPECT_FALSE(button->isPopupWindowOpen());

    button->showPopupWindow();
    QTest::keyClick(panel(), Qt::Key_Escape);
    EXPECT_FALSE(button->isPopupWindowOpen());
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(PopUpButtonTest, ASecondClickOnTheButtonClosesTheMenu)
{
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->isPopupWindowOpen());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isPopupWindowOpen());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(button->isPopupWindowOpen());
}

TEST_F(PopUpButtonTest, TheWhiteMenuKeepsLightTextsInTheDarkAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    button->showPopupWindow();
    const QColor light = RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), false);
    EXPECT_EQ(rows()[0]->title()->effectiveTextColor(), light);
    const QImage image = panel()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 3, image.height() / 2), QColor(Qt::white));

    MenuItemView* row = rows()[2];
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), row->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(row, &enter);
    EXPECT_TRUE(row->isHovered());
    EXPECT_EQ(row->title()->effectiveTextColor(), QColor(Qt::white));
    EXPECT_EQ(row->iconView()->imageName(), QStringLiteral("hook_hover"));
    EXPECT_EQ(row->grab().toImage().pixelColor(row->width() / 2, 11).rgb(), MenuItemView::hoverColor().rgb());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(row, &leave);
    EXPECT_EQ(row->title()->effectiveTextColor(), light);
    EXPECT_EQ(row->iconView()->imageName(), QStringLiteral("hook_normal"));

    // The button's own title follows the appearance until the light hover
    // fill is under it.
    EXPECT_EQ(button->selectedTitle()->effectiveTextColor(), RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), true));
}

TEST_F(PopUpButtonTest, ADisabledButtonShowsNoHoverFillAndLosesItWhenTurnedOff)
{
    RYTDarkMode::setForcedAppearance(1);
    const QColor dark = RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), true);
    const auto enter = [this] {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(button, &event);
    };
    const auto leave = [this] {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(button, &event);
    };
    button->setEnabled(false);
    enter();
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(button->selectedTitle()->effectiveTextColor(), dark);
    leave();

    button->setEnabled(true);
    enter();
    EXPECT_TRUE(button->isHovered());
    button->setEnabled(false);
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(button->selectedTitle()->effectiveTextColor(), dark);
}

TEST_F(PopUpButtonTest, RemovalModeFlowRenamesTheFolderItemFromInsideTheDelegateCall)
{
    // As the scan screen does: choosing the folder item asks for a folder
    // and then names it in the menu, while the clicked menu is on the stack.
    delegate.then = [](PopUpButton* popUp, const QString& title) {
        if (popUp->selectedIndex() != 2 || popUp->selectedTitle()->text() != title) {
            return;
        }
        const QString text = QStringLiteral("Remove to %1").arg(QStringLiteral("My Folder"));
        popUp->selectedTitle()->setText(text);
        popUp->selectedTitle()->setToolTip(text);
        popUp->closePopupWindow();
        popUp->updateIndexTitle(2, text);
    };
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(rows()[2], Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(delegate.calls, (QList<QPair<int, QString>>{{2, kRemoveTitles[2]}}));
    EXPECT_EQ(button->selectedTitle()->text(), QStringLiteral("Remove to My Folder"));
    EXPECT_EQ(button->width(), widthOf(QStringLiteral("Remove to My Folder")));
    EXPECT_EQ(button->itemTitles()[2], QStringLiteral("Remove to My Folder"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(rows().size(), 3);
    EXPECT_EQ(rows()[2]->title()->text(), QStringLiteral("Remove to My Folder"));
    EXPECT_EQ(checks(), (QList<bool>{false, false, true}));

    // Back to the Trash, then the folder item again: the delegate hears both.
    QTest::mouseClick(rows()[0], Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(rows()[2], Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(delegate.calls.size(), 3);
    EXPECT_EQ(button->selectedIndex(), 2);
}

TEST_F(PopUpButtonTest, ARenameBeforeTheMenuWasEverBuiltIsKept)
{
    button->updateIndexTitle(1, QStringLiteral("Gone for good"));
    EXPECT_EQ(button->itemTitles()[1], QStringLiteral("Gone for good"));
    button->showPopupWindow();
    EXPECT_EQ(rows()[1]->title()->text(), QStringLiteral("Gone for good"));
}

TEST_F(PopUpButtonTest, ADelegateThatRemovesTheButtonEndsTheChoiceSafely)
{
    delegate.then = [](PopUpButton* popUp, const QString&) { delete popUp; };
    QPointer<PopUpButton> watched(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(rows()[1], Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
    button = new PopUpButton(inner);
}

TEST(PopUpButtonDialogTest, TheMenuOfAButtonInAModalDialogTakesClicks)
{
    QWidget main;
    main.resize(800, 600);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    WindowController controller;
    controller.setWindow(new QWidget);
    controller.window()->resize(300, 200);
    auto* button = new PopUpButton(controller.window());
    button->move(150, 30);
    RecordingDelegate delegate;
    button->setDelegate(&delegate);
    button->addItems({QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB")});
    ModalOverlay::beginSheet(&main, &controller, true);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::modalWindow() != nullptr; }));

    const QPoint at = button->mapTo(&main, button->rect().center());
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(button->isPopupWindowOpen());
    EXPECT_EQ(button->menuWindow()->window()->parentWidget(), ModalOverlay::overlayFor(&controller));
    MenuItemView* row = button->menuWindow()->itemViews()[2];
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, row->mapTo(&main, row->rect().center()));
    EXPECT_EQ(delegate.calls, (QList<QPair<int, QString>>{{2, QStringLiteral("GB")}}));
    EXPECT_FALSE(button->isPopupWindowOpen());
    button->setDelegate(nullptr);
    ModalOverlay::stopModal();
}

}  // namespace
