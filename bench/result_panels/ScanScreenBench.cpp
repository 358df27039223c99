// The scan screen in the real main window: screenshots of its states, and
// the main thread's stalls while it runs a scan and while its selection
// commands work on many groups.

#include "ScanScreenBench.h"

#include "BenchSupport.h"
#include "WindowSupport.h"

#include "Foundation/Bundle.h"
#include "Foundation/Trash.h"
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

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
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

void startScan(MainMenu& nib, const QByteArrayList& folders, bool large)
{
    FolderSetViewController::setIsScanLargeFile(large);
    root(nib)->folderSetViewController()->startScanClosure()(folders);
}

void startScan(MainMenu& nib, const QString& folder, bool large)
{
    startScan(nib, QByteArrayList{QFile::encodeName(folder)}, large);
}

bool resultsSelectable(ScanViewController* s)
{
    return s && s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading()
           && s->loadingViewCtr()->isHidden();
}

void shootRun(const QString& folder, const QString& sample, const QString& empty, bool dark)
{
    const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
    std::unique_ptr<MainMenu> nib = openWindow(QSize(1100, 700));

    // Duplicates: scanning, both result modes, the question, the removal,
    // its finish window and what is left.
    startScan(*nib, sample, false);
    settle(1200);
    shoot(*nib, folder, QStringLiteral("dup-scanning-") + look);
    drain([&] { return resultsSelectable(screen(*nib)); }, 120000);
    settle(800);
    shoot(*nib, folder, QStringLiteral("dup-preview-") + look);
    // "Selected" before anything is: the right box says so.
    screen(*nib)->leftDataViewCtr()->selectAction();
    settle(600);
    shoot(*nib, folder, QStringLiteral("dup-nothing-selected-") + look);
    screen(*nib)->leftDataViewCtr()->allAction();
    settle(600);
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

    // Folders left out, named with their reason: alone, nothing was scanned;
    // beside a folder with results, the notice above them.
    const QByteArray trash = Trash::filesFolder();
    writeSample(QFile::decodeName(trash) + QStringLiteral("/removed.txt"), "removed");
    startScan(*nib, QByteArrayList{trash, "/etc"}, false);
    drain([&] { return resultsSelectable(screen(*nib)); }, 60000);
    settle(600);
    shoot(*nib, folder, QStringLiteral("not-scanned-") + look);
    root(*nib)->scanNotDataFinishedAction();
    settle(300);
    startScan(*nib, QByteArrayList{QFile::encodeName(sample), trash, "/etc"}, false);
    drain([&] { return resultsSelectable(screen(*nib)); }, 120000);
    settle(800);
    shoot(*nib, folder, QStringLiteral("dup-left-out-") + look);
    root(*nib)->scanViewBackAction();
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


// Counts the gaps between the beats of a 10 ms timer on the main thread: the
// longest gap is the longest time a user's click or a repaint had to wait.
// Each gap is filed under the phase the screen was in when it began or
// ended, the loading under the overlay winning over the rest.
class Heartbeat {
public:
    enum Phase { scanning, overlay, other, phaseCount };

    explicit Heartbeat(std::function<Phase()> phase)
        : phase_(std::move(phase))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { beat(); });
        last_ = phase_();
        clock_.start();
        timer_.start();
    }

    double longest(Phase phase) const { return longest_[phase]; }
    double longestOverall() const { return *std::max_element(std::begin(longest_), std::end(longest_)); }
    int beats() const { return beats_; }

private:
    void beat()
    {
        const double gap = double(clock_.nsecsElapsed()) / 1e6;
        clock_.restart();
        const Phase now = phase_();
        const Phase filed = (now == overlay || last_ == overlay) ? overlay : (last_ == scanning ? scanning : now);
        longest_[filed] = std::max(longest_[filed], gap);
        last_ = now;
        ++beats_;
    }

    std::function<Phase()> phase_;
    QTimer timer_;
    QElapsedTimer clock_;
    Phase last_ = other;
    double longest_[phaseCount] = {0, 0, 0};
    int beats_ = 0;
};

// The engine alone, as the screen drives it but with nothing shown: it only
// waits for the end of the scan.
class EngineOnly : public ScanManagerProtocol {
public:
    void startScan() override {}
    void stopScan() override {}
    void scaningPath(const QString&) override {}
    void scanProgress(double) override {}
    void scanFinished() override { finished = true; }
    void startRemove() override {}
    void stopRemove() override {}
    void removeFinished() override {}

    std::atomic<bool> finished{false};
};

struct EngineRun {
    double wallMs = 0;
    // The same heartbeat as over the screen, with nothing shown: what the
    // machine and the engine's own threads alone make the main thread wait.
    double longestGap = 0;
};

EngineRun engineAlone(const QString& tree)
{
    ScanManager& engine = ScanManager::default_();
    Heartbeat heartbeat([] { return Heartbeat::scanning; });
    EngineOnly delegate;
    engine.setDelegate(&delegate);
    engine.setFolderList({QFile::encodeName(tree)});
    QElapsedTimer wall;
    wall.start();
    engine.scanDuplicateFile();
    drain([&] { return delegate.finished.load(); }, 1800000);
    EngineRun run;
    run.wallMs = double(wall.nsecsElapsed()) / 1e6;
    run.longestGap = heartbeat.longest(Heartbeat::scanning);
    engine.setDelegate(nullptr);
    drain([&] { return !engine.scaning(); }, 60000);
    return run;
}

struct ScreenRun {
    double wallMs = 0;
    double scanning = 0;
    double overlay = 0;
    double other = 0;
    qsizetype groups = 0;
};

ScreenRun screenScan(MainMenu& nib, const QString& tree)
{
    ScreenRun run;
    Heartbeat heartbeat([&nib] {
        ScanViewController* s = screen(nib);
        if (!s || s->displayViewType() == State::displayViewTypeScanning) {
            return Heartbeat::scanning;
        }
        if (s->loadingViewCtr()->isLoading() || !s->loadingViewCtr()->isHidden()) {
            return Heartbeat::overlay;
        }
        return Heartbeat::other;
    });
    {
        Measure measure(QStringLiteral("  screen: scan of the tree to selectable results"));
        QElapsedTimer wall;
        wall.start();
        startScan(nib, tree, false);
        drain([&] { return resultsSelectable(screen(nib)); }, 1800000);
        run.wallMs = double(wall.nsecsElapsed()) / 1e6;
    }
    run.scanning = heartbeat.longest(Heartbeat::scanning);
    run.overlay = heartbeat.longest(Heartbeat::overlay);
    run.other = heartbeat.longest(Heartbeat::other);
    run.groups = ScanManager::default_().totalFiles().size();
    root(nib)->scanViewBackAction();
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    if (sheet && sheet->isShowing()) {
        sheet->determineBtn()->click();
    }
    drain([&] { return !screen(nib); }, 10000);
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A real scan of `tree` through the screen, from the start to results that
// can be selected, against the engine alone; the two take turns, so a change
// in the machine's load falls on both.
void timeScansOfTree(MainMenu& nib, const QString& tree, int runs)
{
    // The home is a fresh one, so these are the defaults; printed, so a
    // figure never stands for filters nobody knows.
    const auto settings = std::make_shared<PerferenceInfo>();
    const auto onOff = [](bool omitted) { return omitted ? "left out" : "kept"; };
    // A kind's flag, despite its name, says the kind is scanned.
    const auto kind = [](bool scanned) { return scanned ? "scanned" : "left out"; };
    std::printf("Scan of %s, %d runs. Settings (%s): hidden files %s, empty files %s, size limits %s/%s, "
                "white list %lld folders; videos %s, audio %s, pictures %s, documents %s, others %s\n",
                qPrintable(tree), runs, qPrintable(PerferenceInfo::settingsPath()), onOff(settings->omitHiddenFile()),
                onOff(settings->omitZeroByteFile()), settings->enableMinSize() ? "min" : "no min",
                settings->enableMaxSize() ? "max" : "no max", (long long)settings->whiteListPath().size(),
                kind(settings->omitVideo()), kind(settings->omitAudio()), kind(settings->omitPicture()),
                kind(settings->omitDocument()), kind(settings->omitOther()));
    std::vector<double> engineMs, screenMs, scanningMs, overlayMs, otherMs;
    qsizetype groups = 0;
    double engineGap = 0;
    for (int round = 0; round < runs; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 0)) {
                const EngineRun run = engineAlone(tree);
                engineMs.push_back(run.wallMs);
                engineGap = std::max(engineGap, run.longestGap);
                std::printf("  engine alone: %.1f ms, %lld groups; longest heartbeat gap %.1f ms\n", run.wallMs,
                            (long long)ScanManager::default_().totalFiles().size(), run.longestGap);
            } else {
                const ScreenRun run = screenScan(nib, tree);
                groups = run.groups;
                screenMs.push_back(run.wallMs);
                scanningMs.push_back(run.scanning);
                overlayMs.push_back(run.overlay);
                otherMs.push_back(run.other);
                std::printf("  screen: %.1f ms, %lld groups; longest heartbeat gap while scanning %.1f ms, "
                            "loading under the overlay %.1f ms, after it %.1f ms\n",
                            run.wallMs, (long long)run.groups, run.scanning, run.overlay, run.other);
            }
            std::fflush(stdout);
        }
    }
    const double worstScanning = *std::max_element(scanningMs.begin(), scanningMs.end());
    const double worstOther = *std::max_element(otherMs.begin(), otherMs.end());
    std::printf("scan of the tree (%lld groups): screen %.1f ms, engine alone %.1f ms (medians, ratio %.2f); "
                "longest heartbeat gap over all runs: scanning %.1f ms%s, under the overlay %.1f ms, "
                "after it %.1f ms%s; with the engine alone %.1f ms\n",
                (long long)groups, median(screenMs), median(engineMs),
                median(engineMs) > 0 ? median(screenMs) / median(engineMs) : 0.0, worstScanning,
                worstScanning > 50.0 ? " (over 50 ms)" : "",
                *std::max_element(overlayMs.begin(), overlayMs.end()), worstOther,
                worstOther > 50.0 ? " (over 50 ms)" : "", engineGap);
    std::fflush(stdout);
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

void scanScreenBenchmark(const QString& tree, int groupCount, int runs)
{
    std::unique_ptr<MainMenu> nib = openWindow(QSize(1100, 700));
    settle(300);

    if (!tree.isEmpty()) {
        timeScansOfTree(*nib, tree, runs);
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
