#include "View/FolderSetViewController.h"

#include "DiskArbitration/DiskArbitration.h"
#include "Foundation/Bundle.h"
#include "Foundation/FileManager.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/UserDefaults.h"
#include "GA/QVDAEventObserver.h"
#include "Lottie/AnimationView.h"
#include "Main/MainWindow.h"
#include "Manager/DiskInfo.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "FileDialogDriver.h"
#include "FocusRingProbe.h"
#include "TestSupport.h"
#include "View/CustomView/FunctionButton.h"
#include "View/FolderTableView.h"
#include "View/ImageProvider.h"
#include "View/TrackingTableCellView.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/DupImageNavigationView.h"
#include "Window/DupImageNavigationViewController.h"
#include "Window/DupImageNavigationWindowController.h"
#include "Window/ModalOverlay.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

double alphaOf(QWidget* view)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

class HomeScreenTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        Helper::setNetworkReachableOverride(true);
        recorder = std::make_unique<QVDAEventRecorder>();
        // The guide has its own tests; here it stays away unless asked for.
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        window = std::make_unique<QMainWindow>();
        window->resize(700, 420);
        home = new FolderSetViewController;
        window->setCentralWidget(home);
        ModalOverlay::setApplicationMainWindow(window.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        for (const char* name : {"Photos", "Music", "Photos/2024"}) {
            ASSERT_TRUE(QDir().mkpath(scratch() + "/" + QString::fromLatin1(name)));
        }
        file = writeFile("notes.txt", "text");
        ASSERT_TRUE(QDir().mkpath(scratch() + "/Tool.app"));
    }
    void TearDown() override
    {
        ModalOverlay::setApplicationMainWindow(nullptr);
        window.reset();
        recorder.reset();
        Helper::setNetworkReachableOverride(std::nullopt);
        TempHomeTest::TearDown();
    }

    QByteArray folder(const QString& name) const { return QFile::encodeName(scratch() + "/" + name); }
    static qint64 closeView() { return UserDefaults::standardUserDefaults().integerForKey("CloseView"); }
    QStringList labels(const QString& category, const QString& action) const
    {
        QStringList found;
        for (const QVDAObservedEvent& event : recorder->events()) {
            if (event.category == category && event.action == action) {
                found << event.label;
            }
        }
        return found;
    }

    // A drop handed to the screen, once it has looked for its folders.
    void drop(DragDropView* area, const QByteArrayList& paths)
    {
        home->dragDrop(area, paths);
        EXPECT_TRUE(waitUntil([&] { return home->dropsInFlight() == 0; }));
    }

    // Drags items over a drop area and drops them there, through the drag
    // events a file manager's drag sends.
    bool dragAndDrop(QWidget* area, const QList<QByteArray>& paths, bool drop = true)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QByteArray& path : paths) {
            urls << FilePath::fileUrl(path);
        }
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        QDragMoveEvent move(QPoint(30, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &move);
        const bool accepted = move.isAccepted() && move.dropAction() == Qt::CopyAction;
        if (!drop) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(area, &leave);
            return accepted;
        }
        if (accepted) {
            QDropEvent dropEvent(QPointF(30, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(area, &dropEvent);
            EXPECT_TRUE(waitUntil([&] { return home->dropsInFlight() == 0; }));
        }
        return accepted;
    }

    // Answers the open chooser as a user does: the folder's path typed into
    // its name field, then its "Choose" pressed.
    void choose(const QByteArray& path)
    {
        QFileDialog* panel = FileDialogDriver::waitForDialog();
        ASSERT_NE(panel, nullptr);
        ASSERT_EQ(panel, home->openPanel());
        FileDialogDriver::typeName(panel, QFile::decodeName(path));
        ASSERT_TRUE(FileDialogDriver::pressAccept(panel));
        EXPECT_FALSE(panel->isVisible());
    }
    // Several folders of one parent picked in its list, Ctrl held for all but
    // the first, then "Choose".
    void chooseInList(const QString& parent, const QStringList& names)
    {
        QFileDialog* panel = FileDialogDriver::waitForDialog();
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(FileDialogDriver::showFolder(panel, parent));
        ASSERT_TRUE(FileDialogDriver::selectNames(panel, names));
        ASSERT_TRUE(FileDialogDriver::pressAccept(panel));
        EXPECT_FALSE(panel->isVisible());
    }

    bool listLookSettled() const
    {
        return home->container()->currentWidget() == home->tableContainView()
               && home->rightBox()->x() == FolderSetViewController::rightBoxShownX && alphaOf(home->rightBox()) == 1.0
               && alphaOf(home->scrollView()) == 1.0;
    }
    bool emptyLookSettled() const
    {
        return home->container()->currentWidget() == home->dragDropView()
               && home->rightBox()->geometry() == FolderSetViewController::rightBoxHiddenFrame()
               && alphaOf(home->scrollView()) == 0.0 && alphaOf(home->plusButton()) == 1.0
               && alphaOf(home->dragText()) == 1.0;
    }

    std::unique_ptr<QVDAEventRecorder> recorder;
    std::unique_ptr<QMainWindow> window;
    FolderSetViewController* home = nullptr;
    QString file;
};

}  // namespace

TEST_F(HomeScreenTest, LoadsTheEmptyLookAndCountsTheVisit)
{
    EXPECT_EQ(home->container()->currentWidget(), home->dragDropView());
    EXPECT_EQ(home->dragText()->text(), "Choose or Drag and Drop Files Here");
    EXPECT_EQ(home->scanBtn()->functionType(), FunctionButton::FunctionType::scanDuplicateFile);
    EXPECT_EQ(home->scanBtn()->title(), "Scan Duplicates");
    EXPECT_EQ(home->scanImagesBtn()->functionType(), FunctionButton::FunctionType::scanImages);
    EXPECT_EQ(home->scanImagesBtn()->title(), "Scan Similar Images");
    EXPECT_EQ(home->scanLargeFileBtn()->functionType(), FunctionButton::FunctionType::scanlargeFile);
    EXPECT_EQ(home->scanLargeFileBtn()->title(), "Scan Large Files");
    EXPECT_EQ(home->restartBtn()->title(), "Restart");
    EXPECT_EQ(home->rightBox()->geometry(), QRect(765, 36, 320, 287));
    EXPECT_EQ(alphaOf(home->scrollView()), 0.0);
    EXPECT_EQ(alphaOf(home->addFileButton()), 0.0);
    EXPECT_EQ(home->isDragingFlag(), 0);
    EXPECT_EQ(closeView(), 1);
    EXPECT_EQ(labels("Process", "Front"), QStringList{"1"});
    // The animations and their images come through the image provider.
    ASSERT_NE(home->plusButton()->animation(), nullptr);
    EXPECT_TRUE(home->plusButton()->animation()->path().endsWith("LottieAnimation/ButtonImport/data.json"));
    auto* plusImages = dynamic_cast<ImageProvider*>(home->plusButton()->imageProvider().get());
    ASSERT_NE(plusImages, nullptr);
    EXPECT_TRUE(plusImages->images().contains("img_0.png"));
    auto* listImages = dynamic_cast<ImageProvider*>(home->tableContainView()->imageProvider().get());
    ASSERT_NE(listImages, nullptr);
    EXPECT_TRUE(listImages->images().contains("img_1.png"));
    EXPECT_FALSE(home->tableContainView()->currentFrameImage(1).isNull());

    FolderSetViewController second;
    EXPECT_EQ(labels("Process", "Front"), (QStringList{"1", "2"}));
}

TEST_F(HomeScreenTest, ChooserStartsHomeTakesSeveralFoldersAndRefusesEqualPaths)
{
    QObject listener;
    QStringList posted;
    NotificationCenter::defaultCenter().addObserver(&listener, didHiddenMainWindowTitleNotification(),
                                                    [&](const Notification& n) { posted << n.name; });
    QTest::mouseClick(home->animationContainer(), Qt::LeftButton);
    QFileDialog* panel = home->openPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(QDir::homePath()).canonicalPath());
    EXPECT_EQ(QDir::homePath(), TempHomeTest::home());
    EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(panel->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(panel->isVisible());
    for (QListView* view : panel->findChildren<QListView*>("listView")) {
        EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    }

    EXPECT_EQ(FileDialogDriver::acceptButton(panel)->text(), QStringLiteral("Choose"));

    // Two folders picked in its list with Ctrl.
    chooseInList(scratch(), {QStringLiteral("Photos"), QStringLiteral("Music")});
    EXPECT_EQ(home->openPanel(), nullptr);
    QByteArrayList listed = home->folderList();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (QByteArrayList{folder("Music"), folder("Photos")}));
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());
    EXPECT_EQ(labels("Process", "Main"), QStringList{"1"});
    EXPECT_EQ(closeView(), 2);
    EXPECT_EQ(posted, QStringList{didHiddenMainWindowTitleNotification()});
    EXPECT_TRUE(waitUntil([&] { return listLookSettled(); }));
    EXPECT_EQ(home->folderTableView()->numberOfRows(), 2);

    // The add button's chooser adds new folders only: a listed one is not
    // taken again, a nested one is new.
    recorder->clear();
    QTest::mouseClick(home->addFileButton(), Qt::LeftButton);
    ASSERT_NE(home->openPanel(), nullptr);
    EXPECT_EQ(QDir(home->openPanel()->directory()).canonicalPath(), QDir(QDir::homePath()).canonicalPath());
    choose(folder("Music"));
    EXPECT_EQ(home->folderList().size(), 2);
    home->addFileBtnAction();
    choose(folder("Photos/2024"));
    EXPECT_EQ(home->folderList().size(), 3);
    EXPECT_EQ(home->folderList().last(), folder("Photos/2024"));
    EXPECT_EQ(home->folderTableView()->numberOfRows(), 3);
    EXPECT_TRUE(recorder->events().isEmpty());
    EXPECT_EQ(closeView(), 2);

    // Cancel changes nothing.
    home->addFileBtnAction();
    QFileDialog* cancelled = FileDialogDriver::waitForDialog();
    ASSERT_NE(cancelled, nullptr);
    FileDialogDriver::typeName(cancelled, QFile::decodeName(folder("Photos")));
    ASSERT_TRUE(FileDialogDriver::pressCancel(cancelled));
    EXPECT_EQ(home->folderList().size(), 3);
}

TEST_F(HomeScreenTest, AFolderWhoseNameIsNotUtf8IsChosenByItsBytes)
{
    // The dialog does not list such a name; its decoded text typed (as a
    // file manager shows it) still finds the folder.
    const QByteArray odd = QFile::encodeName(scratch()) + "/caf\xe9";
    ASSERT_EQ(::mkdir(odd.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((odd + "/inside").constData(), 0700), 0);
    home->popUpFileManagerWindow();
    choose(odd);
    EXPECT_EQ(home->folderList(), QByteArrayList{odd});
    home->addFileBtnAction();
    choose(odd + "/inside");
    EXPECT_EQ(home->folderList(), (QByteArrayList{odd, odd + "/inside"}));
}

TEST_F(HomeScreenTest, DropsReplaceTheEmptyLooksListAndAddOnlyNewPathsToTheList)
{
    // Application folders are refused by their name.
    EXPECT_FALSE(dragAndDrop(home->dragDropView(), {folder("Tool.app")}));
    EXPECT_EQ(home->isDragingFlag(), 0);
    // A plain file is let in, as what an address names is not looked at
    // during the drag; once dropped it is found to be no folder, and
    // nothing changes but the plus icon, which goes back to rest.
    EXPECT_TRUE(dragAndDrop(home->dragDropView(), {QFile::encodeName(file), folder("Tool.app")}));
    EXPECT_TRUE(home->folderList().isEmpty());
    EXPECT_EQ(home->container()->currentWidget(), home->dragDropView());
    EXPECT_TRUE(waitUntil([&] { return home->isDragingFlag() == 0; }));
    EXPECT_TRUE(labels("Process", "Main").isEmpty());

    // Folders among files come in alone.
    EXPECT_TRUE(dragAndDrop(home->dragDropView(), {folder("Photos"), QFile::encodeName(file)}));
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Photos")});
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());
    EXPECT_EQ(labels("Process", "Main"), QStringList{"1"});
    EXPECT_EQ(closeView(), 2);

    recorder->clear();
    UserDefaults::standardUserDefaults().setInteger(7, "CloseView");
    EXPECT_TRUE(dragAndDrop(home->mainDragView(), {folder("Photos"), folder("Photos/2024"), folder("Tool.app")}));
    EXPECT_EQ(home->folderList(), (QByteArrayList{folder("Photos"), folder("Photos/2024")}));
    EXPECT_TRUE(recorder->events().isEmpty());
    EXPECT_EQ(closeView(), 7);
    // Hovering over the list look's drop area leaves the plus icon alone.
    const int flag = home->isDragingFlag();
    EXPECT_TRUE(dragAndDrop(home->mainDragView(), {folder("Music")}, false));
    EXPECT_EQ(home->isDragingFlag(), flag);
    EXPECT_TRUE(home->plusButton()->animation()->path().contains("FileDrag"));
}

TEST_F(HomeScreenTest, DroppedItemsAreLookedAtOffTheMainThreadAndOnlyFoldersEnter)
{
    // A check held as on a share that stopped answering: the window goes on
    // while it waits, and the drop comes in when the answer does.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<bool> onMainThread{true};
    FolderSetViewController::setDropCheckForTesting([&](const QByteArrayList& paths) {
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        return FolderSetViewController::existingFolders(paths);
    });
    const QByteArray gone = folder("gone");
    QMimeData data;
    data.setUrls({FilePath::fileUrl(gone), FilePath::fileUrl(folder("Photos")), FilePath::fileUrl(QFile::encodeName(file))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(home->dragDropView(), &enter);
    QDropEvent dropped(QPointF(30, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(home->dragDropView(), &dropped);
    EXPECT_TRUE(dropped.isAccepted());
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    EXPECT_TRUE(waitUntil([&] { return ticked; }));
    EXPECT_EQ(home->dropsInFlight(), 1);
    EXPECT_TRUE(home->folderList().isEmpty());
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    EXPECT_TRUE(waitUntil([&] { return home->dropsInFlight() == 0; }));
    FolderSetViewController::setDropCheckForTesting({});
    EXPECT_FALSE(onMainThread);
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Photos")});
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());

    // The real check: on the list look too only folders come in, in order.
    drop(home->mainDragView(), {folder("Music"), gone, QFile::encodeName(file), folder("Photos/2024")});
    EXPECT_EQ(home->folderList(), (QByteArrayList{folder("Photos"), folder("Music"), folder("Photos/2024")}));
}

TEST_F(HomeScreenTest, DropsThatCameWhileTheFirstWasLookedAtGoWhereTheyWouldLandNow)
{
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    FolderSetViewController::setDropCheckForTesting([&](const QByteArrayList& paths) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        return FolderSetViewController::existingFolders(paths);
    });
    // Two drops on the empty look before the first is in: the second finds
    // the list look and adds to it, and one guide shows.
    home->dragDrop(home->dragDropView(), {folder("Photos")});
    home->dragDrop(home->dragDropView(), {folder("Music")});
    EXPECT_EQ(home->dropsInFlight(), 2);
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    EXPECT_TRUE(waitUntil([&] { return home->dropsInFlight() == 0; }));
    FolderSetViewController::setDropCheckForTesting({});
    EXPECT_EQ(home->folderList(), (QByteArrayList{folder("Photos"), folder("Music")}));
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());
    EXPECT_EQ(window->findChildren<DupImageNavigationViewController*>().size(), 1);

    // A drop on the list look whose list empties meanwhile starts it anew.
    UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
    home->dragDrop(home->mainDragView(), {folder("Photos/2024")});
    home->restartBtnAction();
    EXPECT_TRUE(waitUntil([&] { return home->dropsInFlight() == 0; }));
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Photos/2024")});
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());
}

TEST_F(HomeScreenTest, LeavingTheListLookByDeleteOrRestart)
{
    drop(home->dragDropView(), {folder("Photos"), folder("Music")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }));
    recorder->clear();

    // A tag outside the list is ignored; a row's own button deletes it.
    home->deleteFile(5);
    home->deleteFile(-1);
    EXPECT_EQ(home->folderList().size(), 2);
    auto* cell = qobject_cast<TrackingTableCellView*>(home->folderTableView()->viewAtRow(1));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->textField()->text(), QFile::decodeName(folder("Music")));
    EXPECT_EQ(cell->textField()->toolTip(), QFile::decodeName(folder("Music")));
    EXPECT_FALSE(cell->deleteButton()->isVisibleTo(cell));
    cell->mouseEntered();
    QTest::mouseClick(cell->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Photos")});
    EXPECT_TRUE(recorder->events().isEmpty());
    EXPECT_EQ(home->container()->currentWidget(), home->tableContainView());

    // The last row gone: the empty look, "CloseView" 1 and the next "Front".
    home->deleteFile(0);
    EXPECT_TRUE(home->folderList().isEmpty());
    EXPECT_EQ(home->container()->currentWidget(), home->dragDropView());
    EXPECT_EQ(closeView(), 1);
    EXPECT_EQ(labels("Process", "Front"), QStringList{"2"});
    EXPECT_TRUE(waitUntil([&] { return emptyLookSettled(); }));

    // Restart empties the list, keeps "CloseView" and sends nothing.
    drop(home->dragDropView(), {folder("Photos")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }));
    recorder->clear();
    home->restartBtnAction();
    EXPECT_TRUE(home->folderList().isEmpty());
    EXPECT_EQ(closeView(), 2);
    EXPECT_TRUE(recorder->events().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return emptyLookSettled(); }));
}

TEST_F(HomeScreenTest, TheTableGrowsWithTheListAndNamesTheRootVolume)
{
    EXPECT_EQ(FolderSetViewController::scrollViewHeight(1), 130);
    EXPECT_EQ(FolderSetViewController::scrollViewHeight(2), 250);
    EXPECT_EQ(FolderSetViewController::scrollViewHeight(3), 330);
    EXPECT_EQ(FolderSetViewController::scrollViewHeight(9), 330);
    drop(home->dragDropView(), {folder("Photos")});
    EXPECT_EQ(home->scrollView()->height(), 130);
    EXPECT_EQ(home->heightOfRow(home->folderTableView(), 0), 110);
    drop(home->mainDragView(), {folder("Music")});
    EXPECT_EQ(home->scrollView()->height(), 250);
    drop(home->mainDragView(), {folder("Photos/2024"), "/"});
    EXPECT_EQ(home->scrollView()->height(), 330);
    EXPECT_EQ(home->scrollView()->x(), 20);
    EXPECT_NEAR(home->scrollView()->geometry().center().y(), home->height() / 2, 1);

    const QString root = FileManager::default_().volumeName("/").value_or("/");
    EXPECT_EQ(FolderSetViewController::rowText("/"), root);
    EXPECT_EQ(FolderSetViewController::rowText("/tmp/"), "/tmp/");
    home->scrollView()->ensureVisible(0, 4 * 110);
    ASSERT_TRUE(waitUntil([&] { return home->folderTableView()->viewAtRow(3) != nullptr; }));
    auto* cell = qobject_cast<TrackingTableCellView*>(home->folderTableView()->viewAtRow(3));
    EXPECT_EQ(cell->textField()->text(), root);
    // Views exist only for the rows in sight.
    EXPECT_EQ(home->folderTableView()->viewAtRow(0), nullptr);
}

// The desktop turns dark, then light again, while the rows are shown: the
// rows made before the switch, whose names and paths are painted in their
// text's colour, and the drop text take the new appearance's colour.
TEST_F(HomeScreenTest, RowsAndTheDropTextFollowTheDesktopsSwitchOfAppearance)
{
    const QPalette light = QApplication::style()->standardPalette();
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(light);
    const auto restore = qScopeGuard([light] { QApplication::setPalette(light); });
    drop(home->dragDropView(), {folder("Photos"), folder("Music")});
    const auto shown = [&](bool dark) {
        const QColor text = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), dark);
        bool all = home->dragText()->palette().color(QPalette::WindowText) == text;
        for (int row = 0; row < 2; ++row) {
            auto* cell = qobject_cast<TrackingTableCellView*>(home->folderTableView()->viewAtRow(row));
            all = all && cell && cell->textField()->palette().color(QPalette::WindowText) == text;
        }
        return all;
    };
    ASSERT_TRUE(shown(false));
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    ASSERT_TRUE(RYTDarkMode::isDarkMode());
    EXPECT_TRUE(waitUntil([&] { return shown(true); }));
    QApplication::setPalette(light);
    EXPECT_TRUE(waitUntil([&] { return shown(false); }));
}

TEST_F(HomeScreenTest, SegmentsEndInTheSameFramesWhetherTheyRunOutOrAreCutShort)
{
    EXPECT_EQ(home->rightBox()->geometry(), FolderSetViewController::rightBoxHiddenFrame());
    drop(home->dragDropView(), {folder("Photos")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }));
    // The entering segment is cut short by the next one: its completion ran once.
    EXPECT_EQ(home->completedAnimationCount(), 1);
    EXPECT_EQ(home->rightBox()->geometry(), QRect(350, 36, 320, 287));
    EXPECT_EQ(alphaOf(home->addFileButton()), 1.0);

    home->restartBtnAction();
    ASSERT_TRUE(waitUntil([&] { return home->completedAnimationCount() == 2; }));
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }));
    EXPECT_EQ(alphaOf(home->rightBox()), 0.0);

    // Leaving cut short by coming back at once: both completions run, in
    // order, and the list look stands.
    drop(home->dragDropView(), {folder("Photos")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }));
    const int before = home->completedAnimationCount();
    home->restartBtnAction();
    drop(home->dragDropView(), {folder("Music")});
    ASSERT_TRUE(waitUntil([&] { return home->completedAnimationCount() == before + 2; }));
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }));
    EXPECT_EQ(home->rightBox()->geometry(), QRect(350, 36, 320, 287));
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Music")});

    // From the chooser the plus icon and hint fade out and come back after.
    home->restartBtnAction();
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }));
    home->popUpFileManagerWindow();
    choose(folder("Photos"));
    ASSERT_TRUE(waitUntil([&] { return listLookSettled() && alphaOf(home->plusButton()) == 0.0; }));
    EXPECT_EQ(alphaOf(home->dragText()), 0.0);
    home->deleteFile(0);
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }));
}

TEST_F(HomeScreenTest, PlusIconFollowsThePointerOnlyWhileNoDragIsOn)
{
    DragDropView* area = home->dragDropView();
    const auto entered = home->animationContainer()->mouseEnteredBlock();
    const auto exited = home->animationContainer()->mouseExitedBlock();
    area->setIsDrag(1);
    entered();
    EXPECT_EQ(area->isDrag(), 0);
    EXPECT_TRUE(home->plusButton()->isAnimationPlaying());
    ASSERT_TRUE(waitUntil([&] { return !home->plusButton()->isAnimationPlaying(); }));
    EXPECT_NEAR(home->plusButton()->currentProgress(), 0.4, 0.02);
    exited();
    ASSERT_TRUE(waitUntil([&] { return !home->plusButton()->isAnimationPlaying(); }));
    EXPECT_NEAR(home->plusButton()->currentProgress(), 0.0, 0.02);

    // A real drag over the area and away again ends where it began.
    EXPECT_TRUE(dragAndDrop(area, {folder("Photos")}, false));
    EXPECT_EQ(home->isDragingFlag(), 1);
    ASSERT_TRUE(waitUntil([&] { return home->isDragingFlag() == 0; }));

    // A drag comes in: the folder animation, and the pointer is ignored.
    area->setIsDrag(0);
    home->draggingEntered(area);
    EXPECT_EQ(home->isDragingFlag(), 1);
    EXPECT_TRUE(home->plusButton()->animation()->path().contains("FileDrag"));
    area->setIsDrag(1);
    entered();
    exited();
    EXPECT_EQ(area->isDrag(), 1);
    EXPECT_TRUE(home->plusButton()->animation()->path().contains("FileDrag"));

    // The drag leaves: the rest of the folder animation, then the plus again.
    home->draggingExited(area);
    ASSERT_TRUE(waitUntil([&] { return home->isDragingFlag() == 0; }));
    EXPECT_TRUE(home->plusButton()->animation()->path().contains("ButtonImport"));

    // While the area refuses a drag, the pointer is ignored too.
    area->setIsFile(1);
    area->setIsDrag(1);
    entered();
    EXPECT_EQ(area->isDrag(), 1);
    EXPECT_FALSE(home->plusButton()->isAnimationPlaying());
    area->setIsFile(0);

    // The list look's drop area never moves the plus icon.
    home->draggingEntered(home->mainDragView());
    EXPECT_EQ(home->isDragingFlag(), 0);
}

TEST_F(HomeScreenTest, WithoutItsAnimationsTheScreenStillWorks)
{
    QTemporaryDir resources;
    const QString source = Bundle::main().resourcePath();
    for (const char* sub : {"Images", "Colors"}) {
        QDir().mkpath(resources.path() + "/" + QString::fromLatin1(sub));
        for (const QString& name : QDir(source + "/" + sub).entryList(QDir::Files)) {
            QFile::copy(source + "/" + sub + "/" + name, resources.path() + "/" + sub + "/" + name);
        }
    }
    Bundle::main().setResourcePath(resources.path());
    auto bare = std::make_unique<FolderSetViewController>();
    Bundle::main().setResourcePath(QString());
    bare->resize(700, 360);
    bare->show();
    EXPECT_EQ(bare->plusButton()->animation(), nullptr);
    EXPECT_EQ(bare->tableContainView()->animation(), nullptr);
    auto* images = dynamic_cast<ImageProvider*>(bare->plusButton()->imageProvider().get());
    ASSERT_NE(images, nullptr);
    EXPECT_TRUE(images->images().isEmpty());

    bare->dragDrop(bare->dragDropView(), {folder("Photos")});
    ASSERT_TRUE(waitUntil([&] { return bare->completedAnimationCount() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return bare->rightBox()->x() == 350; }));
    bare->restartBtnAction();
    ASSERT_TRUE(waitUntil([&] { return bare->completedAnimationCount() == 2; }));
    ASSERT_TRUE(waitUntil([&] { return bare->rightBox()->geometry() == FolderSetViewController::rightBoxHiddenFrame(); }));
    EXPECT_EQ(bare->container()->currentWidget(), bare->dragDropView());
}

TEST_F(HomeScreenTest, TheGuideComesOnceInTheFormOfTheWayFoldersCame)
{
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    // A drop on the empty look: the guide over the window's content.
    drop(home->dragDropView(), {folder("Photos")});
    auto* guide = window->findChild<DupImageNavigationViewController*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->parentWidget(), window->centralWidget());
    EXPECT_EQ(guide->geometry(), window->centralWidget()->rect());
    EXPECT_EQ(window->focusWidget(), guide);
    // A drop on the list look shows none.
    drop(home->mainDragView(), {folder("Music")});
    EXPECT_EQ(window->findChildren<DupImageNavigationViewController*>().size(), 1);
    // Its three clicks end it for good.
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(guide->scanDupView()->isVisible()          ? guide->scanDupView()
                          : guide->scanImageOutsideView()->isVisible() ? guide->scanImageView()
                                                                       : guide->scanLargeView(),
                          Qt::LeftButton);
    }
    EXPECT_TRUE(DupImageNavigationGuide::isCompleted());
    home->restartBtnAction();
    drop(home->dragDropView(), {folder("Photos")});
    EXPECT_EQ(window->findChildren<DupImageNavigationViewController*>().size(), 1);

    // The chooser's answer: the guide window, only while the flag is false.
    home->restartBtnAction();
    DupImageNavigationWindowController* before = DupImageNavigationWindowController::globalDupImageNavigationController();
    home->popUpFileManagerWindow();
    choose(folder("Photos"));
    EXPECT_EQ(DupImageNavigationWindowController::globalDupImageNavigationController(), before);
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    home->restartBtnAction();
    home->popUpFileManagerWindow();
    choose(folder("Photos"));
    DupImageNavigationWindowController* shown = DupImageNavigationWindowController::globalDupImageNavigationController();
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(shown, before);
    EXPECT_NE(ModalOverlay::overlayFor(shown), nullptr);
}

TEST_F(HomeScreenTest, VolumeLabelsNameEachFileSystemAndFlagVolumesThatAreNotInternal)
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/home-test-XXXXXX"));
    if (!shm.isValid()) {
        GTEST_SKIP() << "no /dev/shm here";
    }
    QFile(shm.path() + "/a").open(QIODevice::WriteOnly);
    writeFile("Photos/b.jpg", "x");
    const QByteArray memory = QFile::encodeName(shm.path());
    const QByteArray disk = folder("Photos");
    const QString diskType = QString::fromUtf8(FileManager::default_().volume(disk + "/b.jpg")->fsType);
    ASSERT_EQ(QString::fromUtf8(FileManager::default_().volume(memory)->fsType), "tmpfs");

    // Pointed at an empty sysfs: nothing is removable.
    QTemporaryDir sysfs;
    DiskInfo::setDefaultSysfsRootForTesting(sysfs.path());
    const QString expected = diskType == "tmpfs" ? "0_tmpfsFile" : "0_tmpfsFile_" + diskType + "File";
    EXPECT_EQ(FolderSetViewController::volumeFormatLabel({memory, disk}, "File"), expected);
    // An equal type in a row counts once; empty and missing folders add nothing.
    EXPECT_EQ(FolderSetViewController::volumeFormatLabel({memory, memory, folder("Music"), "/nowhere"}, "Image"),
              "0_tmpfsImage");
    EXPECT_EQ(FolderSetViewController::volumeFormatLabel({}, "File"), "0");

    // The test folder's disk on a USB bus: not internal.
    struct stat st {};
    ASSERT_EQ(::stat((disk + "/b.jpg").constData(), &st), 0);
    const QString stick = sysfs.path() + "/devices/pci0/usb1/1-1/host0/sdz/block/sdz";
    QDir().mkpath(stick);
    QFile(stick + "/removable").open(QIODevice::WriteOnly);
    QDir().mkpath(sysfs.path() + "/block");
    QDir().mkpath(sysfs.path() + "/dev/block");
    ASSERT_EQ(::symlink(QFile::encodeName(stick).constData(), QFile::encodeName(sysfs.path() + "/block/sdz").constData()), 0);
    const QString devLink = sysfs.path() + QStringLiteral("/dev/block/%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    ASSERT_EQ(::symlink(QFile::encodeName(stick).constData(), QFile::encodeName(devLink).constData()), 0);
    ASSERT_TRUE(DiskArbitration::isRemovableVolume(disk + "/b.jpg", sysfs.path()));
    EXPECT_EQ(FolderSetViewController::volumeFormatLabel({disk}, "File"), "1_" + diskType + "File");
    EXPECT_TRUE(FolderSetViewController::volumeFormatLabel({memory, disk}, "File").startsWith("1_tmpfsFile"));
    DiskInfo::setDefaultSysfsRootForTesting(QString());
}

// Tab goes only to controls a user can see, each shows a mark while it has
// the focus (light and dark), and Space or Return press only what is shown:
// a look that comes in never hands the focus back to the Restart it had,
// where the next Space would empty the list unasked.
TEST_F(HomeScreenTest, TheKeyboardReachesOnlyWhatIsShownMarksItAndPressesOnlyThat)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The looks' animations run slowly under a sanitizer on a busy machine.
    const auto settling = std::chrono::seconds(60);
    QByteArrayList scanned;
    home->setStartScanClosure([&](const QByteArrayList& paths) { scanned = paths; });
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto key = [&](Qt::Key which) { QTest::keyClick(focused() ? focused() : window.get(), which); };
    const auto seen = [&](QWidget* control) {
        if (!control || !control->isVisible() || !control->isEnabled()) {
            return false;
        }
        for (QWidget* view = control; view && view != window.get(); view = view->parentWidget()) {
            if (alphaOf(view) < 1.0) {
                return false;
            }
        }
        const QRect inWindow(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        return window->rect().contains(inWindow);
    };
    const auto marked = [&](QWidget* control) {
        const QImage with = control->grab().toImage();
        control->clearFocus();
        const QImage without = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        return with != without;
    };

    // The empty look: the plus is the one control, and opens the chooser.
    key(Qt::Key_Tab);
    ASSERT_EQ(focused(), home->animationContainer());
    EXPECT_TRUE(seen(focused()));
    EXPECT_TRUE(marked(focused()));
    key(Qt::Key_Return);
    ASSERT_NE(home->openPanel(), nullptr);
    ASSERT_TRUE(FileDialogDriver::pressCancel(home->openPanel()));
    ASSERT_TRUE(waitUntil([&] { return home->openPanel() == nullptr; }));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(focused(), home->animationContainer()) << "the chooser gives the focus back";

    // The list look: Tab meets every shown control once and nothing else.
    drop(home->dragDropView(), {folder("Photos"), folder("Music")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, settling));
    QSet<QWidget*> reached;
    for (int i = 0; i < 12; ++i) {
        key(Qt::Key_Tab);
        QWidget* control = focused();
        EXPECT_TRUE(seen(control)) << (control ? control->objectName().toStdString() : "nothing");
        if (control && !reached.contains(control)) {
            EXPECT_TRUE(marked(control)) << control->objectName().toStdString() << " shows no focus mark";
        }
        reached.insert(control);
    }
    EXPECT_EQ(reached, (QSet<QWidget*>{home->folderTableView(), home->addFileButton(), home->restartBtn(),
                                       home->scanBtn(), home->scanImagesBtn(), home->scanLargeFileBtn()}));
    RYTDarkMode::setForcedAppearance(1);
    for (QWidget* control : reached) {
        control->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(marked(control)) << control->objectName().toStdString() << " shows no focus mark in the dark";
    }
    RYTDarkMode::setForcedAppearance(-1);

    // The list is one stop with the keyboard on a row, which shows its ×
    // (else shown only under the pointer) and the ring round its card; the
    // arrows move it, Delete and Space press the ×.
    const auto row = [&](int i) { return qobject_cast<TrackingTableCellView*>(home->folderTableView()->viewAtRow(i)); };
    home->folderTableView()->setFocus(Qt::TabFocusReason);
    ASSERT_NE(row(1), nullptr);
    EXPECT_TRUE(row(0)->deleteButton()->isVisible());
    EXPECT_FALSE(row(1)->deleteButton()->isVisible());
    EXPECT_TRUE(FocusRingProbe::isVisible(home->folderTableView(), row(0)->geometry()));
    key(Qt::Key_Down);
    EXPECT_FALSE(row(0)->deleteButton()->isVisible());
    EXPECT_TRUE(row(1)->deleteButton()->isVisible());
    key(Qt::Key_Delete);
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Photos")});
    EXPECT_TRUE(row(0)->deleteButton()->isVisible()) << "the keyboard stays on the last row left";
    drop(home->mainDragView(), {folder("Music")});
    ASSERT_TRUE(waitUntil([&] { return home->folderList().size() == 2; }));

    // Return presses the function button in focus.
    home->scanBtn()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !scanned.isEmpty(); }));
    EXPECT_EQ(scanned, (QByteArrayList{folder("Photos"), folder("Music")}));

    // Restart by Space empties the list and leaves the focus on the plus.
    home->restartBtn()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    EXPECT_TRUE(home->folderList().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }, settling));
    EXPECT_EQ(focused(), home->animationContainer());

    // Folders come in again: the focus is not on Restart, and Space, Return
    // and Tab then Space touch none of what is not shown.
    drop(home->dragDropView(), {folder("Music")});
    EXPECT_NE(focused(), home->restartBtn());
    key(Qt::Key_Space);
    key(Qt::Key_Return);
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Music")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, settling));
    EXPECT_EQ(home->folderList(), QByteArrayList{folder("Music")});
}

TEST_F(HomeScreenTest, TheAddButtonShowsTheFocusRingBesideItsRoundImage)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    drop(home->dragDropView(), {folder("Photos")});
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, std::chrono::seconds(60)));
    // Tab comes to the add button after the list.
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), home->addFileButton());
    for (const int dark : {0, 1}) {
        RYTDarkMode::setForcedAppearance(dark);
        EXPECT_TRUE(FocusRingProbe::isVisible(home->addFileButton()))
            << FocusRingProbe::visiblePixels(home->addFileButton()) << " ring pixels show, dark " << dark;
    }
    RYTDarkMode::setForcedAppearance(-1);
    // The button grew round its image; Return still presses it.
    EXPECT_EQ(home->addFileButton()->size(), QSize(48, 48));
    QTest::keyClick(home->addFileButton(), Qt::Key_Return);
    QFileDialog* panel = FileDialogDriver::waitForDialog();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(FileDialogDriver::pressCancel(panel));
}

TEST_F(HomeScreenTest, EitherGuideEndedByKeyOrClickLeavesTheKeyboardToTheHomeScreen)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto settling = std::chrono::seconds(60);
    const auto tab = [&] {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    const QSet<QWidget*> controls{home->folderTableView(), home->addFileButton(), home->restartBtn(),
                                  home->scanBtn(),        home->scanImagesBtn(),  home->scanLargeFileBtn()};

    // The in-window guide, walked through by keys.
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    drop(home->dragDropView(), {folder("Photos")});
    auto* guide = window->findChild<DupImageNavigationViewController*>();
    ASSERT_NE(guide, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), guide);
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Right, Qt::Key_Return}) {
        QTest::keyClick(QApplication::focusWidget(), key);
    }
    EXPECT_FALSE(guide->isVisible());
    EXPECT_TRUE(DupImageNavigationGuide::isCompleted());
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, settling));
    EXPECT_TRUE(controls.contains(tab()));

    // The same guide ended by its last click.
    home->restartBtnAction();
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }, settling));
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    drop(home->dragDropView(), {folder("Music")});
    QList<DupImageNavigationViewController*> shown;
    for (auto* made : window->findChildren<DupImageNavigationViewController*>()) {
        if (made->isVisible()) {
            shown << made;
        }
    }
    ASSERT_EQ(shown.size(), 1);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(shown.first()->scanDupView()->isVisible()          ? shown.first()->scanDupView()
                          : shown.first()->scanImageOutsideView()->isVisible() ? shown.first()->scanImageView()
                                                                               : shown.first()->scanLargeView(),
                          Qt::LeftButton);
    }
    EXPECT_FALSE(shown.first()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, settling));
    EXPECT_TRUE(controls.contains(tab()));

    // The guide window after the chooser, ended by Escape on its first page.
    home->restartBtnAction();
    ASSERT_TRUE(waitUntil([&] { return emptyLookSettled(); }, settling));
    UserDefaults::standardUserDefaults().setBool(false, DupImageNavigationGuide::flagKey());
    home->animationContainer()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(home->animationContainer(), Qt::Key_Return);
    choose(folder("Photos"));
    DupImageNavigationWindowController* guideWindow =
        DupImageNavigationWindowController::globalDupImageNavigationController();
    ASSERT_NE(guideWindow, nullptr);
    ASSERT_NE(ModalOverlay::overlayFor(guideWindow), nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == guideWindow->window(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(DupImageNavigationGuide::isCompleted());
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(guideWindow) == nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return listLookSettled(); }, settling));
    EXPECT_TRUE(controls.contains(tab()));
}
