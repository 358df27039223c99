#pragma once

// What the result-panel benchmarks share: an application that times every
// stretch of main-thread work, running the queue, timing an action, and
// synthetic duplicate results put into the engine.

#include <ctime>
#include <sys/resource.h>
#include <functional>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QColor>
#include <QString>

#include "Manager/ScanManager.h"

// Times each event the application dispatches ("a frame").
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
    // The processor time the calling thread has used, which a busy machine
    // does not stretch.
    static double threadCpuMs();

    bool recording = false;
    std::vector<double> frames;
    std::vector<double> cpuFrames;
    // What the frame longest in processor time was: the receiver's class
    // and the event's type, to know where to look.
    QString longestCpuFrame;

private:
    double cpuStart_ = 0;
    double longestCpu_ = 0;
    int depth_ = 0;
    QElapsedTimer clock_;
    timespec monotonicStart_{};
    rusage usageStart_{};
};

TimedApplication* application();

// Runs the queue until `until` holds (or the time is up), then a few turns
// more.
void drain(const std::function<bool()>& until = nullptr, int timeoutMs = 600000);
// Posts `step` as an event of its own and runs the queue after it.
void runStep(const std::function<void()>& step, const std::function<bool()>& until = nullptr);

// Prints the wall time, the longest frame and the 99th percentile of the
// frames between its making and its end, and the longest frame in the main
// thread's processor time.
struct Measure {
    QString name;
    QElapsedTimer wall;
    explicit Measure(QString title);
    ~Measure();
};

QString memoryLine();

// `count` groups of two to four files of six kinds, not on disk.
DuplicateFilesList makeGroups(int count);
// Makes them the engine's result.
void putIntoEngine(const DuplicateFilesList& groups);
// The automatic selection: every file but the first of every group.
void selectAllButFirst(const DuplicateFilesList& groups);

// Writes a sample file, making its folder.
void writeSample(const QString& path, const QByteArray& data);
// A PNG picture of w × h with a gradient from a to b.
QByteArray pngBytes(int w, int h, const QColor& a, const QColor& b);
