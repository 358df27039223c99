// Selecting what to remove: the automatic selection and "Unselect All" on
// the category shown, the summary over the whole result, the "Selected"
// filter, the large-file check-all box and the sort buttons.

#include "ScanScreenFixture.h"

#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTableView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/CustomView/KPLBox.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include <QLabel>
#include <QTableView>

using ScanScreenLook::viewAlpha;

namespace {

int selectedIn(const DuplicateFilesList& groups)
{
    int count = 0;
    for (const DuplicateFilesPtr& group : groups) {
        for (const FileInfoPtr& file : group->infos()) {
            count += file->selected() ? 1 : 0;
        }
    }
    return count;
}

QStringList names(const QList<FileInfoPtr>& files)
{
    QStringList out;
    for (const FileInfoPtr& file : files) {
        out << file->name();
    }
    return out;
}

}  // namespace

TEST_F(ScanScreenTest, AutoSelectWorksOnTheCategoryShownAndTheSummaryCountsEverything)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    const ScanManager::Results r = ScanManager::default_().results();

    // Only the video groups are on the right.
    s->leftDataViewShowFiles(r.videoFiles);
    s->automaticSelectionAction();
    EXPECT_EQ(selectedIn(r.videoFiles), 1);
    EXPECT_EQ(selectedIn(r.totalFiles), 1);
    const DuplicateFilesPtr video = r.videoFiles.first();
    EXPECT_FALSE(video->infos().first()->selected());
    EXPECT_EQ(video->selectState(), ControlState::mixed);
    EXPECT_EQ(s->saveSelectData().count, 1);
    EXPECT_EQ(s->selectCountSizeLabel()->text(), QStringLiteral("1 (%1)").arg(transformedFileSize(3000, true, true)));
    EXPECT_TRUE(s->startBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->startBtn()), 1.0);

    // The pictures too: the summary counts the whole result.
    s->leftDataViewShowFiles(r.pictureFiles);
    s->automaticSelectionAction();
    s->automaticSelectionAction();
    EXPECT_EQ(selectedIn(r.pictureFiles), 2);
    EXPECT_EQ(s->saveSelectData().count, 3);
    EXPECT_EQ(s->saveSelectData().size, 5000u);
    EXPECT_EQ(s->gALogData().selectCount.autoSelectCount, 3);

    // Unselect All clears the pictures only.
    s->notAtAllAction();
    EXPECT_EQ(selectedIn(r.pictureFiles), 0);
    EXPECT_EQ(selectedIn(r.videoFiles), 1);
    EXPECT_EQ(r.pictureFiles.first()->selectState(), ControlState::off);
    EXPECT_EQ(s->saveSelectData().count, 1);

    // With nothing selected anywhere it only counts the click.
    s->leftDataViewShowFiles(r.videoFiles);
    s->notAtAllAction();
    EXPECT_EQ(s->saveSelectData().count, 0);
    s->notAtAllAction();
    EXPECT_EQ(s->gALogData().selectCount.unselectAllCount, 3);
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Selected:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(), QStringLiteral("0 (0B)"));
    EXPECT_FALSE(s->startBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->startBtn()), 0.3);
}

TEST_F(ScanScreenTest, TheSelectedFilterWithNothingSelectedEmptiesTheRightSide)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    LeftDataViewController* left = s->leftDataViewCtr();
    left->selectAction();
    EXPECT_TRUE(s->viewSelected());
    EXPECT_EQ(s->gALogData().selectedCount, 1);
    ASSERT_TRUE(waitUntil([&] { return s->rightDataBox()->contentView() == s->rightNotDataSelectView(); }));
    EXPECT_EQ(s->rightNotDataSelectViewLabel()->text(), QStringLiteral("No data selected"));
    EXPECT_TRUE(s->automaticSelectionBtn()->isHidden());
    EXPECT_TRUE(s->notAtAllBtn()->isHidden());
    // Each choice of the filter counts; going back to All does not.
    left->allAction();
    ASSERT_TRUE(waitUntil([&] { return s->rightDataBox()->contentView() == s->rightDataPrevieViewCtr(); }));
    EXPECT_FALSE(s->automaticSelectionBtn()->isHidden());
    EXPECT_FALSE(s->viewSelected());
    left->selectAction();
    EXPECT_EQ(s->gALogData().selectedCount, 2);
    left->allAction();
    EXPECT_EQ(s->gALogData().selectedCount, 2);
    ASSERT_TRUE(waitUntil([&] { return s->rightDataBox()->contentView() == s->rightDataPrevieViewCtr(); }));
}

TEST_F(ScanScreenTest, CheckAllActsOnTheShownGroupWhileRemoveLooksAtAllLargeFiles)
{
    ScanViewController* s = scanToResults(largeFileTree(), true);
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    RYTCheckBox* box = s->allSelectCheckBox();

    // The 10 MB band holds three files, the 500 MB band the disk image.
    left->tableView()->selectRow(4);
    ASSERT_EQ(table->files(), LargeFilesManager::default_().allFiles().at(LargeFilesManager::size10MB));
    box->click();
    EXPECT_EQ(box->state(), RYTCheckBox::stateOn);
    EXPECT_EQ(s->allSelectLable()->text(), QStringLiteral("Deselect All"));
    EXPECT_EQ(s->saveSelectData().count, 3);
    EXPECT_TRUE(s->startBtn()->isEnabled());
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Selected:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(),
              QStringLiteral("3 (%1)").arg(transformedFileSize(62'000'000, true, true)));
    box->click();
    EXPECT_EQ(box->state(), RYTCheckBox::stateOff);
    EXPECT_EQ(s->allSelectLable()->text(), QStringLiteral("Check All"));
    EXPECT_FALSE(s->startBtn()->isEnabled());
    EXPECT_DOUBLE_EQ(viewAlpha(s->startBtn()), 0.3);

    // A file ticked in the table makes the box mixed; a click from mixed
    // clears the group.
    table->checkBoxClick(0);
    EXPECT_EQ(box->state(), RYTCheckBox::stateMixed);
    EXPECT_EQ(s->allSelectLable()->text(), QStringLiteral("Deselect All"));
    EXPECT_TRUE(s->startBtn()->isEnabled());
    box->click();
    EXPECT_EQ(box->state(), RYTCheckBox::stateOff);
    EXPECT_EQ(s->allSelectLable()->text(), QStringLiteral("Check All"));
    EXPECT_EQ(s->saveSelectData().count, 0);

    // A file selected in another group keeps Remove enabled.
    left->tableView()->selectRow(3);
    table->checkBoxClick(0);
    EXPECT_EQ(box->state(), RYTCheckBox::stateOn);
    left->tableView()->selectRow(4);
    box->click();
    box->click();
    EXPECT_EQ(box->state(), RYTCheckBox::stateOff);
    EXPECT_TRUE(s->startBtn()->isEnabled());
    EXPECT_EQ(s->saveSelectData().count, 1);
}

TEST_F(ScanScreenTest, SortButtonsShowOneActiveOrderAndTellTheTable)
{
    ScanViewController* s = scanToResults(largeFileTree(), true);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    // Orders are computed off the main thread.
    const auto sorted = [table] { return waitUntil([table] { return table->sortsInFlight() == 0; }); };
    const QStringList bySizeDown{QStringLiteral("disk.iso"), QStringLiteral("movie.mp4"), QStringLiteral("archive.zip"),
                                 QStringLiteral("music.flac")};
    EXPECT_EQ(names(table->shownFiles()), bySizeDown);

    // The default look shows size-down active with its flag off: the first
    // click sorts by size downwards and looks normal, the second goes back
    // to the default order; both put the largest first.
    s->sizeSortDownAction();
    ASSERT_TRUE(sorted());
    EXPECT_TRUE(s->isClickSizeDown());
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortSizeBtn()), QStringLiteral("sortBtnDown"));
    EXPECT_EQ(table->sortType(), SortType::sizeDown);
    EXPECT_EQ(names(table->shownFiles()), bySizeDown);
    s->sizeSortDownAction();
    ASSERT_TRUE(sorted());
    EXPECT_FALSE(s->isClickSizeDown());
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortSizeBtn()), QStringLiteral("sortBtnClickDown"));
    // Back to the screens' default order: size, largest first.
    EXPECT_EQ(table->sortType(), SortType::sizeDown);
    EXPECT_EQ(names(table->shownFiles()), bySizeDown);

    // Name down, then name up (names by their length): the partner goes
    // back to normal.
    s->nameSortDownAction();
    ASSERT_TRUE(sorted());
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortSizeBtn()), QStringLiteral("sortBtnDown"));
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortNameBtn()), QStringLiteral("sortBtnClickDown"));
    EXPECT_EQ(s->currentSortType(), SortType::nameDown);
    EXPECT_EQ(names(table->shownFiles()).first(), QStringLiteral("archive.zip"));
    s->nameSortUpAction();
    ASSERT_TRUE(sorted());
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortNameBtn()), QStringLiteral("sortBtnDown"));
    EXPECT_EQ(ScanViewController::sortImageName(s->upSortNameBtn()), QStringLiteral("sortBtnClickUp"));
    EXPECT_FALSE(s->isClickNameDown());
    EXPECT_TRUE(s->isClickNameUp());
    EXPECT_EQ(s->currentSortType(), SortType::nameUp);
    EXPECT_EQ(names(table->shownFiles()).first(), QStringLiteral("disk.iso"));

    // Name up twice more: back to the default order, the type stays.
    s->nameSortUpAction();
    ASSERT_TRUE(sorted());
    EXPECT_EQ(names(table->shownFiles()), bySizeDown);
    EXPECT_EQ(s->currentSortType(), SortType::nameUp);
    // The next group chosen on the left comes in that order.
    s->leftLargeFileViewController()->tableView()->selectRow(4);
    ASSERT_TRUE(sorted());
    EXPECT_EQ(names(table->shownFiles()).first(), QStringLiteral("movie.mp4"));

    // A size button resets the name pair's look and flags.
    s->nameSortDownAction();
    ASSERT_TRUE(sorted());
    s->sizeSortUpAction();
    ASSERT_TRUE(sorted());
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortNameBtn()), QStringLiteral("sortBtnDown"));
    EXPECT_FALSE(s->isClickNameDown());
    EXPECT_EQ(ScanViewController::sortImageName(s->upSortSizeBtn()), QStringLiteral("sortBtnClickUp"));
    EXPECT_EQ(names(table->shownFiles()).first(), QStringLiteral("music.flac"));

    // The All/Selected switch resets the look without sorting again.
    s->leftDataViewUpdateViewSelected(false);
    EXPECT_EQ(s->currentSortType(), SortType::defaultSort);
    EXPECT_EQ(ScanViewController::sortImageName(s->downSortSizeBtn()), QStringLiteral("sortBtnClickDown"));
    EXPECT_EQ(ScanViewController::sortImageName(s->upSortSizeBtn()), QStringLiteral("sortBtnUp"));
    EXPECT_FALSE(s->isClickSizeUp());
    EXPECT_EQ(names(table->shownFiles()).first(), QStringLiteral("music.flac"));
}

TEST_F(ScanScreenTest, LargeFileSelectedFilterWithNothingSelectedHidesTheTableControls)
{
    ScanViewController* s = scanToResults(largeFileTree(), true);
    s->leftDataViewUpdateViewSelected(true);
    EXPECT_EQ(s->gALogData().selectedCount, 1);
    EXPECT_EQ(s->rightLargeFileDataBox()->contentView(), s->rightNotDataSelectView());
    EXPECT_EQ(s->rightNotDataSelectViewLabel()->text(), QStringLiteral("No data selected"));
    for (QWidget* control : {static_cast<QWidget*>(s->allSelectCheckBox()), static_cast<QWidget*>(s->allSelectLable()),
                             static_cast<QWidget*>(s->upSortNameBtn()), static_cast<QWidget*>(s->downSortSizeBtn()),
                             static_cast<QWidget*>(s->sortByLable()), static_cast<QWidget*>(s->sortSIzeLable())}) {
        EXPECT_TRUE(control->isHidden());
    }
    // Choosing a group with files shows the table again.
    s->setRightLargeDataFiles(LargeFilesManager::default_().allFiles().first());
    s->displayRightDataView();
    EXPECT_EQ(s->rightLargeFileDataBox()->contentView(), s->rightLargeFileDataViewController());
    EXPECT_FALSE(s->allSelectCheckBox()->isHidden());
}
