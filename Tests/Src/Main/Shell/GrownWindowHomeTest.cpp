// The home after a result screen in a window larger than the home: a window
// maximised there gets the home size back on the way home, and a window the
// window manager keeps larger all the same has the home in its middle, not
// in its upper left corner with the rest of the window empty.

#include "ScanScreenFixture.h"

#include "Foundation/UserDefaults.h"
#include "Main/ContentBox.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "QVLibrary/RYTButton.h"
#include "RYTFullSizeWindow.h"
#include "Lottie/AnimationView.h"
#include "View/CustomView/FunctionButton.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/FinishWindowController.h"

#include <QScreen>
#include <QStackedWidget>
#include <QTest>

namespace {

std::string text(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

}  // namespace

class GrownWindowHomeTest : public ScanScreenTest {
protected:
    void SetUp() override
    {
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        ScanScreenTest::SetUp();
        window = nib().window();
        area = window->screen()->availableGeometry();
    }
    FolderSetViewController* home() { return root()->folderSetViewController(); }

    // The window manager's maximise button.
    void maximise()
    {
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        ASSERT_TRUE(waitUntil([&] { return window->isMaximized() && window->frameGeometry() == area; }))
            << text(window->frameGeometry());
    }
    // The Back button of the scan screen, then "Yes".
    void back()
    {
        ScanViewController* s = screen();
        ASSERT_NE(s, nullptr);
        clickCentre(s->backBtn());
        ASSERT_TRUE(waitForSheet(QStringLiteral("The scanning results won't be saved if you go Back.")));
        answer(QStringLiteral("Yes"));
        ASSERT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() == home(); }));
    }
    // Once the window has taken `size` and its layouts have followed: the
    // home panel at its own size in the middle of the room below the title,
    // its list look's controls inside it, where they show. The panel in the
    // window's coordinates.
    QRect expectTheHomeInTheMiddle(QSize size)
    {
        EXPECT_TRUE(waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            return window->size() == size;
        })) << window->width() << "x" << window->height();
        const QRect panel(home()->mapTo(window, QPoint(0, 0)), home()->size());
        EXPECT_EQ(panel.size(), QSize(MainViewController::homeBoxWidth, MainViewController::homeBoxHeight));
        const QRect room(root()->mapTo(window, QPoint(0, 0)), root()->size());
        EXPECT_EQ(room.width(), size.width());
        EXPECT_EQ(room.bottom(), size.height() - 1);
        EXPECT_LE(std::abs(panel.center().x() - room.center().x()), 1) << text(panel) << " in " << text(room);
        EXPECT_LE(std::abs(panel.center().y() - room.center().y()), 1) << text(panel) << " in " << text(room);
        EXPECT_EQ(home()->container()->currentWidget(), static_cast<QWidget*>(home()->tableContainView()));
        const QRect buttons(home()->scanBtn()->mapTo(window, QPoint(0, 0)), home()->scanBtn()->size());
        EXPECT_TRUE(panel.contains(buttons)) << text(buttons) << " outside " << text(panel);
        return panel;
    }
    // Back at the home size, about the middle of the screen the window
    // filled, the home fills the window's width.
    void expectTheHomeSize()
    {
        EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
        const QRect panel = expectTheHomeInTheMiddle(QSize(700, 420));
        EXPECT_EQ(panel.left(), 0) << text(panel);
        EXPECT_LE(std::abs(window->frameGeometry().center().x() - area.center().x()), 1);
        EXPECT_LE(std::abs(window->frameGeometry().center().y() - area.center().y()), 1);
    }
    // What a window manager that keeps a window at its own size does after
    // the program asked for the home size: the window stays as large as the
    // screen lets it.
    void expectTheHomeInTheMiddleOfAWindowKeptLarger()
    {
        const QSize kept = area.size() - (window->frameGeometry().size() - window->size());
        window->resize(kept);
        expectTheHomeInTheMiddle(kept);
    }

    QWidget* window = nullptr;
    QRect area;
};

TEST_F(GrownWindowHomeTest, BackFromAMaximisedResultScreen)
{
    ASSERT_NE(scanToResults(duplicateTree(), false), nullptr);
    maximise();
    back();
    expectTheHomeSize();
    expectTheHomeInTheMiddleOfAWindowKeptLarger();

    // A scan from that window and back again: the home is the home again.
    ASSERT_NE(scanToResults(duplicateTree(), false), nullptr);
    EXPECT_EQ(root()->mainViewBox()->width(), root()->width());
    maximise();
    back();
    expectTheHomeSize();
}

TEST_F(GrownWindowHomeTest, TheEndOfARemovalThatLeavesNothingInAMaximisedWindow)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    ASSERT_NE(s, nullptr);
    maximise();
    clickCentre(s->automaticSelectionBtn());
    choosePermanently(s);
    clickCentre(s->startBtn());
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to permanently delete the selected files?")));
    answer(QStringLiteral("Yes"));
    FinishWindowController* finish = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        FileRemovingViewController* removing = s->fileRemovingViewCtr();
        finish = removing ? removing->finishWindowController() : nullptr;
        return finish && finish->completeButton()->isVisible();
    }));
    QCoreApplication::sendPostedEvents();
    QTest::mouseClick(finish->completeButton(), Qt::LeftButton);
    // Every group is gone: home.
    ASSERT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() == home(); }));
    expectTheHomeSize();
    expectTheHomeInTheMiddleOfAWindowKeptLarger();
}
