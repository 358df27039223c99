// Removal from the scan screen on real files: the question, the removal
// screen, the finish window and what is left, for each destination, and
// the runs that stop, fail or find no room.

#include "ScanScreenFixture.h"

#include "FileDialogDriver.h"

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainViewController.h"
#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTableView.h"
#include "View/CustomView/KPLBox.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>

#include <cerrno>

#include <dirent.h>
#include <sys/stat.h>

using State = ScanViewController::DisplayViewType;

namespace {

qint64 closeView()
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView"));
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

}  // namespace

class ScanRemovalTest : public ScanScreenTest {
protected:
    // Scans the duplicate tree and selects every copy but the first of the
    // video and audio pairs.
    ScanViewController* scanAndSelectVideoAndAudio()
    {
        ScanViewController* s = scanToResults(duplicateTree(), false);
        const ScanManager::Results r = ScanManager::default_().results();
        for (const DuplicateFilesList& list : {r.videoFiles, r.audioFiles}) {
            s->leftDataViewShowFiles(list);
            s->automaticSelectionAction();
        }
        return s;
    }

    // Answers the Remove question with "Yes".
    void confirmRemove(ScanViewController* s, const QString& question)
    {
        previousRemoval_ = s->fileRemovingViewCtr();
        s->startBtn()->click();
        ASSERT_TRUE(waitForSheet(question));
        answer(QStringLiteral("Yes"));
    }

    // Deletes what is selected permanently, chosen and confirmed as a user
    // does, and gives the removal's finish window.
    FinishWindowController* removePermanently(ScanViewController* s)
    {
        choosePermanently(s);
        confirmRemove(s, QStringLiteral("Are you sure to permanently delete the selected files?"));
        return waitForFinishWindow(s);
    }

    // Waits for the finish window of the removal screen and closes it.
    FinishWindowController* waitForFinishWindow(ScanViewController* s)
    {
        FinishWindowController* finish = nullptr;
        EXPECT_TRUE(waitUntil([&] {
            // Every removal has a removal screen of its own: not the last one's.
            FileRemovingViewController* removing = s->fileRemovingViewCtr();
            finish = removing && removing != previousRemoval_.data() ? removing->finishWindowController() : nullptr;
            return finish != nullptr;
        }));
        // The window fills in its figures on the main queue.
        QCoreApplication::sendPostedEvents();
        return finish;
    }

    QString d(const QString& relative) const { return scratch() + QStringLiteral("/d/") + relative; }

    QPointer<FileRemovingViewController> previousRemoval_;
    const QString trashQuestion = QStringLiteral("Are you sure to discard the selected files to the Trash?");
};

TEST_F(ScanRemovalTest, ToTheTrashWithItsInformationThenTheRestWithDeletedSummary)
{
    ScanViewController* s = scanAndSelectVideoAndAudio();
    EXPECT_EQ(s->saveSelectData().count, 2);
    recorder->clear();
    confirmRemove(s, trashQuestion);
    ASSERT_TRUE(waitUntil([&] { return s->displayViewType() == State::displayViewTypeRemoving; }));
    EXPECT_EQ(closeView(), 6);
    FileRemovingViewController* removing = s->fileRemovingViewCtr();
    EXPECT_EQ(s->contentBox()->contentView(), removing);
    EXPECT_EQ(removing->removeData().count, 2);
    EXPECT_TRUE(s->gALogData().startRemoveData);

    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->freeSizeLabel()->text(), transformedFileSize(5000, true, true));
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(removing->detailFilesCountLabel()->text(), QStringLiteral("2 / 2"));
    EXPECT_EQ(removing->progressValueLabel()->text(), QStringLiteral("100%"));
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Remover")), QStringList{QStringLiteral("1_File")});
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Complete")),
              QStringList{QStringLiteral("1_successDE_File")});

    // The copies are in the Trash, each with where it came from.
    EXPECT_FALSE(exists(d(QStringLiteral("b/song.mp3"))));
    EXPECT_TRUE(exists(d(QStringLiteral("a/song.mp3"))));
    const QString trash = QFile::decodeName(Trash::filesFolder());
    EXPECT_TRUE(exists(trash + QStringLiteral("/song.mp3")));
    QFile info(QFile::decodeName(Trash::infoFolder()) + QStringLiteral("/song.mp3.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    QString origin;
    for (const QByteArray& line : info.readAll().split('\n')) {
        if (line.startsWith("Path=")) {
            origin = QUrl::fromPercentEncoding(line.mid(5));
        }
    }
    EXPECT_EQ(origin, d(QStringLiteral("b/song.mp3")));

    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeRemoveFinished);
    EXPECT_EQ(closeView(), 7);
    EXPECT_EQ(s->successRemoveData(), (ScanViewController::CountSize{2, 5000}));
    EXPECT_EQ(ScanManager::default_().totalFiles().size(), 3);
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Deleted:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(), QStringLiteral("2 (%1)").arg(transformedFileSize(5000, true, true)));
    EXPECT_EQ(ScanScreenLook::textColor(s->selectCountSizeLabel()), color256(254, 74, 74));
    EXPECT_FALSE(s->startBtn()->isEnabled());
    // What is left comes back unselected.
    for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
        EXPECT_EQ(group->selectState(), ControlState::off);
    }
    // Code 7 stays when the results are shown again.
    s->displayScanFinishedView();
    EXPECT_EQ(closeView(), 7);

    // Selecting one file turns the summary back to "Selected:".
    const DuplicateFilesPtr photos = ScanManager::default_().pictureFiles().first();
    photos->infos().at(1)->setSelected(true);
    photos->setSelectState(ControlState::mixed);
    s->updateSelectCountSizeLabel();
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Selected:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(), QStringLiteral("1 (%1)").arg(transformedFileSize(1000, true, true)));
    EXPECT_TRUE(s->startBtn()->isEnabled());
}

TEST_F(ScanRemovalTest, PermanentlyAndWhenNothingIsLeftHome)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    s->automaticSelectionAction();
    FinishWindowController* finish = removePermanently(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("6"));
    EXPECT_FALSE(exists(d(QStringLiteral("b/film copy.mp4"))));
    EXPECT_FALSE(exists(d(QStringLiteral("c/photo.jpg"))));
    EXPECT_TRUE(exists(d(QStringLiteral("a/photo.jpg"))));
    EXPECT_FALSE(exists(QFile::decodeName(Trash::filesFolder()) + QStringLiteral("/photo.jpg")));
    QPointer<ScanViewController> released(s);
    finish->completeAciton();
    // Every group is gone: back home.
    EXPECT_EQ(root()->mainViewBox()->contentView(), root()->folderSetViewController());
}

TEST_F(ScanRemovalTest, IntoAFolderKeepingWhatIsThereAndNotIntoOneThatVanished)
{
    ScanViewController* s = scanAndSelectVideoAndAudio();
    const QString folder = scratch() + QStringLiteral("/kept");
    writeFile(QStringLiteral("kept/song.mp3"), "already here");
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), QFile::decodeName(bytes(folder)));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(bytes(folder)));
    confirmRemove(s, QStringLiteral("Are you sure to move the selected files to %1?").arg(folder));
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    QFile clash(folder + QStringLiteral("/song.mp3"));
    ASSERT_TRUE(clash.open(QIODevice::ReadOnly));
    EXPECT_EQ(clash.readAll(), QByteArray("already here"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());

    // A folder gone since it was chosen: told so, nothing moves.
    const ScanManager::Results r = ScanManager::default_().results();
    s->leftDataViewShowFiles(r.pictureFiles);
    s->automaticSelectionAction();
    QDir(folder).removeRecursively();
    s->startBtn()->click();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to move the selected files to %1?").arg(folder)));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitForSheet(QStringLiteral(
        "The folder does not exist. Please choose another one. It may be moved, renamed or deleted.")));
    EXPECT_TRUE(exists(d(QStringLiteral("b/photo.jpg"))));
    EXPECT_TRUE(exists(d(QStringLiteral("c/photo.jpg"))));
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeRemoveFinished);
}

TEST_F(ScanRemovalTest, IntoAFolderWhoseNameIsNotUtf8PickedInTheChooser)
{
    const QByteArray odd = bytes(scratch()) + "/d\xe9st";
    ASSERT_EQ(::mkdir(odd.constData(), 0700), 0);
    ScanViewController* s = scanAndSelectVideoAndAudio();
    s->popUpButton()->menuWindow()->selectItem(QStringLiteral("Remove to the Folder..."));
    QFileDialog* chooser = FileDialogDriver::waitForDialog();
    ASSERT_NE(chooser, nullptr);
    // Its decoded name typed, as the dialog does not list it.
    FileDialogDriver::typeName(chooser, QFile::decodeName(odd));
    ASSERT_TRUE(FileDialogDriver::pressAccept(chooser));
    EXPECT_EQ(s->openPanel(), nullptr);
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(odd));
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to ") + QFile::decodeName("d\xe9st"));
    confirmRemove(s, QStringLiteral("Are you sure to move the selected files to %1?").arg(QFile::decodeName(odd)));
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    int moved = 0;
    if (DIR* dir = ::opendir(odd.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            moved += entry->d_type == DT_REG ? 1 : 0;
        }
        ::closedir(dir);
    }
    EXPECT_EQ(moved, 2);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());

    // The next screen takes the remembered folder by its bytes, no chooser.
    root()->scanViewBackAction();
    s = scanToResults(duplicateTree(), false);
    EXPECT_EQ(s->openPanel(), nullptr);
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(odd));
}

TEST_F(ScanRemovalTest, ShortOfSpaceTwiceOnOneScreenLeavesTheResultsUsable)
{
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/twinsweep-scan-XXXXXX"));
    ASSERT_TRUE(elsewhere.isValid());
    ScanViewController* s = scanAndSelectVideoAndAudio();
    // A first removal that works: the screen has seen a removal begin.
    confirmRemove(s, trashQuestion);
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());

    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(10); };
    FileManager::setFaults(faults);
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), elsewhere.path());
    const QString notice = QStringLiteral("There is insufficient space on disk");
    for (int attempt = 0; attempt < 2; ++attempt) {
        s->leftDataViewShowFiles(ScanManager::default_().pictureFiles());
        s->automaticSelectionAction();
        confirmRemove(s, QStringLiteral("Are you sure to move the selected files to %1?").arg(elsewhere.path()));
        ASSERT_TRUE(waitUntil([&] { return sheetMessage().startsWith(notice); }));
        answer(QStringLiteral("OK"));
        ASSERT_TRUE(waitForNoSheet());
        QCoreApplication::processEvents();
        // No overlay is left that nothing would take down.
        EXPECT_FALSE(s->loadingViewCtr()->isLoading());
        EXPECT_FALSE(s->loadingViewCtr()->isVisible());
        EXPECT_FALSE(s->gALogData().manualStopRemove);
        EXPECT_EQ(s->displayViewType(), State::displayViewTypeRemoveFinished);
        EXPECT_TRUE(s->startBtn()->isEnabled());
    }
    FileManager::clearFaults();
    EXPECT_TRUE(exists(d(QStringLiteral("c/photo.jpg"))));
}

TEST_F(ScanRemovalTest, AStopInTheMiddleLeavesTheRestAndSaysStopped)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    s->automaticSelectionAction();
    choosePermanently(s);
    // The smallest group goes first: the documents.
    EngineGate gate(EngineGate::Kind::removal, bytes(d(QStringLiteral("b/notes.pdf"))));
    recorder->clear();
    confirmRemove(s, QStringLiteral("Are you sure to permanently delete the selected files?"));
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    ASSERT_TRUE(waitUntil([&] { return s->fileRemovingViewCtr() != nullptr; }));
    FileRemovingViewController* removing = s->fileRemovingViewCtr();

    // "Cancel" changes nothing.
    removing->stopBtn()->click();
    const QString question =
        QStringLiteral("Only partial duplicates can be removed if you stop deleting. Are you sure you want to stop?");
    ASSERT_TRUE(waitForSheet(question));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    EXPECT_TRUE(removing->stopBtn()->isEnabled());
    EXPECT_FALSE(ScanManager::default_().removeStop());

    removing->stopBtn()->click();
    ASSERT_TRUE(waitForSheet(question));
    answer(QStringLiteral("Yes"));
    EXPECT_FALSE(removing->stopBtn()->isEnabled());
    EXPECT_TRUE(ScanManager::default_().removeStop());
    EXPECT_TRUE(waitUntil([&] { return s->loadingViewCtr()->isLoading(); }));
    gate.open();
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_FALSE(s->loadingViewCtr()->isLoading());
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Complete")),
              QStringList{QStringLiteral("1_stoppedDE_File")});
    // The file in hand was finished; the groups after it were left alone.
    EXPECT_FALSE(exists(d(QStringLiteral("b/notes.pdf"))));
    EXPECT_TRUE(exists(d(QStringLiteral("b/film copy.mp4"))));
    EXPECT_TRUE(exists(d(QStringLiteral("b/song.mp3"))));
    EXPECT_TRUE(exists(d(QStringLiteral("c/photo.jpg"))));
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("1"));
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeRemoveFinished);
}

TEST_F(ScanRemovalTest, AFileThatCannotBeRemovedStaysWithItsError)
{
    ScanViewController* s = scanAndSelectVideoAndAudio();
    const QByteArray failing = bytes(d(QStringLiteral("b/song.mp3")));
    FileManagerFaults faults;
    faults.fail = [failing](FileStep step, const QByteArray& path) {
        return step == FileStep::remove && path == failing ? EACCES : 0;
    };
    FileManager::setFaults(faults);
    FinishWindowController* finish = removePermanently(s);
    FileManager::clearFaults();
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("1"));
    EXPECT_TRUE(exists(QFile::decodeName(failing)));
    EXPECT_FALSE(exists(d(QStringLiteral("b/film copy.mp4"))));
    EXPECT_EQ(ScanManager::default_().errorRemoveCount(), 1);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());

    // The audio pair is still there, its copy marked with the error.
    const DuplicateFilesList audio = ScanManager::default_().audioFiles();
    ASSERT_EQ(audio.size(), 1);
    ASSERT_TRUE(audio.first()->infos().at(1)->removeError().has_value());
    s->leftDataViewShowFiles(audio);
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    ASSERT_EQ(preview->filesArray().size(), 1);
    QWidget* cell = preview->mainCells()->cellForIndex(preview->mainModel()->index(0, 0));
    ASSERT_NE(cell, nullptr);
    QLabel* error = cell->findChild<QLabel*>(QStringLiteral("errorImageView"));
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(error->isVisible());
}

// The kept copy of the audio pair goes away after the scan: its chosen copy
// stays, and the result panel tells why where the other failures show.
TEST_F(ScanRemovalTest, AChosenCopyWhoseKeptCopyWentAwayStaysMarkedWithWhy)
{
    ScanViewController* s = scanAndSelectVideoAndAudio();
    ASSERT_TRUE(QFile::remove(d(QStringLiteral("a/song.mp3"))));
    FinishWindowController* finish = removePermanently(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("1"));
    EXPECT_TRUE(exists(d(QStringLiteral("b/song.mp3"))));
    EXPECT_FALSE(exists(d(QStringLiteral("b/film copy.mp4"))));
    EXPECT_EQ(ScanManager::default_().errorRemoveCount(), 1);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());

    const DuplicateFilesList audio = ScanManager::default_().audioFiles();
    ASSERT_EQ(audio.size(), 1);
    s->leftDataViewShowFiles(audio);
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    ASSERT_EQ(preview->filesArray().size(), 1);
    QWidget* groupCell = preview->mainCells()->cellForIndex(preview->mainModel()->index(0, 0));
    ASSERT_NE(groupCell, nullptr);
    EXPECT_TRUE(groupCell->findChild<QLabel*>(QStringLiteral("errorImageView"))->isVisible());
    ASSERT_TRUE(waitUntil([&] { return preview->subModel()->rowCount() == 2; }));
    int marked = 0;
    for (int row = 0; row < 2; ++row) {
        QWidget* cell = preview->subCells()->cellForIndex(preview->subModel()->index(row, 0));
        ASSERT_NE(cell, nullptr);
        QLabel* error = cell->findChild<QLabel*>(QStringLiteral("errorImageView"));
        ASSERT_NE(error, nullptr);
        if (error->isVisible()) {
            ++marked;
            EXPECT_EQ(error->toolTip(), QStringLiteral("The copy you kept has changed or is gone since the scan."));
        }
    }
    EXPECT_EQ(marked, 1);
}

// A plain file where the Trash keeps its files: the notice says the Trash
// cannot be used and why, nothing moves and the results stay.
TEST_F(ScanRemovalTest, ATrashThatCannotTakeFilesSaysSoAndNothingMoves)
{
    ScanViewController* s = scanAndSelectVideoAndAudio();
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder(), "in the way"));
    confirmRemove(s, trashQuestion);
    ASSERT_TRUE(waitForSheet(QStringLiteral("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.")
                                 .arg(QFile::decodeName(Trash::filesFolder()))));
    answer(QStringLiteral("OK"));
    EXPECT_TRUE(exists(d(QStringLiteral("b/film copy.mp4"))));
    EXPECT_TRUE(exists(d(QStringLiteral("b/song.mp3"))));
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanFinished);
}

TEST_F(ScanRemovalTest, LargeFilesGoToTheTrashAndTheRestStays)
{
    ScanViewController* s = scanToResults(largeFileTree(), true);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    ASSERT_EQ(table->shownFiles().first()->name(), QStringLiteral("disk.iso"));
    table->checkBoxClick(0);
    table->checkBoxClick(1);
    EXPECT_EQ(s->saveSelectData().count, 2);
    recorder->clear();
    confirmRemove(s, trashQuestion);
    EXPECT_TRUE(ScanViewController::isDeleteFile());
    ASSERT_TRUE(waitUntil([&] { return s->displayViewType() == State::displayViewTypeRemoving; }));
    EXPECT_EQ(closeView(), 16);
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(finish->freeSizeLabel()->text(), transformedFileSize(630'000'000, true, true));
    EXPECT_EQ(s->fileRemovingViewCtr()->detailFilesCountLabel()->text(), QStringLiteral("2 / 2"));
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("ClikDuplicate")), QStringList{QStringLiteral("1_Large")});
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Remover")), QStringList{QStringLiteral("1_Large")});
    EXPECT_TRUE(exists(QFile::decodeName(Trash::filesFolder()) + QStringLiteral("/disk.iso")));
    EXPECT_TRUE(exists(scratch() + QStringLiteral("/l/music.flac")));

    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(closeView(), 17);
    EXPECT_TRUE(s->isRemoveLargeFile());
    EXPECT_EQ(s->hasRemovesucceedCount(), 2);
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Deleted:"));
    EXPECT_EQ(s->selectCountSizeLabel()->text(),
              QStringLiteral("2 (%1)").arg(transformedFileSize(630'000'000, true, true)));
    ASSERT_TRUE(waitUntil([&] { return table->shownFiles().size() == 2; }));

    // The rest goes too, and then the screen goes home.
    table->checkBoxClick(0);
    table->checkBoxClick(1);
    confirmRemove(s, trashQuestion);
    finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    finish->completeAciton();
    EXPECT_TRUE(waitUntil([&] { return root()->mainViewBox()->contentView() == root()->folderSetViewController(); }));
}

// A removal that leaves the chosen group in place (one copy of three) must
// not leave the removed file listed under it in the preview.
TEST_F(ScanRemovalTest, ThePreviewFileTableLosesAFileRemovedFromTheChosenGroup)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    ASSERT_TRUE(s->previewModel());
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    KPLTableView* groups = preview->mainTableView();
    KPLTableView* files = preview->subTableView();
    qsizetype row = -1;
    for (qsizetype i = 0; i < preview->filesArray().size(); ++i) {
        if (preview->filesArray()[i]->fileCount() == 3) {
            row = i;
        }
    }
    ASSERT_GE(row, 0);
    const QModelIndex photos = preview->mainModel()->index(int(row), 0);
    groups->scrollTo(photos);
    clickRowPart(groups, preview->mainCells(), photos, "fileNameLabel");
    ASSERT_EQ(groups->selectedRow(), row);
    ASSERT_EQ(files->model()->rowCount(), 3);
    const QString removed = d(QStringLiteral("c/photo.jpg"));
    ASSERT_EQ(preview->detailFilesArray().at(2)->displayPath(), removed);
    // The third copy is chosen too, so the preview shows the file that goes.
    clickRowPart(files, preview->subCells(), preview->subModel()->index(2, 0), "fileNameLabel");
    clickRowPart(files, preview->subCells(), preview->subModel()->index(2, 0), "checkBox");
    ASSERT_EQ(s->saveSelectData().count, 1);

    clickCentre(s->startBtn());
    ASSERT_TRUE(waitForSheet(trashQuestion));
    answer(QStringLiteral("Yes"));
    FinishWindowController* finish = waitForFinishWindow(s);
    ASSERT_NE(finish, nullptr);
    clickCentre(finish->completeButton());
    ASSERT_TRUE(waitForResults());
    // The left panel measures its categories again, then hands in the list.
    ASSERT_TRUE(waitUntil([&] {
        return s->leftDataViewCtr()->reloadsInFlight() == 0 && s->leftDataViewCtr()->tableView()->isEnabled();
    }));
    EXPECT_FALSE(exists(removed));
    EXPECT_TRUE(exists(QFile::decodeName(Trash::filesFolder()) + QStringLiteral("/photo.jpg")));

    // The group is still chosen, says two, and lists the two that are left,
    // the first of them chosen in place of the one that went.
    ASSERT_EQ(groups->selectedRow(), preview->filesArray().indexOf(preview->lastMainSelect().item));
    const DuplicateFilesPtr group = preview->lastMainSelect().item;
    ASSERT_EQ(group->fileCount(), 2);
    QWidget* cell = preview->mainCells()->cellForIndex(preview->mainModel()->index(groups->selectedRow(), 0));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->findChild<QLabel*>(QStringLiteral("filesCountLabel"))->text(), QStringLiteral("2 item(s) in total"));
    ASSERT_EQ(files->model()->rowCount(), 2);
    QStringList listed;
    for (const FileInfoPtr& file : preview->detailFilesArray()) {
        listed << file->displayPath();
    }
    EXPECT_EQ(listed, (QStringList{d(QStringLiteral("a/photo.jpg")), d(QStringLiteral("b/photo.jpg"))}));
    EXPECT_EQ(files->selectedRow(), 0);
    EXPECT_EQ(preview->lastSubSelect().item, preview->detailFilesArray().first());
}
