// Removals in which files cannot go, on real files that refuse (read-only
// mounts, immutable files, a destination that fills up): the finish window
// says how many stayed, or that nothing could be removed; a group keeps
// showing the file that failed when it is left with that one; and every
// file the removal did not remove is marked with why.

#include "ScanScreenFixture.h"

#include "LockedFiles.h"

#include "Foundation/FileManager.h"
#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "Lottie/AnimationView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <cerrno>
#include <cstring>

namespace {

const QString kNoSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));

class RemovalFailuresTest : public ScanScreenTest {
protected:
    // Confirms the removal of what is chosen with the question's own button.
    void confirm(ScanViewController* s, const QString& question)
    {
        clickCentre(s->startBtn());
        ASSERT_TRUE(waitForSheet(question));
        answer(QStringLiteral("Yes"));
    }
    // The tool tip of the error mark on row `row` of the preview's file table.
    static QString markTip(RightDataPreviewViewController* preview, int row)
    {
        QWidget* cell = preview->subCells()->cellForIndex(preview->subModel()->index(row, 0));
        QLabel* error = cell ? cell->findChild<QLabel*>(QStringLiteral("errorImageView")) : nullptr;
        return error && error->isVisible() ? error->toolTip() : QString();
    }
    // Chooses group `group` in the preview by a click on its name.
    static void chooseGroup(RightDataPreviewViewController* preview, const DuplicateFilesPtr& group)
    {
        const QModelIndex index = preview->mainModel()->index(int(preview->filesArray().indexOf(group)), 0);
        preview->mainTableView()->scrollTo(index);
        clickRowPart(preview->mainTableView(), preview->mainCells(), index, "fileNameLabel");
    }
};

DuplicateFilesPtr groupHolding(const DuplicateFilesList& groups, const QString& name)
{
    for (const DuplicateFilesPtr& group : groups) {
        for (const FileInfoPtr& file : group->infos()) {
            if (file->name() == name) {
                return group;
            }
        }
    }
    return nullptr;
}

}  // namespace

// Three large files that cannot go, two on a read-only mount and one
// immutable, deleted permanently: the finish window claims no completion.
TEST_F(RemovalFailuresTest, LargeFilesWhereNothingCouldGoSayNothingWasRemoved)
{
    ASSERT_TRUE(QDir().mkpath(scratch() + QStringLiteral("/l/ro")));
    writeSparse(QStringLiteral("l/ro/a.mkv"), 20'000'000);
    writeSparse(QStringLiteral("l/ro/b.iso"), 15'000'000);
    writeSparse(QStringLiteral("l/c.zip"), 12'000'000);
    ReadOnlyBind readOnly(scratch() + QStringLiteral("/l/ro"));
    ImmutableFile immutable(scratch() + QStringLiteral("/l/c.zip"));
    if (!readOnly.mounted() || !immutable.set()) {
        GTEST_SKIP() << "needs root to mount read-only and to set files immutable";
    }
    ScanViewController* s = scanToResults(scratch() + QStringLiteral("/l"), true);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    ASSERT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 3; }));
    QTest::mouseClick(s->allSelectCheckBox(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return s->startBtn()->isEnabled(); }));
    choosePermanently(s);
    confirm(s, QStringLiteral("Are you sure to permanently delete the selected files?"));

    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->finishContentLabel()->text(), QStringLiteral("Nothing could be removed"));
    EXPECT_TRUE(finish->failedCountLabel()->isVisible());
    EXPECT_EQ(finish->failedCountLabel()->text(), QStringLiteral("3 files could not be removed."));
    EXPECT_TRUE(finish->failedMarkView()->isVisible());
    EXPECT_FALSE(finish->finishAnimationView()->isVisible());
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("0"));
    clickCentre(finish->completeButton());
    ASSERT_TRUE(waitForResults());
    ASSERT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 3; }));
    for (const FileInfoPtr& file : table->shownFiles()) {
        EXPECT_TRUE(file->removeError().has_value()) << file->name().toStdString();
    }
}

// Both copies of a pair chosen (the last-file question answered "Yes"),
// one of them immutable: the pair stays with the copy that stayed, marked
// with why, and counted as it is shown; a pair that lost a copy without a
// failure goes as before.
TEST_F(RemovalFailuresTest, AGroupLeftWithTheFileThatFailedStaysShownMarkedAndCounted)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    ImmutableFile immutable(scratch() + QStringLiteral("/d/b/song.mp3"));
    if (!immutable.set()) {
        GTEST_SKIP() << "needs root to set a file immutable";
    }
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    const DuplicateFilesPtr songs = groupHolding(preview->filesArray(), QStringLiteral("song.mp3"));
    const DuplicateFilesPtr films = groupHolding(preview->filesArray(), QStringLiteral("film.mp4"));
    ASSERT_TRUE(songs && films);
    chooseGroup(preview, films);
    clickRowPart(preview->subTableView(), preview->subCells(), preview->subModel()->index(1, 0), "checkBox");
    chooseGroup(preview, songs);
    clickRowPart(preview->subTableView(), preview->subCells(), preview->subModel()->index(0, 0), "checkBox");
    clickRowPart(preview->subTableView(), preview->subCells(), preview->subModel()->index(1, 0), "checkBox");
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to select the last file in \"song.mp3\" to remove duplicates?")));
    answer(QStringLiteral("Yes"));
    ASSERT_EQ(s->saveSelectData().count, 3);
    choosePermanently(s);
    confirm(s, QStringLiteral("Are you sure to permanently delete the selected files?"));

    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->finishContentLabel()->text(), QStringLiteral("Deduplication Completed!"));
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(finish->failedCountLabel()->text(), QStringLiteral("1 file could not be removed."));
    EXPECT_TRUE(finish->failedCountLabel()->isVisible());
    EXPECT_TRUE(finish->finishAnimationView()->isVisible());
    clickCentre(finish->completeButton());
    ASSERT_TRUE(waitForResults());

    // The pair of songs is there with its one copy; the films are gone.
    const ScanManager::Results r = ScanManager::default_().results();
    ASSERT_EQ(r.audioFiles.size(), 1);
    EXPECT_EQ(r.audioFiles.first(), songs);
    ASSERT_EQ(songs->fileCount(), 1);
    EXPECT_TRUE(r.videoFiles.isEmpty());
    EXPECT_TRUE(r.totalFiles.contains(songs));
    EXPECT_FALSE(r.totalFiles.contains(films));
    // What is shown is what is counted: the copy left, in its category too.
    EXPECT_EQ(r.audioFilesCount, 1);
    EXPECT_EQ(r.audioFilesSize, 2000u);
    int shownCount = 0;
    uint64_t shownSize = 0;
    for (const DuplicateFilesPtr& group : r.totalFiles) {
        shownCount += group->fileCount();
        shownSize += group->totalSize();
    }
    EXPECT_EQ(r.totalFilesCount, shownCount);
    EXPECT_EQ(r.totalFilesSize, shownSize);
    EXPECT_TRUE(QFileInfo::exists(scratch() + QStringLiteral("/d/b/song.mp3")));

    ASSERT_TRUE(waitUntil([&] { return preview->filesArray().contains(songs); }));
    chooseGroup(preview, songs);
    ASSERT_TRUE(waitUntil([&] { return preview->subModel()->rowCount() == 1; }));
    const QString reason = songs->infos().first()->removeError()->localizedDescription();
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(markTip(preview, 0), reason);
}

// Small files moved into a small file system that fills on the way, the
// question answered with its own buttons: every chosen file is moved,
// deleted after "Yes", or marked with why; the one in hand when the space
// ran out too.
class FullDestinationTest : public RemovalFailuresTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FullDestinationTest, EveryFileThatDidNotGoIsMarkedWithWhyAlsoTheOneInHand)
{
    SmallFileSystem destination(700);
    if (!destination.mounted()) {
        GTEST_SKIP() << "needs root to mount a small file system";
    }
    for (int i = 0; i < 200; ++i) {
        const QByteArray content = QByteArray::number(i).rightJustified(3000, 's');
        writeFile(QStringLiteral("sm/a/s%1.txt").arg(i, 3, 10, QLatin1Char('0')), content);
        writeFile(QStringLiteral("sm/b/s%1.txt").arg(i, 3, 10, QLatin1Char('0')), content);
    }
    ScanManager::default_().setLastRemoveType(RemoveType::folder(QFile::encodeName(destination.path())));
    ScanViewController* s = scanToResults(scratch() + QStringLiteral("/sm"), false);
    clickCentre(s->automaticSelectionBtn());
    ASSERT_EQ(s->saveSelectData().count, 200);
    // The files in the order the removal takes them.
    QList<FileInfoPtr> chosen;
    for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
        for (const FileInfoPtr& file : group->infos()) {
            if (file->selected()) {
                chosen.append(file);
            }
        }
    }
    confirm(s, QStringLiteral("Are you sure to move the selected files to %1?").arg(destination.path()));
    const QString question = QStringLiteral("Some selected files will be permanently deleted because there is not enough "
                                            "space in ");
    ASSERT_TRUE(waitUntil([&] { return sheetMessage().startsWith(question); }, std::chrono::seconds(30)));
    const bool yes = QString::fromLatin1(GetParam()) == QLatin1String("Yes");
    answer(QString::fromLatin1(GetParam()));

    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    int moved = 0;
    int deleted = 0;
    int marked = 0;
    FileInfoPtr inHand;
    for (const FileInfoPtr& file : chosen) {
        const bool there = QFileInfo::exists(file->displayPath());
        if (QFileInfo::exists(destination.path() + QLatin1Char('/') + file->name())) {
            ++moved;
            EXPECT_FALSE(there);
            continue;
        }
        if (!inHand) {
            inHand = file;
        }
        if (!there) {
            ++deleted;
            continue;
        }
        ASSERT_TRUE(file->removeError().has_value()) << "neither moved nor marked: " << file->name().toStdString();
        EXPECT_TRUE(file->removeError()->localizedDescription().contains(kNoSpace))
            << file->removeError()->localizedDescription().toStdString();
        ++marked;
    }
    ASSERT_TRUE(inHand);
    EXPECT_GT(moved, 100);
    EXPECT_EQ(moved + deleted + marked, 200);
    if (!yes) {
        EXPECT_EQ(deleted, 0);
    }
    // The one in hand when the space ran out stays where it was, and says so.
    EXPECT_TRUE(QFileInfo::exists(inHand->displayPath()));
    ASSERT_TRUE(inHand->removeError().has_value());
    EXPECT_EQ(finish->filesCountLabel()->text(), QString::number(moved + deleted));
    EXPECT_EQ(finish->failedCountLabel()->text(), FinishWindowController::failedCountText(marked));
    EXPECT_TRUE(finish->failedCountLabel()->isVisible());
    clickCentre(finish->completeButton());
    ASSERT_TRUE(waitForResults());

    // Its pair is still shown, the copy marked, the reason over the mark.
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    const DuplicateFilesPtr group = groupHolding(preview->filesArray(), inHand->name());
    ASSERT_TRUE(group);
    chooseGroup(preview, group);
    ASSERT_TRUE(waitUntil([&] { return preview->subModel()->rowCount() == 2; }));
    const int row = int(preview->detailFilesArray().indexOf(inHand));
    ASSERT_GE(row, 0);
    EXPECT_TRUE(markTip(preview, row).contains(kNoSpace)) << markTip(preview, row).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Answers, FullDestinationTest, ::testing::Values("Cancel", "Yes"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });
