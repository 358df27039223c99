#pragma once

#include <memory>

#include <QStringList>

#include "Manager/ScanImagesManagerDelegate.h"
#include "Manager/ScanImagesRemoveManagerDelegate.h"
#include "View/Extension/KPLExtensionView.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// What the similar-image screen asks of the controller that shows it.
class ScanImagesViewControllerDelegate {
public:
    virtual ~ScanImagesViewControllerDelegate() = default;
    // The user goes back home.
    virtual void scanImagesViewBackAction() = 0;
};

// The container of the similar-image screens. It starts the search of the
// shared image engine and follows its reports on the main thread. The engine
// reports to a relay that outlives the screen while a search runs, so a
// report arriving after the screen went away reaches nobody.
class ScanImagesViewController : public ViewController,
                                 public ScanImagesManagerDelegate,
                                 public ScanImagesRemoveManagerDelegate {
    Q_OBJECT
public:
    explicit ScanImagesViewController(QWidget* parent = nullptr);
    ~ScanImagesViewController() override;

    ScanImagesViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesViewControllerDelegate* delegate) { delegate_ = delegate; }

    // Starts a search of the folders on a global queue; returns at once.
    // The folders as the system's bytes.
    void configScanImages(const QByteArrayList& folderList);
    QByteArrayList folderList() const { return folderList_; }

    // Opens the exit question and answers false; a confirmed exit stops a
    // running search (and lets a removal finish the file in hand) and ends
    // the program.
    bool isShouldCloseWindow() override;
    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;
    bool isFullScreen() const { return fullScreen_; }

    // ScanImagesManagerDelegate and ScanImagesRemoveManagerDelegate, called
    // on the main thread (the relay moves the engine's reports there).
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

    // The delegate the engine is given (it forwards to this screen).
    ScanImagesManagerDelegate* engineDelegate() const;

    bool isScanning() const { return scanning_; }
    int groupCount() const { return groupCount_; }
    QString statusText() const;

    void stopAction();
    void backAction();

private:
    class Relay;
    void showScanEnd(bool stopped, const ScanImagesGroupList& groups);

    ScanImagesViewControllerDelegate* delegate_ = nullptr;
    QByteArrayList folderList_;
    bool fullScreen_ = false;
    bool scanning_ = false;
    int groupCount_ = 0;
    std::shared_ptr<Relay> relay_;
    double shownProgress_ = 0.0;
    double elapsedSeconds_ = 0.0;
    QTimer* timer_;
    QLabel* title_;
    QLabel* path_;
    QLabel* elapsed_;
    QProgressBar* progress_;
    QPushButton* stopButton_;
    QPushButton* backButton_;
};
