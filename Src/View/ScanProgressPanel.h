#pragma once

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

// The progress panel both scan screens show while they work: a title, the
// progress bar, the path in work, the elapsed time and Stop/Back buttons.
struct ScanProgressPanel {
    QLabel* title = nullptr;
    QLabel* path = nullptr;
    QLabel* elapsed = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* backButton = nullptr;
};

// Builds the panel into `owner`'s layout. Each tick of `timer` (every 0.1 s)
// adds to *elapsedSeconds and shows the elapsed time.
ScanProgressPanel buildScanProgressPanel(QWidget* owner, QTimer* timer, double* elapsedSeconds);
