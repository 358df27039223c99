#pragma once

#include <cstdint>
#include <memory>

#include <QPointer>

#include "FileRemovingViewDelegate.h"
#include "Manager/RemoveHold.h"
#include "Model/FileInfo.h"
#include "View/Extension/KPLExtensionView.h"

class FinishWindowController;
class KPLBox;
class QLabel;
class QTimer;
class RYTButton;
class RYTProgress;

namespace Lottie {
class AnimationView;
}

namespace Ui {
class FileRemovingViewController;
}

// The screen shown while an engine removes the user's selection (the
// duplicate engine, or the large-file one in large-file mode): an animation,
// the bar with its percentage, files removed against files selected, the
// elapsed time, a note shown only in full screen and a Stop button that asks
// first. The engine's progress reaches it on the main thread through the
// engine's progress handler, which the screen installs when it is made and
// takes away when it goes. When the removal has ended it stops its clock
// and, a second later, shows the finish window with the space freed, the
// files removed and the time taken; closing that window tells the delegate.
class FileRemovingViewController : public ViewController {
    Q_OBJECT
public:
    struct RemoveData {
        int count = 0;
        uint64_t size = 0;
    };

    explicit FileRemovingViewController(QWidget* parent = nullptr);
    ~FileRemovingViewController() override;

    double progressValue() const { return progressValue_; }
    // The share of the selection handled, 0 to 1 (main thread). The display
    // follows half a second later with whatever value is current then.
    void setProgressValue(double value);

    RemoveData removeData() const { return removeData_; }
    void setRemoveData(RemoveData data) { removeData_ = data; }
    // The files the removal was asked to remove: those it could not remove
    // are counted in the finish window.
    void setChosenFiles(QList<FileInfoPtr> files) { chosenFiles_ = std::move(files); }
    // Of the chosen files, those that stayed with a reason.
    qint64 failedCount() const;

    // Non-owning; the owner clears it before it goes away.
    FileRemovingViewDelegate* delegate() const { return delegate_; }
    void setDelegate(FileRemovingViewDelegate* delegate) { delegate_ = delegate; }

    double timeSeconds() const { return timeSeconds_; }
    void setTimeSeconds(double seconds) { timeSeconds_ = seconds; }
    QTimer* myTimer() const { return myTimer_; }

    // The Stop button: asks, then stops the engine of the mode.
    void stopAction();
    // One tick of the 0.1 s clock.
    void timeListener();
    // "removed / selected".
    void updateFilesCountLabel();
    // The engine has ended the removal.
    void removeFinished();

    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;
    void windowIsFullScreen(bool fullScreen);

    // The percentage text of a progress value.
    static QString percentText(double value);

    // The finish window while it shows (tests).
    FinishWindowController* finishWindowController() const;

    // Outlets.
    Lottie::AnimationView* animationView() const;
    KPLBox* contentBox() const;
    RYTProgress* progressView() const;
    QLabel* progressValueLabel() const;
    KPLBox* detailBox() const;
    QLabel* detailFilesTitleLabel() const;
    QLabel* detailFilesCountLabel() const;
    QWidget* detailVerticalView() const;
    QLabel* detailEstimatedTimeTitleLabel() const;
    QLabel* detailEstimatedTimeLabel() const;
    QLabel* noteLabel() const;
    QLabel* noteInfoLabel() const;
    RYTButton* stopBtn() const;

private:
    void initConfig();
    void initProgressConfig();
    void initDetailConfig();
    void initAnimationView();
    void refreshProgress();
    void showFinishWindow();

    std::unique_ptr<Ui::FileRemovingViewController> ui_;
    double progressValue_ = 0.0;
    bool refreshPending_ = false;
    RemoveData removeData_;
    QList<FileInfoPtr> chosenFiles_;
    FileRemovingViewDelegate* delegate_ = nullptr;
    double timeSeconds_ = 0.0;
    QPointer<QTimer> myTimer_;
    bool largeFileMode_ = false;
    bool finishing_ = false;
    // What the stop questions of this screen hold the engine with.
    StopQuestionHolds stopHolds_;
    QPointer<FinishWindowController> finishWindowCtr_;
};
