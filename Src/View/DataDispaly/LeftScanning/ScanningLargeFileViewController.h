#pragma once

#include <memory>

#include <QPointer>

#include "View/Extension/KPLExtensionView.h"

class CircularProgressView;
class QLabel;
class QTimer;
class TruncatingLabel;

namespace Ui {
class ScanningLargeFileViewController;
}

// The panel of a running large-file scan: a title, the progress ring, the
// elapsed time and the last large file found. The scan screen starts its
// 0.1 s clock, writes the progress and the path, and stops the clock when
// the scan ends. Until the first path arrives the ring creeps forward on its
// own, slower and slower, up to 20 %, so a long walk that finds nothing
// large for a while does not look stuck.
class ScanningLargeFileViewController : public ViewController {
    Q_OBJECT
public:
    explicit ScanningLargeFileViewController(QWidget* parent = nullptr);
    ~ScanningLargeFileViewController() override;

    double timeSeconds() const { return timeSeconds_; }
    void setTimeSeconds(double seconds) { timeSeconds_ = seconds; }
    double progressValue() const { return progressValue_; }
    // Every assignment, also of an equal value, is logged and moves the
    // ring, backwards too: the later value wins.
    void setProgressValue(double value);
    // The 0.1 s clock, made on first use.
    QTimer* myTimer();
    // Starts the clock with one tick at once, empties the path and sets the
    // ring to 0.
    void startTimer();
    // One tick of the clock.
    void timeListener();

    QLabel* scanningTitleLabel() const;
    TruncatingLabel* scanningPathLabel() const;
    CircularProgressView* circularProgress() const;
    QLabel* estimatedTimeLabel() const;
    QLabel* timeLabel() const;

private:
    void initConfig();

    std::unique_ptr<Ui::ScanningLargeFileViewController> ui_;
    double timeSeconds_ = 0.0;
    QPointer<QTimer> myTimer_;
    double progressValue_ = 0.0;
};
