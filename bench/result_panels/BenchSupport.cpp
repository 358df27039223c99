#include "BenchSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

// BENCH_LONG_FRAME_MS: frames longer than this in processor time are
// printed; 0 prints none.
double longFrameLimit()
{
    static const double limit = qEnvironmentVariableIntValue("BENCH_LONG_FRAME_MS");
    return limit;
}

double milliseconds(const timeval& time)
{
    return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
}

}  // namespace

bool TimedApplication::notify(QObject* receiver, QEvent* event)
{
    if (depth_++ == 0) {
        clock_.restart();
        cpuStart_ = threadCpuMs();
        if (longFrameLimit() > 0) {
            clock_gettime(CLOCK_MONOTONIC, &monotonicStart_);
            getrusage(RUSAGE_THREAD, &usageStart_);
        }
    }
    // Read before the event is handled: a deferred delete ends both.
    const int type = depth_ == 1 ? int(event->type()) : 0;
    const QString what = depth_ == 1 && recording ? QString::fromLatin1(receiver->metaObject()->className()) : QString();
    const bool result = QApplication::notify(receiver, event);
    if (--depth_ == 0 && recording) {
        frames.push_back(double(clock_.nsecsElapsed()) / 1e6);
        const double cpu = threadCpuMs() - cpuStart_;
        if (cpuFrames.empty() || cpu > longestCpu_) {
            longestCpu_ = cpu;
            longestCpuFrame = QStringLiteral("%1 event %2").arg(what).arg(type);
        }
        cpuFrames.push_back(cpu);
        // For a profiler's samples: the monotonic clock's span of every
        // frame longer than the limit, to match them with `perf record -k
        // CLOCK_MONOTONIC` and `perf script --time`; with the kernel's
        // share and the page faults, which tell the program's own work
        // from the machine reclaiming memory under it.
        if (longFrameLimit() > 0 && cpu > longFrameLimit()) {
            timespec end{};
            clock_gettime(CLOCK_MONOTONIC, &end);
            rusage usage{};
            getrusage(RUSAGE_THREAD, &usage);
            std::fprintf(stderr,
                         "long frame: cpu %.1f ms (user %.1f, system %.1f), faults %ld minor %ld major, %s event %d, "
                         "monotonic %ld.%09ld,%ld.%09ld\n",
                         cpu, milliseconds(usage.ru_utime) - milliseconds(usageStart_.ru_utime),
                         milliseconds(usage.ru_stime) - milliseconds(usageStart_.ru_stime),
                         usage.ru_minflt - usageStart_.ru_minflt, usage.ru_majflt - usageStart_.ru_majflt,
                         qPrintable(what), type, long(monotonicStart_.tv_sec), long(monotonicStart_.tv_nsec),
                         long(end.tv_sec), long(end.tv_nsec));
        }
    }
    return result;
}

double TimedApplication::threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

TimedApplication* application()
{
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

void drain(const std::function<bool()>& until, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // The queue is waited on, not spun, as the program's own loop sleeps: a
    // spinning main thread would take a core from the work it waits for and
    // lose the favour the scheduler shows a thread that wakes. A short timer
    // wakes it to look at `until`, which another thread may change without
    // posting anything.
    QTimer wake;
    wake.start(5);
    while (until && !until() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    wake.stop();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void runStep(const std::function<void()>& step, const std::function<bool()>& until)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        step();
        ran = true;
    });
    drain([&] { return ran && (!until || until()); });
}

Measure::Measure(QString title)
    : name(std::move(title))
{
    application()->frames.clear();
    application()->cpuFrames.clear();
    application()->longestCpuFrame.clear();
    application()->recording = true;
    wall.start();
}

Measure::~Measure()
{
    const double total = double(wall.nsecsElapsed()) / 1e6;
    application()->recording = false;
    std::vector<double> frames = application()->frames;
    std::sort(frames.begin(), frames.end());
    const double longest = frames.empty() ? 0 : frames.back();
    const double p99 = frames.empty() ? 0 : frames[size_t(std::ceil(0.99 * double(frames.size()))) - 1];
    const std::vector<double>& cpu = application()->cpuFrames;
    const double longestCpu = cpu.empty() ? 0 : *std::max_element(cpu.begin(), cpu.end());
    std::printf("%-52s wall %9.1f ms  longest %7.1f ms  p99 %6.1f ms  frames %7zu  longest cpu %6.1f ms (%s)%s\n",
                qPrintable(name), total, longest, p99, frames.size(), longestCpu,
                qPrintable(application()->longestCpuFrame), longest > 50.0 ? "  (over 50 ms)" : "");
    std::fflush(stdout);
}

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
            ResourceValueURL url;
            url.path = path;
            auto info = std::make_shared<FileInfo>(std::move(url));
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


// Sample files

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

