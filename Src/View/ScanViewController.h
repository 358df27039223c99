#pragma once

#include <atomic>

#include <QPointer>

#include "Manager/ScanManagerProtocol.h"
#include "View/Extension/KPLExtensionView.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;

// What the scan screen asks of the controller that shows it.
class ScanViewDelegate {
public:
    virtual ~ScanViewDelegate() = default;
    // The user goes back home.
    virtual void scanViewBackAction() = 0;
    // The user leaves the empty result of a scan that found nothing.
    virtual void scanNotDataFinishedAction() = 0;
};

// The scan and result screen of the duplicate-file and the large-file modes
// (FolderSetViewController::isScanLargeFile() tells which). It runs the
// engine of its mode with itself as the delegate and moves every engine
// report to the main thread.
class ScanViewController : public ViewController, public ScanManagerProtocol {
    Q_OBJECT
public:
    enum class DisplayViewType {
        displayViewTypeScanning = 0,
        displayViewTypeScanFinished = 1,
        displayViewTypeRemoving = 2,
        displayViewTypeRemoveFinished = 3,
    };

    explicit ScanViewController(QWidget* parent = nullptr);
    ~ScanViewController() override;

    DisplayViewType displayViewType() const { return displayViewType_; }
    void setDisplayViewType(DisplayViewType type) { displayViewType_ = type; }

    ScanViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanViewDelegate* delegate) { delegate_ = delegate; }

    // Whether the large-file scan-finished event was sent already.
    static bool isGAScanFinished();
    static void setIsGAScanFinished(bool value);

    bool isLargeFileMode() const { return largeFileMode_; }

    // Shows the scanning panel, starts the timer and the scan of the mode.
    void displayScanningView();

    // Opens the exit question and answers false; a confirmed exit stops the
    // engine (letting a removal finish the file in hand) and ends the program.
    bool isShouldCloseWindow() override;
    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;
    bool isFullScreen() const { return fullScreen_; }

    // ScanManagerProtocol: callable from any thread.
    void startScan() override;
    void stopScan() override;
    void scaningPath(const QString& path) override;
    void scanProgress(double progress) override;
    void scanFinished() override;
    void startRemove() override;
    void stopRemove() override;
    void removeFinished() override;

    // The user's stop and back buttons.
    void stopAction();
    void backAction();

    QString statusText() const;
    QString pathText() const;

private:
    void showFinished();

    DisplayViewType displayViewType_ = DisplayViewType::displayViewTypeScanFinished;
    ScanViewDelegate* delegate_ = nullptr;
    bool largeFileMode_;
    bool fullScreen_ = false;
    std::atomic<double> latestProgress_{0.0};
    QThread* largeScanThread_ = nullptr;
    QTimer* timer_;
    double elapsedSeconds_ = 0.0;
    QLabel* title_;
    QLabel* path_;
    QLabel* elapsed_;
    QProgressBar* progress_;
    QPushButton* stopButton_;
    QPushButton* backButton_;
};
