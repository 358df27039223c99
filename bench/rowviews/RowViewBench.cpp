// Frame times of a RYTableView of 100,000 rows whose rows are
// KPLLeftDataTableRowView row views, as the result tables use them:
//  - scrolled a page at a time from the top to the bottom,
//  - scrolled by wheel notches (three lines each) over the same length,
// each step followed by a full repaint of the list, offscreen. A frame is the
// scroll plus its repaint, timed by the clock and by the thread's processor
// time (which a busy machine does not stretch). Also: how many row views
// were ever made.
//
//   twinsweep-rowview-bench [--rows N] [--pages N] [--notches N] [--scale 2]
//
// --scale sets QT_SCALE_FACTOR (the program's 2× look).

#include "QVLibrary/RYTableRowViewHost.h"
#include "QVLibrary/RYTableView.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

class FileRows : public QAbstractTableModel {
public:
    explicit FileRows(int rows)
        : rows_(rows)
    {
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole) {
            return {};
        }
        switch (index.column()) {
        case 0:
            return QStringLiteral("/home/user/Pictures/Holiday %1/IMG_%2.jpg").arg(index.row() / 40).arg(index.row());
        case 1:
            return QStringLiteral("%1 MB").arg(10 + index.row() % 900);
        default:
            return QStringLiteral("2023-0%1-1%2").arg(1 + index.row() % 9).arg(index.row() % 10);
        }
    }

private:
    int rows_;
};

class Panel : public RYTableRowViewDelegate, public LeftDataTableRowViewDelegate {
public:
    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override
    {
        const QString id = KPLLeftDataTableRowView::reuseIdentifier();
        auto* view = static_cast<KPLLeftDataTableRowView*>(host->makeRowView(id));
        if (!view) {
            view = new KPLLeftDataTableRowView;
            view->setIdentifier(id);
            view->setSelectedColor(QColor(0xE3, 0xEE, 0xFD));
            view->setHighlightColor(QColor(0xF2, 0xF6, 0xFC));
            view->setBorderColor(QColor(0x2F, 0x80, 0xED));
            view->setRadius(4);
            view->setSelectedEdgeInsets(3, 6, 3, 4);
            view->setDelegate(this);
        }
        view->setRow(row);
        return view;
    }
};

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Figures {
    std::vector<double> frames;
    std::vector<double> cpu;
    double slowest() const { return frames.empty() ? 0.0 : *std::max_element(frames.begin(), frames.end()); }
    double percentile(double p) const
    {
        if (frames.empty()) {
            return 0.0;
        }
        std::vector<double> sorted = frames;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
    }
};

void print(const char* label, const Figures& figures)
{
    Figures cpu;
    cpu.frames = figures.cpu;
    std::printf("%-8s %5zu frames  clock: median %6.2f  p95 %6.2f  slowest %6.2f ms   processor: median %6.2f  "
                "slowest %6.2f ms\n",
                label, figures.frames.size(), figures.percentile(0.5), figures.percentile(0.95), figures.slowest(),
                cpu.percentile(0.5), cpu.slowest());
}

}  // namespace

int main(int argc, char** argv)
{
    int rows = 100000;
    int pages = 400;
    int notches = 2000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray option(argv[i]);
        const int value = QByteArray(argv[i + 1]).toInt();
        if (option == "--rows") {
            rows = value;
        } else if (option == "--pages") {
            pages = value;
        } else if (option == "--notches") {
            notches = value;
        } else if (option == "--scale") {
            qputenv("QT_SCALE_FACTOR", argv[i + 1]);
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    FileRows model(rows);
    Panel panel;
    RYTableView table;
    table.setModel(&model);
    table.verticalHeader()->hide();
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(34);
    table.horizontalHeader()->setStretchLastSection(true);
    table.setColumnWidth(0, 420);
    table.setColumnWidth(1, 120);
    table.setShowGrid(false);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table.resize(760, 560);
    auto* host = new RYTableRowViewHost(&table, &panel);
    table.show();
    QApplication::processEvents();
    table.selectRow(3);

    QScrollBar* bar = table.verticalScrollBar();
    QElapsedTimer clock;

    Figures byPage;
    const int pageStep = bar->pageStep();
    const int pageStride = std::max(pageStep, bar->maximum() / std::max(1, pages));
    for (int value = 0; value <= bar->maximum(); value += pageStride) {
        const double cpuStart = threadMs();
        clock.start();
        bar->setValue(value);
        table.viewport()->repaint();
        byPage.frames.push_back(double(clock.nsecsElapsed()) / 1e6);
        byPage.cpu.push_back(threadMs() - cpuStart);
    }
    // Page by page from the top, as Page Down does.
    bar->setValue(0);
    for (int step = 0; step < pages && bar->value() < bar->maximum(); ++step) {
        const double cpuStart = threadMs();
        clock.start();
        bar->setValue(bar->value() + pageStep);
        table.viewport()->repaint();
        byPage.frames.push_back(double(clock.nsecsElapsed()) / 1e6);
        byPage.cpu.push_back(threadMs() - cpuStart);
    }

    Figures byWheel;
    bar->setValue(bar->maximum() / 2);
    table.viewport()->repaint();
    const QPointF at(200, 200);
    for (int step = 0; step < notches; ++step) {
        // Down for the first half, back up for the second.
        const int delta = step < notches / 2 ? -120 : 120;
        QWheelEvent wheel(at, table.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        const double cpuStart = threadMs();
        clock.start();
        QApplication::sendEvent(table.viewport(), &wheel);
        table.viewport()->repaint();
        byWheel.frames.push_back(double(clock.nsecsElapsed()) / 1e6);
        byWheel.cpu.push_back(threadMs() - cpuStart);
    }

    std::printf("RYTableView, %d rows of 34 px, 760 x 560, KPLLeftDataTableRowView rows, scale %s\n", rows,
                qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? "1" : qgetenv("QT_SCALE_FACTOR").constData());
    print("page", byPage);
    print("wheel", byWheel);
    std::printf("row views made: %d (placed now %d, %d rows in sight)\n", host->rowViewsMade(),
                host->placedRowViewCount(), table.viewport()->height() / 34 + 1);
    return 0;
}
