// Times the similar-image screens over a real search of generated JPEGs, and
// takes screenshots of their states. Run it under Xvfb:
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/similar_images [--folder DIR] [--bases N] [--size WxH]
//   xvfb-run -s "-screen 0 1920x1080x24" build/bin/similar_images --screenshots DIR
//
// A frame is one uninterrupted stretch of main-thread work (one event the
// application dispatches); a 5 ms watchdog timer measures the longest time
// the main thread did not get round to it. Both are printed per action.

#include "ImageSet.h"

#include "Foundation/FileManager.h"
#include "Foundation/UserDefaults.h"
#include "GA/QVDASocketServer.h"
#include "Main/AppDelegate.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "../LiveAppearance.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "View/ScanImagesViewController/DupImagePreview.h"
#include "View/ScanImagesViewController/DupImagePreviewView.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageThumbnailLoader.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPalette>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include <ctime>
#include <unistd.h>

namespace {

// The program's start-up sends its standard output to its log: the figures
// go to the terminal through a copy taken before.
FILE* gOut = stdout;

template <typename... Args>
void say(const char* format, Args... args)
{
    std::fprintf(gOut, format, args...);
    std::fflush(gOut);
}

// ---------------------------------------------------------------------------
// Frames and the watchdog

// Processor time of the calling thread, which a busy machine does not stretch.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ == 0) {
            clock_.restart();
            cpuStart_ = threadCpuMs();
        }
        if (event->type() == QEvent::Paint && recording && qEnvironmentVariableIsSet("BENCH_DETAIL")) {
            QElapsedTimer paint;
            paint.start();
            const bool handled = QApplication::notify(receiver, event);
            const double ms = double(paint.nsecsElapsed()) / 1e6;
            --depth_;
            if (ms > 15) {
                const QWidget* widget = qobject_cast<QWidget*>(receiver);
                const QWidget* parent = widget ? widget->parentWidget() : nullptr;
                std::fprintf(gOut, "paint %.1f ms %s in %s\n", ms, receiver->metaObject()->className(),
                             parent ? parent->metaObject()->className() : "-");
            }
            return handled;
        }
        const int type = depth_ == 1 ? int(event->type()) : 0;
        const char* what = depth_ == 1 && receiver ? receiver->metaObject()->className() : nullptr;
        const bool result = QApplication::notify(receiver, event);
        if (--depth_ == 0 && recording) {
            const double ms = double(clock_.nsecsElapsed()) / 1e6;
            frames.push_back(ms);
            cpuFrames.push_back(threadCpuMs() - cpuStart_);
            if (ms > worst) {
                worst = ms;
                worstWhat = QStringLiteral("%1 event %2").arg(QString::fromLatin1(what ? what : "?")).arg(type);
            }
        }
        return result;
    }

    bool recording = false;
    std::vector<double> frames;
    std::vector<double> cpuFrames;
    double worst = 0;
    QString worstWhat;

    // Work called directly (not through an event) counts as a frame too.
    void frame(const std::function<void()>& work)
    {
        QElapsedTimer clock;
        clock.start();
        const double cpu = threadCpuMs();
        work();
        if (recording) {
            frames.push_back(double(clock.nsecsElapsed()) / 1e6);
            cpuFrames.push_back(threadCpuMs() - cpu);
        }
    }

private:
    int depth_ = 0;
    QElapsedTimer clock_;
    double cpuStart_ = 0;
};

TimedApplication* application()
{
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

// Ticks every 5 ms; the longest gap past 5 ms is the longest stall.
class Watchdog {
public:
    Watchdog()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double gap = double(clock_.nsecsElapsed()) / 1e6;
            clock_.restart();
            worst_ = std::max(worst_, gap - 5.0);
        });
    }
    void start()
    {
        worst_ = 0;
        clock_.start();
        timer_.start();
    }
    double stop()
    {
        timer_.stop();
        // The stretch since the last tick counts too.
        worst_ = std::max(worst_, double(clock_.nsecsElapsed()) / 1e6 - 5.0);
        return std::max(0.0, worst_);
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double worst_ = 0;
};

Watchdog* gWatchdog = nullptr;

void spin(int ms = 0)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

// Runs `action`, records its frames and the watchdog, prints one line.
void measure(const char* name, const std::function<void()>& action)
{
    TimedApplication* app = application();
    app->frames.clear();
    app->cpuFrames.clear();
    app->worst = 0;
    app->worstWhat.clear();
    app->recording = true;
    gWatchdog->start();
    QElapsedTimer wall;
    wall.start();
    action();
    const double ms = double(wall.nsecsElapsed()) / 1e6;
    const double stall = gWatchdog->stop();
    app->recording = false;
    auto sorted = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values;
    };
    const std::vector<double> frames = sorted(app->frames);
    const std::vector<double> cpu = sorted(app->cpuFrames);
    auto p99Of = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(double(v.size()) * 0.99))];
    };
    const double longest = frames.empty() ? 0 : frames.back();
    const double longestCpu = cpu.empty() ? 0 : cpu.back();
    say("  %-42s %8.1f ms  frames %5zu  longest %6.1f ms (cpu %5.1f)  p99 %5.1f ms (cpu %5.1f)  stall %6.1f ms%s\n",
        name, ms, frames.size(), longest, longestCpu, p99Of(frames), p99Of(cpu), stall,
        stall > 50 || longest > 50 ? "  OVER 50 ms" : "");
    if (qEnvironmentVariableIsSet("BENCH_DETAIL") && app->worst > 20) {
        say("    longest event: %s\n", qPrintable(app->worstWhat));
    }
    }

// ---------------------------------------------------------------------------
// The images

// `bases` unrelated images with three altered copies each, and one base
// with `bigCopies` copies; kept in `folder` for the next run.
void makeImages(const QString& folder, int bases, int bigCopies, cv::Size size)
{
    const QString done = folder + QStringLiteral("/.complete");
    if (QFile::exists(done)) {
        return;
    }
    QDir().mkpath(folder + QStringLiteral("/big"));
    std::atomic<int> next{0};
    auto work = [&] {
        for (int b = next++; b < bases; b = next++) {
            const QString sub = folder + QStringLiteral("/s%1").arg(b / 500);
            QDir().mkpath(sub);
            const auto kind = imageset::Kind(b % 5);
            const cv::Mat base = imageset::makeBase(kind, unsigned(1000 + b * 13), size);
            const std::string stem = (sub + QStringLiteral("/b%1").arg(b)).toStdString();
            imageset::write(stem + ".jpg", base, 90);
            imageset::write(stem + "_half.jpg", imageset::resized(base, 0.5), 80);
            imageset::write(stem + "_q40.jpg", base, 40);
            imageset::write(stem + "_bright.jpg", imageset::brightened(base, 1.1), 85);
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back(work);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    const cv::Mat big = imageset::makeBase(imageset::Kind::photo, 7, size);
    imageset::write((folder + QStringLiteral("/big/base.jpg")).toStdString(), big, 90);
    for (int c = 0; c < bigCopies; ++c) {
        const cv::Mat copy = c % 2 ? imageset::brightened(big, 1.0 + 0.0001 * c) : imageset::resized(big, 0.6 + 0.0003 * c);
        imageset::write((folder + QStringLiteral("/big/copy%1.jpg").arg(c)).toStdString(), copy, 60 + c % 35);
    }
    QFile marker(done);
    marker.open(QIODevice::WriteOnly);
}

// ---------------------------------------------------------------------------
// The screen in the program's own window

struct Program {
    std::unique_ptr<MainMenu> nib;

    Program(QSize size)
    {
        nib = std::make_unique<MainMenu>();
        nib->appDelegate()->applicationWillFinishLaunching();
        nib->appDelegate()->applicationDidFinishLaunching();
        nib->window()->show();
        waitUntil([] { return AppDelegate::startUpBlockDone(); }, 10000);
        nib->window()->resize(size);
        spin(200);
    }
    ~Program()
    {
        if (SheetWindowController::globalSheetController()) {
            SheetWindowController::endSheet();
        }
        ScanImagesManager::shared().stop();
        ScanImagesManager::shared().waitUntilSearchEnds(10000);
        nib.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        spin(50);
    }
    MainViewController* root() const { return nib->mainWindow()->mainViewController(); }
    ScanImagesViewController* screen() const { return root()->scanImagesViewController(); }
    QWidget* window() const { return nib->window(); }

    void start(const QString& folder) { root()->displayScanImagesViewCtr({QFile::encodeName(folder)}); }
    bool waitForEnd(int timeoutMs = 600000)
    {
        return waitUntil([this] { return screen() && !screen()->isScanning(); }, timeoutMs);
    }
};

bool answerSheet(const QString& title)
{
    if (!waitUntil([] {
            SheetWindowController* sheet = SheetWindowController::globalSheetController();
            return sheet && sheet->isShowing();
        })) {
        return false;
    }
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button && button->isVisible() && button->title() == title) {
            QTest::mouseClick(button, Qt::LeftButton);
            QPointer<SheetWindowController> watched(sheet);
            return waitUntil([watched] { return !watched || !ModalOverlay::overlayFor(watched.data()); });
        }
    }
    return false;
}

void scrollToEnd(QAbstractScrollArea* area)
{
    QScrollBar* bar = area->verticalScrollBar();
    bar->setValue(0);
    spin();
    while (bar->value() < bar->maximum()) {
        application()->frame([bar] { bar->setValue(bar->value() + bar->pageStep()); });
        // Let the paint of this page happen before the next.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
}

int rowOfLargestGroup(ImagesScanResultViewController* result)
{
    const ScanImagesGroupList groups = result->displayImageArray();
    int best = 0;
    for (int i = 1; i < groups.size(); ++i) {
        if (groups.at(i)->dupImageItems().size() > groups.at(best)->dupImageItems().size()) {
            best = i;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------
// Timings

void benchmark(const QString& folder, QSize size)
{
    say("\nWindow %d x %d\n", size.width(), size.height());
    Program program(size);
    say("  window is %d x %d\n", program.window()->width(), program.window()->height());
    ImageThumbnailLoader& loader = ImageThumbnailLoader::shared();
    loader.clear();

    QElapsedTimer scanClock;
    scanClock.start();
    measure("scan with the live grid", [&] {
        program.start(folder);
        if (!program.waitForEnd()) {
            say("  the search did not end\n");
        }
    });
    ScanImagesViewController* screen = program.screen();
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    qint64 images = 0;
    for (const auto& group : screen->dupImagesArray()) {
        images += group->dupImageItems().size();
    }
    say("  search: %.1f s, %lld groups, %lld images; resident %ld MB\n", double(scanClock.elapsed()) / 1000,
                qlonglong(screen->dupImagesArray().size()), qlonglong(images), residentKilobytes() / 1024);
    measure("result view shown (next paints)", [&] { spin(300); });

    measure("group list scrolled end to end", [&] { scrollToEnd(result->listView()); });
    measure("group list scrolled back", [&] {
        QScrollBar* bar = result->listView()->verticalScrollBar();
        while (bar->value() > 0) {
            application()->frame([bar] { bar->setValue(bar->value() - bar->pageStep()); });
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
    });

    const int bigRow = rowOfLargestGroup(result);
    measure("1,000-image group chosen", [&] {
        application()->frame([&] { result->didClickItemAt(bigRow); });
        spin(100);
    });
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    for (const int step : {0, 3, 6}) {
        const qint64 decodedBefore = loader.decodedCount();
        QElapsedTimer decodeClock;
        decodeClock.start();
        const QByteArray name = QByteArray("grid size ") + QByteArray::number(step) + " scrolled end to end";
        measure(name.constData(), [&] {
            application()->frame([&] { result->slider()->setValue(step); });
            spin(50);
            scrollToEnd(grid->collectionView());
        });
        loader.waitForIdle(60000);
        const qint64 decoded = loader.decodedCount() - decodedBefore;
        say("    thumbnails decoded %lld (%.0f a second), dropped so far %lld, cache %.1f MB, resident %ld MB\n",
                    qlonglong(decoded), decoded * 1000.0 / std::max<qint64>(1, decodeClock.elapsed()),
                    qlonglong(loader.droppedCount()), double(loader.cacheBytes()) / 1e6, residentKilobytes() / 1024);
    }
    measure("select all", [&] {
        application()->frame([&] { result->autoSelectAll()->click(); });
        spin(50);
    });
    say("    selected %lld of %lld\n", qlonglong(screen->selectImagesNum()), qlonglong(screen->totalImageNum()));
    measure("\"Selected\" tab with everything selected", [&] {
        application()->frame([&] { result->clickSelectedTab(); });
        spin(50);
    });
    measure("\"All\" tab again", [&] {
        application()->frame([&] { result->clickAllTab(); });
        spin(50);
    });
    measure("clear all", [&] {
        application()->frame([&] { result->autoSelectAll()->click(); });
        spin(50);
    });

    // The grid scrolled to its end at size 2 while its thumbnails, dropped
    // from the cache, land one after another: run once bare, as the measure
    // of what the same repaints cost with the preview open over them.
    auto gridWithThumbnailsLoading = [&] {
        application()->frame([&] {
            loader.clear();
            result->slider()->setValue(2);
        });
        spin(50);
        scrollToEnd(grid->collectionView());
        waitUntil([&] { return loader.pendingCount() == 0; });
        spin(100);
    };
    measure("grid alone, thumbnails loading", gridWithThumbnailsLoading);
    application()->frame([&] { result->slider()->setValue(0); });
    spin(50);

    // A 12-megapixel photograph previewed over the window.
    QTemporaryDir scratch;
    const QString large = scratch.path() + QStringLiteral("/large.jpg");
    imageset::write(large.toStdString(), imageset::makeBase(imageset::Kind::photo, 99, {4000, 3000}), 90);
    auto item = std::make_shared<ScanImagesItem>();
    item->setImagePath(large);
    item->setRawPath(QFile::encodeName(large));
    item->setImageName(QStringLiteral("large.jpg"));
    DupImagePreview preview(grid);
    QElapsedTimer previewClock;
    measure("12-megapixel preview shown", [&] {
        previewClock.start();
        application()->frame([&] { preview.previewImage(item); });
        waitUntil([&] { return preview.previewView() && preview.previewView()->isVisible(); });
        spin();
    });
    say("    preview on screen after %lld ms\n", qlonglong(previewClock.elapsed()));
    // The same with the preview open: every repaint beneath runs under it.
    measure("grid under the open preview, thumbnails loading", gridWithThumbnailsLoading);
    preview.closePreviewWindow();
    say("  resident at the end %ld MB, thumbnail cache %.1f MB\n", residentKilobytes() / 1024,
                double(loader.cacheBytes()) / 1e6);
}

// ---------------------------------------------------------------------------
// Screenshots

using Shot = std::function<void(QWidget*, const QString&)>;

// Each stop of the Tab chain holding the focus, from the "All" tab round to
// "Remove"; the pop-up's menu opened and moved by keys; the switch, the
// images' list and the "Selected" tab in focus.
void focusShots(QWidget* window, ScanImagesViewController* screen, ImagesScanResultViewController* result,
                const Shot& shot)
{
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) {
        say("  the window did not become active: the focus shots show no focus\n");
    }
    // The pointer off the images, where it shows no tip.
    QCursor::setPos(window->mapToGlobal(QPoint(window->width() - 2, 2)));
    result->scanImagesViewCtr()->pointerLeft();
    const auto key = [window](Qt::Key which) {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : window, which);
    };
    result->allSelectView()->setFocus(Qt::TabFocusReason);
    for (int stop = 0; stop < 11; ++stop) {
        QWidget* focused = QApplication::focusWidget();
        const QString name = focused ? focused->objectName() : QStringLiteral("none");
        shot(window, QStringLiteral("17-focus-%1-%2").arg(stop, 2, 10, QLatin1Char('0')).arg(name));
        key(Qt::Key_Tab);
    }
    screen->popUpButton()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    key(Qt::Key_Down);
    shot(window, QStringLiteral("18-focus-popup-menu"));
    key(Qt::Key_Escape);
    result->collectionSelectView()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    shot(window, QStringLiteral("19-focus-list-switch"));
    key(Qt::Key_Tab);
    key(Qt::Key_Down);
    shot(window, QStringLiteral("19-focus-list-image"));
    result->listSelectView()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Space);
    result->allSelectView()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Right);
    shot(window, QStringLiteral("20-focus-selected-tab"));
    key(Qt::Key_Left);
    if (QWidget* focused = QApplication::focusWidget()) {
        focused->clearFocus();
    }
}

void screenshots(const QString& out, const QString& images)
{
    QDir().mkpath(out);
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
    const QString suffix = scale > 1.5 ? QStringLiteral("@2x") : QString();
    QTemporaryDir scratch;
    const QString empty = scratch.path() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    QFile note(empty + QStringLiteral("/note.txt"));
    note.open(QIODevice::WriteOnly);
    note.write("not an image\n");
    note.close();

    for (const bool dark : {false, true}) {
        // The desktop's dark palette with it, as a user in the dark
        // appearance has: the window's bars and title follow the palette.
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        const QString mode = dark ? QStringLiteral("dark") : QStringLiteral("light");
        auto shot = [&](QWidget* window, const QString& name) {
            const auto save = [&](const QString& tag) {
                spin(250);
                const QString file = QStringLiteral("%1/%2-%3%4%5.png").arg(out, name, mode, tag, suffix);
                window->grab().save(file);
                say("  %s\n", qPrintable(file));
            };
            save(QString());
            LiveAppearance::across(dark, save);
        };
        // A copy of the images per appearance: the removals take some.
        const QString folder = scratch.path() + QStringLiteral("/images-") + mode;
        QDir().mkpath(folder);
        for (const QString& name : QDir(images).entryList(QDir::Files)) {
            QFile::copy(images + QLatin1Char('/') + name, folder + QLatin1Char('/') + name);
        }
        {
            Program program(QSize(1000, 580));
            program.start(empty);
            program.waitForEnd();
            shot(program.window(), QStringLiteral("01-empty-found-nothing"));
        }
        {
            // A Trash folder chosen: named as not searched.
            const QString trash = QDir::homePath() + QStringLiteral("/.local/share/Trash/files");
            QDir().mkpath(trash);
            Program program(QSize(1000, 580));
            program.start(trash);
            program.waitForEnd();
            shot(program.window(), QStringLiteral("01-empty-trash-not-searched"));
        }
        {
            Program program(QSize(1000, 580));
            program.start(folder);
            program.waitForEnd();
            ScanImagesViewController* screen = program.screen();
            ScanImagesManager& engine = ScanImagesManager::shared();
            const ScanImagesGroupList groups = engine.dupImages();
            // The scanning view, shown again by hand: first the animation,
            // then the live grid.
            {
                auto* fresh = new ScanImagesViewController;
                program.root()->mainViewBox()->setContentView(fresh);
                fresh->scanImageManagerDidStart(&engine);
                fresh->scanImagesManagerProgressDidChanged(&engine, 0.18, 400, folder + QStringLiteral("/g3_copy1.jpg"));
                shot(program.window(), QStringLiteral("02-scanning-animation"));
                fresh->scanImagesManagerScanData(&engine, groups);
                // A name that reads as markup is shown as it is.
                fresh->scanImagesManagerProgressDidChanged(&engine, 0.64, 400,
                                                           folder + QStringLiteral("/<b>g5</b>_base.jpg"));
                shot(program.window(), QStringLiteral("03-scanning-live-grid"));
                program.root()->mainViewBox()->setContentView(screen);
                delete fresh;
            }
            engine.setScanState(2);
            ImagesScanResultViewController* result = screen->imageResultViewCtr();
            shot(program.window(), QStringLiteral("04-result-grid-size4"));
            // Some picked: two in the first group, the whole second group;
            // the pointer on the first image's magnifier.
            ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
            grid->selectIndex(1, RYTCheckBox::stateOn);
            grid->selectIndex(2, RYTCheckBox::stateOn);
            result->selectIndex(1, RYTCheckBox::stateOn);
            shot(program.window(), QStringLiteral("06-result-picked"));
            focusShots(program.window(), screen, result, shot);
            for (const int step : {0, 3, 6}) {
                result->slider()->setValue(step);
                spin(50);
                ImageGridView* cells = grid->collectionView();
                const QRect first = cells->visualRect(cells->model()->index(0, 0));
                grid->pointerMoved(first.center());
                shot(program.window(), QStringLiteral("05-result-grid-size%1-picked").arg(step));
                grid->pointerMoved(QPoint(-1, -1));
            }
            result->slider()->setValue(3);
            // The tip over a thumbnail.
            ImageGridView* view = grid->collectionView();
            const QRect cell = view->visualRect(view->model()->index(0, 0));
            QCursor::setPos(view->viewport()->mapToGlobal(cell.center()));
            grid->pointerMoved(cell.center());
            shot(program.window(), QStringLiteral("07-result-tip"));
            grid->pointerLeft();
            result->clickListMode();
            shot(program.window(), QStringLiteral("08-result-list"));
            result->clickSelectedTab();
            shot(program.window(), QStringLiteral("09-result-selected-tab"));
            result->clickAllTab();
            // "Selected" with nothing picked: its empty state under the tabs.
            std::vector<std::vector<bool>> kept;
            for (const auto& group : result->dupImagesArray()) {
                std::vector<bool> flags;
                for (const auto& image : group->dupImageItems()) {
                    flags.push_back(image->isSelect());
                    image->setIsSelect(false);
                }
                kept.push_back(flags);
            }
            result->changeAutoSelectBoxState();
            result->clickSelectedTab();
            shot(program.window(), QStringLiteral("09-result-selected-empty"));
            result->clickAllTab();
            for (size_t g = 0; g < kept.size(); ++g) {
                const auto& items = result->dupImagesArray().at(qsizetype(g))->dupImageItems();
                for (size_t i = 0; i < kept[g].size(); ++i) {
                    items.at(qsizetype(i))->setIsSelect(kept[g][i]);
                }
            }
            result->changeAutoSelectBoxState();
            // The group list right to left.
            program.window()->setLayoutDirection(Qt::RightToLeft);
            shot(program.window(), QStringLiteral("09-result-right-to-left"));
            program.window()->setLayoutDirection(Qt::LeftToRight);
            result->clickCollectionMode();
            // The previews.
            const ScanImagesItemPtr first = groups.first()->dupImageItems().first();
            DupImagePreview preview(grid);
            preview.previewImage(first);
            waitUntil([&] { return preview.previewView() && preview.previewView()->isVisible(); }, 10000);
            shot(program.window(), QStringLiteral("10-preview"));
            preview.closePreviewWindow();
            auto notImage = std::make_shared<ScanImagesItem>();
            notImage->setImageName(QStringLiteral("note.txt"));
            notImage->setImagePath(empty + QStringLiteral("/note.txt"));
            notImage->setRawPath(QFile::encodeName(empty + QStringLiteral("/note.txt")));
            preview.previewImage(notImage);
            waitUntil([&] { return preview.unPreviewView() && preview.unPreviewView()->isVisible(); }, 10000);
            shot(program.window(), QStringLiteral("11-cannot-preview"));
            preview.closePreviewWindow();
            spin(100);
            // The removal: the question, the progress view, the finish sheet
            // and the groups left.
            screen->stopBtnAction();
            waitUntil([] {
                SheetWindowController* sheet = SheetWindowController::globalSheetController();
                return sheet && sheet->isShowing();
            });
            shot(program.window(), QStringLiteral("12-remove-question"));
            // Two of the picked images cannot go, so the groups left show
            // their failure marks.
            const ScanImagesGroupList shown = result->displayImageArray();
            const QSet<QByteArray> refused = {shown.at(0)->dupImageItems().at(1)->rawPath(),
                                              shown.at(1)->dupImageItems().at(0)->rawPath()};
            FileManagerFaults faults;
            faults.fail = [refused](FileStep step, const QByteArray& path) {
                return (step == FileStep::rename || step == FileStep::remove) && refused.contains(path) ? EACCES : 0;
            };
            FileManager::setFaults(faults);
            answerSheet(QStringLiteral("Yes"));
            waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); });
            shot(program.window(), QStringLiteral("14-finish-sheet"));
            screen->finishWindowController()->completeAciton();
            waitUntil([&] { return screen->scanState() == 8; });
            FileManager::clearFaults();
            shot(program.window(), QStringLiteral("15-groups-left-deleted"));
            ImagesScanResultViewController* left = screen->imageResultViewCtr();
            left->clickListMode();
            shot(program.window(), QStringLiteral("16-groups-left-list"));
            left->clickCollectionMode();
            // The removal view in progress, fed by hand.
            screen->removeManagerDidStart(&engine);
            screen->removeManagerProgressDidChange(&engine, 0.42);
            shot(program.window(), QStringLiteral("13-removing"));
            engine.setRemoveDelegate(nullptr);
        }
    }
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void makeScreenshotImages(const QString& folder)
{
    QDir().mkpath(folder);
    for (int g = 0; g < 8; ++g) {
        const cv::Mat base = imageset::makeBase(imageset::Kind(g % 5), unsigned(31 + g * 7), {640, 480});
        const std::string stem = (folder + QStringLiteral("/g%1").arg(g)).toStdString();
        imageset::write(stem + "_base.jpg", base, 92);
        for (int c = 0; c < 2 + g % 3; ++c) {
            const cv::Mat copy = c % 2 == 0 ? imageset::resized(base, 0.8 - 0.1 * c) : imageset::brightened(base, 1.05);
            imageset::write(stem + "_copy" + std::to_string(c) + ".jpg", copy, 80 - c);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (FILE* copy = fdopen(dup(STDOUT_FILENO), "w")) {
        gOut = copy;
    }
    TimedApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption folderOption(QStringLiteral("folder"), QStringLiteral("Where the images are made and kept."),
                                    QStringLiteral("DIR"), QStringLiteral("bench/out/similar_images"));
    QCommandLineOption basesOption(QStringLiteral("bases"), QStringLiteral("Unrelated images, three copies each."),
                                   QStringLiteral("N"), QStringLiteral("5000"));
    QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Window size; both sizes when not given."),
                                  QStringLiteral("WxH"));
    QCommandLineOption shotsOption(QStringLiteral("screenshots"), QStringLiteral("Write screenshots here."),
                                   QStringLiteral("DIR"));
    QCommandLineOption liveOption(QStringLiteral("live"),
                                  QStringLiteral("Shoot each state again after a switch of the desktop's appearance and "
                                                 "after the switch back."));
    parser.addOptions({folderOption, basesOption, sizeOption, shotsOption, liveOption});
    parser.process(app);
    LiveAppearance::enabled() = parser.isSet(liveOption);

    // Everything the program would write goes to a temporary home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toUtf8());
    UserDefaults::resetStandardUserDefaults();
    QVDASocketServer::defaultManager().setSpawnHelper(false);
    Watchdog watchdog;
    gWatchdog = &watchdog;

    if (parser.isSet(shotsOption)) {
        const QString images = home.path() + QStringLiteral("/shots-images");
        makeScreenshotImages(images);
        screenshots(parser.value(shotsOption), images);
        return 0;
    }
    const QString folder = QDir(parser.value(folderOption)).absolutePath();
    const int bases = parser.value(basesOption).toInt();
    QElapsedTimer made;
    made.start();
    makeImages(folder, bases, 999, {320, 240});
    say("Images in %s (%d bases with three copies, one with 999), ready after %.1f s\n", qPrintable(folder),
                bases, double(made.elapsed()) / 1000);
    QList<QSize> sizes = {QSize(1000, 580), QSize(1920, 1080)};
    if (parser.isSet(sizeOption)) {
        const QStringList parts = parser.value(sizeOption).split(QLatin1Char('x'));
        sizes = {QSize(parts.value(0).toInt(), parts.value(1).toInt())};
    }
    for (const QSize& size : sizes) {
        benchmark(folder, size);
    }
    return 0;
}
