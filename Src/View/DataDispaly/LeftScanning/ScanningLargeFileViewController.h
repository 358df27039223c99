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
// the scan ends.
class ScanningLargeFileViewController : public ViewController {
    Q_OBJECT
public:
    explicit ScanningLargeFileViewController(QWidget* parent = nullptr);
    ~ScanningLargeFileViewController() override;

    double timeSeconds() const { return timeSeconds_; }
    void setTimeSeconds(double seconds) { timeSeconds_ = seconds; }
    double progressValue() const { return progressValue_; }
    // Moves the ring to the value (never back).
    void setProgressValue(double value);
    QTimer* myTimer();
    // Starts the clock with a first tick at once.
    void startTimer();
    void timeListener();

    QLabel* scanningTitleLabel() const;
    TruncatingLabel* scanningPathLabel() const;
    CircularProgressView* circularProgress() const;
    QLabel* estimatedTimeLabel() const;
    QLabel* timeLabel() const;

private:
    std::unique_ptr<Ui::ScanningLargeFileViewController> ui_;
    double timeSeconds_ = 0.0;
    double progressValue_ = 0.0;
    QPointer<QTimer> myTimer_;
};
