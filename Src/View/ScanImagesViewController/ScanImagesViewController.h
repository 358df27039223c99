#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QPointer>
#include <QStringList>

#include "ImagesScanResultViewController.h"
#include "Manager/RemoveHold.h"
#include "Manager/ScanImagesManagerDelegate.h"
#include "Manager/ScanImagesRemoveManagerDelegate.h"
#include "View/CustomView/PopUpButton.h"
#include "View/Extension/KPLExtensionView.h"

class FinishNotDupImagesViewController;
class FinishWindowController;
class ImagesDeleteViewController;
class ImagesScanningViewController;
class QFrame;
class QLabel;
class RYTButton;
class ScanImagesManager;
namespace Ui {
class ScanImagesViewController;
}

// What the similar-image screen asks of the controller that shows it.
class ScanImagesViewControllerDelegate {
public:
    virtual ~ScanImagesViewControllerDelegate() = default;
    // The user goes back home.
    virtual void scanImagesViewBackAction() = 0;
};

// The similar-image screen: it drives the image engine from the first scan
// report to the last removal. Its central box shows the scanning view, the
// result view, the empty view or the removal view; below it sit the back
// button, the count of what is selected (or was deleted), the removal-mode
// pop-up and the one action button whose meaning follows the engine's state
// (1 scanning, 2 finished, 3 stopped, 4 nothing found, 5 and 6 removing,
// 7 removal stopped, 8 removal finished). The engine reports to a relay
// that outlives the screen, so a report arriving after the screen went away
// reaches nobody.
class ScanImagesViewController : public ViewController,
                                 public ScanImagesManagerDelegate,
                                 public ScanImagesRemoveManagerDelegate,
                                 public PopUpButtonDelegate,
                                 public ImagesScanResultViewControllerDelegate {
    Q_OBJECT
public:
    explicit ScanImagesViewController(QWidget* parent = nullptr);
    ~ScanImagesViewController() override;

    ScanImagesViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesViewControllerDelegate* delegate) { delegate_ = delegate; }

    // Starts a search of the folders (the system's bytes) on a global queue.
    void configScanImages(const QByteArrayList& folderList);
    QByteArrayList folderList() const { return folderList_; }

    bool isShouldCloseWindow() override;
    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;
    bool isFullScreen() const { return fullScreen_; }

    // The engine's reports, on the main thread (the relay moves them there).
    void scanImageManagerDidStart(ScanImagesManager* manager) override;
    void scanImagesManagerProgressDidChanged(ScanImagesManager* manager, double ratio, qint64 total,
                                             const QString& path) override;
    void scanImagesManagerScanData(ScanImagesManager* manager, const ScanImagesGroupList& groups) override;
    void scanImagesManagerScanDidFinished(ScanImagesManager* manager, int state) override;
    void scanImagesManagerScanDidStop(ScanImagesManager* manager, int state) override;
    void removeManagerDidStart(ScanImagesManager* manager) override;
    void removeManagerProgressDidChange(ScanImagesManager* manager, double progress) override;
    void removeManagerDidStop(ScanImagesManager* manager) override;
    void removeMangerDidFinish(ScanImagesManager* manager) override;
    void removeManagerRemovedAfterEnd(ScanImagesManager* manager) override;

    void popupButtonSelect(PopUpButton* button, const QString& title) override;
    void changeSelectLabel(const ScanImagesGroupList& dupImagesArray) override;

    // The delegate the engine is given (it forwards to this screen).
    ScanImagesManagerDelegate* engineDelegate() const;

    // The two buttons.
    void backBtnAction();
    void stopBtnAction();

    // The parts, for the shell and the tests.
    RYTButton* backBtn() const;
    RYTButton* stopBtn() const;
    PopUpButton* popUpButton() const;
    QLabel* selectTip() const;
    QLabel* selectCount() const;
    QFrame* mainBox() const;
    QWidget* mainBoxContent() const { return mainBoxContent_; }
    ImagesScanningViewController* imagesScanningViewCtr();
    ImagesScanResultViewController* imageResultViewCtr();
    FinishNotDupImagesViewController* scanfinishEmptyViewCtr();
    ImagesDeleteViewController* imageDeleteViewCtr() const;
    FinishWindowController* finishWindowController() const;
    ScanImagesGroupList dupImagesArray() const { return dupImagesArray_; }
    qint64 selectImagesNum() const { return selectImagesNum_; }
    qint64 selectImagesSize() const { return selectImagesSize_; }
    qint64 totalImageNum() const { return totalImageNum_; }
    qint64 totalImageSize() const { return totalImageSize_; }
    bool isStartRemove() const { return isStartRemove_; }
    // From the start of the search until its end is shown.
    bool isScanning() const { return scanning_; }
    // The engine's state.
    uint scanState() const;

    // The engine the screens drive; tests put one over a scripted library.
    static ScanImagesManager& engine();
    static void setEngineForTesting(ScanImagesManager* engine);

    // Whether the destination has room for the selected images: only those
    // on another volume than the destination take space there.
    struct SpaceCheck {
        bool enough = true;
        qint64 needed = 0;
        qint64 free = 0;
        QString volumeName;
    };
    static SpaceCheck isSpaceEnough(const QByteArray& destination, const ScanImagesGroupList& groups);
    // One picked image as the space check sees it.
    struct Pick {
        QByteArray path;
        qint64 size = 0;
    };
    static SpaceCheck isSpaceEnough(const QByteArray& destination, const QList<Pick>& picks);
    // Between "Yes" and the start of the removal the picks are frozen: the
    // result view takes no clicks, and the removal gets what was checked.
    bool isCheckingRemoval() const { return removalChecking_; }

private:
    class Relay;
    void viewDidLoad();
    void setUpView();
    void configPopBtn();
    void setMainContent(QWidget* view);
    void setActionButton(const QString& title);
    void setButtonEnabled(RYTButton* button, bool enabled);
    void scanEnded(bool stopped);
    void startRemove();
    void startRemoveGACollection();
    void confirmedRemove();
    void beginRemoval();
    void removalEnded(bool stopped);
    void dupImagesRemoveFinish();
    void backToHome();
    void gaCollection(bool isStop);
    QString stateLabel(bool countFirst) const;
    void showDeleted();
    void endStopQuestion();
    // The two-button stop question; `answered` hears "Yes" (true) or
    // "Cancel" unless the scan or removal it asks about ended first.
    void askToStop(const QString& question, std::function<void(bool)> answered);
    void counterEvent(const QString& key, const QString& action, const QString& suffix);
    QWidget* sheetWindow() const;
    void showInsufficientSpace(const SpaceCheck& check);

    std::unique_ptr<Ui::ScanImagesViewController> ui_;
    QPointer<ImagesScanningViewController> imagesScanningViewCtr_;
    QPointer<ImagesScanResultViewController> imageResultViewCtr_;
    QPointer<FinishNotDupImagesViewController> scanfinishEmptyViewCtr_;
    QPointer<ImagesDeleteViewController> imageDeleteViewCtr_;
    QPointer<FinishWindowController> finishWindow_;
    QWidget* mainBoxContent_ = nullptr;

    ScanImagesGroupList dupImagesArray_;
    qint64 selectImagesNum_ = 0;
    qint64 selectImagesSize_ = 0;
    qint64 totalImageNum_ = 0;
    qint64 totalImageSize_ = 0;
    bool isStartRemove_ = false;
    // From the groups shown again after a removal until the next removal.
    bool resultsAfterRemoval_ = false;
    bool fullScreen_ = false;
    ScanImagesViewControllerDelegate* delegate_ = nullptr;
    QByteArrayList folderList_;
    std::shared_ptr<Relay> relay_;
    // The stop question in force: an answer to an older one does nothing.
    quint64 questionTicket_ = 0;
    bool stopQuestionShowing_ = false;
    // What the removal's stop questions hold the engine with.
    StopQuestionHolds stopHolds_;
    bool removalChecking_ = false;
    // The images picked at "Yes", which the removal takes.
    QList<ScanImagesItemPtr> frozenPicks_;
    // What the running removal was asked to remove.
    QList<ScanImagesItemPtr> removalPicks_;
    void setPicksFrozen(bool frozen);
    bool scanning_ = false;
    // The engine's running totals as the removal in hand began.
    struct Removed {
        qint64 count = 0;
        qint64 size = 0;
    };
    Removed removedBefore_;
    std::shared_ptr<QPointer<ScanImagesViewController>> self_;
};
