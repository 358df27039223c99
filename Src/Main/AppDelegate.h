#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "CrashReporter/BugsplatStartupManager.h"
#include "MainWindow.h"


// The application delegate: the start-up block, the launch sequence, the
// main window's close question, full-screen changes and resizes, and the
// termination status.
class AppDelegate : public QObject, public BugsplatStartupManagerDelegate {
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    // Outlets, connected when the main window is built.
    QWidget* window() const { return window_; }
    void setWindow(QWidget* window);
    MainWindow* mainWindow() const { return mainWindow_; }
    void setMainWindow(MainWindow* mainWindow) { mainWindow_ = mainWindow; }

    // Queues the start-up block (status "running", output to the log file)
    // on a global queue and returns.
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }
    static bool applicationSupportsSecureRestorableState() { return true; }
    void applicationWillTerminate();

    bool windowShouldClose();
    void windowDidEnterFullScreen();
    void windowDidExitFullScreen();
    void windowDidResize();

    void hiddenFullScreen();
    void disableFullScreen();
    void showFullScreen();
    void enableFullScreen();

    void startBugsplat();
    void setupDataCollection();
    void gaCollection();

    // The start-up block itself (what applicationWillFinishLaunching queues).
    static void startUpBlock();
    // Reopens standard output and error in append mode on `path`; a stream
    // whose file cannot be opened is left where it was.
    static bool redirectOutput(const QString& path);

    // The launch steps in the order they ran (tests read it).
    const QStringList& launchTrace() const { return launchTrace_; }
    // Whether the start-up block has finished.
    static bool startUpBlockDone();

    // The custom-dimension string and the language name of the analytics
    // configuration.
    static QString systemLanguageName();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setFullScreenButtonHidden(bool hidden);

    QPointer<QWidget> window_;
    QPointer<MainWindow> mainWindow_;
    QStringList launchTrace_;
};
