#pragma once

#include <cstdint>
#include <memory>

#include <QPointer>

#include "View/Extension/KPLExtensionView.h"

class CircularProgressView;
class KPLBox;
class QLabel;
class QTimer;
class TruncatingLabel;

namespace Ui {
class LeftScanningViewController;
}

// The left panel of a running duplicate scan: a title, the progress ring,
// the elapsed time, the number and size of the duplicates found so far and
// the path in work. Its 0.1 s clock paces the scan screen's refreshes;
// until the first path arrives the clock also moves the ring a little on
// every tick, in ever smaller steps, so the ring moves from the start. The
// ring never goes back and stands still once a stop was asked for.
class LeftScanningViewController : public ViewController {
    Q_OBJECT
public:
    explicit LeftScanningViewController(QWidget* parent = nullptr);
    ~LeftScanningViewController() override;

    // Elapsed seconds, 0.1 more per tick.
    double timeSeconds() const { return timeSeconds_; }
    void setTimeSeconds(double seconds) { timeSeconds_ = seconds; }
    // The clock; made on first use. The scan screen stops it at the end.
    QTimer* myTimer();
    double lastProgressValue() const { return lastProgressValue_; }
    double progressValue() const { return progressValue_; }
    // Stores the value and moves the ring to it when it is no lower than
    // what the ring shows and no stop was asked for.
    void setProgressValue(double value);

    // Starts the clock with a first tick at once, and empties the panel.
    void startTimer();
    // The latest path, with the running count and size of the duplicates.
    void scanPath(const QString& path);
    void updateSizeCountBox(uint64_t totalSize, int totalCount);
    // One tick of the clock.
    void timeListener();

    // Outlets.
    QLabel* scanningTitleLabel() const;
    QLabel* scanningFoundLabel() const;
    QLabel* scanningItemsLabel() const;
    QLabel* scanningSizeHorizontalLabel() const;
    QLabel* scanningSizeVerticalLabel() const;
    QLabel* estimatedTimeLabel() const;
    QLabel* timeLabel() const;
    TruncatingLabel* scanningPathLabel() const;
    KPLBox* bottomBox() const;
    CircularProgressView* circularProgress() const;

private:
    void initConfig();

    std::unique_ptr<Ui::LeftScanningViewController> ui_;
    double timeSeconds_ = 0.0;
    QPointer<QTimer> myTimer_;
    double lastProgressValue_ = 0.0;
    double progressValue_ = 0.0;
};
