#pragma once

#include <memory>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class AboutWindowController;
class ContentBox;
class MainViewController;
class QAction;
class QDialog;
class QLabel;
class QWidget;

// The four notifications by which the screens, the root view controller and
// the application delegate talk to each other (posted with no object).
const QString& didHiddenMainWindowTitleNotification();
const QString& didShowMainWindowTitleNotification();
const QString& didHiddenFullScreenNotification();
const QString& didShowFullScreenNotification();

// Holds the main window's own parts (the box that shows the screens and the
// title), creates the root view controller, fades the title on request and
// carries the menu actions.
class MainWindow : public QObject {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Outlets, connected when the main window is built.
    ContentBox* windowBox() const;
    void setWindowBox(ContentBox* box);
    QLabel* windowTitle() const;
    void setWindowTitle(QLabel* title);
    QAction* updateMenuBtn() const;
    void setUpdateMenuBtn(QAction* item);
    QAction* privacyMenuBtn() const;
    void setPrivacyMenuBtn(QAction* item);
    QAction* userMenuBtn() const;
    void setUserMenuBtn(QAction* item);
    QWidget* mainView() const;
    void setMainView(QWidget* view);

    MainViewController* mainViewController() const;
    // Made on first use of the preferences, then kept.
    QDialog* preferenceWindow() const;
    // The about window of the last use while it is open.
    AboutWindowController* aboutWindowController() const;

    // Puts the root view controller into the box, colours and names the
    // title, observes the title notifications and hides the two policy items.
    void setupMainView();
    bool isShouldCloseWindow();

    // The title's opacity, 0 hidden to 1 shown (where the fade is heading).
    double titleAlpha() const { return titleAlpha_; }

    // The preferences window comes with the preferences screens; until they
    // register a maker here, the menu item does nothing.
    using PreferenceWindowMaker = QDialog* (*)();
    static void setPreferenceWindowMaker(PreferenceWindowMaker maker);

    // Tells the user, one sheet at a time over the main window once it
    // shows, where each settings file found damaged was set aside; those
    // set aside later (a file first read then) are told as they happen.
    // Each set-aside is told once.
    void showSetAsideNotices();

public slots:
    void hiddenTitle();
    void showTitle();

    void aboutAction();
    void feedBackAction();
    void helpAction();
    void openPrivacyUrl();
    void openUserUrl();
    void checkUpdateAction();
    void openPreferenceWindow();
    void openLogPath();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fadeTitle(double alpha);
    void watchSetAsideFiles();

    QPointer<ContentBox> windowBox_;
    QPointer<QLabel> windowTitle_;
    QPointer<QAction> updateMenuBtn_;
    QPointer<QAction> privacyMenuBtn_;
    QPointer<QAction> userMenuBtn_;
    QPointer<QWidget> mainView_;
    QPointer<QDialog> preferenceWindow_;
    QPointer<AboutWindowController> aboutWindowController_;
    QPointer<MainViewController> mainViewController_;
    double titleAlpha_ = 1.0;
    // Set-aside files not told yet, and the window their sheets wait for.
    QStringList setAsideNotices_;
    bool setAsideNoticeShowing_ = false;
    QPointer<QWidget> noticeWindow_;
};

// Opens links and folders for the menu actions; tests replace it to see what
// would have been opened.
namespace Workspace {
using Opener = bool (*)(const QString& urlOrPath);
bool openURL(const QString& url);
bool openFolder(const QString& path);
// Opens a web address; where the desktop has nothing to open it with, a
// notice over `sheetParent` (or the main window) says so and holds the
// address for the user to copy.
void openWebAddress(const QString& address, QWidget* sheetParent = nullptr);
void setOpenerForTesting(Opener opener);
}  // namespace Workspace
