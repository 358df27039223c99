#include "Window/ClickWindow.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/DupImageNavigationView.h"
#include "Window/DupImageNavigationViewController.h"
#include "Window/DupImageNavigationWindowController.h"
#include "Window/ModalOverlay.h"

#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "QVLibrary/RYTView.h"
#include "TestSupport.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A main window with a field beneath where the guide goes.
class GuideTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        window = std::make_unique<QMainWindow>();
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        field = new QLineEdit(central);
        layout->addWidget(field);
        window->setCentralWidget(central);
        window->resize(700, 420);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        ModalOverlay::setApplicationMainWindow(nullptr);
        window.reset();
        TempHomeTest::TearDown();
    }

    // A click delivered through the window, so it lands on whatever is on top.
    static void clickAt(QWidget* target, QPoint at = QPoint(), Qt::MouseButton button = Qt::LeftButton)
    {
        if (at.isNull()) {
            at = target->rect().center();
        }
        QTest::mouseClick(target->window()->windowHandle(), button, {}, target->mapTo(target->window(), at));
    }

    static bool flag() { return UserDefaults::standardUserDefaults().boolForKey(DupImageNavigationGuide::flagKey()); }

    // The guide window over the main window, once its fade-in is over.
    DupImageNavigationWindowController* showGuideWindow()
    {
        ModalOverlay::setApplicationMainWindow(window.get());
        DupImageNavigationWindowController::showNavigationWindow();
        DupImageNavigationWindowController* guide =
            DupImageNavigationWindowController::globalDupImageNavigationController();
        OverlayView* overlay = guide ? ModalOverlay::overlayFor(guide) : nullptr;
        EXPECT_NE(overlay, nullptr);
        EXPECT_TRUE(overlay && waitUntil([&] { return overlay->phase() == OverlayView::Phase::shown; }));
        return overlay ? guide : nullptr;
    }

    std::unique_ptr<QMainWindow> window;
    QLineEdit* field = nullptr;
};

DupImageNavigationViewController* showInWindow(QMainWindow* window)
{
    auto* guide = new DupImageNavigationViewController(window->centralWidget());
    DupImageNavigationGuide::pinToEdges(guide);
    guide->show();
    guide->raise();
    return guide;
}

}  // namespace

TEST_F(GuideTest, InWindowGuideFillsItsPagesAndEndsAfterThreeClicksOnItsPanels)
{
    DupImageNavigationViewController* guide = showInWindow(window.get());
    EXPECT_EQ(guide->geometry(), window->centralWidget()->rect());
    EXPECT_EQ(guide->duplicateBtnTitle()->text(), "Scan Duplicates");
    EXPECT_EQ(guide->dupImagesBtnTitle()->text(), "Scan Similar Images");
    EXPECT_EQ(guide->largeBtnTitle()->text(), "Scan Large Files");
    EXPECT_EQ(guide->dupImagesTipLabel()->text(), "Here you may scan for similar-looking images.");
    // The tip speaks of this computer.
    EXPECT_EQ(guide->largeFileTipLable()->text(), "Click the button to scan larger files on your computer.");
    EXPECT_EQ(guide->duplicateBtnTitle()->palette().color(QPalette::WindowText),
              QColor::fromRgbF(54 / 256.0f, 78 / 256.0f, 101 / 256.0f));
    EXPECT_TRUE(guide->scanDupView()->isVisible());
    EXPECT_FALSE(guide->scanImageOutsideView()->isVisible());

    // A press that reaches the guide's root, not a panel, moves nothing.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(guide, &press);
    // Nor does a right click on a panel.
    clickAt(guide->scanDupView(), {}, Qt::RightButton);
    EXPECT_EQ(guide->clickCount(), 0);

    // The first click lands on the page, the next two on the panels inside.
    clickAt(guide->scanDupView(), QPoint(5, 5));
    EXPECT_EQ(guide->clickCount(), 1);
    EXPECT_FALSE(guide->scanDupView()->isVisible());
    EXPECT_TRUE(guide->scanImageOutsideView()->isVisible());
    clickAt(guide->scanImageView());
    EXPECT_EQ(guide->clickCount(), 2);
    EXPECT_TRUE(guide->scanLargeOutsideView()->isVisible());
    EXPECT_FALSE(flag());
    // A press on the tip goes up to the panel it lies on.
    clickAt(guide->largeFileTipLable());
    EXPECT_FALSE(guide->isVisible());
    EXPECT_TRUE(flag());
    EXPECT_EQ(guide->clickCount(), 2);
    // Hidden, it stays in the window; the controls beneath take clicks again.
    EXPECT_EQ(guide->parentWidget(), window->centralWidget());
    clickAt(field);
    EXPECT_TRUE(field->hasFocus());
}

TEST_F(GuideTest, InWindowGuideCoversTheWindowAndKeepsTheKeyboard)
{
    field->setFocus();
    DupImageNavigationViewController* guide = showInWindow(window.get());
    guide->setFocus();
    EXPECT_TRUE(guide->hasFocus());
    // A click where the field lies lands on the guide.
    clickAt(field);
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(guide->clickCount(), 1);
    // Neither Tab (which turns the page) nor a direct request gives the
    // field the focus.
    QTest::keyClick(guide, Qt::Key_Tab);
    EXPECT_FALSE(field->hasFocus());
    field->setFocus();
    EXPECT_FALSE(field->hasFocus());
    EXPECT_TRUE(guide->hasFocus());
    // It follows the window's size.
    window->resize(900, 600);
    ASSERT_TRUE(waitUntil([&] { return guide->size() == window->centralWidget()->size(); }));
    EXPECT_EQ(guide->scanImageOutsideView()->size(), guide->size());
    // The panels are drawn over the middle when no home screen is there.
    EXPECT_EQ(guide->scanImageView()->size(), QSize(700, 360));
    EXPECT_EQ(guide->scanImageView()->geometry().center(), guide->rect().center());
}

TEST_F(GuideTest, EveryGuideMovesOnAtEveryPanelClickWhoeverSentIt)
{
    DupImageNavigationViewController first;
    DupImageNavigationViewController second;
    NotificationCenter::defaultCenter().post(DupImageNavigationView::clickNotification());
    EXPECT_EQ(first.clickCount(), 1);
    EXPECT_EQ(second.clickCount(), 1);
    int blockRuns = 0;
    first.scanDupView()->mouseDownBlock = [&] { ++blockRuns; };
    QTest::mouseClick(first.scanDupView(), Qt::LeftButton);
    EXPECT_EQ(blockRuns, 1);
    EXPECT_EQ(second.clickCount(), 2);
}

TEST_F(GuideTest, BubblesFitTheirTipsUpToEightyPoints)
{
    RYTView bubble;
    QLabel tip(&bubble);
    bubble.setGeometry(10, 100, 290, 60);
    tip.setGeometry(62, 16, 214, 28);
    tip.setText(QString(400, QLatin1Char('w')).replace(QRegularExpression("(w{9})"), "\\1 "));
    DupImageNavigationGuide::updateView(&bubble, &tip, false);
    EXPECT_EQ(tip.height(), 80);
    EXPECT_EQ(bubble.height(), 112);
    EXPECT_EQ(bubble.y(), 100);  // its top edge stays
    EXPECT_EQ(tip.y(), 16);
    EXPECT_EQ(tip.x(), 62);
    EXPECT_EQ(tip.palette().color(QPalette::WindowText), QColor(Qt::white));

    // The lowest page's bubble keeps its bottom edge and grows upwards.
    RYTView low;
    QLabel lowTip(&low);
    low.setGeometry(10, 100, 290, 60);
    lowTip.setGeometry(62, 16, 214, 28);
    lowTip.setText(QStringLiteral("Short."));
    DupImageNavigationGuide::updateView(&low, &lowTip, true);
    const int h = lowTip.height();
    EXPECT_GT(h, 0);
    EXPECT_LT(h, 40);
    EXPECT_EQ(low.height(), h + 32);
    EXPECT_EQ(low.geometry().bottom(), 159);
    EXPECT_EQ(lowTip.y(), (h + 32) / 2 - h / 2);

    // Without a tip the bubble is the padding alone.
    RYTView empty;
    empty.setGeometry(0, 50, 100, 60);
    DupImageNavigationGuide::updateView(&empty, nullptr, false);
    EXPECT_EQ(empty.height(), 32);
    EXPECT_EQ(DupImageNavigationGuide::tipTextHeight(nullptr), 0);

    // In a guide, only the large-file bubble keeps its bottom edge.
    DupImageNavigationViewController guide;
    const QRect dup = guide.dupTextView()->geometry();
    const QRect large = guide.largeTextView()->geometry();
    guide.duplicateFileTipLabel()->setText(tip.text());
    guide.largeFileTipLable()->setText(tip.text());
    guide.updateView(guide.dupTextView(), guide.duplicateFileTipLabel());
    guide.updateView(guide.largeTextView(), guide.largeFileTipLable());
    EXPECT_EQ(guide.dupTextView()->y(), dup.y());
    EXPECT_EQ(guide.dupTextView()->height(), 112);
    EXPECT_EQ(guide.largeTextView()->geometry().bottom(), large.bottom());
    EXPECT_EQ(guide.largeTextView()->height(), 112);
}

TEST_F(GuideTest, WindowGuideWithoutMainWindowIsMadeButNotShown)
{
    window->hide();
    ModalOverlay::setApplicationMainWindow(nullptr);
    ASSERT_EQ(ModalOverlay::applicationMainWindow(), nullptr);
    DupImageNavigationWindowController::showNavigationWindow();
    DupImageNavigationWindowController* guide = DupImageNavigationWindowController::globalDupImageNavigationController();
    ASSERT_NE(guide, nullptr);
    EXPECT_FALSE(guide->window()->isVisible());
    EXPECT_EQ(ModalOverlay::overlayFor(guide), nullptr);
    EXPECT_EQ(guide->dupImagesBtnTitle()->text(), "Scan Similar Images");
    EXPECT_FALSE(flag());
    // A guide that never showed is not ended by a click elsewhere.
    guide->endSheet();
    EXPECT_FALSE(flag());
}

TEST_F(GuideTest, WindowGuideMovesOnAtAnyLeftPressAndEndsAtTheThird)
{
    field->setFocus();
    const int before = ClickWindow::clickCount();
    DupImageNavigationWindowController* guide = showGuideWindow();
    ASSERT_NE(guide, nullptr);
    OverlayView* overlay = ModalOverlay::overlayFor(guide);
    EXPECT_EQ(guide->window()->size(), window->size());
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanDupView());

    if (before == 0) {
        // Right presses and keys that are not the guide's do not count.
        clickAt(guide->duplicateBtnTitle(), {}, Qt::RightButton);
        QTest::keyClick(guide->window(), Qt::Key_A);
        QTest::keyClick(guide->window(), Qt::Key_Space, Qt::ControlModifier);
        EXPECT_EQ(ClickWindow::clickCount(), 0);
        clickAt(guide->duplicateBtnTitle());
        EXPECT_EQ(ClickWindow::clickCount(), 1);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanImageView());
        clickAt(guide->scanImageView(), QPoint(3, 3));
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanLargeView());
        EXPECT_FALSE(flag());
    }
    // The third press ends it; the flag is written before the fade ends.
    clickAt(guide->window(), QPoint(2, 2));
    EXPECT_TRUE(flag());
    EXPECT_EQ(overlay->phase(), OverlayView::Phase::fadingOut);
    // A press during the fade ends it again, harmlessly.
    clickAt(guide->window(), QPoint(2, 2));
    EXPECT_TRUE(flag());
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(guide) == nullptr; }));
    EXPECT_FALSE(guide->window()->isVisible());
}

TEST_F(GuideTest, ClickCountCarriesOverToALaterGuideWindow)
{
    ModalOverlay::setApplicationMainWindow(window.get());
    DupImageNavigationWindowController::showNavigationWindow();
    DupImageNavigationWindowController* first = DupImageNavigationWindowController::globalDupImageNavigationController();
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(first)->phase() == OverlayView::Phase::shown; }));
    const int before = ClickWindow::clickCount();
    clickAt(first->window(), QPoint(4, 4));
    EXPECT_EQ(ClickWindow::clickCount(), before + 1);

    // A second guide in the same run goes on from the count reached: its
    // first press is at least the second of the run, so it never shows the
    // second page.
    UserDefaults::standardUserDefaults().removeObjectForKey(DupImageNavigationGuide::flagKey());
    // The first controller goes; the new one may take its very address.
    const QPointer<DupImageNavigationWindowController> firstAlive(first);
    DupImageNavigationWindowController::showNavigationWindow();
    DupImageNavigationWindowController* second = DupImageNavigationWindowController::globalDupImageNavigationController();
    EXPECT_TRUE(firstAlive.isNull());
    ASSERT_NE(second, nullptr);
    ASSERT_NE(ModalOverlay::overlayFor(second), nullptr);
    EXPECT_EQ(second->contentBox()->currentWidget(), second->scanDupView());
    clickAt(second->window(), QPoint(4, 4));
    EXPECT_EQ(ClickWindow::clickCount(), before + 2);
    if (before + 2 == 2) {
        EXPECT_EQ(second->contentBox()->currentWidget(), second->scanLargeView());
        EXPECT_FALSE(flag());
    } else {
        EXPECT_TRUE(flag());
    }
}

namespace {

// A key as the keyboard gives it to whatever holds the focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
}

int pageOf(DupImageNavigationViewController* guide)
{
    return guide->scanDupView()->isVisible() ? 1 : guide->scanImageOutsideView()->isVisible() ? 2
           : guide->scanLargeOutsideView()->isVisible()                                      ? 3
                                                                                             : 0;
}

}  // namespace

TEST_F(GuideTest, InWindowGuideTurnsItsPagesByKeysBackAndForth)
{
    // A shortcut of the window beneath, on a key the guide takes.
    int shortcutRuns = 0;
    QAction* shortcut = window->addAction(QStringLiteral("beneath"));
    shortcut->setShortcut(Qt::Key_Return);
    QObject::connect(shortcut, &QAction::triggered, [&] { ++shortcutRuns; });

    DupImageNavigationViewController* guide = showInWindow(window.get());
    guide->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(guide->hasFocus());
    // On the first page, back goes nowhere.
    press(Qt::Key_Left);
    press(Qt::Key_Up);
    EXPECT_EQ(pageOf(guide), 1);
    EXPECT_EQ(guide->clickCount(), 0);
    // Return, Space, Tab, Enter, Right and Down move on; Shift+Tab, Left and
    // Up come back.
    press(Qt::Key_Return);
    EXPECT_EQ(pageOf(guide), 2);
    EXPECT_EQ(shortcutRuns, 0);
    press(Qt::Key_Left);
    EXPECT_EQ(pageOf(guide), 1);
    EXPECT_EQ(guide->clickCount(), 0);
    press(Qt::Key_Space);
    press(Qt::Key_Tab);
    EXPECT_EQ(pageOf(guide), 3);
    EXPECT_FALSE(field->hasFocus());
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(pageOf(guide), 2);
    press(Qt::Key_Up);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    press(Qt::Key_Right);
    EXPECT_EQ(pageOf(guide), 3);
    press(Qt::Key_Left);
    press(Qt::Key_Down);
    EXPECT_EQ(pageOf(guide), 3);
    EXPECT_EQ(guide->clickCount(), 2);
    EXPECT_FALSE(flag());
    // A held key turns no more pages; other keys and shortcuts pass it by.
    QKeyEvent held(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(guide, &held);
    press(Qt::Key_A);
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(pageOf(guide), 3);
    // On the last page the next step ends it, as its click does.
    press(Qt::Key_Return);
    EXPECT_FALSE(guide->isVisible());
    EXPECT_EQ(pageOf(guide), 0);
    EXPECT_TRUE(flag());
    EXPECT_EQ(shortcutRuns, 0);
    // The window beneath has its keys back.
    field->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(shortcutRuns, 1);
}

TEST_F(GuideTest, EscapeEndsTheInWindowGuideOnAnyPageAndHandsTheKeyboardBack)
{
    DupImageNavigationViewController* guide = showInWindow(window.get());
    guide->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Right);
    ASSERT_EQ(pageOf(guide), 2);
    press(Qt::Key_Escape);
    EXPECT_FALSE(guide->isVisible());
    EXPECT_TRUE(flag());
    EXPECT_EQ(guide->parentWidget(), window->centralWidget());
    // Nothing hidden keeps the keyboard: Tab reaches the field beneath.
    EXPECT_FALSE(guide->hasFocus());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("ok"));
    EXPECT_EQ(field->text(), "ok");
}

TEST_F(GuideTest, WindowGuideTurnsItsPagesByKeysAndEscapeEndsIt)
{
    field->setFocus();
    const int before = ClickWindow::clickCount();
    DupImageNavigationWindowController* guide = showGuideWindow();
    ASSERT_NE(guide, nullptr);
    OverlayView* overlay = ModalOverlay::overlayFor(guide);
    ASSERT_EQ(QApplication::focusWidget(), guide->window());

    if (before == 0) {
        // A step on counts as a press; a step back takes it off again.
        press(Qt::Key_Left);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanDupView());
        EXPECT_EQ(ClickWindow::clickCount(), 0);
        press(Qt::Key_Space);
        EXPECT_EQ(ClickWindow::clickCount(), 1);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanImageView());
        press(Qt::Key_Tab);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanLargeView());
        press(Qt::Key_Up);
        EXPECT_EQ(ClickWindow::clickCount(), 1);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanImageView());
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanDupView());
        EXPECT_EQ(ClickWindow::clickCount(), 0);
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        EXPECT_EQ(guide->contentBox()->currentWidget(), guide->scanLargeView());
        EXPECT_EQ(ClickWindow::clickCount(), 2);
        EXPECT_FALSE(flag());
        EXPECT_FALSE(field->hasFocus());
    }
    // Escape ends it on whatever page is up: the flag at once, the window
    // once its fade is over, and the keyboard is the main window's again.
    press(Qt::Key_Escape);
    EXPECT_TRUE(flag());
    EXPECT_EQ(overlay->phase(), OverlayView::Phase::fadingOut);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(guide) == nullptr; }));
    EXPECT_FALSE(guide->window()->isVisible());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab);
    EXPECT_TRUE(field->hasFocus());
}
