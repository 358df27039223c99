// What the similar-image screen shows in each state of the engine, from the
// search to the groups left after a removal: the central box, the action
// button's title, state and alpha, the back button, the removal-mode pop-up
// and the counter; and the ways out of each state.
#include "ScanImagesScreenSupport.h"

#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/AppTermination.h"
#include "Main/Utilities.h"
#include "Manager/ScanImagesManager.h"
#include "View/Extension/KPLExtension.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTView.h"
#include "View/CustomView/PopUpButton.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

namespace {

struct Look {
    QWidget* box;
    QString action;
    bool actionEnabled;
    bool backShown;
    bool backEnabled;
    bool countersShown;
};

void expectLook(ScanImagesViewController* screen, const Look& look)
{
    EXPECT_EQ(screen->mainBoxContent(), look.box);
    EXPECT_EQ(screen->stopBtn()->title(), look.action);
    EXPECT_EQ(screen->stopBtn()->isEnabled(), look.actionEnabled);
    EXPECT_DOUBLE_EQ(similar::opacityOf(screen->stopBtn()), look.actionEnabled ? 1.0 : 0.3);
    EXPECT_EQ(screen->backBtn()->isVisibleTo(screen), look.backShown);
    if (look.backShown) {
        EXPECT_EQ(screen->backBtn()->isEnabled(), look.backEnabled);
        EXPECT_DOUBLE_EQ(similar::opacityOf(screen->backBtn()), look.backEnabled ? 1.0 : 0.3);
    }
    EXPECT_EQ(screen->popUpButton()->isVisibleTo(screen), look.countersShown);
    EXPECT_EQ(screen->selectTip()->isVisibleTo(screen), look.countersShown);
    EXPECT_EQ(screen->selectCount()->isVisibleTo(screen), look.countersShown);
}

}  // namespace

using ScanImagesStatesTest = ScanImagesScreenTest;

TEST_F(ScanImagesStatesTest, FromTheSearchThroughARemovalToTheGroupsLeftAndHome)
{
    const QString folder = makeImages(2, 2);
    ScanImagesManager& engine = ScanImagesManager::shared();
    ScanImagesViewController* made = idleScreen();
    // 1: searching. The back button waits for the end; the counters go as
    // soon as the engine reports its start.
    EXPECT_EQ(engine.scanState(), 1u);
    {
        SCOPED_TRACE("set up");
        expectLook(made, {made->imagesScanningViewCtr(), "Stop", true, true, false, true});
    }
    made->scanImageManagerDidStart(&engine);
    {
        SCOPED_TRACE("searching");
        expectLook(made, {made->imagesScanningViewCtr(), "Stop", true, true, false, false});
    }
    made->configScanImages({QFile::encodeName(folder)});
    ASSERT_TRUE(waitUntil([&] { return !made->isScanning(); }, std::chrono::seconds(60)));

    // 2: the groups; "Remove" waits for a pick.
    ASSERT_EQ(engine.scanState(), 2u);
    ImagesScanResultViewController* result = made->imageResultViewCtr();
    {
        SCOPED_TRACE("found");
        expectLook(made, {result, "Remove", false, true, true, true});
    }
    clickThumbnail(0);
    EXPECT_TRUE(made->stopBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(similar::opacityOf(made->stopBtn()), 1.0);
    clickThumbnail(0);
    EXPECT_FALSE(made->stopBtn()->isEnabled());
    EXPECT_EQ(made->selectCount()->text(), QStringLiteral("0(0  B)"));
    clickThumbnail(1);

    // 5 and 6: the removal view, "Stop", nothing else.
    {
        similar::RemovalGate gate;
        made->stopBtnAction();
        ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
        ASSERT_TRUE(waitUntil([&] { return gate.entered() && similar::removalShown(made); }));
        SCOPED_TRACE("removing");
        expectLook(made, {made->imageDeleteViewCtr(), "Stop", true, false, false, false});
        gate.release();
        ASSERT_TRUE(waitUntil([&] { return made->finishWindowController() && ModalOverlay::overlayFor(made->finishWindowController()); },
                              std::chrono::seconds(30)));
    }
    // The removal view stays behind the finish window.
    EXPECT_EQ(made->mainBoxContent(), made->imageDeleteViewCtr());
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("CloseView"), 12);
    made->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return engine.scanState() == 8; }));

    // 8: a new result view with the groups left; "Deleted:" until a pick,
    // and again once the pick is cleared.
    ASSERT_NE(made->imageResultViewCtr(), result);
    {
        SCOPED_TRACE("removed");
        expectLook(made, {made->imageResultViewCtr(), "Remove", false, true, true, true});
    }
    EXPECT_EQ(made->selectTip()->text(), QStringLiteral("Deleted:"));
    const QString deleted = made->selectCount()->text();
    EXPECT_TRUE(deleted.startsWith(QStringLiteral("1(")));
    clickThumbnail(0);
    EXPECT_EQ(made->selectTip()->text(), QStringLiteral("Selected:"));
    EXPECT_EQ(made->selectCount()->palette().color(QPalette::WindowText), color256(65, 111, 244));
    EXPECT_TRUE(made->stopBtn()->isEnabled());
    clickThumbnail(0);
    EXPECT_EQ(made->selectTip()->text(), QStringLiteral("Deleted:"));
    EXPECT_EQ(made->selectCount()->text(), deleted);
    EXPECT_EQ(made->selectCount()->palette().color(QPalette::WindowText), color256(254, 74, 74));
    EXPECT_FALSE(made->stopBtn()->isEnabled());

    // Home: after a removal the "Back" event is not sent.
    made->backBtnAction();
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    EXPECT_EQ(backCount, 1);
    EXPECT_TRUE(labels("Process", "Back").isEmpty());
    EXPECT_TRUE(engine.dupImages().isEmpty());
}

TEST_F(ScanImagesStatesTest, AStoppedSearchWithGroupsShowsThemAsStopped)
{
    const QString folder = makeImages(1, 2);
    scan({folder});
    ScanImagesManager& engine = ScanImagesManager::shared();
    ASSERT_FALSE(engine.dupImages().isEmpty());
    recorder->clear();
    // A second screen hears a stopped end while the engine holds groups.
    ScanImagesViewController* made = idleScreen();
    made->scanImagesManagerScanDidStop(&engine, 0);
    EXPECT_EQ(engine.scanState(), 3u);
    {
        SCOPED_TRACE("stopped");
        expectLook(made, {made->imageResultViewCtr(), "Remove", false, true, true, true});
    }
    EXPECT_EQ(made->imageResultViewCtr()->dupImagesCount(), 3);
    const QStringList complete = labels("Process", "CompleteScan");
    ASSERT_EQ(complete.size(), 1);
    EXPECT_TRUE(complete.first().contains(QStringLiteral("_b_"))) << complete.first().toStdString();
    // Only a finished search counts the result view.
    EXPECT_TRUE(labels("Process", "Scanresultdata").isEmpty());
    made->backBtnAction();
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    const QStringList back = labels("Process", "Back");
    ASSERT_EQ(back.size(), 1);
    EXPECT_TRUE(back.first().startsWith(QStringLiteral("b_"))) << back.first().toStdString();
}

TEST_F(ScanImagesStatesTest, TwoPressesOfStopAskOnceAndClosingDuringASearchStopsItFirst)
{
    ScanImagesManager& engine = ScanImagesManager::shared();
    ScanImagesViewController* made = idleScreen();
    ASSERT_EQ(engine.scanState(), 1u);
    QTest::mouseClick(made->stopBtn(), Qt::LeftButton);
    QTest::mouseClick(made->stopBtn(), Qt::LeftButton);
    EXPECT_FALSE(made->stopBtn()->isEnabled());
    ASSERT_TRUE(answerSheet(QStringLiteral("Cancel")));
    // No second question was waiting behind the first.
    QTest::qWait(50);
    EXPECT_FALSE(sheetShowing());
    EXPECT_TRUE(made->stopBtn()->isEnabled());
    EXPECT_EQ(engine.scanState(), 1u);

    int quits = 0;
    AppTermination::setQuitHandlerForTesting([&quits, &engine] {
        // The engine was told to stop before the end.
        EXPECT_EQ(engine.scanState(), 3u);
        ++quits;
    });
    EXPECT_FALSE(made->isShouldCloseWindow());
    EXPECT_EQ(sheetText(), QStringLiteral("Are you sure you want to exit the program?"));
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    EXPECT_TRUE(waitUntil([&] { return quits == 1; }));
    AppTermination::setQuitHandlerForTesting(nullptr);
    // A "Cancel" to the close question leaves everything as it was.
    EXPECT_FALSE(made->isShouldCloseWindow());
    ASSERT_TRUE(answerSheet(QStringLiteral("Cancel")));
    EXPECT_EQ(quits, 1);
}

TEST_F(ScanImagesStatesTest, TheRemovalModeAtStart)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    ScanImagesManager& engine = ScanImagesManager::shared();
    // The Trash whatever folder was stored.
    defaults.setInteger(0, "dupImageRemoveType");
    defaults.setObject(scratch() + "/elsewhere", "dupImageRemovePath");
    idleScreen();
    EXPECT_EQ(engine.removeType(), 0u);
    EXPECT_EQ(engine.removePath(), Trash::homeTrash());
    EXPECT_EQ(screen->popUpButton()->selectedIndex(), 0);
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));
    // The folder is named only in the folder mode.
    EXPECT_EQ(screen->popUpButton()->itemTitles().value(2), QStringLiteral("Remove to the Folder..."));
    delete screen.data();

    // A folder mode without a folder: the chooser's own title, no path.
    defaults.setInteger(2, "dupImageRemoveType");
    defaults.removeObjectForKey("dupImageRemovePath");
    idleScreen();
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_TRUE(engine.removePath().isEmpty());
    EXPECT_EQ(screen->popUpButton()->selectedIndex(), 2);
    EXPECT_EQ(screen->popUpButton()->itemTitles().value(2), QStringLiteral("Remove to the Folder..."));
    delete screen.data();

    // A value no mode has leaves the engine's mode alone.
    engine.setRemoveType(1);
    defaults.setInteger(7, "dupImageRemoveType");
    idleScreen();
    EXPECT_EQ(engine.removeType(), 1u);
    EXPECT_TRUE(engine.removePath().isEmpty());
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(), QStringLiteral("Permanently Deleted"));
}

// "Selected" with nothing picked shows its empty state under the tabs: the
// tabs, "Select all" and the header stay where they were, and the "All" tab
// brings the groups back without going home.
TEST_F(ScanImagesStatesTest, AnEmptySelectedTabKeepsItsTabsAndTheWayBackToAll)
{
    const QString folder = makeImages(3, 1);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    const int groups = int(result->dupImagesArray().size());
    ASSERT_GE(groups, 2);
    const QPoint header = result->groupCountLabel()->mapTo(window.get(), QPoint());
    const QPoint tabs = result->allSelectView()->mapTo(window.get(), QPoint());

    QTest::mouseClick(result->selectedSelectView(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(result->isAllView());
    EXPECT_TRUE(result->allSelectView()->isVisible());
    EXPECT_TRUE(result->selectedSelectView()->isVisible());
    EXPECT_TRUE(result->autoSelectAll()->isVisible());
    EXPECT_FALSE(result->autoSelectAll()->isEnabled());  // nothing to select here
    EXPECT_EQ(result->groupCountLabel()->mapTo(window.get(), QPoint()), header);
    EXPECT_EQ(result->allSelectView()->mapTo(window.get(), QPoint()), tabs);
    // The empty state lies below the tabs and "Select all".
    QWidget* empty = result->leftNoDataSelectView();
    ASSERT_TRUE(empty->isVisible());
    EXPECT_GT(empty->mapTo(window.get(), QPoint()).y(),
              result->autoSelectAll()->mapTo(window.get(), QPoint(0, result->autoSelectAll()->height())).y() - 1);
    EXPECT_FALSE(result->listView()->isVisible());
    EXPECT_TRUE(result->rightNoDataSelectView()->isVisible());
    // A switch of mode keeps it.
    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    EXPECT_TRUE(result->allSelectView()->isVisible());
    EXPECT_TRUE(empty->isVisible());

    // Back to "All" by its tab: the groups, with nothing lost.
    QTest::mouseClick(result->allSelectView(), Qt::LeftButton);
    EXPECT_TRUE(result->isAllView());
    EXPECT_TRUE(result->listView()->isVisible());
    EXPECT_FALSE(empty->isVisible());
    EXPECT_TRUE(result->autoSelectAll()->isEnabled());
    EXPECT_EQ(result->listView()->model()->rowCount(), groups);
    EXPECT_EQ(screen->mainBoxContent(), result);
    EXPECT_EQ(backCount, 0);
}

namespace {

// The lightest and darkest pixels a widget shows, as the window paints it.
struct Shades {
    int lightest = 0;
    int darkest = 255;
};

Shades shadesOf(QWidget* window, QWidget* widget)
{
    const qreal ratio = window->devicePixelRatioF();
    const QRect place(widget->mapTo(window, QPoint()) * ratio, widget->size() * ratio);
    const QImage image = window->grab().toImage().copy(place);
    Shades shades;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int lightness = image.pixelColor(x, y).lightness();
            shades.lightest = std::max(shades.lightest, lightness);
            shades.darkest = std::min(shades.darkest, lightness);
        }
    }
    return shades;
}

// The colour the window shows at a point of `widget`.
QColor shownAt(QWidget* window, QWidget* widget, QPoint point)
{
    return window->grab().toImage().pixelColor(widget->mapTo(window, point) * window->devicePixelRatioF());
}

}  // namespace

// The desktop in the dark appearance: the screen's white panels stay white,
// and their texts dark, from the search's live grid to the results.
TEST_F(ScanImagesStatesTest, TheWhitePanelsKeepTheirLightLooksUnderADarkDesktop)
{
    RYTDarkMode::setForcedAppearance(1);
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    const auto restore = qScopeGuard([] {
        QApplication::setPalette(QApplication::style()->standardPalette());
        RYTDarkMode::setForcedAppearance(-1);
    });
    const QString folder = makeImages(3, 1);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    QCoreApplication::processEvents();

    // Below the last group row and beside the last thumbnail: the panels' white.
    QListView* list = result->listView();
    const QPoint belowRows(8, list->viewport()->height() - 4);
    EXPECT_GT(shownAt(window.get(), list->viewport(), belowRows).lightness(), 245);
    ImageGridView* grid = result->scanImagesViewCtr()->collectionView();
    const QPoint emptyCorner(grid->viewport()->width() - 4, grid->viewport()->height() - 4);
    EXPECT_GT(shownAt(window.get(), grid->viewport(), emptyCorner).lightness(), 245);
    for (QAbstractScrollArea* area : {static_cast<QAbstractScrollArea*>(list), static_cast<QAbstractScrollArea*>(grid)}) {
        EXPECT_GT(area->verticalScrollBar()->palette().color(QPalette::Window).lightness(), 200);
        EXPECT_GT(area->verticalScrollBar()->palette().color(QPalette::Button).lightness(), 200);
    }

    // Their texts keep the light appearance's dark values.
    const QColor title = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    EXPECT_EQ(screen->selectTip()->palette().color(QPalette::WindowText), title);
    EXPECT_LT(shadesOf(window.get(), screen->selectTip()).darkest, 120);
    EXPECT_LT(shadesOf(window.get(), result->autoSelectAllTitle()).darkest, 120);
    EXPECT_LT(shadesOf(window.get(), result->selectedTitleLabel()).darkest, 120);

    // The search's live grid, moved into the screen as the search shows it.
    auto* scanning = new ImagesScanningViewController;
    scanning->setParent(screen);
    scanning->show();
    QCoreApplication::processEvents();
    ImageGridView* live = scanning->collectionView();
    EXPECT_GT(live->viewport()->palette().color(QPalette::Base).lightness(), 245);
    EXPECT_GT(live->verticalScrollBar()->palette().color(QPalette::Window).lightness(), 200);
    EXPECT_EQ(scanning->scanningTitle()->palette().color(QPalette::WindowText), title);
    delete scanning;
}
