#include "ScanScreenFixture.h"

#include "Foundation/FileManager.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/AssembleOperation.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QThread>

EngineGate::EngineGate(Kind kind, QByteArray removalPath) : kind_(kind), removalPath_(std::move(removalPath))
{
    switch (kind_) {
    case Kind::duplicateScan:
        setMd5ReadFailureForTesting([this](const QByteArray&) { return pass(true); });
        break;
    case Kind::largeFileScan:
        LargeFilesManager::default_().setClockForTesting([this] {
            // Only the walk waits; the screen's own reads go on.
            pass(QThread::currentThread() != QCoreApplication::instance()->thread());
            return double(QDateTime::currentSecsSinceEpoch());
        });
        break;
    case Kind::removal: {
        FileManagerFaults faults;
        faults.fail = [this](FileStep, const QByteArray& path) {
            pass(path == removalPath_);
            return 0;
        };
        FileManager::setFaults(faults);
        break;
    }
    }
}

EngineGate::~EngineGate()
{
    open();
    switch (kind_) {
    case Kind::duplicateScan:
        setMd5ReadFailureForTesting(nullptr);
        break;
    case Kind::largeFileScan:
        LargeFilesManager::default_().setClockForTesting(nullptr);
        break;
    case Kind::removal:
        FileManager::clearFaults();
        break;
    }
}

bool EngineGate::pass(bool hold)
{
    if (!hold) {
        return false;
    }
    std::unique_lock lock(mutex_);
    ++waiting_;
    cv_.wait(lock, [this] { return open_; });
    --waiting_;
    return false;
}

void EngineGate::open()
{
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    cv_.notify_all();
}

void ScanScreenTest::SetUp()
{
    ShellTest::SetUp();
    ScanViewController::setIsManualStop(false);
    ScanViewController::setIsDeleteFile(false);
    ScanManager::default_().setLastRemoveType(RemoveType::trash());
    launch();
}

void ScanScreenTest::TearDown()
{
    ScanManager::default_().waitUntilIdle(10000);
    LargeFilesManager::default_().waitUntilRemoveIdle(10000);
    ShellTest::TearDown();
    ScanManager::default_().setLastRemoveType(RemoveType::trash());
}

MainViewController* ScanScreenTest::root()
{
    return nib().mainWindow()->mainViewController();
}

ScanViewController* ScanScreenTest::screen()
{
    return root()->scanViewController();
}

void ScanScreenTest::clickRowPart(QAbstractItemView* view, CellViewDelegate* cells, const QModelIndex& index,
                                  const char* partName)
{
    ASSERT_TRUE(index.isValid());
    QWidget* cell = cells->cellForIndex(index);
    ASSERT_NE(cell, nullptr);
    auto* part = cell->findChild<QWidget*>(QString::fromLatin1(partName));
    ASSERT_NE(part, nullptr) << partName;
    const QRect place = cells->controlRect(index, part);
    ASSERT_TRUE(view->viewport()->rect().contains(place.center())) << partName << " of row " << index.row();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, place.center());
}

void ScanScreenTest::clickCentre(QWidget* control)
{
    ASSERT_TRUE(control->isVisible() && control->isEnabled());
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
}

void ScanScreenTest::choosePermanently(ScanViewController* s)
{
    PopUpButton* popUp = s->popUpButton();
    QTest::mouseClick(popUp, Qt::LeftButton);
    ASSERT_TRUE(popUp->isPopupWindowOpen());
    QTest::mouseClick(popUp->menuWindow()->itemViews().at(1), Qt::LeftButton);
    ASSERT_EQ(popUp->selectedTitle()->text(), QStringLiteral("Permanently Deleted"));
}

bool ScanScreenTest::chosenRowShows(QAbstractItemView* view)
{
    const QModelIndexList chosen = view->selectionModel()->selectedRows();
    return chosen.size() == 1 && view->viewport()->rect().intersects(view->visualRect(chosen.first()));
}

QByteArray ScanScreenTest::bytes(const QString& path)
{
    return QFile::encodeName(path);
}

QString ScanScreenTest::duplicateTree()
{
    writeFile(QStringLiteral("d/a/film.mp4"), QByteArray(3000, 'v'));
    writeFile(QStringLiteral("d/b/film copy.mp4"), QByteArray(3000, 'v'));
    writeFile(QStringLiteral("d/a/song.mp3"), QByteArray(2000, 'a'));
    writeFile(QStringLiteral("d/b/song.mp3"), QByteArray(2000, 'a'));
    writeFile(QStringLiteral("d/a/photo.jpg"), QByteArray(1000, 'p'));
    writeFile(QStringLiteral("d/b/photo.jpg"), QByteArray(1000, 'p'));
    writeFile(QStringLiteral("d/c/photo.jpg"), QByteArray(1000, 'p'));
    writeFile(QStringLiteral("d/a/notes.pdf"), QByteArray(500, 'd'));
    writeFile(QStringLiteral("d/b/notes.pdf"), QByteArray(500, 'd'));
    writeFile(QStringLiteral("d/a/data.bin"), QByteArray(700, 'o'));
    writeFile(QStringLiteral("d/b/data.bin"), QByteArray(700, 'o'));
    writeFile(QStringLiteral("d/a/alone.txt"), QByteArray(900, 'x'));
    return scratch() + QStringLiteral("/d");
}

QString ScanScreenTest::manyPairsTree()
{
    for (int i = 0; i < 60; ++i) {
        const QByteArray content(200 + i, char('a' + i % 26));
        writeFile(QStringLiteral("many/a/f%1.bin").arg(i), content);
        writeFile(QStringLiteral("many/b/f%1.bin").arg(i), content);
    }
    return scratch() + QStringLiteral("/many");
}

QString ScanScreenTest::largeFileTree()
{
    writeSparse(QStringLiteral("l/movie.mp4"), 30'000'000);
    writeSparse(QStringLiteral("l/music.flac"), 12'000'000);
    writeSparse(QStringLiteral("l/disk.iso"), 600'000'000);
    writeSparse(QStringLiteral("l/sub/archive.zip"), 20'000'000);
    writeFile(QStringLiteral("l/small.txt"), "small");
    return scratch() + QStringLiteral("/l");
}

QString ScanScreenTest::writeSparse(const QString& relativePath, qint64 size)
{
    const QString path = writeFile(relativePath, QByteArray());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    EXPECT_TRUE(file.resize(size)) << path.toStdString();
    return path;
}

ScanViewController* ScanScreenTest::largeFilesChecked()
{
    for (int i = 0; i < 30; ++i) {
        writeSparse(QStringLiteral("big/f%1.iso").arg(i, 2, 10, QLatin1Char('0')), 11'000'000 + i);
    }
    ScanViewController* s = scanToResults(scratch() + QStringLiteral("/big"), true);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    EXPECT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 30; }));
    QTest::mouseClick(s->allSelectCheckBox(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return s->startBtn()->isEnabled(); }));
    return s;
}

ScanViewController* ScanScreenTest::startScan(const QString& folder, bool large)
{
    // The home screen keeps the folders of earlier scans: scan only this one.
    // The new folder goes in before the others leave, so the list never
    // falls back to its empty look.
    FolderSetViewController* home = root()->folderSetViewController();
    if (!home->folderList().isEmpty()) {
        home->dragDrop(home->mainDragView(), {bytes(folder)});
        EXPECT_TRUE(waitUntil([home] { return home->dropsInFlight() == 0; }));
        for (qsizetype i = home->folderList().size() - 1; i >= 0; --i) {
            if (home->folderList().at(i) != bytes(folder)) {
                home->deleteFile(int(i));
            }
        }
    }
    scanFromHome({bytes(folder)}, large ? &FolderSetViewController::scanLargeFile
                                        : &FolderSetViewController::scanDuplicates);
    return screen();
}

bool ScanScreenTest::waitForResults()
{
    return waitUntil([this] {
        ScanViewController* s = screen();
        return s && s->displayViewType() != ScanViewController::DisplayViewType::displayViewTypeScanning
               && !s->loadingViewCtr()->isLoading() && !s->loadingViewCtr()->isVisible()
               && ScanManager::default_().waitUntilIdle(0);
    });
}

ScanViewController* ScanScreenTest::scanToResults(const QString& folder, bool large)
{
    ScanViewController* s = startScan(folder, large);
    EXPECT_TRUE(waitForResults());
    return s;
}

QString ScanScreenTest::sheetMessage() const
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing() ? sheet->labelTextField()->text() : QString();
}

bool ScanScreenTest::sheetShowing() const
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing();
}

void ScanScreenTest::answer(const QString& title)
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_NE(sheet, nullptr);
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button->isVisible() && button->title() == title) {
            button->click();
            // The answer reaches its caller once the sheet has faded out
            // (unless that caller asks something new at once).
            const QPointer<SheetWindowController> answered(sheet);
            EXPECT_TRUE(waitUntil([answered] {
                return !answered || answered->isShowing() || ModalOverlay::overlayFor(answered) == nullptr;
            }));
            return;
        }
    }
    ADD_FAILURE() << "no button " << title.toStdString();
}

bool ScanScreenTest::waitForSheet(const QString& message)
{
    return waitUntil([&] { return sheetMessage() == message; });
}

bool ScanScreenTest::waitForNoSheet()
{
    return waitUntil([] {
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        return !sheet || (!sheet->isShowing() && ModalOverlay::overlayFor(sheet) == nullptr);
    });
}

FinishWindowController* ScanScreenTest::finishWindow(ScanViewController* s)
{
    FinishWindowController* finish = nullptr;
    EXPECT_TRUE(waitUntil(
        [&] {
            FileRemovingViewController* removing = s->fileRemovingViewCtr();
            finish = removing ? removing->finishWindowController() : nullptr;
            return finish != nullptr;
        },
        std::chrono::seconds(30)));
    QCoreApplication::sendPostedEvents();
    return finish;
}

QStringList ScanScreenTest::labels(const QString& category, const QString& action) const
{
    QStringList found;
    for (const QVDAObservedEvent& event : recorder->events()) {
        if (event.category == category && event.action == action) {
            found << event.label;
        }
    }
    return found;
}
