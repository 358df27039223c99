// largefile_screens: the large-file screens in the program's window over a
// real tree of many sparse files (10 MB to 6 GB, every size band, age and
// kind, names of mixed lengths and scripts). Runs the real scan and times
// each action: wall time, the longest main-thread stretch and the 99th
// percentile of them. Not a test; run it under Xvfb (see README.md).
//
//   largefile_screens [--files N] [--remove N] [--tree DIR] [--screenshots DIR] [--dark] [--video]

#include "../result_panels/BenchSupport.h"
#include "../result_panels/WindowSupport.h"

#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "../LiveAppearance.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileTableCellView.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "View/ScanViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/SheetWindowController.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QHelpEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolTip>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using State = ScanViewController::DisplayViewType;

// Name parts in several scripts and lengths.
const char* const kStems[] = {
    "report", "holiday", "Ферма", "家族旅行", "مستند", "Übersicht", "e\xcc\x81t\xc3\xa9", "backup-2019-final-final",
    "🎬 clip", "ドキュメント", "a", "Project Phoenix — raw footage", "données", "한국어 파일",
};
const char* const kExtensions[] = {"mp4", "mkv", "mov", "mp3", "flac", "jpg", "png", "pdf", "docx", "zip", "iso", "bin"};

// One sparse file (no disk use) with its modification time.
bool sparseFile(const QByteArray& path, uint64_t size, int64_t mtime)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool sized = ::ftruncate(fd, off_t(size)) == 0;
    ::close(fd);
    struct timespec times[2];
    times[0].tv_sec = time_t(mtime);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return sized && ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

// Makes (or finds) the tree of `count` files in folders of 1000.
QString makeTree(const QString& root, int count)
{
    const QString marker = root + QStringLiteral("/.count");
    QFile mark(marker);
    if (mark.open(QIODevice::ReadOnly) && mark.readAll().toInt() == count) {
        return root;
    }
    mark.close();
    QDir(root).removeRecursively();
    std::mt19937_64 random(20261209);
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    const int64_t intoToday = now % 86400;
    for (int i = 0; i < count; ++i) {
        const QByteArray folder = QFile::encodeName(root) + "/d" + QByteArray::number(i / 1000);
        if (i % 1000 == 0) {
            QDir().mkpath(QFile::decodeName(folder));
        }
        // Sizes over the four bands, more small files than huge ones.
        const int band = int(random() % 20);
        uint64_t size;
        if (band == 0) {
            size = 5'000'000'000ULL + random() % 1'000'000'000ULL;
        } else if (band < 3) {
            size = 1'000'000'000ULL + random() % 4'000'000'000ULL;
        } else if (band < 7) {
            size = 500'000'000ULL + random() % 500'000'000ULL;
        } else {
            size = 10'000'000ULL + random() % 490'000'000ULL;
        }
        // Ages over the five bands.
        int64_t age;
        switch (random() % 5) {
        case 0: age = 400 * 86400 + int64_t(random() % (2000 * 86400)); break;
        case 1: age = 31 * 86400 + int64_t(random() % (300 * 86400)); break;
        case 2: age = 8 * 86400 + int64_t(random() % (20 * 86400)); break;
        case 3: age = intoToday + 60 + int64_t(random() % (5 * 86400)); break;
        default: age = int64_t(random() % qMax<int64_t>(1, intoToday)); break;
        }
        const QByteArray stem = kStems[random() % std::size(kStems)];
        const QByteArray name = stem + ' ' + QByteArray::number(i) + '.' + kExtensions[random() % std::size(kExtensions)];
        sparseFile(folder + '/' + name, size, now - age);
    }
    if (mark.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        mark.write(QByteArray::number(count));
    }
    return root;
}

bool resultsShown(ScanViewController* s)
{
    return s && s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading() &&
           s->loadingViewCtr()->isHidden() && s->leftLargeFileViewController()->reloadsInFlight() == 0 &&
           s->rightLargeFileDataViewController()->sortsInFlight() == 0;
}

// The first shown row whose name ends in one of `extensions`, or -1.
int rowWithExtension(RightLargeFileDataViewController* table, const QStringList& extensions)
{
    const QList<FileInfoPtr>& files = table->shownFiles();
    for (int row = 0; row < files.size(); ++row) {
        for (const QString& extension : extensions) {
            if (files.at(row)->name().endsWith(QLatin1Char('.') + extension)) {
                return row;
            }
        }
    }
    return -1;
}

// The states only a stopped scan and an empty folder show: the scan
// stopped by the user (the question, the stopping overlay, what was found)
// and the screen of a scan that found nothing.
void shootStopAndNothingFound(const QString& tree, const QString& shots, const QString& look)
{
    std::unique_ptr<MainMenu> nib = openWindow(QSize(1200, 760));
    FolderSetViewController::setIsScanLargeFile(true);
    root(*nib)->folderSetViewController()->startScanClosure()({QFile::encodeName(tree)});
    // The walk of the tree takes about half a second: the question is
    // asked and answered while it runs.
    settle(150);
    shoot(*nib, shots, QStringLiteral("large-scanning-early-") + look);
    screen(*nib)->startAction();
    QCoreApplication::processEvents();
    // The question fades in; the walk would end before it has: show it
    // as it ends up.
    for (QGraphicsOpacityEffect* fade : nib->window()->findChildren<QGraphicsOpacityEffect*>()) {
        fade->setOpacity(1.0);
    }
    shoot(*nib, shots, QStringLiteral("large-stop-question-") + look);
    answerSheet(QStringLiteral("Yes"));
    // The answer comes once the question has faded out; the overlay then
    // covers the panels only until the results are built.
    QElapsedTimer answered;
    answered.start();
    while (!screen(*nib)->loadingViewCtr()->isVisible() && answered.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::usleep(200);
    }
    shoot(*nib, shots, QStringLiteral("large-stopping-") + look);
    drain([&] { return resultsShown(screen(*nib)); }, 600000);
    settle(500);
    shoot(*nib, shots, QStringLiteral("large-stopped-results-") + look);
    root(*nib)->scanViewBackAction();
    settle(300);

    const QString empty = QDir::homePath() + QStringLiteral("/Nothing large");
    QDir().mkpath(empty);
    root(*nib)->folderSetViewController()->startScanClosure()({QFile::encodeName(empty)});
    drain([&] { return screen(*nib)->displayViewType() != State::displayViewTypeScanning; }, 600000);
    settle(800);
    shoot(*nib, shots, QStringLiteral("large-nothing-found-") + look);
    root(*nib)->scanViewBackAction();
    settle(300);
}

void run(const QString& tree, const QString& shots, bool dark, int toRemove, bool video)
{
    const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
    if (!shots.isEmpty()) {
        shootStopAndNothingFound(tree, shots, look);
    }
    std::unique_ptr<MainMenu> nib = openWindow(QSize(1200, 760));
    FolderSetViewController::setIsScanLargeFile(true);
    LargeFilesManager& engine = LargeFilesManager::default_();

    QElapsedTimer scanClock;
    scanClock.start();
    root(*nib)->folderSetViewController()->startScanClosure()({QFile::encodeName(tree)});
    // Only up to the end of the walk: the results are built after it.
    while (screen(*nib)->displayViewType() == State::displayViewTypeScanning) {
        QCoreApplication::processEvents();
        QThread::usleep(200);
    }
    std::printf("scan of %d files: %.1f s\n", engine.allFiles().isEmpty() ? 0 : engine.allFiles().at(0)->fileCount(),
                double(scanClock.elapsed()) / 1000.0);
    {
        Measure measure(QStringLiteral("scan end to results"));
        drain([&] { return resultsShown(screen(*nib)); }, 600000);
    }
    std::printf("memory after the results: %s\n", qPrintable(memoryLine()));
    ScanViewController* s = screen(*nib);
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    settle(500);
    shoot(*nib, shots, QStringLiteral("large-results-") + look);
    if (!shots.isEmpty()) {
        // The detail pane: a picture shows its type icon, anything else the
        // preview.
        const std::pair<const char*, QStringList> kinds[] = {
            {"picture", {QStringLiteral("jpg"), QStringLiteral("png")}},
            {"video", {QStringLiteral("mp4"), QStringLiteral("mov")}},
            {"document", {QStringLiteral("pdf")}},
        };
        for (const auto& [kind, extensions] : kinds) {
            const int row = rowWithExtension(table, extensions);
            if (row >= 0) {
                table->mainTableView()->selectRow(row);
                settle(1000);
                shoot(*nib, shots, QStringLiteral("large-detail-%1-").arg(QLatin1String(kind)) + look);
            }
        }
    }

    if (video) {
        // The timed steps with a video's player in the detail pane.
        const int row = rowWithExtension(table, {QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("mkv")});
        if (row >= 0) {
            Measure measure(QStringLiteral("select a video"));
            runStep([&] { table->mainTableView()->selectRow(row); });
        }
        settle(1000);
    }
    {
        Measure measure(QStringLiteral("scroll the table page by page (100 pages)"));
        QScrollBar* bar = table->mainTableView()->verticalScrollBar();
        for (int page = 0; page < 100; ++page) {
            runStep([&] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); });
        }
    }
    const auto sortStep = [&](const char* name, const std::function<void()>& action) {
        Measure measure(QString::fromLatin1(name));
        runStep(action, [&] { return table->sortsInFlight() == 0; });
    };
    sortStep("sort by name, up", [&] { s->nameSortUpAction(); });
    sortStep("sort by name, down", [&] { s->nameSortDownAction(); });
    sortStep("sort by size, up", [&] { s->sizeSortUpAction(); });
    sortStep("sort by size, down", [&] { s->sizeSortDownAction(); });
    shoot(*nib, shots, QStringLiteral("large-sorted-") + look);
    if (!shots.isEmpty()) {
        table->checkBoxClick(0);
        settle(300);
        shoot(*nib, shots, QStringLiteral("large-check-mixed-") + look);
        table->checkBoxClick(0);
        settle(100);
    }
    {
        Measure measure(QStringLiteral("check all on"));
        runStep([&] { s->largeFileAllSelectAction(); });
    }
    settle(100);
    shoot(*nib, shots, QStringLiteral("large-check-on-") + look);
    {
        Measure measure(QStringLiteral("check all off"));
        runStep([&] { s->largeFileAllSelectAction(); });
    }
    settle(100);
    shoot(*nib, shots, QStringLiteral("large-check-off-") + look);
    const auto leftStep = [&](const char* name, const std::function<void()>& action) {
        Measure measure(QString::fromLatin1(name));
        runStep(action, [&] { return left->reloadsInFlight() == 0 && table->sortsInFlight() == 0; });
    };
    leftStep("All", [&] { left->allFileViewAction(); });
    leftStep("Selected", [&] { left->selectFileViewAction(); });
    shoot(*nib, shots, QStringLiteral("large-selected-empty-") + look);
    leftStep("All again", [&] { left->allFileViewAction(); });
    if (!shots.isEmpty()) {
        // A few checked files: the "Selected" rows of the groups without
        // one are empty and dimmed, and choosing one shows nothing.
        const QList<FileInfoPtr> files = table->shownFiles();
        for (int row = 0; row < 3 && row < files.size(); ++row) {
            table->checkBoxClick(row);
        }
        leftStep("Selected with three files checked", [&] { left->selectFileViewAction(); });
        settle(300);
        shoot(*nib, shots, QStringLiteral("large-selected-some-") + look);
        for (int row = 1; row < left->rowCount(); ++row) {
            if (left->shownRows().at(size_t(row))->filesCount() == 0) {
                left->tableView()->selectRow(row);
                settle(300);
                shoot(*nib, shots, QStringLiteral("large-selected-empty-group-") + look);
                break;
            }
        }
        for (const FileInfoPtr& file : files.mid(0, 3)) {
            file->setSelected(false);
        }
        s->updateCountLable(true);
        leftStep("All after the checked files", [&] { left->allFileViewAction(); });
    }
    leftStep("group by date", [&] { left->sortData(2); });
    shoot(*nib, shots, QStringLiteral("large-by-date-") + look);
    leftStep("group by type", [&] { left->sortData(3); });
    shoot(*nib, shots, QStringLiteral("large-by-type-") + look);
    leftStep("group by size", [&] { left->sortData(1); });

    // Check `toRemove` files spread over the all-files group and remove
    // them to the Trash, up to the refilled results.
    const DuplicateFilesPtr all = engine.allFiles().at(0);
    int checked = 0;
    const qsizetype stride = qMax<qsizetype>(1, all->infos().size() / qMax(1, toRemove));
    for (qsizetype i = 0; i < all->infos().size() && checked < toRemove; i += stride) {
        all->infos().at(i)->setSelected(true);
        ++checked;
    }
    if (checked == 0) {
        // Nothing to remove: the removal would never finish.
        root(*nib)->scanViewBackAction();
        settle(300);
        return;
    }
    s->updateCountLable(true);
    s->updateSelectedState(SelectType::typeMix);
    table->reloadData();
    settle(300);
    shoot(*nib, shots, QStringLiteral("large-checked-") + look);
    QList<FileInfoPtr> failing;
    if (!shots.isEmpty()) {
        // Removed from the "Selected" view, with two checked files that
        // cannot go: one gone since the scan, one grown. The refilled
        // results then show the All view and the two marked.
        leftStep("Selected before the removal", [&] { left->selectFileViewAction(); });
        settle(300);
        shoot(*nib, shots, QStringLiteral("large-checked-selected-") + look);
        for (const FileInfoPtr& file : all->infos()) {
            if (file->selected() && failing.size() < 2) {
                failing.append(file);
            }
        }
        if (failing.size() == 2 && (::unlink(failing.at(0)->path().constData()) != 0 ||
                                    ::truncate(failing.at(1)->path().constData(), off_t(failing.at(1)->size() + 1)) != 0)) {
            std::printf("could not prepare the files that fail\n");
        }
    }
    {
        Measure measure(QStringLiteral("remove %1 files to the Trash, to the refilled results").arg(checked));
        runStep([&] { s->startAction(); });
        settle(200);
        shoot(*nib, shots, QStringLiteral("large-remove-question-") + look);
        runStep([&] { answerSheet(QStringLiteral("Yes")); });
        if (!shots.isEmpty()) {
            settle(1000);
            shoot(*nib, shots, QStringLiteral("large-removing-") + look);
        }
        drain([&] {
            FileRemovingViewController* removing = s->fileRemovingViewCtr();
            return removing && removing->finishWindowController();
        }, 3'600'000);
        shoot(*nib, shots, QStringLiteral("large-finish-") + look);
        runStep([&] { s->fileRemovingViewCtr()->finishWindowController()->completeAciton(); },
                [&] { return resultsShown(screen(*nib)); });
    }
    // The tree is thinned: the next run makes it again.
    QFile::remove(tree + QStringLiteral("/.count"));
    std::printf("files left: %d; memory: %s\n", engine.allFiles().at(0)->fileCount(), qPrintable(memoryLine()));
    settle(500);
    shoot(*nib, shots, QStringLiteral("large-after-removal-") + look);
    if (!failing.isEmpty()) {
        // A file that could not go, chosen and scrolled to: its mark in the
        // table, its details beside.
        const int row = int(table->shownFiles().indexOf(failing.first()));
        if (row >= 0) {
            table->mainTableView()->selectRow(row);
            table->mainTableView()->scrollTo(table->mainTableView()->model()->index(row, 0),
                                             QAbstractItemView::PositionAtCenter);
            settle(500);
            shoot(*nib, shots, QStringLiteral("large-after-removal-failed-") + look);
            // Its reason, as the pointer resting on the mark asks for it: the
            // tip is a window of its own, so the screen is taken.
            QWidget* viewport = table->mainTableView()->viewport();
            const QRect rowRect = table->mainTableView()->visualRect(table->mainTableView()->model()->index(row, 0));
            const QRect fullRow(0, rowRect.top(), viewport->width(), rowRect.height());
            const QPoint mark = RightLargeFileTableCellView::errorRect(fullRow).center();
            QHelpEvent ask(QEvent::ToolTip, mark, viewport->mapToGlobal(mark));
            QCoreApplication::sendEvent(viewport, &ask);
            settle(800);
            QWidget* window = nib->window();
            const QPoint origin = window->mapToGlobal(QPoint());
            const QPixmap picture = window->screen()->grabWindow(0, origin.x(), origin.y(), window->width(), window->height());
            const QString tipped = shots + QStringLiteral("/large-after-removal-failed-tip-") + look + QStringLiteral(".png");
            std::printf("%s %s (tip %s)\n", picture.save(tipped) ? "wrote" : "could not write", qPrintable(tipped),
                        QToolTip::isVisible() ? qPrintable(QToolTip::text()) : "not shown");
            QToolTip::hideText();
        }
    }
    root(*nib)->scanViewBackAction();
    settle(300);
}

}  // namespace

int main(int argc, char** argv)
{
    // A home of its own: the removal fills this Trash, never the user's.
    // The tree lies inside it: the scan leaves out other users' folders,
    // which the parent of a home holds. Only the Trash and the settings are
    // made anew; the tree is kept between runs.
    const QByteArray home = QDir::tempPath().toUtf8() + "/largefile_screens_home";
    for (const char* own : {"/.local", "/.config", "/.cache"}) {
        QDir(QString::fromUtf8(home + own)).removeRecursively();
    }
    QDir().mkpath(QString::fromUtf8(home));
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    TimedApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("files"), QStringLiteral("Number of large files."), QStringLiteral("n"),
                      QStringLiteral("100000")});
    parser.addOption({QStringLiteral("remove"), QStringLiteral("Number of files removed to the Trash."),
                      QStringLiteral("n"), QStringLiteral("10000")});
    parser.addOption({QStringLiteral("tree"), QStringLiteral("Where the tree is made."), QStringLiteral("dir"),
                      QDir::homePath() + QStringLiteral("/Large files")});
    parser.addOption({QStringLiteral("screenshots"), QStringLiteral("Folder for screenshots of every state."),
                      QStringLiteral("dir")});
    parser.addOption({QStringLiteral("dark"), QStringLiteral("Also run in the dark appearance.")});
    parser.addOption({QStringLiteral("video"), QStringLiteral("Time the steps with a video in the detail pane.")});
    parser.addOption({QStringLiteral("live"), QStringLiteral("Shoot each state again after a switch of the desktop's "
                                                             "appearance and after the switch back.")});
    parser.process(app);
    LiveAppearance::enabled() = parser.isSet(QStringLiteral("live"));
    const int count = parser.value(QStringLiteral("files")).toInt();
    const QString shots = parser.value(QStringLiteral("screenshots"));
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
    }
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showNavigations2.1.0.0"));
    std::printf("making %d files under %s\n", count, qPrintable(parser.value(QStringLiteral("tree"))));
    std::fflush(stdout);
    const QString tree = makeTree(parser.value(QStringLiteral("tree")), count);
    const int toRemove = parser.value(QStringLiteral("remove")).toInt();
    run(tree, shots, false, toRemove, parser.isSet(QStringLiteral("video")));
    if (parser.isSet(QStringLiteral("dark"))) {
        RYTDarkMode::setForcedAppearance(1);
        QApplication::setPalette(QPalette(QColor(40, 42, 46)));
        // The light run removed files: make the tree again.
        makeTree(tree, count);
        run(tree, shots, true, toRemove, parser.isSet(QStringLiteral("video")));
    }
    return 0;
}
