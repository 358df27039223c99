#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include <QByteArrayList>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include "GA/QVDAEventObserver.h"
#include "TestSupport.h"
#include "UrlCatcher.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"

class QAbstractItemView;
class QWidget;
class ScanImagesCollectionViewController;
class ScanImagesListViewController;

namespace similar {

// `groups` bases with `copies` altered copies each, as JPEG files in
// `root`; returns it.
QString makeImages(const QString& root, int groups, int copies);
bool sheetShowing();
QString sheetText();
// Answers the sheet showing (or about to) with the button of that title
// and waits until the answer has reached its caller.
bool answerSheet(const QString& title);
// Moves the pointer to `point` of the view's viewport and clicks there once.
void clickIn(QAbstractItemView* view, const QPoint& point);
// A point on the thumbnail of `row`, clear of the box and the magnifier.
QPoint thumbnailPoint(ScanImagesCollectionViewController* grid, int row);
QPoint thumbnailPoint(ScanImagesListViewController* list, int row);
// Clicks the thumbnail of `row` and waits until the click (told from a
// double click by its interval) has flipped the image's selection.
void clickThumbnail(ScanImagesCollectionViewController* grid, int row);
void clickThumbnail(ScanImagesListViewController* list, int row);
// The folder dialog open over `window`, once it shows: types `path` into its
// name field and presses its own "Choose" button, or presses its "Cancel";
// true once the dialog has answered and gone.
bool chooseInFolderDialog(QWidget* window, const QString& path);
bool cancelFolderDialog(QWidget* window);
// The engine removes (state 6) and the screen shows it: the engine sets its
// state on its own thread, and the screen follows on its queued turn.
bool removalShown(ScanImagesViewController* screen);

// The opacity a button shows (1 when none is set).
double opacityOf(QWidget* widget);

// Catches the files the program opens instead of opening them, and makes
// the double-click interval short; both undone when it goes.
class Opened {
public:
    Opened();
    ~Opened();
    UrlCatcher files;
};

// Holds the first file operation the removal makes off the main thread
// until released; `alsoFail` may fail an operation as the system would.
class RemovalGate {
public:
    explicit RemovalGate(std::function<int(int step, const QByteArray& path)> alsoFail = nullptr);
    ~RemovalGate();
    bool entered() const { return entered_->load(); }
    void release() { release_->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> entered_;
    std::shared_ptr<std::atomic<bool>> release_;
};

}  // namespace similar

// A similar-image screen in a window of its own, the main window as far as
// the sheets go, over the real engine and image library; usage events are
// recorded, links opened are caught, the double-click interval is short.
class ScanImagesScreenTest : public TempHomeTest, public ScanImagesViewControllerDelegate {
protected:
    void SetUp() override;
    void TearDown() override;

    QString makeImages(int groups, int copies, const QString& folder = QStringLiteral("images"));
    // Starts the screen on the folders and waits for the end of the search.
    ScanImagesViewController* scan(const QStringList& folders);
    // A screen set up as for a scan, but with no scan started.
    ScanImagesViewController* idleScreen();
    bool answerSheet(const QString& title) { return similar::answerSheet(title); }
    QString sheetText() const { return similar::sheetText(); }
    bool sheetShowing() const { return similar::sheetShowing(); }
    // Clicks the thumbnail of `row` in the grid of the result view.
    void clickThumbnail(int row);
    // Confirms a removal and closes its finish window.
    void removeAndFinish();
    QStringList labels(const QString& category, const QString& action) const;

    void scanImagesViewBackAction() override { ++backCount; }

    std::unique_ptr<QWidget> window;
    QPointer<ScanImagesViewController> screen;
    std::unique_ptr<QVDAEventRecorder> recorder;
    int backCount = 0;
    std::unique_ptr<similar::Opened> openedFiles;
    QList<QUrl>& opened() { return openedFiles->files.opened; }
};
