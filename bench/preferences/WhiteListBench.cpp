// Frame times of the preferences window's White List page with a long path
// list, in a private home:
//  - opening the page (the tab's click and the first paint),
//  - a click on a row of the path list, the list scrolled to a random place
//    first (not timed),
//  - a deletion: a row chosen (not timed), then the delete button,
// each timed from the press to the end of its repaint, by the clock and by
// the main thread's processor time (which a busy machine does not stretch).
//
//   twinsweep-whitelist-bench [--paths N] [--clicks N] [--deletes N]
//   twinsweep-whitelist-bench --screenshots DIR
//
// --screenshots writes the page in the light and the dark appearance, with a
// short list, a chosen row and a row under the mouse; run it again with
// QT_SCALE_FACTOR=2 for the 2x look. Run under Xvfb or offscreen.
//
// Target: a click or a deletion costs the same with 10 paths or 10,000; with
// 10,000 paths their p99 is at most 16 ms and no frame takes over 50 ms.
// Figures (10,000 paths, 400 clicks, 200 deletions, Xvfb 1920x1080, 8 cores
// shared with other builds; ms, wall clock):
//
//   scale  load average     open   click p50/p99/max   delete p50/p99/max   >50 ms
//   1x     4.47 6.46 7.47   15.7   1.20 / 1.91 / 5.49   1.05 / 9.33 / 10.39   0
//   2x     4.68 6.47 7.46   24.9   1.88 / 3.38 / 6.05   1.04 / 5.68 / 5.75    0
//   1x     3.24 6.58 7.55   15.2   0.99 / 1.84 / 5.22   0.62 / 2.31 / 3.72    0
//
// Opening the page reads the settings file with its 10,000 paths (about 10 ms
// of the figure; 6 ms with 10 paths). Before every row was the same height
// to the list (it asked each row its size on every new list), a deletion's
// p99 was 5.6-6.4 ms and the opening 16-20 ms at the same load.

#include "Foundation/PropertyList.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "../LiveAppearance.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"
#include "View/PreferenceView/WhiteListDetailControllerView.h"
#include "View/PreferenceView/WhiteListPathModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Frames {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Runs `action`, then the queue until its repaint is done.
void timeFrame(Frames& frames, const std::function<void()>& action)
{
    QElapsedTimer clock;
    const double cpu = threadCpuMs();
    clock.start();
    action();
    QApplication::processEvents();
    frames.wall.push_back(double(clock.nsecsElapsed()) / 1e6);
    frames.cpu.push_back(threadCpuMs() - cpu);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

void print(const char* name, const Frames& frames)
{
    const auto over = [](const std::vector<double>& values, double limit) {
        return std::count_if(values.begin(), values.end(), [limit](double v) { return v > limit; });
    };
    std::printf("%-22s %6zu %9.2f %9.2f %9.2f %8ld   %9.2f %9.2f\n", name, frames.wall.size(),
                percentile(frames.wall, 0.5), percentile(frames.wall, 0.99), percentile(frames.wall, 1.0),
                long(over(frames.wall, 50.0)), percentile(frames.cpu, 0.99), percentile(frames.cpu, 1.0));
}

void writeSettings(int count)
{
    QVariantList paths;
    for (int i = 0; i < count; ++i) {
        paths << QStringLiteral("/home/user/Projects/client-%1/build/output-%2").arg(i / 50).arg(i, 5, 10,
                                                                                              QLatin1Char('0'));
    }
    PlistDict dict = PerferenceInfo::defaultDictionary();
    dict.insert(QStringLiteral("whiteListPath"), paths);
    dict.insert(QStringLiteral("LargeFileWhiteListPath"), QVariantList{QStringLiteral("/home/user/Videos")});
    PropertyList::writeFile(PerferenceInfo::settingsPath(), QVariant::fromValue(dict));
}

QPoint rowCentre(WhiteListDetailControllerView* paths, int row)
{
    return paths->listView()->visualRect(paths->model()->index(row, 0)).center();
}

void clickRow(WhiteListDetailControllerView* paths, int row)
{
    QTest::mouseClick(paths->listView()->viewport(), Qt::LeftButton, {}, rowCentre(paths, row));
}

void shoot(QWidget* window, const QString& folder, const QString& name)
{
    const auto save = [&](const QString& tag) {
        QApplication::processEvents();
        window->grab().save(folder + QLatin1Char('/') + name + tag + QStringLiteral(".png"));
    };
    save(QString());
    LiveAppearance::across(RYTDarkMode::isDarkMode(), save);
}

int screenshots(const QString& folder)
{
    QDir().mkpath(folder);
    const QString scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? QStringLiteral("1x")
                                                                          : qEnvironmentVariable("QT_SCALE_FACTOR") +
                                                                                QStringLiteral("x");
    for (int dark = 0; dark <= 1; ++dark) {
        RYTDarkMode::setForcedAppearance(dark);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        writeSettings(14);
        auto* window = new PreferenceWIndowController;
        window->show();
        (void)QTest::qWaitForWindowExposed(window);
        QTest::mouseClick(window->findChild<RYSelectView*>(QStringLiteral("whiteListSelectView")), Qt::LeftButton,
                          {}, QPoint(10, 10));
        WhiteListDetailControllerView* paths = window->preferenceViewController()->whiteListDetailView();
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
        shoot(window, folder, QStringLiteral("whitelist-%1-%2").arg(look, scale));
        clickRow(paths, 3);
        // Another row in each pass: a move to where the pointer already is sends nothing.
        QTest::mouseMove(paths->listView()->viewport(), rowCentre(paths, 6 + dark));
        shoot(window, folder, QStringLiteral("whitelist-chosen-hover-%1-%2").arg(look, scale));
        delete window;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // A private home, so the settings file written here is nobody's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toUtf8());
    QApplication app(argc, argv);

    int count = 10000;
    int clicks = 400;
    int deletes = 200;
    QString shots;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--paths")) {
            count = args[++i].toInt();
        } else if (args[i] == QLatin1String("--clicks")) {
            clicks = args[++i].toInt();
        } else if (args[i] == QLatin1String("--deletes")) {
            deletes = args[++i].toInt();
        } else if (args[i] == QLatin1String("--screenshots")) {
            shots = args[++i];
        }
    }
    LiveAppearance::enabled() = args.contains(QLatin1String("--live"));
    if (!shots.isEmpty()) {
        return screenshots(shots);
    }

    writeSettings(count);
    auto* window = new PreferenceWIndowController;
    window->resize(window->size());
    window->show();
    (void)QTest::qWaitForWindowExposed(window);

    Frames open;
    timeFrame(open, [&] {
        QTest::mouseClick(window->findChild<RYSelectView*>(QStringLiteral("whiteListSelectView")), Qt::LeftButton,
                          {}, QPoint(10, 10));
    });
    WhiteListDetailControllerView* paths = window->preferenceViewController()->whiteListDetailView();
    QListView* list = paths->listView();
    auto* remove = window->findChild<RYTButton*>(QStringLiteral("deleteFileButton"));

    QRandomGenerator random(7);
    Frames click;
    for (int i = 0; i < clicks; ++i) {
        const int row = int(random.bounded(paths->numberOfItems()));
        list->scrollTo(paths->model()->index(row, 0));
        QApplication::processEvents();
        timeFrame(click, [&] { clickRow(paths, row); });
    }
    Frames removal;
    for (int i = 0; i < deletes && paths->numberOfItems() > 0; ++i) {
        const int row = int(random.bounded(paths->numberOfItems()));
        list->scrollTo(paths->model()->index(row, 0));
        QApplication::processEvents();
        clickRow(paths, row);
        QApplication::processEvents();
        timeFrame(removal, [&] { QTest::mouseClick(remove, Qt::LeftButton, {}, QPoint(5, 5)); });
    }

    double load[3] = {0, 0, 0};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) {
            load[0] = load[1] = load[2] = 0;
        }
        std::fclose(f);
    }
    std::printf("White List page, %d paths (load average %.2f %.2f %.2f)\n", count, load[0], load[1], load[2]);
    std::printf("%-22s %6s %9s %9s %9s %8s   %9s %9s\n", "action", "frames", "p50 ms", "p99 ms", "max ms", ">50 ms",
                "p99 cpu", "max cpu");
    print("open the page", open);
    print("click a path", click);
    print("delete a path", removal);
    delete window;
    return 0;
}
