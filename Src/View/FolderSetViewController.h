#pragma once

#include <deque>
#include <functional>
#include <memory>

#include <QByteArrayList>
#include <QPointer>
#include <QRect>

#include "View/AnimationContainView.h"
#include "View/DragDropView.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/FolderTableView.h"
#include "View/TrackingTableCellView.h"

class FunctionButton;
class GACollectionManager;
class QFileDialog;
class QLabel;
class QParallelAnimationGroup;
class QPropertyAnimation;
class QScrollArea;
class QStackedWidget;
class RYTButton;

namespace Lottie {
class AnimationView;
}

namespace Ui {
class FolderSetViewController;
}

// The home screen. The user collects folders (dropped on the window or
// chosen in a folder chooser), removes rows one by one or all at once, and
// starts one of the three scans; the screen hands the folder list to the
// root view controller's closures. It has two looks: the empty look (an
// animated plus icon on a drop area) and the list look (the folder table
// and the three function buttons).
class FolderSetViewController : public ViewController,
                                public DragDropViewDelegate,
                                public TrackingTableCellViewProtocol,
                                public FolderTableViewDataSource {
    Q_OBJECT
public:
    using StartClosure = std::function<void(const QByteArrayList& folderPaths)>;

    explicit FolderSetViewController(QWidget* parent = nullptr);
    ~FolderSetViewController() override;

    // The folders, as the system named them, in the order they came.
    const QByteArrayList& folderList() const { return folderList_; }
    // 1 while a drag hovers over the empty look's drop area.
    int isDragingFlag() const { return isDragingFlag_; }

    void setStartScanClosure(StartClosure closure) { startScanClosure_ = std::move(closure); }
    const StartClosure& startScanClosure() const { return startScanClosure_; }
    void setStartScanImagesClosure(StartClosure closure) { startScanImagesClosure_ = std::move(closure); }
    const StartClosure& startScanImagesClosure() const { return startScanImagesClosure_; }

    // Whether the scan now starting (and its removal) is a large-file one.
    static bool isScanLargeFile();
    static void setIsScanLargeFile(bool value);

    // Outlets of the layout.
    QStackedWidget* container() const;
    DragDropView* dragDropView() const;
    QLabel* dragText() const;
    FolderTableView* folderTableView() const;
    Lottie::AnimationView* tableContainView() const;
    FunctionButton* scanBtn() const;
    FunctionButton* scanLargeFileBtn() const;
    FunctionButton* scanImagesBtn() const;
    Lottie::AnimationView* plusButton() const;
    DragDropView* mainDragView() const;
    QWidget* rightBox() const;
    RYTButton* restartBtn() const;
    RYTButton* addFileButton() const;
    QWidget* contentView() const;
    QScrollArea* scrollView() const;
    AnimationContainView* animationContainer() const;

    // The folder chooser while it is open.
    QFileDialog* openPanel() const;

    // The add button of the list look: more folders for the list.
    void addFileBtnAction();
    // The plus area of the empty look: the first folders, into the list look.
    void popUpFileManagerWindow();
    // Empties the list and goes back to the empty look.
    void restartBtnAction();
    // The three function buttons.
    void scanDuplicates();
    void scanLargeFile();
    void scanImagesBtnAction();

    // DragDropViewDelegate.
    void dragDrop(DragDropView* sender, const QByteArrayList& filePathList) override;
    void draggingEntered(DragDropView* sender) override;
    void draggingExited(DragDropView* sender) override;

    // TrackingTableCellViewProtocol: a row's delete button.
    void deleteFile(int tag) override;

    // FolderTableViewDataSource.
    int numberOfRows(FolderTableView* tableView) override;
    double heightOfRow(FolderTableView* tableView, int row) override;
    QWidget* viewForRow(FolderTableView* tableView, int row) override;

    // The scan screens' size, 1000 × 580 about the window's centre.
    void setWindowSize();
    // Back from a scan or result screen: the home size, 700 × 420 about the
    // window's centre, and the home screen recorded in "CloseView".
    void setBackHomeWindowSize();
    // The home size about the window's centre, and nothing else: the way
    // back from a scan that found nothing.
    void setHomeWindowSize();
    static constexpr int homeWindowWidth = 700;
    static constexpr int homeWindowHeight = 420;
    static constexpr int scanWindowWidth = 1000;
    static constexpr int scanWindowHeight = 580;

    // Counts one use in the counter of `actionType` and reports it.
    void gaCollection(const QString& actionType);

    // The label of the volume-format event: "1" when a listed folder lies on
    // a volume that is not internal, else "0", then "_", the file-system type
    // and `suffix` for each change of type along the list. Reads the disks;
    // called off the main thread.
    static QString volumeFormatLabel(const QByteArrayList& folders, const QString& suffix);
    // Whether any of the paths is an existing folder.
    static bool anyFolderExists(const QByteArrayList& folders);
    // The paths that are existing folders, in their order.
    static QByteArrayList existingFolders(const QByteArrayList& paths);
    // The text of a row: the path, or the root volume's name for "/".
    static QString rowText(const QByteArray& path);

    // Where the function buttons' box rests outside and inside the window.
    static QRect rightBoxHiddenFrame();
    static constexpr int rightBoxShownX = 350;
    static constexpr int rowHeight = 110;
    // The table's height for a number of folders.
    static int scrollViewHeight(int folders);

    // Drops whose folders are still being looked for (tests).
    int dropsInFlight() const { return static_cast<int>(pendingDrops_.size()); }
    // Tests: what stands in for existingFolders() when a drop is checked
    // (it runs where the check runs); an empty one restores it.
    using DropCheck = std::function<QByteArrayList(const QByteArrayList& paths)>;
    static void setDropCheckForTesting(DropCheck check);

    // Animation completions that have run (tests).
    int completedAnimationCount() const { return completedAnimations_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void viewDidLoad();
    void mainViewAnimationInit();
    void clickPlusButtonAnimationInit();
    void loadAnimation(Lottie::AnimationView* view, const QString& folder, bool cached);

    void hiddenControls();
    void showControls();
    void hiddenMainViewControls();
    void showMainViewControls();
    void showScanButtons();
    void hiddenScanButtons();
    // Moves the function buttons' box, also where a slide is still heading.
    void setRightBoxFrame(const QRect& frame);
    // Shows the empty or the list look; a focus that was in the other look
    // goes to this one's own control, never to one the look had before.
    void showLook(QWidget* look);
    void fade(QPointer<QParallelAnimationGroup>& group, const QList<QWidget*>& views, double alpha,
              const QRect* rightBoxTarget = nullptr);

    // The list rules: an equal path is not added twice.
    void addFolders(const QByteArrayList& paths);
    void openChooser(bool fromEmptyLook);
    void chooserAnswered(const QByteArrayList& paths, bool fromEmptyLook);
    void playEnteringListLook(bool fromDrop);
    void leaveListLook();
    void showNavigationView();
    // A drop's paths are checked off the main thread, one drop after another;
    // its folders then enter as the look shown then decides.
    void checkNextDrop();
    static DropCheck& dropCheck();
    void foldersDropped(bool onEmptyLook, const QByteArrayList& folders);
    void placeAddFileButton();

    // The function buttons: checks that a folder still exists off the main
    // thread, then runs `start` or tells the user.
    void whenAFolderExists(std::function<void()> start);
    // The duplicate and similar-image buttons: the same steps with their own
    // counter, interval event, kind of folder events and closure.
    void startScanOfFiles(const QString& counter, void (GACollectionManager::*intervals)(), const QString& kind,
                          StartClosure FolderSetViewController::*closure);
    void sendFolderEvents(const QString& prefix, const QString& suffix);

    std::unique_ptr<Ui::FolderSetViewController> ui_;
    QByteArrayList folderList_;
    int isDragingFlag_ = 0;
    StartClosure startScanClosure_;
    StartClosure startScanImagesClosure_;
    QPointer<QFileDialog> openPanel_;
    std::deque<QByteArrayList> pendingDrops_;
    bool checkingFolders_ = false;
    int completedAnimations_ = 0;
    QPointer<QParallelAnimationGroup> controlsAnimation_;
    QPointer<QParallelAnimationGroup> mainViewControlsAnimation_;
    QPointer<QParallelAnimationGroup> scanButtonsAnimation_;
    QPointer<QPropertyAnimation> rightBoxSlide_;
};
