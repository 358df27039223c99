// Figures of the interface kit:
//  - the render time per frame of every animation in the resource folder, at
//    the size it is shown (1×) and at twice that (2×), through the renderer
//    the animation view uses, images included;
//  - the loading overlay's picture of a 1000 × 580 view and its filters
//    (saturation, blur), at the scale the program runs with.
//
//   twinsweep-kit-bench [--scale 2] [--rounds N]
//   twinsweep-kit-bench --screenshots DIR [--scale 2]
//
// --scale sets QT_SCALE_FACTOR for the overlay figures (the animations are
// measured at 1× and 2× either way) and for the screenshots. --screenshots
// writes every sheet, the finish and About windows and the two pop-up menus,
// light and dark, in a private home, and measures nothing.

#include "KitScreenshots.h"
#include "../LiveAppearance.h"

#include "Foundation/Bundle.h"
#include "Lottie/Animation.h"
#include "View/ImageProvider.h"
#include "View/LoadingView/LoadingBackdrop.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Where the program shows each animation; others at their own size.
QSize shownSize(const QString& name, const QSize& own)
{
    if (name == QLatin1String("Wastebasket")) {
        return QSize(120, 120);  // finish window
    }
    if (name == QLatin1String("Loading")) {
        return QSize(80, 80);  // loading overlay
    }
    return own;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void benchAnimations(int rounds)
{
    const QString root = Bundle::main().pathForResource(QStringLiteral("LottieAnimation"));
    std::printf("Animation render time per frame (median over %d passes of every frame)\n", rounds);
    std::printf("%-14s %10s %7s %7s %12s %12s\n", "animation", "shown", "frames", "fps", "1x ms/frame", "2x ms/frame");
    const QStringList names = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const auto animation = Lottie::Animation::filepath(root + QLatin1Char('/') + name + QStringLiteral("/data.json"));
        if (!animation) {
            std::printf("%-14s (does not load)\n", qPrintable(name));
            continue;
        }
        ImageProvider provider(root + QLatin1Char('/') + name + QStringLiteral("/images"));
        const auto renderer = animation->makeRenderer(&provider);
        if (!renderer) {
            continue;
        }
        const QSize shown = shownSize(name, animation->size());
        double perFrame[2] = {0, 0};
        for (int scale = 1; scale <= 2; ++scale) {
            QImage image(shown * scale, QImage::Format_ARGB32_Premultiplied);
            const size_t frames = renderer->totalFrame();
            for (size_t f = 0; f < frames; ++f) {
                renderer->renderInto(f, image);  // warm up
            }
            std::vector<double> passes;
            for (int r = 0; r < rounds; ++r) {
                QElapsedTimer clock;
                clock.start();
                for (size_t f = 0; f < frames; ++f) {
                    renderer->renderInto(f, image);
                }
                passes.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6 / static_cast<double>(frames));
            }
            perFrame[scale - 1] = median(passes);
        }
        std::printf("%-14s %4dx%-5d %7zu %7.0f %12.3f %12.3f\n", qPrintable(name), shown.width(), shown.height(),
                    renderer->totalFrame(), animation->framerate(), perFrame[0], perFrame[1]);
    }
}

QWidget* scanSizedView()
{
    auto* view = new QWidget;
    auto* grid = new QGridLayout(view);
    grid->addWidget(new QLabel(QStringLiteral("Scanning for duplicate files…")), 0, 0, 1, 2);
    auto* progress = new QProgressBar;
    progress->setValue(46);
    grid->addWidget(progress, 1, 0);
    auto* list = new QListWidget;
    for (int i = 0; i < 40; ++i) {
        list->addItem(QStringLiteral("/home/user/Pictures/Holiday %1/IMG_%2.jpg").arg(2010 + i % 9).arg(4000 + i * 7));
    }
    grid->addWidget(list, 1, 1);
    grid->addWidget(new QPushButton(QStringLiteral("Stop")), 2, 1, Qt::AlignRight);
    view->resize(1000, 580);
    return view;
}

void benchBackdrop(int rounds)
{
    QWidget* view = scanSizedView();
    view->show();
    QApplication::processEvents();
    std::vector<double> snapshots;
    std::vector<double> filters;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer clock;
        clock.start();
        const QImage picture = LoadingBackdrop::snapshot(view, nullptr);
        snapshots.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        const QImage filtered = LoadingBackdrop::applyFilters(picture);
        filters.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    const qreal ratio = view->devicePixelRatioF();
    std::printf("\nLoading overlay backdrop over a 1000 x 580 view at %.0fx (%d x %d pixels), median of %d\n", ratio,
                qRound(1000 * ratio), qRound(580 * ratio), rounds);
    std::printf("  snapshot %8.2f ms\n  filters  %8.2f ms\n  total    %8.2f ms\n", median(snapshots), median(filters),
                median(snapshots) + median(filters));
    delete view;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 20;
    QString shots;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--scale") == 0) {
            qputenv("QT_SCALE_FACTOR", argv[i + 1]);
        } else if (qstrcmp(argv[i], "--rounds") == 0) {
            rounds = qMax(1, atoi(argv[i + 1]));
        } else if (qstrcmp(argv[i], "--screenshots") == 0) {
            shots = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    // Under Xvfb the display is used; without one, the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The screens read and write their settings: in a home of their own.
    QTemporaryDir home;
    if (!shots.isEmpty()) {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
        qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toUtf8());
    }
    QApplication app(argc, argv);
    LiveAppearance::enabled() = QApplication::arguments().contains(QLatin1String("--live"));
    if (!shots.isEmpty()) {
        return kitScreenshots(shots);
    }
    benchAnimations(rounds);
    benchBackdrop(rounds);
    return 0;
}
