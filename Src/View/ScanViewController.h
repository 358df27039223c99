#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include <QPointer>
#include <QString>

#include "Manager/RemoveType.h"
#include "Manager/ScanManager.h"
#include "Manager/ScanManagerProtocol.h"
#include "QVLibrary/RYTShadow.h"
#include "View/CustomView/PopUpButton.h"
#include "View/DataDispaly/LeftData/LeftDataViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/FileDelete/FileRemovingViewDelegate.h"

class FileRemovingViewController;
class KPLBox;
class KPLSwitchButton;
class LeftDataViewController;
class LeftLargeFileViewController;
class LeftScanningViewController;
class LoadingViewController;
class NotDataFinishedViewController;
class NotDataRightScanningViewController;
class QFileDialog;
class QLabel;
class QThread;
class RightDataListViewController;
class RightDataPreviewViewController;
class RightLargeFileDataViewController;
class RYTButton;
class RYTCheckBox;
class RYTView;
class ScanningLargeFileViewController;

namespace Ui {
class ScanViewController;
}

// What the scan screen asks of the controller that shows it.
class ScanViewDelegate {
public:
    virtual ~ScanViewDelegate() = default;
    // The user goes back home.
    virtual void scanViewBackAction() = 0;
    // The user leaves the empty result of a scan that found nothing.
    virtual void scanNotDataFinishedAction() = 0;
};

// The screen that runs a scan, shows its results and drives their removal,
// for duplicate files and, in large-file mode (FolderSetViewController::
// isScanLargeFile() when it is made), for large files. It is a container:
// its boxes take the scanning panel, the result panels, the empty result,
// the "nothing selected" panel and the removal screen as it moves through
// scanning, results, removing and results after a removal. It is the
// delegate of the engine of its mode and of every panel it shows; engine
// reports arrive on the engines' threads and their work moves to the main
// thread, bound to the screen.
class ScanViewController : public ViewController,
                           public ScanManagerProtocol,
                           public LeftDataViewDelegate,
                           public RightDataListViewDelegate,
                           public RightDataPreviewViewDelegate,
                           public FileRemovingViewDelegate,
                           public RightLargeFileViewDelegate,
                           public PopUpButtonDelegate {
    Q_OBJECT
public:
    enum class DisplayViewType {
        displayViewTypeScanning = 0,
        displayViewTypeScanFinished = 1,
        displayViewTypeRemoving = 2,
        displayViewTypeRemoveFinished = 3,
    };

    // The screen's record for its usage events.
    struct GALogData {
        struct SelectCount {
            int autoSelectCount = 0;
            int unselectAllCount = 0;
        };
        bool startRemoveData = false;
        bool manualStopScan = false;
        double manualStopScanProgressValue = 1.0;
        bool manualStopRemove = false;
        int selectedCount = 0;
        SelectCount selectCount;

        // "a" or "b" (stopped by the user), the size and number of the
        // duplicates found: "b_12.5MB_40".
        QString stopSizeCountString() const;
        // The kinds with the largest total size, joined by "_".
        QString topSizeString() const;
        // Files found per kind: picture, video, audio, document, other.
        QString typeNumberString() const;
        // Selected files per kind, in the same order.
        QString selectNumberString() const;
    };

    // The scanning clock at the last progress and the last path refresh.
    struct LastScanRefresh {
        double lastScanRefreshRightViewTime = 0.0;
        double lastScanRefreshScanningPathTime = 0.0;
    };

    struct CountSize {
        int count = 0;
        uint64_t size = 0;
        bool operator==(const CountSize&) const = default;
    };

    explicit ScanViewController(QWidget* parent = nullptr);
    ~ScanViewController() override;

    // --- state ---------------------------------------------------------------
    ScanViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanViewDelegate* delegate) { delegate_ = delegate; }
    DisplayViewType displayViewType() const { return displayViewType_; }
    void setDisplayViewType(DisplayViewType type) { displayViewType_ = type; }
    bool isLargeFileMode() const { return largeFileMode_; }
    const GALogData& gALogData() const { return gALogData_; }
    const LastScanRefresh& lastScanRefresh() const { return lastScanRefresh_; }
    double lastScanProgress() const { return lastScanProgress_; }
    bool isClickNameUp() const { return isClickNameUp_; }
    bool isClickNameDown() const { return isClickNameDown_; }
    bool isClickSizeUp() const { return isClickSizeUp_; }
    bool isClickSizeDown() const { return isClickSizeDown_; }
    QThread* scanThread() const { return scanThread_; }
    SortType currentSortType() const { return currentSortType_; }
    bool previewModel() const { return previewModel_; }
    CountSize saveSelectData() const { return saveSelectData_; }
    CountSize successRemoveData() const { return successRemoveData_; }
    const RemoveType& selectRemoveType() const { return selectRemoveType_; }
    bool viewSelected() const { return viewSelected_; }
    bool fullScreen() const { return fullScreen_; }
    bool isFullScreen() const { return fullScreen_; }
    bool isRemoveLargeFile() const { return isRemoveLargeFile_; }
    uint64_t hasRemovesucceedSize() const { return hasRemovesucceedSize_; }
    int hasRemovesucceedCount() const { return hasRemovesucceedCount_; }
    const DuplicateFilesList& rightDataFilesArray() const { return rightDataFilesArray_; }
    DuplicateFilesPtr rightLargeDataFiles() const { return rightLargeDataFiles_; }
    FileRemovingViewController* fileRemovingViewCtr() const;
    double selectCountSizeLabelConstraint() const { return selectCountSizeLabelConstraint_; }

    // Shared by every scan screen of the run.
    static bool isGAScanFinished();
    static void setIsGAScanFinished(bool value);
    static bool isManualStop();
    static void setIsManualStop(bool value);
    static bool isDeleteFile();
    static void setIsDeleteFile(bool value);

    // --- children, made on first use and kept --------------------------------
    LeftScanningViewController* leftScanningViewCtr();
    NotDataRightScanningViewController* notDataRightScanningViewCtr();
    LeftDataViewController* leftDataViewCtr();
    RightDataListViewController* rightDataListViewCtr();
    RightDataPreviewViewController* rightDataPrevieViewCtr();
    NotDataFinishedViewController* notDataFinishedViewCtr();
    ScanningLargeFileViewController* scanningLargeFileViewController();
    LeftLargeFileViewController* leftLargeFileViewController();
    RightLargeFileDataViewController* rightLargeFileDataViewController();
    LoadingViewController* loadingViewCtr();

    // --- display ---------------------------------------------------------------
    void displayScanningView();
    void displayScanFinishedView();
    void displayRemovingView();
    void displayRemoveFinishedView();
    void displayRightDataView() override;
    // From any thread: the loading overlay over the content, on the main queue.
    // The header's controls follow when the overlay comes and goes.
    void displayLoading(bool show);

    // --- engine reports (any thread) -----------------------------------------
    void startScan() override;
    void stopScan() override;
    void scaningPath(const QString& path) override;
    void scanProgress(double value) override;
    void scanFinished() override;
    void startRemove() override;
    void stopRemove() override;
    void removeFinished() override;
    void removedAfterEnd() override;

    // --- panels ------------------------------------------------------------------
    void leftDataViewUpdateViewSelected(bool viewSelected) override;
    void leftDataViewShowFiles(const DuplicateFilesList& files) override;
    void setRightLargeDataFiles(const DuplicateFilesPtr& files) override;
    void leftDataViewCtrReloadData(bool sort) override;
    void updateRightDataBox(bool notData) override;
    void updateSelectCountSizeLabel() override;
    void updateCountLable(bool isCheck) override;
    void updateSelectedState(SelectType selectType) override;
    void fileRemovingViewRemoveFinished() override;
    // Takes into the results and the totals of what went the files that
    // went after their run had ended; false when there were none.
    bool takeLateRemovals();
    // Whether any result is left to show.
    bool anyResultsLeft() const;

    // --- commands ---------------------------------------------------------------
    // Stop while scanning, Remove otherwise.
    void startAction();
    void backAction();
    void backToHome();
    // Always false: asks the exit question; yes ends the program.
    bool isShouldCloseWindow() override;
    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;
    void modeSwitchAction();

    void popUpButtonConfig();
    void popupButtonSelect(PopUpButton* button, const QString& title) override;
    void startRemoveFiles();
    void startRemoveFilesGALog();
    // The files the removal confirmed now acts on, each once, with the
    // reasons an earlier removal left on them taken off: each is tried anew.
    QList<FileInfoPtr> takeChosenForRemoval() const;
    void removingLargeGALog(const QString& key, const QString& action);
    // The folder chooser of the pop-up while it is open.
    QFileDialog* openPanel() const;

    void automaticSelectionAction();
    void notAtAllAction();
    void largeFileAllSelectAction();

    void nameSortUpAction();
    void nameSortDownAction();
    void sizeSortUpAction();
    void sizeSortDownAction();
    void resetSortBtn();
    void resetNameSortBtn();
    void resetSizeSortBtn();
    // The sort image a button shows now.
    static QString sortImageName(const RYTButton* button);

    // The large-file Back and Close label ("a_1.2  GB_3_Large").
    static QString largeFileEventLabel();

    // --- outlets ---------------------------------------------------------------
    KPLBox* contentBox() const;
    QWidget* scanDataView() const;
    KPLBox* leftBox() const;
    KPLBox* rightBox() const;
    RYTView* dataBoxView() const;
    QWidget* rightDataView() const;
    KPLBox* rightDataBox() const;
    QWidget* rightLargeFileView() const;
    KPLBox* rightLargeFileDataBox() const;
    RYTView* scanningLargeFileView() const;
    KPLBox* scanningLargeFileBox() const;
    QWidget* rightNotDataSelectView() const;
    QLabel* rightNotDataSelectViewLabel() const;
    // Above the results: the chosen folders the scan left out, and why.
    QWidget* leftOutNoticeView() const;
    QLabel* leftOutNoticeLabel() const;
    QLabel* selectTitleLabel() const;
    QLabel* selectCountSizeLabel() const;
    PopUpButton* popUpButton() const;
    RYTButton* startBtn() const;
    RYTButton* backBtn() const;
    RYTButton* automaticSelectionBtn() const;
    RYTButton* notAtAllBtn() const;
    KPLSwitchButton* modeSwitchBtn() const;
    QLabel* previewModeLabel() const;
    RYTCheckBox* allSelectCheckBox() const;
    QLabel* allSelectLable() const;
    QLabel* sortByLable() const;
    QLabel* sortSIzeLable() const;
    RYTButton* upSortNameBtn() const;
    RYTButton* downSortNameBtn() const;
    RYTButton* upSortSizeBtn() const;
    RYTButton* downSortSizeBtn() const;

private:
    // The header controls and the right panel's check boxes, for whether the
    // screen is busy (scanning or loading).
    void updateBusyControls();
    // Tab in the screen's reading order, through the panels shown so far.
    void updateTabOrder();
    void viewDidLoad();
    // The set-up, one piece per area of the screen.
    void initConfig();
    void backgroundConfig();
    void headerConfig();
    void leftOutNoticeConfig();
    void leftBoxConfig();
    void rightBoxConfig();
    static RYTShadow rightBoxShadow();
    void duplicateRightBoxConfig();
    void largeFileRightBoxConfig();
    void allSelectBoxConfig();
    // The removal mode last used, restored on the pop-up (duplicate mode).
    void removeTypeConfig();
    void countLaunch();
    void showPathRefresh();
    void showProgressRefresh();
    void showScanFinished();
    // The notice of the folders the scan left out: shown over the results
    // when there are any, else hidden.
    void updateLeftOutNotice(const QList<LeftOutFolder>& leftOut);
    void tallyRemoval();
    void finishFolderChoice(const QByteArray& path);
    void keepRemoveTypeInForce();
    void setStartEnabled(bool enabled);
    void setSortImage(RYTButton* button, const QString& name);
    bool showsSortImage(const RYTButton* button, const QString& name) const;
    // A click on one of the four sort buttons: by name or size, up or down.
    void sortAction(bool byName, bool up);
    // The panel that shows duplicate groups now.
    void currentPanelReload();
    const DuplicateFilesList& currentPanelFiles();
    void deleteScanThread();

    // The left box's width in the large-file mode (250 otherwise).
    static constexpr int largeFileLeftBoxWidth = 290;

    std::unique_ptr<Ui::ScanViewController> ui_;
    bool largeFileMode_;

    ScanViewDelegate* delegate_ = nullptr;
    DisplayViewType displayViewType_ = DisplayViewType::displayViewTypeScanFinished;
    GALogData gALogData_;
    LastScanRefresh lastScanRefresh_;
    double lastScanProgress_ = 0.0;
    bool isClickNameDown_ = false;
    bool isClickNameUp_ = false;
    bool isClickSizeDown_ = false;
    bool isClickSizeUp_ = false;
    QThread* scanThread_ = nullptr;
    SortType currentSortType_ = SortType::defaultSort;
    bool previewModel_ = true;
    CountSize saveSelectData_;
    CountSize successRemoveData_;
    // What the running removal was asked to remove.
    QList<FileInfoPtr> removalChosen_;
    RemoveType selectRemoveType_ = RemoveType::trash();
    bool viewSelected_ = false;
    bool fullScreen_ = false;
    bool isRemoveLargeFile_ = false;
    uint64_t hasRemovesucceedSize_ = 0;
    int hasRemovesucceedCount_ = 0;
    DuplicateFilesList rightDataFilesArray_;
    DuplicateFilesPtr rightLargeDataFiles_;
    QPointer<FileRemovingViewController> fileRemovingViewCtr_;
    double selectCountSizeLabelConstraint_ = 0.0;
    // The check-all box's state before a click (a click from mixed clears).
    int allSelectStateBefore_ = 0;

    QPointer<LeftScanningViewController> leftScanningViewCtr_;
    QPointer<NotDataRightScanningViewController> notDataRightScanningViewCtr_;
    QPointer<LeftDataViewController> leftDataViewCtr_;
    QPointer<RightDataListViewController> rightDataListViewCtr_;
    QPointer<RightDataPreviewViewController> rightDataPrevieViewCtr_;
    QPointer<NotDataFinishedViewController> notDataFinishedViewCtr_;
    QPointer<ScanningLargeFileViewController> scanningLargeFileViewController_;
    QPointer<LeftLargeFileViewController> leftLargeFileViewController_;
    QPointer<RightLargeFileDataViewController> rightLargeFileDataViewController_;
    QPointer<LoadingViewController> loadingViewCtr_;
    QPointer<QFileDialog> openPanel_;

    // The engines report every file: only the latest path is kept, and one
    // refresh at most waits on the main queue.
    std::mutex pathMutex_;
    QString latestPath_;
    // The removal's start waits on its thread until the removal screen is
    // up; a screen going away ends that wait, since it waits in turn for the
    // engines' calls to it to return.
    struct RemovalHandOver {
        std::mutex mutex;
        std::condition_variable changed;
        bool going = false;
    };
    const std::shared_ptr<RemovalHandOver> removalHandOver_ = std::make_shared<RemovalHandOver>();
    std::atomic<bool> pathRefreshPending_{false};
    std::atomic<double> latestEngineProgress_{0.0};
    std::atomic<bool> progressRefreshPending_{false};
};
