// The large-file function end to end through the scan screen: a scan
// stopped by the user, and removals into a folder that already holds a file
// of the same name and permanently, one stopped half-way, one in which some
// files cannot go, each ending with the panels refilled with what is left;
// and the file table keeping its chosen file through sorts and check-all.

#include "ScanScreenFixture.h"

#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/RemoveOperation.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTableView.h"
#include "QuickLook/QLPreviewView.h"
#include "View/CustomView/PopUpButton.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/ElidedLabel.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableCellView.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableModel.h"
#include "View/Extension/KPLExtension.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using State = ScanViewController::DisplayViewType;

namespace {

class LargeFileRemovalTest : public ScanScreenTest {
protected:
    ScanViewController* scanAndCheck(const QStringList& names)
    {
        ScanViewController* s = scanToResults(largeFileTree(), true);
        RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
        EXPECT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 4; }));
        for (int row = 0; row < table->shownFiles().size(); ++row) {
            if (names.contains(table->shownFiles().at(row)->name())) {
                table->checkBoxClick(row);
            }
        }
        EXPECT_TRUE(s->startBtn()->isEnabled());
        return s;
    }
    // Sparse files (no disk use) under l/ of these sizes, scanned.
    ScanViewController* scanFiles(const QList<QPair<QString, qint64>>& files)
    {
        for (const auto& [name, size] : files) {
            writeSparse(QStringLiteral("l/") + name, size);
        }
        ScanViewController* s = scanToResults(scratch() + QStringLiteral("/l"), true);
        RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
        EXPECT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == files.size(); }));
        return s;
    }
    static QRect rowRect(RightLargeFileDataViewController* table, int row)
    {
        return table->mainTableView()->visualRect(table->tableModel()->index(row, 0));
    }
    static void clickBox(RightLargeFileDataViewController* table, int row)
    {
        QTest::mouseClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                          RightLargeFileTableCellView::checkBoxRect(rowRect(table, row)).center());
    }
    static void clickName(RightLargeFileDataViewController* table, int row)
    {
        QTest::mouseClick(table->mainTableView()->viewport(), Qt::LeftButton, {},
                          RightLargeFileTableCellView::nameRect(rowRect(table, row)).center());
    }
    // The row highlighted in the table (-1 for none).
    static int highlighted(RightLargeFileDataViewController* table)
    {
        const QModelIndexList rows = table->mainTableView()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // Removes what is checked into the Trash as the user does it.
    void removeToTrash(ScanViewController* s)
    {
        QTest::mouseClick(s->startBtn(), Qt::LeftButton);
        ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to discard the selected files to the Trash?")));
        answer(QStringLiteral("Yes"));
    }
    QStringList shown(ScanViewController* s)
    {
        QStringList names;
        for (const FileInfoPtr& file : s->rightLargeFileDataViewController()->shownFiles()) {
            names << file->name();
        }
        return names;
    }
};

}  // namespace

TEST_F(LargeFileRemovalTest, IntoAFolderAClashKeepsBothFilesAndTheRestIsShown)
{
    ScanViewController* s = scanAndCheck({QStringLiteral("movie.mp4"), QStringLiteral("music.flac")});
    const QString folder = scratch() + QStringLiteral("/keep");
    writeFile(QStringLiteral("keep/movie.mp4"), "already here");
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), QFile::decodeName(bytes(folder)));
    s->startBtn()->click();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to move the selected files to %1?").arg(folder)));
    answer(QStringLiteral("Yes"));
    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));

    // Nothing is overwritten: the file that was there keeps its content and
    // the moved one sits beside it under another name.
    QFile kept(folder + QStringLiteral("/movie.mp4"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("already here"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_FALSE(QFileInfo::exists(scratch() + QStringLiteral("/l/movie.mp4")));

    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    ASSERT_TRUE(waitUntil([&] { return shown(s) == QStringList{"disk.iso", "archive.zip"}; }));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView")), 17);
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Deleted:"));
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    EXPECT_EQ(left->rowCount(), 5);
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_EQ(LargeFilesManager::default_().allFiles().at(0)->fileCount(), 2);
}

TEST_F(LargeFileRemovalTest, PermanentlyStoppedHalfWayLeavesTheRest)
{
    ScanViewController* s = scanAndCheck({QStringLiteral("disk.iso"), QStringLiteral("music.flac")});
    choosePermanently(s);
    // Each file is its own step; the first one waits at the gate.
    EngineGate gate(EngineGate::Kind::removal, bytes(scratch() + QStringLiteral("/l/music.flac")));
    s->startBtn()->click();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to permanently delete the selected files?")));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([&] { return s->displayViewType() == State::displayViewTypeRemoving; }));
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    FileRemovingViewController* removing = s->fileRemovingViewCtr();
    ASSERT_NE(removing, nullptr);
    removing->stopBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    answer(QStringLiteral("Yes"));
    gate.open();

    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    // Whatever the stop left is still listed and still on disk; nothing
    // unchecked was touched.
    const DuplicateFilesPtr all = LargeFilesManager::default_().allFiles().at(0);
    for (const FileInfoPtr& file : all->infos()) {
        EXPECT_TRUE(QFileInfo::exists(file->displayPath())) << file->displayPath().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(scratch() + QStringLiteral("/l/movie.mp4")));
    EXPECT_TRUE(QFileInfo::exists(scratch() + QStringLiteral("/l/sub/archive.zip")));
    EXPECT_LT(all->fileCount(), 4);
    ASSERT_TRUE(waitUntil([&] { return shown(s).size() == all->fileCount(); }));
}

TEST_F(LargeFileRemovalTest, AStopDuringTheScanShowsWhatWasFound)
{
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    ScanningLargeFileViewController* panel = s->scanningLargeFileViewController();
    EXPECT_TRUE(panel->myTimer()->isActive());
    s->startAction();
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    answer(QStringLiteral("Yes"));
    gate.open();
    EXPECT_EQ(panel->scanningTitleLabel()->text(), QStringLiteral("Stop scanning"));
    EXPECT_FALSE(panel->myTimer()->isActive());
    ASSERT_TRUE(waitUntil([&] {
        return s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading();
    }, std::chrono::seconds(20)));
    // Stopped before its first file: nothing found, and the screen says so.
    EXPECT_TRUE(LargeFilesManager::default_().stopScanLargeFileFig());
}

TEST_F(LargeFileRemovalTest, FilesThatCouldNotGoAreMarkedWithTheirReasonAndOnlyWhatWentIsCounted)
{
    ScanViewController* s = scanFiles({{QStringLiteral("a.mkv"), 50'000'000},
                                       {QStringLiteral("b.iso"), 40'000'000},
                                       {QStringLiteral("c.zip"), 30'000'000},
                                       {QStringLiteral("d.flac"), 20'000'000},
                                       {QStringLiteral("e.mp4"), 15'000'000}});
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    for (int row = 0; row < 5; ++row) {
        clickBox(table, row);
    }
    ASSERT_EQ(s->saveSelectData().count, 5);
    // Since the scan one file went and one grew.
    ASSERT_TRUE(QFile::remove(scratch() + QStringLiteral("/l/c.zip")));
    writeSparse(QStringLiteral("l/d.flac"), 21'000'000);

    removeToTrash(s);
    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("3"));
    EXPECT_EQ(finish->freeSizeLabel()->text(), transformedFileSize(105'000'000, true, true));
    FileRemovingViewController* removing = s->fileRemovingViewCtr();
    EXPECT_TRUE(waitUntil([&] { return removing->progressValueLabel()->text() == QStringLiteral("60.00%"); }))
        << removing->progressValueLabel()->text().toStdString();
    EXPECT_EQ(removing->detailFilesCountLabel()->text(), QStringLiteral("3 / 5"));
    EXPECT_EQ(QDir(QFile::decodeName(Trash::filesFolder())).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(QFileInfo(scratch() + QStringLiteral("/l/d.flac")).size(), 21'000'000) << "the grown file is kept";

    QTest::mouseClick(finish->completeButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForResults());
    ASSERT_TRUE(waitUntil([&] { return shown(s) == QStringList{"c.zip", "d.flac"}; }));

    // Each failed row carries the mark, and over it the reason.
    QWidget* viewport = table->mainTableView()->viewport();
    const QImage painted = viewport->grab().toImage();
    const QString reasons[] = {RemoveOperation::vanishedError().localizedDescription(),
                               RemoveOperation::changedError().localizedDescription()};
    for (int row = 0; row < 2; ++row) {
        const QRect mark = RightLargeFileTableCellView::errorRect(rowRect(table, row));
        // The mark is red; nothing else in a row is.
        int red = 0;
        for (int y = mark.top(); y <= mark.bottom(); ++y) {
            for (int x = mark.left(); x <= mark.right(); ++x) {
                const QColor c = painted.pixelColor(QPoint(x, y) * painted.devicePixelRatio());
                red += c.red() > 180 && c.green() < 120 && c.blue() < 120 ? 1 : 0;
            }
        }
        EXPECT_GT(red, 40) << "no mark painted in row " << row;
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, mark.center(), viewport->mapToGlobal(mark.center()));
        QCoreApplication::sendEvent(viewport, &help);
        EXPECT_TRUE(waitUntil([&] { return QToolTip::isVisible() && QToolTip::text() == reasons[row]; }))
            << row << ": " << QToolTip::text().toStdString();
    }
    QToolTip::hideText();

    // The vanished file still shows what the scan found, and its preview
    // claims no size it cannot read.
    clickName(table, 0);
    EXPECT_EQ(table->fileName()->text(), QStringLiteral("c.zip"));
    EXPECT_EQ(table->fileInfo()->text(), QStringLiteral("zip - ") + transformedFileSize(30'000'000, true, true));
    QLPreviewView* preview = table->filePreviewView()->previewView();
    ASSERT_TRUE(waitUntil([&] { return preview->cardNameLabel()->text() == QStringLiteral("c.zip"); }));
    EXPECT_FALSE(preview->cardSizeLabel()->isVisible()) << preview->cardSizeLabel()->text().toStdString();
}

TEST_F(LargeFileRemovalTest, AfterARemovalFromSelectedTheSwitchesShowAll)
{
    ScanViewController* s = scanFiles({{QStringLiteral("a.mkv"), 50'000'000},
                                       {QStringLiteral("b.iso"), 40'000'000},
                                       {QStringLiteral("c.zip"), 30'000'000}});
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    clickBox(table, 1);
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return left->reloadsInFlight() == 0 && shown(s) == QStringList{"b.iso"}; }));
    ASSERT_TRUE(left->rightBtn()->isChecked());

    removeToTrash(s);
    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    QTest::mouseClick(finish->completeButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForResults());
    ASSERT_TRUE(waitUntil([&] { return left->reloadsInFlight() == 0 && shown(s) == QStringList{"a.mkv", "c.zip"}; }));

    // The rows are All rows, and so say the switches and their captions.
    EXPECT_FALSE(left->isSelectedView());
    EXPECT_TRUE(left->leftBtn()->isChecked());
    EXPECT_FALSE(left->rightBtn()->isChecked());
    const QColor blue = CellLooks::lightColor(QStringLiteral("ButtonTitleNormalBlueColor"));
    const QColor offFill = CellLooks::lightColor(QStringLiteral("LeftDataButtonBgDisSelectColor"));
    EXPECT_EQ(left->leftBtn()->fillColor(RYTButton::State::normal), QColor(Qt::white));
    EXPECT_EQ(left->rightBtn()->fillColor(RYTButton::State::normal), offFill);
    EXPECT_EQ(left->leftBtnLabel()->palette().color(QPalette::WindowText), blue);
    EXPECT_EQ(left->rightBtnLabel()->palette().color(QPalette::WindowText),
              CellLooks::lightColor(QStringLiteral("TitleLabelColor")));

    // And "Selected" still works from there: nothing is checked now.
    QTest::mouseClick(left->rightBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return left->reloadsInFlight() == 0; }));
    EXPECT_TRUE(left->isSelectedView());
    EXPECT_EQ(left->rightBtn()->fillColor(RYTButton::State::normal), QColor(Qt::white));
}

// Sorting and checking all reload the table: the file whose details show
// stays highlighted, at its place while it can, and always in view.
TEST_F(LargeFileRemovalTest, TheChosenFileStaysHighlightedAndInViewAcrossSortsAndCheckAll)
{
    QList<QPair<QString, qint64>> files;
    for (int i = 0; i < 40; ++i) {
        // Names of many lengths, sizes in another order than the names.
        const QString name = QString(QLatin1Char('n')).repeated(1 + (i * 7) % 23) + QString::number(i) + ".bin";
        files.append({name, 11'000'000 + qint64((i * 13) % 40) * 1'000'000});
    }
    ScanViewController* s = scanFiles(files);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    RYTableView* view = table->mainTableView();
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0) << "the list must scroll";
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    // A row in the middle of what shows.
    const int middle = view->rowAt(view->viewport()->height() / 2);
    clickName(table, middle);
    const FileInfoPtr chosen = table->shownFiles().at(middle);
    ASSERT_EQ(table->detailFile(), chosen);
    ASSERT_EQ(highlighted(table), middle);

    const auto expectKept = [&](const char* step) {
        ASSERT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0; })) << step;
        const int row = highlighted(table);
        ASSERT_GE(row, 0) << step << ": nothing highlighted";
        EXPECT_EQ(table->shownFiles().at(row), chosen) << step;
        EXPECT_EQ(table->detailFile(), chosen) << step;
        EXPECT_TRUE(view->viewport()->rect().contains(rowRect(table, row))) << step << ": out of view";
    };
    for (RYTButton* sort : {s->upSortNameBtn(), s->downSortSizeBtn(), s->upSortSizeBtn(), s->downSortNameBtn()}) {
        const int top = rowRect(table, highlighted(table)).top();
        QTest::mouseClick(sort, Qt::LeftButton);
        expectKept("sort");
        // Where the list can scroll so far, the file keeps its place, and
        // no other file comes under the pointer.
        const int wanted = highlighted(table) * RightLargeFileTableCellView::rowHeight - top;
        if (wanted >= 0 && wanted <= view->verticalScrollBar()->maximum()) {
            EXPECT_EQ(rowRect(table, highlighted(table)).top(), top);
        }
    }
    const QRect before = rowRect(table, highlighted(table));
    QTest::mouseClick(s->allSelectCheckBox(), Qt::LeftButton);
    ASSERT_TRUE(chosen->selected());
    expectKept("check all");
    EXPECT_EQ(rowRect(table, highlighted(table)), before) << "the order did not change, nor may the place";
}
