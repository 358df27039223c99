#pragma once

#include <memory>

#include <QTimer>

#include "View/Extension/KPLExtensionView.h"

class QLabel;
class RYTProgress;
namespace Lottie {
class AnimationView;
}
namespace Ui {
class ImagesDeleteViewController;
}

// What the similar-image screen shows while a removal runs: the "Removing"
// animation played forward and back, the bar with its percentage, the number
// of images removed so far and the elapsed time. A fresh one serves each
// removal.
class ImagesDeleteViewController : public ViewController {
    Q_OBJECT
public:
    explicit ImagesDeleteViewController(QWidget* parent = nullptr);
    ~ImagesDeleteViewController() override;

    // Starts the clock (its first tick at once).
    void startRemove();
    // The removed fraction 0…1; may be called on any thread (the labels
    // change on the main thread, and not at all once this view is gone).
    void updateFilesCountLabel(double progressValue);
    void timeListener();

    QTimer* myTimer() { return &myTimer_; }
    double timeSeconds() const { return timeSeconds_; }

    Lottie::AnimationView* animationView() const;
    RYTProgress* progressView() const;
    QLabel* progressLabel() const;
    QLabel* removeCount() const;
    QLabel* removeTimeLabel() const;

    // The removal engine's count of images removed so far, as shown.
    std::function<qint64()> removedCount;

private:
    void setUpView();
    void setUpAnimationView();
    void initDetailConfig();
    void applyProgress(double progressValue);

    std::unique_ptr<Ui::ImagesDeleteViewController> ui_;
    QTimer myTimer_;
    double timeSeconds_ = 0;
    std::shared_ptr<QPointer<ImagesDeleteViewController>> self_;
};
