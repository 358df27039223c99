// Times the duplicate result panels with many groups, action by action, and
// takes screenshots of them over a real scan. Run it under Xvfb:
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/result_panels [--groups N] [--walk K]
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/result_panels --screenshots DIR
//
// A "frame" is one uninterrupted stretch of main-thread work: one event the
// application dispatches (a timer, a posted call, a paint). For every action
// the program prints the wall time, the longest frame and the 99th
// percentile of the frames. Beside the wall-clock frames it prints the
// longest frame in the main thread's own processor time, which leaves out
// the time the system gave other programs: on a busy machine the two differ.

#include "PanelHarness.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
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
#include <ctime>

namespace {

// ---------------------------------------------------------------------------
// Frames

class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ == 0) {
            clock_.restart();
            cpuStart_ = threadCpuMs();
        }
        const bool result = QApplication::notify(receiver, event);
        if (--depth_ == 0 && recording) {
            frames.push_back(double(clock_.nsecsElapsed()) / 1e6);
            cpuFrames.push_back(threadCpuMs() - cpuStart_);
        }
        return result;
    }

    static double threadCpuMs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    }

    bool recording = false;
    std::vector<double> frames;
    std::vector<double> cpuFrames;

private:
    double cpuStart_ = 0;
    int depth_ = 0;
    QElapsedTimer clock_;
};

TimedApplication* application()
{
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

// Runs the queue until nothing is left for a few turns.
void drain(const std::function<bool()>& until = nullptr, int timeoutMs = 600000)
{
    QElapsedTimer clock;
    clock.start();
    while (until && !until() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// Posts `step` as an event of its own and runs the queue after it.
void runStep(const std::function<void()>& step, const std::function<bool()>& until = nullptr)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        step();
        ran = true;
    });
    drain([&] { return ran && (!until || until()); });
}

struct Measure {
    QString name;
    QElapsedTimer wall;
    explicit Measure(QString title)
        : name(std::move(title))
    {
        application()->frames.clear();
        application()->cpuFrames.clear();
        application()->recording = true;
        wall.start();
    }
    ~Measure()
    {
        const double total = double(wall.nsecsElapsed()) / 1e6;
        application()->recording = false;
        std::vector<double> frames = application()->frames;
        std::sort(frames.begin(), frames.end());
        const double longest = frames.empty() ? 0 : frames.back();
        const double p99 = frames.empty() ? 0 : frames[size_t(std::ceil(0.99 * double(frames.size()))) - 1];
        const std::vector<double>& cpu = application()->cpuFrames;
        const double longestCpu = cpu.empty() ? 0 : *std::max_element(cpu.begin(), cpu.end());
        std::printf("%-52s wall %9.1f ms  longest %7.1f ms  p99 %6.1f ms  frames %7zu  longest cpu %6.1f ms%s\n",
                    qPrintable(name), total, longest, p99, frames.size(), longestCpu,
                    longest > 50.0 ? "  (over 50 ms)" : "");
        std::fflush(stdout);
    }
};

QString memoryLine()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString rss, peak;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            rss = QString::fromLatin1(line.mid(6)).simplified();
        } else if (line.startsWith("VmHWM:")) {
            peak = QString::fromLatin1(line.mid(6)).simplified();
        }
    }
    return QStringLiteral("resident %1, peak %2").arg(rss, peak);
}

// ---------------------------------------------------------------------------
// Synthetic results

struct Kind {
    const char* extension;
    FileType type;
};
const Kind kKinds[] = {{"mp4", FileType::video},    {"mp3", FileType::audio}, {"jpg", FileType::picture},
                       {"pdf", FileType::document}, {"zip", FileType::other}, {"docx", FileType::document}};

DuplicateFilesList makeGroups(int count)
{
    DuplicateFilesList groups;
    groups.reserve(count);
    for (int g = 0; g < count; ++g) {
        const Kind& kind = kKinds[g % 6];
        const int files = 2 + g % 3;
        const uint64_t size = 1000 + uint64_t((g * 7919) % 900000) * 97;
        QList<FileInfoPtr> infos;
        for (int f = 0; f < files; ++f) {
            const QByteArray path = QStringLiteral("/bench/volume%1/folder%2/copy%3/file%4.%5")
                                        .arg(f)
                                        .arg(g % 977)
                                        .arg(f)
                                        .arg(g)
                                        .arg(QLatin1String(kind.extension))
                                        .toUtf8();
            auto info = std::make_shared<FileInfo>(ResourceValueURL(path, ResourceValues()));
            info->setSize(size);
            info->setFileType(kind.type);
            infos.append(info);
        }
        auto group = std::make_shared<DuplicateFiles>();
        group->setInfos(infos);
        group->setTotalSize(size * uint64_t(files));
        groups.append(group);
    }
    return groups;
}

void putIntoEngine(const DuplicateFilesList& groups)
{
    ScanManager::default_().updateResults([&groups](ScanManager::Results& results) {
        results = ScanManager::Results();
        for (const DuplicateFilesPtr& group : groups) {
            results.totalFiles.append(group);
            results.totalFilesCount += group->fileCount();
            results.totalFilesSize += group->totalSize();
            DuplicateFilesList* list = nullptr;
            int* count = nullptr;
            uint64_t* size = nullptr;
            switch (group->fileType()) {
            case FileType::video: list = &results.videoFiles, count = &results.videoFilesCount, size = &results.videoFilesSize; break;
            case FileType::audio: list = &results.audioFiles, count = &results.audioFilesCount, size = &results.audioFilesSize; break;
            case FileType::picture: list = &results.pictureFiles, count = &results.pictureFilesCount, size = &results.pictureFilesSize; break;
            case FileType::document: list = &results.documentFiles, count = &results.documentFilesCount, size = &results.documentFilesSize; break;
            case FileType::other: list = &results.otherFiles, count = &results.otherFilesCount, size = &results.otherFilesSize; break;
            }
            list->append(group);
            *count += group->fileCount();
            *size += group->totalSize();
        }
    });
}

// The automatic selection: every file but the first of every group.
void selectAllButFirst(const DuplicateFilesList& groups)
{
    for (const DuplicateFilesPtr& group : groups) {
        const QList<FileInfoPtr>& files = group->infos();
        for (qsizetype i = 0; i < files.size(); ++i) {
            files[i]->setSelected(i > 0);
        }
        group->setSelectState(files.size() > 1 ? ControlState::mixed : ControlState::off);
    }
}

// ---------------------------------------------------------------------------

void benchmark(int groupCount, int walk)
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
            while (bar->value() < bar->maximum()) {
                runStep([bar] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); });
            }
        }
        view->verticalScrollBar()->setValue(0);
        drain();

        if (!previewMode) {
            RightDataListOutlineModel* outline = harness.list->outlineModel();
            // A user opens one group a click: every arrow click is a frame
            // of its own, at the top of the list where most rows follow.
            const int clicks = std::min<int>(2000, int(groups.size()));
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

void writeSample(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
}

QByteArray pngBytes(int w, int h, const QColor& a, const QColor& b)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(w / 3, h / 3), w / 8, w / 8);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

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
            if (previewMode) {
                harness.preview->mainTableView()->selectRow(1);
                harness.preview->subTableView()->selectRow(1);
            } else {
                harness.list->rightDataListMainTableCellViewArrowClick(harness.list->filesArray().first(), true);
                harness.list->rightDataListMainTableCellViewArrowClick(harness.list->filesArray().at(2), true);
            }
            QElapsedTimer settle;
            settle.start();
            drain([&] { return settle.elapsed() > 1500; });
            const QString name = QStringLiteral("%1/%2-%3.png")
                                     .arg(folder, QLatin1String(previewMode ? "preview" : "list"),
                                          QLatin1String(dark ? "dark" : "light"));
            harness.grab().save(name);
            std::printf("wrote %s\n", qPrintable(name));
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
    QCommandLineOption walkOption(QStringLiteral("walk"), QStringLiteral("Rows walked in the group table."),
                                  QStringLiteral("K"), QStringLiteral("2000"));
    QCommandLineOption shotsOption(QStringLiteral("screenshots"), QStringLiteral("Write screenshots here."),
                                   QStringLiteral("DIR"));
    parser.addOptions({groupsOption, walkOption, shotsOption});
    parser.process(app);

    // Everything the program would write goes to a temporary home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toUtf8());
    UserDefaults::resetStandardUserDefaults();
    // No last-file question stops the clicks.
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("CompleteScan"));

    if (parser.isSet(shotsOption)) {
        screenshots(parser.value(shotsOption));
        return 0;
    }
    benchmark(parser.value(groupsOption).toInt(), parser.value(walkOption).toInt());
    return 0;
}
