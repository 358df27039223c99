#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <QByteArrayList>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QPointer>

#include "ShellFixture.h"
#include "QVLibrary/RYTView.h"
#include "View/ScanViewController.h"

class CellViewDelegate;
class FinishWindowController;
class MainViewController;
class QAbstractItemView;

// Holds an engine's worker at a point of its choosing until opened: the
// duplicate scan before it reads its first file, the large-file walk before
// it files its first file, a removal before a step on a chosen file.
class EngineGate {
public:
    enum class Kind { duplicateScan, largeFileScan, removal };
    EngineGate(Kind kind, QByteArray removalPath = {});
    ~EngineGate();
    // Whether a worker waits at the gate now.
    bool holding() const { return waiting_.load() > 0; }
    void open();

private:
    bool pass(bool hold);

    Kind kind_;
    QByteArray removalPath_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
    std::atomic<int> waiting_{0};
};

// The program's window with a scan screen in it, driven like a user would.
class ScanScreenTest : public ShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    MainViewController* root();
    ScanViewController* screen();

    // A tree of duplicates: a video pair, an audio pair, a picture triple, a
    // document pair and an "other" pair, plus a file with no copy.
    QString duplicateTree();
    // Sixty pairs of "other" files: more groups than a list shows at once.
    QString manyPairsTree();
    // Files of 10 MB and more (sparse), of several kinds, and a small one.
    QString largeFileTree();
    // A file of `size` bytes that takes no disk space (sparse), at
    // `relativePath` under the scratch folder; its path.
    QString writeSparse(const QString& relativePath, qint64 size);
    // Thirty large files (sparse) in big/, scanned and all checked.
    ScanViewController* largeFilesChecked();

    // Starts a scan of `folder` from the home screen (large files or
    // duplicates) and returns the scan screen.
    ScanViewController* startScan(const QString& folder, bool large);
    // Waits until the screen shows results that can be selected.
    bool waitForResults();
    // Scans and waits for the results.
    ScanViewController* scanToResults(const QString& folder, bool large);

    // The shared sheet: its message while it shows, and a press on one of
    // its buttons, which returns once the answer has reached its caller.
    QString sheetMessage() const;
    bool sheetShowing() const;
    void answer(const QString& title);
    bool waitForSheet(const QString& message);
    // Waits until the sheet is gone and its veil closed.
    bool waitForNoSheet();
    // Waits for the finish window of the removal on `s`; null when it does
    // not come.
    static FinishWindowController* finishWindow(ScanViewController* s);

    // Clicks with the mouse where the row of `index` paints its part named
    // `partName` (a box, an arrow, or a label to choose the row). The row
    // must show: the list is not scrolled for it.
    static void clickRowPart(QAbstractItemView* view, CellViewDelegate* cells, const QModelIndex& index,
                             const char* partName);
    // Clicks the middle of a control with the mouse.
    static void clickCentre(QWidget* control);
    // Chooses "Permanently Deleted" in the removal pop-up as a user does:
    // a click opens its menu, a click on the row chooses.
    static void choosePermanently(ScanViewController* s);
    // Whether the chosen row of `view` lies (at least partly) in its viewport.
    static bool chosenRowShows(QAbstractItemView* view);

    static QByteArray bytes(const QString& path);
    // The labels of the recorded events of one category and action.
    QStringList labels(const QString& category, const QString& action) const;
};
