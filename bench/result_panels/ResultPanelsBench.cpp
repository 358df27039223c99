// Times the duplicate result panels with many groups, action by action, and
// takes screenshots of them over a real scan. Run it under Xvfb:
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/result_panels [--groups N] [--walk K] [--pages P]
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/result_panels --screenshots DIR
//
// A "frame" is one uninterrupted stretch of main-thread work: one event the
// application dispatches (a timer, a posted call, a paint). For every action
// the program prints the wall time, the longest frame and the 99th
// percentile of the frames. Beside the wall-clock frames it prints the
// longest frame in the main thread's own processor time, which leaves out
// the time the system gave other programs: on a busy machine the two differ.

#include "BenchSupport.h"
#include "HomeTrips.h"
#include "PanelHarness.h"
#include "ScanScreenBench.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "../LiveAppearance.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListMainTableCellView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "QuickLook/MediaPlayerView.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// ---------------------------------------------------------------------------

void benchmark(int groupCount, int walk, int pages)
{
    std::printf("Building %d synthetic groups... ", groupCount);
    std::fflush(stdout);
    const QString before = memoryLine();
    const DuplicateFilesList groups = makeGroups(groupCount);
    putIntoEngine(groups);
    std::printf("done (%s before, %s after)\n", qPrintable(before), qPrintable(memoryLine()));

    for (bool previewMode : {false, true}) {
        PanelHarness harness(previewMode);
        harness.resize(1000, 580);
        harness.show();
        (void)QTest::qWaitForWindowExposed(&harness);
        // As while a scan runs: the media back end loads its plug-in list
        // meanwhile.
        drain([] { return MediaPlayerView::isBackendWarm(); }, 30000);
        const DuplicateFilesList first(groups.begin(), groups.begin() + groupCount * 99 / 100);
        const char* mode = previewMode ? "preview" : "list";

        {
            Measure m(QStringLiteral("%1: setDataArray, %2 groups").arg(QLatin1String(mode)).arg(groupCount));
            runStep([&] {
                if (previewMode) {
                    harness.preview->setDataArray(groups);
                } else {
                    harness.list->setDataArray(groups);
                }
            });
        }
        runStep([&] {
            if (previewMode) {
                harness.preview->setDataArray(first);
            } else {
                harness.list->setDataArray(first);
            }
        });
        {
            Measure m(QStringLiteral("%1: scan refresh, %2 appended to %3")
                          .arg(QLatin1String(mode))
                          .arg(groupCount - first.size())
                          .arg(first.size()));
            runStep([&] {
                if (previewMode) {
                    harness.preview->setDataArray(groups);
                } else {
                    harness.list->setDataArray(groups);
                }
            });
        }

        QAbstractItemView* view = previewMode ? static_cast<QAbstractItemView*>(harness.preview->mainTableView())
                                              : harness.list->outlineView();
        {
            Measure m(QStringLiteral("%1: scroll the whole list page by page").arg(QLatin1String(mode)));
            QScrollBar* bar = view->verticalScrollBar();
            bar->setValue(0);
            for (int page = 0; bar->value() < bar->maximum() && (pages < 0 || page < pages); ++page) {
                runStep([bar] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); });
            }
        }
        view->verticalScrollBar()->setValue(0);
        drain();

        if (!previewMode) {
            RightDataListOutlineModel* outline = harness.list->outlineModel();
            // A user opens one group a click: every arrow click is a frame
            // of its own, at the top of the list where most rows follow.
            const int clicks = std::min<int>(walk, int(groups.size()));
            {
                Measure m(QStringLiteral("list: open %1 groups, one arrow click a turn").arg(clicks));
                for (int i = 0; i < clicks; ++i) {
                    runStep([&, i] { harness.list->rightDataListMainTableCellViewArrowClick(groups[i], true); });
                }
            }
            {
                Measure m(QStringLiteral("list: close them, one arrow click a turn"));
                for (int i = 0; i < clicks; ++i) {
                    runStep([&, i] { harness.list->rightDataListMainTableCellViewArrowClick(groups[i], false); });
                }
            }
            std::printf("   collapse memory: %lld groups\n", (long long)harness.list->collapseItemArray().size());
            {
                Measure m(QStringLiteral("list: expand every group"));
                runStep([&] { outline->expandAll(); });
            }
            std::printf("   rows: %d, %s\n", outline->rowCount(), qPrintable(memoryLine()));
            {
                Measure m(QStringLiteral("list: scroll the expanded list, 200 pages"));
                QScrollBar* bar = view->verticalScrollBar();
                for (int page = 0; page < 200 && bar->value() < bar->maximum(); ++page) {
                    runStep([bar] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); });
                }
                runStep([bar] { bar->setValue(bar->maximum()); });
            }
            {
                Measure m(QStringLiteral("list: collapse every group"));
                runStep([&] { outline->collapseAll(); });
            }
            view->verticalScrollBar()->setValue(0);
            drain();
        } else {
            KPLTableView* table = harness.preview->mainTableView();
            Measure m(QStringLiteral("preview: walk the group table, %1 rows").arg(walk));
            for (int row = 0; row < walk && row < groups.size(); ++row) {
                runStep([table, row] { table->selectRow(row); });
            }
        }

        // The left panel: a reload in "All", then the "Selected" view.
        LeftDataViewController* left = harness.left;
        {
            bool done = false;
            runStep([&] { left->setDataArray([&] { done = true; }); }, [&] { return done; });
        }
        {
            Measure m(QStringLiteral("%1: left reload, All").arg(QLatin1String(mode)));
            bool done = false;
            runStep([&] { left->reloadData(true, [&] { done = true; }); }, [&] { return done; });
        }
        selectAllButFirst(groups);
        {
            Measure m(QStringLiteral("%1: left switch to Selected (rows built)").arg(QLatin1String(mode)));
            runStep([&] { left->selectAction(); }, [&] { return left->reloadsInFlight() == 0; });
        }
        {
            Measure m(QStringLiteral("%1: left reload, Selected").arg(QLatin1String(mode)));
            bool done = false;
            runStep([&] { left->reloadData(true, [&] { done = true; }); }, [&] { return done; });
        }

        // A group box clicked by the mouse, until the left panel has
        // re-sorted the selected categories.
        {
            QAbstractItemView* rightView = view;
            CellViewDelegate* cells =
                previewMode ? harness.preview->mainCells() : harness.list->cellDelegate();
            view->verticalScrollBar()->setValue(0);
            drain();
            const QModelIndex index = rightView->model()->index(0, 0);
            QWidget* cell = cells->cellForIndex(index);
            RYTCheckBox* box = cell->findChild<RYTCheckBox*>(QStringLiteral("checkBox"));
            const QPoint at = cells->controlRect(index, box).center();
            for (int i = 0; i < 3; ++i) {
                bool done = false;
                harness.onLeftReloaded = [&] { done = true; };
                Measure m(QStringLiteral("%1: group box click, round trip").arg(QLatin1String(mode)));
                runStep([&] { QTest::mouseClick(rightView->viewport(), Qt::LeftButton, {}, at); },
                        [&] { return done; });
            }
            harness.onLeftReloaded = nullptr;
        }
        std::printf("   memory: %s\n", qPrintable(memoryLine()));
    }
}

// ---------------------------------------------------------------------------
// Screenshots over a real scan

QByteArray pdfBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A5));
    QPainter painter(&writer);
    QFont font;
    font.setPointSize(28);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, writer.width(), writer.height() / 3), Qt::AlignCenter, QStringLiteral("Quarterly report"));
    painter.fillRect(QRect(writer.width() / 6, writer.height() / 2, writer.width() * 2 / 3, writer.height() / 8),
                     QColor(47, 128, 237));
    painter.end();
    return bytes;
}

void screenshots(const QString& folder)
{
    QDir().mkpath(folder);
    const QString home = QDir::homePath() + QStringLiteral("/Documents/Twinsweep sample");
    const QString media = QStringLiteral(TWINSWEEP_SOURCE_DIR "/Tests/Src/View/DataDispaly/media/");
    const QByteArray png = pngBytes(640, 420, QColor(47, 128, 237), QColor(39, 174, 96));
    const QByteArray png2 = pngBytes(400, 400, QColor(242, 153, 74), QColor(142, 108, 239));
    const QByteArray text = "Meeting notes\n=============\n\n- Reclaim disk space before the release\n- Check the "
                            "duplicate photos in the shared folder\n- Archive the old recordings\n";
    const QByteArray pdf = pdfBytes();
    QFile mp4(media + QStringLiteral("clip.mp4"));
    mp4.open(QIODevice::ReadOnly);
    const QByteArray video = mp4.readAll();
    QFile mp3(media + QStringLiteral("tone.mp3"));
    mp3.open(QIODevice::ReadOnly);
    const QByteArray audio = mp3.readAll();
    for (const QString& place : {QStringLiteral("Pictures/Holiday"), QStringLiteral("Desktop/Backup"),
                                 QStringLiteral("Downloads")}) {
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/beach.png"), png);
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/sunset.png"), png2);
    }
    for (const QString& place : {QStringLiteral("Documents"), QStringLiteral("Desktop/Backup")}) {
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/notes.txt"), text);
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/report.pdf"), pdf);
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/clip.mp4"), video);
        writeSample(home + QLatin1Char('/') + place + QStringLiteral("/tone.mp3"), audio);
    }
    ScanManager& engine = ScanManager::default_();
    engine.setFolderList({QFile::encodeName(home)});
    engine.scanDuplicateFile();
    drain([&] { return engine.scanFinished() && !engine.scaning(); }, 60000);
    engine.waitUntilIdle(60000);
    std::printf("scan: %d groups\n", int(engine.totalFiles().size()));
    selectAllButFirst(engine.totalFiles());

    for (bool dark : {false, true}) {
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        for (bool previewMode : {false, true}) {
            PanelHarness harness(previewMode);
            harness.resize(1000, 580);
            harness.show();
            (void)QTest::qWaitForWindowExposed(&harness);
            bool done = false;
            harness.left->setDataArray([&] { done = true; });
            drain([&] { return done; });
            auto settle = [] {
                QElapsedTimer clock;
                clock.start();
                drain([&] { return clock.elapsed() > 1500; });
            };
            const QString theme = QLatin1String(dark ? "dark" : "light");
            auto shoot = [&](const QString& state) {
                settle();
                const QString name = QStringLiteral("%1/%2-%3.png").arg(folder, state, theme);
                harness.grab().save(name);
                std::printf("wrote %s\n", qPrintable(name));
            };
            if (previewMode) {
                // Every kind of file the preview shows, the second file of
                // its group chosen.
                const DuplicateFilesList shown = harness.preview->filesArray();
                for (int row = 0; row < shown.size(); ++row) {
                    harness.preview->mainTableView()->selectRow(row);
                    harness.preview->subTableView()->selectRow(1);
                    const QString extension = QFileInfo(shown[row]->infos().first()->name()).suffix();
                    shoot(QStringLiteral("preview-%1-%2").arg(row).arg(extension));
                }
            } else {
                harness.list->rightDataListMainTableCellViewArrowClick(harness.list->filesArray().first(), true);
                harness.list->rightDataListMainTableCellViewArrowClick(harness.list->filesArray().at(2), true);
                shoot(QStringLiteral("list"));
                // The "Selected" view of the left panel.
                harness.left->selectAction();
                drain([&] { return harness.left->reloadsInFlight() == 0; });
                shoot(QStringLiteral("list-selected"));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    TimedApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption groupsOption(QStringLiteral("groups"), QStringLiteral("Synthetic groups."), QStringLiteral("N"),
                                    QStringLiteral("100000"));
    QCommandLineOption walkOption(QStringLiteral("walk"), QStringLiteral("Rows walked in the group table, groups opened in the list."),
                                  QStringLiteral("K"), QStringLiteral("2000"));
    QCommandLineOption shotsOption(QStringLiteral("screenshots"), QStringLiteral("Write screenshots here."),
                                   QStringLiteral("DIR"));
    QCommandLineOption scanShotsOption(QStringLiteral("scan-screenshots"),
                                       QStringLiteral("Write screenshots of the scan screen here."),
                                       QStringLiteral("DIR"));
    QCommandLineOption homeShotsOption(QStringLiteral("home-screenshots"),
                                       QStringLiteral("Write screenshots of the home and its trips to a scan here."),
                                       QStringLiteral("DIR"));
    QCommandLineOption scanScreenOption(QStringLiteral("scan-screen"),
                                        QStringLiteral("Time the scan screen over a scan of this tree."),
                                        QStringLiteral("TREE"));
    QCommandLineOption pagesOption(QStringLiteral("pages"),
                                   QStringLiteral("Pages scrolled in the group lists (all when negative)."),
                                   QStringLiteral("P"), QStringLiteral("-1"));
    QCommandLineOption runsOption(QStringLiteral("runs"),
                                  QStringLiteral("Scans of the tree through the screen, and as many of the engine alone."),
                                  QStringLiteral("R"), QStringLiteral("3"));
    QCommandLineOption liveOption(QStringLiteral("live"),
                                  QStringLiteral("Shoot each state again after a switch of the desktop's appearance and "
                                                 "after the switch back."));
    parser.addOptions({groupsOption, walkOption, pagesOption, shotsOption, scanShotsOption, homeShotsOption, scanScreenOption,
                       runsOption, liveOption});
    parser.process(app);
    LiveAppearance::enabled() = parser.isSet(liveOption);

    // Everything the program would write goes to a temporary home. It lies
    // two levels down: the engines take the home's parent for the folder of
    // every user's home and scan nothing else below it, and a home right in
    // /tmp would keep every tree in /tmp out of the scan.
    QTemporaryDir base;
    const QString home = base.path() + QStringLiteral("/home/bench");
    QDir().mkpath(home);
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toUtf8());
    UserDefaults::resetStandardUserDefaults();
    // No last-file question stops the clicks.
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("CompleteScan"));

    if (parser.isSet(homeShotsOption)) {
        homeTripScreenshots(parser.value(homeShotsOption));
        return 0;
    }
    if (parser.isSet(scanShotsOption)) {
        scanScreenScreenshots(parser.value(scanShotsOption));
        return 0;
    }
    if (parser.isSet(scanScreenOption)) {
        scanScreenBenchmark(parser.value(scanScreenOption), parser.value(groupsOption).toInt(),
                            std::max(1, parser.value(runsOption).toInt()));
        return 0;
    }
    if (parser.isSet(shotsOption)) {
        screenshots(parser.value(shotsOption));
        return 0;
    }
    benchmark(parser.value(groupsOption).toInt(), parser.value(walkOption).toInt(), parser.value(pagesOption).toInt());
    return 0;
}
