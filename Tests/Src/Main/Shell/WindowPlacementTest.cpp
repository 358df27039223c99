// Where the main window stands on the way to each scan and back: it keeps
// its centre, takes the size its screen really needs, stays inside the
// screen, and the home comes back as the home after a scan found nothing.

#include "ShellFixture.h"

#include "Foundation/UserDefaults.h"
#include "Main/ContentBox.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "QVLibrary/RYTButton.h"
#include "RYTFullSizeWindow.h"
#include "View/CustomView/FunctionButton.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/FolderSetViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "View/ScanViewController.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/SheetWindowController.h"

#include <QFile>
#include <QScreen>
#include <QTest>

namespace {

QPointF centreOf(const QWidget* window)
{
    return QRectF(window->frameGeometry()).center();
}

bool near(QPointF a, QPointF b)
{
    return std::abs(a.x() - b.x()) <= 1.0 && std::abs(a.y() - b.y()) <= 1.0;
}

std::string text(QPointF p)
{
    return "(" + std::to_string(p.x()) + ", " + std::to_string(p.y()) + ")";
}

}  // namespace

class WindowPlacementTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        writeFile(QStringLiteral("a/one.txt"), "same");
        writeFile(QStringLiteral("a/two.txt"), "same");
        writeFile(QStringLiteral("empty/only.txt"), "alone");
        launch();
        window = nib().window();
        area = window->screen()->availableGeometry();
        if (area.width() < 1400 || area.height() < 900) {
            GTEST_SKIP() << "the screen is too small to centre a scan window on";
        }
    }
    MainViewController* root() { return nib().mainWindow()->mainViewController(); }
    FolderSetViewController* home() { return root()->folderSetViewController(); }

    // Puts the home window's frame centre at `centre`.
    void placeHome(QPoint centre)
    {
        QRect frame = window->frameGeometry();
        frame.moveCenter(centre);
        window->move(frame.topLeft());
        ASSERT_TRUE(waitUntil([&] { return window->frameGeometry().center() == centre; }));
    }
    // Lists the folder and presses one of the home's function buttons.
    void press(FunctionButton* button, const char* folder)
    {
        const QByteArray path = QFile::encodeName(scratch() + QLatin1Char('/') + QLatin1String(folder));
        if (!home()->folderList().contains(path)) {
            home()->dragDrop(home()->folderList().isEmpty() ? home()->dragDropView() : home()->mainDragView(), {path});
            ASSERT_TRUE(waitUntil([&] { return home()->dropsInFlight() == 0; }));
        }
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() != home(); }));
    }
    void waitForTheScan()
    {
        if (ScanViewController* screen = root()->scanViewController()) {
            ASSERT_TRUE(waitUntil([screen] {
                return screen->displayViewType() != ScanViewController::DisplayViewType::displayViewTypeScanning;
            }));
        }
    }
    // The Back button of the screen on display, then "Yes".
    void back()
    {
        RYTButton* button = root()->scanViewController() ? root()->scanViewController()->backBtn()
                                                         : root()->scanImagesViewController()->backBtn();
        ASSERT_TRUE(waitUntil([&] { return button->isEnabled(); }));
        QTest::mouseClick(button, Qt::LeftButton);
        SheetWindowController* sheet = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            sheet = SheetWindowController::globalSheetController();
            return sheet && sheet->isShowing();
        }));
        for (RYTButton* answer : {sheet->determineBtn(), sheet->uncertainBtn()}) {
            if (answer->title() == QStringLiteral("Yes")) {
                QTest::mouseClick(answer, Qt::LeftButton);
            }
        }
        ASSERT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() == home(); }));
    }
    bool inside() const { return area.contains(window->frameGeometry()); }

    QWidget* window = nullptr;
    QRect area;
};

TEST_F(WindowPlacementTest, EveryScanAndEveryWayBackKeepsTheCentre)
{
    placeHome(area.center());
    ASSERT_EQ(window->size(), QSize(700, 420));
    const QRect homeFrame = window->frameGeometry();
    const QPointF centre = centreOf(window);
    FunctionButton* buttons[] = {home()->scanBtn(), home()->scanLargeFileBtn(), home()->scanImagesBtn()};
    for (int round = 0; round < 2; ++round) {
        for (FunctionButton* button : buttons) {
            SCOPED_TRACE(button->title().toStdString() + ", round " + std::to_string(round));
            press(button, "a");
            waitForTheScan();
            // The size the screen takes, about the centre the home had.
            EXPECT_TRUE(near(centreOf(window), centre)) << text(centreOf(window));
            EXPECT_GE(window->width(), 1000);
            EXPECT_GE(window->height(), 580);
            EXPECT_EQ(window->size(), window->size().expandedTo(window->minimumSize()));
            back();
            // Exactly where it was: no creep from one trip to the next.
            EXPECT_EQ(window->frameGeometry(), homeFrame);
            EXPECT_EQ(window->size(), QSize(700, 420));
        }
    }
}

TEST_F(WindowPlacementTest, TheScanWindowStaysInsideTheScreenNearItsEdge)
{
    // The home in the lower right corner: the scan window cannot keep the
    // centre there, and stays whole on the screen instead.
    placeHome(area.bottomRight() - QPoint(360, 220));
    press(home()->scanBtn(), "a");
    waitForTheScan();
    EXPECT_TRUE(inside()) << window->frameGeometry().x() << "," << window->frameGeometry().y();
    EXPECT_EQ(window->frameGeometry().right(), area.right());
    EXPECT_EQ(window->frameGeometry().bottom(), area.bottom());
    // Back home about the scan window's centre, inside the screen too.
    const QPointF scanCentre = centreOf(window);
    back();
    EXPECT_EQ(window->size(), QSize(700, 420));
    EXPECT_TRUE(near(centreOf(window), scanCentre));
    EXPECT_TRUE(inside());
}

TEST_F(WindowPlacementTest, CompleteAfterNothingFoundBringsBackTheHomeItself)
{
    placeHome(area.center());
    const QRect homeFrame = window->frameGeometry();
    for (FunctionButton* button : {home()->scanBtn(), home()->scanLargeFileBtn()}) {
        SCOPED_TRACE(button->title().toStdString());
        home()->restartBtnAction();
        press(button, "empty");
        waitForTheScan();
        ScanViewController* screen = root()->scanViewController();
        ASSERT_NE(screen, nullptr);
        NotDataFinishedViewController* nothing = screen->notDataFinishedViewCtr();
        ASSERT_TRUE(waitUntil([&] { return nothing->finishedBtn()->isVisible(); }));
        QTest::mouseClick(nothing->finishedBtn(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() == home(); }));
        // The home's own size, filled by the home, about the same centre.
        EXPECT_EQ(window->frameGeometry(), homeFrame);
        EXPECT_EQ(window->size(), QSize(700, 420));
        EXPECT_EQ(root()->mainViewBox()->width(), window->width());
        EXPECT_EQ(home()->width(), window->width());
    }
}
