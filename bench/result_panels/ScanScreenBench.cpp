// The scan screen in the real main window: screenshots of its states, and
// the main thread's stalls while it runs a scan and while its selection
// commands work on many groups.

#include "ScanScreenBench.h"

#include "BenchSupport.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "View/ScanViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using State = ScanViewController::DisplayViewType;

// A file of `size` bytes that takes no room: its content reads as zeros.
void sparseFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.resize(size);
    }
}

// Pictures, notes and films in several places, some of them copies; the
// films are large enough for the large-file scan and make the duplicate
// scan take a few seconds.
QString sampleTree(const QString& home)
{
    const QString root = home + QStringLiteral("/Documents/Twinsweep sample");
    const QByteArray png = pngBytes(640, 420, QColor(47, 128, 237), QColor(39, 174, 96));
    const QByteArray png2 = pngBytes(400, 400, QColor(242, 153, 74), QColor(142, 108, 239));
    const QByteArray text = "Meeting notes\n=============\n\n- Reclaim disk space before the release\n";
    for (const QString& place : {QStringLiteral("Pictures/Holiday"), QStringLiteral("Desktop/Backup"),
                                 QStringLiteral("Downloads")}) {
        writeSample(root + QLatin1Char('/') + place + QStringLiteral("/beach.png"), png);
        writeSample(root + QLatin1Char('/') + place + QStringLiteral("/sunset.png"), png2);
        writeSample(root + QLatin1Char('/') + place + QStringLiteral("/notes.txt"), text);
    }
    for (int i = 0; i < 24; ++i) {
        const qint64 size = (12 + i * 3) * qint64(1000 * 1000);
        const QString name = QStringLiteral("/clip%1.mp4").arg(i, 2, 10, QLatin1Char('0'));
        sparseFile(root + QStringLiteral("/Videos") + name, size);
        sparseFile(root + QStringLiteral("/Backup/Videos") + name, size);
    }
    sparseFile(root + QStringLiteral("/Archive/disk-image.iso"), qint64(1'300'000'000));
    return root;
}

class SavedOutput {
public:
    SavedOutput() : out_(::dup(STDOUT_FILENO)), err_(::dup(STDERR_FILENO)) {}
    ~SavedOutput()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(out_, STDOUT_FILENO);
        ::dup2(err_, STDERR_FILENO);
        ::close(out_);
        ::close(err_);
    }

private:
    int out_;
    int err_;
};

// The program's window as it starts, without the analytics link.
std::unique_ptr<MainMenu> openWindow()
{
    auto nib = std::make_unique<MainMenu>();
    nib->window()->show();
    (void)QTest::qWaitForWindowExposed(nib->window());
    nib->mainWindow()->setupMainView();
    ScanManager::default_().setScanSetupObj(std::make_shared<PerferenceInfo>());
    return nib;
}

MainViewController* root(MainMenu& nib)
{
    return nib.mainWindow()->mainViewController();
}

void startScan(MainMenu& nib, const QString& folder, bool large)
{
    FolderSetViewController::setIsScanLargeFile(large);
    root(nib)->folderSetViewController()->startScanClosure()({QFile::encodeName(folder)});
}

ScanViewController* screen(MainMenu& nib)
{
    return root(nib)->scanViewController();
}

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    drain([&] { return clock.elapsed() > ms; });
}

void shoot(MainMenu& nib, const QString& folder, const QString& name)
{
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    nib.window()->grab().save(path);
    std::printf("wrote %s\n", qPrintable(path));
    std::fflush(stdout);
}

void answerSheet(const QString& title)
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    if (!sheet) {
        return;
    }
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button->isVisible() && button->title() == title) {
            button->click();
            return;
        }
    }
}

bool resultsSelectable(ScanViewController* s)
{
    return s && s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading()
           && s->loadingViewCtr()->isHidden();
}

void shootRun(const QString& folder, const QString& sample, const QString& empty, bool dark)
{
    const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
    std::unique_ptr<MainMenu> nib = openWindow();
    nib->window()->resize(1100, 700);

    // Duplicates: scanning, both result modes, the question, the removal,
    // its finish window and what is left.
    startScan(*nib, sample, false);
    settle(1200);
    shoot(*nib, folder, QStringLiteral("dup-scanning-") + look);
    drain([&] { return resultsSelectable(screen(*nib)); }, 120000);
    settle(800);
    shoot(*nib, folder, QStringLiteral("dup-preview-") + look);
    screen(*nib)->automaticSelectionAction();
    // Some groups keep all their files, so results are left after the removal.
    bool keep = false;
    for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
        if ((keep = !keep)) {
            group->setSelectState(ControlState::off);
            for (const FileInfoPtr& file : group->infos()) {
                file->setSelected(false);
            }
        }
    }
    screen(*nib)->updateSelectCountSizeLabel();
    screen(*nib)->modeSwitchAction();
    settle(800);
    shoot(*nib, folder, QStringLiteral("dup-list-selected-") + look);
    screen(*nib)->startAction();
    settle(600);
    shoot(*nib, folder, QStringLiteral("dup-remove-question-") + look);
    answerSheet(QStringLiteral("Yes"));
    drain([&] { return screen(*nib)->displayViewType() == State::displayViewTypeRemoving; }, 30000);
    settle(700);
    shoot(*nib, folder, QStringLiteral("dup-removing-") + look);
    drain([&] {
        FileRemovingViewController* removing = screen(*nib)->fileRemovingViewCtr();
        return removing && removing->finishWindowController();
    }, 120000);
    settle(1500);
    shoot(*nib, folder, QStringLiteral("dup-finish-") + look);
    screen(*nib)->fileRemovingViewCtr()->finishWindowController()->completeAciton();
    drain([&] { return resultsSelectable(screen(*nib)); }, 60000);
    settle(800);
    shoot(*nib, folder, QStringLiteral("dup-after-removal-") + look);
    root(*nib)->scanViewBackAction();
    settle(300);

    // Nothing found.
    startScan(*nib, empty, false);
    drain([&] { return resultsSelectable(screen(*nib)); }, 60000);
    settle(600);
    shoot(*nib, folder, QStringLiteral("no-result-") + look);
    root(*nib)->scanNotDataFinishedAction();
    settle(300);

    // Large files: the scanning panel is shot at once, as the walk of the
    // sample takes no time.
    startScan(*nib, sample, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    shoot(*nib, folder, QStringLiteral("large-scanning-") + look);
    drain([&] { return resultsSelectable(screen(*nib)); }, 60000);
    settle(800);
    shoot(*nib, folder, QStringLiteral("large-results-") + look);
    screen(*nib)->largeFileAllSelectAction();
    screen(*nib)->sizeSortUpAction();
    settle(400);
    shoot(*nib, folder, QStringLiteral("large-selected-") + look);
    root(*nib)->scanViewBackAction();
    settle(300);
}

}  // namespace

void scanScreenScreenshots(const QString& folder)
{
    QDir().mkpath(folder);
    const QString sample = sampleTree(QDir::homePath());
    const QString empty = QDir::homePath() + QStringLiteral("/Empty folder");
    writeSample(empty + QStringLiteral("/only.txt"), "alone");
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showNavigations2.1.0.0"));
    for (bool dark : {false, true}) {
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        // The removal empties the sample of its copies: make it again.
        sampleTree(QDir::homePath());
        SavedOutput saved;
        shootRun(folder, sample, empty, dark);
    }
}

void scanScreenBenchmark(const QString& tree, int groupCount)
{
    std::unique_ptr<MainMenu> nib = openWindow();
    nib->window()->resize(1100, 700);
    settle(300);

    if (!tree.isEmpty()) {
        // A real scan under the stored settings, from its start to results
        // that can be selected.
        {
            Measure measure(QStringLiteral("screen: scan of the tree to selectable results"));
            startScan(*nib, tree, false);
            drain([&] { return resultsSelectable(screen(*nib)); }, 1800000);
        }
        std::printf("  %lld groups, %s\n", (long long)ScanManager::default_().totalFiles().size(), qPrintable(memoryLine()));
        root(*nib)->scanViewBackAction();
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        if (sheet && sheet->isShowing()) {
            sheet->determineBtn()->click();
        }
        drain([&] { return !screen(*nib); }, 10000);
    }

    if (groupCount <= 0) {
        return;
    }
    // A scan of an empty folder puts the screen in place; the synthetic
    // groups then stand for its result, shown as at the end of a scan.
    QTemporaryDir empty;
    startScan(*nib, empty.path(), false);
    drain([&] { return resultsSelectable(screen(*nib)); }, 60000);
    ScanViewController* s = screen(*nib);
    std::printf("Building %d synthetic groups... ", groupCount);
    std::fflush(stdout);
    const DuplicateFilesList groups = makeGroups(groupCount);
    putIntoEngine(groups);
    std::printf("done (%s)\n", qPrintable(memoryLine()));
    const auto leftIdle = [s] { return resultsSelectable(s) && s->leftDataViewCtr()->reloadsInFlight() == 0; };
    {
        Measure measure(QStringLiteral("end of the scan to selectable results"));
        runStep(
            [s] {
                s->setDisplayViewType(State::displayViewTypeScanFinished);
                s->loadingViewCtr()->setIsLoading(true);
                s->displayLoading(true);
                s->displayScanFinishedView();
            },
            leftIdle);
    }
    {
        Measure measure(QStringLiteral("Auto select (all files)"));
        runStep([s] { s->automaticSelectionAction(); }, leftIdle);
    }
    {
        Measure measure(QStringLiteral("Unselect All (all files)"));
        runStep([s] { s->notAtAllAction(); }, leftIdle);
    }
    {
        Measure measure(QStringLiteral("summary after a click"));
        runStep([s, &groups] {
            groups.first()->infos().at(1)->setSelected(true);
            s->updateSelectCountSizeLabel();
        });
    }
    {
        Measure measure(QStringLiteral("mode switch to the list"));
        runStep([s] { s->modeSwitchAction(); }, leftIdle);
    }
    {
        Measure measure(QStringLiteral("mode switch to the preview"));
        runStep([s] { s->modeSwitchAction(); }, leftIdle);
    }
    {
        Measure measure(QStringLiteral("\"Selected\""));
        runStep([s] { s->leftDataViewCtr()->selectAction(); }, leftIdle);
    }
    {
        Measure measure(QStringLiteral("back to \"All\""));
        runStep([s] { s->leftDataViewCtr()->allAction(); }, leftIdle);
    }
}
