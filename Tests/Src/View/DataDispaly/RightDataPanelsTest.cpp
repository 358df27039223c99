// The two right panels over real scans: finding the chosen group again, the
// file table, the removal variants, the usage events, the split views, the
// outline's memories and appended groups.

#include "PanelDrivers.h"

#include "Foundation/FileManager.h"
#include "GA/QVDAEventObserver.h"
#include "Helper.h"
#include "Manager/AssembleOperation.h"
#include "QuickLook/MediaPlayerView.h"
#include "QuickLook/QLImageView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListArrowButton.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListMainTableCellView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLSplitView.h"
#include "Window/SheetWindowController.h"

#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QHelpEvent>
#include <QVariantAnimation>

#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

namespace {

const QList<QPair<QString, QByteArray>> kThreeGroups = {
    {"a/1.txt", "first group"},          {"a/2.txt", "first group"},          {"b/1.dat", "second group, longer"},
    {"b/2.dat", "second group, longer"}, {"c/1.bin", "third group, the longest"}, {"c/2.bin", "third group, the longest"},
    {"c/3.bin", "third group, the longest"}};

class RightDataPanelsTest : public PanelTest {
protected:
    void TearDown() override
    {
        setMd5ReadFailureForTesting(nullptr);
        FileManager::clearFaults();
        PanelTest::TearDown();
    }
};

// ---------------------------------------------------------------------------
// Preview panel

TEST_F(RightDataPanelsTest, WhileScanningTheChosenGroupIsFoundAgainAndItsFilesStay)
{
    // The scan holds at the largest group until the test lets it go.
    std::mutex mutex;
    std::condition_variable released;
    bool go = false;
    std::atomic<bool> holding{false};
    setMd5ReadFailureForTesting([&](const QByteArray& path) {
        if (path.endsWith("hold.bin")) {
            holding = true;
            std::unique_lock lock(mutex);
            released.wait(lock, [&] { return go; });
        }
        return false;
    });
    auto release = [&] {
        {
            std::lock_guard lock(mutex);
            go = true;
        }
        released.notify_all();
    };
    for (const auto& file : kThreeGroups) {
        writeFile(QStringLiteral("tree/") + file.first, file.second);
    }
    writeFile(QStringLiteral("tree/z/hold.bin"), QByteArray(4000, 'h'));
    writeFile(QStringLiteral("tree/z/hold2.bin"), QByteArray(4000, 'h'));
    ScanManager& engine = ScanManager::default_();
    engine.setFolderList({QFile::encodeName(scratch() + QStringLiteral("/tree"))});
    engine.scanDuplicateFile();
    const bool held = waitUntil([&] { return holding.load() && engine.totalFiles().size() == 3; });
    if (!held) {
        release();
    }
    ASSERT_TRUE(held);
    ASSERT_FALSE(engine.scanFinished());
    const DuplicateFilesList groups = engine.totalFiles();

    PreviewDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataPreviewViewController* panel = driver.panel;
    panel->setCheckIsEnabled(false);
    panel->setDataArray({groups[1], groups[2]});
    panel->mainTableView()->selectRow(1);
    panel->subTableView()->selectRow(2);
    QSignalSpy fileTableReloads(panel->subModel(), &QAbstractItemModel::modelReset);

    // A refresh that inserts a group before the chosen one.
    panel->setDataArray(groups);
    EXPECT_EQ(panel->mainTableView()->selectedRow(), 2);
    EXPECT_EQ(panel->subTableView()->selectedRow(), 2);
    EXPECT_EQ(fileTableReloads.count(), 0);
    EXPECT_EQ(panel->lastMainSelect().item, groups[2]);
    // Disabled boxes while the scan runs.
    EXPECT_FALSE(driver.groupCell(groups[0])->findChild<RYTCheckBox*>(QStringLiteral("checkBox"))->isEnabled());

    release();
    ASSERT_TRUE(waitUntil([&] { return engine.scanFinished() && !engine.scaning(); }));
    ASSERT_TRUE(engine.waitUntilIdle(60000));
    panel->setCheckIsEnabled(true);
    panel->setDataArray(engine.totalFiles());
    EXPECT_EQ(panel->mainTableView()->selectedRow(), 2);
    EXPECT_EQ(panel->subTableView()->selectedRow(), 2);
    // Once the scan has finished, choosing a group always reloads its files.
    panel->mainTableView()->selectRow(0);
    panel->mainTableView()->selectRow(2);
    EXPECT_EQ(fileTableReloads.count(), 2);
}

TEST_F(RightDataPanelsTest, AfterInitSelectTheNextReloadChoosesRowZero)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    PreviewDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataPreviewViewController* panel = driver.panel;
    panel->setDataArray(groups);
    EXPECT_EQ(screen.calls, QStringList{QStringLiteral("updateRightDataBox(false)")});
    panel->mainTableView()->selectRow(2);
    panel->subTableView()->selectRow(1);
    panel->reloadData();
    EXPECT_EQ(panel->mainTableView()->selectedRow(), 2);
    EXPECT_EQ(panel->subTableView()->selectedRow(), 1);
    panel->initSelect();
    EXPECT_EQ(panel->lastMainSelect().row, -1);
    EXPECT_TRUE(panel->lastMainSelect().item->infos().isEmpty());
    EXPECT_TRUE(panel->lastSubSelect().item->path().isEmpty());
    panel->reloadData();
    EXPECT_EQ(panel->mainTableView()->selectedRow(), 0);
    EXPECT_EQ(panel->subTableView()->selectedRow(), 0);
    EXPECT_EQ(panel->filePreviewView()->currentURL(), groups[0]->infos()[0]->displayPath());

    // An empty list shows the screen's empty state and keeps the groups.
    screen.calls.clear();
    panel->setDataArray({});
    EXPECT_EQ(screen.calls, QStringList{QStringLiteral("updateRightDataBox(true)")});
    EXPECT_EQ(panel->filesArray().size(), groups.size());
}

TEST_F(RightDataPanelsTest, AClickReportsTheFormatAfterThePreviewSwitched)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    Helper::setNetworkReachableOverride(true);
    PreviewDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataPreviewViewController* panel = driver.panel;
    panel->setDataArray(groups);
    QTest::qWait(0);
    QStringList seen;
    QVDAEventObserver previous = QVDASetEventObserver([&](const QVDAObservedEvent& event) {
        if (event.action == QStringLiteral("PreviewFormat")) {
            seen << event.label + QLatin1Char('@') + panel->filePreviewView()->currentURL().section(QLatin1Char('/'), -2);
        }
    });
    // A click on the name, away from the controls, chooses the row.
    KPLTableView* files = panel->subTableView();
    const QRect second = files->visualRect(panel->subModel()->index(1, 0));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, QPoint(second.center().x() - 60, second.center().y()));
    KPLTableView* table = panel->mainTableView();
    const QRect third = table->visualRect(panel->mainModel()->index(2, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(third.center().x() - 40, third.center().y()));
    // Below the last row: nothing.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(50, table->viewport()->height() - 3));
    QVDASetEventObserver(previous);
    Helper::setNetworkReachableOverride(std::nullopt);
    // The group table's click reports its first file, which it shows.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("txt@a/2.txt"), QStringLiteral("bin@c/1.bin")}));
}

// Choosing a group, by a click on its row or by a key that moves the choice,
// shows its first file in the preview with that file's row highlighted, and
// a picture after a video shows the picture, not the video's player.
TEST_F(RightDataPanelsTest, ChoosingAGroupShowsItsFirstFile)
{
    const DuplicateFilesList groups = scan({{"v/1.mp4", "a video, in two copies"},
                                            {"v/2.mp4", "a video, in two copies"},
                                            {"p/p30.jpg", "picture thirty"},
                                            {"q/p30.jpg", "picture thirty"},
                                            {"p/p32.jpg", "picture thirty-two"},
                                            {"q/p32.jpg", "picture thirty-two"}});
    PreviewDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataPreviewViewController* panel = driver.panel;
    panel->setDataArray(groups);
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }));
    KPLTableView* table = panel->mainTableView();
    FilePreviewView* preview = panel->filePreviewView();
    const auto expectShown = [&](const DuplicateFilesPtr& group) {
        EXPECT_EQ(table->selectedRow(), driver.rowOf(group));
        EXPECT_EQ(panel->subTableView()->selectedRow(), 0);
        EXPECT_EQ(preview->currentURL(), group->infos().first()->displayPath());
        const bool video = group->infos().first()->fileType() == FileType::video;
        EXPECT_EQ(preview->hasVideoPlayerView() && preview->videoPlayerView()->isVisible(), video);
        EXPECT_EQ(preview->hasImageView() && preview->imageView()->isVisible(), !video);
    };
    const DuplicateFilesPtr film = groupNamed(groups, QStringLiteral("1.mp4"));
    for (const DuplicateFilesPtr& group : {film, groupNamed(groups, QStringLiteral("p32.jpg")), film,
                                           groupNamed(groups, QStringLiteral("p30.jpg"))}) {
        const QRect row = table->visualRect(panel->mainModel()->index(driver.rowOf(group), 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(row.center().x() - 40, row.center().y()));
        expectShown(group);
    }
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up}) {
        const int row = table->selectedRow() + (key == Qt::Key_Down ? 1 : -1);
        QTest::keyClick(table, key);
        expectShown(groups[row]);
    }
}

TEST_F(RightDataPanelsTest, TheSplitViewsKeepTheirLimitsInBothDirections)
{
    scan(kThreeGroups);
    for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        auto* panel = new RightDataPreviewViewController(window.get());
        panel->setLayoutDirection(direction);
        window->setCentralWidget(panel);
        window->resize(1000, 640);
        QCoreApplication::processEvents();
        KPLSplitView* across = panel->horizontalSplitView();
        KPLSplitView* stacked = panel->verticalSplitView();
        const int width = across->width();
        EXPECT_EQ(stacked->dividerThickness(), 13);
        EXPECT_EQ(across->dividerThickness(), 1);
        across->setSizes({50, width});
        EXPECT_EQ(panel->mainTableView()->width(), 240);
        across->setSizes({width, 50});
        EXPECT_EQ(panel->mainTableView()->width(), 380);
        const bool rightToLeft = direction == Qt::RightToLeft;
        // The group pane is the leading one: on the right in right to left.
        EXPECT_EQ(panel->mainTableView()->x() > stacked->x(), rightToLeft);
        EXPECT_EQ(panel->splitViewConstrainMinCoordinate(across, 0, 0), rightToLeft ? width - 381 : 240);
        EXPECT_EQ(panel->splitViewConstrainMaxCoordinate(across, 0, 0), rightToLeft ? width - 241 : 380);
        EXPECT_EQ(panel->splitViewConstrainMinCoordinate(across, 7, 1), 7);

        const int height = stacked->height();
        stacked->setSizes({10, height});
        EXPECT_EQ(panel->filePreviewView()->height(), 140);
        stacked->setSizes({height, 10});
        EXPECT_EQ(panel->subTableView()->height(), 76);
        EXPECT_EQ(panel->splitViewConstrainMaxCoordinate(stacked, 0, 0), height - (13 + 76));

        // A wider and taller window: the group pane and the file table keep
        // their sizes, the other panes take the change.
        stacked->setSizes({300, height - 300});
        const int groupWidth = panel->mainTableView()->width();
        const int fileHeight = panel->subTableView()->height();
        window->resize(1200, 760);
        QCoreApplication::processEvents();
        EXPECT_EQ(panel->mainTableView()->width(), groupWidth);
        EXPECT_EQ(panel->subTableView()->height(), fileHeight);
        window->takeCentralWidget();
        delete panel;
        window->resize(1000, 640);
    }
}

// After a removal in which one file failed, that file's row shows the error
// icon with the error as tool tip, its group row shows the icon, and no
// other row does.
TEST_F(RightDataPanelsTest, AfterARemovalWithAFailureTheErrorsShow)
{
    const DuplicateFilesList groups = scan({{"a/1.txt", "first group"}, {"a/2.txt", "first group"},
                                            {"a/3.txt", "first group"}, {"b/1.dat", "second group!"},
                                            {"b/2.dat", "second group!"}, {"b/3.dat", "second group!"}});
    const DuplicateFilesPtr first = groupNamed(groups, QStringLiteral("1.txt"));
    const DuplicateFilesPtr second = groupNamed(groups, QStringLiteral("1.dat"));
    for (const DuplicateFilesPtr& group : {first, second}) {
        group->infos()[2]->setSelected(true);
        group->setSelectState(ControlState::mixed);
    }
    first->infos()[1]->setSelected(true);
    const QByteArray failing = first->infos()[2]->path();
    FileManagerFaults faults;
    faults.fail = [failing](FileStep step, const QByteArray& path) {
        return step == FileStep::remove && path == failing ? EACCES : 0;
    };
    FileManager::setFaults(faults);
    ScanManager& engine = ScanManager::default_();
    engine.removeDuplicateFiles(RemoveType::forever_());
    ASSERT_TRUE(waitUntil([&] { return engine.removeFinished(); }));
    FileManager::clearFaults();
    // What the scan screen does at the end of a removal.
    for (const DuplicateFilesPtr& group : engine.totalFiles()) {
        engine.setErrorRemoveCount(engine.errorRemoveCount() + group->errorCount());
        group->setSelectState(ControlState::off);
    }
    ASSERT_EQ(engine.errorRemoveCount(), 1);
    const DuplicateFilesList left = engine.totalFiles();
    ASSERT_EQ(left.size(), 2);
    ASSERT_TRUE(first->infos()[1]->removeError().has_value());
    const QString error = first->infos()[1]->removeError()->localizedDescription();
    EXPECT_FALSE(error.isEmpty());

    PreviewDriver preview(&screen, window.get());
    window->setCentralWidget(preview.panel);
    preview.show(left);
    auto errorIcon = [](QWidget* cell) { return cell->findChild<QLabel*>(QStringLiteral("errorImageView")); };
    EXPECT_TRUE(errorIcon(preview.groupCell(first))->isVisible());
    EXPECT_FALSE(errorIcon(preview.groupCell(second))->isVisible());
    EXPECT_TRUE(errorIcon(preview.fileCell(first, 1))->isVisible());
    EXPECT_EQ(errorIcon(preview.fileCell(first, 1))->toolTip(), error);
    EXPECT_FALSE(errorIcon(preview.fileCell(first, 0))->isVisible());
    EXPECT_FALSE(errorIcon(preview.fileCell(second, 1))->isVisible());
    EXPECT_TRUE(preview.fileCell(first, 1)->objectName().startsWith(QStringLiteral("Remove")));
    window->takeCentralWidget();

    ListDriver list(&screen, window.get());
    window->setCentralWidget(list.panel);
    list.show(left);
    list.expand(first);
    EXPECT_TRUE(errorIcon(list.fileCell(first, 1))->isVisible());
    EXPECT_EQ(errorIcon(list.fileCell(first, 1))->toolTip(), error);
    EXPECT_FALSE(errorIcon(list.fileCell(first, 0))->isVisible());
    // The tool tip shows over the icon.
    const QModelIndex failed = list.panel->outlineModel()->fileIndex(first.get(), 1);
    QWidget* cell = list.panel->cellDelegate()->cellForIndex(failed);
    const QRect icon = list.panel->cellDelegate()->controlRect(failed, errorIcon(cell));
    QHelpEvent help(QEvent::ToolTip, icon.center(), list.panel->outlineView()->viewport()->mapToGlobal(icon.center()));
    QCoreApplication::sendEvent(list.panel->outlineView()->viewport(), &help);
    EXPECT_TRUE(waitUntil([&] { return QToolTip::isVisible() && QToolTip::text() == error; }));
    QToolTip::hideText();
}

// A group without files is drawn empty and cannot be ticked, even when
// the cell last showed another group.
TEST_F(RightDataPanelsTest, AGroupWithoutFilesIsDrawnEmptyInBothPanels)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    auto empty = std::make_shared<DuplicateFiles>();
    DuplicateFilesList shown = groups;
    shown.insert(1, empty);
    std::unique_ptr<PanelDriver> drivers[] = {std::make_unique<ListDriver>(&screen, window.get()),
                                              std::make_unique<PreviewDriver>(&screen, window.get())};
    for (auto& driver : drivers) {
        window->setCentralWidget(driver->widget());
        driver->show(shown);
        driver->groupCell(groups[0]);  // the cell shows a real group first
        QWidget* cell = driver->groupCell(empty);
        EXPECT_TRUE(cell->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text().isEmpty());
        EXPECT_TRUE(cell->findChild<QLabel*>(QStringLiteral("sizeLabel"))->text().isEmpty());
        EXPECT_FALSE(cell->findChild<QLabel*>(QStringLiteral("selectCountLabel"))->isVisible());
        EXPECT_FALSE(cell->findChild<RYTCheckBox*>(QStringLiteral("checkBox"))->isEnabled());
        window->takeCentralWidget();
    }
}

TEST_F(RightDataPanelsTest, ADoubleClickOnAMissingFileSaysSoAndOnAGroupDoesNothing)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    driver.show(groups);
    driver.expand(groups[0]);
    QTest::qWait(0);
    KPLOutlineView* outline = driver.panel->outlineView();
    // As the system delivers it: a click, then the double click.
    const QPoint onGroup = outline->visualRect(driver.groupIndex(groups[0])).center() + QPoint(-100, 0);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, onGroup);
    QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, onGroup);
    EXPECT_FALSE(SheetWindowController::globalSheetController() &&
                 SheetWindowController::globalSheetController()->isShowing());
    ASSERT_TRUE(QFile::remove(groups[0]->infos()[1]->displayPath()));
    const QModelIndex file = driver.panel->outlineModel()->fileIndex(groups[0].get(), 1);
    const QPoint onFile = outline->visualRect(file).center() + QPoint(-100, 0);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, onFile);
    QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, onFile);
    SheetWindowController* sheet = waitForSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->labelTextField()->text().contains(QStringLiteral("does not exist")));
}

// ---------------------------------------------------------------------------
// List panel

TEST_F(RightDataPanelsTest, TheCollapseMemoryKeepsOneEntryPerFileListUntilTheNextList)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataListViewController* panel = driver.panel;
    driver.show(groups);
    const DuplicateFilesPtr group = groups[1];
    driver.expand(group);
    clickRowControl(panel->outlineView(), panel->cellDelegate(), driver.groupIndex(group), "arrowButton");
    EXPECT_EQ(panel->collapseItemArray(), DuplicateFilesList{group});
    driver.expand(group);
    EXPECT_TRUE(panel->collapseItemArray().isEmpty());
    clickRowControl(panel->outlineView(), panel->cellDelegate(), driver.groupIndex(group), "arrowButton");

    // The same files in a new group object count as the same group.
    auto twin = std::make_shared<DuplicateFiles>();
    twin->setInfos(group->infos());
    DuplicateFilesList withTwin = groups;
    withTwin.append(twin);
    panel->setDataArray(withTwin);  // only adds: the memory is emptied all the same
    EXPECT_TRUE(panel->collapseItemArray().isEmpty());
    driver.expand(twin);
    driver.expand(group);
    clickRowControl(panel->outlineView(), panel->cellDelegate(), driver.groupIndex(group), "arrowButton");
    clickRowControl(panel->outlineView(), panel->cellDelegate(), driver.groupIndex(twin), "arrowButton");
    EXPECT_EQ(panel->collapseItemArray(), DuplicateFilesList{group});
}

TEST_F(RightDataPanelsTest, ANewListChoosesTheRememberedFileWhenItsGroupIsOpen)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataListViewController* panel = driver.panel;
    driver.show(groups);
    driver.expand(groups[2]);
    const QModelIndex file = panel->outlineModel()->fileIndex(groups[2].get(), 1);
    panel->outlineView()->selectItem(file);
    EXPECT_EQ(panel->lastSubSelect().item, groups[2]->infos()[1]);
    EXPECT_EQ(panel->lastMainSelect().item, groups[2]);
    EXPECT_EQ(panel->lastMainSelect().row, -1);

    panel->setDataArray(groups);
    EXPECT_EQ(panel->outlineView()->selectionModel()->selectedRows(), QModelIndexList{file});
    // Its group closed: row 0.
    clickRowControl(panel->outlineView(), panel->cellDelegate(), driver.groupIndex(groups[2]), "arrowButton");
    panel->setLastSubSelect(RightDataSubSelect{1, groups[2]->infos()[1]});
    panel->setLastMainSelect(RightDataMainSelect{-1, groups[2]});
    panel->setDataArray(groups);
    EXPECT_EQ(panel->outlineView()->selectedRow(), 0);
}

// The scan screen hands in the grown result every second: the open groups,
// the chosen row and the scroll position stay.
TEST_F(RightDataPanelsTest, AppendedGroupsKeepOpenGroupsSelectionAndScrollPosition)
{
    QList<QPair<QString, QByteArray>> files;
    for (int g = 0; g < 40; ++g) {
        const QByteArray content = QByteArray("content of group ") + QByteArray::number(g) + QByteArray(g, '.');
        files << qMakePair(QStringLiteral("g%1/a.txt").arg(g), content) << qMakePair(QStringLiteral("g%1/b.txt").arg(g), content);
    }
    const DuplicateFilesList groups = scan(files);
    ASSERT_EQ(groups.size(), 40);
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataListViewController* panel = driver.panel;
    const DuplicateFilesList firstPart = groups.mid(0, 30);
    panel->setCheckIsEnabled(false);
    driver.show(firstPart);
    driver.expand(firstPart[3]);
    driver.expand(firstPart[20]);
    panel->outlineView()->selectItem(panel->outlineModel()->fileIndex(firstPart[20].get(), 0));
    QScrollBar* bar = panel->outlineView()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    ASSERT_GT(scrolled, 0);
    QSignalSpy resets(panel->outlineModel(), &QAbstractItemModel::modelReset);

    driver.show(groups);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(bar->value(), scrolled);
    EXPECT_TRUE(panel->outlineModel()->isExpanded(firstPart[3].get()));
    EXPECT_TRUE(panel->outlineModel()->isExpanded(firstPart[20].get()));
    EXPECT_EQ(panel->lastSubSelect().item, firstPart[20]->infos()[0]);
    EXPECT_EQ(panel->filesArray().size(), 40);

    // A list that is not the old one grown resets, and the groups it still
    // holds open again.
    DuplicateFilesList reordered = groups;
    std::reverse(reordered.begin(), reordered.end());
    driver.show(reordered);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_TRUE(panel->outlineModel()->isExpanded(firstPart[3].get()));
}

TEST_F(RightDataPanelsTest, TheArrowTurnsIntoItsNewDirectionUnderOneKey)
{
    const DuplicateFilesList groups = scan(kThreeGroups);
    ListDriver driver(&screen, window.get());
    window->setCentralWidget(driver.panel);
    RightDataListViewController* panel = driver.panel;
    driver.show(groups);
    const QModelIndex index = driver.groupIndex(groups[0]);
    clickRowControl(panel->outlineView(), panel->cellDelegate(), index, "arrowButton");
    auto* cell = static_cast<RightDataListMainTableCellView*>(panel->cellDelegate()->cellForIndex(index));
    EXPECT_TRUE(panel->outlineModel()->isExpanded(groups[0].get()));
    EXPECT_TRUE(cell->arrowButton()->state());
    QVariantAnimation* turn = cell->arrowAnimation(groups[0].get());
    ASSERT_NE(turn, nullptr);
    EXPECT_EQ(turn->objectName(), QStringLiteral("arrowAnimation"));
    EXPECT_EQ(turn->duration(), 200);
    EXPECT_DOUBLE_EQ(turn->startValue().toDouble(), 1.5707963267948966);
    EXPECT_DOUBLE_EQ(turn->endValue().toDouble(), 0.0);

    // A second click at once replaces the turn.
    clickRowControl(panel->outlineView(), panel->cellDelegate(), index, "arrowButton");
    QVariantAnimation* back = cell->arrowAnimation(groups[0].get());
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, turn);
    EXPECT_DOUBLE_EQ(back->startValue().toDouble(), -1.5707963267948966);
    EXPECT_FALSE(panel->outlineModel()->isExpanded(groups[0].get()));
    cell = static_cast<RightDataListMainTableCellView*>(panel->cellDelegate()->cellForIndex(index));
    EXPECT_FALSE(cell->arrowButton()->state());
    ASSERT_TRUE(waitUntil([&] { return !cell->arrowAnimation(groups[0].get()); }));
    cell = static_cast<RightDataListMainTableCellView*>(panel->cellDelegate()->cellForIndex(index));
    EXPECT_DOUBLE_EQ(cell->arrowButton()->rotation(), 0.0);
}

}  // namespace
